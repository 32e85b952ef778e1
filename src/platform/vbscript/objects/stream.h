#pragma once
// "ADODB.Stream": a buffer of bytes read and written as text in a charset (Type 2) or as
// bytes (Type 1), loaded from and saved to files. Text written at position 0 in a Unicode
// or UTF-8 charset starts with the charset's byte-order mark, and reading text skips it,
// so files saved from a text stream carry the mark.
#include <string>

#include "platform/automation/members.h"
#include "platform/text/encoding.h"

namespace quillet::platform::vbscript {

class AdoStream : public automation::Object {
  QUILLET_OBJECT(AdoStream)
public:
  enum { kBinary = 1, kText = 2 };

  int32_t type() const { return type_; }
  void setType(int32_t t);
  std::string charset() const { return charset_; }
  void setCharset(const std::string& name);
  int32_t mode() const { return mode_; }
  void setMode(int32_t m);
  int32_t lineSeparator() const { return lineSeparator_; }
  void setLineSeparator(int32_t sep);
  int32_t State() const { return open_ ? 1 : 0; }
  automation::Variant position() const;
  void setPosition(int32_t p);
  automation::Variant Size() const;
  bool EOS() const;

  void Open(automation::Args args);
  void Close();
  void WriteText(const std::string& text, int32_t options);
  std::string ReadText(const automation::Variant& count);
  void SkipLine();
  automation::Variant Read(const automation::Variant& count);
  void Write(const automation::Variant& bytes);
  void SetEOS();
  void Flush() {}
  void LoadFromFile(const std::string& path);
  void SaveToFile(const std::string& path, int32_t options);

private:
  void needOpen() const;
  void needType(int32_t t) const;
  std::string separatorText() const;
  text::Encoding encoding() const;

  bool open_ = false;
  int32_t type_ = kText;
  int32_t mode_ = 0;
  int32_t lineSeparator_ = -1; // adCRLF
  std::string charset_ = "Unicode";
  std::string bytes_;
  size_t pos_ = 0;
};

} // namespace quillet::platform::vbscript
