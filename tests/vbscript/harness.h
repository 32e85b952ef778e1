#pragma once
// Runs script text through the script control and collects what it writes with Out.Echo.
#include <gtest/gtest.h>

#include <string>

#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/automation/factory.h"
#include "platform/automation/members.h"
#include "platform/automation/operators.h"
#include "platform/vbscript/library.h"
#include "platform/vbscript/script_control.h"

namespace vbtest {

namespace au = quillet::platform::automation;
namespace vbs = quillet::platform::vbscript;
using au::Args;
using au::Ref;
using au::Variant;

// Echo writes its arguments separated by blanks and ends the line.
class Output : public au::Object {
  QUILLET_OBJECT(Output)
public:
  void Echo(Args args) {
    for (size_t i = 0; i < args.size(); ++i) {
      if (i) text += ' ';
      text += au::CStr(args[i]);
    }
    text += '\n';
  }
  std::string text;
};

// A small native collection: keys in insertion order, a default Item, an enumerator over the
// keys, and errors raised the way native members raise them.
class Bag : public au::Object {
  QUILLET_OBJECT(Bag)
public:
  void Add(const std::string& key, const Variant& value) {
    for (auto& [k, v] : items)
      if (k == key) au::raise(au::err::kDuplicateKey);
    items.emplace_back(key, value);
  }
  Variant Item(const std::string& key) {
    for (auto& [k, v] : items)
      if (k == key) return v;
    au::raise(au::err::kElementNotFound, "Key not found.", "Bag");
  }
  void setItem(const std::string& key, const Variant& value) {
    for (auto& [k, v] : items)
      if (k == key) {
        v = value;
        return;
      }
    items.emplace_back(key, value);
  }
  int32_t Count() const { return static_cast<int32_t>(items.size()); }
  // Doubles its by-reference argument.
  void Twice(Variant& v) { v = au::opMul(v, Variant(int16_t(2))); }
  int32_t Sum(int32_t a, int32_t b) { return a + b; }
  Ref<au::Enumerator> Keys() {
    std::vector<Variant> keys;
    for (auto& [k, v] : items)
      keys.emplace_back(k);
    return Ref<au::Enumerator>(new au::VectorEnumerator(std::move(keys)));
  }
  std::vector<std::pair<std::string, Variant>> items;
};

inline void registerTestClasses() {
  au::registerClass("Test.Bag", [] { return Ref<au::Object>(new Bag); });
}

struct Harness {
  au::Context::Scope scope;
  Ref<vbs::ScriptControl> sc{new vbs::ScriptControl};
  Ref<Output> out{new Output};
  Harness() {
    registerTestClasses();
    vbs::registerScriptObjects();
    sc->AddObject("Out", Variant(out), false);
    sc->setTimeout(0);
  }
  // Adds the code and returns what it echoed; a failure is reported as
  // "ERROR number description (line,column)" after the output so far.
  std::string run(const std::string& code) {
    try {
      sc->AddCode(code);
    } catch (const au::Error& e) {
      auto err = sc->Error();
      return out->text + "ERROR " + std::to_string(err->Number()) + " " + err->Description() +
             " (" + std::to_string(err->Line()) + "," + std::to_string(err->Column()) + ")";
    }
    return out->text;
  }
};

// Runs a program in a fresh engine.
inline std::string runScript(const std::string& code) {
  Harness h;
  return h.run(code);
}

// A named program and what it prints.
struct Case {
  const char* name;
  const char* code;
  const char* expected;
};

inline void runCases(std::initializer_list<Case> cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(runScript(c.code), c.expected) << c.code;
  }
}

} // namespace vbtest
