#pragma once
// Connection strings: parsing the ADO and ODBC forms projects store, building them with
// properly quoted values, and routing a stored string to the part of this layer that can
// serve it on Linux.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillet::platform::data {

// An ordered list of key/value pairs; keys compare without regard to case.
class ConnectionString {
public:
  ConnectionString() = default;
  // Parses "key=value;..." where a value may be enclosed in {braces} (a "}}" inside stands
  // for "}"), "double" or 'single' quotes (the quote doubled inside stands for itself).
  // Unquoted values run to the next ";" and may contain "=". Raises error 5 with a text that
  // names the key (never the value, which may be a password) when the text is malformed.
  static ConnectionString parse(std::string_view text);

  std::optional<std::string> get(std::string_view key) const;
  std::string value(std::string_view key) const { return get(key).value_or(""); }
  // The first key of `keys` that is present.
  std::optional<std::string> getAny(std::initializer_list<std::string_view> keys) const;
  bool has(std::string_view key) const { return get(key).has_value(); }
  // Replaces the value of an existing key (keeping its position) or appends it.
  void set(std::string_view key, std::string value);
  void remove(std::string_view key);
  const std::vector<std::pair<std::string, std::string>>& items() const { return items_; }
  bool empty() const { return items_.empty(); }

  // ODBC text: values that need it go in braces with "}" doubled.
  std::string toOdbc() const;

private:
  std::vector<std::pair<std::string, std::string>> items_;
};

// One value for an ODBC connection string: unchanged when it is safe as it is, else in
// braces with every "}" doubled (a value holding ";", "{", "}" or "=", with blanks, tabs or
// line breaks at either end, or starting with a quote). parse() reads it back unchanged.
std::string quoteOdbcValue(std::string_view value);
// "k1=v1;k2=v2" with ODBC quoting, for building strings from parts (DSN, user, password).
std::string
buildOdbcConnectionString(const std::vector<std::pair<std::string, std::string>>& parts);

// Where a stored connection string is served.
enum class Route {
  Odbc,     // unixODBC with `odbc` as the driver connection string
  Access,   // an Access file through libmdb: `file` (and `password`)
  Recorded, // a recorded catalogue: `file`
};

struct RoutedConnection {
  Route route = Route::Odbc;
  std::string odbc;     // for Route::Odbc
  std::string file;     // for Route::Access and Route::Recorded
  std::string password; // Access database password, when given
  std::string provider; // the provider or driver named by the stored string, for messages
};

// Decides how a stored ADO or ODBC connection string is served here:
//   Provider=Microsoft.Jet.OLEDB.4.0 / Microsoft.ACE.OLEDB.12.0, Driver={Microsoft Access
//     Driver (*.mdb...)} -> Access;
//   Provider=SQLOLEDB / SQLNCLI* / MSOLEDBSQL, Driver={SQL Server...} -> ODBC through FreeTDS;
//   Driver={MySQL ...} -> the MariaDB driver; Driver={PostgreSQL ...} -> "PostgreSQL Unicode";
//   Driver={SQLite...} -> "SQLite3"; Provider=MSDASQL or no provider -> ODBC unchanged;
//   Provider=Quillet.Recorded;Data Source=<file.json> -> a recorded catalogue.
// `user` and `password` (the separate arguments of ADO's Open) are added when not empty.
// Raises error 3706 with a text saying why for providers that cannot be served here
// (Oracle, Windows authentication, unknown OLE DB providers).
RoutedConnection routeConnectionString(std::string_view text, std::string_view user = {},
                                       std::string_view password = {});

} // namespace quillet::platform::data
