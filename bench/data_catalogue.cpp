// Reading the whole catalogue of a 300-table PostgreSQL database through the ODBC backend.
// Needs the servers of scripts/services.sh (source build-test/services/env first); the
// database "quillet_bench" is created on first use.
#include <benchmark/benchmark.h>
#include <libpq-fe.h>

#include <cstdlib>
#include <string>

#include "platform/automation/context.h"
#include "platform/data/connection.h"
#include "platform/data/connection_string.h"

namespace {

using namespace quillet::platform;
using automation::Variant;

constexpr int kTables = 300;

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// Creates quillet_bench with kTables tables (keys, an index, a foreign key each) unless it
// is there; returns an error text or "".
std::string prepare() {
  if (env("QUILLET_PG_HOST").empty()) return "database servers not started: run scripts/test.sh";
  auto connect = [](const std::string& db) {
    const char* keys[] = {"host", "port", "dbname", "user", "password", nullptr};
    std::string host = env("QUILLET_PG_HOST"), port = env("QUILLET_PG_PORT"),
                user = env("QUILLET_PG_USER"), pwd = env("QUILLET_PG_PASSWORD");
    const char* values[] = {host.c_str(), port.c_str(), db.c_str(),
                            user.c_str(), pwd.c_str(),  nullptr};
    return PQconnectdbParams(keys, values, 0);
  };
  PGconn* c = connect(env("QUILLET_PG_DATABASE"));
  if (PQstatus(c) != CONNECTION_OK) {
    std::string e = PQerrorMessage(c);
    PQfinish(c);
    return e;
  }
  PGresult* r = PQexec(c, "SELECT 1 FROM pg_database WHERE datname = 'quillet_bench'");
  bool exists = PQntuples(r) == 1;
  PQclear(r);
  if (!exists) PQclear(PQexec(c, "CREATE DATABASE quillet_bench"));
  PQfinish(c);
  c = connect("quillet_bench");
  if (PQstatus(c) != CONNECTION_OK) {
    std::string e = PQerrorMessage(c);
    PQfinish(c);
    return e;
  }
  r = PQexec(c, "SELECT count(*) FROM pg_tables WHERE schemaname = 'public'");
  int have = PQresultStatus(r) == PGRES_TUPLES_OK ? std::atoi(PQgetvalue(r, 0, 0)) : 0;
  PQclear(r);
  if (have != kTables) {
    std::string ddl = "BEGIN; DROP SCHEMA public CASCADE; CREATE SCHEMA public;";
    for (int i = 0; i < kTables; ++i) {
      std::string t = "t" + std::to_string(i);
      ddl += "CREATE TABLE " + t +
             " (id serial PRIMARY KEY, code varchar(20) NOT NULL UNIQUE, name text, "
             "amount numeric(12,2) DEFAULT 0, created timestamp DEFAULT now(), flag boolean, "
             "ref_id integer" +
             (i > 0 ? " REFERENCES t" + std::to_string(i - 1) + "(id)" : std::string()) +
             ", note varchar(200));CREATE INDEX " + t + "_name ON " + t + " (name);";
    }
    ddl += "COMMIT;";
    r = PQexec(c, ddl.c_str());
    std::string err = PQresultStatus(r) == PGRES_COMMAND_OK ? "" : PQresultErrorMessage(r);
    PQclear(r);
    if (!err.empty()) {
      PQfinish(c);
      return err;
    }
  }
  PQfinish(c);
  return {};
}

std::string benchConnectionString() {
  return data::buildOdbcConnectionString({{"Driver", "PostgreSQL Unicode"},
                                          {"Servername", env("QUILLET_PG_HOST")},
                                          {"Port", env("QUILLET_PG_PORT")},
                                          {"Database", "quillet_bench"},
                                          {"Uid", env("QUILLET_PG_USER")},
                                          {"Pwd", env("QUILLET_PG_PASSWORD")}});
}

// The whole catalogue with unrestricted schema rowsets.
void BM_FullCatalogue(benchmark::State& state) {
  if (std::string e = prepare(); !e.empty()) {
    state.SkipWithError(e.c_str());
    return;
  }
  automation::Context::Scope scope;
  auto conn = data::openConnection(benchConnectionString());
  size_t rows = 0;
  for (auto _ : state) {
    rows = 0;
    for (auto k :
         {data::SchemaKind::Tables, data::SchemaKind::Columns, data::SchemaKind::PrimaryKeys,
          data::SchemaKind::Indexes, data::SchemaKind::ForeignKeys})
      rows += conn->openSchema(k)->rowCount();
  }
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["tables"] = kTables;
}
BENCHMARK(BM_FullCatalogue)->Unit(benchmark::kMillisecond)->Iterations(3);

// The loaders' pattern: the tables rowset, then per table a described column query and the
// key, nullability and index rowsets restricted to it.
void BM_PerTableLoad(benchmark::State& state) {
  if (std::string e = prepare(); !e.empty()) {
    state.SkipWithError(e.c_str());
    return;
  }
  automation::Context::Scope scope;
  auto conn = data::openConnection(benchConnectionString());
  for (auto _ : state) {
    auto tables = conn->openSchema(data::SchemaKind::Tables);
    for (tables->moveFirst(); !tables->eof(); tables->moveNext()) {
      std::string name = automation::CStr(tables->value("TABLE_NAME"));
      conn->describe("SELECT * FROM \"public\".\"" + name + "\" WHERE 0=1");
      conn->openSchema(data::SchemaKind::PrimaryKeys, {Variant(), Variant(), Variant(name)});
      conn->openSchema(data::SchemaKind::Columns, {Variant(), Variant(), Variant(name)});
      conn->openSchema(data::SchemaKind::Indexes,
                       {Variant(), Variant(), Variant(), Variant(), Variant(name)});
    }
  }
  state.counters["tables"] = kTables;
}
BENCHMARK(BM_PerTableLoad)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
