#pragma once
// Native PostgreSQL column types over libpq: the type names ODBC hides ("point", "lseg",
// arrays, "inet") for a table's columns or a query's result, described without running the
// query. Stands in for the direct PostgreSQL schema component.
#include <memory>
#include <string>
#include <vector>

#include "platform/automation/members.h"

struct pg_conn;

namespace quillet::platform::data {

struct PgColumnType {
  std::string name;
  std::string typeName;    // pg_type.typname, or "array" for an array type
  std::string sourceTable; // for query columns taken straight from a table
  std::string sourceColumn;
};

struct PgRelation {
  std::string name;
  std::string tableType; // "TABLE" or "VIEW"
  std::vector<PgColumnType> columns;
};

class PgTypeReader {
public:
  PgTypeReader() = default;
  ~PgTypeReader();
  PgTypeReader(const PgTypeReader&) = delete;
  PgTypeReader& operator=(const PgTypeReader&) = delete;

  // `server` is a host name, an address or a unix socket folder. Raises automation errors
  // naming the server; the session only reads.
  void connect(const std::string& server, const std::string& database, const std::string& user,
               const std::string& password, int port);
  bool connected() const { return conn_ != nullptr; }
  void disconnect();

  // The tables and views of that name in `schema` (the search path when empty).
  std::vector<PgRelation> relations(const std::string& schema, const std::string& name);
  // The columns of a SELECT, from the server's description of the prepared statement.
  std::vector<PgColumnType> queryColumns(const std::string& sql);

private:
  std::string target_;
  pg_conn* conn_ = nullptr;
};

// Scripts' view of the reader. Members: DatabaseType, RegistryPath, Schema, LastError,
// Connect(server, database, user, password, port, connection type, two reserved texts,
// quote), TableSchema(name) -> entries indexed from 0 with Name, TableType and Fields, and
// QuerySchema(name, sql) -> an entry with Fields; each field has Name and DataTypeName.
//
// Connect refuses, through LastError, what this reader cannot do: a DatabaseType other than
// PostgreSQL (empty counts as PostgreSQL), a connection type other than DIRECT (or empty),
// anything in the two reserved texts, and a quote other than PostgreSQL's double quote or
// none. The quote is only checked: names reach the server as values, never in SQL text, so
// they need no quoting. RegistryPath is kept for scripts to read back; the reader has no
// settings of its own to read there.
class DirectSchemaReader : public automation::Object {
  QUILLET_OBJECT(DirectSchemaReader)
public:
  std::string databaseType;
  std::string registryPath;
  std::string schema;
  std::string lastError;
  void connect(const std::string& server, const std::string& database, const std::string& user,
               const std::string& password, int32_t port, const std::string& connectionType = {},
               const std::string& reserved1 = {}, const std::string& reserved2 = {},
               const std::string& quote = "\"");
  automation::Variant tableSchema(const std::string& table);
  automation::Variant querySchema(const std::string& name, const std::string& sql);

private:
  PgTypeReader reader_;
};

} // namespace quillet::platform::data
