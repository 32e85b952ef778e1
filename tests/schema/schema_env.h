#pragma once
// A model test environment that keeps the ODBC configuration of the test servers (the
// private environment would otherwise point unixODBC at an empty folder), with the schema
// loaders registered and a few helpers to look at what was loaded.
#include <cstdlib>
#include <string>
#include <vector>

#include "data/services.h"
#include "elements/model_env.h"
#include "model/database.h"
#include "schema/register.h"
#include "support/sqlite_file.h"

namespace quillet::testing {

// The ODBC variables as the test run started, before any test environment replaced them.
struct OdbcEnvAtStart {
  std::string sysIni = serviceVar("ODBCSYSINI"), instIni = serviceVar("ODBCINSTINI"),
              userIni = serviceVar("ODBCINI");
};
inline const OdbcEnvAtStart& odbcEnvAtStart() {
  static OdbcEnvAtStart env;
  return env;
}
// Captured while the program starts.
inline const bool kOdbcEnvCaptured = (odbcEnvAtStart(), true);

class SchemaTest : public ModelTest {
protected:
  SchemaTest() {
    const OdbcEnvAtStart& e = odbcEnvAtStart();
    auto restore = [](const char* name, const std::string& v) {
      if (v.empty())
        ::unsetenv(name);
      else
        ::setenv(name, v.c_str(), 1);
    };
    restore("ODBCSYSINI", e.sysIni);
    restore("ODBCINSTINI", e.instIni);
    restore("ODBCINI", e.userIni);
    schema::registerSchemaClasses();
    databases = platform::automation::makeRef<model::RUZDatabases>();
    databases->Add("DB");
    db = databases->Item(Variant("DB"));
  }
  Ref<model::RUZTable> table(const std::string& name) {
    return db->Tables()->TableExist(Variant(name)) ? db->Tables()->Item(Variant(name)) : nullptr;
  }
  Ref<model::RUZField> field(const std::string& t, const std::string& f) {
    auto tb = table(t);
    return tb && tb->Fields()->FieldExist(Variant(f)) ? tb->Fields()->Item(Variant(f)) : nullptr;
  }
  std::vector<std::string> tableNames() {
    std::vector<std::string> out;
    for (auto& t : db->Tables()->items().list())
      out.push_back(t->TblName());
    return out;
  }
  std::vector<std::string> fieldNames(const std::string& t) {
    std::vector<std::string> out;
    for (auto& f : table(t)->Fields()->items().list())
      out.push_back(f->FldName());
    return out;
  }
  static void makeSqlite(const std::string& path, const char* sql) {
    quillet::testing::makeSqlite(path, sql);
  }

  Ref<model::RUZDatabases> databases;
  Ref<model::RUZDatabase> db;
};

} // namespace quillet::testing
