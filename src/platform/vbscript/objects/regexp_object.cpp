#include "platform/vbscript/objects/regexp_object.h"

#include "platform/text/utf8.h"

namespace quillet::platform::vbscript {

namespace am = automation;
using am::Variant;

Variant SubMatches::Item(int32_t index) const {
  if (index < 0 || index >= Count()) am::raise(am::err::kInvalidProcedureCall);
  return values_[static_cast<size_t>(index)];
}

am::Ref<am::Enumerator> SubMatches::enumerate() const {
  return am::makeRef<am::VectorEnumerator>(values_);
}

QUILLET_DEFINE_CLASS_NAMED(SubMatches, "ISubMatches") {
  b.get("Count", &SubMatches::Count)
      .get("Item", &SubMatches::Item)
      .defaultMember("Item")
      .enumerator(&SubMatches::enumerate);
}

am::Ref<SubMatches> MatchObject::subMatches() const {
  std::vector<Variant> values;
  values.reserve(match_.subMatches.size());
  for (const auto& s : match_.subMatches)
    values.push_back(s ? Variant(*s) : Variant());
  return am::makeRef<SubMatches>(std::move(values));
}

QUILLET_DEFINE_CLASS_NAMED(MatchObject, "IMatch2") {
  b.get("FirstIndex", &MatchObject::FirstIndex)
      .get("Length", &MatchObject::Length)
      .get("Value", &MatchObject::Value)
      .get("SubMatches", &MatchObject::subMatches)
      .defaultMember("Value");
}

MatchCollection::MatchCollection(std::vector<regexp::Match> matches) {
  items_.reserve(matches.size());
  for (auto& m : matches)
    items_.push_back(am::makeRef<MatchObject>(std::move(m)));
}

am::Ref<MatchObject> MatchCollection::Item(int32_t index) const {
  if (index < 0 || index >= Count()) am::raise(am::err::kInvalidProcedureCall);
  return items_[static_cast<size_t>(index)];
}

am::Ref<am::Enumerator> MatchCollection::enumerate() const {
  std::vector<Variant> values(items_.begin(), items_.end());
  return am::makeRef<am::VectorEnumerator>(std::move(values));
}

QUILLET_DEFINE_CLASS_NAMED(MatchCollection, "IMatchCollection2") {
  b.get("Count", &MatchCollection::Count)
      .get("Item", &MatchCollection::Item)
      .defaultMember("Item")
      .enumerator(&MatchCollection::enumerate);
}

am::Ref<MatchCollection> RegExpObject::Execute(const std::string& subject) const {
  return am::makeRef<MatchCollection>(re_.execute(subject));
}

std::string RegExpObject::Replace(const std::string& subject, const Variant& r) const {
  if (!r.isObject() || r.isNothing()) return re_.replace(subject, am::CStr(r));
  // A function reference: called once per match, its result replaces the match.
  std::string out;
  size_t done = 0; // bytes of the subject already copied
  for (const regexp::Match& m : re_.execute(subject)) {
    size_t at = text::byteOffsetOfChar(subject, m.firstIndex);
    out.append(subject, done, at - done);
    std::vector<Variant> args;
    args.emplace_back(m.value);
    for (const auto& s : m.subMatches)
      args.push_back(s ? Variant(*s) : Variant());
    args.emplace_back(static_cast<int32_t>(m.firstIndex));
    args.emplace_back(subject);
    out += am::CStr(r.asObject()->invokeDefault(am::kMethod, am::ArgList(args)));
    done = at + m.value.size();
  }
  out.append(subject, std::min(done, subject.size()), std::string::npos);
  return out;
}

QUILLET_DEFINE_CLASS_NAMED(RegExpObject, "IRegExp2") {
  b.prop("Pattern", &RegExpObject::pattern, &RegExpObject::setPattern)
      .prop("IgnoreCase", &RegExpObject::ignoreCase, &RegExpObject::setIgnoreCase)
      .prop("Global", &RegExpObject::global, &RegExpObject::setGlobal)
      .prop("Multiline", &RegExpObject::multiline, &RegExpObject::setMultiline)
      .method("Test", &RegExpObject::Test)
      .method("Execute", &RegExpObject::Execute)
      .method("Replace", &RegExpObject::Replace);
}

} // namespace quillet::platform::vbscript
