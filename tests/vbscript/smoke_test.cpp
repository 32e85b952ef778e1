#include "harness.h"

namespace vbtest {

TEST(Smoke, EchoesArithmeticAndStrings) {
  EXPECT_EQ(runScript("Out.Echo 1 + 2\nOut.Echo \"a\" & \"b\""), "3\nab\n");
}

} // namespace vbtest
