#include <gtest/gtest.h>

#include <limits>

#include "core/identifiers.h"
#include "core/text_helpers.h"
#include "elements/chart.h"
#include "elements/model_env.h"

using namespace quillet;
using namespace quillet::elements;
using platform::automation::Variant;
using quillet::testing::ModelTest;

namespace {

class ChartTest : public ModelTest {
protected:
  Ref<RUZCharts> charts = platform::automation::makeRef<RUZCharts>();
  std::vector<std::string> names() {
    std::vector<std::string> out;
    for (auto& c : charts->items().list())
      out.push_back(c->ChartName());
    return out;
  }
  std::vector<int16_t> seqs() {
    std::vector<int16_t> out;
    for (auto& c : charts->items().list())
      out.push_back(c->ChartSeq());
    return out;
  }
};

TEST_F(ChartTest, NewChartTakesCatalogueAndRegistryDefaults) {
  setDefault(ctx().ChartDefaultsKey, "ChartWidth", Variant(int32_t(600)), 4);
  setDefault(ctx().ChartDefaultsKey, "ShowChart", Variant("True"), 1);
  setDefault(ctx().ChartDefaultsKey, "ChartXAxisName", Variant("not read"), 1);
  ASSERT_TRUE(charts->Add("Orders", "Sales by-Month"));
  Ref<RUZChart> c = charts->Item(Variant("sales BY-month"));
  ASSERT_TRUE(c);
  EXPECT_EQ(c->ChartSeq(), 1);
  EXPECT_EQ(c->ChartWidth(), 600);
  EXPECT_TRUE(c->ShowChart());
  EXPECT_EQ(c->ChartXAxisName(), "");
  EXPECT_EQ(c->GetV("ChartXAxisName"), "");
  EXPECT_EQ(c->GetV("ChartHeight"), "0"); // RegSave: holds a typed value once read
  EXPECT_EQ(c->ChartVar(), "Sales_by2DMonth");
  EXPECT_EQ(c->ChartCaption(), core::NameToCaption("Sales by-Month"));
  EXPECT_EQ(charts->curName(), "Sales by-Month");
  EXPECT_EQ(charts->curSeq(), 1);
  // Catalogue order is the bag order; the file carries all but ChartSeq and ChartVar.
  auto props = c->Properties()->list();
  ASSERT_EQ(props.size(), 37u);
  EXPECT_EQ(props[0]->Name(), "ChartSeq");
  EXPECT_EQ(props[36]->Name(), "ChartPosition");
  int saved = 0, regSaved = 0, synced = 0;
  for (auto& p : props) {
    saved += p->FileSave();
    regSaved += p->RegSave();
    synced += p->Sync();
  }
  EXPECT_EQ(saved, 35);
  EXPECT_EQ(regSaved, 22);
  EXPECT_EQ(synced, 34);
}

TEST_F(ChartTest, AddOfAPresentNameMakesItCurrent) {
  charts->Add("T", "Sales");
  charts->Add("T", "Other");
  EXPECT_TRUE(charts->Add("T", "SALES"));
  EXPECT_EQ(charts->Count(), 2);
  EXPECT_EQ(names(), (std::vector<std::string>{"Sales", "Other"}));
  EXPECT_EQ(charts->curName(), "SALES");
  EXPECT_EQ(charts->curSeq(), 1);
  EXPECT_FALSE(charts->Add("T", ""));
}

TEST_F(ChartTest, ChangeRenamesKeyNameVarMenuAndExtensions) {
  charts->Add("Orders", "Sales");
  charts->Add("Orders", "Other");
  menus()->AddMenu(-1, "S", -1, "", "", 0, "", "Orders|Sales", "Chart");
  menus()->AddMenu(-1, "s", -1, "", "", 0, "", "orders|SALES", "Chart"); // other spelling
  menus()->AddMenu(-1, "t", -1, "", "", 0, "", "Other|Sales", "Chart");
  lang()->SetChartPhrase("en", "Orders", "Sales", "ChartCaption", "Umsatz");

  EXPECT_TRUE(charts->Change("Orders", "Sales", "Sales"));
  EXPECT_TRUE(upkeepLog->calls.empty());
  EXPECT_FALSE(charts->Change("Orders", "Sales", "OTHER"));
  EXPECT_FALSE(charts->Change("Orders", "Missing", "X"));
  EXPECT_FALSE(charts->Change("Orders", "", "X"));

  EXPECT_TRUE(charts->Change("Orders", "sales", "Revenue"));
  EXPECT_EQ(names(), (std::vector<std::string>{"Revenue", "Other"}));
  Ref<RUZChart> c = charts->Item(Variant("REVENUE"));
  EXPECT_EQ(c->ChartVar(), "Revenue");
  EXPECT_EQ(c->ChartCaption(), core::NameToCaption("Sales"));
  EXPECT_EQ(charts->curName(), "Revenue");
  EXPECT_EQ(upkeepLog->calls, (std::vector<std::string>{"RenameChart Orders Sales Revenue"}));
  EXPECT_EQ(menus()->at(1)->MenuUrl, "Orders|Revenue");
  EXPECT_EQ(menus()->at(2)->MenuUrl, "orders|Revenue");
  EXPECT_EQ(menus()->at(3)->MenuUrl, "Other|Sales");
  // Phrase overrides stay under the old name.
  EXPECT_EQ(lang()->GetChartPhrase("en", "Orders", "Sales", "ChartCaption"), "Umsatz");

  EXPECT_TRUE(charts->Change("Orders", "Revenue", "REVENUE"));
  EXPECT_EQ(names().front(), "REVENUE");
}

TEST_F(ChartTest, DeleteRenumbersAndRemovesMenuPhrasesAndExtensions) {
  for (auto n : {"A", "Sales", "C"})
    charts->Add("Orders", n);
  menus()->AddMenu(-1, "x", -1, "", "", 0, "", "Orders|Sales", "Chart");
  menus()->AddMenu(-1, "y", -1, "", "", 0, "", "Orders|Sales", "Table");  // other type
  menus()->AddMenu(-1, "z", -1, "", "", 0, "", "Orders|Sales", "", true); // custom url
  menus()->AddMenu(-1, "w", -1, "", "", 0, "", "Orders|C", "Chart");
  lang()->SetChartPhrase("en", "Orders", "Sales", "ChartCaption", "1");
  lang()->SetChartPhrase("en", "Orders", "sales", "ChartCaption", "2");
  lang()->SetChartPhrase("en", "Orders", "C", "ChartCaption", "3");

  EXPECT_FALSE(charts->Delete("Orders", Variant("Nope")));
  EXPECT_FALSE(charts->Delete("Orders", Variant("")));
  EXPECT_EQ(menus()->Count(), 4);
  EXPECT_TRUE(upkeepLog->calls.empty());

  EXPECT_TRUE(charts->Delete("Orders", Variant("SALES")));
  EXPECT_EQ(names(), (std::vector<std::string>{"A", "C"}));
  EXPECT_EQ(seqs(), (std::vector<int16_t>{1, 2}));
  EXPECT_EQ(upkeepLog->calls, (std::vector<std::string>{"DeleteChart Orders Sales"}));
  ASSERT_EQ(menus()->Count(), 2);
  EXPECT_EQ(menus()->at(1)->MenuText, "z");
  EXPECT_EQ(menus()->at(2)->MenuText, "w");
  ASSERT_EQ(lang()->ChartCount(), 1);
  EXPECT_EQ(lang()->ChartItem(1)->fields[2], "C");
}

TEST_F(ChartTest, DeleteByNumberRemovesThatPosition) {
  for (auto n : {"2", "First", "Third"})
    charts->Add("T", n);
  // The chart at position 2 goes, not the chart named "2".
  EXPECT_TRUE(charts->Delete("T", Variant(int16_t(2))));
  EXPECT_EQ(names(), (std::vector<std::string>{"2", "Third"}));
  EXPECT_FALSE(charts->Delete("T", Variant(int32_t(5))));
}

TEST_F(ChartTest, ItemSeqAndTheCurrentChart) {
  for (auto n : {"A", "B"})
    charts->Add("T", n);
  charts->Item(Variant(int16_t(1)));
  EXPECT_EQ(charts->curName(), "A");
  for (Variant v : {Variant(int16_t(0)), Variant(3.0), Variant("Z"),
                    Variant(platform::automation::DateTime{2.0}), Variant(),
                    Variant(std::numeric_limits<double>::quiet_NaN()), Variant(1e300)})
    EXPECT_FALSE(charts->Item(v));
  EXPECT_EQ(charts->curName(), "A");
  EXPECT_EQ(charts->Item(Variant(1.6))->ChartName(), "B");
  EXPECT_EQ(charts->Seq(2)->ChartName(), "B");
  EXPECT_FALSE(charts->Seq(3));
  EXPECT_EQ(charts->curName(), "B");
  // Two charts numbered alike by hand: deleting one lowers the other.
  charts->Item(Variant("A"))->setChartSeq(2);
  EXPECT_TRUE(charts->Delete("T", Variant("B")));
  EXPECT_EQ(seqs(), (std::vector<int16_t>{1}));
}

TEST_F(ChartTest, MembersByName) {
  charts->Add("T", "Sales");
  Variant list(static_cast<platform::automation::Object*>(charts.get()));
  EXPECT_EQ(platform::automation::CStr(platform::automation::get(list, "curSeq")), "1");
  Variant idx("Sales");
  Variant chart = platform::automation::invoke(list, "Item", platform::automation::kGetOrCall,
                                               platform::automation::ArgList(&idx, 1));
  platform::automation::let(chart, "ChartWidth", Variant("250"));
  EXPECT_EQ(platform::automation::get(chart, "ChartWidth").varType(), 2);
  EXPECT_EQ(platform::automation::CStr(platform::automation::get(chart, "Key")), "Sales");
  Variant trends = platform::automation::get(chart, "Trendlines");
  EXPECT_EQ(platform::automation::CLng(platform::automation::get(trends, "Count")), 0);
}

} // namespace
