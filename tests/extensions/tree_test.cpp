// The extension list and the attribute tree's lists: numbering, current items, lookups by
// kind of index, and the single database node.
#include <gtest/gtest.h>

#include "ext_env.h"
#include "platform/automation/members.h"

using namespace quillet;
using namespace quillet::extensions;
using platform::automation::makeRef;
using platform::automation::Variant;
using quillet::testing::ExtTest;

namespace {

class TreeTest : public ExtTest {};

TEST_F(TreeTest, ExtensionListNumbersKeepsCurrentAndLooksUpByNameOnly) {
  auto list = makeRef<RUZExtensions>();
  EXPECT_EQ(list->Count(), 0);
  EXPECT_EQ(list->curSeqText(), "0");
  EXPECT_FALSE(list->Seq(1));
  EXPECT_FALSE(list->Add(""));

  ASSERT_TRUE(list->Add("Sales"));
  ASSERT_TRUE(list->Add("Audit"));
  EXPECT_EQ(list->curName(), "Audit");
  EXPECT_EQ(list->curSeqText(), "2");

  // A present name in other capitals adds nothing and becomes current as spelt.
  EXPECT_TRUE(list->Add("SALES"));
  EXPECT_EQ(list->Count(), 2);
  EXPECT_EQ(list->curName(), "SALES");
  EXPECT_EQ(list->curSeqText(), "1");
  EXPECT_EQ(list->Seq(1)->Name(), "Sales");

  EXPECT_EQ(list->Item(Variant("sales"))->Name(), "Sales");
  EXPECT_EQ(list->curName(), "Sales");
  EXPECT_FALSE(list->Item(Variant(int16_t{1}))); // a number is a name, not a position
  EXPECT_EQ(list->Seq(2)->Name(), "Audit");

  EXPECT_FALSE(list->Delete(Variant("")));
  EXPECT_FALSE(list->Delete(Variant("Missing")));
  EXPECT_TRUE(list->Delete(Variant("sales")));
  EXPECT_EQ(list->Count(), 1);
  EXPECT_EQ(list->Seq(1)->Name(), "Audit");
  EXPECT_EQ(list->curName(), "Sales"); // Delete leaves the current extension alone
}

TEST_F(TreeTest, AddingANameSetDirectlyOnAnotherExtensionAddsIt) {
  // AddExtension takes the extension under the added name at once: it must be there.
  ASSERT_TRUE(AddExtension(access, "Old", "", ""));
  exts()->Seq(1)->setName("New");
  ASSERT_TRUE(AddExtension(access, "New", "new.zip", ""));
  EXPECT_EQ(exts()->Count(), 2);
  EXPECT_EQ(exts()->Item(Variant("New"))->Template(), "new.zip");
}

TEST_F(TreeTest, ExtensionSettingsAndTreeRoot) {
  auto e = makeRef<RUZExtension>();
  EXPECT_EQ(e->Seq(), 0);
  EXPECT_EQ(e->Name(), "");
  EXPECT_FALSE(e->Enabled());
  EXPECT_FALSE(e->IsExtended());
  Ref<RUZExtProj> root = e->PROJ();
  EXPECT_TRUE(e->IsExtended());
  EXPECT_EQ(e->PROJ().get(), root.get());
  e->setKey("X");
  EXPECT_EQ(e->Name(), "X");
  e->setName("Y");
  EXPECT_EQ(e->Key(), "Y");
  // Only the name, archive, definition file and enabled flag are saved.
  std::vector<std::string> saved;
  for (auto& p : e->Properties()->list())
    if (p->FileSave()) saved.push_back(p->Name());
  EXPECT_EQ(saved, (std::vector<std::string>{"Name", "Template", "XmlFile", "Enabled"}));
}

TEST_F(TreeTest, TableListAddChangeDeleteAndCurrent) {
  auto tables = makeRef<RUZExtTables>();
  EXPECT_FALSE(tables->Add(""));
  ASSERT_TRUE(tables->Add("Orders"));
  EXPECT_EQ(tables->Item(Variant("Orders"))->TblSeq(), 1);
  EXPECT_FALSE(tables->Add("orders"));
  EXPECT_TRUE(tables->TableExist(Variant("ORDERS")));
  ASSERT_TRUE(tables->Add("Customers"));
  ASSERT_TRUE(tables->Add("Products"));

  tables->Item(Variant("ORDERS"));
  EXPECT_EQ(tables->curName(), "Orders");
  EXPECT_EQ(tables->curSeq(), 1);

  // Change: letter case only is carried out; the table list keeps curSeq.
  EXPECT_TRUE(tables->Change("Products", "products"));
  EXPECT_EQ(tables->Item(Variant("PRODUCTS"))->TblName(), "products");
  tables->SetSeq(1);
  EXPECT_TRUE(tables->Change("Customers", "Clients"));
  EXPECT_EQ(tables->curName(), "Clients");
  EXPECT_EQ(tables->curSeq(), 1);
  EXPECT_FALSE(tables->Change("Clients", "Orders"));
  EXPECT_FALSE(tables->Change("Absent", "Other"));
  EXPECT_TRUE(tables->Change("Absent", "Absent"));

  // Deleting closes the gap and leaves the current node naming the deleted one.
  tables->Item(Variant("Clients"));
  EXPECT_TRUE(tables->Delete("Clients"));
  EXPECT_EQ(tables->Seq(1)->TblName(), "Orders");
  EXPECT_EQ(tables->Seq(2)->TblName(), "products");
  EXPECT_FALSE(tables->Seq(3));
  EXPECT_EQ(tables->curName(), "Clients");
  EXPECT_FALSE(tables->Delete("Clients"));
}

TEST_F(TreeTest, ItemByKindOfIndex) {
  auto fields = makeRef<RUZExtFields>();
  fields->Add("Id");
  fields->Add("Total");
  fields->Item(Variant("Id"));
  struct Case {
    Variant index;
    const char* found;
  };
  const Case cases[] = {
      {Variant(int16_t{2}), "Total"}, {Variant(int32_t{2}), "Total"}, {Variant(1.5), "Total"},
      {Variant(2.5), "Total"},        {Variant(uint8_t{1}), "Id"},    {Variant("TOTAL"), "Total"},
      {Variant(int16_t{0}), nullptr}, {Variant(int16_t{3}), nullptr}, {Variant(true), nullptr},
      {Variant(), nullptr},           {Variant("Absent"), nullptr}};
  for (const Case& c : cases) {
    fields->SetSeq(1);
    Ref<RUZExtField> f = fields->Item(c.index);
    if (c.found) {
      ASSERT_TRUE(f) << c.found;
      EXPECT_EQ(f->FldName(), c.found);
      EXPECT_EQ(fields->curName(), c.found);
    } else {
      EXPECT_FALSE(f);
      EXPECT_EQ(fields->curName(), "Id");
    }
  }
}

TEST_F(TreeTest, ChartSetItemComparesNamesExactly) {
  auto charts = makeRef<RUZExtCharts>();
  auto fields = makeRef<RUZExtFields>();
  charts->Add("Sales");
  charts->Add("Volume");
  fields->Add("Id");
  fields->Add("Total");
  charts->SetItem(Variant("sales"));
  EXPECT_EQ(charts->curName(), "Volume");
  charts->SetItem(Variant("Sales"));
  EXPECT_EQ(charts->curName(), "Sales");
  fields->SetItem(Variant("id"));
  EXPECT_EQ(fields->curName(), "Id");
  // Change on charts and fields moves curSeq to the renamed node.
  EXPECT_TRUE(charts->Change("Volume", "Units"));
  EXPECT_EQ(charts->curSeq(), 2);
}

TEST_F(TreeTest, DatabaseNodeIsSingleAndKeepsTheErrorText) {
  auto root = makeRef<RUZExtProj>();
  EXPECT_EQ(root->DBCnt(), 0);
  ctx().ProjErr = "Brindlewood: earlier failure";
  Ref<RUZExtDb> db = root->DB();
  EXPECT_EQ(root->DBCnt(), 1);
  EXPECT_EQ(db->DBName(), "DB");
  EXPECT_EQ(ctx().ProjErr, "Brindlewood: earlier failure");
  EXPECT_EQ(root->DB().get(), db.get());

  auto dbs = makeRef<RUZExtDbs>();
  dbs->Add("A");
  dbs->Add("B");
  EXPECT_EQ(ctx().ProjErr, "support 1 db only!");
  EXPECT_EQ(dbs->Count(), 1);
  EXPECT_THROW(dbs->Item(Variant("B")), platform::automation::Error);
  EXPECT_THROW(dbs->Delete(Variant("B")), platform::automation::Error);
  dbs->Delete(Variant("a"));
  EXPECT_EQ(dbs->Count(), 0);
}

TEST_F(TreeTest, TableNodeFixedEntries) {
  auto t = makeRef<RUZExtTable>();
  EXPECT_EQ(t->TblSeq(), 0);
  EXPECT_EQ(t->Key(), "");
  auto bag = t->Properties();
  ASSERT_EQ(bag->Count(), 2);
  EXPECT_EQ(bag->at(1)->Name(), "TblSeq");
  EXPECT_FALSE(bag->at(1)->FileSave());
  EXPECT_EQ(bag->at(2)->Name(), "TblName");
  EXPECT_TRUE(bag->at(2)->FileSave());
}

TEST_F(TreeTest, ScriptsReachTheListsByName) {
  auto root = makeRef<RUZExtProj>();
  Variant r(static_cast<platform::automation::Object*>(root.get()));
  namespace a = platform::automation;
  Variant db = a::get(r, "DB");
  Variant tables = a::get(db, "Tables");
  Variant name("Orders");
  a::invoke(tables, "Add", a::kMethod, a::ArgList(&name, 1));
  EXPECT_EQ(a::CStr(a::get(tables, "curSeq")), "1");
  Variant t = a::invoke(tables, "Item", a::kGetOrCall, a::ArgList(&name, 1));
  EXPECT_EQ(a::CStr(a::get(t, "TblName")), "Orders");
  EXPECT_EQ(a::CLng(a::get(a::get(t, "Charts"), "Count")), 0);
}

} // namespace
