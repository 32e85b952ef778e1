#pragma once
// Reading a catalogue over a data-layer connection (every database kind but Access files):
// the connection steps, the listing of tables and views, and the columns, keys, defaults and
// native types of one table, written through a TableSink.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/data/connection.h"
#include "platform/data/pg_types.h"
#include "schema/sinks.h"

namespace quillet::schema {

using automation::Ref;

// The direct PostgreSQL settings (for the native type reader) and the listing state, one
// copy per thread.
struct ReaderState {
  std::string pgServer, pgDatabase, pgUser, pgPassword;
  int32_t pgPort = 0;
  std::string currentTableSchema;
  std::vector<std::string> schemaList{""};
};
ReaderState& readerState();

// "Servername"/"Server", "Database", "UID", "Password", "Port" of an ODBC data source.
void readServerDsn(const std::string& dsn);
// Server, port, database, user and password from a connection string ("Server"/"Servername"/
// "Host", "UID"/"User"/"Username", "PWD"/"Password"); keys that are absent keep their value.
void parseConnectionString(const std::string& text);

// The facts an open connection reports, as the loaders store them.
struct ConnectionFacts {
  std::string adoVersion, dbmsName, dbmsVersion, oledbVersion, providerName, providerVersion;
};

// What the catalogue says about one table beyond its columns' descriptions.
struct TableFacts {
  struct IndexColumn {
    std::string index;
    bool unique = false;
    std::optional<bool> primary; // unknown: decided by the index name where a kind has a rule
    std::string column;
  };
  std::vector<std::string> primaryKey;
  std::vector<std::string> notNull;
  std::vector<IndexColumn> indexColumns; // index by index, each in key order
  // PostgreSQL: the columns' defaults as the server prints them and their native types.
  std::vector<std::pair<std::string, std::string>> defaults;
  std::vector<std::pair<std::string, std::string>> nativeTypes;
  std::vector<std::string> identity; // columns the server numbers (GENERATED ... AS IDENTITY)
};

// One catalogue read: the open connection and what the per-table steps share.
class AdoSession {
public:
  Ref<data::Connection> cnn;
  data::DatabaseKind kind = data::DatabaseKind::Other;
  ConnectionFacts facts;
  std::string openText;
  std::string password; // kept out of every message
  // The native PostgreSQL type reader, connected on first use for this read.
  std::unique_ptr<data::PgTypeReader> pg;
  std::string pgError;
  bool pgTried = false;
  // Set when every table of a PostgreSQL database is read: the catalogue facts of a whole
  // schema are then read at once, by schema and table name.
  bool wholeSchema = false;
  std::map<std::string, std::map<std::string, TableFacts>> pgFacts;
  std::map<std::string, std::map<std::string, Ref<data::Rowset>>> pgDescribed;
};

// The connection steps: opens the connection (an ODBC data source by name when dbType is
// "ODBC" and connStr is empty, else connStr) and reads what it reports. 0 open, 1 not open,
// 3 failed (ProjErr then holds the driver's message, never the password).
int16_t openAdo(AdoSession& s, const std::string& dbType, const std::string& dbName,
                const std::string& uid, const std::string& pwd, const std::string& connStr);
// Opens the connection of a custom view (its own connection string, nothing read from it);
// false when it did not open (ProjErr then says why, when the driver did).
bool openCustomViewConnection(AdoSession& s, const std::string& connStr);
// The ProjErr text for a failed open or load, without the password.
void reportAdoError(AdoSession& s, const automation::Error& e);

// An identifier as the database's own SQL writes it, whatever the project's quote style:
// names from the catalogue go into statements only this way.
std::string sqlIdentifier(data::DatabaseKind kind, const std::string& name);

// Columns, keys, defaults and native types of one table or view.
void readAdoTable(AdoSession& s, TableSink& t, const std::string& name, const std::string& type,
                  const std::string& schema);

// A PostgreSQL default as the server prints it, into the field.
void applyPgDefault(FieldSink& f, std::string def);
// The column set-up of MySQL and PostgreSQL from the side queries' rows.
void setupMySqlField(FieldSink& f, data::Rowset& rs, const std::string& name);
void setupPostgresField(FieldSink& f, data::Rowset& rs, const std::string& name);
// The tag value list of an "enum(...)"/"set(...)" type: values are SQL string literals, so
// commas, parentheses and doubled quotes inside them are part of the value.
std::string mySqlTagValues(const std::string& typeText);
// The native PostgreSQL type names of a table's (sql empty) or a query's columns.
void loadDirectPgColumns(AdoSession& s, TableSink& t, const std::string& table,
                         const std::string& schema, const std::string& sql);

} // namespace quillet::schema
