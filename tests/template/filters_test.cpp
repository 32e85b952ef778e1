#include <gtest/gtest.h>

#include "core/registry.h"
#include "core/test_env.h"
#include "platform/automation/convert.h"
#include "project/state.h"
#include "template/filters.h"

namespace quillet::testing {
namespace {

using namespace templating;
using platform::automation::makeRef;

class FiltersTest : public CoreTest {
protected:
  const std::string key = "Software\\Brindlewood\\4.0\\AdvancedFilters";
  void option(const std::string& group, const std::string& name, const Variant& order,
              const std::string& expr = "x") {
    std::string path = key + "\\" + group + (name.empty() ? "" : "\\" + name);
    int32_t type = 1;
    if (name.empty()) {
      core::RegSetValue(Variant("HKCU"), Variant(path), Variant("Note"), type, Variant("g"));
      return;
    }
    core::RegSetValue(Variant("HKCU"), Variant(path), Variant("EvalString"), type, Variant(expr));
    if (order.isEmpty()) return;
    type = order.isString() ? 1 : 4;
    core::RegSetValue(Variant("HKCU"), Variant(path), Variant("Order"), type, order);
  }
  Ref<RUZFilter> filters = makeRef<RUZFilter>();
};

TEST_F(FiltersTest, GroupsAndOptionsInOrder) {
  option("A", "z", Variant(int32_t(30)), "[z] = 1");
  option("A", "x", Variant(int32_t(10)), "[x] > 2");
  option("A", "y", Variant(int32_t(20)));
  option("B", "only", Variant(int32_t(7)), "");
  option("Empty", "", Variant());
  project::projectState().AdvancedFiltersKey = key;
  filters->Load();

  ASSERT_EQ(filters->GroupCount(), 3);
  std::vector<std::string> groups;
  for (int32_t i = 1; i <= 3; ++i)
    groups.push_back(filters->GroupName(Variant(i)));
  std::sort(groups.begin(), groups.end());
  EXPECT_EQ(groups, (std::vector<std::string>{"A", "B", "Empty"}));
  for (const Variant& outside : {Variant(int32_t(0)), Variant(int32_t(4)), Variant("x")})
    EXPECT_EQ(filters->GroupName(outside), "");

  EXPECT_EQ(filters->OptionCount(Variant("a")), 3);
  EXPECT_EQ(filters->OptionName(Variant("a"), Variant(int32_t(1))), "x");
  EXPECT_EQ(filters->OptionName(Variant("A"), Variant("2")), "y");
  EXPECT_EQ(filters->OptionName(Variant("A"), Variant(3.0)), "z");
  EXPECT_EQ(filters->Expression(Variant("A"), Variant(int32_t(1))), "[x] > 2");
  EXPECT_EQ(filters->Expression(Variant("a"), Variant(int32_t(3))), "[z] = 1");
  EXPECT_EQ(filters->OptionName(Variant("A"), Variant(int32_t(4))), "");
  EXPECT_EQ(filters->Expression(Variant("A"), Variant(int32_t(4))), "");
  // A single option numbered 1 whatever its stored Order; an empty expression stays empty.
  EXPECT_EQ(filters->OptionName(Variant("b"), Variant(int32_t(1))), "only");
  EXPECT_EQ(filters->Expression(Variant("b"), Variant(int32_t(1))), "");
  EXPECT_EQ(filters->OptionCount(Variant("Empty")), 0);
  EXPECT_EQ(filters->OptionCount(Variant("nothing")), 0);

  // Load reads afresh.
  option("A", "w", Variant(int32_t(5)));
  filters->Load();
  EXPECT_EQ(filters->OptionCount(Variant("A")), 4);
  EXPECT_EQ(filters->OptionName(Variant("A"), Variant(int32_t(1))), "w");
}

TEST_F(FiltersTest, OrderMissingOrNotWholeGoesLast) {
  option("G", "none", Variant());
  option("G", "text", Variant("2.5"));
  option("G", "second", Variant("9"));
  option("G", "first", Variant(int32_t(-1)));
  filters->Load(key);
  EXPECT_EQ(filters->OptionName(Variant("g"), Variant(int32_t(1))), "first");
  EXPECT_EQ(filters->OptionName(Variant("g"), Variant(int32_t(2))), "second");
  std::vector<std::string> last = {filters->OptionName(Variant("g"), Variant(int32_t(3))),
                                   filters->OptionName(Variant("g"), Variant(int32_t(4)))};
  std::sort(last.begin(), last.end());
  EXPECT_EQ(last, (std::vector<std::string>{"none", "text"}));
}

TEST_F(FiltersTest, NoFiltersKey) {
  filters->Load(key);
  EXPECT_EQ(filters->GroupCount(), 0);
  EXPECT_EQ(filters->GroupName(Variant(int32_t(1))), "");
  EXPECT_EQ(filters->OptionCount(Variant("A")), 0);
  EXPECT_EQ(filters->OptionName(Variant("A"), Variant(int32_t(1))), "");
}

} // namespace
} // namespace quillet::testing
