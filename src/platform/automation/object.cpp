#include "platform/automation/object.h"
#include "platform/text/ascii.h"

#include <algorithm>
#include <cctype>

namespace quillet::platform::automation {
namespace {} // namespace

Variant Object::invoke(std::string_view name, int kind, Args args) {
  const ClassInfo& info = classInfo();
  const Member* m = info.find(name);
  if (!m) {
    if ((name == "_NewEnum" || name == "NewEnum") && info.enumerator())
      return Variant(static_cast<Object*>(nullptr)); // enumerators are reached through newEnum()
    raise(err::kNoSuchMember);
  }
  return ClassInfo::call(*this, *m, kind, args);
}

Variant Object::invokeDefault(int kind, Args args) {
  const Member* m = classInfo().defaultMember();
  if (!m) raise(err::kNoSuchMember);
  return ClassInfo::call(*this, *m, kind, args);
}

Ref<Enumerator> Object::newEnum() {
  const auto& fn = classInfo().enumerator();
  if (!fn) raise(err::kNotACollection);
  return fn(*this);
}

std::string Object::typeName() const {
  return classInfo().name();
}

bool VectorEnumerator::next(Variant& out) {
  if (pos_ >= values_.size()) return false;
  out = values_[pos_++];
  return true;
}

const Member* ClassInfo::find(std::string_view name) const {
  // Member names are ASCII; most lookups hit the exact spelling of the table first.
  std::string key = text::lowerAscii(name);
  auto it = index_.find(key);
  return it == index_.end() ? nullptr : &members_[it->second];
}

Member& ClassInfo::add(std::string name) {
  std::string key = text::lowerAscii(name);
  auto it = index_.find(key);
  if (it != index_.end()) return members_[it->second];
  index_.emplace(std::move(key), members_.size());
  members_.push_back(Member{});
  members_.back().name = std::move(name);
  return members_.back();
}

void ClassInfo::setDefault(std::string_view name) {
  std::string key = text::lowerAscii(name);
  auto it = index_.find(key);
  defaultIndex_ = it == index_.end() ? -1 : static_cast<int>(it->second);
}

void ClassInfo::inherit(const ClassInfo& base) {
  for (const Member& m : base.members_) {
    if (find(m.name)) continue;
    add(m.name) = m;
  }
  if (defaultIndex_ < 0 && base.defaultMember()) setDefault(base.defaultMember()->name);
  if (!newEnum_) newEnum_ = base.newEnum_;
}

Variant ClassInfo::callChecked(Object& self, const Member& m, int kind, Args args) {
  if (kind & (kPropertyLet | kPropertySet)) {
    // Let falls back to Set and back, as a property with only one of them accepts both
    // forms of assignment from late-bound callers.
    const Member::Fn* fn = nullptr;
    if (kind & kPropertySet)
      fn = m.set ? &m.set : (m.let ? &m.let : nullptr);
    else
      fn = m.let ? &m.let : (m.set ? &m.set : nullptr);
    if (!fn) raise(err::kWrongArgumentCount); // read-only property
    if (args.empty()) raise(err::kWrongArgumentCount);
    int n = static_cast<int>(args.size()) - 1;
    if (n < m.minArgs || (m.maxArgs >= 0 && n > m.maxArgs)) raise(err::kWrongArgumentCount);
    return (*fn)(self, args);
  }
  if (!m.get) raise(err::kNoSuchMember); // write-only property
  int n = static_cast<int>(args.size());
  if (n > 0 && m.maxArgs == 0 && !m.isMethod && (kind & kPropertyGet)) {
    // A property without parameters given arguments: they go to the default member of its
    // value, as in match.SubMatches(0) or folder.Files("a.txt").
    Variant value = m.get(self, {});
    if (value.isObject() && !value.isNothing()) return value.asObject()->invokeDefault(kind, args);
    raise(err::kWrongArgumentCount);
  }
  if (n < m.minArgs || (m.maxArgs >= 0 && n > m.maxArgs)) raise(err::kWrongArgumentCount);
  for (int i = 0; i < std::min(n, m.minArgs); ++i)
    if (args[static_cast<size_t>(i)].isMissing()) raise(err::kArgumentNotOptional);
  return m.get(self, args);
}

Variant invoke(Object* target, std::string_view name, int kind, Args args) {
  if (!target) raise(err::kObjectNotSet);
  Ref<Object> keep(target); // the call may drop the caller's last reference
  return target->invoke(name, kind, args);
}

Variant invoke(const Variant& t, std::string_view name, int kind, Args args) {
  if (!t.isObject()) raise(err::kObjectRequired);
  return invoke(t.asObject(), name, kind, args);
}

void let(const Variant& target, std::string_view name, Variant value) {
  invoke(target, name, kPropertyLet, ArgList(&value, 1));
}

Variant valueOf(const Variant& v) {
  Variant cur = v;
  for (int depth = 0; cur.isObject(); ++depth) {
    if (cur.isNothing()) raise(err::kObjectNotSet);
    if (depth > 16) raise(err::kTypeMismatch);
    Ref<Object> keep(cur.asObject());
    cur = keep->invokeDefault(kPropertyGet, {});
  }
  return cur;
}

} // namespace quillet::platform::automation
