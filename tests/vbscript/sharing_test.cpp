// One compiled chunk added to several engines, in one thread and in several: every engine
// keeps its own variables, class instances and results.
#include <thread>

#include "harness.h"
#include "platform/vbscript/runtime.h"

namespace vbtest {

namespace {

// Globals, a class whose methods reach a global and use Eval on their fields, a procedure-level
// ReDim under Option Explicit, member calls, a text long enough to be shared by reference
// and an append on one call site.
const char* const kChunk = R"vbs(Option Explicit
Dim total, c
Class Counter
  Private n
  Public Sub Add(k): n = n + k: total = total + k: End Sub
  Public Property Get Value: Value = n: End Property
  Public Function Twice(): Twice = Eval("n * 2"): End Function
End Class
Set c = New Counter
Function Bump(k)
  Dim s
  c.Add k
  s = "running total "
  s = s & total & "/" & c.Value & "/" & c.Twice()
  Bump = s
End Function
Function Sized(k)
  ReDim parts(k)
  parts(k) = k
  Sized = Eval("UBound(parts)") + parts(k)
End Function
)vbs";

std::string call(vbs::Engine& e, vbs::Module& m, const char* name, int32_t arg) {
  Variant a(arg);
  return au::CStr(e.run(m, name, au::ArgList(&a, 1)));
}

} // namespace

TEST(Sharing, OneChunkInTwoEnginesKeepsTheirStateApart) {
  au::Context::Scope scope;
  auto chunk = vbs::compile(kChunk);
  vbs::Engine a, b;
  // In b the chunk lives in a named module, with a global of the same name in the global
  // module and a procedure the append's names do not shadow.
  b.addCode(b.globalModule(), "Dim total: total = 1000\nFunction Other(): Other = 1: End Function");
  vbs::Module& ma = a.globalModule();
  vbs::Module& mb = b.addModule("M");
  a.addCode(ma, chunk);
  b.addCode(mb, chunk);
  EXPECT_EQ(call(a, ma, "Bump", 1), "running total 1/1/2");
  EXPECT_EQ(call(b, mb, "Bump", 10), "running total 10/10/20");
  EXPECT_EQ(call(a, ma, "Bump", 2), "running total 3/3/6");
  EXPECT_EQ(call(b, mb, "Bump", 20), "running total 30/30/60");
  EXPECT_EQ(call(a, ma, "Sized", 4), "8");
  EXPECT_EQ(au::CStr(b.eval(b.globalModule(), "total")), "1000");
  // Resetting one engine leaves the other running the chunk.
  a.reset();
  EXPECT_EQ(call(b, mb, "Bump", 1), "running total 31/31/62");
  EXPECT_EQ(call(b, mb, "Sized", 2), "4");
  // A chunk that is not compiled, or an expression, is refused.
  auto parsed = std::shared_ptr<const vbs::Program>(vbs::parse("x = 1"));
  EXPECT_THROW(b.addCode(mb, parsed), au::Error);
}

TEST(Sharing, OneChunkInTwoThreads) {
  auto chunk = vbs::compile(kChunk);
  constexpr int kRounds = 300;
  std::string results[2];
  auto work = [&](int t) {
    au::Context::Scope scope;
    vbs::Engine e;
    vbs::Module& m = e.globalModule();
    e.addCode(m, chunk);
    int32_t step = t + 1;
    std::string last;
    for (int i = 0; i < kRounds; ++i) {
      last = call(e, m, "Bump", step);
      if (call(e, m, "Sized", step) != std::to_string(2 * step)) last = "Sized failed";
    }
    results[t] = last;
  };
  std::thread one(work, 0), two(work, 1);
  one.join();
  two.join();
  EXPECT_EQ(results[0], "running total 300/300/600");
  EXPECT_EQ(results[1], "running total 600/600/1200");
}

} // namespace vbtest
