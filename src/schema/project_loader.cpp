#include "schema/project_loader.h"

#include "core/dialect.h"
#include "core/loader_copies.h"
#include "core/state.h"
#include "core/status.h"
#include "core/text_helpers.h"
#include "platform/data/access.h"
#include "platform/data/sql_analyser.h"
#include "schema/access_reader.h"
#include "schema/listing.h"
#include "schema/project_sinks.h"

namespace quillet::schema {

using automation::Context;

void loadAdoTable(AdoSession& s, model::RUZTable& t, const std::string& type,
                  const std::string& schema, bool loadAll) {
  t.setTblType(type);
  t.setTblSchema(schema);
  ProjectTableSink sink(t);
  if (loadAll && core::loaderCopies().DynamicLoadDB) {
    // Read later, when the table is loaded by itself.
    sink.setGen(false);
    t.setTblLoaded(false);
    return;
  }
  readAdoTable(s, sink, t.TblName(), type, schema);
}

int16_t loadAdoDatabase(model::RUZDatabase& db, const std::string& dbType,
                        const std::string& dbName, const std::string& uid, const std::string& pwd,
                        const std::string& connStr, const std::string& tableName,
                        const std::string& schema) {
  const bool loadAll = tableName.empty();
  core::RUZStatus& status = core::SharedStatus();
  if (loadAll) status.DispStatus("Connecting to Data Source...");
  AdoSession s;
  s.wholeSchema = loadAll;
  if (int16_t rc = openAdo(s, dbType, dbName, uid, pwd, connStr); rc != 0) return rc;
  if (loadAll) {
    db.setDBType(dbType);
    db.setDBPath("");
    db.setDBUseServerMapPath(false);
    db.setDBPhyPath("");
    db.setDBUID(uid);
    db.setDBPwd(pwd);
    db.setDBConnstr(connStr);
    db.setDBADOVer(s.facts.adoVersion);
    db.setDBDBMSName(s.facts.dbmsName);
    db.setDBDBMSVer(s.facts.dbmsVersion);
    db.setDBOLEDBVer(s.facts.oledbVersion);
    db.setDBProviderName(s.facts.providerName);
    db.setDBProviderVer(s.facts.providerVersion);
  }
  // A single table takes the kind of the database's earlier full load.
  core::loaderCopies().CurrentDBMSName = db.DBDBMSName();
  s.kind = data::databaseKind(db.DBDBMSName());
  if (s.kind == data::DatabaseKind::PostgreSql) prepareDirectPg(dbType, dbName, connStr, uid, pwd);
  if (dbType == "ODBC" && loadAll)
    db.setDBDotNetConnectionString(core::DsnToConnectionString(dbName, s.kind, uid, pwd));
  if (loadAll) {
    core::SetQuoteChars(db.DBDBMSName());
    db.setDBQuoteS(core::IdentQuotes().IdentQuoteStart);
    db.setDBQuoteE(core::IdentQuotes().IdentQuoteEnd);
  }

  try {
    if (loadAll) status.DispStatus("Loading Database Tables/Views...");
    Ref<data::Rowset> rs = s.cnn->openSchema(data::SchemaKind::Tables);
    std::string oracleSchema;
    if (s.kind == data::DatabaseKind::Oracle) {
      if (loadAll) {
        auto chosen = chooseOracleSchema(*rs,
                                         schema.empty() ? db.workingSchema.isEmpty()
                                                              ? std::string()
                                                              : automation::CStr(db.workingSchema)
                                                        : schema,
                                         uid);
        if (!chosen) {
          core::state().setProjErr("No schema chosen, the database was not loaded.");
          return 1;
        }
        oracleSchema = *chosen;
        db.workingSchema = Variant(oracleSchema);
        db.setDBSchema(oracleSchema);
      } else {
        oracleSchema = schema;
      }
    }
    Ref<model::RUZTables> tables = db.Tables();
    bool found = walkListing(s, *rs, oracleSchema, tableName, loadAll, [&](const ListedRow& r) {
      if (loadAll && tables->Add(r.name)) tables->Item(Variant(r.name))->setTblLoaded(false);
      if (tables->TableExist(Variant(r.name)))
        loadAdoTable(s, *tables->Item(Variant(r.name)), r.type, r.schema, loadAll);
    });
    if (!loadAll && !found) {
      return tableGone(tableName);
    }
  } catch (const automation::Error& e) {
    reportAdoError(s, e);
    return 3;
  }
  return 0;
}

// ---- Access ----

void loadAccessTableMember(model::RUZTable& t, const data::AccessTable* td,
                           const data::AccessQuery* qd, bool loadAll) {
  t.setTblType(td ? "TABLE" : "VIEW");
  ProjectTableSink sink(t);
  if (loadAll && core::loaderCopies().DynamicLoadDB) {
    sink.setGen(false);
    t.setTblLoaded(false);
    return;
  }
  readAccessColumns(sink, td ? td->columns : qd->columns);
  if (td) readAccessIndexes(sink, *td);
  sink.setGen(true);
  t.LoadTableDefault();
  t.setTblLoaded(true);
}

namespace {

std::vector<std::pair<std::string, std::string>> projectTableKeys(model::RUZDatabase& db) {
  std::vector<std::pair<std::string, std::string>> out;
  for (auto& t : db.Tables()->items().list())
    out.emplace_back(t->TblName(), t->TblKey());
  return out;
}

} // namespace

int16_t loadAccessDatabase(model::RUZDatabase& db, const std::string& path,
                           const std::string& phyPath, bool useServerMapPath,
                           const std::string& uid, const std::string& pwd,
                           const std::string& tableName) {
  if (phyPath.empty()) return 0;
  const bool loadAll = tableName.empty();
  core::RUZStatus& status = core::SharedStatus();
  core::State& ctx = core::state();
  try {
    if (loadAll) status.DispStatus("Loading Database Tables...");
    data::AccessCatalog cat = data::AccessCatalog::read(phyPath);
    if (loadAll) {
      db.setDBType("ACCESS");
      db.setDBUseServerMapPath(useServerMapPath);
      db.setDBPath(path);
      db.setDBPhyPath(phyPath);
      db.setDBUID(uid);
      db.setDBPwd(pwd);
      db.setDBADOVer(cat.engineVersion());
      db.setDBDBMSName("ACCESS");
      db.setDBDBMSVer(cat.databaseVersion());
      db.setDBOLEDBVer("N.A.");
      db.setDBProviderName("N.A.");
      db.setDBProviderVer("N.A.");
      core::SetQuoteChars("ACCESS");
      db.setDBQuoteS(core::IdentQuotes().IdentQuoteStart);
      db.setDBQuoteE(core::IdentQuotes().IdentQuoteEnd);
    }
    core::loaderCopies().CurrentDBMSName = "ACCESS";
    const int32_t total = static_cast<int32_t>(cat.tables().size() + cat.queries().size());
    int32_t done = 0;
    bool found = false;
    Ref<model::RUZTables> tables = db.Tables();
    for (const data::AccessTable& td : cat.tables()) {
      if (!td.isSystem() && td.name != "Switchboard Items") {
        if (loadAll) {
          status.DispStatus("Loading Table " + td.name + "...");
          if (tables->Add(td.name)) {
            Ref<model::RUZTable> t = tables->Item(Variant(td.name));
            t->setTblType("TABLE");
            t->setTblLoaded(false);
            if (!td.columns.empty()) loadAccessTableMember(*t, &td, nullptr, true);
          }
        } else if (td.name == tableName) {
          found = true;
          if (!td.columns.empty() && tables->TableExist(Variant(td.name)))
            loadAccessTableMember(*tables->Item(Variant(td.name)), &td, nullptr, false);
        }
      }
      ++done;
      if (loadAll) status.SetStatus(Variant(core::CalcPercent(done, total)));
    }
    if (loadAll) status.DispStatus("Loading Database Views...");
    for (const data::AccessQuery& qd : cat.queries()) {
      if (qd.isView && (loadAll || qd.name == tableName)) {
        found = true;
        if (loadAll) {
          status.DispStatus("Loading View " + qd.name + "...");
          if (tables->Add(qd.name)) {
            Ref<model::RUZTable> t = tables->Item(Variant(qd.name));
            t->setTblType("VIEW");
            t->setTblLoaded(false);
            loadAccessTableMember(*t, nullptr, &qd, true);
          }
        } else if (tables->TableExist(Variant(qd.name))) {
          loadAccessTableMember(*tables->Item(Variant(qd.name)), nullptr, &qd, false);
        }
        if (tables->TableExist(Variant(qd.name))) {
          Ref<model::RUZTable> t = tables->Item(Variant(qd.name));
          t->setTblSQL(qd.sql);
          ProjectTableSink sink(*t);
          analyzeAccessView(sink, qd.sql, projectTableKeys(db));
        }
      }
      ++done;
      if (loadAll) status.SetStatus(Variant(core::CalcPercent(done, total)));
    }
    if (!loadAll && !found) {
      return tableGone(tableName);
    }
  } catch (const automation::Error& e) {
    ctx.ProjErr = accessErrorText(e.number(), e.source(), e.description());
    return 1;
  }
  return 0;
}

// ---- custom views ----

void loadCustomViewTable(AdoSession& s, model::RUZTable& t, const std::string& tableName,
                         const std::string& sql) {
  core::State& ctx = core::state();
  t.setTblType("CUSTOMVIEW");
  t.setTblCustomSQL(sql);
  t.setTblLoaded(true);
  ProjectTableSink sink(t);
  sink.setGen(true);
  if (s.kind == data::DatabaseKind::Oracle && t.TblName().find(' ') != std::string::npos) {
    t.setTblCustomError(ctx.DisplayName + ": Oracle Table/View Name [" + tableName +
                        "] contain spaces,table not loaded!");
    sink.setGen(false);
    return;
  }
  Ref<data::Rowset> cols;
  try {
    // Described, never run: a custom view is a single SELECT.
    cols = s.cnn->describe(sql);
  } catch (const automation::Error& e) {
    sink.setGen(false);
    t.setTblCustomError(e.description());
    ctx.ProjErr = e.description();
  }
  if (cols) {
    for (const data::ColumnInfo& c : cols->columns()) {
      if (sink.field(c.name)) {
        sink.setGen(false);
        continue;
      }
      FieldSink* f = sink.addField(c.name);
      if (!f) {
        sink.duplicateColumn(c.name, false);
        continue;
      }
      f->loadAdo(c, s.kind);
    }
    parseCustomSql(t);
    if (s.kind == data::DatabaseKind::PostgreSql) loadDirectPgColumns(s, sink, tableName, "", sql);
    t.setTblCustomError("");
  }
  t.LoadTableDefault();
}

void parseCustomSql(model::RUZTable& t) {
  auto kind = static_cast<int16_t>(data::databaseKind(core::loaderCopies().CurrentDBMSName));
  if (kind < 1 || kind > 5) kind = 1;
  auto parser = automation::makeRef<data::SqlParser>();
  if (!parser->parse(t.TblCustomSQL(), kind)) return;
  for (auto& f : t.Fields()->items().list()) {
    std::string name, table, field;
    bool alias = false;
    parser->lookup(f->FldName(), name, table, field, alias);
    if (name.empty())
      parser->lookup(core::QuoteIdentifier(f->FldName()), name, table, field, alias);
    f->setFldAlias(alias);
    f->setFldSourceName(name);
    f->setFldSourceTable(table);
    f->setFldSourceField(field);
  }
}

int16_t loadCustomViewIntoDatabase(model::RUZDatabase& db, const std::string& connStr,
                                   const std::string& tableName, const std::string& sql) {
  AdoSession s;
  if (!openCustomViewConnection(s, connStr)) return 1;
  core::loaderCopies().CurrentDBMSName = db.DBDBMSName();
  s.kind = data::databaseKind(db.DBDBMSName());
  if (s.kind == data::DatabaseKind::PostgreSql)
    prepareDirectPg(db.DBType(), db.DBName(), db.DBConnstr(), db.DBUID(), db.DBPwd());
  Ref<model::RUZTables> tables = db.Tables();
  if (!tables->Add(tableName)) return 1;
  loadCustomViewTable(s, *tables->Item(Variant(tableName)), tableName, sql);
  if (!core::state().ProjErr.empty()) {
    tables->Delete(tableName);
    return 1;
  }
  return 0;
}

} // namespace quillet::schema
