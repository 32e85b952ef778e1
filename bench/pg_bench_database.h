#pragma once
// A PostgreSQL database of many tables on the server of scripts/services.sh, for the
// benchmarks that read catalogues (source build-test/services/env first). Each benchmark
// names its own database and table shape; the database is made on first use and kept.
#include <libpq-fe.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "platform/data/connection_string.h"

namespace quillet::bench {

inline std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

inline PGconn* connectTo(const std::string& db) {
  const char* keys[] = {"host", "port", "dbname", "user", "password", nullptr};
  std::string host = env("QUILLET_PG_HOST"), port = env("QUILLET_PG_PORT"),
              user = env("QUILLET_PG_USER"), pwd = env("QUILLET_PG_PASSWORD");
  const char* values[] = {host.c_str(), port.c_str(), db.c_str(),
                          user.c_str(), pwd.c_str(),  nullptr};
  return PQconnectdbParams(keys, values, 0);
}

// The ODBC connection string of `database` on that server.
inline std::string odbcConnectionString(const std::string& database) {
  return platform::data::buildOdbcConnectionString({{"Driver", "PostgreSQL Unicode"},
                                                    {"Servername", env("QUILLET_PG_HOST")},
                                                    {"Port", env("QUILLET_PG_PORT")},
                                                    {"Database", database},
                                                    {"Uid", env("QUILLET_PG_USER")},
                                                    {"Pwd", env("QUILLET_PG_PASSWORD")}});
}

// Makes `database` hold `tables` tables in its public schema, each created by the DDL that
// `tableDdl(i)` gives, unless it holds that many already. Returns an error text or "".
inline std::string ensureDatabase(const std::string& database, int tables,
                                  const std::function<std::string(int)>& tableDdl) {
  if (env("QUILLET_PG_HOST").empty()) return "database servers not started: run scripts/test.sh";
  auto failed = [](PGconn* c) {
    std::string e = PQerrorMessage(c);
    PQfinish(c);
    return e;
  };
  PGconn* c = connectTo(env("QUILLET_PG_DATABASE"));
  if (PQstatus(c) != CONNECTION_OK) return failed(c);
  const char* params[] = {database.c_str()};
  PGresult* r = PQexecParams(c, "SELECT 1 FROM pg_database WHERE datname = $1", 1, nullptr, params,
                             nullptr, nullptr, 0);
  bool exists = PQntuples(r) == 1;
  PQclear(r);
  if (!exists) PQclear(PQexec(c, ("CREATE DATABASE \"" + database + "\"").c_str()));
  PQfinish(c);
  c = connectTo(database);
  if (PQstatus(c) != CONNECTION_OK) return failed(c);
  r = PQexec(c, "SELECT count(*) FROM pg_tables WHERE schemaname = 'public'");
  int have = PQresultStatus(r) == PGRES_TUPLES_OK ? std::atoi(PQgetvalue(r, 0, 0)) : 0;
  PQclear(r);
  std::string err;
  if (have != tables) {
    std::string ddl = "BEGIN; DROP SCHEMA public CASCADE; CREATE SCHEMA public;";
    for (int i = 0; i < tables; ++i)
      ddl += tableDdl(i);
    ddl += "COMMIT;";
    r = PQexec(c, ddl.c_str());
    err = PQresultStatus(r) == PGRES_COMMAND_OK ? "" : PQresultErrorMessage(r);
    PQclear(r);
  }
  PQfinish(c);
  return err;
}

} // namespace quillet::bench
