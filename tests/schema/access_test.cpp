// The Access loader over the Access fixture files.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/automation/convert.h"
#include "schema_env.h"

namespace quillet::schema {
namespace {

using platform::automation::Ref;
using platform::automation::Variant;

using platform::automation::CStr;
using quillet::testing::SchemaTest;

class Access : public SchemaTest {
protected:
  void SetUp() override {
    // A copy, so that nothing can touch the fixture.
    file = env.path("nwind.mdb").string();
    std::filesystem::copy_file(QUILLET_SOURCE_DIR "/tests/data/fixtures/nwind.mdb", file);
  }
  int16_t load(const std::string& table = "") {
    return db->LoadDAODB(Variant("nwind.mdb"), Variant(file), Variant(false), Variant("Admin"),
                         Variant(""), Variant(table));
  }
  std::string file;
};

TEST_F(Access, TablesViewsKeysAndCaptions) {
  ASSERT_EQ(load(), 0) << ctx().ProjErr;
  EXPECT_EQ(db->DBDBMSName(), "ACCESS");
  EXPECT_EQ(db->DBDBMSVer(), "3.0");
  EXPECT_EQ(db->DBQuoteS(), "[");
  auto names = tableNames();
  ASSERT_GE(names.size(), 10u);
  EXPECT_EQ(
      std::vector<std::string>(names.begin(), names.begin() + 9),
      (std::vector<std::string>{"Order Details", "Orders", "Products", "Shippers", "Categories",
                                "Customers", "Employees", "Suppliers", "Umsätze"}));
  auto id = field("Products", "ProductID");
  EXPECT_EQ(id->FldType(), 3);
  EXPECT_TRUE(id->FldAutoIncrement());
  EXPECT_FALSE(id->FldAdd());
  EXPECT_TRUE(id->FldIsPrimaryKey());
  EXPECT_EQ(id->FldCaption(), "Product ID");
  auto name = field("Products", "ProductName");
  EXPECT_EQ(name->FldType(), 202);
  EXPECT_EQ(name->FldQuoteS(), "'");
  EXPECT_EQ(name->FldSize(), 40);
  EXPECT_TRUE(name->FldReq());
  EXPECT_EQ(CStr(field("Products", "UnitPrice")->FldDefault()), "0");
  EXPECT_EQ(field("Products", "Discontinued")->FldTagValues(),
            "\"True\",\"True\"\r\n\"False\",\"False\"");
  EXPECT_EQ(table("Order Details")->TblKey(), "OrderID\r\nProductID");
  EXPECT_TRUE(field("Order Details", "OrderID")->FldIsPrimaryKey());
  auto top = table("Ten Most Expensive Products");
  ASSERT_TRUE(top);
  EXPECT_EQ(top->TblType(), "VIEW");
  EXPECT_NE(top->TblSQL().find("FROM Products"), std::string::npos);
  // Not a view: a query with parameters.
  for (auto& n : names)
    EXPECT_NE(n, "Sales by Year");
}

TEST_F(Access, OneTableMissingFilesAndEmptyPaths) {
  ASSERT_EQ(load("Shippers"), 0) << ctx().ProjErr; // not in the project yet: nothing read
  EXPECT_EQ(db->Tables()->Count(), 0);
  EXPECT_EQ(load("Nowhere"), 1);
  EXPECT_NE(ctx().ProjErr.find("'Nowhere'"), std::string::npos);
  EXPECT_EQ(db->LoadDAODB(Variant(""), Variant(""), Variant(false), Variant(""), Variant(""),
                          Variant("")),
            0);
  file = env.path("missing.mdb").string();
  EXPECT_EQ(load(), 1);
  EXPECT_EQ(ctx().ProjErr.rfind("\r\nError # ", 0), 0u) << ctx().ProjErr;
}

} // namespace
} // namespace quillet::schema
