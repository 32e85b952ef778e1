#include "platform/data/access.h"

#include <mdbtools.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "platform/automation/convert.h"
#include "platform/data/connection.h"
#include "platform/data/schema.h"
#include "platform/data/sql_analyser.h"
#include "platform/text/casefold.h"

namespace quillet::platform::data {

using automation::raise;

namespace {

constexpr int32_t kUnrecognizedFormat = 3343;

std::string prop(const MdbColumn* col, const char* key) {
  const char* v = mdb_col_get_prop(col, key);
  return v ? std::string(v) : std::string();
}

bool yes(const std::string& v) {
  std::string f = text::foldCase(v);
  return f == "yes" || f == "true" || f == "-1" || f == "1";
}

int daoTypeOf(int jetType) {
  switch (jetType) {
  case MDB_BOOL:
    return dao::kBoolean;
  case MDB_BYTE:
    return dao::kByte;
  case MDB_INT:
    return dao::kInteger;
  case MDB_LONGINT:
    return dao::kLong;
  case MDB_MONEY:
    return dao::kCurrency;
  case MDB_FLOAT:
    return dao::kSingle;
  case MDB_DOUBLE:
    return dao::kDouble;
  case MDB_DATETIME:
    return dao::kDate;
  case MDB_BINARY:
    return dao::kBinary;
  case MDB_TEXT:
    return dao::kText;
  case MDB_OLE:
    return dao::kLongBinary;
  case MDB_MEMO:
    return dao::kMemo;
  case MDB_REPID:
    return dao::kGUID;
  case MDB_NUMERIC:
    return dao::kDecimal; // Jet's NUMERIC is DAO's Decimal, not BigInt
  default:
    return -1; // attachments and multi-value fields
  }
}

int64_t daoSizeOf(int daoType, int colSize, bool jet3) {
  switch (daoType) {
  case dao::kBoolean:
  case dao::kByte:
    return 1;
  case dao::kInteger:
    return 2;
  case dao::kLong:
  case dao::kSingle:
    return 4;
  case dao::kCurrency:
  case dao::kDouble:
  case dao::kDate:
    return 8;
  case dao::kGUID:
  case dao::kDecimal:
    return 16;
  case dao::kMemo:
  case dao::kLongBinary:
    return 0;
  case dao::kText:
    return jet3 ? colSize : colSize / 2; // Jet 4 stores UCS-2 sizes
  default:
    return colSize;
  }
}

// A libmdb handle closed on scope exit.
struct Handle {
  MdbHandle* mdb = nullptr;
  ~Handle() {
    if (mdb) mdb_close(mdb);
  }
};

// Rows of a system table, every column read as text.
class TableReader {
public:
  TableReader(MdbHandle* mdb, const char* name) {
    table_ = mdb_read_table_by_name(mdb, const_cast<gchar*>(name), MDB_ANY);
    if (!table_) return;
    mdb_read_columns(table_);
    mdb_rewind_table(table_);
    size_t bindSize = mdb->bind_size ? mdb->bind_size : MDB_BIND_SIZE;
    buffers_.resize(table_->num_cols, std::vector<char>(bindSize + 1));
    lengths_.resize(table_->num_cols);
    for (unsigned i = 0; i < table_->num_cols; ++i) {
      auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table_->columns, i));
      index_[col->name] = i;
      mdb_bind_column(table_, static_cast<int>(i + 1), buffers_[i].data(), &lengths_[i]);
    }
  }
  ~TableReader() {
    if (table_) mdb_free_tabledef(table_);
  }
  bool ok() const { return table_ != nullptr; }
  bool next() {
    for (auto& l : lengths_)
      l = 0;
    for (auto& b : buffers_)
      b[0] = '\0';
    return table_ && mdb_fetch_row(table_);
  }
  std::string get(const char* column) const {
    auto it = index_.find(column);
    if (it == index_.end()) return {};
    const auto& b = buffers_[it->second];
    return std::string(b.data(), strnlen(b.data(), b.size() - 1));
  }

private:
  MdbTableDef* table_ = nullptr;
  std::vector<std::vector<char>> buffers_;
  std::vector<int> lengths_;
  std::map<std::string, unsigned> index_;
};

// ---- query SQL ------------------------------------------------------------------------

struct QueryRow {
  int attribute = 0;
  std::string expression, name1, name2, flag, order;
};

std::string bracket(const std::string& name) {
  if (name.empty() || name.front() == '[' || name.find('(') != std::string::npos) return name;
  bool plain = std::all_of(name.begin(), name.end(),
                           [](unsigned char c) { return std::isalnum(c) || c == '_'; });
  return plain ? name : "[" + name + "]";
}

int flagOf(const QueryRow& r) {
  return r.flag.empty() ? 0 : std::atoi(r.flag.c_str());
}

// Rebuilds the SQL text of a stored query from its definition rows:
//   1 type (Flag), 2 parameters, 3 options (DISTINCT, TOP...), 4 external database,
//   5 tables / union parts, 6 columns, 7 joins, 8 WHERE, 9 GROUP BY, 10 HAVING, 11 ORDER BY.
std::string buildQuerySql(const std::vector<QueryRow>& rows, AccessQueryType& type,
                          std::vector<std::string>& params) {
  int kind = 1;
  int options = 0;
  std::string top;
  std::vector<const QueryRow*> tables, columns, joins, groups, orders;
  std::string where, having, intoTable, external;
  for (const auto& r : rows) {
    switch (r.attribute) {
    case 1:
      kind = flagOf(r);
      if (!r.name1.empty()) intoTable = r.name1;
      break;
    case 2:
      params.push_back(r.name1);
      break;
    case 3:
      options = flagOf(r);
      top = r.name1;
      break;
    case 4:
      external = r.name1;
      break;
    case 5:
      tables.push_back(&r);
      break;
    case 6:
      columns.push_back(&r);
      break;
    case 7:
      joins.push_back(&r);
      break;
    case 8:
      where = r.expression;
      break;
    case 9:
      groups.push_back(&r);
      break;
    case 10:
      having = r.expression;
      break;
    case 11:
      orders.push_back(&r);
      break;
    default:
      break;
    }
  }
  static const AccessQueryType kinds[] = {
      AccessQueryType::Select,   AccessQueryType::Select,         AccessQueryType::MakeTable,
      AccessQueryType::Append,   AccessQueryType::Update,         AccessQueryType::Delete,
      AccessQueryType::Crosstab, AccessQueryType::DataDefinition, AccessQueryType::PassThrough,
      AccessQueryType::Union};
  type = kind >= 0 && kind <= 9 ? kinds[kind] : AccessQueryType::Select;
  std::string sql;
  if (type == AccessQueryType::Union) {
    for (size_t i = 0; i < tables.size(); ++i) {
      if (i) sql += "\r\nUNION ";
      sql += tables[i]->expression;
    }
  } else if (type == AccessQueryType::PassThrough || type == AccessQueryType::DataDefinition) {
    for (const auto* t : tables)
      sql += t->expression;
    if (sql.empty() && !columns.empty()) sql = columns.front()->expression;
  } else {
    if (!params.empty()) {
      sql += "PARAMETERS ";
      for (size_t i = 0; i < params.size(); ++i)
        sql += (i ? ", " : "") + bracket(params[i]);
      sql += ";\r\n";
    }
    switch (type) {
    case AccessQueryType::Delete:
      sql += "DELETE ";
      break;
    case AccessQueryType::Update:
      sql += "UPDATE ";
      break;
    case AccessQueryType::Append:
      sql += "INSERT INTO " + bracket(intoTable) + " ";
      [[fallthrough]];
    default:
      sql += "SELECT ";
      if (options & 0x02) sql += "DISTINCT ";
      if (options & 0x08) sql += "DISTINCTROW ";
      if ((options & 0x10) && !top.empty())
        sql += "TOP " + top + ((options & 0x20) ? " PERCENT " : " ");
    }
    if (type != AccessQueryType::Update && type != AccessQueryType::Delete) {
      std::string list;
      if (options & 0x01) list = "*";
      for (const auto* c : columns) {
        if (!list.empty()) list += ", ";
        list += c->expression;
        if (!c->name1.empty()) list += " AS " + bracket(c->name1);
      }
      sql += list;
      if (type == AccessQueryType::MakeTable && !intoTable.empty())
        sql += "\r\nINTO " + bracket(intoTable);
    }
    // FROM: tables joined as the join rows say, the rest listed with commas.
    std::vector<std::string> parts;
    std::set<std::string> joined;
    std::string joinText;
    for (const auto* j : joins) {
      std::string kindText = flagOf(*j) == 2   ? " LEFT JOIN "
                             : flagOf(*j) == 3 ? " RIGHT JOIN "
                                               : " INNER JOIN ";
      auto sourceText = [&](const std::string& name) {
        for (const auto* t : tables)
          if ((!t->name2.empty() && t->name2 == name) || (t->name2.empty() && t->name1 == name))
            return t->name2.empty() ? bracket(t->name1)
                                    : bracket(t->name1) + " AS " + bracket(t->name2);
        return bracket(name);
      };
      if (joinText.empty())
        joinText = sourceText(j->name1);
      else if (!joined.count(j->name1))
        joinText += ", " + sourceText(j->name1);
      else
        joinText = "(" + joinText + ")";
      joinText += kindText + sourceText(j->name2) + " ON " + j->expression;
      joined.insert(j->name1);
      joined.insert(j->name2);
    }
    if (!joinText.empty()) parts.push_back(joinText);
    for (const auto* t : tables) {
      std::string key = t->name2.empty() ? t->name1 : t->name2;
      if (joined.count(key)) continue;
      std::string text = t->expression.empty() ? bracket(t->name1) : "(" + t->expression + ")";
      if (!t->name2.empty()) text += " AS " + bracket(t->name2);
      parts.push_back(text);
    }
    if (!parts.empty()) {
      sql += "\r\nFROM ";
      for (size_t i = 0; i < parts.size(); ++i)
        sql += (i ? ", " : "") + parts[i];
    }
    if (!external.empty()) sql += " IN '" + external + "'";
    if (type == AccessQueryType::Update && !columns.empty()) {
      sql += "\r\nSET ";
      for (size_t i = 0; i < columns.size(); ++i)
        sql += (i ? ", " : "") + columns[i]->name1 + " = " + columns[i]->expression;
    }
    if (!where.empty()) sql += "\r\nWHERE " + where;
    if (!groups.empty()) {
      sql += "\r\nGROUP BY ";
      for (size_t i = 0; i < groups.size(); ++i)
        sql += (i ? ", " : "") + groups[i]->expression;
    }
    if (!having.empty()) sql += "\r\nHAVING " + having;
  }
  if (!orders.empty()) {
    sql += "\r\nORDER BY ";
    for (size_t i = 0; i < orders.size(); ++i) {
      sql += (i ? ", " : "") + orders[i]->expression;
      std::string dir = text::foldCase(orders[i]->name1);
      if (dir == "d" || dir == "desc") sql += " DESC";
    }
  }
  return sql + ";";
}

std::string versionText(int jetVersion) {
  switch (jetVersion) {
  case MDB_VER_JET3:
    return "3.0";
  case MDB_VER_JET4:
    return "4.0";
  case MDB_VER_ACCDB_2007:
    return "12.0";
  case MDB_VER_ACCDB_2010:
    return "14.0";
  case MDB_VER_ACCDB_2013:
    return "15.0";
  case MDB_VER_ACCDB_2016:
  case MDB_VER_ACCDB_2019:
    return "16.0";
  default:
    return "4.0";
  }
}

} // namespace

const AccessColumn* AccessTable::findColumn(std::string_view name) const {
  for (const auto& c : columns)
    if (text::equalsNoCase(c.name, name)) return &c;
  return nullptr;
}

const AccessTable* AccessCatalog::findTable(std::string_view name) const {
  for (const auto& t : tables_)
    if (t.name == name) return &t;
  for (const auto& t : tables_)
    if (text::equalsNoCase(t.name, name)) return &t;
  return nullptr;
}

const AccessQuery* AccessCatalog::findQuery(std::string_view name) const {
  for (const auto& q : queries_)
    if (q.name == name) return &q;
  for (const auto& q : queries_)
    if (text::equalsNoCase(q.name, name)) return &q;
  return nullptr;
}

std::string AccessCatalog::engineVersion() const {
  return std::string("mdbtools ") + mdb_get_version();
}

AccessCatalog AccessCatalog::read(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (!fs::exists(path, ec))
    raise(automation::err::kFileNotFound, "Could not find the Access database file '" + path + "'.",
          "DAO");
  if (!fs::is_regular_file(path, ec))
    raise(automation::err::kPathFileAccessError, "'" + path + "' is not an Access database file.",
          "DAO");
  {
    std::ifstream probe(path, std::ios::binary);
    if (!probe)
      raise(automation::err::kPermissionDenied,
            "Cannot read the Access database file '" + path + "'.", "DAO");
    // Jet and ACE files start with a header page naming the engine; anything else would
    // send libmdb reading garbage.
    char head[32] = {};
    probe.read(head, sizeof head);
    std::string_view h(head, static_cast<size_t>(probe.gcount()));
    if (h.size() < 32 ||
        (h.substr(4, 15) != "Standard Jet DB" && h.substr(4, 15) != "Standard ACE DB"))
      raise(kUnrecognizedFormat, "Unrecognized database format '" + path + "'.", "DAO");
  }
  Handle h;
  h.mdb = mdb_open(path.c_str(), MDB_NOFLAGS);
  if (!h.mdb) raise(kUnrecognizedFormat, "Unrecognized database format '" + path + "'.", "DAO");
  AccessCatalog cat;
  cat.path_ = path;
  cat.databaseVersion_ = versionText(h.mdb->f->jet_version);
  const bool jet3 = h.mdb->f->jet_version == MDB_VER_JET3;
  GPtrArray* entries = mdb_read_catalog(h.mdb, MDB_ANY);
  if (!entries)
    raise(kUnrecognizedFormat, "Unrecognized database format '" + path + "': no catalogue.", "DAO");
  std::vector<std::string> queryNames;
  for (unsigned i = 0; i < entries->len; ++i) {
    auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(entries, i));
    if (e->object_type == MDB_QUERY) {
      queryNames.push_back(e->object_name);
      continue;
    }
    if (e->object_type != MDB_TABLE) continue;
    AccessTable t;
    t.name = e->object_name;
    const uint32_t flags = static_cast<uint32_t>(e->flags);
    t.attributes =
        static_cast<int32_t>(flags & 0x80000002u) | ((flags & 0x8u) ? dao::kHiddenObject : 0);
    MdbTableDef* td = mdb_read_table(e);
    if (!td)
      raise(kUnrecognizedFormat, "Cannot read the table '" + t.name + "' of '" + path + "'.",
            "DAO");
    mdb_read_columns(td);
    mdb_read_indices(td);
    if (const char* d = mdb_table_get_prop(td, "Description")) t.description = d;
    for (unsigned k = 0; k < td->num_cols; ++k) {
      auto* col = static_cast<MdbColumn*>(g_ptr_array_index(td->columns, k));
      AccessColumn c;
      c.name = col->name;
      c.type = daoTypeOf(col->col_type);
      c.size = daoSizeOf(c.type, col->col_size, jet3);
      c.autoIncrement = col->is_long_auto != 0;
      c.guidAutoValue = col->col_type == MDB_REPID && col->is_uuid_auto != 0;
      c.attributes = (col->is_fixed ? dao::kFixedField : dao::kVariableField) |
                     dao::kUpdatableField | (c.autoIncrement ? dao::kAutoIncrField : 0);
      c.required = yes(prop(col, "Required"));
      c.allowZeroLength = yes(prop(col, "AllowZeroLength"));
      c.caption = prop(col, "Caption");
      c.description = prop(col, "Description");
      c.defaultValue = prop(col, "DefaultValue");
      if (col->col_type == MDB_NUMERIC) {
        c.precision = col->col_prec;
        c.scale = col->col_scale;
      }
      t.columns.push_back(std::move(c));
    }
    for (unsigned k = 0; td->indices && k < td->indices->len; ++k) {
      auto* ix = static_cast<MdbIndex*>(g_ptr_array_index(td->indices, k));
      AccessIndex x;
      x.name = ix->name;
      x.primary = ix->index_type == 1;
      x.foreign = ix->index_type == 2;
      x.unique = x.primary || (ix->flags & MDB_IDX_UNIQUE) != 0;
      for (unsigned n = 0; n < ix->num_keys && n < MDB_MAX_IDX_COLS; ++n) {
        int colNum = ix->key_col_num[n];
        if (colNum >= 1 && static_cast<unsigned>(colNum) <= td->num_cols)
          x.columns.push_back(
              static_cast<MdbColumn*>(g_ptr_array_index(td->columns, colNum - 1))->name);
      }
      t.indexes.push_back(std::move(x));
    }
    mdb_free_tabledef(td);
    cat.tables_.push_back(std::move(t));
  }
  // Object ids of the queries, and their definitions.
  std::map<std::string, std::string> idToName;
  {
    TableReader objects(h.mdb, "MSysObjects");
    while (objects.ok() && objects.next())
      if (objects.get("Type") == "5") idToName[objects.get("Id")] = objects.get("Name");
  }
  std::map<std::string, std::vector<QueryRow>> rowsByQuery;
  {
    TableReader defs(h.mdb, "MSysQueries");
    while (defs.ok() && defs.next()) {
      auto it = idToName.find(defs.get("ObjectId"));
      if (it == idToName.end()) continue;
      QueryRow r;
      r.attribute = std::atoi(defs.get("Attribute").c_str());
      r.expression = defs.get("Expression");
      r.name1 = defs.get("Name1");
      r.name2 = defs.get("Name2");
      r.flag = defs.get("Flag");
      r.order = defs.get("Order");
      rowsByQuery[it->second].push_back(std::move(r));
    }
  }
  for (const auto& name : queryNames) {
    if (!name.empty() && name[0] == '~') continue; // queries of forms and reports
    AccessQuery q;
    q.name = name;
    q.sql = buildQuerySql(rowsByQuery[name], q.type, q.parameters);
    q.isView = q.type == AccessQueryType::Select && q.parameters.empty();
    cat.queries_.push_back(std::move(q));
  }
  {
    TableReader rel(h.mdb, "MSysRelationships");
    std::map<std::string, AccessRelation> byName;
    std::vector<std::string> order;
    while (rel.ok() && rel.next()) {
      std::string name = rel.get("szRelationship");
      auto [it, inserted] = byName.try_emplace(name);
      if (inserted) order.push_back(name);
      AccessRelation& r = it->second;
      r.name = name;
      r.table = rel.get("szReferencedObject");
      r.foreignTable = rel.get("szObject");
      r.attributes = std::atoi(rel.get("grbit").c_str());
      r.fields.emplace_back(rel.get("szReferencedColumn"), rel.get("szColumn"));
    }
    for (const auto& n : order)
      cat.relations_.push_back(std::move(byName[n]));
  }
  // Query columns, derived from the SQL over the tables and earlier-resolved queries.
  std::set<std::string> resolving;
  std::function<std::vector<AccessColumn>(const std::string&)> columnsOf;
  auto sourceColumns = [&](const std::string& name) -> std::vector<AccessColumn> {
    if (const AccessTable* t = cat.findTable(name)) return t->columns;
    return columnsOf(name);
  };
  columnsOf = [&](const std::string& queryName) -> std::vector<AccessColumn> {
    auto it = std::find_if(cat.queries_.begin(), cat.queries_.end(),
                           [&](const AccessQuery& q) { return q.name == queryName; });
    if (it == cat.queries_.end() || resolving.count(queryName)) return {};
    if (!it->columns.empty()) return it->columns;
    resolving.insert(queryName);
    auto hasColumn = [&](const std::string& table, const std::string& column) {
      for (const auto& c : sourceColumns(table))
        if (text::equalsNoCase(c.name, column)) return true;
      return false;
    };
    SelectAnalysis a = analyseSelect(
        it->sql.substr(it->sql.find("SELECT") == std::string::npos ? 0 : it->sql.find("SELECT")),
        hasColumn);
    std::vector<AccessColumn> cols;
    for (const auto& item : a.items) {
      if (item.isStar) {
        for (const auto& s : a.sources) {
          if (s.isSubquery) continue;
          if (!item.qualifier.empty() && !text::equalsNoCase(item.qualifier, s.name) &&
              !text::equalsNoCase(item.qualifier, s.alias))
            continue;
          for (auto c : sourceColumns(s.name)) {
            c.sourceTable = s.name;
            c.sourceColumn = c.name;
            cols.push_back(std::move(c));
          }
        }
        continue;
      }
      AccessColumn c;
      bool found = false;
      if (item.isColumn && !item.sourceTable.empty())
        for (const auto& src : sourceColumns(item.sourceTable))
          if (text::equalsNoCase(src.name, item.sourceColumn)) {
            c = src;
            c.sourceTable = item.sourceTable;
            c.sourceColumn = src.name;
            found = true;
            break;
          }
      if (!found) {
        // A computed column: text, as the analyser cannot type expressions.
        c = AccessColumn{};
        c.type = dao::kText;
        c.size = 255;
        c.attributes = dao::kVariableField;
      }
      c.name = item.outputName;
      c.autoIncrement = found && c.autoIncrement;
      cols.push_back(std::move(c));
    }
    resolving.erase(queryName);
    it->columns = cols;
    return cols;
  };
  for (auto& q : cat.queries_)
    if (q.type == AccessQueryType::Select || q.type == AccessQueryType::Union) columnsOf(q.name);
  return cat;
}

// ---- the connection backend -----------------------------------------------------------

namespace {

int adoTypeOfDao(int daoType) {
  switch (daoType) {
  case dao::kBoolean:
    return ado::kBoolean;
  case dao::kByte:
    return ado::kUnsignedTinyInt;
  case dao::kInteger:
    return ado::kSmallInt;
  case dao::kLong:
    return ado::kInteger;
  case dao::kCurrency:
    return ado::kCurrency;
  case dao::kSingle:
    return ado::kSingle;
  case dao::kDouble:
    return ado::kDouble;
  case dao::kDate:
    return ado::kDate;
  case dao::kBinary:
    return ado::kBinary;
  case dao::kText:
    return ado::kWChar;
  case dao::kLongBinary:
    return ado::kBinary;
  case dao::kMemo:
    return ado::kWChar;
  case dao::kGUID:
    return ado::kGUID;
  case dao::kDecimal:
    return ado::kNumeric;
  default:
    return ado::kVariant;
  }
}

ColumnInfo columnInfoOf(const AccessColumn& c) {
  ColumnInfo i;
  i.name = c.name;
  i.type = adoTypeOfDao(c.type);
  bool isLong = c.type == dao::kMemo || c.type == dao::kLongBinary;
  i.definedSize = isLong ? 1073741823 : c.size;
  if (c.type == dao::kDecimal) {
    i.precision = c.precision;
    i.scale = c.scale;
  }
  i.attributes =
      fieldattr::kUpdatable | (c.required ? 0 : fieldattr::kIsNullable | fieldattr::kMayBeNull) |
      ((c.attributes & dao::kFixedField) ? fieldattr::kFixed : 0) | (isLong ? fieldattr::kLong : 0);
  i.autoIncrement = c.autoIncrement;
  i.baseTable = c.sourceTable;
  i.baseColumn = c.sourceColumn;
  return i;
}

Variant textOrNull(const std::string& s) {
  return s.empty() ? Variant::null() : Variant(s);
}

class AccessSession : public Session {
public:
  explicit AccessSession(const std::string& file) {
    try {
      cat_ = AccessCatalog::read(file);
    } catch (const automation::Error& e) {
      throw DataError(e.number(), e.description(),
                      {{e.number(), "", 0, e.description(), e.source()}}, e.source());
    }
  }

  Ref<Properties> properties() override {
    auto p = automation::makeRef<Properties>();
    p->add("DBMS Name", "MS Jet");
    p->add("DBMS Version", cat_.databaseVersion());
    p->add("OLE DB Version", "N.A.");
    p->add("Provider Name", "libmdb");
    p->add("Provider Version", std::string(mdb_get_version()));
    p->add("Current Catalog", cat_.path());
    return p;
  }

  Ref<Rowset> execute(const std::string&) override {
    throw DataError(adoerr::kNotSupported,
                    "Statements cannot run on the Access file '" + cat_.path() +
                        "' on this platform: only its catalogue can be read.");
  }

  Ref<Rowset> describe(const std::string& sql) override {
    auto hasColumn = [&](const std::string& table, const std::string& column) {
      if (const AccessTable* t = cat_.findTable(table)) return t->findColumn(column) != nullptr;
      if (const AccessQuery* q = cat_.findQuery(table))
        for (const auto& c : q->columns)
          if (text::equalsNoCase(c.name, column)) return true;
      return false;
    };
    SelectAnalysis a = analyseSelect(sql, hasColumn);
    if (!a.parsed || a.sources.empty())
      throw DataError(adoerr::kCommandError,
                      "Only a SELECT over the tables of '" + cat_.path() + "' can be described.");
    auto columnsOf = [&](const std::string& name) -> const std::vector<AccessColumn>* {
      if (const AccessTable* t = cat_.findTable(name)) return &t->columns;
      if (const AccessQuery* q = cat_.findQuery(name)) return &q->columns;
      return nullptr;
    };
    for (const auto& s : a.sources)
      if (!s.isSubquery && !columnsOf(s.name))
        throw DataError(adoerr::kCommandError, "The Access database '" + cat_.path() +
                                                   "' has no table or query '" + s.name + "'.");
    std::vector<ColumnInfo> cols;
    for (const auto& item : a.items) {
      if (item.isStar) {
        for (const auto& s : a.sources)
          if (!s.isSubquery &&
              (item.qualifier.empty() || text::equalsNoCase(item.qualifier, s.name) ||
               text::equalsNoCase(item.qualifier, s.alias)))
            for (const auto& c : *columnsOf(s.name)) {
              ColumnInfo i = columnInfoOf(c);
              i.baseTable = s.name;
              i.baseColumn = c.name;
              cols.push_back(std::move(i));
            }
        continue;
      }
      ColumnInfo i;
      i.name = item.outputName;
      i.type = ado::kVarWChar;
      i.definedSize = 255;
      i.attributes = fieldattr::kIsNullable | fieldattr::kMayBeNull;
      if (item.isColumn && !item.sourceTable.empty())
        if (const auto* list = columnsOf(item.sourceTable))
          for (const auto& c : *list)
            if (text::equalsNoCase(c.name, item.sourceColumn)) {
              i = columnInfoOf(c);
              i.name = item.outputName;
              i.baseTable = item.sourceTable;
              i.baseColumn = c.name;
            }
      cols.push_back(std::move(i));
    }
    return automation::makeRef<Rowset>(std::move(cols));
  }

  Ref<Rowset> openSchema(SchemaKind kind, const std::vector<Variant>& r) override {
    auto all = newSchemaRowset(kind);
    const Variant noText = Variant::null();
    switch (kind) {
    case SchemaKind::Tables:
      for (const auto& t : cat_.tables())
        all->addRow({noText, noText, Variant(t.name),
                     Variant(t.isSystem() ? "SYSTEM TABLE" : "TABLE"), textOrNull(t.description)});
      for (const auto& q : cat_.queries())
        if (q.isView) all->addRow({noText, noText, Variant(q.name), Variant("VIEW"), noText});
      if (!restrictionAt(r, 3)) {
        // System tables only when asked for by type.
        auto user = newSchemaRowset(kind);
        for (size_t i = 0; i < all->rowCount(); ++i)
          if (automation::CStr(all->row(i)[3]) != "SYSTEM TABLE") user->addRow(all->row(i));
        all = user;
      }
      break;
    case SchemaKind::Views:
      for (const auto& q : cat_.queries())
        if (q.isView)
          all->addRow({noText, noText, Variant(q.name), Variant(q.sql), Variant(true), noText});
      break;
    case SchemaKind::Columns:
      for (const auto& t : cat_.tables())
        if (!t.isSystem()) addColumns(*all, t.name, t.columns);
      for (const auto& q : cat_.queries())
        if (q.isView) addColumns(*all, q.name, q.columns);
      break;
    case SchemaKind::PrimaryKeys:
      for (const auto& t : cat_.tables())
        for (const auto& ix : t.indexes)
          if (ix.primary && !t.isSystem())
            for (size_t i = 0; i < ix.columns.size(); ++i)
              all->addRow({noText, noText, Variant(t.name), Variant(ix.columns[i]),
                           Variant(static_cast<int32_t>(i + 1)), Variant(ix.name)});
      break;
    case SchemaKind::Indexes:
      for (const auto& t : cat_.tables())
        if (!t.isSystem())
          for (const auto& ix : t.indexes)
            for (size_t i = 0; i < ix.columns.size(); ++i)
              all->addRow({noText, noText, Variant(t.name), Variant(ix.name), Variant(ix.primary),
                           Variant(ix.unique), Variant(static_cast<int32_t>(i + 1)),
                           Variant(ix.columns[i]), Variant(int16_t{1})});
      break;
    case SchemaKind::ForeignKeys:
      for (const auto& rel : cat_.relations())
        for (size_t i = 0; i < rel.fields.size(); ++i)
          all->addRow({noText, noText, Variant(rel.table), Variant(rel.fields[i].first), noText,
                       noText, Variant(rel.foreignTable), Variant(rel.fields[i].second),
                       Variant(static_cast<int32_t>(i + 1)),
                       Variant((rel.attributes & 0x100) ? "CASCADE" : "NO ACTION"),
                       Variant((rel.attributes & 0x1000) ? "CASCADE" : "NO ACTION"), noText,
                       Variant(rel.name)});
      break;
    }
    return filterSchemaRowset(*all, kind, r);
  }

private:
  static void addColumns(Rowset& out, const std::string& table,
                         const std::vector<AccessColumn>& cols) {
    int32_t ordinal = 0;
    for (const auto& c : cols) {
      ColumnInfo i = columnInfoOf(c);
      bool textual = c.type == dao::kText || c.type == dao::kMemo || c.type == dao::kBinary ||
                     c.type == dao::kLongBinary;
      out.addRow(
          {Variant::null(), Variant::null(), Variant(table), Variant(c.name), Variant(++ordinal),
           Variant(!c.defaultValue.empty()), textOrNull(c.defaultValue),
           Variant(static_cast<int32_t>(i.attributes)), Variant(!c.required),
           Variant(static_cast<int32_t>(i.type)), Variant::null(),
           textual ? Variant::fromInt64(i.definedSize) : Variant::null(),
           c.type == dao::kDecimal ? Variant(static_cast<int32_t>(c.precision)) : Variant::null(),
           c.type == dao::kDecimal ? Variant(static_cast<int16_t>(c.scale)) : Variant::null(),
           Variant(c.autoIncrement), textOrNull(c.description)});
    }
  }

  AccessCatalog cat_;
};

} // namespace

std::unique_ptr<Session> openAccessSession(const std::string& file, const std::string& password) {
  // libmdb reads a file without looking at its database password, so opening with one would
  // pretend to a check that never happened.
  if (!password.empty())
    throw DataError(adoerr::kProviderError,
                    "Cannot open '" + file +
                        "' with a database password: password-protected Access databases are "
                        "not supported, because the password cannot be checked.");
  return std::make_unique<AccessSession>(file);
}

} // namespace quillet::platform::data
