#include "platform/data/schema.h"

#include "platform/automation/convert.h"
#include "platform/text/casefold.h"

namespace quillet::platform::data {

namespace {

ColumnInfo col(std::string name, int type) {
  ColumnInfo c;
  c.name = std::move(name);
  c.type = type;
  c.attributes = fieldattr::kIsNullable | fieldattr::kMayBeNull;
  switch (type) {
  case ado::kVarWChar:
    c.definedSize = 128;
    break;
  case ado::kLongVarWChar:
    c.definedSize = 1073741823;
    c.attributes |= fieldattr::kLong;
    break;
  case ado::kBoolean:
    c.definedSize = 2;
    c.attributes |= fieldattr::kFixed;
    break;
  case ado::kInteger:
    c.definedSize = 4;
    c.precision = 10;
    c.attributes |= fieldattr::kFixed;
    break;
  case ado::kUnsignedSmallInt:
    c.definedSize = 2;
    c.precision = 5;
    c.attributes |= fieldattr::kFixed;
    break;
  case ado::kUnsignedInt:
    c.definedSize = 4;
    c.precision = 10;
    c.attributes |= fieldattr::kFixed;
    break;
  case ado::kBigInt:
    c.definedSize = 8;
    c.precision = 19;
    c.attributes |= fieldattr::kFixed;
    break;
  default:
    break;
  }
  return c;
}

std::vector<ColumnInfo> columnsOf(SchemaKind kind) {
  const int T = ado::kVarWChar;
  switch (kind) {
  case SchemaKind::Tables:
    return {col("TABLE_CATALOG", T), col("TABLE_SCHEMA", T), col("TABLE_NAME", T),
            col("TABLE_TYPE", T), col("DESCRIPTION", T)};
  case SchemaKind::Columns:
    return {col("TABLE_CATALOG", T),
            col("TABLE_SCHEMA", T),
            col("TABLE_NAME", T),
            col("COLUMN_NAME", T),
            col("ORDINAL_POSITION", ado::kUnsignedInt),
            col("COLUMN_HASDEFAULT", ado::kBoolean),
            col("COLUMN_DEFAULT", ado::kLongVarWChar),
            col("COLUMN_FLAGS", ado::kUnsignedInt),
            col("IS_NULLABLE", ado::kBoolean),
            col("DATA_TYPE", ado::kUnsignedSmallInt),
            col("TYPE_NAME", T),
            col("CHARACTER_MAXIMUM_LENGTH", ado::kUnsignedInt),
            col("NUMERIC_PRECISION", ado::kUnsignedSmallInt),
            col("NUMERIC_SCALE", ado::kSmallInt),
            col("IS_AUTOINCREMENT", ado::kBoolean),
            col("DESCRIPTION", T)};
  case SchemaKind::PrimaryKeys:
    return {col("TABLE_CATALOG", T),
            col("TABLE_SCHEMA", T),
            col("TABLE_NAME", T),
            col("COLUMN_NAME", T),
            col("ORDINAL", ado::kUnsignedInt),
            col("PK_NAME", T)};
  case SchemaKind::Indexes:
    return {col("TABLE_CATALOG", T),
            col("TABLE_SCHEMA", T),
            col("TABLE_NAME", T),
            col("INDEX_NAME", T),
            col("PRIMARY_KEY", ado::kBoolean),
            col("UNIQUE", ado::kBoolean),
            col("ORDINAL_POSITION", ado::kUnsignedInt),
            col("COLUMN_NAME", T),
            col("COLLATION", ado::kSmallInt)};
  case SchemaKind::Views:
    return {col("TABLE_CATALOG", T),
            col("TABLE_SCHEMA", T),
            col("TABLE_NAME", T),
            col("VIEW_DEFINITION", ado::kLongVarWChar),
            col("IS_UPDATABLE", ado::kBoolean),
            col("DESCRIPTION", T)};
  case SchemaKind::ForeignKeys:
    return {
        col("PK_TABLE_CATALOG", T), col("PK_TABLE_SCHEMA", T),  col("PK_TABLE_NAME", T),
        col("PK_COLUMN_NAME", T),   col("FK_TABLE_CATALOG", T), col("FK_TABLE_SCHEMA", T),
        col("FK_TABLE_NAME", T),    col("FK_COLUMN_NAME", T),   col("ORDINAL", ado::kUnsignedInt),
        col("UPDATE_RULE", T),      col("DELETE_RULE", T),      col("PK_NAME", T),
        col("FK_NAME", T)};
  }
  return {};
}

} // namespace

std::optional<SchemaKind> schemaKindFromNumber(int number) {
  switch (number) {
  case 4:
    return SchemaKind::Columns;
  case 12:
    return SchemaKind::Indexes;
  case 20:
    return SchemaKind::Tables;
  case 23:
    return SchemaKind::Views;
  case 27:
    return SchemaKind::ForeignKeys;
  case 28:
    return SchemaKind::PrimaryKeys;
  default:
    return std::nullopt;
  }
}

Ref<Rowset> newSchemaRowset(SchemaKind kind) {
  return automation::makeRef<Rowset>(columnsOf(kind));
}

const std::vector<std::string_view>& restrictionColumns(SchemaKind kind) {
  static const std::vector<std::string_view> tables{"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME",
                                                    "TABLE_TYPE"};
  static const std::vector<std::string_view> columns{"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME",
                                                     "COLUMN_NAME"};
  static const std::vector<std::string_view> keys{"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME"};
  // The fourth criterion of ADO's index rowset is the index type, which no backend here
  // distinguishes; it is accepted and ignored.
  static const std::vector<std::string_view> indexes{"TABLE_CATALOG", "TABLE_SCHEMA", "INDEX_NAME",
                                                     "", "TABLE_NAME"};
  static const std::vector<std::string_view> foreign{"PK_TABLE_CATALOG", "PK_TABLE_SCHEMA",
                                                     "PK_TABLE_NAME",    "FK_TABLE_CATALOG",
                                                     "FK_TABLE_SCHEMA",  "FK_TABLE_NAME"};
  switch (kind) {
  case SchemaKind::Tables:
    return tables;
  case SchemaKind::Columns:
    return columns;
  case SchemaKind::Indexes:
    return indexes;
  case SchemaKind::ForeignKeys:
    return foreign;
  case SchemaKind::PrimaryKeys:
  case SchemaKind::Views:
    return keys;
  }
  return keys;
}

std::optional<std::string> restrictionAt(const std::vector<Variant>& restrictions, size_t i) {
  if (i >= restrictions.size()) return std::nullopt;
  const Variant& v = restrictions[i];
  if (v.isEmpty() || v.isNull() || v.isMissing()) return std::nullopt;
  return automation::CStr(v);
}

Ref<Rowset> filterSchemaRowset(const Rowset& all, SchemaKind kind,
                               const std::vector<Variant>& restrictions) {
  auto out = automation::makeRef<Rowset>(all.columns());
  const auto& names = restrictionColumns(kind);
  std::vector<std::pair<size_t, std::string>> tests;
  for (size_t i = 0; i < names.size(); ++i) {
    auto r = restrictionAt(restrictions, i);
    if (!r || names[i].empty()) continue;
    if (auto c = all.findColumn(names[i])) tests.emplace_back(*c, *r);
  }
  for (size_t r = 0; r < all.rowCount(); ++r) {
    const auto& row = all.row(r);
    bool keep = true;
    for (const auto& [c, want] : tests) {
      const Variant& v = row[c];
      if (v.isNull() || v.isEmpty() || automation::CStr(v) != want) {
        keep = false;
        break;
      }
    }
    if (keep) out->addRow(row);
  }
  return out;
}

DatabaseKind databaseKind(std::string_view name) {
  if (name == "MS Jet" || name == "ACCESS") return DatabaseKind::Access;
  auto has = [&](std::string_view part) { return text::containsNoCase(name, part); };
  if (has("Microsoft") && has("SQL")) return DatabaseKind::SqlServer;
  if (has("MySQL") || has("MariaDB")) return DatabaseKind::MySql;
  if (has("ORA")) return DatabaseKind::Oracle;
  if (has("PostgreSql")) return DatabaseKind::PostgreSql;
  if (has("SQLITE")) return DatabaseKind::SQLite;
  return DatabaseKind::Other;
}

} // namespace quillet::platform::data
