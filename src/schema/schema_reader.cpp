#include "schema/schema_reader.h"

#include "core/dialect.h"
#include "core/loader_copies.h"
#include "core/state.h"
#include "core/status.h"
#include "core/text_helpers.h"
#include "platform/automation/context.h"
#include "platform/data/access.h"
#include "platform/data/connection_string.h"
#include "platform/text/casefold.h"
#include "schema/access_reader.h"
#include "schema/listing.h"
#include "schema/record_sinks.h"

namespace quillet::schema {

using automation::Context;

AGSchemaTable RUZSchema::Tbl(int32_t i) const {
  if (i < 0 || static_cast<size_t>(i) >= db_.Tables.Tbl.size())
    automation::raise(automation::err::kSubscriptOutOfRange);
  return db_.Tables.Tbl[static_cast<size_t>(i)];
}

AGSchemaTable& RUZSchema::appendTable(const std::string& name, const std::string& type) {
  auto& tables = db_.Tables.Tbl;
  if (tables.empty()) tables.resize(1);
  tables.emplace_back();
  AGSchemaTable& t = tables.back();
  t.TblSeq = static_cast<int32_t>(tables.size() - 1);
  t.TblName = name;
  t.TblType = type;
  return t;
}

void RUZSchema::LoadDB(Variant& sDbName, const std::string& sDbType, const std::string& sPath,
                       const std::string& sPhyPath, bool bDBUseServerMapPath,
                       const std::string& sUID, const std::string& sPwd,
                       const std::string& sConnStr, const std::string& sSchema,
                       const std::string& sTableName) {
  core::State& ctx = core::state();
  if (loaded()) {
    ctx.ProjErr = "database already loaded!";
    return;
  }
  const std::string type = platform::text::toUpper(sDbType);
  if (type == "ACCESS" || type == "SQLITE") {
    if (sPhyPath.empty()) {
      ctx.ProjErr = "invalid database path!";
      return;
    }
  } else if (type == "ODBC") {
    if (sDbName.isEmpty() || sDbName.isNull() || automation::CStr(sDbName).empty()) {
      ctx.ProjErr = "invalid DBName specified!";
      return;
    }
  } else {
    if (sConnStr.empty()) {
      ctx.ProjErr = "invalid connection string specified!";
      return;
    }
    sDbName = Variant("DB");
  }
  core::RUZStatus& status = core::SharedStatus();
  status.ShowStatus(0, ctx.DisplayName + " - Checking Database Schema...");
  int16_t rc = 1;
  const std::string dbName = sDbName.isEmpty() ? std::string() : automation::CStr(sDbName);
  if (type == "ACCESS") {
    rc = readAccess(sPath, sPhyPath, bDBUseServerMapPath, sUID, sPwd, sTableName);
  } else if (type == "SQLITE") {
    // Read like any other database: a synchronisation against an unread catalogue would
    // take every table for deleted.
    rc = readAdo("SQLITE", dbName, sUID, sPwd,
                 data::buildOdbcConnectionString({{"Driver", "SQLite3"}, {"Database", sPhyPath}}),
                 sSchema, sTableName);
    db_.DBPhyPath = sPhyPath;
  } else {
    rc = readAdo(sDbType, dbName, sUID, sPwd, sConnStr, sSchema, sTableName);
  }
  status.CloseStatus();
  if (rc < 1) {
    ctx.ProjErr.clear();
    loaded_ = 1;
  } else if (ctx.ProjErr.empty()) {
    ctx.ProjErr = "Load Database failed!";
  }
}

int16_t RUZSchema::readAdo(const std::string& dbType, const std::string& dbName,
                           const std::string& uid, const std::string& pwd,
                           const std::string& connStr, const std::string& schema,
                           const std::string& tableName) {
  const bool loadAll = tableName.empty();
  core::RUZStatus& status = core::SharedStatus();
  if (loadAll) status.DispStatus("Connecting to Data Source...");
  AdoSession s;
  s.wholeSchema = loadAll;
  if (int16_t rc = openAdo(s, dbType, dbName, uid, pwd, connStr); rc != 0) return rc;
  db_.DBName = dbName;
  db_.DBType = "ODBC";
  db_.DBPath.clear();
  db_.DBPhyPath.clear();
  db_.DBUseServerMapPath = false;
  db_.DBUID = uid;
  db_.DBPwd = pwd;
  db_.DBConnstr = connStr;
  db_.DBADOVer = s.facts.adoVersion;
  db_.DBDBMSName = s.facts.dbmsName;
  db_.DBDBMSVer = s.facts.dbmsVersion;
  db_.DBOLEDBVer = s.facts.oledbVersion;
  db_.DBProviderName = s.facts.providerName;
  db_.DBProviderVer = s.facts.providerVersion;
  dbmsName_ = platform::text::toUpper(s.facts.dbmsName);
  if (s.kind == data::DatabaseKind::PostgreSql) prepareDirectPg(dbType, dbName, connStr, uid, pwd);
  if (dbType == "ODBC")
    db_.DBDotNetConnectionString = core::DsnToConnectionString(dbName, s.kind, uid, pwd);
  core::SetQuoteChars(s.facts.dbmsName);
  try {
    if (loadAll) status.DispStatus("Loading Database Tables/Views...");
    Ref<data::Rowset> rs = s.cnn->openSchema(data::SchemaKind::Tables);
    std::string oracleSchema;
    if (s.kind == data::DatabaseKind::Oracle) {
      auto chosen = chooseOracleSchema(*rs, schema, uid);
      if (!chosen) {
        core::state().setProjErr("No schema chosen, the database was not read.");
        return 1;
      }
      oracleSchema = *chosen;
      db_.DBSchema = oracleSchema;
    }
    db_.Tables.Tbl.assign(1, AGSchemaTable{});
    bool found = walkListing(s, *rs, oracleSchema, tableName, loadAll, [&](const ListedRow& r) {
      AGSchemaTable& t = appendTable(r.name, r.type);
      t.TblGen = true;
      t.TblSchema = r.schema;
      t.TblUpdatable = true;
      RecordTableSink sink(t);
      readAdoTable(s, sink, r.name, r.type, r.schema);
    });
    db_.DBTblCnt = static_cast<int32_t>(db_.Tables.Tbl.size()) - 1;
    if (!loadAll && !found) {
      return tableGone(tableName);
    }
  } catch (const automation::Error& e) {
    reportAdoError(s, e);
    return 3;
  }
  return 0;
}

int16_t RUZSchema::readAccess(const std::string& path, const std::string& phyPath,
                              bool useServerMapPath, const std::string& uid, const std::string& pwd,
                              const std::string& tableName) {
  const bool loadAll = tableName.empty();
  core::RUZStatus& status = core::SharedStatus();
  try {
    if (loadAll) status.DispStatus("Loading Database Tables...");
    data::AccessCatalog cat = data::AccessCatalog::read(phyPath);
    db_.DBName.clear();
    db_.DBType = "ACCESS";
    db_.DBUseServerMapPath = useServerMapPath;
    db_.DBPath = path;
    db_.DBPhyPath = phyPath;
    db_.DBUID = uid;
    db_.DBPwd = pwd;
    db_.DBADOVer = cat.engineVersion();
    db_.DBDBMSName = "ACCESS";
    db_.DBDBMSVer = cat.databaseVersion();
    db_.DBOLEDBVer = db_.DBProviderName = db_.DBProviderVer = "N.A.";
    dbmsName_ = "ACCESS";
    core::SetQuoteChars(dbmsName_);
    db_.Tables.Tbl.assign(1, AGSchemaTable{});
    const int32_t total = static_cast<int32_t>(cat.tables().size() + cat.queries().size());
    int32_t done = 0;
    bool found = false;
    for (const data::AccessTable& td : cat.tables()) {
      if (!td.isSystem() && td.name != "Switchboard Items" && (loadAll || td.name == tableName)) {
        found = true;
        if (loadAll) status.DispStatus("Loading Table " + td.name + "...");
        AGSchemaTable& t = appendTable(td.name, "TABLE");
        if (!td.columns.empty()) {
          t.TblGen = true;
          t.TblUpdatable = true;
          RecordTableSink sink(t);
          readAccessColumns(sink, td.columns);
          sink.finish();
          readAccessIndexes(sink, td);
        }
      }
      ++done;
      if (loadAll) status.SetStatus(Variant(core::CalcPercent(done, total)));
    }
    db_.DBTblCnt = static_cast<int32_t>(db_.Tables.Tbl.size()) - 1;
    // Views take keys from the tables read so far, not from each other.
    std::vector<std::pair<std::string, std::string>> tableKeys;
    for (size_t i = 1; i < db_.Tables.Tbl.size(); ++i)
      tableKeys.emplace_back(db_.Tables.Tbl[i].TblName, db_.Tables.Tbl[i].TblKey);
    if (loadAll) status.DispStatus("Loading Database Views...");
    for (const data::AccessQuery& qd : cat.queries()) {
      if (qd.isView && (loadAll || qd.name == tableName)) {
        found = true;
        if (loadAll) status.DispStatus("Loading View " + qd.name + "...");
        AGSchemaTable& t = appendTable(qd.name, "VIEW");
        t.TblUpdatable = true;
        RecordTableSink sink(t);
        readAccessColumns(sink, qd.columns);
        sink.finish();
        t.TblSQL = qd.sql;
        analyzeAccessView(sink, qd.sql, tableKeys);
      }
      ++done;
      if (loadAll) status.SetStatus(Variant(core::CalcPercent(done, total)));
    }
    db_.DBTblCnt = static_cast<int32_t>(db_.Tables.Tbl.size()) - 1;
    if (!loadAll && !found) {
      return tableGone(tableName);
    }
  } catch (const automation::Error& e) {
    core::state().ProjErr = accessErrorText(e.number(), e.source(), e.description());
    return 1;
  }
  return 0;
}

namespace {

// Runs a column step on a record of the caller's.
template <class Step> void onRecord(AGSchemaField& f, Step step) {
  AGSchemaTable t;
  t.TblFields.Fld.resize(2);
  t.TblFields.Fld[1] = f;
  RecordFieldSink sink(t, 1);
  step(sink);
  f = t.TblFields.Fld[1];
}

} // namespace

void RUZSchema::SetupMySQLFld(AGSchemaField& f, data::Rowset& rs, const std::string& name) {
  onRecord(f, [&](FieldSink& sink) { setupMySqlField(sink, rs, name); });
}

std::string RUZSchema::MySQLTagValues(const std::string& type) {
  return mySqlTagValues(type);
}

void RUZSchema::SetupPostgreSqlFld(AGSchemaField& f, data::Rowset& rs, const std::string& name) {
  onRecord(f, [&](FieldSink& sink) { setupPostgresField(sink, rs, name); });
}

int16_t RUZSchema::LoadADOCustomView(const std::string& connStr, const std::string& tableName,
                                     const std::string& sql) {
  core::State& ctx = core::state();
  ctx.ProjErr.clear();
  AdoSession s;
  if (!openCustomViewConnection(s, connStr)) return 1;
  s.kind = data::databaseKind(core::loaderCopies().CurrentDBMSName);
  if (s.kind == data::DatabaseKind::PostgreSql && !db_.DBType.empty())
    prepareDirectPg(db_.DBType, db_.DBName, db_.DBConnstr, db_.DBUID, db_.DBPwd);
  auto& tables = db_.Tables.Tbl;
  tables.resize(2);
  tables[1] = AGSchemaTable{};
  AGSchemaTable& t = tables[1];
  t.TblGen = true;
  t.TblName = tableName;
  t.TblType = "CUSTOMVIEW";
  t.TblUpdatable = true;
  if (s.kind == data::DatabaseKind::Oracle && tableName.find(' ') != std::string::npos) {
    t.TblGen = false;
    ctx.setProjErr("Invalid Oracle Custom View Name");
    return 1;
  }
  Ref<data::Rowset> cols;
  try {
    cols = s.cnn->describe(sql);
  } catch (const automation::Error& e) {
    t.TblGen = false;
    ctx.setProjErr(e.description());
    return 1;
  }
  RecordTableSink sink(t);
  for (const data::ColumnInfo& c : cols->columns()) {
    if (sink.field(c.name)) {
      t.TblGen = false;
      continue;
    }
    sink.addField(c.name)->loadAdo(c, s.kind);
  }
  sink.finish();
  if (s.kind == data::DatabaseKind::PostgreSql) loadDirectPgColumns(s, sink, tableName, "", sql);
  return ctx.ProjErr.empty() ? 0 : 1;
}

QUILLET_DEFINE_CLASS(RUZSchema) {
  using S = RUZSchema;
  b.get("tblcnt", &S::tblcnt)
      .method("LoadDB",
              [](S& s, Variant& name, const std::string& type, const std::string& path,
                 const std::string& phyPath, bool smp, const std::string& uid,
                 const std::string& pwd, const std::string& connStr, const std::string& schema,
                 const std::string& table) {
                s.LoadDB(name, type, path, phyPath, smp, uid, pwd, connStr, schema, table);
              })
      .method("MySQLTagValues", &S::MySQLTagValues)
      .method("LoadADOCustomView", &S::LoadADOCustomView);
}

} // namespace quillet::schema
