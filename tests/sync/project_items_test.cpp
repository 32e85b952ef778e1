// Custom views and reports added by the user, settings copies between tables, fields and
// charts, and new charts, through the project object's members.
#include <gtest/gtest.h>

#include "sync/sync_env.h"

namespace quillet::testing {
namespace {

namespace automation = platform::automation;

class ProjectItems : public SyncTest {
protected:
  void SetUp() override {
    file = sqliteFile("shop.db", "CREATE TABLE orders (id INTEGER PRIMARY KEY, total REAL,"
                                 " note TEXT);"
                                 "CREATE TABLE archive (id INTEGER PRIMARY KEY, TOTAL REAL,"
                                 " other TEXT);"
                                 "CREATE TABLE spare (id INTEGER);");
    loadSqlite(file);
    ASSERT_EQ(err(), "");
  }
  Variant invoke(const std::string& member, std::vector<Variant> args) {
    return automation::invoke(proj.get(), member, automation::kMethod, automation::ArgList(args));
  }
  bool ok(const std::string& member, std::vector<Variant> args) {
    return automation::CBool(invoke(member, std::move(args)));
  }
  std::string file;
};

TEST_F(ProjectItems, TableAndFieldCopiesTakeTheLooksNotTheState) {
  auto orders = ptable("orders");
  orders->setTblCaption("All orders");
  orders->setTblRecPerPage(50);
  pfield("orders", "total")->setFldCaption("Amount");
  pfield("orders", "total")->setFldHtmlTag("SELECT");
  lang()->SetTablePhrase("en", "orders", "TblCaption", "Orders (en)");
  lang()->SetTablePhrase("fr", "orders", "TblCaption", "");
  lang()->SetFieldPhrase("en", "orders", "total", "FldCaption", "Amount (en)");
  call("UnLoadTable", "spare"); // listed, not loaded
  ASSERT_EQ(err(), "");

  EXPECT_TRUE(ok("CopyTableSettings", {Variant("orders"), Variant("spare")})) << err();
  auto spare = ptable("spare");
  EXPECT_EQ(spare->TblCaption(), "All orders");
  EXPECT_EQ(spare->TblRecPerPage(), 50);
  EXPECT_FALSE(spare->TblLoaded()) << "a copy does not make a table loaded";
  EXPECT_FALSE(spare->TblGen());
  EXPECT_EQ(spare->TblRptSrc(), "spare");
  EXPECT_EQ(spare->TblName(), "spare");
  EXPECT_EQ(lang()->GetTablePhrase("en", "spare", "TblCaption"), "Orders (en)");
  EXPECT_EQ(lang()->GetTablePhrase("fr", "spare", "TblCaption"), "");

  // Fields follow by name, letter case ignored; the catalogue facts stay the target's.
  const std::string otherCaption = pfield("archive", "other")->FldCaption();
  pfield("archive", "TOTAL")->setFldType(3);
  EXPECT_TRUE(ok("CopyTableSettings", {Variant("orders"), Variant("archive")}));
  EXPECT_EQ(pfield("archive", "TOTAL")->FldCaption(), "Amount");
  EXPECT_EQ(pfield("archive", "TOTAL")->FldHtmlTag(), "SELECT");
  EXPECT_EQ(pfield("archive", "TOTAL")->FldName(), "TOTAL");
  EXPECT_EQ(pfield("archive", "TOTAL")->FldType(), 3);
  EXPECT_EQ(pfield("archive", "other")->FldCaption(), otherCaption);
  EXPECT_TRUE(ptable("archive")->TblLoaded());

  EXPECT_TRUE(ok("CopyFieldSettings", {Variant("orders"), Variant("total"), Variant("archive"),
                                       Variant("other")}));
  EXPECT_EQ(pfield("archive", "other")->FldCaption(), "Amount");
  EXPECT_EQ(lang()->GetFieldPhrase("en", "archive", "other", "FldCaption"), "Amount (en)");
  EXPECT_EQ(pfield("archive", "other")->FldType(), pfield("orders", "note")->FldType());

  // Copies that find nothing to copy say so.
  struct Case {
    std::vector<std::string> args;
    const char* error;
  } cases[] = {
      {{"orders", ""}, "Brindlewood: Table  not found!"},
      {{"nothing", "orders"}, "Brindlewood: Table nothing not found!"},
      {{"orders", "total", "archive", "gone"}, "Brindlewood: Field archive.gone not found!"},
      {{"orders", "", "archive", "other"}, "Brindlewood: Field orders. not found!"},
      {{"x", "total", "archive", "other"}, "Brindlewood: Table x not found!"},
  };
  for (const Case& c : cases) {
    std::vector<Variant> args(c.args.begin(), c.args.end());
    const char* member = c.args.size() == 2 ? "CopyTableSettings" : "CopyFieldSettings";
    EXPECT_FALSE(ok(member, args)) << c.error;
    EXPECT_EQ(err(), c.error);
  }
  EXPECT_EQ(pfield("archive", "other")->FldCaption(), "Amount");
}

TEST_F(ProjectItems, ChartsAreAddedAndCopiedWithTheirTrendlines) {
  EXPECT_FALSE(ok("LoadChart", {Variant("c1"), Variant("nothing")}));
  EXPECT_EQ(err(), "Brindlewood: Chart source nothing not exist!");
  EXPECT_TRUE(ok("LoadChart", {Variant("c1"), Variant("orders")})) << err();
  EXPECT_FALSE(ok("LoadChart", {Variant("C1"), Variant("orders")}));
  EXPECT_EQ(err(), "Brindlewood: Chart C1 already exists!");
  EXPECT_TRUE(menus()->MenuHasTable("Chart", "orders|c1"));

  auto c1 = ptable("orders")->Charts()->Item(Variant("c1"));
  c1->setChartType(7);
  c1->setChartCaption("First");
  for (const char* t : {"low", "high"}) {
    ASSERT_TRUE(c1->Trendlines()->Add(t));
    c1->Trendlines()->Item(Variant(t))->setTrendColor(std::string(t) + "-colour");
  }
  EXPECT_FALSE(ok("CopyChart", {Variant("none"), Variant("c2"), Variant("orders")}));
  EXPECT_EQ(err(), "Brindlewood: Chart none does not exist!");
  EXPECT_FALSE(ok("CopyChart", {Variant("c1"), Variant("C1"), Variant("orders")}));
  EXPECT_EQ(err(), "Brindlewood: Chart C1 already exists!");
  EXPECT_EQ(ptable("orders")->Charts()->Count(), 1);

  EXPECT_TRUE(ok("CopyChart", {Variant("c1"), Variant("c2"), Variant("orders")})) << err();
  EXPECT_EQ(err(), "");
  auto c2 = ptable("orders")->Charts()->Item(Variant("c2"));
  EXPECT_EQ(c2->ChartType(), 7);
  EXPECT_NE(c2->ChartCaption(), "First") << "the copy keeps the caption a new chart gets";
  auto trends = c2->Trendlines();
  ASSERT_EQ(trends->Count(), 2);
  EXPECT_EQ(trends->Seq(1)->TrendName(), "low");
  EXPECT_EQ(trends->Seq(2)->TrendName(), "high");
  EXPECT_EQ(trends->Seq(2)->TrendColor(), "high-colour");
  EXPECT_TRUE(menus()->MenuHasTable("Chart", "orders|c2"));
}

TEST_F(ProjectItems, ReportsStartAsCopiesOfTheirSource) {
  pfield("orders", "total")->setFldCaption("Amount");
  pfield("orders", "total")->setFldAdd(true);
  pfield("orders", "total")->setFldSearch(true);
  ptable("orders")->setTblSecurity("owner");
  call("UnLoadTable", "spare");

  struct Refusal {
    const char *name, *source, *error;
  } refusals[] = {
      {"Orders", "orders", "Brindlewood: Table/View Orders already exists!"},
      {"r", "spare", "Brindlewood: Table/View spare not exist or loaded!"},
      {"r", "ORDERS", "Brindlewood: Table/View ORDERS not exist or loaded!"},
  };
  for (const Refusal& r : refusals) {
    EXPECT_FALSE(ok("LoadReport", {Variant(r.name), Variant(r.source)})) << r.name;
    EXPECT_EQ(err(), r.error);
  }
  EXPECT_TRUE(ok("LoadReport", {Variant("by_orders"), Variant("orders")})) << err();
  auto rpt = ptable("by_orders");
  EXPECT_EQ(rpt->TblType(), "REPORT");
  EXPECT_EQ(rpt->TblRptSrc(), "orders");
  EXPECT_TRUE(rpt->TblLoaded());
  EXPECT_EQ(rpt->TblSecurity(), "owner");
  EXPECT_EQ(fields("by_orders"), fields("orders"));
  auto total = pfield("by_orders", "total");
  EXPECT_EQ(total->FldCaption(), "Amount");
  EXPECT_EQ(total->FldType(), pfield("orders", "total")->FldType());
  EXPECT_FALSE(total->FldAdd());
  EXPECT_FALSE(total->FldSearch());
  EXPECT_TRUE(menus()->MenuHasTable("Table", "by_orders"));
}

TEST_F(ProjectItems, SourceExpressionsAreResolvedAgainstTheProject) {
  auto db = proj->DB();
  db->setDBQuoteS("[");
  db->setDBQuoteE("]");
  struct Case {
    const char *source, *table, *field;
  } cases[] = {
      {"orders.total", "orders", "total"},
      {" [ORDERS] . [Total] ", "ORDERS", "Total"},
      {"orders.total.x", "", ""},
      {"total", "", ""},
      {"orders.gone", "", ""},
      {"[].total", "", ""},
  };
  for (const Case& c : cases) {
    auto f = automation::makeRef<model::RUZField>();
    f->setFldSourceName(c.source);
    sync::ResolveSourceField(*db, *f);
    EXPECT_EQ(f->FldSourceTable(), c.table) << c.source;
    EXPECT_EQ(f->FldSourceField(), c.field) << c.source;
  }
}

TEST_F(ProjectItems, CustomViewsAreLoadedAndTurnedIntoViews) {
  pfield("orders", "total")->setFldCaption("Amount");
  invoke("LoadCustomView",
         {Variant("Orders"), Variant("SELECT id, total FROM orders"), Variant(true)});
  EXPECT_EQ(err(), "Brindlewood: Table/View Orders already exists!");
  invoke("LoadCustomView",
         {Variant("cv"), Variant("SELECT orders.total, orders.id FROM orders"), Variant(true)});
  ASSERT_EQ(err(), "");
  auto cv = ptable("cv");
  ASSERT_TRUE(cv);
  EXPECT_EQ(cv->TblType(), "CUSTOMVIEW");
  EXPECT_TRUE(menus()->MenuHasTable("Table", "cv"));
  EXPECT_EQ(pfield("cv", "total")->FldSourceTable(), "orders");
  EXPECT_EQ(pfield("cv", "total")->FldCaption(), "Amount") << "settings copied from the source";

  auto change = [&](const char* from, const char* to) {
    ctx().ProjErr.clear();
    return ok("ChangeCustomViewToView", {Variant(from), Variant(to)});
  };
  // Every refusal leaves the custom view as it was.
  makeSqlite(file, "CREATE VIEW wide AS SELECT id, total, note FROM orders;"
                   "CREATE VIEW v_orders AS SELECT id, total FROM orders;");
  struct Refusal {
    const char *from, *to, *error;
  } refusals[] = {
      {"", "v_orders", ""},
      {"nothing", "v_orders", ""},
      {"orders", "v_orders", "Brindlewood: source table is not a custom view!"},
      {"cv", "wide", "Brindlewood: fields mismatched!"},
      {"cv", "absent", "Brindlewood: load view failed!"},
      {"cv", "ARCHIVE", "Brindlewood: Table/View ARCHIVE already exists!"},
  };
  for (const Refusal& r : refusals) {
    EXPECT_FALSE(change(r.from, r.to)) << r.from << " " << r.to;
    EXPECT_EQ(err(), r.error);
    EXPECT_EQ(cv->TblName(), "cv");
    EXPECT_EQ(cv->TblType(), "CUSTOMVIEW");
    EXPECT_NE(cv->TblCustomSQL(), "");
  }
  cv->setTblCustomError("broken");
  EXPECT_FALSE(change("cv", "v_orders"));
  EXPECT_EQ(err(), "Brindlewood: custom view has error!");
  cv->setTblCustomError("");

  // Columns in another order still match by name.
  EXPECT_TRUE(change("cv", "v_orders")) << err();
  EXPECT_EQ(cv->TblName(), "v_orders");
  EXPECT_EQ(cv->TblType(), "VIEW");
  EXPECT_EQ(cv->TblRptSrc(), "v_orders");
  EXPECT_EQ(cv->TblCustomSQL(), "");
  EXPECT_EQ(fields("v_orders"), (std::vector<std::string>{"total", "id"}));
  EXPECT_EQ(pfield("v_orders", "total")->FldSourceName(), "");
  EXPECT_EQ(pfield("v_orders", "total")->FldCaption(), "Amount");
  EXPECT_FALSE(proj->DB()->Tables()->TableExist(Variant("cv")));
}

TEST_F(ProjectItems, WithoutADatabaseEveryMemberSaysSo) {
  invoke("UnLoadDB", {});
  ASSERT_FALSE(proj->DB());
  invoke("LoadCustomView", {Variant("cv"), Variant("SELECT 1"), Variant(false)});
  EXPECT_EQ(err(), "Brindlewood: Database not loaded!");
  for (auto& [member, args] : std::vector<std::pair<std::string, std::vector<Variant>>>{
           {"ChangeCustomViewToView", {Variant("cv"), Variant("v")}},
           {"LoadReport", {Variant("r"), Variant("orders")}},
           {"CopyTableSettings", {Variant("a"), Variant("b")}},
           {"CopyFieldSettings", {Variant("a"), Variant("x"), Variant("b"), Variant("y")}},
           {"LoadChart", {Variant("c"), Variant("orders")}},
           {"CopyChart", {Variant("c"), Variant("d"), Variant("orders")}},
       }) {
    ctx().ProjErr.clear();
    EXPECT_FALSE(ok(member, args)) << member;
    EXPECT_EQ(err(), "Brindlewood: Database not loaded!") << member;
  }
}

} // namespace
} // namespace quillet::testing
