#include "schema/ado_reader.h"

#include <algorithm>

#include "core/dialect.h"
#include "core/registry.h"
#include "core/state.h"
#include "core/text_helpers.h"
#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/data/connection_string.h"
#include "platform/text/ascii.h"
#include "platform/text/casefold.h"
#include "schema/listing.h"

namespace quillet::schema {

using automation::Context;
using data::Rowset;
using data::SchemaKind;

namespace {

std::string trim(std::string s) {
  return std::string(platform::text::trim(s, platform::text::kBlanks));
}

std::string sqlLiteral(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

std::string replaceAll(std::string text, const std::string& what, const std::string& with) {
  if (what.empty()) return text;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
    text.replace(at, what.size(), with);
  return text;
}

// Values of a connection string's password keys, to be kept out of messages.
std::vector<std::string> secretsOf(const AdoSession& s) {
  std::vector<std::string> out;
  if (s.password.size() >= 3) out.push_back(s.password);
  try {
    auto cs = data::ConnectionString::parse(s.openText);
    for (const char* key : {"PWD", "Password", "Jet OLEDB:Database Password"})
      if (auto v = cs.get(key); v && v->size() >= 3) out.push_back(*v);
  } catch (const automation::Error&) {
  }
  return out;
}

bool boolOf(const Variant& v) {
  if (v.isNull() || v.isEmpty()) return false;
  try {
    return automation::CBool(v);
  } catch (const automation::Error&) {
    return false;
  }
}

Ref<Rowset> tryExecute(AdoSession& s, const std::string& sql) {
  try {
    return s.cnn->execute(sql);
  } catch (const automation::Error&) {
    return {};
  }
}

Ref<Rowset> trySchema(AdoSession& s, SchemaKind kind, const std::vector<Variant>& r) {
  try {
    return s.cnn->openSchema(kind, r);
  } catch (const automation::Error&) {
    return {};
  }
}

Variant schemaArg(const std::string& schema) {
  return schema.empty() ? Variant() : Variant(schema);
}

bool isYesNoTagValues(const std::string& v) {
  static const char* kPairs[] = {"\"1\",\"1\"\r\n\"0\",\"0\"", "\"0\",\"0\"\r\n\"1\",\"1\"",
                                 "\"Y\",\"Y\"\r\n\"N\",\"N\"", "\"N\",\"N\"\r\n\"Y\",\"Y\""};
  for (const char* p : kPairs)
    if (v == p || v == std::string(p) + "\r\n") return true;
  return false;
}

} // namespace

ReaderState& readerState() {
  return Context::current().shared<ReaderState>();
}

void readServerDsn(const std::string& dsn) {
  const std::string key = core::state().OdbcIniPath + "\\" + dsn;
  auto read = [&](const char* name) {
    return textOf(core::RegGetValue(Variant("HKLM"), Variant(key), Variant(name)));
  };
  ReaderState& st = readerState();
  st.pgServer = read("Servername");
  if (st.pgServer.empty()) st.pgServer = read("Server");
  st.pgDatabase = read("Database");
  st.pgUser = read("UID");
  if (st.pgUser.empty()) st.pgUser = read("Username");
  st.pgPassword = read("Password");
  std::string port = read("Port");
  st.pgPort = port.empty() ? 0 : std::atoi(port.c_str());
}

void parseConnectionString(const std::string& text) {
  if (trim(text).empty()) return;
  std::vector<std::pair<std::string, std::string>> items;
  try {
    items = data::ConnectionString::parse(text).items();
  } catch (const automation::Error&) {
    // Not well-formed: take the parts between semicolons as they stand.
    size_t start = 0;
    while (start <= text.size()) {
      size_t end = text.find(';', start);
      std::string part = text.substr(start, end == std::string::npos ? end : end - start);
      size_t eq = part.find('=');
      if (eq != std::string::npos)
        items.emplace_back(trim(part.substr(0, eq)), trim(part.substr(eq + 1)));
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }
  ReaderState& st = readerState();
  for (auto& [k, v] : items) {
    std::string key = platform::text::toLower(trim(k));
    if (key == "server" || key == "servername" || key == "host")
      st.pgServer = v;
    else if (key == "port")
      st.pgPort = std::atoi(v.c_str());
    else if (key == "database")
      st.pgDatabase = v;
    else if (key == "uid" || key == "user" || key == "username")
      st.pgUser = v;
    else if (key == "pwd" || key == "password")
      st.pgPassword = v;
  }
}

std::string sqlIdentifier(data::DatabaseKind kind, const std::string& name) {
  std::string open = "\"", close = "\"";
  if (kind == data::DatabaseKind::Access || kind == data::DatabaseKind::SqlServer) {
    open = "[";
    close = "]";
  } else if (kind == data::DatabaseKind::MySql) {
    open = close = "`";
  }
  return open + replaceAll(name, close, close + close) + close;
}

void reportAdoError(AdoSession& s, const automation::Error& e) {
  std::string message;
  bool auth = e.number() == data::adoerr::kAuthenticationFailed;
  if (auto* de = dynamic_cast<const data::DataError*>(&e)) {
    int n = 0;
    for (const auto& r : de->records()) {
      message += "\r\nError #" + std::to_string(++n) + ":\r\n   ADO Error   #" +
                 std::to_string(r.number) + "\r\n   Description  " + r.description +
                 "\r\n   Source       " + r.source;
      if (r.number == data::adoerr::kAuthenticationFailed) auth = true;
    }
  }
  core::State& ctx = core::state();
  if (auth) {
    ctx.setProjErr("Unable to connect to Data Source! User ID / Password not valid!");
    return;
  }
  // The driver's records, or else the error raised: it names the server and the reason.
  std::string text = message.empty() ? "ADO Connection Error " + e.description() : message;
  if (!message.empty() && message.find(e.description()) == std::string::npos)
    text = e.description() + text;
  for (const std::string& secret : secretsOf(s))
    text = replaceAll(text, secret, "********");
  ctx.setProjErr(text);
}

int16_t openAdo(AdoSession& s, const std::string& dbType, const std::string& dbName,
                const std::string& uid, const std::string& pwd, const std::string& connStr) {
  s.password = pwd;
  if (dbType == "ODBC" && connStr.empty())
    s.openText = data::buildOdbcConnectionString({{"DSN", dbName}, {"UID", uid}, {"PWD", pwd}});
  else
    s.openText = connStr;
  try {
    s.cnn = automation::makeRef<data::Connection>();
    s.cnn->open(s.openText);
  } catch (const automation::Error& e) {
    reportAdoError(s, e);
    return 3;
  }
  if (s.cnn->state() != 1) return 1;
  ConnectionFacts& f = s.facts;
  f.adoVersion = data::Connection::version();
  f.dbmsName = textOf(s.cnn->property("DBMS Name"));
  if (platform::text::containsNoCase(f.dbmsName, "interbase")) f.dbmsName = "Interbase Server";
  f.dbmsVersion = textOf(s.cnn->property("DBMS Version"));
  f.oledbVersion = textOf(s.cnn->property("OLE DB Version"));
  f.providerName = textOf(s.cnn->property("Provider Name"));
  f.providerVersion = textOf(s.cnn->property("Provider Version"));
  s.kind = data::databaseKind(f.dbmsName);
  return 0;
}

bool openCustomViewConnection(AdoSession& s, const std::string& connStr) {
  s.openText = connStr;
  try {
    s.cnn = automation::makeRef<data::Connection>();
    s.cnn->open(connStr);
  } catch (const automation::Error& e) {
    reportAdoError(s, e);
    return false;
  }
  return s.cnn->state() == 1;
}

// ---- per-kind column set-up ----

std::string mySqlTagValues(const std::string& typeText) {
  size_t open = typeText.find('(');
  if (open == std::string::npos) return {};
  std::vector<std::string> values;
  size_t i = open + 1;
  while (true) {
    while (i < typeText.size() && typeText[i] == ' ')
      ++i;
    if (i >= typeText.size()) return {};
    if (typeText[i] == ')') break;
    if (typeText[i] != '\'') return {};
    std::string v;
    ++i;
    bool closed = false;
    while (i < typeText.size()) {
      char c = typeText[i++];
      if (c == '\\' && i < typeText.size()) {
        v += typeText[i++];
      } else if (c == '\'') {
        if (i < typeText.size() && typeText[i] == '\'') {
          v += '\'';
          ++i;
        } else {
          closed = true;
          break;
        }
      } else {
        v += c;
      }
    }
    if (!closed) return {};
    values.push_back(std::move(v));
    while (i < typeText.size() && typeText[i] == ' ')
      ++i;
    if (i < typeText.size() && typeText[i] == ',') {
      ++i;
      continue;
    }
    if (i < typeText.size() && typeText[i] == ')') break;
    return {};
  }
  std::string out;
  for (const std::string& v : values) {
    std::string q = "\"" + replaceAll(v, "\"", "&quot;") + "\"";
    out += q + "," + q + "\r\n";
  }
  return out;
}

void setupMySqlField(FieldSink& f, Rowset& rs, const std::string& name) {
  for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
    if (textOf(rs.value("Field")) != name) continue;
    std::string type = textOf(rs.value("Type"));
    f.setTypeName(type);
    std::string key = textOf(rs.value("Key"));
    if (key == "PRI")
      f.markPrimaryKey();
    else if (key == "UNI")
      f.markUnique();
    std::string lower = platform::text::toLower(type);
    if (lower.rfind("enum", 0) == 0) {
      std::string tags = mySqlTagValues(type.substr(4));
      f.setTagValues(tags, isYesNoTagValues(tags) ? "RADIO" : "SELECT");
    } else if (lower.rfind("set", 0) == 0) {
      f.setTagValues(mySqlTagValues(type.substr(3)), "CHECKBOX");
    }
    return;
  }
}

void applyPgDefault(FieldSink& f, std::string def) {
  if (def.empty()) return;
  std::string store;
  if (def.rfind("nextval(", 0) != 0) {
    size_t cast = def.find("::");
    if (cast != std::string::npos) {
      def = def.substr(0, cast);
      if (def == "NULL") def.clear();
      if (def.size() >= 2 && def.front() == '\'' && def.back() == '\'')
        def = replaceAll(def.substr(1, def.size() - 2), "''", "'");
    }
    store = def;
  }
  if (!def.empty()) f.setCatalogueDefault(Variant(store));
}

void setupPostgresField(FieldSink& f, Rowset& rs, const std::string& name) {
  for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
    if (textOf(rs.value("attname")) != name) continue;
    applyPgDefault(f, textOf(rs.value("def")));
    return;
  }
}

namespace {

void applyNativeTypes(TableSink& t, const std::vector<std::pair<std::string, std::string>>& types) {
  for (auto& [name, type] : types) {
    FieldSink* f = t.field(name);
    if (!f) continue;
    f->setTypeName(type);
    if (type.empty() || !core::IsSupportedPgType(type)) f->markUnsupported();
  }
}

// The facts of every table of a PostgreSQL schema in three statements.
std::map<std::string, TableFacts> readPgSchemaFacts(AdoSession& s, const std::string& schema) {
  std::map<std::string, TableFacts> out;
  const std::string nsp = sqlLiteral(schema);
  auto cols = s.cnn->execute(
      "SELECT c.relname, a.attname, CASE WHEN a.attnotnull THEN 1 ELSE 0 END AS notnull,"
      " CASE WHEN t.typcategory = 'A' THEN 'array' ELSE t.typname END AS typname,"
      " pg_get_expr(d.adbin, d.adrelid) AS def,"
      " CASE WHEN a.attidentity <> '' THEN 1 ELSE 0 END AS ident"
      " FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace"
      " JOIN pg_attribute a ON a.attrelid = c.oid AND a.attnum > 0 AND NOT a.attisdropped"
      " JOIN pg_type t ON t.oid = a.atttypid"
      " LEFT JOIN pg_attrdef d ON d.adrelid = c.oid AND d.adnum = a.attnum"
      " WHERE n.nspname = " +
      nsp +
      " AND c.relkind IN ('r','p','v','m','f')"
      " ORDER BY c.relname, a.attnum");
  for (size_t i = 0; i < cols->rowCount(); ++i) {
    const auto& r = cols->row(i);
    TableFacts& f = out[textOf(r[0])];
    const std::string col = textOf(r[1]);
    if (textOf(r[2]) == "1") f.notNull.push_back(col);
    f.nativeTypes.emplace_back(col, textOf(r[3]));
    if (!r[4].isNull()) f.defaults.emplace_back(col, textOf(r[4]));
    if (textOf(r[5]) == "1") f.identity.push_back(col);
  }
  auto ix = s.cnn->execute(
      "SELECT c.relname, ic.relname AS index_name, CASE WHEN i.indisunique THEN 1 ELSE 0 END,"
      " CASE WHEN i.indisprimary THEN 1 ELSE 0 END, a.attname"
      " FROM pg_index i JOIN pg_class c ON c.oid = i.indrelid"
      " JOIN pg_namespace n ON n.oid = c.relnamespace JOIN pg_class ic ON ic.oid = i.indexrelid"
      " JOIN LATERAL unnest(i.indkey) WITH ORDINALITY AS k(attnum, ord) ON true"
      " JOIN pg_attribute a ON a.attrelid = c.oid AND a.attnum = k.attnum"
      " WHERE n.nspname = " +
      nsp + " ORDER BY c.relname, ic.relname, k.ord");
  for (size_t i = 0; i < ix->rowCount(); ++i) {
    const auto& r = ix->row(i);
    TableFacts& f = out[textOf(r[0])];
    const bool primary = textOf(r[3]) == "1";
    f.indexColumns.push_back({textOf(r[1]), textOf(r[2]) == "1", primary, textOf(r[4])});
    if (primary) f.primaryKey.push_back(textOf(r[4]));
  }
  return out;
}

// What the driver would tell of a column of the table itself, from a description that could
// not name the column's table: nullability, updatability and the server's numbering come
// from the catalogue. (Which columns may be updated matters no further: a PostgreSQL column
// that is not numbered by the server is taken as updatable by the loaders anyway.)
data::ColumnInfo asTableColumn(data::ColumnInfo c, const TableFacts& facts) {
  auto listed = [&](const std::vector<std::string>& names) {
    return std::find(names.begin(), names.end(), c.name) != names.end();
  };
  bool serial = listed(facts.identity);
  for (auto& [col, def] : facts.defaults)
    if (col == c.name && def.rfind("nextval(", 0) == 0) serial = true;
  c.autoIncrement = serial;
  c.attributes &= ~(data::fieldattr::kIsNullable | data::fieldattr::kMayBeNull |
                    data::fieldattr::kUpdatable | data::fieldattr::kUnknownUpdatable);
  c.attributes |= data::fieldattr::kUpdatable;
  if (!listed(facts.notNull))
    c.attributes |= data::fieldattr::kIsNullable | data::fieldattr::kMayBeNull;
  c.baseSchema.clear();
  c.baseTable.clear();
  c.baseColumn.clear();
  return c;
}

// The column descriptions of a table from one description of many tables at once. The
// statement is a union of their cross product with itself, which is never run and names no
// table to the driver, so the driver does not look every table up again: a whole schema
// costs a few round trips instead of a few per table. nullptr when the batch could not be
// described; the caller then describes the table alone.
Ref<Rowset> describedWithSchema(AdoSession& s, const std::string& schema, const std::string& name) {
  constexpr size_t kBatch = 50;
  auto& described = s.pgDescribed[schema];
  if (described.empty()) {
    const auto& facts = s.pgFacts[schema];
    std::vector<const std::pair<const std::string, TableFacts>*> batch;
    auto flush = [&] {
      if (batch.empty()) return;
      std::string from;
      size_t expected = 0;
      for (size_t i = 0; i < batch.size(); ++i) {
        if (i) from += ", ";
        from += sqlIdentifier(s.kind, schema) + "." + sqlIdentifier(s.kind, batch[i]->first);
        expected += batch[i]->second.nativeTypes.size();
      }
      const std::string select = "SELECT * FROM " + from + " WHERE 0=1";
      try {
        Ref<Rowset> all = s.cnn->describe(select + " UNION ALL " + select);
        if (all->columnCount() == expected) {
          size_t at = 0;
          for (auto* t : batch) {
            std::vector<data::ColumnInfo> cols;
            for (size_t i = 0; i < t->second.nativeTypes.size(); ++i)
              cols.push_back(asTableColumn(all->columns()[at + i], t->second));
            at += t->second.nativeTypes.size();
            described[t->first] = automation::makeRef<Rowset>(std::move(cols));
          }
        }
      } catch (const automation::Error&) {
        // Left to the tables alone.
      }
      batch.clear();
    };
    for (const auto& entry : facts) {
      if (entry.second.nativeTypes.empty()) continue;
      batch.push_back(&entry);
      if (batch.size() == kBatch) flush();
    }
    flush();
    described.emplace("", nullptr); // read once, whatever came of it
  }
  auto it = described.find(name);
  return it == described.end() ? nullptr : it->second;
}

// The facts of one table from the catalogue rowsets.
TableFacts readTableFacts(AdoSession& s, const std::string& name, const std::string& schema) {
  TableFacts f;
  if (s.kind != data::DatabaseKind::Access && s.kind != data::DatabaseKind::SqlServer) {
    if (auto pk =
            trySchema(s, SchemaKind::PrimaryKeys, {Variant(), schemaArg(schema), Variant(name)})) {
      for (pk->moveFirst(); !pk->eof(); pk->moveNext())
        if (textOf(pk->value("TABLE_NAME")) == name)
          f.primaryKey.push_back(textOf(pk->value("COLUMN_NAME")));
    }
    if (auto nn =
            trySchema(s, SchemaKind::Columns, {Variant(), schemaArg(schema), Variant(name)})) {
      for (nn->moveFirst(); !nn->eof(); nn->moveNext())
        if (textOf(nn->value("TABLE_NAME")) == name && !nn->value("IS_NULLABLE").isNull() &&
            !boolOf(nn->value("IS_NULLABLE")))
          f.notNull.push_back(textOf(nn->value("COLUMN_NAME")));
    }
  }
  if (auto ix = trySchema(s, SchemaKind::Indexes,
                          {Variant(), schemaArg(schema), Variant(), Variant(), Variant(name)})) {
    for (ix->moveFirst(); !ix->eof(); ix->moveNext()) {
      if (ix->value("INDEX_NAME").isNull() || textOf(ix->value("TABLE_NAME")) != name) continue;
      const Variant& pkv = ix->value("PRIMARY_KEY");
      f.indexColumns.push_back({textOf(ix->value("INDEX_NAME")), boolOf(ix->value("UNIQUE")),
                                pkv.isNull() ? std::nullopt : std::optional<bool>(boolOf(pkv)),
                                textOf(ix->value("COLUMN_NAME"))});
    }
  }
  return f;
}

// Keys, required columns and single-column unique indexes of a table.
void applyKeys(AdoSession& s, TableSink& t, const TableFacts& facts) {
  const data::DatabaseKind kind = s.kind;
  if (kind != data::DatabaseKind::Access && kind != data::DatabaseKind::SqlServer) {
    for (const std::string& c : facts.primaryKey)
      if (FieldSink* f = t.field(c)) f->markPrimaryKey();
    for (const std::string& c : facts.notNull)
      if (FieldSink* f = t.field(c)) f->setRequired(true);
  }
  std::string previous, lastColumn;
  int count = 0;
  bool unique = false;
  auto finishIndex = [&] {
    if (count == 1 && unique)
      if (FieldSink* f = t.field(lastColumn)) f->markUnique();
  };
  for (const TableFacts::IndexColumn& ic : facts.indexColumns) {
    if (ic.index != previous) {
      finishIndex();
      count = 0;
      unique = false;
      previous = ic.index;
    }
    unique = ic.unique;
    lastColumn = ic.column;
    bool primary = ic.primary                           ? *ic.primary
                   : kind == data::DatabaseKind::Access ? ic.index == "PrimaryKey"
                   : kind == data::DatabaseKind::MySql  ? ic.index == "PRIMARY"
                                                        : false;
    if (!lastColumn.empty()) ++count;
    if (primary && (kind == data::DatabaseKind::Access || kind == data::DatabaseKind::SqlServer))
      if (FieldSink* f = t.field(lastColumn)) f->markPrimaryKey();
  }
  finishIndex();
}

} // namespace

void loadDirectPgColumns(AdoSession& s, TableSink& t, const std::string& table,
                         const std::string& schema, const std::string& sql) {
  core::State& ctx = core::state();
  if (!s.pgTried) {
    s.pgTried = true;
    const ReaderState& st = readerState();
    try {
      s.pg = std::make_unique<data::PgTypeReader>();
      s.pg->connect(st.pgServer, st.pgDatabase, st.pgUser, st.pgPassword, st.pgPort);
    } catch (const automation::Error& e) {
      s.pg.reset();
      s.pgError = e.description();
      if (!st.pgPassword.empty()) s.pgError = replaceAll(s.pgError, st.pgPassword, "********");
    }
  }
  if (!s.pg) {
    // Without native types the table keeps the types the driver gave; say why.
    ctx.setProjErr(s.pgError);
    return;
  }
  std::vector<data::PgColumnType> columns;
  try {
    if (sql.empty()) {
      for (auto& rel : s.pg->relations(schema, table))
        if ((rel.tableType == "TABLE" || rel.tableType == "VIEW") && rel.name == table)
          columns.insert(columns.end(), rel.columns.begin(), rel.columns.end());
    } else {
      columns = s.pg->queryColumns(sql);
    }
  } catch (const automation::Error& e) {
    ctx.setProjErr(e.description());
    return;
  }
  std::vector<std::pair<std::string, std::string>> types;
  for (auto& c : columns)
    types.emplace_back(c.name, c.typeName);
  applyNativeTypes(t, types);
}

// ---- one table ----

void readAdoTable(AdoSession& s, TableSink& t, const std::string& name, const std::string& type,
                  const std::string& schema) {
  const data::DatabaseKind kind = s.kind;
  t.setGen(true);
  t.setError("");
  // A whole PostgreSQL schema is read at once; a table the schema read did not see (or any
  // other read) asks the catalogue table by table.
  const TableFacts* facts = nullptr;
  if (s.wholeSchema && kind == data::DatabaseKind::PostgreSql) {
    if (!s.pgFacts.count(schema)) {
      try {
        s.pgFacts[schema] = readPgSchemaFacts(s, schema);
      } catch (const automation::Error&) {
        s.wholeSchema = false;
      }
    }
    if (s.wholeSchema) {
      auto& tables = s.pgFacts[schema];
      if (auto it = tables.find(name); it != tables.end()) facts = &it->second;
    }
  }
  const std::string target = schema.empty()
                                 ? sqlIdentifier(kind, name)
                                 : sqlIdentifier(kind, schema) + "." + sqlIdentifier(kind, name);
  Ref<Rowset> cols;
  if (facts) cols = describedWithSchema(s, schema, name);
  try {
    if (!cols) cols = s.cnn->describe("SELECT * FROM " + target + " WHERE 0=1");
  } catch (const automation::Error& e) {
    t.columnQueryFailed(e.description());
  }
  if (cols) {
    Ref<Rowset> mysql, pgdef;
    if (kind == data::DatabaseKind::MySql) mysql = tryExecute(s, "SHOW FIELDS FROM " + target);
    if (kind == data::DatabaseKind::PostgreSql && !facts) {
      std::string sql = "SELECT a.attname, pg_get_expr(d.adbin, d.adrelid) AS def"
                        " FROM pg_attrdef d, pg_class c, pg_attribute a, pg_namespace n"
                        " WHERE c.relkind IN ('r','v') AND c.relname=" +
                        sqlLiteral(name);
      if (!schema.empty()) sql += " AND n.nspname=" + sqlLiteral(schema);
      sql += " AND c.relnamespace = n.oid AND a.attnum > 0 AND NOT a.attisdropped"
             " AND a.attrelid = c.oid AND d.adrelid = c.oid AND a.attnum = d.adnum"
             " ORDER BY a.attnum";
      pgdef = tryExecute(s, sql);
    }
    for (const data::ColumnInfo& c : cols->columns()) {
      if (trim(c.name).empty()) continue;
      if (t.field(c.name)) {
        t.duplicateColumn(c.name, true);
        continue;
      }
      FieldSink* f = t.addField(c.name);
      if (!f) {
        // The project's fields are one name whatever the letter case: say so rather than
        // lose the column without a word.
        t.duplicateColumn(c.name, false);
        continue;
      }
      f->loadAdo(c, kind);
      if (mysql) setupMySqlField(*f, *mysql, c.name);
      if (pgdef) setupPostgresField(*f, *pgdef, c.name);
      if (facts)
        for (auto& [col, def] : facts->defaults)
          if (col == c.name) applyPgDefault(*f, def);
    }
    if (kind == data::DatabaseKind::PostgreSql) {
      if (facts)
        applyNativeTypes(t, facts->nativeTypes);
      else
        loadDirectPgColumns(s, t, name, schema, "");
    }
    if (kind == data::DatabaseKind::Oracle) {
      if (auto trg = tryExecute(
              s, "SELECT trigger_body FROM all_triggers WHERE owner=" + sqlLiteral(schema) +
                     " AND table_name=" + sqlLiteral(name) +
                     " AND triggering_event='INSERT' AND trigger_type='BEFORE EACH ROW' AND "
                     "status='ENABLED'")) {
        for (trg->moveFirst(); !trg->eof(); trg->moveNext()) {
          std::string body = textOf(trg->value(size_t{0}));
          if (body.empty()) continue;
          std::string col = core::GetOracleTriggerColumn(body);
          if (FieldSink* f = col.empty() ? nullptr : t.field(col)) f->markAutoIncrement();
        }
      }
      if (auto tc = tryExecute(
              s, "SELECT column_name, data_type, data_length, data_scale, data_precision, CASE "
                 "WHEN nullable = 'Y' THEN 'NULL' ELSE 'NOT NULL' END AS nulls, data_default "
                 "FROM all_tab_cols WHERE owner=" +
                     sqlLiteral(schema) + " AND table_name=" + sqlLiteral(name) +
                     " ORDER BY column_id")) {
        for (tc->moveFirst(); !tc->eof(); tc->moveNext())
          if (FieldSink* f = t.field(textOf(tc->value(size_t{0}))))
            f->setTypeName(textOf(tc->value(size_t{1})));
      }
    }
    t.setLoaded();
  }

  if (type == "TABLE") applyKeys(s, t, facts ? *facts : readTableFacts(s, name, schema));

  if (kind == data::DatabaseKind::SqlServer) {
    for (size_t i = 0; i < t.fieldCount(); ++i) {
      FieldSink* f = t.fieldAt(i);
      auto r =
          tryExecute(s, "SELECT t.table_name, c.column_name, c.data_type, c.is_nullable, "
                        "c.column_default FROM INFORMATION_SCHEMA.TABLES t, "
                        "INFORMATION_SCHEMA.Columns c WHERE t.table_name = c.table_name AND "
                        "t.table_name = " +
                            sqlLiteral(name) + " AND c.column_name = " + sqlLiteral(f->name()));
      if (!r || r->eof()) continue;
      f->setRequired(platform::text::toLower(trim(textOf(r->value(size_t{3})))) == "no");
      if (f->type() == 72 && f->isPrimaryKey() && textOf(r->value(size_t{4})) == "(newid())")
        f->markAutoIncrement();
    }
  }

  std::string keys;
  for (size_t i = 0; i < t.fieldCount(); ++i) {
    FieldSink* f = t.fieldAt(i);
    if (!f->isPrimaryKey()) continue;
    if (!keys.empty()) keys += "\r\n";
    keys += f->name();
  }
  t.setKey(core::SortTextLines(keys));
  t.finish();
}

} // namespace quillet::schema
