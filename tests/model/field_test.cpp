#include <gtest/gtest.h>

#include "core/identifiers.h"
#include "elements/model_env.h"
#include "model/field.h"

using namespace quillet;
using namespace quillet::model;
using platform::automation::Variant;
using quillet::testing::ModelTest;

namespace {

class FieldTest : public ModelTest {
protected:
  Ref<RUZFields> fields = platform::automation::makeRef<RUZFields>();
  std::vector<std::string> names() {
    std::vector<std::string> out;
    for (auto& f : fields->items().list())
      out.push_back(f->FldName() + ":" + std::to_string(f->FldSeq()));
    return out;
  }
};

TEST_F(FieldTest, CatalogueOrderFlagsAndDefaults) {
  setDefault(ctx().FieldDefaultsKey, "FldNumDigits", Variant(int32_t(2)), 4);
  setDefault(ctx().FieldDefaultsKey, "FldTagASuffix", Variant("not read"), 1);
  RUZField f;
  auto props = f.Properties()->list();
  ASSERT_EQ(props.size(), 121u);
  EXPECT_EQ(props[0]->Name(), "FldSync");
  EXPECT_EQ(props[46]->Name(), "FldVar");
  EXPECT_EQ(props[120]->Name(), "FldMemoCRLFReplace");
  int fileSave = 0, sync = 0, regSave = 0;
  for (auto& p : props) {
    fileSave += p->FileSave();
    sync += p->Sync();
    regSave += p->RegSave();
  }
  EXPECT_EQ(fileSave, 117);
  EXPECT_EQ(sync, 98);
  EXPECT_EQ(regSave, 13);
  EXPECT_EQ(f.FldNumDigits(), 2);
  EXPECT_FALSE(f.FldBold());
  EXPECT_EQ(f.GetV("FldBold"), "False");
  EXPECT_EQ(f.GetV("FldTagASuffix"), "");
  EXPECT_EQ(f.FldSize(), 0);
  EXPECT_TRUE(f.FldDefault().isEmpty());
  // A name added later follows the catalogue.
  f.SetV("MyOwn", "x");
  EXPECT_EQ(f.Properties()->list().back()->Name(), "MyOwn");
}

TEST_F(FieldTest, VariantSettingsKeepTheirTypeAndParmDropsThePrefix) {
  RUZField f;
  f.setFldDefault(Variant(int32_t(5)));
  EXPECT_EQ(f.FldDefault().varType(), 3);
  f.setFldDefault(Variant("5"));
  EXPECT_EQ(f.FldDefault().varType(), 8);
  // Characters, not bytes: "\xC3\xA9" is one character.
  const std::pair<const char*, const char*> parms[] = {{"x_Name", "Name"},
                                                       {"x_", ""},
                                                       {"x", ""},
                                                       {"", ""},
                                                       {"x_\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"},
                                                       {"\xC3\xA9x", ""},
                                                       {"\xC3\xA9xy", "y"},
                                                       {"\xC3\xA9\xC3\xA9z", "z"}};
  for (const auto& [var, parm] : parms) {
    f.setFldVar(var);
    EXPECT_EQ(f.FldParm(), parm) << var;
  }
  f.setFldVar("x_");
  f.setFldName("Other"); // only the setting changes
  EXPECT_EQ(f.FldVar(), "x_");
}

TEST_F(FieldTest, AddRefusesAPresentName) {
  EXPECT_TRUE(fields->Add("Orders", "Id"));
  EXPECT_FALSE(fields->Add("Orders", "ID"));
  EXPECT_FALSE(fields->Add("Orders", ""));
  EXPECT_TRUE(fields->Add("Orders", "Name"));
  EXPECT_EQ(names(), (std::vector<std::string>{"Id:1", "Name:2"}));
  EXPECT_EQ(fields->curSeq(), 2);
  // A name setting changed behind the collection's back: Add hands over to Change.
  fields->Item(Variant("Name"))->setFldName("Title");
  EXPECT_TRUE(fields->Add("Orders", "Title"));
  EXPECT_EQ(fields->Count(), 2);
  fields->Item(Variant("Name"))->setFldName("title");
  EXPECT_FALSE(fields->Add("Orders", "Title"));
}

TEST_F(FieldTest, ChangeRenamesVarAndExtensionsButNotPhrases) {
  fields->Add("Orders", "Id");
  fields->Add("Orders", "Total");
  lang()->SetFieldPhrase("en", "Orders", "Id", "FldCaption", "No.");
  EXPECT_FALSE(fields->Change("Orders", "Id", "TOTAL"));
  EXPECT_TRUE(fields->Change("Orders", "Id", "Id"));
  EXPECT_TRUE(upkeepLog->calls.empty());
  EXPECT_TRUE(fields->Change("Orders", "ID", "OrderId"));
  auto f = fields->Item(Variant("orderid"));
  EXPECT_EQ(f->FldName(), "OrderId");
  EXPECT_EQ(f->FldVar(), "x_OrderId");
  EXPECT_EQ(fields->curName(), "OrderId");
  EXPECT_EQ(upkeepLog->calls, (std::vector<std::string>{"RenameField Orders Id OrderId"}));
  EXPECT_EQ(lang()->FieldCount(), 1);
}

TEST_F(FieldTest, DeleteRenumbersAndRemovesExtensionsAndPhrases) {
  for (auto n : {"A", "B", "C"})
    fields->Add("T", n);
  lang()->SetFieldPhrase("en", "T", "B", "FldCaption", "x");
  lang()->SetFieldPhrase("de", "t", "b", "FldCaption", "y");
  lang()->SetFieldPhrase("en", "U", "B", "FldCaption", "z");
  EXPECT_FALSE(fields->Delete("T", Variant("Q")));
  EXPECT_TRUE(fields->Delete("T", Variant("b")));
  EXPECT_EQ(names(), (std::vector<std::string>{"A:1", "C:2"}));
  EXPECT_EQ(upkeepLog->calls, (std::vector<std::string>{"DeleteField T B"}));
  ASSERT_EQ(lang()->FieldCount(), 1);
  EXPECT_EQ(lang()->FieldItem(1)->fields[1], "U");
  // A number is a position.
  EXPECT_TRUE(fields->Delete("T", Variant(int16_t(2))));
  EXPECT_EQ(names(), (std::vector<std::string>{"A:1"}));
}

TEST_F(FieldTest, ItemSetItemSetSeq) {
  for (auto n : {"2", "X", "Y"})
    fields->Add("T", n);
  EXPECT_EQ(fields->Item(Variant(int32_t(2)))->FldName(), "X");
  EXPECT_EQ(fields->Item(Variant("2"))->FldName(), "2");
  fields->SetItem(Variant(int16_t(3)));
  EXPECT_EQ(fields->curName(), "2"); // unchanged: no field is named 3
  fields->SetItem(Variant(int16_t(2)));
  EXPECT_EQ(fields->curName(), "2");
  EXPECT_EQ(fields->curSeq(), 1);
  fields->SetSeq(3);
  EXPECT_EQ(fields->curName(), "Y");
  fields->SetSeq(9);
  EXPECT_EQ(fields->curName(), "Y");
  EXPECT_FALSE(fields->Seq(5));
  EXPECT_TRUE(fields->FieldExist(Variant(int16_t(2))));
  EXPECT_FALSE(fields->FieldExist(Variant(int16_t(3))));
}

} // namespace
