#include <gtest/gtest.h>

#include "elements/model_env.h"
#include "elements/trend.h"

using namespace quillet;
using namespace quillet::elements;
using platform::automation::Variant;
using quillet::testing::ModelTest;

namespace {

class TrendTest : public ModelTest {
protected:
  Ref<RUZTrends> trends = platform::automation::makeRef<RUZTrends>();
  std::vector<std::string> names() {
    std::vector<std::string> out;
    for (auto& t : trends->items().list())
      out.push_back(t->TrendName() + ":" + std::to_string(t->TrendSeq()));
    return out;
  }
};

TEST_F(TrendTest, AddTakesRegistryDefaults) {
  setDefault(ctx().TrendlineDefaultsKey, "TrendStartValue", Variant(int32_t(12)), 4);
  setDefault(ctx().TrendlineDefaultsKey, "TrendShow", Variant("True"), 1);
  ASSERT_TRUE(trends->Add("Target"));
  Ref<RUZTrend> t = trends->Item(Variant("target"));
  EXPECT_EQ(t->TrendStartValue(), 12.0);
  EXPECT_FALSE(t->TrendShow()); // no registry default
  EXPECT_EQ(trends->curName(), "Target");
  EXPECT_TRUE(trends->Add("TARGET"));
  EXPECT_EQ(trends->Count(), 1);
  EXPECT_EQ(trends->curName(), "TARGET");
  EXPECT_FALSE(trends->Add(""));
}

TEST_F(TrendTest, ChangeLetsTheCollectionRefuseATakenName) {
  trends->Add("A");
  trends->Add("B");
  EXPECT_TRUE(trends->Change("A", "a"));
  EXPECT_TRUE(trends->Change("a", "a"));
  EXPECT_FALSE(trends->Change("Z", "Y"));
  try {
    trends->Change("a", "b");
    FAIL();
  } catch (const platform::automation::Error& e) {
    EXPECT_EQ(e.number(), 457);
  }
  EXPECT_EQ(names(), (std::vector<std::string>{"a:1", "B:2"}));
}

TEST_F(TrendTest, DeleteRenumbers) {
  for (auto n : {"T1", "T2", "T3", "T4"})
    trends->Add(n);
  EXPECT_TRUE(trends->Delete(Variant("t1")));
  EXPECT_FALSE(trends->Delete(Variant("")));
  EXPECT_FALSE(trends->Delete(Variant("T9")));
  EXPECT_EQ(names(), (std::vector<std::string>{"T2:1", "T3:2", "T4:3"}));
  EXPECT_FALSE(trends->Item(Variant(int16_t(0))));
  EXPECT_FALSE(trends->Item(Variant(int16_t(4))));
}

} // namespace

namespace {

TEST_F(TrendTest, PositionsBeyondSixteenBitsDoNotOverflow) {
  trends->Add("A");
  trends->Add("B");
  // As in a collection of more than 32,767 items: positions past the 16-bit range are Long.
  trends->Item(Variant("A"))->setValue("TrendSeq", Variant(int32_t(40000)));
  trends->Item(Variant("B"))->setValue("TrendSeq", Variant(int32_t(40001)));
  EXPECT_EQ(trends->Seq(40001)->TrendName(), "B");
  EXPECT_TRUE(trends->Delete(Variant("A")));
  Ref<RUZTrend> b = trends->Seq(40000);
  ASSERT_TRUE(b);
  EXPECT_EQ(b->value("TrendSeq").varType(), 3);
  EXPECT_EQ(trends->curName(), "B");
  trends->Item(Variant("B"));
  EXPECT_EQ(trends->curSeqValue().varType(), 3);
  // Lowered back into the 16-bit range, the position is an Integer again.
  b->setValue("TrendSeq", Variant(int32_t(32768)));
  trends->Add("C");
  trends->Item(Variant("C"))->setValue("TrendSeq", Variant(int16_t(1)));
  trends->Delete(Variant("C"));
  EXPECT_EQ(b->value("TrendSeq").varType(), 2);
  EXPECT_EQ(b->TrendSeq(), 32767);
}

} // namespace
