#include "core/dialect.h"

#include "core/registry.h"
#include "core/state.h"
#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/automation/error.h"
#include "platform/data/connection_string.h"
#include "platform/regexp/regexp.h"
#include "platform/text/ascii.h"
#include "platform/text/casefold.h"

namespace quillet::core {

namespace text = ::quillet::platform::text;
namespace regexp = ::quillet::platform::regexp;
namespace data = ::quillet::platform::data;

namespace {

QuoteChars& quoteState() {
  return automation::Context::current().shared<QuoteChars>();
}

std::string textOf(const automation::Variant& v) {
  try {
    return v.isEmpty() ? std::string() : automation::CStr(v);
  } catch (const automation::Error&) {
    return {};
  }
}

} // namespace

const QuoteChars& IdentQuotes() {
  return quoteState();
}

void SetQuoteChars(std::string_view dbms) {
  const std::string& style = core::state().CurrentSQLQuote;
  auto set = [](const char* s, const char* e) {
    quoteState().IdentQuoteStart = s;
    quoteState().IdentQuoteEnd = e;
  };
  if (style == "Square Bracket") return set("[", "]");
  if (style == "Double Quote") return set("\"", "\"");
  if (style == "Single Quote") return set("'", "'");
  if (style == "Backquote") return set("`", "`");
  if (style == "None") return set("", "");
  switch (data::databaseKind(dbms)) {
  case data::DatabaseKind::Access:
  case data::DatabaseKind::SqlServer:
    return set("[", "]");
  case data::DatabaseKind::Oracle:
  case data::DatabaseKind::PostgreSql:
    return set("\"", "\"");
  case data::DatabaseKind::MySql:
  case data::DatabaseKind::SQLite:
    return set("`", "`");
  default:
    return set("", "");
  }
}

std::string QuoteName(std::string_view name) {
  const QuoteChars& q = IdentQuotes();
  if (q.IdentQuoteEnd.empty()) return q.IdentQuoteStart + std::string(name);
  std::string escaped;
  size_t pos = 0;
  while (true) {
    size_t at = name.find(q.IdentQuoteEnd, pos);
    if (at == std::string_view::npos) break;
    escaped.append(name.substr(pos, at - pos));
    escaped += q.IdentQuoteEnd;
    escaped += q.IdentQuoteEnd;
    pos = at + q.IdentQuoteEnd.size();
  }
  escaped.append(name.substr(pos));
  return q.IdentQuoteStart + escaped + q.IdentQuoteEnd;
}

std::string QuoteIdentifier(std::string_view name) {
  const QuoteChars& q = IdentQuotes();
  return q.IdentQuoteStart + std::string(name) + q.IdentQuoteEnd;
}

std::string DirectQuoteChar(std::string_view dbmsIn, std::string_view connectionType) {
  std::string dbms = dbmsIn.empty() ? "MYSQL" : std::string(dbmsIn);
  std::string type = connectionType.empty() ? "DIRECT" : std::string(connectionType);
  if (type == "JDBC") return "NA";
  std::string quote = "*";
  std::string style = text::toLower(core::state().CurrentSQLQuote);
  if (style == "backquote")
    quote = "`";
  else if (style == "double quote")
    quote = "\"";
  else if (style == "none")
    quote = "";
  if (text::containsNoCase(dbms, "MySQL")) {
    if (quote == "*") quote = "`";
  } else if (text::containsNoCase(dbms, "PostgreSql")) {
    if (quote == "*" || quote == "`") quote = "\"";
  } else if (quote == "*") {
    quote = "";
  }
  return quote;
}

int16_t AdoTypeClass(int32_t t) {
  switch (t) {
  case 20:
  case 3:
  case 2:
  case 16:
  case 4:
  case 5:
  case 131:
  case 6:
    return 1;
  case 7:
  case 133:
  case 134:
  case 135:
    return 2;
  case 201:
  case 203:
  case 129:
  case 130:
  case 200:
  case 202:
    return 3;
  case 11:
    return 4;
  case 72:
    return 5;
  default:
    return 6;
  }
}

std::string AdoTypeName(int32_t t, int32_t precision) {
  switch (t) {
  case 20:
    return "BIGINT";
  case 11:
    return "BOOLEAN";
  case 6:
    return "CURRENCY";
  case 14:
    return "DECIMAL";
  case 5:
    return "DOUBLE";
  case 3:
    return "INTEGER";
  case 131:
    return "NUMERIC";
  case 4:
    return "SINGLE";
  case 2:
    return "SMALLINT";
  case 16:
    return "TINYINT";
  case 21:
    return "UNSIGNEDBIGINT";
  case 19:
    return "UNSIGNEDINT";
  case 18:
    return "UNSIGNEDSMALLINT";
  case 17:
    return "UNSIGNEDTINYINT";
  case 139:
    return "VARNUMERIC";
  case 8:
    return "BSTR";
  case 129:
    return "CHAR";
  case 7:
    return "DATE";
  case 133:
    return "DATE";
  case 134:
    return "TIME";
  case 135:
    return precision == 16   ? "SMALLDATETIME"
           : precision == 23 ? "DATETIME"
           : precision == 27 ? "DATETIME2"
                             : "TIMESTAMP";
  case 201:
    return "LONGVARCHAR";
  case 203:
    return "LONGVARWCHAR";
  case 200:
    return "VARCHAR";
  case 202:
    return "VARWCHAR";
  case 130:
    return "WCHAR";
  case 72:
    return "GUID";
  case 205:
    return "LONGVARBINARY";
  case 204:
    return "VARBINARY";
  case 141:
    return "XML";
  case 145:
    return "TIME";
  case 146:
    return "DATETIMEOFFSET";
  default:
    return {};
  }
}

bool IsSupportedPgType(std::string_view typeName) {
  std::string t = text::toLower(typeName);
  for (const char* u :
       {"bit", "box", "array", "circle", "line", "lseg", "path", "point", "polygon", "inet"})
    if (t == u) return false;
  return true;
}

namespace {

// Steps shared by the two trigger procedures: the first match of the insert-trigger
// pattern in the body, cut to its SELECT ... DUAL; part.
std::optional<regexp::Match> triggerMatch(std::string_view body) {
  std::string s(body);
  for (char& c : s)
    if (c == '\n') c = ' ';
  std::string folded = text::toUpper(s);
  size_t p = folded.find(" SELECT ");
  size_t q = folded.find(" DUAL;");
  if (p != std::string::npos && q != std::string::npos && q > p) s = s.substr(p, q + 6 - p);
  regexp::RegExp re(R"(.*SELECT\W+(.+)\.nextval +into +\:NEW\.(.+) +FROM +dual;)", true, false);
  auto matches = re.execute(s);
  if (matches.empty()) return std::nullopt;
  return matches.front();
}

} // namespace

std::string GetOracleTriggerColumn(std::string_view body) {
  auto m = triggerMatch(body);
  if (!m || m->subMatches.size() < 2 || !m->subMatches[1]) return {};
  std::string col = *m->subMatches[1];
  if (col.size() > 2 && col.front() == '"' && col.back() == '"')
    col = col.substr(1, col.size() - 2);
  return col;
}

std::string GetOracleTriggerSequenceRef(std::string_view body) {
  auto m = triggerMatch(body);
  if (!m) return {};
  std::string upper = text::toUpper(m->value);
  size_t a = upper.find("SELECT ");
  size_t b = upper.find(".NEXTVAL ");
  if (a == std::string::npos || b == std::string::npos || b <= a) return {};
  return std::string(text::trim(std::string_view(m->value).substr(a + 6, b + 8 - (a + 6))));
}

std::string DsnToConnectionString(std::string_view dsn, data::DatabaseKind kind,
                                  std::string_view user, std::string_view password) {
  core::State& ctx = core::state();
  std::string key = ctx.OdbcIniPath + "\\" + std::string(dsn);
  auto value = [&](const std::string& section, const char* name) {
    return std::string(text::trim(textOf(RegGetValue(
        automation::Variant("HKLM"), automation::Variant(section), automation::Variant(name)))));
  };
  std::string driverFile = value(key, "Driver");
  std::string driver;
  if (!driverFile.empty()) {
    cRegistry& r = SharedRegistry();
    r.ClassKey = kHkeyLocalMachine;
    r.SectionKey = ctx.OdbcInstIniPath;
    std::vector<std::string> names;
    int32_t count = 0;
    r.EnumerateSections(names, count);
    for (const std::string& n : names) {
      if (text::equalsNoCase(value(ctx.OdbcInstIniPath + "\\" + n, "Driver"), driverFile)) {
        driver = n;
        break;
      }
    }
    // unixODBC data sources usually name their driver rather than its library.
    if (driver.empty())
      for (const std::string& n : names)
        if (text::equalsNoCase(n, driverFile)) driver = n;
  }
  driver = std::string(text::trim(driver));
  auto orDefault = [&](const char* d) { return driver.empty() ? std::string(d) : driver; };
  std::string u = data::quoteOdbcValue(user), p = data::quoteOdbcValue(password);
  switch (kind) {
  case data::DatabaseKind::SqlServer:
    return "Driver={" + orDefault("SQL Server Native Client 10.0") +
           "};Server=" + value(key, "Server") + ";Database=" + value(key, "Database") +
           ";Uid=" + u + ";Pwd=" + p + ";";
  case data::DatabaseKind::MySql:
    return "Driver={" + orDefault("MySQL ODBC 3.51 Driver") + "};Server=" + value(key, "Server") +
           ";Database=" + value(key, "Database") + ";User=" + u + ";Password=" + p + ";Option=3;";
  case data::DatabaseKind::Oracle: {
    std::string server = value(key, "ServerName");
    if (server.empty()) server = value(key, "Server");
    return "Driver={" + orDefault("Oracle in XE") + "};Dbq=" + server + ";Uid=" + u + ";Pwd=" + p +
           ";";
  }
  default:
    return {};
  }
}

} // namespace quillet::core
