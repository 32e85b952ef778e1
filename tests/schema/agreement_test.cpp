// The project model and the schema records read from one database agree, except where the
// two are meant to differ. Synchronisation compares them, so any other difference would be
// reported as a change that is not there.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <set>

#include "platform/automation/convert.h"
#include "schema/schema_reader.h"
#include "schema_env.h"

namespace quillet::schema {
namespace {

using platform::automation::Ref;
using platform::automation::Variant;

using quillet::testing::SchemaTest;
using quillet::testing::serviceVar;

std::string text(const Variant& v) {
  if (v.isEmpty() || v.isNull()) return {};
  return platform::automation::CStr(v);
}

// Settings the project and the records are allowed to hold differently: what the generation
// defaults add to the project.
const std::map<std::string, std::string> kAllowed = {
    {"TblGen", "the table defaults leave generation to the user; records say it was listed"},
    {"FldCaption", "captions of columns read through ADO are made by the field defaults"},
    {"FldTagValues of a Boolean", "the check box values are a field default"},
};

class Agreement : public SchemaTest {
protected:
  // "table.setting: project | record" for every difference not allowed.
  std::vector<std::string> differences(const RUZSchema& reader) {
    std::vector<std::string> out;
    auto check = [&](const std::string& where, const std::string& name, const std::string& p,
                     const std::string& r) {
      if (p != r && !kAllowed.count(name)) out.push_back(where + "." + name + ": " + p + " | " + r);
    };
    auto checkTags = [&](const std::string& where, model::RUZField& f, const std::string& r) {
      if (f.FldType() == 11 && r.empty()) return; // kAllowed: FldTagValues of a Boolean
      check(where, "FldTagValues", f.FldTagValues(), r);
    };
    const AGSchemaDB& rdb = reader.db();
    std::set<std::string> seen;
    for (int32_t i = 1; i <= rdb.DBTblCnt; ++i) {
      const AGSchemaTable& rt = rdb.Tables.Tbl[static_cast<size_t>(i)];
      seen.insert(rt.TblName);
      auto t = table(rt.TblName);
      if (!t) {
        out.push_back(rt.TblName + ": only in the records");
        continue;
      }
      const std::string& w = rt.TblName;
      check(w, "TblType", t->TblType(), rt.TblType);
      check(w, "TblSchema", t->TblSchema(), rt.TblSchema);
      check(w, "TblKey", t->TblKey(), rt.TblKey);
      check(w, "TblSQL", t->TblSQL(), rt.TblSQL);
      check(w, "TblUpdatable", std::to_string(t->TblUpdatable()), std::to_string(rt.TblUpdatable));
      check(w, "TblFldCnt", std::to_string(t->Fields()->Count()), std::to_string(rt.TblFldCnt));
      for (int32_t j = 1; j <= rt.TblFldCnt; ++j) {
        const AGSchemaField& rf = rt.TblFields.Fld[static_cast<size_t>(j)];
        auto f = field(rt.TblName, rf.FldName);
        const std::string fw = w + "." + rf.FldName;
        if (!f) {
          out.push_back(fw + ": only in the records");
          continue;
        }
        check(fw, "FldSeq", std::to_string(f->FldSeq()), std::to_string(rf.FldSeq));
        check(fw, "FldType", std::to_string(f->FldType()), std::to_string(rf.FldType));
        check(fw, "FldTypeName", f->FldTypeName(), rf.FldTypeName);
        checkTags(fw, *f, rf.FldTagValues);
        check(fw, "FldSupport", std::to_string(f->FldSupport()), std::to_string(rf.FldSupport));
        check(fw, "FldSize", std::to_string(f->FldSize()), std::to_string(rf.FldSize));
        check(fw, "FldUniqueIdx", std::to_string(f->FldUniqueIdx()),
              std::to_string(rf.FldUniqueIdx));
        check(fw, "FldZeroLen", std::to_string(f->FldZeroLen()), std::to_string(rf.FldZeroLen));
        check(fw, "FldReq", std::to_string(f->FldReq()), std::to_string(rf.FldReq));
        check(fw, "FldIsPrimaryKey", std::to_string(f->FldIsPrimaryKey()),
              std::to_string(rf.FldIsPrimaryKey));
        check(fw, "FldAutoIncrement", std::to_string(f->FldAutoIncrement()),
              std::to_string(rf.FldAutoIncrement));
        check(fw, "FldAttribute", std::to_string(f->FldAttribute()),
              std::to_string(rf.FldAttribute));
        check(fw, "FldDefault", text(f->FldDefault()), text(rf.FldDefault));
        check(fw, "FldQuoteS", f->FldQuoteS(), rf.FldQuoteS);
        check(fw, "FldQuoteE", f->FldQuoteE(), rf.FldQuoteE);
        check(fw, "FldCaption", f->FldCaption(), rf.FldCaption);
      }
    }
    for (auto& name : tableNames())
      if (!seen.count(name)) out.push_back(name + ": only in the project");
    return out;
  }
  Ref<RUZSchema> readRecords(const std::string& type, const std::string& dsn,
                             const std::string& phyPath, const std::string& uid,
                             const std::string& pwd, const std::string& connStr) {
    auto reader = platform::automation::makeRef<RUZSchema>();
    Variant name(dsn);
    reader->LoadDB(name, type, phyPath, phyPath, false, uid, pwd, connStr, "", "");
    EXPECT_EQ(ctx().ProjErr, "");
    return reader;
  }
};

TEST_F(Agreement, SqlitePostgresMariaDbAccessAndRecordedSqlServer) {
  QUILLET_REQUIRE_SERVICES();
  struct Source {
    const char* label;
    std::function<int16_t()> loadProject;
    std::function<Ref<RUZSchema>()> loadRecords;
  };
  const std::string sqlite = env.path("a.db").string();
  makeSqlite(sqlite, "CREATE TABLE t (id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT NOT NULL "
                     "UNIQUE, d NUMERIC DEFAULT 3); CREATE TABLE u (a INT, b INT, PRIMARY KEY "
                     "(a, b)); CREATE VIEW v AS SELECT name FROM t;");
  const std::string sqliteConn = "Driver={SQLite3};Database=" + sqlite;
  const std::string pgConn = serviceVar("QUILLET_PG_ODBC");
  const std::string myDsn = serviceVar("QUILLET_MARIADB_DSN");
  const std::string myUser = serviceVar("QUILLET_MARIADB_USER");
  const std::string myPwd = serviceVar("QUILLET_MARIADB_PASSWORD");
  const std::string mdb = env.path("nwind.mdb").string();
  std::filesystem::copy_file(QUILLET_SOURCE_DIR "/tests/data/fixtures/nwind.mdb", mdb);
  const std::string mssql = "Provider=Quillet.Recorded;Data Source=" QUILLET_SOURCE_DIR
                            "/tests/data/fixtures/sqlserver_catalogue.json";
  Source sources[] = {
      {"SQLite",
       [&] {
         return db->LoadADODB(Variant("SQLITE"), Variant(""), Variant(""), Variant(""),
                              Variant(sqliteConn), Variant(""), Variant(""));
       },
       [&] { return readRecords("SQLITE", "", sqlite, "", "", ""); }},
      {"PostgreSQL",
       [&] {
         return db->LoadADODB(Variant("OTHER"), Variant(""), Variant(""), Variant(""),
                              Variant(pgConn), Variant(""), Variant(""));
       },
       [&] { return readRecords("OTHER", "", "", "", "", pgConn); }},
      {"MariaDB",
       [&] {
         return db->LoadADODB(Variant("ODBC"), Variant(myDsn), Variant(myUser), Variant(myPwd),
                              Variant(""), Variant(""), Variant(""));
       },
       [&] { return readRecords("ODBC", myDsn, "", myUser, myPwd, ""); }},
      {"Access",
       [&] {
         return db->LoadDAODB(Variant(mdb), Variant(mdb), Variant(false), Variant(""), Variant(""),
                              Variant(""));
       },
       [&] { return readRecords("ACCESS", "", mdb, "", "", ""); }},
      {"SQL Server (recorded)",
       [&] {
         return db->LoadADODB(Variant("OTHER"), Variant(""), Variant(""), Variant(""),
                              Variant(mssql), Variant(""), Variant(""));
       },
       [&] { return readRecords("OTHER", "", "", "", "", mssql); }},
  };
  for (Source& s : sources) {
    SCOPED_TRACE(s.label);
    databases->Delete(Variant("DB"));
    databases->Add("DB");
    db = databases->Item(Variant("DB"));
    ASSERT_EQ(s.loadProject(), 0) << ctx().ProjErr;
    ASSERT_GT(db->Tables()->Count(), 0);
    auto reader = s.loadRecords();
    EXPECT_EQ(differences(*reader), std::vector<std::string>{});
  }
}

} // namespace
} // namespace quillet::schema
