#include <gtest/gtest.h>

#include "elements/model_env.h"
#include "model/controlitems.h"

using namespace quillet;
using namespace quillet::model;
using platform::automation::Variant;
using quillet::testing::ModelTest;

namespace {

class ControlItemsTest : public ModelTest {};

TEST_F(ControlItemsTest, KeyedByIdWithoutRegardToCase) {
  AGControlItems l;
  EXPECT_FALSE(l.Add("", "x", true, ""));
  EXPECT_TRUE(l.Add("@css", "styles.css", true, "Create CSS file"));
  EXPECT_FALSE(l.Add("@CSS", "other", false, ""));
  EXPECT_TRUE(l.Add("1", "one.aspx", false, ""));
  EXPECT_TRUE(l.Add("@logo", "logo.png", true, "Copy logo"));
  EXPECT_EQ(l.Count(), 3);
  EXPECT_EQ(l.Item(Variant("@CSS"))->ItemFn, "styles.css");
  EXPECT_EQ(l.Item(Variant(int16_t(3)))->ItemId, "@logo");
  for (Variant v :
       {Variant(int16_t(0)), Variant(int16_t(4)), Variant("none"), Variant(true), Variant()})
    EXPECT_FALSE(l.Item(v));
  EXPECT_TRUE(l.ItemExist(Variant(int16_t(1)))); // the id "1", at position 2
  EXPECT_FALSE(l.ItemExist(Variant(int16_t(3))));
}

TEST_F(ControlItemsTest, DeleteRemovesTheItemTheIndexNames) {
  AGControlItems l;
  for (auto id : {"a", "2", "c"})
    l.Add(id, "", false, "");
  EXPECT_FALSE(l.Delete(Variant("")));
  EXPECT_FALSE(l.Delete(Variant("zz")));
  EXPECT_TRUE(l.Delete(Variant(int16_t(3)))); // position 3
  EXPECT_EQ(l.Count(), 2);
  EXPECT_TRUE(l.Delete(Variant("2")));
  EXPECT_EQ(l.Item(Variant(int16_t(1)))->ItemId, "a");
  EXPECT_EQ(l.Count(), 1);
}

TEST_F(ControlItemsTest, KeyAndItemIdAreOneValue) {
  auto item = platform::automation::makeRef<AGControlItem>();
  Variant v(static_cast<platform::automation::Object*>(item.get()));
  platform::automation::let(v, "Key", Variant("k1"));
  EXPECT_EQ(platform::automation::CStr(platform::automation::get(v, "ItemId")), "k1");
  platform::automation::let(v, "ItemGen", Variant(true));
  EXPECT_TRUE(platform::automation::CBool(platform::automation::valueOf(v)));
}

} // namespace
