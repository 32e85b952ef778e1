#pragma once
// Objects reachable by name. Each class describes its members once, in a member table
// (case-insensitive names, property get/let/set, methods with optional and by-reference
// arguments, a default member and an enumerator); invoke() is the one entry through which
// scripts, the host and late-bound calls inside the engine reach them.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/automation/error.h"
#include "platform/automation/ref.h"
#include "platform/automation/variant.h"

namespace quillet::platform::automation {

// How a member is called; a script's `x = obj.Name(1)` asks for Method | PropertyGet.
enum CallKind : int {
  kMethod = 1,
  kPropertyGet = 2,
  kPropertyLet = 4,
  kPropertySet = 8,
  kGetOrCall = kMethod | kPropertyGet,
};

class Enumerator;
class ClassInfo;

class Object : public RefCounted {
public:
  // The member table of the object's class: the same table for every object of one dynamic
  // type (call sites keep the member they found by the type), except script class instances.
  virtual const ClassInfo& classInfo() const = 0;
  // Calls a member by name. For PropertyLet/PropertySet the value is the last argument.
  // Classes with members known only at run time (script classes) override this.
  virtual Variant invoke(std::string_view name, int kind, Args args);
  // The default member (obj(x), or the value of an object used where a value is needed).
  virtual Variant invokeDefault(int kind, Args args);
  // The enumerator For Each uses; error 451 when the object is no collection.
  virtual Ref<Enumerator> newEnum();
  // The name TypeName shows.
  virtual std::string typeName() const;
};

// Walks a collection for For Each. The walk reads a snapshot or tolerates changes, as each
// collection documents.
class Enumerator : public RefCounted {
public:
  virtual bool next(Variant& out) = 0;
};

// An enumerator over a fixed list of values.
class VectorEnumerator : public Enumerator {
public:
  explicit VectorEnumerator(std::vector<Variant> values) : values_(std::move(values)) {}
  bool next(Variant& out) override;

private:
  std::vector<Variant> values_;
  size_t pos_ = 0;
};

struct Member {
  using Fn = std::function<Variant(Object&, Args)>;
  std::string name;
  Fn get;                // method call or property get
  Fn let;                // property let: value is the last argument
  Fn set;                // property set: value is the last argument
  int minArgs = 0;       // arguments of get/call (not counting the assigned value)
  int maxArgs = 0;       // -1: any number
  bool isMethod = false; // a method rather than a property (for listings)
};

class ClassInfo {
public:
  explicit ClassInfo(std::string name) : name_(std::move(name)) {}
  const std::string& name() const { return name_; }
  // Case-insensitive lookup; nullptr when the class has no such member.
  const Member* find(std::string_view name) const;
  const Member* defaultMember() const {
    return defaultIndex_ < 0 ? nullptr : &members_[defaultIndex_];
  }
  const std::vector<Member>& members() const { return members_; }
  using EnumFn = std::function<Ref<Enumerator>(Object&)>;
  const EnumFn& enumerator() const { return newEnum_; }

  // Adds or replaces a member; used by ClassBuilder.
  Member& add(std::string name);
  void setDefault(std::string_view name);
  void setEnumerator(EnumFn fn) { newEnum_ = std::move(fn); }
  void inherit(const ClassInfo& base);

  // Calls a member of this table on an object, checking the kind and the argument count.
  static Variant call(Object& self, const Member& m, int kind, Args args) {
    // Most calls are a method or getter given what it takes; the rest are checked out of line.
    int n = static_cast<int>(args.size());
    if ((kind & (kPropertyLet | kPropertySet)) || !m.get || n < m.minArgs ||
        (m.maxArgs >= 0 && n > m.maxArgs))
      return callChecked(self, m, kind, args);
    for (int i = 0; i < m.minArgs; ++i)
      if (args[static_cast<size_t>(i)].isMissing()) return callChecked(self, m, kind, args);
    return m.get(self, args);
  }

private:
  static Variant callChecked(Object& self, const Member& m, int kind, Args args);
  std::string name_;
  std::vector<Member> members_;
  std::unordered_map<std::string, size_t> index_; // by ASCII-lowercased name
  int defaultIndex_ = -1;
  EnumFn newEnum_;
};

// Calls a member of an object by name: the entry used by everything that calls by name.
// A Nothing target raises 91; a missing member 438; a wrong argument count 450.
Variant invoke(Object* target, std::string_view name, int kind, Args args = {});
Variant invoke(const Variant& target, std::string_view name, int kind, Args args = {});
inline Variant get(const Variant& target, std::string_view name) {
  return invoke(target, name, kPropertyGet);
}
void let(const Variant& target, std::string_view name, Variant value);

// Resolves an object used where a plain value is expected through its default property
// get (repeatedly, as VB does); other values pass unchanged. Error 438 when it has none.
Variant valueOf(const Variant& v);

} // namespace quillet::platform::automation
