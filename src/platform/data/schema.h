#pragma once
// The shapes of the schema rowsets (ADO's column names and types) and their restrictions,
// shared by every backend.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/data/rowset.h"

namespace quillet::platform::data {

// An empty rowset with the columns of a schema kind:
//   Tables       TABLE_CATALOG TABLE_SCHEMA TABLE_NAME TABLE_TYPE DESCRIPTION
//   Columns      TABLE_CATALOG TABLE_SCHEMA TABLE_NAME COLUMN_NAME ORDINAL_POSITION
//                COLUMN_HASDEFAULT COLUMN_DEFAULT COLUMN_FLAGS IS_NULLABLE DATA_TYPE
//                TYPE_NAME CHARACTER_MAXIMUM_LENGTH NUMERIC_PRECISION NUMERIC_SCALE
//                IS_AUTOINCREMENT DESCRIPTION
//   PrimaryKeys  TABLE_CATALOG TABLE_SCHEMA TABLE_NAME COLUMN_NAME ORDINAL PK_NAME
//   Indexes      TABLE_CATALOG TABLE_SCHEMA TABLE_NAME INDEX_NAME PRIMARY_KEY UNIQUE
//                ORDINAL_POSITION COLUMN_NAME COLLATION
//   Views        TABLE_CATALOG TABLE_SCHEMA TABLE_NAME VIEW_DEFINITION IS_UPDATABLE DESCRIPTION
//   ForeignKeys  PK_TABLE_CATALOG PK_TABLE_SCHEMA PK_TABLE_NAME PK_COLUMN_NAME
//                FK_TABLE_CATALOG FK_TABLE_SCHEMA FK_TABLE_NAME FK_COLUMN_NAME ORDINAL
//                UPDATE_RULE DELETE_RULE PK_NAME FK_NAME
Ref<Rowset> newSchemaRowset(SchemaKind kind);

// The columns the restriction array addresses, in order (ADO's criteria order).
const std::vector<std::string_view>& restrictionColumns(SchemaKind kind);

// The restriction at position i as text; nullopt when absent, Empty, Null or Missing.
std::optional<std::string> restrictionAt(const std::vector<Variant>& restrictions, size_t i);

// The rows of `all` that match every given restriction exactly.
Ref<Rowset> filterSchemaRowset(const Rowset& all, SchemaKind kind,
                               const std::vector<Variant>& restrictions);

} // namespace quillet::platform::data
