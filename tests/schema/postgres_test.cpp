// The project loader and the record reader on the PostgreSQL server of the test run.
#include <gtest/gtest.h>

#include "core/loader_copies.h"
#include "platform/automation/convert.h"
#include "schema/schema_reader.h"
#include "schema_env.h"

namespace quillet::schema {
namespace {

using platform::automation::CStr;
using quillet::testing::SchemaTest;
using quillet::testing::serviceVar;

class Postgres : public SchemaTest {
protected:
  void SetUp() override { QUILLET_REQUIRE_SERVICES(); }
  int16_t loadByString(const std::string& table = "") {
    return db->LoadADODB(Variant("OTHER"), Variant(""), Variant(""), Variant(""),
                         Variant(serviceVar("QUILLET_PG_ODBC")), Variant(table), Variant(""));
  }
};

TEST_F(Postgres, LoadsTheCurrentSchemaWithKeysDefaultsAndNativeTypes) {
  ASSERT_EQ(loadByString(), 0) << ctx().ProjErr;
  EXPECT_EQ(ctx().ProjErr, "");
  EXPECT_EQ(tableNames(), (std::vector<std::string>{"Odd Name", "customers", "orders", "shapes",
                                                    "active_customers"}));
  EXPECT_EQ(db->DBDBMSName(), "PostgreSQL");
  EXPECT_EQ(db->DBQuoteS(), "\"");
  EXPECT_EQ(table("customers")->TblSchema(), "public");

  auto id = field("customers", "id");
  EXPECT_TRUE(id->FldAutoIncrement());
  EXPECT_FALSE(id->FldAdd());
  EXPECT_TRUE(id->FldIsPrimaryKey());
  EXPECT_EQ(id->FldTypeName(), "int4");
  EXPECT_EQ(CStr(id->FldDefault()), ""); // an auto-increment field keeps its sequence out
  EXPECT_EQ(CStr(field("customers", "note")->FldDefault()), "x'y");
  EXPECT_EQ(CStr(field("customers", "balance")->FldDefault()), "0");
  EXPECT_EQ(CStr(field("customers", "created")->FldDefault()), "now()");
  EXPECT_TRUE(field("customers", "name")->FldRequired());
  EXPECT_TRUE(field("customers", "email")->FldUniqueIdx());
  EXPECT_EQ(field("customers", "active")->FldHtmlTag(), "CHECKBOX");
  // Not auto-increment: the provider's mask gains "updatable".
  EXPECT_EQ(field("customers", "name")->FldAttribute() & 4, 4);

  EXPECT_EQ(table("orders")->TblKey(), "line_no\r\norder_id");
  EXPECT_FALSE(field("orders", "code")->FldUniqueIdx()); // two-column unique index

  struct Case {
    const char* name;
    const char* typeName;
    bool support;
  } cases[] = {{"pt", "point", false},     {"seg", "lseg", false}, {"tags", "array", false},
               {"addr", "inet", false},    {"flag", "bit", false}, {"js", "jsonb", true},
               {"payload", "bytea", true}, {"uid", "uuid", true}};
  for (const Case& c : cases) {
    auto f = field("shapes", c.name);
    ASSERT_TRUE(f) << c.name;
    EXPECT_EQ(f->FldTypeName(), c.typeName) << c.name;
    EXPECT_EQ(f->FldSupport(), c.support) << c.name;
    if (!c.support) {
      EXPECT_FALSE(f->FldGenerate()) << c.name;
    }
  }
  EXPECT_EQ(field("shapes", "big")->FldType() % 2, 1); // long text above 8000 characters
  EXPECT_EQ(field("shapes", "uid")->FldType(), 72);

  EXPECT_EQ(fieldNames("Odd Name"),
            (std::vector<std::string>{"Key Col", "select", "MixedCase", "it's", "Größe ü"}));
  EXPECT_TRUE(field("Odd Name", "größe Ü")->FldUniqueIdx()); // an index on a name beyond ASCII
  EXPECT_EQ(table("Odd Name")->TblKey(), "Key Col");
  EXPECT_EQ(table("active_customers")->TblType(), "VIEW");
  EXPECT_EQ(fieldNames("active_customers"),
            (std::vector<std::string>{"id", "customer_name", "balance"}));
  EXPECT_EQ(table("active_customers")->TblKey(), "");
}

// A whole load reads the schema's catalogue at once; one table at a time asks the catalogue
// per table. Both must give the same tables and fields, setting by setting.
TEST_F(Postgres, AWholeLoadAndSingleTablesAgree) {
  ASSERT_EQ(loadByString(), 0) << ctx().ProjErr;
  auto dbs = platform::automation::makeRef<model::RUZDatabases>();
  dbs->Add("DB2");
  auto one = dbs->Item(Variant("DB2"));
  const Variant conn(serviceVar("QUILLET_PG_ODBC"));
  core::loaderCopies().DynamicLoadDB = true;
  ASSERT_EQ(one->LoadADODB(Variant("OTHER"), Variant(""), Variant(""), Variant(""), conn,
                           Variant(""), Variant("")),
            0);
  core::loaderCopies().DynamicLoadDB = false;
  auto text = [](const Variant& v) { return v.isEmpty() || v.isNull() ? std::string() : CStr(v); };
  for (auto& t : db->Tables()->items().list()) {
    SCOPED_TRACE(t->TblName());
    ASSERT_EQ(one->LoadADODB(Variant("OTHER"), Variant(""), Variant(""), Variant(""), conn,
                             Variant(t->TblName()), Variant("")),
              0)
        << ctx().ProjErr;
    auto t2 = one->Tables()->Item(Variant(t->TblName()));
    EXPECT_EQ(t->TblKey(), t2->TblKey());
    ASSERT_EQ(t->Fields()->Count(), t2->Fields()->Count());
    for (auto& f : t->Fields()->items().list()) {
      auto f2 = t2->Fields()->Item(Variant(f->FldName()));
      for (auto& p : f->Properties()->list())
        EXPECT_EQ(text(p->Value()), text(f2->Properties()->Item(p->Name())->Value()))
            << f->FldName() << "." << p->Name();
    }
  }
}

TEST_F(Postgres, DataSourceByNameWithSeparateCredentials) {
  ASSERT_EQ(db->LoadADODB(Variant("ODBC"), Variant(serviceVar("QUILLET_PG_DSN")),
                          Variant(serviceVar("QUILLET_PG_USER")),
                          Variant(serviceVar("QUILLET_PG_PASSWORD")), Variant(""), Variant(""),
                          Variant("")),
            0)
      << ctx().ProjErr;
  EXPECT_EQ(db->DBType(), "ODBC");
  EXPECT_EQ(db->DBUID(), serviceVar("QUILLET_PG_USER"));
  EXPECT_EQ(field("shapes", "seg")->FldTypeName(), "lseg");
  EXPECT_EQ(db->DBDotNetConnectionString(), ""); // no such form for PostgreSQL
}

TEST_F(Postgres, BadCredentialsNeverShowThePassword) {
  const std::string secret = "wr0ng;pa55={x}";
  EXPECT_EQ(db->LoadADODB(Variant("ODBC"), Variant(serviceVar("QUILLET_PG_DSN")),
                          Variant(serviceVar("QUILLET_PG_USER")), Variant(secret), Variant(""),
                          Variant(""), Variant("")),
            3);
  EXPECT_EQ(ctx().ProjErr,
            "Brindlewood: Unable to connect to Data Source! User ID / Password not valid!");
  EXPECT_EQ(db->Tables()->Count(), 0);
  // A server that is not there: the driver's message, without the password.
  std::string conn = serviceVar("QUILLET_PG_ODBC") + ";Port=1";
  EXPECT_EQ(db->LoadADODB(Variant("OTHER"), Variant(""), Variant(""), Variant(""), Variant(conn),
                          Variant(""), Variant("")),
            3);
  EXPECT_NE(ctx().ProjErr.find("Brindlewood: "), std::string::npos);
  EXPECT_EQ(ctx().ProjErr.find(serviceVar("QUILLET_PG_PASSWORD")), std::string::npos)
      << ctx().ProjErr;
}

TEST_F(Postgres, CustomViewsAreDescribedNotRun) {
  ASSERT_EQ(loadByString(), 0);
  std::string conn = serviceVar("QUILLET_PG_ODBC");
  ASSERT_EQ(db->LoadADOCustomView(Variant(conn), Variant("cv"),
                                  Variant("SELECT c.id, c.name AS who, o.amount FROM customers c "
                                          "JOIN orders o ON o.customer_id = c.id")),
            0)
      << ctx().ProjErr;
  auto cv = table("cv");
  EXPECT_EQ(cv->TblType(), "CUSTOMVIEW");
  EXPECT_EQ(fieldNames("cv"), (std::vector<std::string>{"id", "who", "amount"}));
  EXPECT_EQ(field("cv", "who")->FldSourceField(), "name");
  EXPECT_TRUE(field("cv", "who")->FldAlias());
  EXPECT_EQ(field("cv", "id")->FldTypeName(), "int4");
  EXPECT_EQ(cv->TblCustomError(), "");

  // Anything but one SELECT is refused, and the view is not added.
  EXPECT_EQ(db->LoadADOCustomView(Variant(conn), Variant("bad"), Variant("DELETE FROM orders")), 1);
  EXPECT_FALSE(table("bad"));
  EXPECT_NE(ctx().ProjErr, "");
  ctx().ProjErr.clear();

  // Names that differ only in letter case: the project can hold one, and says so.
  ASSERT_EQ(
      db->LoadADOCustomView(Variant(conn), Variant("twice"),
                            Variant("SELECT name AS \"Name\", email AS \"NAME\" FROM customers")),
      0);
  EXPECT_EQ(fieldNames("twice"), std::vector<std::string>{"Name"});
  EXPECT_NE(table("twice")->TblError().find("Duplicate Column Name - NAME"), std::string::npos);
  auto reader = platform::automation::makeRef<RUZSchema>();
  ASSERT_EQ(reader->LoadADOCustomView(conn, "twice",
                                      "SELECT name AS \"Name\", email AS \"NAME\" FROM customers"),
            0);
  EXPECT_EQ(reader->Tbl(1).TblFldCnt, 2);
}

} // namespace
} // namespace quillet::schema
