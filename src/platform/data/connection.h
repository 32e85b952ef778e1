#pragma once
// A database connection shaped like ADO's: opened from a connection string, with State,
// Properties ("DBMS Name", "DBMS Version", "Provider Name"...), Errors, read-only Execute,
// OpenSchema and Describe (prepare and describe a statement without running it). The
// connection string decides which backend serves it: unixODBC, an Access file through
// libmdb, or a recorded catalogue.
#include <memory>
#include <string>
#include <vector>

#include "platform/automation/members.h"
#include "platform/data/rowset.h"
#include "platform/data/types.h"

namespace quillet::platform::data {

// One diagnostic of a failed operation, as ADO's Error object.
struct DiagRecord {
  int32_t number = adoerr::kProviderError;
  std::string sqlState;
  int32_t nativeError = 0;
  std::string description;
  std::string source;
};

// An automation error that keeps every diagnostic the driver gave.
class DataError : public automation::Error {
public:
  DataError(int32_t number, std::string description, std::vector<DiagRecord> records = {},
            std::string source = "ADODB")
      : Error(number, std::move(description), std::move(source)), records_(std::move(records)) {}
  const std::vector<DiagRecord>& records() const { return records_; }

private:
  std::vector<DiagRecord> records_;
};

// What a backend serves. Every result is buffered.
class Session {
public:
  virtual ~Session() = default;
  // "DBMS Name", "DBMS Version", "OLE DB Version", "Provider Name", "Provider Version",
  // "Current Catalog" (and, where known, "Current Schema").
  virtual Ref<Properties> properties() = 0;
  // Runs a read-only statement and returns its rows.
  virtual Ref<Rowset> execute(const std::string& sql) = 0;
  // Prepares a SELECT and returns its columns with no rows; nothing is executed.
  virtual Ref<Rowset> describe(const std::string& sql) = 0;
  // A schema rowset with ADO's column names, restricted to the current catalogue/schema
  // unless the restrictions name others; no system tables.
  virtual Ref<Rowset> openSchema(SchemaKind kind, const std::vector<Variant>& restrictions) = 0;
  virtual void close() {}
};

class Connection : public automation::Object {
  QUILLET_OBJECT(Connection)
public:
  Connection() = default;
  ~Connection() override;

  // Opens the connection; `user`/`password` are ADO's separate arguments (empty: none).
  // Raises DataError with a description naming the server or file on failure, and keeps the
  // diagnostics in errors().
  void open(const std::string& connectionString, const std::string& user = {},
            const std::string& password = {});
  void close();
  // 0 closed, 1 open (ADO's adStateClosed/adStateOpen).
  int32_t state() const { return session_ ? 1 : 0; }
  const std::string& connectionString() const { return connectionString_; }
  void setConnectionString(const std::string& text);
  // The version text of this data layer (stored by loaders as the "ADO version").
  static std::string version();

  Ref<Properties> properties() const;
  // A property's value, Empty when the backend does not offer it.
  Variant property(std::string_view name) const;
  // The DBMS family from "DBMS Name" (MariaDB counts as MySQL).
  DatabaseKind kind() const;
  // The diagnostics of the last failed operation.
  const std::vector<DiagRecord>& errors() const { return errors_; }

  Ref<Rowset> execute(const std::string& sql);
  Ref<Rowset> describe(const std::string& sql);
  Ref<Rowset> openSchema(SchemaKind kind, const std::vector<Variant>& restrictions = {});
  // ADO form: a schema number and a criteria array (or Empty/Missing).
  Ref<Rowset> openSchema(int32_t schema, const Variant& criteria);

  // Capture mode: from now on every result of this connection is recorded, and
  // saveCapture() writes the recording to `path` (replayed by "Provider=Quillet.Recorded").
  void startCapture(const std::string& path);
  void saveCapture();
  // Records the whole catalogue (properties and every schema rowset, unrestricted) and
  // writes it to `path`.
  void captureCatalogue(const std::string& path);

  Session* session() const { return session_.get(); }
  std::string typeName() const override { return "Connection"; }

private:
  Session& requireOpen() const;
  template <class F> auto guarded(F&& f) -> decltype(f());

  std::unique_ptr<Session> session_;
  std::string connectionString_;
  std::vector<DiagRecord> errors_;
  class Recorder* recorder_ = nullptr; // owned by session_ while capturing
};

// The most rows and bytes one result may hold: a statement that returns more (an endless
// recursive query) is stopped with an error instead of taking all memory. Process-wide;
// tests lower them to reach them quickly.
struct ResultLimits {
  size_t rows = 1'000'000;
  size_t bytes = size_t{256} << 20;
};
ResultLimits resultLimits();
void setResultLimits(ResultLimits limits);

// Opens a connection from a stored connection string.
Ref<Connection> openConnection(const std::string& connectionString, const std::string& user = {},
                               const std::string& password = {});

// Registers "ADODB.Connection" and "ADODB.Recordset" with the class factory.
void registerDataClasses();

// Backends (defined beside their libraries).
std::unique_ptr<Session> openOdbcSession(const std::string& odbcConnectionString,
                                         const std::string& provider);
std::unique_ptr<Session> openRecordedSession(const std::string& file);
std::unique_ptr<Session> openAccessSession(const std::string& file, const std::string& password);
// The ODBC handles (environment, connection, statement) that sessions hold, over all
// threads: 0 whenever no ODBC session is open.
int odbcHandlesInUse();

} // namespace quillet::platform::data
