// The unixODBC backend. Every call goes through the wide (UTF-16) ODBC entry points so
// that names and values survive whatever the drivers' narrow code pages are.
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <condition_variable>
#include <cstring>
#include <locale.h>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <tuple>

#include "platform/automation/convert.h"
#include "platform/automation/interrupt.h"
#include "platform/data/connection.h"
#include "platform/data/connection_string.h"
#include "platform/data/schema.h"
#include "platform/data/sql_text.h"
#include "platform/data/sqlite_guard.h"
#include "platform/text/casefold.h"
#include "platform/text/utf8.h"

namespace quillet::platform::data {

using automation::raise;

namespace {

// Every ODBC handle of ours is allocated and freed through these two, so the count of those
// still held can be checked: unixODBC keeps its handles on global lists, where a forgotten
// one never shows as a leak.
std::atomic<int> liveHandles{0};

// unixODBC turns our UTF-16 text into the narrow text of a driver without wide functions
// (the SQLite driver) by the character set of the locale in force when the environment and
// connection handles are made; under the program's "C" locale that loses every non-ASCII
// name. A thread-local UTF-8 character type while they are made keeps the text UTF-8 and
// leaves the process's own locale alone.
class Utf8CharacterTypeScope {
public:
  Utf8CharacterTypeScope() {
    static locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    if (utf8) previous_ = uselocale(utf8);
  }
  ~Utf8CharacterTypeScope() {
    if (previous_) uselocale(previous_);
  }
  Utf8CharacterTypeScope(const Utf8CharacterTypeScope&) = delete;
  Utf8CharacterTypeScope& operator=(const Utf8CharacterTypeScope&) = delete;

private:
  locale_t previous_ = nullptr;
};

SQLRETURN allocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE* output) {
  std::optional<Utf8CharacterTypeScope> utf8;
  if (type == SQL_HANDLE_ENV || type == SQL_HANDLE_DBC) utf8.emplace();
  SQLRETURN rc = SQLAllocHandle(type, input, output);
  if (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) ++liveHandles;
  return rc;
}

void freeHandle(SQLSMALLINT type, SQLHANDLE handle) {
  SQLRETURN rc = SQLFreeHandle(type, handle);
  if (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) --liveHandles;
}

using WString = std::basic_string<SQLWCHAR>;

// unixODBC's wide characters are UTF-16 code units.
static_assert(sizeof(SQLWCHAR) == sizeof(char16_t));

WString widen(std::string_view s) {
  const std::u16string u = text::toUtf16(s);
  return WString(u.begin(), u.end());
}

std::string narrow(const SQLWCHAR* s, size_t n) {
  return text::fromUtf16(std::u16string(s, s + n));
}

std::string narrow(const SQLWCHAR* s) {
  size_t n = 0;
  while (s[n])
    ++n;
  return narrow(s, n);
}

// Text a driver hands back through a length: a narrow driver behind unixODBC reports its
// length in bytes of UTF-8, which overstates the UTF-16 units of a non-ASCII name, so the
// text ends at its terminator when that comes first.
std::string narrowReported(const SQLWCHAR* s, size_t n) {
  size_t end = 0;
  while (end < n && s[end])
    ++end;
  return narrow(s, end);
}

bool ok(SQLRETURN rc) {
  return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

std::vector<DiagRecord> diagnostics(SQLSMALLINT type, SQLHANDLE h) {
  std::vector<DiagRecord> out;
  for (SQLSMALLINT i = 1; i <= 20; ++i) {
    SQLWCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLWCHAR msg[2048];
    SQLSMALLINT len = 0;
    SQLRETURN rc = SQLGetDiagRecW(type, h, i, state, &native, msg, 2048, &len);
    if (!ok(rc)) break;
    DiagRecord r;
    r.sqlState = narrow(state);
    r.nativeError = native;
    r.description = narrowReported(msg, std::min<size_t>(len, 2047));
    r.source = "Microsoft OLE DB Provider for ODBC Drivers";
    r.number =
        r.sqlState.rfind("28", 0) == 0 ? adoerr::kAuthenticationFailed : adoerr::kProviderError;
    out.push_back(std::move(r));
  }
  return out;
}

[[noreturn]] void fail(SQLSMALLINT type, SQLHANDLE h, const std::string& context) {
  auto records = diagnostics(type, h);
  std::string text = context;
  int32_t number = adoerr::kProviderError;
  if (!records.empty()) {
    text += ": " + records.front().description;
    if (!records.front().sqlState.empty()) text += " (SQLSTATE " + records.front().sqlState + ")";
    number = records.front().number;
  }
  throw DataError(number, text, std::move(records));
}

class Statement {
public:
  explicit Statement(SQLHDBC dbc) {
    if (!ok(allocHandle(SQL_HANDLE_STMT, dbc, &h_)))
      fail(SQL_HANDLE_DBC, dbc, "Cannot allocate a statement");
  }
  ~Statement() {
    if (h_) freeHandle(SQL_HANDLE_STMT, h_);
  }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  SQLHSTMT get() const { return h_; }
  void check(SQLRETURN rc, const std::string& context) const {
    if (!ok(rc) && rc != SQL_NO_DATA) fail(SQL_HANDLE_STMT, h_, context);
  }

private:
  SQLHSTMT h_ = SQL_NULL_HSTMT;
};

// Cancels a running statement when the script's time-out passes, so that a statement that
// waits on the server (a sleep, a lock) stops with the script instead of holding it.
class CancelAtDeadline {
public:
  explicit CancelAtDeadline(SQLHSTMT st) {
    auto deadline = automation::currentDeadline();
    if (!deadline) return;
    watcher_ = std::thread([this, st, at = *deadline] {
      std::unique_lock<std::mutex> lock(mutex_);
      if (!cv_.wait_until(lock, at, [this] { return done_; })) SQLCancel(st);
    });
  }
  ~CancelAtDeadline() {
    if (!watcher_.joinable()) return;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    cv_.notify_one();
    watcher_.join();
  }
  CancelAtDeadline(const CancelAtDeadline&) = delete;
  CancelAtDeadline& operator=(const CancelAtDeadline&) = delete;

private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool done_ = false;
  std::thread watcher_;
};

std::atomic<size_t> maxRows{ResultLimits{}.rows};
std::atomic<size_t> maxResultBytes{ResultLimits{}.bytes};

size_t footprint(const Variant& v) {
  size_t n = sizeof(Variant);
  if (v.isString()) n += v.asString().size();
  if (v.isArray()) n += v.asArray().data().size() * sizeof(Variant);
  return n;
}

// ---- types ----------------------------------------------------------------------------

int adoTypeFor(SQLSMALLINT sqlType, bool isUnsigned) {
  switch (sqlType) {
  case SQL_CHAR:
    return ado::kChar;
  case SQL_VARCHAR:
    return ado::kVarChar;
  case SQL_LONGVARCHAR:
    return ado::kLongVarChar;
  case SQL_WCHAR:
    return ado::kWChar;
  case SQL_WVARCHAR:
    return ado::kVarWChar;
  case SQL_WLONGVARCHAR:
    return ado::kLongVarWChar;
  case SQL_DECIMAL:
  case SQL_NUMERIC:
    return ado::kNumeric;
  case SQL_SMALLINT:
    return isUnsigned ? ado::kUnsignedSmallInt : ado::kSmallInt;
  case SQL_INTEGER:
    return isUnsigned ? ado::kUnsignedInt : ado::kInteger;
  case SQL_REAL:
    return ado::kSingle;
  case SQL_FLOAT:
  case SQL_DOUBLE:
    return ado::kDouble;
  case SQL_BIT:
    return ado::kBoolean;
  case SQL_TINYINT:
    return isUnsigned ? ado::kUnsignedTinyInt : ado::kTinyInt;
  case SQL_BIGINT:
    return isUnsigned ? ado::kUnsignedBigInt : ado::kBigInt;
  case SQL_BINARY:
    return ado::kBinary;
  case SQL_VARBINARY:
    return ado::kVarBinary;
  case SQL_LONGVARBINARY:
    return ado::kLongVarBinary;
  case SQL_TYPE_DATE:
  case SQL_DATE:
    return ado::kDBDate;
  case SQL_TYPE_TIME:
  case SQL_TIME:
    return ado::kDBTime;
  case SQL_TYPE_TIMESTAMP:
  case SQL_TIMESTAMP:
    return ado::kDBTimeStamp;
  case SQL_GUID:
    return ado::kGUID;
  default:
    return ado::kVarWChar;
  }
}

bool isLong(int t) {
  return t == ado::kLongVarChar || t == ado::kLongVarWChar || t == ado::kLongVarBinary;
}
bool isText(int t) {
  return t == ado::kChar || t == ado::kVarChar || t == ado::kLongVarChar || t == ado::kWChar ||
         t == ado::kVarWChar || t == ado::kLongVarWChar;
}
bool isBinary(int t) {
  return t == ado::kBinary || t == ado::kVarBinary || t == ado::kLongVarBinary;
}
bool isVariableLength(int t) {
  return t == ado::kVarChar || t == ado::kLongVarChar || t == ado::kVarWChar ||
         t == ado::kLongVarWChar || t == ado::kVarBinary || t == ado::kLongVarBinary;
}

// ADO's byte size and precision of the fixed-size types.
std::pair<int64_t, int> fixedSizeAndPrecision(int t) {
  switch (t) {
  case ado::kSmallInt:
  case ado::kUnsignedSmallInt:
    return {2, 5};
  case ado::kInteger:
  case ado::kUnsignedInt:
    return {4, 10};
  case ado::kBigInt:
  case ado::kUnsignedBigInt:
    return {8, 19};
  case ado::kTinyInt:
  case ado::kUnsignedTinyInt:
    return {1, 3};
  case ado::kSingle:
    return {4, 7};
  case ado::kDouble:
    return {8, 15};
  case ado::kBoolean:
    return {2, 255};
  case ado::kDBDate:
    return {6, 255};
  case ado::kDBTime:
    return {6, 255};
  case ado::kDBTimeStamp:
    return {16, 19};
  case ado::kGUID:
    return {16, 255};
  case ado::kNumeric:
    return {19, 255};
  default:
    return {0, 255};
  }
}

// Days since 30 December 1899 of a civil date.
double serialOf(int y, unsigned m, unsigned d, int hh, int mi, int ss, double frac) {
  y -= m <= 2;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const double days = era * 146097.0 + doe - 719468.0; // days since 1970-01-01
  const double base = days + 25569.0;                  // 1899-12-30 is day -25569
  double time = (hh * 3600 + mi * 60 + ss + frac) / 86400.0;
  // A date before 1899-12-30 keeps its time positive in VB's encoding: -1.25 is 29/12 06:00.
  return base >= 0 ? base + time : base - time;
}

struct ColumnBinding {
  int adoType;
  SQLSMALLINT sqlType;
};

// ---- the session ----------------------------------------------------------------------

// What an ODBC session does differently for each kind of database, in one table.
struct KindTraits {
  const char* readOnlySession = nullptr; // puts the whole session in read-only mode
  const char* beginReadOnly = nullptr;   // opens a read-only transaction
  const char* currentSchema = nullptr;   // the schema unqualified names resolve in
  // The server bounds recursive queries to the reader's row limit.
  bool boundsRecursion = false;
  // Tables carry no catalogue (the driver reports the database file as one).
  bool noCatalogue = false;
  // Schema rowsets default to the connection's catalogue (a MySQL database is a catalogue).
  bool catalogIsDefault = false;
  // The driver hands booleans ("bool", "boolean") over as text unless told otherwise.
  bool textBooleans = false;
  // A column default of "nextval(...)" tells an auto-increment column.
  bool sequenceDefaults = false;
  // A unique index over the key's columns is the primary key whatever its name.
  bool keyIndexByColumns = false;
  // Names of the engine's own tables start with this.
  const char* systemPrefix = nullptr;
};

const KindTraits& traitsOf(DatabaseKind kind) {
  static const KindTraits other;
  static const KindTraits postgres{.readOnlySession =
                                       "SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY",
                                   .beginReadOnly = "BEGIN READ ONLY",
                                   .currentSchema = "SELECT current_schema()",
                                   .textBooleans = true,
                                   .sequenceDefaults = true};
  static const KindTraits mysql{.readOnlySession = "SET SESSION TRANSACTION READ ONLY",
                                .beginReadOnly = "START TRANSACTION READ ONLY",
                                .boundsRecursion = true,
                                .catalogIsDefault = true};
  static const KindTraits sqlite{.readOnlySession = "PRAGMA query_only = 1",
                                 .noCatalogue = true,
                                 .keyIndexByColumns = true,
                                 .systemPrefix = "sqlite_"};
  static const KindTraits sqlServer{.currentSchema = "SELECT SCHEMA_NAME()"};
  switch (kind) {
  case DatabaseKind::PostgreSql:
    return postgres;
  case DatabaseKind::MySql:
    return mysql;
  case DatabaseKind::SQLite:
    return sqlite;
  case DatabaseKind::SqlServer:
    return sqlServer;
  default:
    return other;
  }
}

class OdbcSession : public Session {
public:
  OdbcSession(const std::string& odbc, const std::string& provider) {
    target_ = describeTarget(odbc, provider);
    if (!ok(allocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_)))
      throw DataError(adoerr::kProviderError, "Cannot initialise unixODBC");
    // A constructor that throws runs no destructor, so the handles are given back here.
    try {
      connect(odbc);
    } catch (...) {
      release();
      throw;
    }
  }

private:
  void connect(const std::string& odbc) {
    SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    if (!ok(allocHandle(SQL_HANDLE_DBC, env_, &dbc_)))
      fail(SQL_HANDLE_ENV, env_, "Cannot initialise unixODBC");
    SQLSetConnectAttr(dbc_, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(15), 0);
    WString in = widen(odbc);
    SQLWCHAR out[1024];
    SQLSMALLINT outLen = 0;
    SQLRETURN rc;
    {
      // Whatever the data source turns out to be: a DSN may name an SQLite file too.
      SqliteOpenGuard guard;
      rc = SQLDriverConnectW(dbc_, nullptr, in.data(), static_cast<SQLSMALLINT>(in.size()), out,
                             1024, &outLen, SQL_DRIVER_NOPROMPT);
    }
    if (!ok(rc)) connectFailed();
    connected_ = true;
    SQLSetConnectAttr(dbc_, SQL_ATTR_ACCESS_MODE, reinterpret_cast<SQLPOINTER>(SQL_MODE_READ_ONLY),
                      0);
    dbmsName_ = info(SQL_DBMS_NAME);
    traits_ = &traitsOf(databaseKind(dbmsName_));
    catalog_ = info(SQL_DATABASE_NAME);
    makeReadOnly();
  }

public:
  ~OdbcSession() override { release(); }

  void close() override { release(); }

  Ref<Properties> properties() override {
    auto p = automation::makeRef<Properties>();
    p->add("DBMS Name", dbmsName_);
    p->add("DBMS Version", info(SQL_DBMS_VER));
    p->add("OLE DB Version", info(SQL_DRIVER_ODBC_VER));
    p->add("Provider Name", info(SQL_DRIVER_NAME));
    p->add("Provider Version", info(SQL_DRIVER_VER));
    p->add("Current Catalog", catalog_);
    if (!schema_.empty()) p->add("Current Schema", schema_);
    return p;
  }

  Ref<Rowset> execute(const std::string& sql) override {
    requireReadOnly(sql, "execute");
    ReadOnlyTransaction txn(*this);
    Statement st(dbc_);
    CancelAtDeadline cancel(st.get());
    WString w = widen(sql);
    try {
      st.check(SQLExecDirectW(st.get(), w.data(), static_cast<SQLINTEGER>(w.size())),
               "The statement failed on " + target_);
      return fetchAll(st, true, sql);
    } catch (const DataError&) {
      // A statement cancelled at the script's time-out ends the script as its own code
      // would.
      if (automation::deadlinePassed()) automation::raiseExpired();
      throw;
    }
  }

  Ref<Rowset> describe(const std::string& sql) override {
    requireReadOnly(sql, "describe");
    if (!isQueryText(sql))
      throw DataError(adoerr::kCommandError,
                      "Only a SELECT statement can be described: " + firstWords(sql));
    ReadOnlyTransaction txn(*this);
    Statement st(dbc_);
    WString w = widen(sql);
    st.check(SQLPrepareW(st.get(), w.data(), static_cast<SQLINTEGER>(w.size())),
             "The statement could not be prepared on " + target_);
    SQLSMALLINT n = 0;
    st.check(SQLNumResultCols(st.get(), &n), "The statement could not be described on " + target_);
    return automation::makeRef<Rowset>(describeColumns(st, n, true));
  }

  Ref<Rowset> openSchema(SchemaKind kind, const std::vector<Variant>& r) override {
    switch (kind) {
    case SchemaKind::Tables:
      return tables(r, false);
    case SchemaKind::Views:
      return tables(r, true);
    case SchemaKind::Columns:
      return columns(r);
    case SchemaKind::PrimaryKeys:
      return primaryKeys(r);
    case SchemaKind::Indexes:
      return indexes(r);
    case SchemaKind::ForeignKeys:
      return foreignKeys(r);
    }
    raise(adoerr::kNotSupported, "schema rowset not supported", "ADODB");
  }

private:
  static std::string describeTarget(const std::string& odbc, const std::string& provider) {
    ConnectionString cs;
    try {
      cs = ConnectionString::parse(odbc);
    } catch (const automation::Error&) {
      return "'" + provider + "'";
    }
    if (auto dsn = cs.get("DSN")) return "data source '" + *dsn + "'";
    std::string where =
        cs.getAny({"Server", "Servername", "Host", "Socket", "DBQ", "Database"}).value_or("");
    std::string text = "driver '" + cs.value("Driver") + "'";
    if (!where.empty()) text += " at '" + where + "'";
    if (auto port = cs.get("Port")) text += " port " + *port;
    if (auto db = cs.get("Database"); db && *db != where) text += " (database '" + *db + "')";
    return text;
  }

  [[noreturn]] void connectFailed() {
    auto records = diagnostics(SQL_HANDLE_DBC, dbc_);
    std::string state = records.empty() ? "" : records.front().sqlState;
    std::string msg = records.empty() ? "no diagnostic" : records.front().description;
    int32_t number = adoerr::kProviderError;
    std::string text;
    std::string folded = text::foldCase(msg);
    bool auth = state.rfind("28", 0) == 0 ||
                folded.find("password authentication failed") != std::string::npos ||
                folded.find("access denied") != std::string::npos ||
                folded.find("login failed") != std::string::npos;
    if (auth) {
      number = adoerr::kAuthenticationFailed;
      text = "Authentication failed for " + target_ + ": " + msg;
      for (auto& r : records)
        r.number = number;
    } else if (state == "IM002") {
      text = "The ODBC driver or data source for " + target_ + " is not installed: " + msg;
    } else {
      text = "Cannot connect to " + target_ + ": " + msg;
    }
    if (!state.empty()) text += " (SQLSTATE " + state + ")";
    release();
    throw DataError(number, text, std::move(records));
  }

  void release() {
    if (dbc_) {
      if (connected_) SQLDisconnect(dbc_);
      freeHandle(SQL_HANDLE_DBC, dbc_);
      dbc_ = SQL_NULL_HDBC;
    }
    if (env_) {
      freeHandle(SQL_HANDLE_ENV, env_);
      env_ = SQL_NULL_HENV;
    }
    connected_ = false;
  }

  std::string info(SQLUSMALLINT what) {
    SQLWCHAR buf[512] = {};
    SQLSMALLINT len = 0;
    if (!ok(SQLGetInfoW(dbc_, what, buf, sizeof buf, &len))) return {};
    return narrowReported(buf, std::min<size_t>(len / sizeof(SQLWCHAR), 511));
  }

  // Statements here only read; the session is put in read-only mode as well, so that even a
  // SELECT calling a function that writes is refused by the server.
  void makeReadOnly() {
    auto run = [&](const char* sql) {
      Statement st(dbc_);
      WString w = widen(sql);
      SQLExecDirectW(st.get(), w.data(), static_cast<SQLINTEGER>(w.size()));
    };
    const KindTraits& t = *traits_;
    if (t.readOnlySession) run(t.readOnlySession);
    // The server materialises a recursive query before sending a row: bound it where the
    // rows would pass the reader's limit anyway.
    if (t.boundsRecursion)
      run(("SET SESSION max_recursive_iterations = " + std::to_string(maxRows.load())).c_str());
    if (t.noCatalogue) catalog_.clear();
    if (t.currentSchema) schema_ = scalar(t.currentSchema);
  }

  // Runs a statement of ours; false when the server refused it.
  bool runOwn(const char* sql) {
    Statement st(dbc_);
    WString w = widen(sql);
    return ok(SQLExecDirectW(st.get(), w.data(), static_cast<SQLINTEGER>(w.size())));
  }

  // Every statement of a caller runs inside a read-only transaction that is always rolled
  // back: whatever a function it calls manages to do (a sequence step, a large object, a
  // setting changed for the session) is undone with it. The statement filter and the
  // session's read-only mode stay as further lines of defence.
  class ReadOnlyTransaction {
  public:
    explicit ReadOnlyTransaction(OdbcSession& s) : s_(s) {
      const char* begin = s.traits_->beginReadOnly;
      if (!begin) return;
      if (!s.runOwn(begin))
        throw DataError(adoerr::kProviderError,
                        "Cannot start a read-only transaction on " + s.target_);
      open_ = true;
    }
    ~ReadOnlyTransaction() {
      if (open_) s_.runOwn("ROLLBACK");
    }
    ReadOnlyTransaction(const ReadOnlyTransaction&) = delete;
    ReadOnlyTransaction& operator=(const ReadOnlyTransaction&) = delete;

  private:
    OdbcSession& s_;
    bool open_ = false;
  };

  std::string scalar(const std::string& sql) {
    try {
      Statement st(dbc_);
      WString w = widen(sql);
      st.check(SQLExecDirectW(st.get(), w.data(), static_cast<SQLINTEGER>(w.size())), sql);
      auto r = fetchAll(st, false);
      if (r->rowCount() == 0 || r->row(0).empty() || r->row(0)[0].isNull()) return {};
      return automation::CStr(r->row(0)[0]);
    } catch (const automation::Error&) {
      return {};
    }
  }

  void requireReadOnly(const std::string& sql, const char* what) {
    std::string why = readOnlyViolation(sql);
    if (!why.empty())
      throw DataError(adoerr::kCommandError,
                      std::string("Refused to ") + what + " on " + target_ + ": " + why);
  }

  // ---- results ------------------------------------------------------------------------

  std::string colString(const Statement& st, SQLUSMALLINT i, SQLUSMALLINT field) {
    SQLWCHAR buf[512] = {};
    SQLSMALLINT len = 0;
    if (!ok(SQLColAttributeW(st.get(), i, field, buf, sizeof buf, &len, nullptr))) return {};
    return narrowReported(buf, std::min<size_t>(len / sizeof(SQLWCHAR), 511));
  }

  SQLLEN colNumber(const Statement& st, SQLUSMALLINT i, SQLUSMALLINT field, SQLLEN fallback = 0) {
    SQLLEN v = fallback;
    if (!ok(SQLColAttributeW(st.get(), i, field, nullptr, 0, nullptr, &v))) return fallback;
    return v;
  }

  // Booleans a driver hands over as text are Booleans to ADO.
  bool isNativeBoolean(const std::string& typeName) const {
    return traits_->textBooleans && (typeName == "bool" || typeName == "boolean");
  }
  static void setBoolean(ColumnInfo& c) {
    c.type = ado::kBoolean;
    c.definedSize = 2;
    c.precision = 255;
    c.attributes = (c.attributes & ~fieldattr::kLong) | fieldattr::kFixed;
  }

  std::vector<ColumnInfo> describeColumns(const Statement& st, SQLSMALLINT n, bool full) {
    std::vector<ColumnInfo> cols;
    for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(n); ++i) {
      SQLWCHAR name[512] = {};
      SQLSMALLINT nameLen = 0, sqlType = 0, digits = 0, nullable = SQL_NULLABLE_UNKNOWN;
      SQLULEN size = 0;
      st.check(
          SQLDescribeColW(st.get(), i, name, 512, &nameLen, &sqlType, &size, &digits, &nullable),
          "Cannot describe column " + std::to_string(i));
      ColumnInfo c;
      c.name = narrowReported(name, std::min<size_t>(nameLen, 511));
      bool isUnsigned = full && colNumber(st, i, SQL_DESC_UNSIGNED, SQL_FALSE) == SQL_TRUE &&
                        sqlType != SQL_NUMERIC && sqlType != SQL_DECIMAL;
      if (full)
        sqlType = static_cast<SQLSMALLINT>(colNumber(st, i, SQL_DESC_CONCISE_TYPE, sqlType));
      c.type = adoTypeFor(sqlType, isUnsigned);
      auto [fixedSize, fixedPrecision] = fixedSizeAndPrecision(c.type);
      if (isText(c.type) || isBinary(c.type)) {
        c.definedSize = full ? colNumber(st, i, SQL_DESC_LENGTH, static_cast<SQLLEN>(size))
                             : static_cast<int64_t>(size);
      } else {
        c.definedSize = fixedSize;
        c.precision = fixedPrecision;
      }
      if (c.type == ado::kNumeric) {
        c.precision = static_cast<int>(
            full ? colNumber(st, i, SQL_DESC_PRECISION, static_cast<SQLLEN>(size)) : size);
        c.scale = static_cast<int>(full ? colNumber(st, i, SQL_DESC_SCALE, digits) : digits);
      }
      int attr = 0;
      if (full) {
        SQLLEN upd = colNumber(st, i, SQL_DESC_UPDATABLE, SQL_ATTR_READWRITE_UNKNOWN);
        if (upd == SQL_ATTR_WRITE)
          attr |= fieldattr::kUpdatable;
        else if (upd == SQL_ATTR_READWRITE_UNKNOWN)
          attr |= fieldattr::kUnknownUpdatable;
        nullable = static_cast<SQLSMALLINT>(colNumber(st, i, SQL_DESC_NULLABLE, nullable));
      }
      if (!isVariableLength(c.type)) attr |= fieldattr::kFixed;
      if (nullable == SQL_NULLABLE)
        attr |= fieldattr::kIsNullable | fieldattr::kMayBeNull;
      else if (nullable == SQL_NULLABLE_UNKNOWN)
        attr |= fieldattr::kMayBeNull;
      if (isLong(c.type)) attr |= fieldattr::kLong;
      c.attributes = attr;
      if (full) {
        c.autoIncrement = colNumber(st, i, SQL_DESC_AUTO_UNIQUE_VALUE, SQL_FALSE) == SQL_TRUE;
        c.nativeTypeName = colString(st, i, SQL_DESC_TYPE_NAME);
        c.baseCatalog = colString(st, i, SQL_DESC_CATALOG_NAME);
        c.baseSchema = colString(st, i, SQL_DESC_SCHEMA_NAME);
        c.baseTable = colString(st, i, SQL_DESC_BASE_TABLE_NAME);
        c.baseColumn = colString(st, i, SQL_DESC_BASE_COLUMN_NAME);
        if (traits_->noCatalogue) c.baseCatalog.clear();
        if (isNativeBoolean(c.nativeTypeName)) setBoolean(c);
      }
      cols.push_back(std::move(c));
    }
    return cols;
  }

  Variant readText(const Statement& st, SQLUSMALLINT i) {
    WString all;
    SQLWCHAR buf[2048];
    for (;;) {
      SQLLEN ind = 0;
      SQLRETURN rc = SQLGetData(st.get(), i, SQL_C_WCHAR, buf, sizeof buf, &ind);
      if (rc == SQL_NO_DATA) break;
      st.check(rc, "Cannot read column " + std::to_string(i));
      if (ind == SQL_NULL_DATA) return Variant::null();
      size_t avail = sizeof buf / sizeof(SQLWCHAR) - 1;
      size_t got = (ind == SQL_NO_TOTAL || static_cast<size_t>(ind) / sizeof(SQLWCHAR) > avail)
                       ? avail
                       : static_cast<size_t>(ind) / sizeof(SQLWCHAR);
      all.append(buf, got);
      if (rc == SQL_SUCCESS) break;
    }
    return Variant(narrow(all.data(), all.size()));
  }

  Variant readBinary(const Statement& st, SQLUSMALLINT i) {
    std::vector<Variant> bytes;
    unsigned char buf[4096];
    for (;;) {
      SQLLEN ind = 0;
      SQLRETURN rc = SQLGetData(st.get(), i, SQL_C_BINARY, buf, sizeof buf, &ind);
      if (rc == SQL_NO_DATA) break;
      st.check(rc, "Cannot read column " + std::to_string(i));
      if (ind == SQL_NULL_DATA) return Variant::null();
      size_t got = (ind == SQL_NO_TOTAL || static_cast<size_t>(ind) > sizeof buf)
                       ? sizeof buf
                       : static_cast<size_t>(ind);
      for (size_t k = 0; k < got; ++k)
        bytes.emplace_back(static_cast<uint8_t>(buf[k]));
      if (rc == SQL_SUCCESS) break;
    }
    return Variant(automation::SafeArray::fromValues(std::move(bytes)));
  }

  Variant readValue(const Statement& st, SQLUSMALLINT i, int type) {
    SQLLEN ind = 0;
    auto get = [&](SQLSMALLINT ctype, void* p, SQLLEN size) {
      st.check(SQLGetData(st.get(), i, ctype, p, size, &ind),
               "Cannot read column " + std::to_string(i));
      return ind != SQL_NULL_DATA;
    };
    switch (type) {
    case ado::kSmallInt:
    case ado::kTinyInt:
    case ado::kUnsignedTinyInt:
    case ado::kInteger:
    case ado::kUnsignedSmallInt:
    case ado::kUnsignedInt:
    case ado::kBigInt:
    case ado::kUnsignedBigInt: {
      SQLBIGINT v = 0;
      if (!get(SQL_C_SBIGINT, &v, sizeof v)) return Variant::null();
      if (type == ado::kSmallInt || type == ado::kTinyInt) return Variant(static_cast<int16_t>(v));
      if (type == ado::kUnsignedTinyInt) return Variant(static_cast<uint8_t>(v));
      if (type == ado::kInteger || type == ado::kUnsignedSmallInt)
        return Variant(static_cast<int32_t>(v));
      return Variant::fromInt64(v);
    }
    case ado::kSingle: {
      SQLREAL v = 0;
      if (!get(SQL_C_FLOAT, &v, sizeof v)) return Variant::null();
      return Variant(static_cast<float>(v));
    }
    case ado::kDouble: {
      SQLDOUBLE v = 0;
      if (!get(SQL_C_DOUBLE, &v, sizeof v)) return Variant::null();
      return Variant(static_cast<double>(v));
    }
    case ado::kBoolean: {
      unsigned char v = 0;
      if (!get(SQL_C_BIT, &v, sizeof v)) return Variant::null();
      return Variant(v != 0);
    }
    case ado::kNumeric: {
      Variant t = readText(st, i);
      if (t.isNull()) return t;
      std::string_view s = t.asString();
      double d = 0;
      auto res = std::from_chars(s.data(), s.data() + s.size(), d);
      if (res.ec != std::errc()) return t;
      return Variant(d);
    }
    case ado::kDBDate:
    case ado::kDBTimeStamp: {
      SQL_TIMESTAMP_STRUCT ts{};
      if (!get(SQL_C_TYPE_TIMESTAMP, &ts, sizeof ts)) return Variant::null();
      return Variant::fromDate(
          serialOf(ts.year, ts.month, ts.day, ts.hour, ts.minute, ts.second, ts.fraction / 1e9));
    }
    case ado::kDBTime: {
      SQL_TIME_STRUCT t{};
      if (!get(SQL_C_TYPE_TIME, &t, sizeof t)) return Variant::null();
      return Variant::fromDate((t.hour * 3600 + t.minute * 60 + t.second) / 86400.0);
    }
    case ado::kBinary:
    case ado::kVarBinary:
    case ado::kLongVarBinary:
      return readBinary(st, i);
    default:
      return readText(st, i);
    }
  }

  Ref<Rowset> fetchAll(const Statement& st, bool full, std::string_view sql = {}) {
    SQLSMALLINT n = 0;
    st.check(SQLNumResultCols(st.get(), &n), "Cannot describe the result on " + target_);
    auto rs = automation::makeRef<Rowset>(describeColumns(st, n, full));
    if (n == 0) return rs;
    const auto& cols = rs->columns();
    const size_t rowLimit = maxRows.load(), byteLimit = maxResultBytes.load();
    size_t rows = 0, bytes = 0;
    for (;;) {
      SQLRETURN rc = SQLFetch(st.get());
      if (rc == SQL_NO_DATA) break;
      st.check(rc, "Cannot read the result on " + target_);
      std::vector<Variant> row;
      row.reserve(cols.size());
      for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(n); ++i) {
        row.push_back(readValue(st, i, cols[i - 1].type));
        bytes += footprint(row.back());
      }
      if (++rows > rowLimit || bytes > byteLimit)
        throw DataError(adoerr::kProviderError,
                        "The result is too large on " + target_ + ": more than " +
                            (rows > rowLimit ? std::to_string(rowLimit) + " rows"
                                             : std::to_string(byteLimit) + " bytes") +
                            (sql.empty() ? std::string() : " from " + firstWords(sql)));
      rs->addRow(std::move(row));
    }
    return rs;
  }

  // ---- catalogue ----------------------------------------------------------------------

  // A catalogue argument: nullptr for "any".
  struct Arg {
    std::optional<WString> w;
    explicit Arg(const std::optional<std::string>& s) {
      if (s) w = widen(*s);
    }
    SQLWCHAR* p() { return w ? w->data() : nullptr; }
    SQLSMALLINT n() { return w ? static_cast<SQLSMALLINT>(w->size()) : 0; }
  };

  // Catalogue and schema defaults: the connection's own, unless the caller names others.
  std::optional<std::string> catalogFor(const std::vector<Variant>& r, size_t i) {
    if (auto v = restrictionAt(r, i)) return v;
    if (traits_->catalogIsDefault && !catalog_.empty()) return catalog_;
    return std::nullopt;
  }
  std::optional<std::string> schemaFor(const std::vector<Variant>& r, size_t i) {
    if (auto v = restrictionAt(r, i)) return v;
    if (!schema_.empty()) return schema_;
    return std::nullopt;
  }

  bool isSystemName(const std::string& name) const {
    return traits_->systemPrefix && name.rfind(traits_->systemPrefix, 0) == 0;
  }

  static std::string str(const Variant& v) {
    return v.isNull() || v.isEmpty() ? std::string() : automation::CStr(v);
  }
  static Variant textOrNull(const Variant& v) {
    return v.isNull() || v.isEmpty() ? Variant::null() : Variant(automation::CStr(v));
  }

  static const std::string& emptyText() {
    static const std::string e;
    return e;
  }

  struct TableRef {
    Variant catalog, schema;
    std::string name, type;
  };

  std::vector<TableRef> listTables(const std::optional<std::string>& cat,
                                   const std::optional<std::string>& sch,
                                   const std::optional<std::string>& name,
                                   const std::string& types) {
    Statement st(dbc_);
    Arg c(cat), s(sch), t(name);
    Arg ty{std::optional<std::string>(types)};
    st.check(SQLTablesW(st.get(), c.p(), c.n(), s.p(), s.n(), t.p(), t.n(), ty.p(), ty.n()),
             "Cannot list the tables of " + target_);
    auto raw = fetchAll(st, false);
    std::vector<TableRef> out;
    std::set<std::string> wanted;
    for (size_t i = 0; i < raw->rowCount(); ++i) {
      const auto& row = raw->row(i);
      TableRef ref{textOrNull(row[0]), textOrNull(row[1]), str(row[2]), str(row[3])};
      if (isSystemName(ref.name)) continue;
      if (name && ref.name != *name) continue; // names are patterns to the driver
      if (cat && str(ref.catalog) != *cat && !ref.catalog.isNull()) continue;
      if (sch && str(ref.schema) != *sch && !ref.schema.isNull()) continue;
      out.push_back(std::move(ref));
    }
    return out;
  }

  Ref<Rowset> tables(const std::vector<Variant>& r, bool viewsOnly) {
    auto type = viewsOnly ? std::optional<std::string>("VIEW") : restrictionAt(r, 3);
    std::string types = type ? *type : "TABLE,VIEW";
    auto list = listTables(catalogFor(r, 0), schemaFor(r, 1), restrictionAt(r, 2), types);
    // ADO's order: type, catalogue, schema, name.
    std::stable_sort(list.begin(), list.end(), [](const TableRef& a, const TableRef& b) {
      return std::forward_as_tuple(a.type, a.catalog.isNull() ? emptyText() : a.catalog.asString(),
                      a.schema.isNull() ? emptyText() : a.schema.asString(), a.name) <
             std::forward_as_tuple(b.type, b.catalog.isNull() ? emptyText() : b.catalog.asString(),
                      b.schema.isNull() ? emptyText() : b.schema.asString(), b.name);
    });
    auto out = newSchemaRowset(viewsOnly ? SchemaKind::Views : SchemaKind::Tables);
    for (auto& t : list) {
      if (!type && t.type != "TABLE" && t.type != "VIEW") continue;
      if (type && t.type != *type) continue;
      if (viewsOnly)
        out->addRow({t.catalog, t.schema, Variant(t.name), Variant::null(), Variant::null(),
                     Variant::null()});
      else
        out->addRow({t.catalog, t.schema, Variant(t.name), Variant(t.type), Variant::null()});
    }
    return out;
  }

  Ref<Rowset> columns(const std::vector<Variant>& r) {
    auto cat = catalogFor(r, 0);
    auto sch = schemaFor(r, 1);
    auto table = restrictionAt(r, 2);
    auto column = restrictionAt(r, 3);
    Statement st(dbc_);
    Arg c(cat), s(sch), t(table), cn(column);
    st.check(SQLColumnsW(st.get(), c.p(), c.n(), s.p(), s.n(), t.p(), t.n(), cn.p(), cn.n()),
             "Cannot list the columns of " + target_);
    auto raw = fetchAll(st, false);
    // Only columns of the tables and views the tables rowset lists (no system tables).
    std::set<std::string> known;
    for (auto& ref : listTables(cat, sch, table, "TABLE,VIEW"))
      known.insert(ref.name);
    auto autoCol = raw->findColumn("AUTO_INCREMENT");
    if (!autoCol) autoCol = raw->findColumn("IS_AUTOINCREMENT");
    auto out = newSchemaRowset(SchemaKind::Columns);
    for (size_t i = 0; i < raw->rowCount(); ++i) {
      const auto& row = raw->row(i);
      std::string tableName = str(row[2]);
      std::string colName = str(row[3]);
      if (!known.count(tableName)) continue;
      if (table && tableName != *table) continue;
      if (column && colName != *column) continue;
      std::string typeName = str(row[5]);
      bool isUnsigned = text::containsNoCase(typeName, "unsigned");
      int type = adoTypeFor(
          static_cast<SQLSMALLINT>(row[4].isNull() ? SQL_VARCHAR : automation::CLng(row[4])),
          isUnsigned);
      if (isNativeBoolean(typeName)) type = ado::kBoolean;
      Variant size = row[6];
      int nullable = row[10].isNull() ? SQL_NULLABLE_UNKNOWN : automation::CLng(row[10]);
      int flags = 0;
      if (!isVariableLength(type)) flags |= fieldattr::kFixed;
      if (nullable == SQL_NULLABLE) flags |= fieldattr::kIsNullable | fieldattr::kMayBeNull;
      if (isLong(type)) flags |= fieldattr::kLong;
      Variant def = row.size() > 12 ? textOrNull(row[12]) : Variant::null();
      Variant autoInc = Variant::null();
      if (autoCol) {
        std::string a = text::foldCase(str(row[*autoCol]));
        if (a == "yes" || a == "1" || a == "true")
          autoInc = Variant(true);
        else if (a == "no" || a == "0" || a == "false")
          autoInc = Variant(false);
      } else if (traits_->sequenceDefaults) {
        autoInc = Variant(str(def).rfind("nextval(", 0) == 0);
      }
      bool textual = isText(type) || isBinary(type);
      bool numeric = !textual && fixedSizeAndPrecision(type).second != 255;
      out->addRow({textOrNull(row[0]), textOrNull(row[1]), Variant(tableName), Variant(colName),
                   row.size() > 16 && !row[16].isNull() ? Variant(automation::CLng(row[16]))
                                                        : Variant::null(),
                   Variant(!def.isNull()), def, Variant(static_cast<int32_t>(flags)),
                   nullable == SQL_NO_NULLS ? Variant(false) : Variant(true),
                   Variant(static_cast<int32_t>(type)), Variant(typeName),
                   textual && !size.isNull() ? Variant(automation::CLng(size)) : Variant::null(),
                   type == ado::kNumeric && !size.isNull() ? Variant(automation::CLng(size))
                   : numeric ? Variant(static_cast<int32_t>(fixedSizeAndPrecision(type).second))
                             : Variant::null(),
                   type == ado::kNumeric && !row[8].isNull() ? Variant(automation::CInt(row[8]))
                                                             : Variant::null(),
                   autoInc, textOrNull(row[11])});
    }
    return out;
  }

  struct PkInfo {
    std::string name;
    std::vector<std::string> columns; // in key order
  };

  PkInfo primaryKeyOf(const TableRef& t) {
    Statement st(dbc_);
    Arg c(t.catalog.isNull() ? std::nullopt : std::optional<std::string>(str(t.catalog)));
    Arg s(t.schema.isNull() ? std::nullopt : std::optional<std::string>(str(t.schema)));
    Arg n{std::optional<std::string>(t.name)};
    st.check(SQLPrimaryKeysW(st.get(), c.p(), c.n(), s.p(), s.n(), n.p(), n.n()),
             "Cannot read the primary key of '" + t.name + "' on " + target_);
    auto raw = fetchAll(st, false);
    std::map<int, std::string> ordered;
    PkInfo pk;
    for (size_t i = 0; i < raw->rowCount(); ++i) {
      const auto& row = raw->row(i);
      if (str(row[2]) != t.name) continue;
      ordered[row[4].isNull() ? static_cast<int>(ordered.size()) + 1 : automation::CLng(row[4])] =
          str(row[3]);
      if (pk.name.empty()) pk.name = str(row[5]);
    }
    for (auto& [seq, name] : ordered)
      pk.columns.push_back(name);
    return pk;
  }

  std::vector<TableRef> tablesFor(const std::vector<Variant>& r, size_t catIdx, size_t schIdx,
                                  size_t tableIdx) {
    return listTables(catalogFor(r, catIdx), schemaFor(r, schIdx), restrictionAt(r, tableIdx),
                      "TABLE");
  }

  Ref<Rowset> primaryKeys(const std::vector<Variant>& r) {
    auto out = newSchemaRowset(SchemaKind::PrimaryKeys);
    for (auto& t : tablesFor(r, 0, 1, 2)) {
      PkInfo pk = primaryKeyOf(t);
      for (size_t i = 0; i < pk.columns.size(); ++i)
        out->addRow({t.catalog, t.schema, Variant(t.name), Variant(pk.columns[i]),
                     Variant(static_cast<int32_t>(i + 1)),
                     pk.name.empty() ? Variant::null() : Variant(pk.name)});
    }
    return out;
  }

  Ref<Rowset> indexes(const std::vector<Variant>& r) {
    auto out = newSchemaRowset(SchemaKind::Indexes);
    auto indexName = restrictionAt(r, 2);
    for (auto& t : tablesFor(r, 0, 1, 4)) {
      PkInfo pk = primaryKeyOf(t);
      Statement st(dbc_);
      Arg c(t.catalog.isNull() ? std::nullopt : std::optional<std::string>(str(t.catalog)));
      Arg s(t.schema.isNull() ? std::nullopt : std::optional<std::string>(str(t.schema)));
      Arg n{std::optional<std::string>(t.name)};
      st.check(SQLStatisticsW(st.get(), c.p(), c.n(), s.p(), s.n(), n.p(), n.n(), SQL_INDEX_ALL,
                              SQL_QUICK),
               "Cannot read the indexes of '" + t.name + "' on " + target_);
      auto raw = fetchAll(st, false);
      // The columns of each index, to recognise the primary key's index when the driver
      // names it differently from the key.
      std::map<std::string, std::vector<std::string>> colsOf;
      for (size_t i = 0; i < raw->rowCount(); ++i) {
        const auto& row = raw->row(i);
        if (row[5].isNull() || (!row[6].isNull() && automation::CLng(row[6]) == SQL_TABLE_STAT))
          continue;
        colsOf[str(row[5])].push_back(str(row[8]));
      }
      std::vector<std::string> pkSorted = pk.columns;
      std::sort(pkSorted.begin(), pkSorted.end());
      for (size_t i = 0; i < raw->rowCount(); ++i) {
        const auto& row = raw->row(i);
        if (row[5].isNull() || (!row[6].isNull() && automation::CLng(row[6]) == SQL_TABLE_STAT))
          continue;
        if (str(row[2]) != t.name) continue;
        std::string name = str(row[5]);
        if (indexName && name != *indexName) continue;
        bool unique = !row[3].isNull() && automation::CLng(row[3]) == SQL_FALSE;
        bool primary = false;
        if (!pk.columns.empty()) {
          if (!pk.name.empty() && pk.name == name)
            primary = true;
          else if (unique) {
            auto cols = colsOf[name];
            std::sort(cols.begin(), cols.end());
            primary = (pk.name.empty() || traits_->keyIndexByColumns) && cols == pkSorted;
          }
        }
        std::string order = str(row[9]);
        out->addRow({t.catalog, t.schema, Variant(t.name), Variant(name), Variant(primary),
                     Variant(unique),
                     row[7].isNull() ? Variant::null() : Variant(automation::CLng(row[7])),
                     textOrNull(row[8]),
                     order == "A"   ? Variant(int16_t{1})
                     : order == "D" ? Variant(int16_t{2})
                                    : Variant::null()});
      }
    }
    return out;
  }

  static Variant ruleText(const Variant& v) {
    if (v.isNull()) return Variant::null();
    switch (automation::CLng(v)) {
    case SQL_CASCADE:
      return Variant("CASCADE");
    case SQL_SET_NULL:
      return Variant("SET NULL");
    case SQL_SET_DEFAULT:
      return Variant("SET DEFAULT");
    case SQL_RESTRICT:
    case SQL_NO_ACTION:
      return Variant("NO ACTION");
    default:
      return Variant::null();
    }
  }

  Ref<Rowset> foreignKeys(const std::vector<Variant>& r) {
    auto out = newSchemaRowset(SchemaKind::ForeignKeys);
    auto pkTable = restrictionAt(r, 2);
    auto fkTable = restrictionAt(r, 5);
    std::vector<std::pair<std::optional<TableRef>, std::optional<TableRef>>> calls;
    if (fkTable) {
      for (auto& t : tablesFor(r, 3, 4, 5))
        calls.push_back({std::nullopt, t});
    } else if (pkTable) {
      for (auto& t : tablesFor(r, 0, 1, 2))
        calls.push_back({t, std::nullopt});
    } else {
      for (auto& t : tablesFor(r, 3, 4, 5))
        calls.push_back({std::nullopt, t});
    }
    auto argOf = [](const Variant& v) {
      return v.isNull() ? std::nullopt : std::optional<std::string>(str(v));
    };
    for (auto& [pk, fk] : calls) {
      Statement st(dbc_);
      Arg pc(pk ? argOf(pk->catalog) : std::nullopt), ps(pk ? argOf(pk->schema) : std::nullopt),
          pt(pk ? std::optional<std::string>(pk->name) : std::nullopt);
      Arg fc(fk ? argOf(fk->catalog) : std::nullopt), fs(fk ? argOf(fk->schema) : std::nullopt),
          ft(fk ? std::optional<std::string>(fk->name) : std::nullopt);
      st.check(SQLForeignKeysW(st.get(), pc.p(), pc.n(), ps.p(), ps.n(), pt.p(), pt.n(), fc.p(),
                               fc.n(), fs.p(), fs.n(), ft.p(), ft.n()),
               "Cannot read the foreign keys on " + target_);
      auto raw = fetchAll(st, false);
      for (size_t i = 0; i < raw->rowCount(); ++i) {
        const auto& row = raw->row(i);
        if (pkTable && str(row[2]) != *pkTable) continue;
        if (fkTable && str(row[6]) != *fkTable) continue;
        out->addRow({textOrNull(row[0]), textOrNull(row[1]), textOrNull(row[2]), textOrNull(row[3]),
                     textOrNull(row[4]), textOrNull(row[5]), textOrNull(row[6]), textOrNull(row[7]),
                     row[8].isNull() ? Variant::null() : Variant(automation::CLng(row[8])),
                     ruleText(row[9]), ruleText(row[10]), textOrNull(row[12]),
                     textOrNull(row[11])});
      }
    }
    return out;
  }

  SQLHENV env_ = SQL_NULL_HENV;
  SQLHDBC dbc_ = SQL_NULL_HDBC;
  bool connected_ = false;
  std::string target_;
  std::string dbmsName_;
  const KindTraits* traits_ = &traitsOf(DatabaseKind::Other);
  std::string catalog_;
  std::string schema_;
};

} // namespace

ResultLimits resultLimits() {
  return {maxRows.load(), maxResultBytes.load()};
}

void setResultLimits(ResultLimits limits) {
  maxRows = limits.rows;
  maxResultBytes = limits.bytes;
}

int odbcHandlesInUse() {
  return liveHandles;
}

std::unique_ptr<Session> openOdbcSession(const std::string& odbc, const std::string& provider) {
  return std::make_unique<OdbcSession>(odbc, provider);
}

} // namespace quillet::platform::data
