#pragma once
// Identifiers and literals for generated code: variable names kept clear of the program
// language's reserved words, quoted texts and script string expressions, and the keyword
// list read from the keyword file.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/automation/members.h"
#include "platform/automation/object.h"

namespace quillet::core {

namespace automation = ::quillet::platform::automation;

// The reserved words per program language. The keyword file's root element is the product
// key made compact, followed by ".keyword" ("brindlewood.keyword"); each direct child
// <keyword lang="VB" value="Date"/> is one entry ("*" applies to every language).
class RUZKeyword : public automation::Object {
  QUILLET_OBJECT(RUZKeyword)
public:
  int16_t curIndex() const { return 0; }
  int32_t Count() const { return static_cast<int32_t>(entries_.size()); }
  // Whether k is reserved in language l; for "vb" words compare without regard to case.
  bool IsKeyword(const std::string& l, const std::string& k) const;
  // Adds the file's keywords to those already read; false when it cannot be read or has
  // another root (a failing read after a good one shows one message box).
  bool Load(const std::string& file);
  const std::string& loadError() const { return loadError_; }

private:
  void addKeyword(std::string lang, std::string word);
  std::vector<std::pair<std::string, std::string>> entries_;
  std::string loadError_;
};

// The thread's keyword list, created on first use.
RUZKeyword& SharedKeywords();

// prefix followed by an identifier made from the name: "z" in front for as long as the name
// is a keyword of the current program language; letters, digits and "_" stay, a blank
// becomes "_", any other character its UTF-16 code in upper-case hexadecimal ("Unit-Price"
// gives Unit2DPrice); an identifier that would not start with a letter gets a "z". Two names
// may meet on one identifier ("Order Date", "Order_Date"): the generation run numbers
// clashing names within a table.
std::string MakeVarName(std::string_view name, std::string_view prefix);
// The text trimmed, without enclosing quotes, then quoted level times with inner double
// quotes doubled.
std::string DoubleQuotes(std::string_view text, int32_t level);
// A script string expression for the text: its lines (split at CR LF, CR or LF) as quoted
// literals joined with &vbCrLf& (and &indent& after each line break when indent is given);
// lone CR and LF are kept as &vbCr& / &vbLf&.
std::string ToScriptString(std::string_view text, std::string_view indent);

} // namespace quillet::core
