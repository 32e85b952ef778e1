#include "platform/data/connection_string.h"

#include <filesystem>

#include <sql.h>
#include <sqlext.h>

#include "platform/automation/error.h"
#include "platform/data/rowset.h"
#include "platform/text/ascii.h"
#include "platform/text/casefold.h"

namespace quillet::platform::data {

using automation::raise;
using text::containsNoCase;
using text::startsWithNoCase;

namespace {

std::string_view trim(std::string_view s) {
  return text::trim(s, text::kWhitespace);
}

[[noreturn]] void malformed(const std::string& why) {
  raise(automation::err::kInvalidProcedureCall, "Malformed connection string: " + why, "ADODB");
}

} // namespace

ConnectionString ConnectionString::parse(std::string_view s) {
  ConnectionString cs;
  size_t i = 0;
  const size_t n = s.size();
  while (i < n) {
    // Key: up to "="; blanks around it do not count.
    size_t keyStart = i;
    while (i < n && s[i] != '=' && s[i] != ';')
      ++i;
    std::string key(trim(s.substr(keyStart, i - keyStart)));
    if (i >= n || s[i] == ';') {
      if (!key.empty()) malformed("the key '" + key + "' has no '='");
      ++i;
      continue;
    }
    if (key.empty()) malformed("a value without a key at position " + std::to_string(keyStart + 1));
    ++i; // '='
    while (i < n && (s[i] == ' ' || s[i] == '\t'))
      ++i;
    std::string value;
    if (i < n && (s[i] == '{' || s[i] == '"' || s[i] == '\'')) {
      const char open = s[i];
      const char close = open == '{' ? '}' : open;
      ++i;
      bool closed = false;
      while (i < n) {
        if (s[i] == close) {
          if (i + 1 < n && s[i + 1] == close) {
            value += close;
            i += 2;
            continue;
          }
          ++i;
          closed = true;
          break;
        }
        value += s[i++];
      }
      if (!closed)
        malformed(std::string("the value of '") + key + "' has no closing " +
                  (close == '}'   ? "'}'"
                   : close == '"' ? "'\"'"
                                  : "\"'\""));
      while (i < n && (s[i] == ' ' || s[i] == '\t'))
        ++i;
      if (i < n && s[i] != ';')
        malformed("unexpected text after the quoted value of '" + key + "'");
    } else {
      size_t start = i;
      while (i < n && s[i] != ';')
        ++i;
      value = std::string(trim(s.substr(start, i - start)));
    }
    if (i < n) ++i; // ';'
    // Later occurrences of a key replace earlier ones, as drivers read them.
    cs.set(key, std::move(value));
  }
  return cs;
}

std::optional<std::string> ConnectionString::get(std::string_view key) const {
  for (const auto& [k, v] : items_)
    if (text::equalsNoCase(k, key)) return v;
  return std::nullopt;
}

std::optional<std::string>
ConnectionString::getAny(std::initializer_list<std::string_view> keys) const {
  for (auto k : keys)
    if (auto v = get(k)) return v;
  return std::nullopt;
}

void ConnectionString::set(std::string_view key, std::string value) {
  for (auto& [k, v] : items_)
    if (text::equalsNoCase(k, key)) {
      v = std::move(value);
      return;
    }
  items_.emplace_back(std::string(key), std::move(value));
}

void ConnectionString::remove(std::string_view key) {
  std::erase_if(items_, [&](const auto& kv) { return text::equalsNoCase(kv.first, key); });
}

std::string quoteOdbcValue(std::string_view v) {
  // Braces when a separator or brace would cut the value, when blanks at either end would be
  // trimmed away, or when an opening quote would be read as quoting the value.
  bool needs = v.find_first_of(";{}=") != std::string_view::npos || trim(v).size() != v.size() ||
               (!v.empty() && (v.front() == '"' || v.front() == '\''));
  if (!needs) return std::string(v);
  std::string out = "{";
  for (char c : v) {
    out += c;
    if (c == '}') out += '}';
  }
  out += '}';
  return out;
}

std::string ConnectionString::toOdbc() const {
  std::string out;
  for (const auto& [k, v] : items_) {
    if (!out.empty()) out += ';';
    out += k;
    out += '=';
    // The driver name is always braced, as ODBC writes it.
    out += text::equalsNoCase(k, "Driver") ? "{" + v + "}" : quoteOdbcValue(v);
  }
  return out;
}

std::string
buildOdbcConnectionString(const std::vector<std::pair<std::string, std::string>>& parts) {
  ConnectionString cs;
  for (const auto& [k, v] : parts)
    cs.set(k, v);
  return cs.toOdbc();
}

namespace {

// Whether unixODBC knows a driver of this name (the odbcinst.ini in use, ODBCSYSINI
// honoured).
bool driverRegistered(const std::string& name) {
  SQLHENV env = SQL_NULL_HENV;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env))) return false;
  SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  bool found = false;
  SQLCHAR desc[512];
  SQLCHAR attrs[2048];
  SQLSMALLINT descLen = 0, attrLen = 0;
  SQLUSMALLINT dir = SQL_FETCH_FIRST;
  while (!found && SQL_SUCCEEDED(SQLDrivers(env, dir, desc, sizeof desc, &descLen, attrs,
                                            sizeof attrs, &attrLen))) {
    found = text::equalsNoCase(reinterpret_cast<const char*>(desc), name);
    dir = SQL_FETCH_NEXT;
  }
  SQLFreeHandle(SQL_HANDLE_ENV, env);
  return found;
}

[[noreturn]] void cannotServe(const std::string& why) {
  raise(adoerr::kProviderNotFound, why, "ADODB");
}

// "host,port" and "host\instance" of Windows server names become FreeTDS's Server/Port.
void setSqlServerAddress(ConnectionString& out, std::string_view dataSource) {
  std::string host(trim(dataSource));
  if (startsWithNoCase(host, "tcp:")) host = host.substr(4);
  if (auto comma = host.find(','); comma != std::string::npos) {
    out.set("Server", std::string(trim(host.substr(0, comma))));
    out.set("Port", std::string(trim(host.substr(comma + 1))));
  } else {
    out.set("Server", host);
  }
}

void rejectWindowsAuthentication(const ConnectionString& cs, const std::string& provider) {
  std::string integrated = text::foldCase(cs.value("Integrated Security"));
  std::string trusted = text::foldCase(cs.value("Trusted_Connection"));
  if (integrated == "sspi" || integrated == "true" || integrated == "yes" || trusted == "yes" ||
      trusted == "true")
    cannotServe("Windows authentication (Integrated Security / Trusted_Connection) requested by '" +
                provider +
                "' is not available on this platform; give a user ID and password instead.");
}

std::string oracleMessage(const std::string& provider) {
  return "Oracle databases cannot be reached on this platform: no Oracle driver is available "
         "for '" +
         provider +
         "'. Read the catalogue from a recording instead "
         "(Provider=Quillet.Recorded;Data Source=<file>.json).";
}

// The SQLite file is opened read-only by SQLite itself (a URI with mode=ro), so that no
// statement, pragma or function can change it; options that load native code or change
// the file on opening are dropped whatever the connection string says. Gives the URI.
std::string readOnlySqlite(ConnectionString& cs, const std::string& file) {
  for (const char* key : {"LoadExt", "JournalMode", "SyncPragma", "DBQ", "Database"})
    cs.remove(key);
  std::error_code ec;
  std::string absolute = std::filesystem::absolute(file, ec).string();
  if (ec) absolute = file;
  // The driver takes the value as written up to the next ";": nothing in it may need
  // braces, which it would keep as part of the name.
  std::string uri = "file:";
  static const char* hex = "0123456789ABCDEF";
  for (unsigned char c : absolute) {
    if (c == '%' || c == '?' || c == '#' || c == ';' || c == '{' || c == '}' || c <= 0x20 ||
        c >= 0x80) {
      uri += '%';
      uri += hex[c >> 4];
      uri += hex[c & 15];
    } else {
      uri += static_cast<char>(c);
    }
  }
  return uri + "?mode=ro";
}

RoutedConnection routeOdbc(ConnectionString cs, std::string_view user, std::string_view password) {
  RoutedConnection r;
  std::string sqliteUri;
  r.route = Route::Odbc;
  std::string driver = cs.value("Driver");
  r.provider = driver.empty() ? "DSN=" + cs.value("DSN") : driver;
  if (!driver.empty()) {
    if (containsNoCase(driver, "Microsoft Access Driver") || containsNoCase(driver, "MDBTools")) {
      r.route = Route::Access;
      r.file = cs.getAny({"DBQ", "Data Source"}).value_or("");
      r.password = password.empty() ? cs.value("PWD") : std::string(password);
      if (r.file.empty()) cannotServe("The Access connection string names no file (DBQ=...).");
      return r;
    }
    if (containsNoCase(driver, "Oracle")) cannotServe(oracleMessage(driver));
    if (!driverRegistered(driver)) {
      // Windows driver names of databases that Linux drivers serve under other names.
      if (containsNoCase(driver, "SQL Server") || containsNoCase(driver, "SQL Native Client")) {
        rejectWindowsAuthentication(cs, driver);
        cs.set("Driver", "FreeTDS");
        if (auto server = cs.get("Server")) setSqlServerAddress(cs, *server);
      } else if (containsNoCase(driver, "MySQL") || containsNoCase(driver, "MariaDB")) {
        cs.set("Driver", "MariaDB");
      } else if (containsNoCase(driver, "PostgreSQL")) {
        cs.set("Driver", "PostgreSQL Unicode");
      } else if (containsNoCase(driver, "SQLite")) {
        cs.set("Driver", "SQLite3");
      }
    }
    // The SQLite driver creates a missing file; a catalogue reader must not.
    if (containsNoCase(driver, "SQLite")) {
      std::string file = cs.getAny({"Database", "DBQ"}).value_or("");
      if (file.empty() || !std::filesystem::is_regular_file(file))
        raise(adoerr::kProviderError, "The SQLite database file '" + file + "' does not exist.",
              "ADODB");
      sqliteUri = readOnlySqlite(cs, file);
    }
    // Rows come from the server as they are read, so that a result too big to keep is
    // stopped at the reader's limits instead of filling the memory first.
    if (containsNoCase(driver, "PostgreSQL") && !cs.has("UseDeclareFetch"))
      cs.set("UseDeclareFetch", "1");
  }
  if (!user.empty()) cs.set("UID", std::string(user));
  if (!password.empty()) cs.set("PWD", std::string(password));
  r.odbc = cs.toOdbc();
  if (!sqliteUri.empty()) r.odbc += ";Database=" + sqliteUri;
  return r;
}

} // namespace

RoutedConnection routeConnectionString(std::string_view text, std::string_view user,
                                       std::string_view password) {
  ConnectionString cs = ConnectionString::parse(text);
  if (cs.empty()) cannotServe("The connection string is empty.");
  auto provider = cs.get("Provider");
  if (!provider || trim(*provider).empty() || startsWithNoCase(*provider, "MSDASQL")) {
    cs.remove("Provider");
    // "Extended Properties" of MSDASQL holds the ODBC string itself.
    if (auto ext = cs.get("Extended Properties"); ext && cs.items().size() == 1)
      return routeOdbc(ConnectionString::parse(*ext), user, password);
    cs.remove("Extended Properties");
    return routeOdbc(std::move(cs), user, password);
  }
  const std::string& p = *provider;
  RoutedConnection r;
  r.provider = p;
  if (startsWithNoCase(p, "Microsoft.Jet.OLEDB") || startsWithNoCase(p, "Microsoft.ACE.OLEDB")) {
    r.route = Route::Access;
    r.file = cs.value("Data Source");
    r.password = !password.empty()
                     ? std::string(password)
                     : cs.getAny({"Jet OLEDB:Database Password", "Password"}).value_or("");
    if (r.file.empty())
      cannotServe("The Access connection string names no file (Data Source=...).");
    return r;
  }
  if (text::equalsNoCase(p, "Quillet.Recorded")) {
    r.route = Route::Recorded;
    r.file = cs.value("Data Source");
    if (r.file.empty())
      cannotServe("The recorded catalogue connection string names no file (Data Source=...).");
    return r;
  }
  if (startsWithNoCase(p, "SQLOLEDB") || startsWithNoCase(p, "SQLNCLI") ||
      startsWithNoCase(p, "MSOLEDBSQL")) {
    rejectWindowsAuthentication(cs, p);
    ConnectionString odbc;
    odbc.set("Driver", "FreeTDS");
    setSqlServerAddress(odbc, cs.getAny({"Data Source", "Server", "Address"}).value_or(""));
    if (auto db = cs.getAny({"Initial Catalog", "Database"})) odbc.set("Database", *db);
    if (auto uid = cs.getAny({"User ID", "UID"})) odbc.set("UID", *uid);
    if (auto pwd = cs.getAny({"Password", "PWD"})) odbc.set("PWD", *pwd);
    RoutedConnection out = routeOdbc(std::move(odbc), user, password);
    out.provider = p;
    return out;
  }
  if (containsNoCase(p, "Oracle") || startsWithNoCase(p, "MSDAORA")) cannotServe(oracleMessage(p));
  cannotServe("The OLE DB provider '" + p +
              "' is not available on this platform; use an ODBC connection string (Driver=... or "
              "DSN=...).");
}

} // namespace quillet::platform::data
