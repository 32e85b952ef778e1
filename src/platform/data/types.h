#pragma once
// The vocabulary of the data-access layer: ADO type codes, field attribute bits, schema
// rowset kinds and the description of one result column. Project files and templates store
// these numbers, so they are the canonical codes whatever library reads the catalogue.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillet::platform::data {

// ADO DataTypeEnum codes.
namespace ado {
inline constexpr int kEmpty = 0;
inline constexpr int kSmallInt = 2;
inline constexpr int kInteger = 3;
inline constexpr int kSingle = 4;
inline constexpr int kDouble = 5;
inline constexpr int kCurrency = 6;
inline constexpr int kDate = 7;
inline constexpr int kBSTR = 8;
inline constexpr int kBoolean = 11;
inline constexpr int kVariant = 12;
inline constexpr int kDecimal = 14;
inline constexpr int kTinyInt = 16;
inline constexpr int kUnsignedTinyInt = 17;
inline constexpr int kUnsignedSmallInt = 18;
inline constexpr int kUnsignedInt = 19;
inline constexpr int kBigInt = 20;
inline constexpr int kUnsignedBigInt = 21;
inline constexpr int kGUID = 72;
inline constexpr int kBinary = 128;
inline constexpr int kChar = 129;
inline constexpr int kWChar = 130;
inline constexpr int kNumeric = 131;
inline constexpr int kDBDate = 133;
inline constexpr int kDBTime = 134;
inline constexpr int kDBTimeStamp = 135;
inline constexpr int kVarNumeric = 139;
inline constexpr int kVarChar = 200;
inline constexpr int kLongVarChar = 201;
inline constexpr int kVarWChar = 202;
inline constexpr int kLongVarWChar = 203;
inline constexpr int kVarBinary = 204;
inline constexpr int kLongVarBinary = 205;
} // namespace ado

// ADO FieldAttributeEnum bits.
namespace fieldattr {
inline constexpr int kMayDefer = 0x2;
inline constexpr int kUpdatable = 0x4;
inline constexpr int kUnknownUpdatable = 0x8;
inline constexpr int kFixed = 0x10;
inline constexpr int kIsNullable = 0x20;
inline constexpr int kMayBeNull = 0x40;
inline constexpr int kLong = 0x80;
inline constexpr int kRowID = 0x100;
inline constexpr int kKeyColumn = 0x8000;
} // namespace fieldattr

// ADO SchemaEnum values of the schema rowsets this layer serves.
enum class SchemaKind : int {
  Columns = 4,
  Indexes = 12,
  Tables = 20,
  Views = 23,
  ForeignKeys = 27,
  PrimaryKeys = 28,
};
// The kind for an ADO schema number; nullopt for one this layer does not serve.
std::optional<SchemaKind> schemaKindFromNumber(int number);

// The database families the engine distinguishes. The numbers are the ones the project
// stores and scripts see; MariaDB counts as MySQL.
enum class DatabaseKind : int16_t {
  Access = 1,
  SqlServer = 2,
  MySql = 3,
  Oracle = 4,
  PostgreSql = 5,
  SQLite = 6,
  Other = 99,
};
// The family of a DBMS name as drivers report it: exactly "MS Jet" or "ACCESS" is Access;
// otherwise, by containment without regard to case and in this order, "Microsoft" with
// "SQL", "MySQL" or "MariaDB", "ORA", "PostgreSql", "SQLITE"; anything else is Other.
DatabaseKind databaseKind(std::string_view dbmsName);

// One column of a result or a described statement, with what ADO's Field offered.
struct ColumnInfo {
  std::string name;
  int type = ado::kVarWChar; // ADO DataTypeEnum
  int64_t definedSize = 0;   // characters for text, bytes for the rest
  int precision = 255;       // 255 where ADO has no precision
  int scale = 255;
  int attributes = 0;                // fieldattr bits
  std::optional<bool> autoIncrement; // unknown when the driver cannot tell
  std::string nativeTypeName;        // the driver's type name ("int4", "varchar")
  std::string baseCatalog;
  std::string baseSchema;
  std::string baseTable;
  std::string baseColumn;
};

} // namespace quillet::platform::data
