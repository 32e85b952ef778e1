// The synchronisation log file, key lists and the lookup aftercare.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/files/files.h"
#include "sync/sync_env.h"

namespace quillet::testing {
namespace {

class SyncLogTest : public SyncTest {
protected:
  std::tm at(int y, int mo, int d, int h, int mi, int s) {
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    return tm;
  }
};

TEST_F(SyncLogTest, WritesTheSortedLogWithBlockHeaders) {
  sync::SyncLog log{{"D", "VIEW", "Temp", "", "Delete table", "", ""},
                    {"C", "Field", "Orders", "Price", "Changed size", "", ""}};
  std::string folder = env.path("Report").string();
  std::string path =
      sync::WriteSyncLog(log, folder, "Sales", "Brindlewood", "4.0", at(2026, 3, 7, 9, 5, 1));
  EXPECT_EQ(std::filesystem::path(path).filename(), "Sales_20260307090501.log");
  EXPECT_EQ(platform::files::readFile(path), "# Software: Brindlewood\r\n"
                                             "# Version: 4.0\r\n"
                                             "# Date: 2026-03-07 09:05:01\r\n"
                                             "#\r\n"
                                             "# Orders\r\n"
                                             "#\r\n"
                                             "CHANGED : (Field) Orders->Price - Changed size\r\n"
                                             "#\r\n"
                                             "# Temp\r\n"
                                             "#\r\n"
                                             "DELETED : (VIEW) Temp\r\n");
}

TEST_F(SyncLogTest, OrderKindWordsSafeNamesAndNothingForNoChange) {
  std::string folder = env.path("Report").string();
  sync::SyncLog none;
  EXPECT_EQ(sync::WriteSyncLog(none, folder, "Sales", "B", "4.0", at(2026, 1, 1, 0, 0, 0)), "");
  EXPECT_FALSE(std::filesystem::exists(folder));

  sync::SyncLog log{{"a", "Field", "b", "x", "", "", ""},
                    {"A", "Field", "b", "x", "second", "", ""},
                    {"A", "TABLE", "a", "", "", "", ""}};
  std::string path =
      sync::WriteSyncLog(log, folder, "../a/b", "B", "4.0", at(2026, 12, 31, 23, 59, 59));
  EXPECT_EQ(std::filesystem::path(path).parent_path(), folder) << "the name stays in the folder";
  // The exchange sort puts the second "b" record before the first.
  EXPECT_EQ(platform::files::readFile(path).substr(60),
            "#\r\n# a\r\n#\r\nADDED   : (TABLE) a\r\n#\r\n# b\r\n#\r\nADDED   : (Field) b->x\r\n"
            "******* : (Field) b->x\r\n");

  sync::SyncLog more{{"C", "Field", "größe", "Maß", "Changed type from 3 to 200", "", ""},
                     {"D", "Field", "", "lost", "", "", ""}};
  std::string text = platform::files::readFile(
      sync::WriteSyncLog(more, folder, "S", "B", "4.0", at(2026, 1, 2, 3, 4, 5)));
  // An empty table name sorts first and gets no block header.
  EXPECT_NE(text.find("03:04:05\r\nDELETED : (Field) ->lost\r\n#\r\n# größe\r\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("CHANGED : (Field) größe->Maß - Changed type from 3 to 200\r\n"),
            std::string::npos)
      << "names beyond ASCII are written as UTF-8";
}

TEST_F(SyncLogTest, KeysSurviveASaveAndRestore) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {{"\"a\"\"b\"", "a\"b"}, {"[name]", "name"}, {"\"[x]\"", "x"},
               {"[a]]b]", "a]]b"},     {"\"", "\""},       {"plain", "plain"}};
  for (const Case& c : cases)
    EXPECT_EQ(sync::UnquoteName(c.in), c.out) << c.in;

  std::string file = sqliteFile("k.db", "CREATE TABLE t (b INTEGER, a INTEGER, c TEXT,"
                                        " PRIMARY KEY (b, a));");
  loadSqlite(file);
  ASSERT_EQ(err(), "");
  auto t = ptable("t");
  sync::SaveTableKeys(*proj->DB());
  EXPECT_EQ(t->TblKey(), "a\r\nb");
  t->Fields()->Item(Variant("c"))->setFldIsPrimaryKey(true);
  t->Fields()->Item(Variant("a"))->setFldIsPrimaryKey(false);
  sync::RestoreTableKeys(*t);
  EXPECT_TRUE(t->Fields()->Item(Variant("a"))->FldIsPrimaryKey());
  EXPECT_FALSE(t->Fields()->Item(Variant("c"))->FldIsPrimaryKey());
}

TEST_F(SyncLogTest, LookupsIntoDeletedOrRenamedTablesAreMended) {
  std::string file = sqliteFile("l.db", "CREATE TABLE o (id INTEGER, cust INTEGER, pic TEXT,"
                                        " kind INTEGER, alt TEXT);"
                                        "CREATE TABLE o2 (id INTEGER, kind INTEGER);");
  loadSqlite(file);
  ASSERT_EQ(err(), "");
  auto o = ptable("o");
  auto set = [&](const char* f, const char* s, const char* v) {
    o->Fields()->Item(Variant(f))->setValue(s, Variant(v));
  };
  auto get = [&](const char* f, const char* s) {
    return platform::automation::CStr(o->Fields()->Item(Variant(f))->value(s));
  };
  // cust looks up a deleted table; kind looks up a renamed one whose link field was renamed.
  set("cust", "FldTagLnkTbl", "customers");
  set("cust", "FldTagLnkFld", "id");
  set("cust", "FldTagLnkDisplay", "name");
  set("cust", "FldTagLnkDisp2", "city");
  set("cust", "FldTagLnkOrderBy", "name");
  set("cust", "FldSelectType", "Table");
  set("kind", "FldTagLnkTbl", "KINDS");
  set("kind", "FldTagLnkFld", "code");
  set("kind", "FldTagLnkDisplay", "label");
  set("pic", "FileNameFld", "alt");
  sync::SyncLog log{{"D", "TABLE", "Customers", "", "Delete table", "", ""},
                    {"D", "Field", "Customers", "id", "Delete field", "", ""},
                    {"C", "TABLE", "kinds", "", "Rename kinds to o2", "o2", ""},
                    {"C", "Field", "kinds", "code", "Rename code to id", "o2", "id"},
                    {"D", "Field", "o", "alt", "Delete field", "", ""}};
  // "alt" is in the project still, so only a field gone from it counts as deleted.
  o->Fields()->Delete("o", Variant("alt"));
  sync::SyncLookupLinks(*proj->DB(), log);
  EXPECT_EQ(get("cust", "FldTagLnkTbl"), "");
  EXPECT_EQ(get("cust", "FldTagLnkDisp2"), "") << "nothing is left pointing into the table";
  EXPECT_EQ(get("cust", "FldTagLnkOrderBy"), "");
  EXPECT_EQ(get("cust", "FldSelectType"), "Values");
  EXPECT_EQ(get("cust", "FldHtmlTag"), "TEXT");
  EXPECT_EQ(get("kind", "FldTagLnkTbl"), "o2");
  EXPECT_EQ(get("kind", "FldTagLnkFld"), "id");
  EXPECT_EQ(get("kind", "FldTagLnkDisplay"), "label");
  EXPECT_EQ(get("pic", "FileNameFld"), "");
  std::vector<std::string> details;
  for (size_t i = 5; i < log.size(); ++i)
    details.push_back(log[i].TableName + "." + log[i].FieldName + ": " + log[i].Detail);
  EXPECT_EQ(details, (std::vector<std::string>{
                         "o.cust: Clear lookup table customers",
                         "o.pic: Clear FileNameFld field",
                         "o.kind: Rename lookup table link field from code to id",
                         "o.kind: Rename lookup table from KINDS to o2",
                     }));
}

} // namespace
} // namespace quillet::testing
