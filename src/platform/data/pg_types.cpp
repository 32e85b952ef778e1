#include "platform/data/pg_types.h"

#include <libpq-fe.h>

#include <map>

#include "platform/data/connection.h"
#include "platform/data/sql_text.h"
#include "platform/text/ascii.h"
#include "platform/text/casefold.h"

namespace quillet::platform::data {

using automation::raise;
namespace text = ::quillet::platform::text;

namespace {

struct Result {
  PGresult* r;
  ~Result() { PQclear(r); }
};

std::string trimmed(const char* s) {
  return std::string(text::trimRight(s ? s : "", " \n"));
}

} // namespace

PgTypeReader::~PgTypeReader() {
  disconnect();
}

void PgTypeReader::disconnect() {
  if (conn_) PQfinish(conn_);
  conn_ = nullptr;
}

void PgTypeReader::connect(const std::string& server, const std::string& database,
                           const std::string& user, const std::string& password, int port) {
  disconnect();
  std::string portText = std::to_string(port > 0 ? port : 5432);
  target_ =
      "PostgreSQL server '" + server + "' port " + portText + " (database '" + database + "')";
  const char* keys[] = {
      "host", "port", "dbname", "user", "password", "connect_timeout", "application_name", nullptr};
  const char* values[] = {server.c_str(), portText.c_str(), database.c_str(),
                          user.c_str(),   password.c_str(), "15",
                          "quillet",      nullptr};
  PGconn* c = PQconnectdbParams(keys, values, 0);
  if (!c || PQstatus(c) != CONNECTION_OK) {
    std::string msg = c ? trimmed(PQerrorMessage(c)) : "out of memory";
    if (c) PQfinish(c);
    bool auth = msg.find("password authentication failed") != std::string::npos;
    throw DataError(auth ? adoerr::kAuthenticationFailed : adoerr::kProviderError,
                    (auth ? "Authentication failed for " : "Cannot connect to ") + target_ + ": " +
                        msg);
  }
  conn_ = c;
  Result r{PQexec(conn_, "SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY")};
}

std::vector<PgRelation> PgTypeReader::relations(const std::string& schema,
                                                const std::string& name) {
  if (!conn_)
    raise(adoerr::kObjectClosed, "The PostgreSQL type reader is not connected.", "PostgreSQL");
  const char* sql =
      "SELECT c.relname, CASE WHEN c.relkind IN ('v','m') THEN 'VIEW' ELSE 'TABLE' END, a.attname, "
      "CASE WHEN t.typcategory = 'A' THEN 'array' ELSE t.typname END "
      "FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
      "JOIN pg_attribute a ON a.attrelid = c.oid AND a.attnum > 0 AND NOT a.attisdropped "
      "JOIN pg_type t ON t.oid = a.atttypid "
      "WHERE c.relname = $1 AND c.relkind IN ('r','p','v','m','f') "
      "AND (CASE WHEN $2 = '' THEN n.nspname = current_schema() ELSE n.nspname = $2 END) "
      "ORDER BY c.oid, a.attnum";
  const char* params[] = {name.c_str(), schema.c_str()};
  Result r{PQexecParams(conn_, sql, 2, nullptr, params, nullptr, nullptr, 0)};
  if (PQresultStatus(r.r) != PGRES_TUPLES_OK)
    throw DataError(adoerr::kProviderError, "Cannot read the column types of '" + name + "' on " +
                                                target_ + ": " +
                                                trimmed(PQresultErrorMessage(r.r)));
  std::vector<PgRelation> out;
  for (int i = 0; i < PQntuples(r.r); ++i) {
    std::string rel = PQgetvalue(r.r, i, 0);
    if (out.empty() || out.back().name != rel) out.push_back({rel, PQgetvalue(r.r, i, 1), {}});
    out.back().columns.push_back(
        {PQgetvalue(r.r, i, 2), PQgetvalue(r.r, i, 3), rel, PQgetvalue(r.r, i, 2)});
  }
  return out;
}

std::vector<PgColumnType> PgTypeReader::queryColumns(const std::string& sql) {
  if (!conn_)
    raise(adoerr::kObjectClosed, "The PostgreSQL type reader is not connected.", "PostgreSQL");
  std::string why = readOnlyViolation(sql);
  if (why.empty() && !isQueryText(sql)) why = "only a SELECT statement can be described";
  if (!why.empty())
    throw DataError(adoerr::kCommandError, "Refused to describe on " + target_ + ": " + why);
  // The unnamed statement is prepared and described; nothing runs.
  Result prep{PQprepare(conn_, "", sql.c_str(), 0, nullptr)};
  if (PQresultStatus(prep.r) != PGRES_COMMAND_OK)
    throw DataError(adoerr::kCommandError, "The statement could not be prepared on " + target_ +
                                               ": " + trimmed(PQresultErrorMessage(prep.r)));
  Result d{PQdescribePrepared(conn_, "")};
  if (PQresultStatus(d.r) != PGRES_COMMAND_OK)
    throw DataError(adoerr::kCommandError, "The statement could not be described on " + target_ +
                                               ": " + trimmed(PQresultErrorMessage(d.r)));
  std::vector<PgColumnType> out;
  std::string typeOids, tableOids;
  for (int i = 0; i < PQnfields(d.r); ++i) {
    typeOids += (typeOids.empty() ? "" : ",") + std::to_string(PQftype(d.r, i));
    if (PQftable(d.r, i) != InvalidOid)
      tableOids += (tableOids.empty() ? "" : ",") + std::to_string(PQftable(d.r, i));
  }
  std::map<Oid, std::string> typeNames;
  std::map<std::pair<Oid, int>, std::pair<std::string, std::string>> sources;
  if (!typeOids.empty()) {
    std::string q = "SELECT oid, CASE WHEN typcategory = 'A' THEN 'array' ELSE typname END FROM "
                    "pg_type WHERE oid IN (" +
                    typeOids + ")";
    Result r{PQexec(conn_, q.c_str())};
    for (int i = 0; PQresultStatus(r.r) == PGRES_TUPLES_OK && i < PQntuples(r.r); ++i)
      typeNames[static_cast<Oid>(std::stoul(PQgetvalue(r.r, i, 0)))] = PQgetvalue(r.r, i, 1);
  }
  if (!tableOids.empty()) {
    std::string q =
        "SELECT a.attrelid, a.attnum, c.relname, a.attname FROM pg_attribute a JOIN pg_class c ON "
        "c.oid = a.attrelid WHERE a.attnum > 0 AND a.attrelid IN (" +
        tableOids + ")";
    Result r{PQexec(conn_, q.c_str())};
    for (int i = 0; PQresultStatus(r.r) == PGRES_TUPLES_OK && i < PQntuples(r.r); ++i)
      sources[{static_cast<Oid>(std::stoul(PQgetvalue(r.r, i, 0))),
               std::stoi(PQgetvalue(r.r, i, 1))}] = {PQgetvalue(r.r, i, 2), PQgetvalue(r.r, i, 3)};
  }
  for (int i = 0; i < PQnfields(d.r); ++i) {
    PgColumnType c;
    c.name = PQfname(d.r, i);
    c.typeName = typeNames[PQftype(d.r, i)];
    if (auto it = sources.find({PQftable(d.r, i), PQftablecol(d.r, i)}); it != sources.end()) {
      c.sourceTable = it->second.first;
      c.sourceColumn = it->second.second;
    }
    out.push_back(std::move(c));
  }
  return out;
}

// ---- script view ----------------------------------------------------------------------

namespace {

class PgField : public automation::Object {
  QUILLET_OBJECT(PgField)
public:
  explicit PgField(PgColumnType c) : c_(std::move(c)) {}
  PgColumnType c_;
};
QUILLET_DEFINE_CLASS(PgField) {
  b.get("Name", [](PgField& f) { return f.c_.name; })
      .get("DataTypeName", [](PgField& f) { return f.c_.typeName; })
      .get("SourceTable", [](PgField& f) { return f.c_.sourceTable; })
      .get("SourceField", [](PgField& f) { return f.c_.sourceColumn; });
}

// A collection indexed from 0.
class PgList : public automation::Object {
  QUILLET_OBJECT(PgList)
public:
  std::vector<Variant> items;
  Variant item(int32_t i) const {
    if (i < 0 || static_cast<size_t>(i) >= items.size())
      raise(automation::err::kSubscriptOutOfRange);
    return items[static_cast<size_t>(i)];
  }
};
QUILLET_DEFINE_CLASS(PgList) {
  b.get("Count", [](PgList& l) { return static_cast<int32_t>(l.items.size()); })
      .get("Item", [](PgList& l, int32_t i) { return l.item(i); })
      .defaultMember("Item")
      .enumerator([](PgList& l) -> Ref<automation::Enumerator> {
        return automation::makeRef<automation::VectorEnumerator>(l.items);
      });
}

class PgEntry : public automation::Object {
  QUILLET_OBJECT(PgEntry)
public:
  std::string name, tableType;
  Ref<PgList> fields = automation::makeRef<PgList>();
};
QUILLET_DEFINE_CLASS(PgEntry) {
  b.get("Name", [](PgEntry& e) { return e.name; })
      .get("TableType", [](PgEntry& e) { return e.tableType; })
      .get("Fields", [](PgEntry& e) { return e.fields; });
}

Ref<PgEntry> entryOf(const std::string& name, const std::string& type,
                     const std::vector<PgColumnType>& cols) {
  auto e = automation::makeRef<PgEntry>();
  e->name = name;
  e->tableType = type;
  for (const auto& c : cols)
    e->fields->items.emplace_back(automation::makeRef<PgField>(c));
  return e;
}

} // namespace

void DirectSchemaReader::connect(const std::string& server, const std::string& database,
                                 const std::string& user, const std::string& password, int32_t port,
                                 const std::string& connectionType, const std::string& reserved1,
                                 const std::string& reserved2, const std::string& quote) {
  lastError.clear();
  // A refused call leaves no earlier session behind for later reads to use by mistake.
  reader_.disconnect();
  if (!databaseType.empty() && !text::equalsNoCase(databaseType, "PostgreSQL"))
    lastError =
        "The direct schema reader reads PostgreSQL databases only, not '" + databaseType + "'.";
  else if (!connectionType.empty() && !text::equalsNoCase(connectionType, "DIRECT"))
    lastError = "The direct schema reader connects to the server itself (DIRECT); connection "
                "type '" +
                connectionType + "' is not supported.";
  else if (!reserved1.empty() || !reserved2.empty())
    lastError = "The direct schema reader takes no value in the seventh and eighth arguments "
                "of Connect.";
  else if (!quote.empty() && quote != "\"")
    lastError = "The quote character '" + quote + "' is not PostgreSQL's (\").";
  if (!lastError.empty()) return;
  try {
    reader_.connect(server, database, user, password, port);
  } catch (const automation::Error& e) {
    lastError = e.description();
  }
}

Variant DirectSchemaReader::tableSchema(const std::string& table) {
  auto list = automation::makeRef<PgList>();
  try {
    lastError.clear();
    for (const auto& r : reader_.relations(schema, table))
      list->items.emplace_back(entryOf(r.name, r.tableType, r.columns));
  } catch (const automation::Error& e) {
    lastError = e.description();
  }
  return Variant(list);
}

Variant DirectSchemaReader::querySchema(const std::string& name, const std::string& sql) {
  try {
    lastError.clear();
    return Variant(entryOf(name, "VIEW", reader_.queryColumns(sql)));
  } catch (const automation::Error& e) {
    lastError = e.description();
    return Variant(entryOf(name, "VIEW", {}));
  }
}

QUILLET_DEFINE_CLASS(DirectSchemaReader) {
  b.prop(
       "DatabaseType", [](DirectSchemaReader& r) { return r.databaseType; },
       [](DirectSchemaReader& r, std::string v) { r.databaseType = v; })
      .prop(
          "RegistryPath", [](DirectSchemaReader& r) { return r.registryPath; },
          [](DirectSchemaReader& r, std::string v) { r.registryPath = v; })
      .prop(
          "Schema", [](DirectSchemaReader& r) { return r.schema; },
          [](DirectSchemaReader& r, std::string v) { r.schema = v; })
      .get("LastError", [](DirectSchemaReader& r) { return r.lastError; })
      .method(
          "Connect",
          [](DirectSchemaReader& r, std::string server, std::string db, std::string uid,
             std::string pwd, int32_t port, std::string type, std::string reserved1,
             std::string reserved2, std::string quote) {
            r.connect(server, db, uid, pwd, port, type, reserved1, reserved2, quote);
          },
          5)
      .method("TableSchema", [](DirectSchemaReader& r, std::string t) { return r.tableSchema(t); })
      .method("QuerySchema", [](DirectSchemaReader& r, std::string n, std::string sql) {
        return r.querySchema(n, sql);
      });
}

} // namespace quillet::platform::data
