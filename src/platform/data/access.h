#pragma once
// Access catalogues read through libmdb, in place of DAO: tables with their columns,
// indexes and relationships, and stored queries with their SQL rebuilt from the query
// definitions. Files are always opened read-only.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillet::platform::data {

// DAO DataTypeEnum codes.
namespace dao {
inline constexpr int kBoolean = 1;
inline constexpr int kByte = 2;
inline constexpr int kInteger = 3;
inline constexpr int kLong = 4;
inline constexpr int kCurrency = 5;
inline constexpr int kSingle = 6;
inline constexpr int kDouble = 7;
inline constexpr int kDate = 8;
inline constexpr int kBinary = 9;
inline constexpr int kText = 10;
inline constexpr int kLongBinary = 11;
inline constexpr int kMemo = 12;
inline constexpr int kGUID = 15;
inline constexpr int kBigInt = 16;
inline constexpr int kDecimal = 20;
// DAO Field.Attributes bits.
inline constexpr int kFixedField = 1;
inline constexpr int kVariableField = 2;
inline constexpr int kAutoIncrField = 16;
inline constexpr int kUpdatableField = 32;
// DAO TableDef.Attributes bits.
inline constexpr int32_t kSystemObject = static_cast<int32_t>(0x80000002u);
inline constexpr int32_t kHiddenObject = 1;
} // namespace dao

struct AccessColumn {
  std::string name;
  int type = dao::kText; // DAO type; -1 for a Jet type DAO has no code for
  int64_t size = 0;      // characters for text, bytes otherwise (DAO Field.Size)
  int attributes = 0;    // DAO Field.Attributes
  bool autoIncrement = false;
  bool guidAutoValue = false; // a replication ID filled by GenGUID()
  bool required = false;
  bool allowZeroLength = false;
  std::string caption;
  std::string description;
  std::string defaultValue;
  int precision = 0; // decimal columns
  int scale = 0;
  // For query columns: where the value comes from ("" for expressions).
  std::string sourceTable;
  std::string sourceColumn;
};

struct AccessIndex {
  std::string name;
  bool primary = false;
  bool unique = false;
  bool foreign = false; // an index kept for a relationship
  std::vector<std::string> columns;
};

struct AccessTable {
  std::string name;
  int32_t attributes = 0; // DAO TableDef.Attributes (system, hidden)
  std::string description;
  std::vector<AccessColumn> columns;
  std::vector<AccessIndex> indexes;
  bool isSystem() const {
    return (attributes & dao::kSystemObject) != 0 || (attributes & dao::kHiddenObject) != 0;
  }
  const AccessColumn* findColumn(std::string_view name) const;
};

struct AccessRelation {
  std::string name;
  std::string table;                                       // the referenced (primary) table
  std::string foreignTable;                                // the referencing table
  std::vector<std::pair<std::string, std::string>> fields; // (primary column, foreign column)
  int32_t attributes = 0;                                  // DAO RelationAttributeEnum (grbit)
};

// Query types as DAO QueryDef.Type gives them.
enum class AccessQueryType : int {
  Select = 0,
  Crosstab = 16,
  Delete = 32,
  Update = 48,
  Append = 64,
  MakeTable = 80,
  DataDefinition = 96,
  PassThrough = 112,
  Union = 128,
};

struct AccessQuery {
  std::string name;
  AccessQueryType type = AccessQueryType::Select;
  std::string sql;
  std::vector<std::string> parameters;
  // A select query without parameters, which the catalogue lists as a view.
  bool isView = false;
  // Output columns, derived from the SQL over the tables' (and other queries') columns;
  // computed columns are typed as text.
  std::vector<AccessColumn> columns;
};

class AccessCatalog {
public:
  // Reads the whole catalogue of an .mdb or .accdb file. Raises automation errors that name
  // the file: 53 when it does not exist, 70 when it cannot be read, 3343 "Unrecognized
  // database format" when it is no Access file or is damaged.
  static AccessCatalog read(const std::string& path);

  const std::string& path() const { return path_; }
  // The reading library's version text (DAO's DBEngine.Version).
  std::string engineVersion() const;
  // The file format version as DAO gives Database.Version: "3.0" (Jet 3), "4.0" (Jet 4),
  // "12.0" (Access 2007 and later).
  const std::string& databaseVersion() const { return databaseVersion_; }

  // User and system tables in catalogue order; isSystem() tells them apart.
  const std::vector<AccessTable>& tables() const { return tables_; }
  const std::vector<AccessQuery>& queries() const { return queries_; }
  const std::vector<AccessRelation>& relations() const { return relations_; }
  const AccessTable* findTable(std::string_view name) const;
  const AccessQuery* findQuery(std::string_view name) const;

private:
  std::string path_;
  std::string databaseVersion_;
  std::vector<AccessTable> tables_;
  std::vector<AccessQuery> queries_;
  std::vector<AccessRelation> relations_;
};

} // namespace quillet::platform::data
