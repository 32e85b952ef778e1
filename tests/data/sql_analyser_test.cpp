// The SELECT analyser behind custom-view lineage and Access view keys.
#include <gtest/gtest.h>

#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/data/sql_analyser.h"
#include "platform/data/sql_text.h"
#include "services.h"

namespace quillet::platform::data {
namespace {

struct Lineage {
  std::string name, table, field;
  bool alias;
};

Lineage lookup(SqlParser& p, const std::string& column) {
  Lineage l;
  p.lookup(column, l.name, l.table, l.field, l.alias);
  return l;
}

TEST(SqlAnalyser, SourcesOfOutputColumns) {
  SqlParser p;
  ASSERT_TRUE(
      p.parse("SELECT c.id, c.name AS who, [Order Date], o.total * 2 AS twice, \"Odd Col\" odd, "
              "count(*) AS n FROM customers AS c INNER JOIN [orders] o ON c.id = o.customer_id",
              5));
  struct Case {
    const char* column;
    Lineage want;
  } cases[] = {
      {"id", {"c.id", "customers", "id", false}},
      {"WHO", {"c.name", "customers", "name", true}},
      {"Order Date", {"[Order Date]", "", "Order Date", false}}, // unqualified over a join
      {"twice", {"o.total * 2", "", "", true}},
      {"odd", {"\"Odd Col\"", "", "Odd Col", true}},
      {"[who]",
       {"c.name", "customers", "name", true}}, // quoted name, as the loader's retry passes it
      {"missing", {"", "", "", false}},
  };
  for (const auto& c : cases) {
    Lineage got = lookup(p, c.column);
    EXPECT_EQ(got.name, c.want.name) << c.column;
    EXPECT_EQ(got.table, c.want.table) << c.column;
    EXPECT_EQ(got.field, c.want.field) << c.column;
    EXPECT_EQ(got.alias, c.want.alias) << c.column;
  }
  EXPECT_TRUE(p.analysis().aggregates);
  EXPECT_FALSE(p.analysis().updatable());
  EXPECT_FALSE(p.parse("UPDATE t SET a = 1", 1));
  EXPECT_FALSE(p.parse("SELECT a INTO b FROM c", 1));
}

TEST(SqlAnalyser, DriverDescriptionFillsWhatTheTextCannot) {
  // An unqualified column over a join: the driver knows it comes from orders.
  ColumnInfo total, x;
  total.name = "total";
  total.baseTable = "orders";
  total.baseColumn = "total";
  x.name = "x";
  Rowset described({total, x});
  SqlParser p;
  ASSERT_TRUE(p.parse("SELECT total, 1 + 1 AS x FROM customers c, orders o", 5, &described));
  Lineage t = lookup(p, "total");
  EXPECT_EQ(t.table, "orders");
  EXPECT_EQ(t.field, "total");
  EXPECT_EQ(lookup(p, "x").name, "1 + 1");
  // Text beyond the analyser (a WITH query) still gets the driver's answer.
  ASSERT_TRUE(p.parse("WITH q AS (SELECT * FROM orders) SELECT total FROM q", 5, &described));
  EXPECT_EQ(lookup(p, "total").table, "orders");
}

TEST(SqlAnalyser, AccessViewsForKeyAnalysis) {
  struct Case {
    const char* sql;
    bool updatable;
    int joins;
    const char* source;
    const char* type;
    const char* left;
    const char* right;
  } cases[] = {
      {"SELECT DISTINCTROW TOP 10 Products.ProductName FROM Products ORDER BY Products.UnitPrice "
       "DESC;",
       true, 0, "Products", "", "", ""},
      {"SELECT Categories.CategoryName, Products.* FROM Categories INNER JOIN Products ON "
       "Categories.CategoryID = "
       "Products.CategoryID WHERE (((Products.Discontinued)=No));",
       true, 1, "", "INNER", "Categories.CategoryID", "Products.CategoryID"},
      {"SELECT a.x FROM (([A] AS a LEFT JOIN B ON a.id = B.aid) INNER JOIN C ON B.id = C.bid)",
       true, 2, "", "LEFT", "A.id", "B.aid"},
      {"SELECT DISTINCT City FROM Customers", false, 0, "Customers", "", "", ""},
      {"SELECT City, Count(*) FROM Customers GROUP BY City", false, 0, "Customers", "", "", ""},
      {"SELECT City FROM Customers UNION SELECT City FROM Suppliers", false, 0, "", "", "", ""},
      {"SELECT o.x FROM Orders o, Lines l WHERE o.id = l.oid", true, 1, "", "CROSS", ".", "."},
      {"TRANSFORM Sum(x) SELECT y FROM T GROUP BY y PIVOT z", false, 0, "T", "", "", ""},
  };
  for (const auto& c : cases) {
    ViewSqlAnalyzer a;
    a.analyze(c.sql);
    EXPECT_EQ(a.isUpdatable(), c.updatable) << c.sql;
    EXPECT_EQ(a.joinCount(), c.joins) << c.sql;
    if (c.joins == 0 && std::string(c.source) != "") {
      EXPECT_EQ(a.sourceTable(), c.source) << c.sql;
    }
    if (c.joins > 0) {
      a.selectFirstJoin();
      EXPECT_EQ(a.joinType(), c.type) << c.sql;
      EXPECT_EQ(a.leftTable() + "." + a.leftField(), c.left) << c.sql;
      EXPECT_EQ(a.rightTable() + "." + a.rightField(), c.right) << c.sql;
    }
  }
}

TEST(SqlText, ReadOnlyTest) {
  for (const char* ok :
       {"SELECT 1", "  (SELECT a FROM t) ", "select * from t;", "SHOW FIELDS FROM `t`",
        "WITH x AS (SELECT 1) SELECT * FROM x", "SELECT ';DELETE' FROM t", "SELECT 1 -- ; DROP",
        "PRAGMA table_info('t')", "PRAGMA main.index_list(t)", "PRAGMA user_version",
        "SELECT 'load_extension(x)'"}) {
    EXPECT_EQ(readOnlyViolation(ok), "") << ok;
  }
  for (const char* bad :
       {"DELETE FROM t", "drop table t", "SELECT 1; DELETE FROM t", "SELECT * INTO x FROM t",
        "WITH d AS (DELETE FROM t RETURNING *) SELECT * FROM d", "PRAGMA query_only = 0", "",
        "/* SELECT */ UPDATE t SET a=1", "PRAGMA query_only(0)", "PRAGMA main.user_version(7)",
        "pragma journal_mode (WAL)", "SELECT load_extension('x.so', 'init')",
        "SELECT 1 WHERE Load_Extension ('x') IS NULL"}) {
    EXPECT_NE(readOnlyViolation(bad), "") << bad;
  }
}

TEST(SqlAnalyserScript, ObjectsAnswerByName) {
  automation::Context::Scope scope;
  Variant parser(automation::makeRef<SqlParser>());
  std::vector<Variant> args{Variant("SELECT t.a AS b FROM t"), Variant(int16_t{3})};
  EXPECT_TRUE(automation::CBool(
      automation::invoke(parser, "Parse", automation::kMethod, automation::ArgList(args))));
  Variant key("b"), name, table, field, alias;
  Variant* look[] = {&key, &name, &table, &field, &alias};
  automation::invoke(parser, "Lookup", automation::kMethod, automation::Args(look, 5));
  EXPECT_EQ(automation::CStr(name), "t.a");
  EXPECT_EQ(automation::CStr(table), "t");
  EXPECT_EQ(automation::CStr(field), "a");
  EXPECT_TRUE(automation::CBool(alias));
  Variant view(automation::makeRef<ViewSqlAnalyzer>());
  std::vector<Variant> sql{Variant("SELECT x FROM A INNER JOIN B ON A.k = B.k")};
  automation::invoke(view, "Analyze", automation::kMethod, automation::ArgList(sql));
  EXPECT_EQ(automation::CLng(automation::get(view, "JoinCount")), 1);
  EXPECT_EQ(automation::CStr(automation::get(view, "JoinType")), "INNER");
  EXPECT_EQ(automation::CStr(automation::get(view, "RightTable")), "B");
}

} // namespace
} // namespace quillet::platform::data
