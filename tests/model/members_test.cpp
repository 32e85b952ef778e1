// Every class is reachable by name through its member table: the settings of the catalogues
// and the members the classes add.
#include <gtest/gtest.h>

#include "elements/chart.h"
#include "elements/language.h"
#include "elements/masterdetail.h"
#include "elements/menu.h"
#include "elements/model_env.h"
#include "model/database.h"

using namespace quillet;
using platform::automation::ClassInfo;

namespace {

struct Expectation {
  const ClassInfo& info;
  size_t members;
  std::vector<std::string> named;
};

TEST(Members, EveryPublicMemberIsReachableByName) {
  const Expectation cases[] = {
      {model::RUZField::staticClassInfo(),
       121 + 5 + 3,
       {"GetV", "SetV", "Key", "FldParm", "LoadFld_ADO", "LoadFldDefault"}},
      {model::RUZTable::staticClassInfo(),
       64 + 7 + 9,
       {"Charts", "Fields", "ControlList", "Key", "Load_ADO", "LoadTableDefault"}},
      {model::RUZDatabase::staticClassInfo(), 31 + 5 + 3, {"Tables", "Key", "GetV", "LoadDAODB"}},
      {elements::RUZChart::staticClassInfo(), 37 + 5, {"Trendlines", "Key", "SetV"}},
      {elements::RUZTrend::staticClassInfo(), 11 + 2, {"Properties", "Key"}},
      {elements::RUZMenu::staticClassInfo(), 13 + 3, {"MenuAtt", "MenuAttExist", "Load"}},
      {elements::RUZMenus::staticClassInfo(), 12, {"LoadMenus", "Sort", "GetItemByTableName"}},
      {elements::RUZLanguage::staticClassInfo(), 3 + 2 + 6 + 4 * 7 + 8, {"InitSettings"}},
      {model::RUZFields::staticClassInfo(), 11, {"SetItem", "SetSeq", "FieldExist"}},
      {model::RUZTables::staticClassInfo(), 11, {"TableExist"}},
      {elements::RUZCharts::staticClassInfo(), 9, {"ChartExist"}},
      {elements::RUZTrends::staticClassInfo(), 9, {"TrendExist"}},
      {model::RUZDatabases::staticClassInfo(), 6, {"curSeq"}},
      {elements::RUZMasterDetails::staticClassInfo(), 9, {"MasterDetailExist"}},
      {elements::RUZMasterDetail::staticClassInfo(), 11, {"AddRelation"}},
      {model::AGControlItems::staticClassInfo(), 5, {"ItemExist"}},
      {model::AGControlItem::staticClassInfo(), 5, {"ItemGen"}},
  };
  for (const Expectation& e : cases) {
    SCOPED_TRACE(e.info.name());
    EXPECT_EQ(e.info.members().size(), e.members);
    for (const std::string& n : e.named)
      EXPECT_NE(e.info.find(n), nullptr) << n;
  }
  // Read-only where the interface has no setter.
  const auto* dbms = model::RUZDatabase::staticClassInfo().find("DBDBMSName");
  ASSERT_NE(dbms, nullptr);
  EXPECT_FALSE(dbms->let);
  EXPECT_TRUE(model::RUZDatabase::staticClassInfo().find("DBDBMSVer")->let);
  EXPECT_FALSE(elements::RUZMenus::staticClassInfo().find("curIndex")->let);
}

} // namespace
