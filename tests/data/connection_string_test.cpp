// Parsing, quoting and routing of stored connection strings.
#include <gtest/gtest.h>

#include "platform/automation/context.h"
#include "platform/data/connection.h"
#include "platform/data/connection_string.h"

namespace quillet::platform::data {
namespace {

TEST(ConnectionStringParse, QuotedValuesKeepSeparators) {
  struct Case {
    const char* text;
    const char* key;
    const char* value;
  } cases[] = {
      {"Pwd={a;b=c}", "PWD", "a;b=c"},
      {"Pwd={x}}y{z};Uid=u", "pwd", "x}y{z"},
      {"Password=\"say \"\"hi\"\";now\"", "Password", "say \"hi\";now"},
      {"Password='it''s;ok'", "password", "it's;ok"},
      {"Pwd=a=b=c;", "Pwd", "a=b=c"},
      {" Data Source = C:\\db\\x.mdb ;", "data source", "C:\\db\\x.mdb"},
      {"Driver={MySQL ODBC 3.51 Driver};Server=h", "DRIVER", "MySQL ODBC 3.51 Driver"},
      {"a=1;;b=2", "b", "2"},
      {"a=1;a=2", "a", "2"},
  };
  for (const auto& c : cases) {
    auto cs = ConnectionString::parse(c.text);
    EXPECT_EQ(cs.value(c.key), c.value) << c.text;
  }
}

TEST(ConnectionStringParse, MalformedTextNamesTheKeyNotTheSecret) {
  for (const char* bad : {"Pwd={secret;Uid=x", "Pwd=\"secret", "Uid=x;novalue", "=x"}) {
    try {
      ConnectionString::parse(bad);
      FAIL() << bad;
    } catch (const automation::Error& e) {
      EXPECT_EQ(e.number(), 5);
      EXPECT_EQ(e.description().find("secret"), std::string::npos) << e.description();
      EXPECT_NE(e.description().find("Malformed connection string"), std::string::npos);
    }
  }
}

TEST(ConnectionStringBuild, ValuesAreQuotedWhenTheyNeedIt) {
  EXPECT_EQ(quoteOdbcValue("plain"), "plain");
  EXPECT_EQ(quoteOdbcValue("a;b"), "{a;b}");
  EXPECT_EQ(quoteOdbcValue("x}y"), "{x}}y}");
  EXPECT_EQ(quoteOdbcValue("k=v"), "{k=v}");
  EXPECT_EQ(quoteOdbcValue(" pad"), "{ pad}");
  // What the loaders build from a DSN, user and password; it parses back unchanged.
  std::string s = buildOdbcConnectionString({{"DSN", "shop"}, {"UID", "bob"}, {"PWD", "p;w={d}"}});
  EXPECT_EQ(s, "DSN=shop;UID=bob;PWD={p;w={d}}}");
  auto back = ConnectionString::parse(s);
  EXPECT_EQ(back.value("pwd"), "p;w={d}");
  EXPECT_EQ(back.items().size(), 3u);
}

// Every value a user or password may hold comes back from parse() as it went in, and is
// braced only when it must be.
TEST(ConnectionStringBuild, QuotedValuesParseBackUnchanged) {
  struct Case {
    const char* value;
    const char* quoted;
  } cases[] = {
      {"", ""},
      {"plain", "plain"},
      {"in side", "in side"},
      {"tab\tinside", "tab\tinside"},
      {"\tlead", "{\tlead}"},
      {"trail\t", "{trail\t}"},
      {"line\n", "{line\n}"},
      {"trail ", "{trail }"},
      {"a;b", "{a;b}"},
      {"{x}", "{{x}}}"},
      {"}}", "{}}}}}"},
      {"k=v", "{k=v}"},
      {"\"dq\"", "{\"dq\"}"},
      {"'sq'", "{'sq'}"},
      {"it's", "it's"},
      {"say \"hi\"", "say \"hi\""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(quoteOdbcValue(c.value), c.quoted) << c.value;
    auto back =
        ConnectionString::parse(buildOdbcConnectionString({{"UID", "u"}, {"PWD", c.value}}));
    EXPECT_EQ(back.value("PWD"), c.value);
    EXPECT_EQ(back.value("UID"), "u") << c.value;
  }
}

TEST(ConnectionStringRoute, Table) {
  automation::Context::Scope scope;
  struct Case {
    const char* text;
    Route route;
    const char* odbc; // or file
  } cases[] = {
      {"Provider=Microsoft.Jet.OLEDB.4.0;Data Source={/d/a;b.mdb};", Route::Access, "/d/a;b.mdb"},
      {"Provider=Microsoft.ACE.OLEDB.12.0;Data Source=/d/x.accdb;Persist Security Info=False",
       Route::Access, "/d/x.accdb"},
      {"Driver={Microsoft Access Driver (*.mdb, *.accdb)};DBQ=/d/y.mdb", Route::Access, "/d/y.mdb"},
      {"Provider=Quillet.Recorded;Data Source=/r/ss.json", Route::Recorded, "/r/ss.json"},
      {"Provider=SQLOLEDB;Data Source=db1,1444;Initial Catalog=shop;User ID=sa;Password={a;b}",
       Route::Odbc, "Driver={FreeTDS};Server=db1;Port=1444;Database=shop;UID=sa;PWD={a;b}"},
      {"Driver={SQL Server};Server=db2;Database=shop;Uid=u;Pwd=p", Route::Odbc,
       "Driver={FreeTDS};Server=db2;Database=shop;Uid=u;Pwd=p"},
      {"Driver={MySQL ODBC 3.51 Driver};Server=h;Database=d;User=u;Password={x;y};Option=3;",
       Route::Odbc, "Driver={MariaDB};Server=h;Database=d;User=u;Password={x;y};Option=3"},
      {"Driver={PostgreSQL ANSI(x64)};Server=h;Database=d", Route::Odbc,
       "Driver={PostgreSQL Unicode};Server=h;Database=d;UseDeclareFetch=1"},
      {"Provider=MSDASQL;DSN=shop;UID=a", Route::Odbc, "DSN=shop;UID=a"},
      {"dsn=shop;uid=a;pwd=b", Route::Odbc, "dsn=shop;uid=a;pwd=b"},
  };
  for (const auto& c : cases) {
    RoutedConnection r = routeConnectionString(c.text);
    EXPECT_EQ(r.route, c.route) << c.text;
    EXPECT_EQ(r.route == Route::Odbc ? r.odbc : r.file, c.odbc) << c.text;
  }
  // ADO's separate user and password arguments are added, quoted.
  EXPECT_EQ(routeConnectionString("DSN=shop", "bob", "p;w").odbc, "DSN=shop;UID=bob;PWD={p;w}");
  EXPECT_EQ(
      routeConnectionString(
          "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/a.mdb;Jet OLEDB:Database Password='x;y'")
          .password,
      "x;y");
}

TEST(ConnectionStringRoute, UnservableProvidersSayWhy) {
  automation::Context::Scope scope;
  struct Case {
    const char* text;
    const char* says;
  } cases[] = {
      {"Provider=OraOLEDB.Oracle;Data Source=XE;User ID=scott;Password=tiger",
       "Oracle databases cannot be reached"},
      {"Provider=MSDAORA;Data Source=XE", "Oracle databases cannot be reached"},
      {"Driver={Oracle in XE};Dbq=XE;Uid=a;Pwd=b",
       "no Oracle driver is available for 'Oracle in XE'"},
      {"Provider=SQLOLEDB;Data Source=db;Integrated Security=SSPI", "Windows authentication"},
      {"Driver={SQL Server};Server=db;Trusted_Connection=Yes", "Windows authentication"},
      {"Provider=Some.Other.1;Data Source=x", "'Some.Other.1' is not available on this platform"},
      {"Provider=Microsoft.Jet.OLEDB.4.0", "names no file"},
      {"", "empty"},
  };
  for (const auto& c : cases) {
    try {
      routeConnectionString(c.text);
      FAIL() << c.text;
    } catch (const automation::Error& e) {
      EXPECT_NE(e.description().find(c.says), std::string::npos)
          << c.text << " -> " << e.description();
    }
  }
  // Through a connection the same text lands in Errors.
  auto conn = automation::makeRef<Connection>();
  EXPECT_THROW(conn->open("Provider=OraOLEDB.Oracle;Data Source=XE"), DataError);
  ASSERT_EQ(conn->errors().size(), 1u);
  EXPECT_EQ(conn->errors()[0].number, adoerr::kProviderNotFound);
  EXPECT_EQ(conn->state(), 0);
}

} // namespace
} // namespace quillet::platform::data
