// The project loader on the MariaDB server of the test run: MySQL rules apply.
#include <gtest/gtest.h>

#include "schema_env.h"

namespace quillet::schema {
namespace {

using platform::automation::Ref;
using platform::automation::Variant;

using quillet::testing::SchemaTest;
using quillet::testing::serviceVar;

class MariaDb : public SchemaTest {
protected:
  void SetUp() override {
    QUILLET_REQUIRE_SERVICES();
    ASSERT_EQ(db->LoadADODB(Variant("ODBC"), Variant(serviceVar("QUILLET_MARIADB_DSN")),
                            Variant(serviceVar("QUILLET_MARIADB_USER")),
                            Variant(serviceVar("QUILLET_MARIADB_PASSWORD")), Variant(""),
                            Variant(""), Variant("")),
              0)
        << ctx().ProjErr;
  }
};

TEST_F(MariaDb, OnlyTheCurrentDatabaseWithMySqlRules) {
  EXPECT_EQ(tableNames(),
            (std::vector<std::string>{"Odd Name", "customers", "orders", "active_customers"}));
  EXPECT_EQ(db->DBDBMSName(), "MariaDB");
  EXPECT_EQ(db->DBQuoteS(), "`");
  auto id = field("customers", "id");
  EXPECT_TRUE(id->FldAutoIncrement());
  EXPECT_TRUE(id->FldIsPrimaryKey());
  EXPECT_EQ(id->FldTypeName(), "int(11)");
  EXPECT_TRUE(field("customers", "email")->FldUniqueIdx());
  EXPECT_TRUE(field("customers", "name")->FldRequired());
  EXPECT_EQ(table("orders")->TblKey(), "line_no\r\norder_id");

  auto size = field("customers", "size");
  EXPECT_EQ(size->FldTypeName(), "enum('x,y','p(q)','plain')");
  EXPECT_EQ(size->FldTagValues(),
            "\"x,y\",\"x,y\"\r\n\"p(q)\",\"p(q)\"\r\n\"plain\",\"plain\"\r\n");
  EXPECT_EQ(size->FldHtmlTag(), "SELECT");
  auto perms = field("customers", "perms");
  EXPECT_EQ(perms->FldTagValues(), "\"a\",\"a\"\r\n\"b\",\"b\"\r\n\"d'e\",\"d'e\"\r\n");
  EXPECT_EQ(perms->FldHtmlTag(), "CHECKBOX");
  EXPECT_EQ(fieldNames("Odd Name"),
            (std::vector<std::string>{"Key Col", "select", "back`tick", "Größe ü"}));
  EXPECT_TRUE(field("Odd Name", "größe Ü")->FldUniqueIdx()); // an index on a name beyond ASCII
  EXPECT_EQ(table("Odd Name")->TblKey(), "Key Col");
  EXPECT_EQ(table("active_customers")->TblType(), "VIEW");
  EXPECT_EQ(db->DBDotNetConnectionString().rfind("Driver={", 0), 0u);
}

} // namespace
} // namespace quillet::schema
