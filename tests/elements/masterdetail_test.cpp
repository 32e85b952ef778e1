#include <gtest/gtest.h>

#include "elements/masterdetail.h"
#include "elements/model_env.h"
#include "platform/automation/factory.h"

using namespace quillet;
using namespace quillet::elements;
using platform::automation::Variant;
using quillet::testing::ModelTest;

namespace {

class MasterDetailTest : public ModelTest {};

TEST_F(MasterDetailTest, ListKeepsOneLinkPerPairAndRenumbers) {
  RUZMasterDetails l;
  EXPECT_FALSE(l.Add("", "D"));
  EXPECT_TRUE(l.Add("Customers", "Orders"));
  EXPECT_TRUE(l.Add("Orders", "Lines"));
  EXPECT_TRUE(l.Add("A", "B"));
  EXPECT_TRUE(l.Add("Customers", "Orders"));
  EXPECT_EQ(l.Count(), 3);
  EXPECT_EQ(l.curMasterTable(), "Customers");
  EXPECT_EQ(l.curSeq(), 3);
  // The same pair in other capitals passes the exact test but not the keys.
  EXPECT_THROW(l.Add("customers", "orders"), platform::automation::Error);
  EXPECT_EQ(l.curSeq(), 3);
  EXPECT_EQ(l.Count(), 3);

  Ref<RUZMasterDetail> held = l.Item("Orders", "Lines");
  EXPECT_EQ(l.curSeq(), 2);
  EXPECT_FALSE(l.Delete("orders", "lines"));
  EXPECT_TRUE(l.Delete("Orders", "Lines"));
  EXPECT_EQ(held->Seq(), 1);
  EXPECT_EQ(l.Seq(2)->MasterTable(), "A");
  EXPECT_FALSE(l.Seq(0));
  EXPECT_FALSE(l.Item("a", "b"));
}

TEST_F(MasterDetailTest, NamesHoldingTheSeparatorAreDistinctLinks) {
  RUZMasterDetails l;
  EXPECT_TRUE(l.Add("A__B", "C"));
  EXPECT_TRUE(l.Add("A", "B__C"));
  EXPECT_EQ(l.Count(), 2);
  EXPECT_TRUE(l.Delete("A", "B__C"));
  EXPECT_EQ(l.Item("A__B", "C")->Seq(), 1);
}

TEST_F(MasterDetailTest, FieldPairs) {
  RUZMasterDetail m;
  EXPECT_TRUE(m.AddRelation("X", "Y"));
  EXPECT_FALSE(m.AddRelation("X", "Z"));
  EXPECT_FALSE(m.AddRelation("W", "Y"));
  EXPECT_FALSE(m.AddRelation("", "Z"));
  EXPECT_TRUE(m.AddRelation("W", "Z"));
  EXPECT_EQ(m.CurrentField(), 2);
  m.setCurrentField(0);
  m.setCurrentField(3);
  EXPECT_EQ(m.CurrentField(), 2);
  EXPECT_TRUE(m.DeleteRelation("W", "Y")); // the first pair matches on its detail field
  EXPECT_EQ(m.FieldCount(), 1);
  EXPECT_EQ(m.MasterField(1), "W");
  EXPECT_EQ(m.CurrentField(), 1);
  m.setCurrentMasterField("V");
  EXPECT_EQ(m.CurrentMasterField(), "V");
  EXPECT_TRUE(m.DeleteRelation("V", "Z"));
  EXPECT_EQ(m.CurrentField(), 0);
  EXPECT_EQ(m.CurrentMasterField(), "");
  EXPECT_EQ(m.MasterField(0), "");
}

} // namespace

namespace {

TEST_F(MasterDetailTest, CreatableByProgId) {
  registerElementClasses();
  auto obj = platform::automation::create("quillet.ruzmasterdetails");
  Variant list(static_cast<platform::automation::Object*>(obj.get()));
  std::vector<Variant> args{Variant("M"), Variant("D")};
  EXPECT_TRUE(platform::automation::CBool(platform::automation::invoke(
      list, "Add", platform::automation::kMethod, platform::automation::ArgList(args))));
  EXPECT_EQ(platform::automation::CLng(platform::automation::get(list, "Count")), 1);
  EXPECT_TRUE(platform::automation::isRegistered("Quillet.RUZCharts"));
}

} // namespace
