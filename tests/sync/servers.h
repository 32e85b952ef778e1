#pragma once
// Databases of their own on the servers of the test run, for tests that change a schema
// between two reads: made fresh, changed by SQL, dropped afterwards.
#include <libpq-fe.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "data/services.h"

namespace quillet::testing {

// Runs SQL in a PostgreSQL database; "" on success, else the server's message.
inline std::string runPostgres(const std::string& db, const std::string& sql) {
  const char* keys[] = {"host", "port", "dbname", "user", "password", nullptr};
  std::string host = serviceVar("QUILLET_PG_HOST"), port = serviceVar("QUILLET_PG_PORT"),
              user = serviceVar("QUILLET_PG_USER"), pwd = serviceVar("QUILLET_PG_PASSWORD");
  const char* values[] = {host.c_str(), port.c_str(), db.c_str(),
                          user.c_str(), pwd.c_str(),  nullptr};
  PGconn* c = PQconnectdbParams(keys, values, 0);
  std::string err;
  if (PQstatus(c) != CONNECTION_OK) {
    err = PQerrorMessage(c);
  } else {
    PGresult* r = PQexec(c, sql.c_str());
    if (PQresultStatus(r) != PGRES_COMMAND_OK && PQresultStatus(r) != PGRES_TUPLES_OK)
      err = PQresultErrorMessage(r);
    PQclear(r);
  }
  PQfinish(c);
  return err;
}

// Runs SQL in a MariaDB database ("" for none) through the command-line client; "" on
// success, else what the client said.
inline std::string runMariaDb(const std::string& db, const std::string& sql,
                              const std::string& scratch) {
  const std::string in = scratch + ".sql", out = scratch + ".err";
  if (FILE* f = std::fopen(in.c_str(), "wb")) {
    std::fwrite(sql.data(), 1, sql.size(), f);
    std::fclose(f);
  } else {
    return "cannot write " + in;
  }
  ::setenv("MYSQL_PWD", serviceVar("QUILLET_MARIADB_PASSWORD").c_str(), 1);
  const std::string cmd = "mariadb --no-defaults -S '" + serviceVar("QUILLET_MARIADB_SOCKET") +
                          "' -u '" + serviceVar("QUILLET_MARIADB_USER") + "' " +
                          (db.empty() ? std::string() : "'" + db + "'") + " < '" + in +
                          "' 2> '" + out + "'";
  const int rc = std::system(cmd.c_str());
  ::unsetenv("MYSQL_PWD");
  if (rc == 0) return "";
  std::string err = "mariadb failed";
  if (FILE* f = std::fopen(out.c_str(), "rb")) {
    char buf[512];
    size_t n = std::fread(buf, 1, sizeof buf, f);
    std::fclose(f);
    err = std::string(buf, n);
  }
  return err;
}

// The connection string of the test run's server with another database in it.
inline std::string withDatabase(std::string conn, const std::string& db) {
  size_t at = conn.find("Database=");
  if (at == std::string::npos) return conn;
  size_t end = conn.find(';', at);
  conn.replace(at, (end == std::string::npos ? conn.size() : end) - at, "Database=" + db);
  return conn;
}

} // namespace quillet::testing
