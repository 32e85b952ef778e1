// Type maps, generation defaults and the MySQL value lists: the tables every reader shares.
#include <gtest/gtest.h>

#include "core/loader_copies.h"
#include "schema/access_reader.h"
#include "schema/ado_reader.h"
#include "schema/sinks.h"
#include "schema_env.h"

namespace quillet::schema {
namespace {

using quillet::testing::SchemaTest;
using Kind = platform::data::DatabaseKind;

TEST(TypeMaps, DaoCodesBecomeAdoCodesWithQuotes) {
  struct Case {
    int dao, type;
    bool support;
    const char* quote; // nullptr: unchanged
  } cases[] = {
      {1, 11, true, ""},        {4, 3, true, ""},     {8, 135, true, "#"},
      {9, 128, false, nullptr}, {10, 202, true, "'"}, {11, 205, true, ""},
      {12, 203, true, "'"},     {16, 20, true, ""},   {20, 131, true, ""},
      {17, -1, false, nullptr}, {23, 135, true, "#"}, {99, -1, false, nullptr},
  };
  for (const Case& c : cases) {
    TypeFacts t = daoTypeMap(c.dao);
    EXPECT_EQ(t.type, c.type) << c.dao;
    EXPECT_EQ(t.support, c.support) << c.dao;
    if (c.quote)
      EXPECT_EQ(t.quotes, std::make_pair(std::string(c.quote), std::string(c.quote))) << c.dao;
    else
      EXPECT_FALSE(t.quotes) << c.dao;
  }
  // A GUID literal goes in braces, for the project and the records alike.
  EXPECT_EQ(daoTypeMap(15).quotes, std::make_pair(std::string("{"), std::string("}")));
}

TEST(TypeMaps, AdoDatesTakeHashesOnAccessOnly) {
  EXPECT_EQ(adoTypeMap(135, Kind::Access).quotes->first, "#");
  EXPECT_EQ(adoTypeMap(135, Kind::PostgreSql).quotes->first, "'");
  EXPECT_EQ(adoTypeMap(205, Kind::PostgreSql).quotes->first, "'");
  EXPECT_EQ(adoTypeMap(3, Kind::PostgreSql).quotes->first, "");
  TypeFacts unknown = adoTypeMap(136, Kind::PostgreSql);
  EXPECT_FALSE(unknown.support);
  EXPECT_FALSE(unknown.quotes);
  EXPECT_EQ(daoAttributeMask(2, false), 36); // nullable, updatable, variable
  EXPECT_EQ(daoAttributeMask(17, true), 16); // fixed auto-increment, required
  EXPECT_EQ(daoAttributeMask(1, true), 20);  // fixed, required
}

TEST(MySqlTagValues, ValuesAreSqlLiterals) {
  EXPECT_EQ(mySqlTagValues("('x,y','p(q)','plain')"),
            "\"x,y\",\"x,y\"\r\n\"p(q)\",\"p(q)\"\r\n\"plain\",\"plain\"\r\n");
  EXPECT_EQ(mySqlTagValues("('a','b','d''e')"),
            "\"a\",\"a\"\r\n\"b\",\"b\"\r\n\"d'e\",\"d'e\"\r\n");
  EXPECT_EQ(mySqlTagValues("('say \"hi\"')"), "\"say &quot;hi&quot;\",\"say &quot;hi&quot;\"\r\n");
  EXPECT_EQ(mySqlTagValues("(11)"), "");
  EXPECT_EQ(mySqlTagValues("int"), "");
  EXPECT_EQ(mySqlTagValues("('open"), "");
}

TEST(AccessViews, BracketQualifiedNames) {
  EXPECT_EQ(bracketQualifiedName(" Orders ", "[Orders].[Order ID]"), "[Orders].[Order ID]");
  EXPECT_EQ(bracketQualifiedName("[Orders]", "OrderID"), "[Orders].[OrderID]");
  EXPECT_EQ(bracketQualifiedName("t", "db.t.[a.b]"), "[t].[a.b]");
}

class Defaults : public SchemaTest {
protected:
  Ref<model::RUZField> fieldOf(int type, int size = 50, bool autoInc = false, bool support = true) {
    auto f = platform::automation::makeRef<model::RUZField>();
    f->setFldName("order_date");
    f->setFldType(static_cast<int16_t>(type));
    f->setFldSize(size);
    f->setFldAutoIncrement(autoInc);
    f->setFldSupport(support);
    f->setFldAttribute(36);
    f->LoadFldDefault();
    return f;
  }
};

TEST_F(Defaults, FieldDefaultsFollowTheType) {
  struct Case {
    int type;
    const char* tag;
    const char* validate;
    const char* srch;
    bool list, basic;
  } cases[] = {
      {3, "TEXT", "INTEGER", "=", true, false}, {5, "TEXT", "FLOAT", "=", true, false},
      {200, "TEXT", "", "LIKE", true, true},    {203, "TEXTAREA", "", "LIKE", false, true},
      {129, "TEXT", "", "LIKE", true, true},    {205, "FILE", "", "=", false, false},
      {11, "CHECKBOX", "", "=", true, false},   {134, "TEXT", "TIME", "=", true, false},
      {72, "TEXT", "GUID", "=", true, false},   {135, "TEXT", "", "=", true, false},
  };
  for (const Case& c : cases) {
    auto f = fieldOf(c.type);
    EXPECT_EQ(f->FldHtmlTag(), c.tag) << c.type;
    EXPECT_EQ(f->FldValidate(), c.validate) << c.type;
    EXPECT_EQ(f->FldSrchOpr(), c.srch) << c.type;
    EXPECT_EQ(f->FldList(), c.list) << c.type;
    EXPECT_EQ(f->FldBasicSearch(), c.basic) << c.type;
    EXPECT_EQ(f->FldVar(), "x_order_date");
    EXPECT_EQ(f->FldCaption(), "order date");
  }
  auto text = fieldOf(200, 50);
  EXPECT_EQ(text->FldTagSize(), 30);
  EXPECT_EQ(text->FldTagMaxLength(), 50);
  EXPECT_EQ(fieldOf(11)->FldTagValues(), "\"1\",\"1\"\r\n\"0\",\"0\"");
  EXPECT_EQ(fieldOf(205)->FldHrefFld(), "order_date");
}

TEST_F(Defaults, AutoIncrementUnsupportedDatesAndAccess) {
  auto id = fieldOf(3, 4, true);
  EXPECT_FALSE(id->FldAdd());
  EXPECT_TRUE(id->FldEdit());
  EXPECT_EQ(id->FldHtmlTag(), "");
  auto odd = fieldOf(136, 0, false, false);
  EXPECT_FALSE(odd->FldGenerate() || odd->FldList() || odd->FldEdit() || odd->FldAdd() ||
               odd->FldView() || odd->FldBasicSearch());
  core::loaderCopies().DefaultDateFormat = 6;
  auto date = fieldOf(135);
  EXPECT_EQ(date->FldFmtType(), "Date/Time");
  EXPECT_EQ(date->FldDtFormat(), 6);
  EXPECT_EQ(date->FldValidate(), "USDATE");
  // A field whose type changed does not keep the check of its old type.
  date->setFldType(200);
  date->LoadFldDefault();
  EXPECT_EQ(date->FldValidate(), "");
  core::loaderCopies().CurrentDBMSName = "ACCESS";
  EXPECT_EQ(fieldOf(11)->FldTagValues(), "\"True\",\"True\"\r\n\"False\",\"False\"");
  // SQL Server columns that cannot be written get no add or edit control.
  core::loaderCopies().CurrentDBMSName = "Microsoft SQL Server";
  auto computed = platform::automation::makeRef<model::RUZField>();
  computed->setFldName("total");
  computed->setFldType(3);
  computed->setFldSupport(true);
  computed->setFldAttribute(32);
  computed->LoadFldDefault();
  EXPECT_FALSE(computed->FldAdd() || computed->FldEdit());
  EXPECT_TRUE(computed->FldList() && computed->FldView());
}

TEST_F(Defaults, TableDefaultsByType) {
  ctx().SecurityDefault = "Default";
  for (const char* type : {"TABLE", "VIEW", "REPORT"}) {
    auto t = platform::automation::makeRef<model::RUZTable>();
    t->setTblName("OrderLines");
    t->setTblType(type);
    t->setTblSQL("SELECT 1");
    t->setSetting<core::SettingType::Boolean>("TblGen", true);
    t->setTblRptSrc("src");
    t->LoadTableDefault();
    const bool table = std::string(type) == "TABLE", report = std::string(type) == "REPORT";
    EXPECT_EQ(t->TblCaption(), "Order Lines");
    EXPECT_EQ(t->TblAdd(), table) << type;
    EXPECT_EQ(t->TblSQL(), table ? "" : "SELECT 1") << type;
    EXPECT_EQ(t->TblUpdatable(), !report) << type;
    EXPECT_EQ(t->TblSrchType(), report ? "NONE" : "BASIC") << type;
    EXPECT_EQ(t->TblGen(), report) << type;
    EXPECT_EQ(t->TblRptSrc(), report ? "src" : "OrderLines") << type;
    EXPECT_EQ(t->TblSecurity(), "Default");
  }
}

} // namespace
} // namespace quillet::schema
