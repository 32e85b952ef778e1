#pragma once
// Calls library functions the way the engine does: through the table, with a small host.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/automation/error.h"
#include "platform/automation/object.h"
#include "platform/vbscript/builtins.h"

namespace vbslib_test {

namespace am = quillet::platform::automation;
namespace vbs = quillet::platform::vbscript;
using am::Variant;

class TestHost : public vbs::BuiltinHost {
public:
  int32_t locale() const override { return lcid; }
  void setLocale(int32_t id) override { lcid = id; }
  int32_t lcid = 1033;
};

class LibTest : public ::testing::Test {
protected:
  Variant call(std::string_view name, std::vector<Variant> args = {}) {
    const vbs::Builtin* b = vbs::findBuiltin(name);
    if (!b) throw std::runtime_error("no builtin " + std::string(name));
    int n = static_cast<int>(args.size());
    if (n < b->minArgs || (b->maxArgs >= 0 && n > b->maxArgs))
      throw std::runtime_error("argument count for " + std::string(name));
    am::ArgList refs(args);
    vbs::BuiltinCall c{refs, &host};
    Variant r = b->fn(c);
    if (c.failed()) throw am::Error(c.fault);
    return r;
  }
  // Error number raised by the call, 0 when none.
  int err(std::string_view name, std::vector<Variant> args = {}) {
    try {
      call(name, std::move(args));
    } catch (const am::Error& e) {
      return e.number();
    }
    return 0;
  }
  // "TypeName:text" of a result, arrays as "[a|b|c]".
  std::string show(const Variant& v) {
    if (v.isArray()) {
      std::string s = "[";
      bool first = true;
      for (const Variant& e : v.asArray().data()) {
        if (!first) s += "|";
        first = false;
        s += am::CStr(e);
      }
      return s + "]";
    }
    std::string tn = am::CStr(call("TypeName", {v}));
    if (v.isNull() || v.isEmpty() || v.isObject()) return tn;
    return tn + ":" + am::CStr(v);
  }
  std::string run(std::string_view name, std::vector<Variant> args = {}) {
    return show(call(name, std::move(args)));
  }
  struct Case {
    const char* fn;
    std::vector<Variant> args;
    std::string expected; // show() text, or "err:N"
  };
  void check(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
      std::string got;
      try {
        got = run(c.fn, c.args);
      } catch (const am::Error& e) {
        got = "err:" + std::to_string(e.number());
      }
      std::string desc = c.fn;
      desc += "(";
      for (size_t i = 0; i < c.args.size(); ++i)
        desc += (i ? ", " : "") + (c.args[i].isArray()  ? "<array>"
                                   : c.args[i].isNull() ? "Null"
                                                        : am::CStr(c.args[i]));
      desc += ")";
      EXPECT_EQ(got, c.expected) << desc;
    }
  }
  void setLocale(int32_t lcid) { call("SetLocale", {Variant(lcid)}); }

  am::Context::Scope scope;
  TestHost host;
};

inline Variant I(int v) {
  return Variant(static_cast<int16_t>(v));
}
inline Variant L(int32_t v) {
  return Variant(v);
}
inline Variant D(double v) {
  return Variant(v);
}
inline Variant S(const char* v) {
  return Variant(v);
}
inline Variant date(int y, int m, int d, int h = 0, int n = 0, int s = 0) {
  return Variant::fromDate(*am::makeDate(y, m, d, h, n, s));
}

} // namespace vbslib_test
