#include <gtest/gtest.h>

#include "support/errors.h"

#include "platform/automation/lazy_library.h"

using namespace quillet::platform::automation;
using quillet::testing::errorOf;

namespace {

TEST(LazyLibrary, GivesTheLibrarysFunctionsAndNamesWhatIsMissing) {
  LazyLibrary libm("libm.so.6");
  auto cosine = reinterpret_cast<double (*)(double)>(libm.function("cos"));
  EXPECT_EQ(cosine(0.0), 1.0);
  EXPECT_EQ(errorOf([&] { libm.function("quillet_no_such_function"); }), 453);

  LazyLibrary absent("libquillet-no-such-library.so.1");
  EXPECT_EQ(errorOf([&] { absent.function("cos"); }), 48);
  EXPECT_EQ(errorOf([&] { absent.function("cos"); }), 48); // tried again, not remembered
}

} // namespace
