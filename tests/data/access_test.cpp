// Access catalogues through libmdb, on real Jet 3 and Jet 4 files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "files/tempdir.h"
#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/data/access.h"
#include "platform/data/connection.h"

namespace quillet::platform::data {
namespace {

using automation::CStr;
namespace fs = std::filesystem;

const std::string kFixtures = QUILLET_TEST_DIR "/fixtures/";

// Tests work on copies, so nothing can touch the fixtures.
class AccessFiles : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char* f : {"nwind.mdb", "DateTestDatabase.mdb"})
      fs::copy_file(kFixtures + f, dir / f, fs::copy_options::overwrite_existing);
  }
  std::string file(const char* name) const { return dir / name; }
  automation::Context::Scope scope;
  quillet::testing::TempDir dir;
};

TEST_F(AccessFiles, Jet3TablesColumnsAndProperties) {
  auto cat = AccessCatalog::read(file("nwind.mdb"));
  EXPECT_EQ(cat.databaseVersion(), "3.0");
  std::vector<std::string> user;
  for (const auto& t : cat.tables())
    if (!t.isSystem()) user.push_back(t.name);
  EXPECT_EQ(user, (std::vector<std::string>{"Order Details", "Orders", "Products", "Shippers",
                                            "Categories", "Customers", "Employees", "Suppliers",
                                            "Umsätze"}));
  EXPECT_TRUE(cat.findTable("MSysObjects")->isSystem());
  EXPECT_TRUE(cat.findTable("MSysModules")->isSystem());
  const AccessTable* p = cat.findTable("Products");
  ASSERT_TRUE(p);
  EXPECT_EQ(p->description, "Product names, suppliers, prices, and units in stock.");
  const AccessColumn* id = p->findColumn("ProductID");
  EXPECT_EQ(id->type, dao::kLong);
  EXPECT_TRUE(id->autoIncrement);
  EXPECT_EQ(id->attributes, dao::kFixedField | dao::kAutoIncrField | dao::kUpdatableField);
  EXPECT_EQ(id->caption, "Product ID");
  const AccessColumn* name = p->findColumn("ProductName");
  EXPECT_EQ(name->type, dao::kText);
  EXPECT_EQ(name->size, 40);
  EXPECT_TRUE(name->required);
  EXPECT_FALSE(name->allowZeroLength);
  EXPECT_EQ(name->attributes, dao::kVariableField | dao::kUpdatableField);
  EXPECT_EQ(p->findColumn("UnitPrice")->type, dao::kCurrency);
  EXPECT_EQ(p->findColumn("UnitPrice")->defaultValue, "0");
  EXPECT_EQ(p->findColumn("Discontinued")->type, dao::kBoolean);
  EXPECT_EQ(p->findColumn("SupplierID")->description, "Same entry as in Suppliers table.");
}

TEST_F(AccessFiles, IndexesAndRelationships) {
  auto cat = AccessCatalog::read(file("nwind.mdb"));
  const AccessTable* od = cat.findTable("Order Details");
  const AccessIndex* pk = nullptr;
  for (const auto& ix : od->indexes)
    if (ix.primary) pk = &ix;
  ASSERT_TRUE(pk);
  EXPECT_EQ(pk->name, "PrimaryKey");
  EXPECT_TRUE(pk->unique);
  EXPECT_EQ(pk->columns, (std::vector<std::string>{"OrderID", "ProductID"}));
  const AccessTable* products = cat.findTable("Products");
  for (const auto& ix : products->indexes)
    if (ix.name == "ProductName") {
      EXPECT_FALSE(ix.unique);
    }
  bool found = false;
  for (const auto& r : cat.relations())
    if (r.table == "Categories" && r.foreignTable == "Products") {
      found = true;
      EXPECT_EQ(r.fields,
                (std::vector<std::pair<std::string, std::string>>{{"CategoryID", "CategoryID"}}));
    }
  EXPECT_TRUE(found);
}

TEST_F(AccessFiles, QueriesWithSqlAndColumns) {
  auto cat = AccessCatalog::read(file("nwind.mdb"));
  const AccessQuery* top = cat.findQuery("Ten Most Expensive Products");
  ASSERT_TRUE(top);
  EXPECT_TRUE(top->isView);
  EXPECT_NE(top->sql.find("SELECT DISTINCTROW TOP 10 Products.ProductName"), std::string::npos)
      << top->sql;
  EXPECT_NE(top->sql.find("FROM Products"), std::string::npos) << top->sql;
  const AccessQuery* list = cat.findQuery("Alphabetical List of Products");
  EXPECT_NE(
      list->sql.find(
          "FROM Categories INNER JOIN Products ON Categories.CategoryID = Products.CategoryID"),
      std::string::npos)
      << list->sql;
  EXPECT_NE(list->sql.find("WHERE (((Products.Discontinued)=No))"), std::string::npos) << list->sql;
  // "Products.*" expands to the table's columns, typed as in the table.
  ASSERT_GT(list->columns.size(), 10u);
  EXPECT_EQ(list->columns[0].name, "ProductID");
  EXPECT_EQ(list->columns[0].sourceTable, "Products");
  EXPECT_EQ(list->columns.back().name, "CategoryName");
  // A query with parameters is no view; a computed column is text.
  const AccessQuery* sales = cat.findQuery("Employee Sales by Country");
  EXPECT_FALSE(sales->isView);
  EXPECT_FALSE(sales->parameters.empty());
  const AccessQuery* cat95 = cat.findQuery("Category Sales for 1995");
  ASSERT_EQ(cat95->columns.size(), 2u);
  EXPECT_EQ(cat95->columns[1].name, "CategorySales");
  EXPECT_EQ(cat95->columns[1].type, dao::kText);
  EXPECT_EQ(cat.findQuery("Customers and Suppliers by City")->type, AccessQueryType::Union);
}

TEST_F(AccessFiles, Jet4SizesAndVersion) {
  auto cat = AccessCatalog::read(file("DateTestDatabase.mdb"));
  EXPECT_EQ(cat.databaseVersion(), "4.0");
  const AccessTable* t = cat.findTable("DateTest");
  ASSERT_TRUE(t);
  EXPECT_EQ(t->findColumn("ShortTextCol")->size, 255); // stored as 510 bytes of UCS-2
  EXPECT_TRUE(t->findColumn("ShortTextCol")->allowZeroLength);
  EXPECT_EQ(t->findColumn("LongTextCol")->type, dao::kMemo);
  EXPECT_EQ(t->findColumn("DateCol")->type, dao::kDate);
  for (const auto& tb : cat.tables())
    if (tb.name.rfind("MSys", 0) == 0 || tb.name.rfind("f_", 0) == 0) {
      EXPECT_TRUE(tb.isSystem()) << tb.name;
    }
}

TEST_F(AccessFiles, SchemaRowsetsThroughAJetConnectionString) {
  auto conn =
      openConnection("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file("nwind.mdb") + ";");
  EXPECT_EQ(CStr(conn->property("DBMS Name")), "MS Jet");
  EXPECT_EQ(conn->kind(), DatabaseKind::Access);
  auto tables =
      conn->openSchema(SchemaKind::Tables, {Variant(), Variant(), Variant(), Variant("TABLE")});
  EXPECT_EQ(tables->rowCount(), 9u);
  auto views =
      conn->openSchema(SchemaKind::Tables, {Variant(), Variant(), Variant(), Variant("VIEW")});
  EXPECT_GT(views->rowCount(), 5u);
  auto pk =
      conn->openSchema(SchemaKind::PrimaryKeys, {Variant(), Variant(), Variant("Order Details")});
  EXPECT_EQ(pk->rowCount(), 2u);
  auto cols = conn->openSchema(SchemaKind::Columns,
                               {Variant(), Variant(), Variant("Products"), Variant("ProductID")});
  ASSERT_EQ(cols->rowCount(), 1u);
  EXPECT_EQ(automation::CLng(cols->value("DATA_TYPE")), ado::kInteger);
  EXPECT_EQ(CStr(cols->value("IS_NULLABLE")), "True");
  auto d = conn->describe("SELECT p.ProductName AS Name, p.UnitPrice FROM Products AS p WHERE 0=1");
  ASSERT_EQ(d->columnCount(), 2u);
  EXPECT_EQ(d->columns()[0].name, "Name");
  EXPECT_EQ(d->columns()[0].baseTable, "Products");
  EXPECT_EQ(d->columns()[1].type, ado::kCurrency);
  EXPECT_THROW(conn->execute("SELECT * FROM Products"), DataError);
}

TEST_F(AccessFiles, DatabasePasswordsAreRefusedNotIgnored) {
  const std::string withPassword[] = {
      "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file("nwind.mdb") +
          ";Jet OLEDB:Database Password=secret",
      "Driver={Microsoft Access Driver (*.mdb)};DBQ=" + file("nwind.mdb") + ";PWD=secret"};
  for (const std::string& text : withPassword) {
    try {
      openConnection(text);
      ADD_FAILURE() << text;
    } catch (const DataError& e) {
      EXPECT_NE(e.description().find("password-protected Access databases are not supported"),
                std::string::npos)
          << e.description();
    }
  }
  // An empty password is no password.
  EXPECT_NO_THROW(openConnection("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" +
                                 file("nwind.mdb") + ";Jet OLEDB:Database Password="));
}

TEST_F(AccessFiles, BadFilesGiveClearErrors) {
  // Missing file.
  try {
    AccessCatalog::read(file("none.mdb"));
    FAIL();
  } catch (const automation::Error& e) {
    EXPECT_EQ(e.number(), automation::err::kFileNotFound);
    EXPECT_NE(e.description().find("none.mdb"), std::string::npos);
  }
  // Not an Access file at all, and a truncated one.
  { std::ofstream(dir / "text.mdb") << "just some text, no database here"; }
  fs::copy_file(dir / "nwind.mdb", dir / "cut.mdb");
  fs::resize_file(dir / "cut.mdb", 5000);
  for (const char* bad : {"text.mdb", "cut.mdb"}) {
    try {
      AccessCatalog::read(file(bad));
      ADD_FAILURE() << bad << " was read";
    } catch (const automation::Error& e) {
      EXPECT_EQ(e.number(), 3343) << bad;
      EXPECT_NE(e.description().find(bad), std::string::npos) << e.description();
    }
  }
  EXPECT_THROW(
      openConnection("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=" + file("none.accdb")),
      DataError);
}

} // namespace
} // namespace quillet::platform::data
