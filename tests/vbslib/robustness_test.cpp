// Every library function with odd arguments: each call returns a value or raises a VB
// error, never anything else (the sanitizers watch for undefined behaviour meanwhile).
#include "lib_helpers.h"
#include "platform/vbscript/library.h"

namespace vbslib_test {
namespace {

class Robustness : public LibTest {
protected:
  std::vector<Variant> odd = {
      Variant(),
      Variant::null(),
      I(-1),
      L(2147483647),
      D(1e300),
      D(-0.5),
      S(""),
      S("1,5"),
      S("\xFF\xFE"
        "a\xC3"),
      date(9999, 12, 31, 23, 59, 59),
      Variant(am::SafeArray::fromValues({S("a"), Variant::null()})),
      Variant::nothing(),
      Variant::missing(),
  };
  // Calls with every combination of up to `most` odd arguments.
  template <class F> void sweep(int least, int most, F call) {
    for (int n = least; n <= most; ++n) {
      size_t combos = 1;
      for (int i = 0; i < n; ++i)
        combos *= odd.size();
      for (size_t k = 0; k < combos; ++k) {
        std::vector<Variant> args;
        for (size_t rest = k, i = 0; i < static_cast<size_t>(n); ++i, rest /= odd.size())
          args.push_back(odd[rest % odd.size()]);
        try {
          call(args);
        } catch (const am::Error&) {
        } catch (const std::exception& e) {
          ADD_FAILURE() << n << " arguments (combination " << k << ") threw " << e.what();
        }
      }
    }
  }
};

TEST_F(Robustness, EveryFunctionRaisesOnlyVbErrors) {
  vbs::registerScriptObjects();
  for (const vbs::Builtin& b : vbs::builtinFunctions()) {
    SCOPED_TRACE(b.name);
    int most = b.maxArgs < 0 ? 3 : std::min(b.maxArgs, 3);
    sweep(b.minArgs, most, [&](std::vector<Variant>& args) {
      am::ArgList refs(args);
      vbs::BuiltinCall c{refs, &host};
      b.fn(c);
    });
  }
}

TEST_F(Robustness, ScriptObjectMembersRaiseOnlyVbErrors) {
  vbs::registerScriptObjects();
  for (const char* progId : {"Scripting.Dictionary", "VBScript.RegExp", "ADODB.Stream"}) {
    Variant probe = call("CreateObject", {S(progId)});
    for (const am::Member& m : probe.asObject()->classInfo().members()) {
      if (std::string_view(progId) == "ADODB.Stream" &&
          (m.name == "SaveToFile" || m.name == "LoadFromFile"))
        continue; // these reach the disk
      SCOPED_TRACE(std::string(progId) + "." + m.name);
      // A fresh object per member, opened where that matters, so state from one member
      // does not hide another's faults.
      Variant obj = call("CreateObject", {S(progId)});
      if (std::string_view(progId) == "ADODB.Stream") am::invoke(obj, "Open", am::kMethod);
      int most = m.maxArgs < 0 ? 2 : std::min(m.maxArgs, 2);
      sweep(m.minArgs, most, [&](std::vector<Variant>& args) {
        am::invoke(obj, m.name, am::kGetOrCall, am::ArgList(args));
      });
      if (m.let)
        sweep(m.minArgs + 1, m.minArgs + 1, [&](std::vector<Variant>& args) {
          am::invoke(obj, m.name, am::kPropertyLet, am::ArgList(args));
        });
    }
  }
}

} // namespace
} // namespace vbslib_test
