#pragma once
// "VBScript.RegExp" and the collections its Execute returns, over the regexp layer.
#include <vector>

#include "platform/automation/members.h"
#include "platform/regexp/regexp.h"

namespace quillet::platform::vbscript {

class SubMatches : public automation::Object {
  QUILLET_OBJECT(SubMatches)
public:
  explicit SubMatches(std::vector<automation::Variant> values) : values_(std::move(values)) {}
  int32_t Count() const { return static_cast<int32_t>(values_.size()); }
  automation::Variant Item(int32_t index) const;
  automation::Ref<automation::Enumerator> enumerate() const;

private:
  std::vector<automation::Variant> values_;
};

class MatchObject : public automation::Object {
  QUILLET_OBJECT(MatchObject)
public:
  explicit MatchObject(regexp::Match m) : match_(std::move(m)) {}
  int32_t FirstIndex() const { return static_cast<int32_t>(match_.firstIndex); }
  int32_t Length() const { return static_cast<int32_t>(match_.length); }
  const std::string& Value() const { return match_.value; }
  automation::Ref<SubMatches> subMatches() const;
  const regexp::Match& match() const { return match_; }

private:
  regexp::Match match_;
};

class MatchCollection : public automation::Object {
  QUILLET_OBJECT(MatchCollection)
public:
  explicit MatchCollection(std::vector<regexp::Match> matches);
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  automation::Ref<MatchObject> Item(int32_t index) const;
  automation::Ref<automation::Enumerator> enumerate() const;

private:
  std::vector<automation::Ref<MatchObject>> items_;
};

class RegExpObject : public automation::Object {
  QUILLET_OBJECT(RegExpObject)
public:
  std::string pattern() const { return re_.pattern(); }
  void setPattern(const std::string& p) { re_.setPattern(p); }
  bool ignoreCase() const { return re_.ignoreCase(); }
  void setIgnoreCase(bool on) { re_.setIgnoreCase(on); }
  bool global() const { return re_.global(); }
  void setGlobal(bool on) { re_.setGlobal(on); }
  bool multiline() const { return re_.multiline(); }
  void setMultiline(bool on) { re_.setMultiline(on); }

  bool Test(const std::string& subject) const { return re_.test(subject); }
  automation::Ref<MatchCollection> Execute(const std::string& subject) const;
  // The replacement is text with $1.., or a function reference that receives the match,
  // each submatch, the position and the subject, and returns the replacement text.
  std::string Replace(const std::string& subject, const automation::Variant& replacement) const;

  regexp::RegExp& regex() { return re_; }

private:
  regexp::RegExp re_;
};

} // namespace quillet::platform::vbscript
