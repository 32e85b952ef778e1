#pragma once
// One reader per catalogue kind writes what it learns through these sinks; the project
// model and the schema records each implement them. The readers therefore cannot disagree
// about a fact, and the few differences between project and records that callers rely on
// (the project applies generation defaults, reports duplicate columns, keeps auto-increment
// defaults out of FldDefault) sit in one place each.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/automation/variant.h"
#include "platform/data/access.h"
#include "platform/data/types.h"

namespace quillet::schema {

namespace automation = ::quillet::platform::automation;
namespace data = ::quillet::platform::data;
using automation::Ref;
using automation::Variant;

// What a type map makes of a provider type code.
struct TypeFacts {
  int type = -1;
  bool support = false;
  // Both quote characters; nullopt leaves them as they were.
  std::optional<std::pair<std::string, std::string>> quotes;
};

// The DAO type map (one map for project and records: GUID literals in braces).
TypeFacts daoTypeMap(int daoType);
// The ADO type map; Access dates take "#".
TypeFacts adoTypeMap(int adoType, data::DatabaseKind kind);
// The DAO attribute bits in ADO form: 16 fixed, 4 updatable (not auto-increment), 32 nullable.
int32_t daoAttributeMask(int daoAttributes, bool required);

class FieldSink {
public:
  virtual ~FieldSink() = default;
  virtual std::string name() = 0;
  // The catalogue facts of a described column (LoadFld_ADO): type map, size, attributes,
  // auto-increment, the PostgreSQL widening; the project then derives its defaults.
  virtual void loadAdo(const data::ColumnInfo& column, data::DatabaseKind kind) = 0;
  // The same for an Access column (LoadFld_DAO).
  virtual void loadDao(const data::AccessColumn& column) = 0;

  // Corrections the column readers make afterwards.
  virtual void setTypeName(const std::string& typeName) = 0;
  virtual void setTagValues(const std::string& values, const std::string& htmlTag) = 0;
  virtual void markPrimaryKey() = 0;
  virtual void markUnique() = 0;
  virtual void setRequired(bool required) = 0;
  // A default as the catalogue states it; the project keeps it out of auto-increment fields.
  virtual void setCatalogueDefault(const Variant& value) = 0;
  // The database fills the value (sequence trigger, GUID default): auto-increment, not added.
  virtual void markAutoIncrement() = 0;
  virtual void markUnsupported() = 0;
  virtual void clearDefault() = 0;

  virtual int type() = 0;
  virtual bool isPrimaryKey() = 0;
  virtual std::string defaultText() = 0;
};

class TableSink {
public:
  virtual ~TableSink() = default;
  virtual std::string name() = 0;
  virtual void setType(const std::string& type) = 0;
  virtual void setSchema(const std::string& schema) = 0;
  // A new field; nullptr when the name is refused.
  virtual FieldSink* addField(const std::string& name) = 0;
  // The field of exactly that name; nullptr when none.
  virtual FieldSink* field(const std::string& name) = 0;
  virtual size_t fieldCount() = 0;
  virtual FieldSink* fieldAt(size_t i) = 0;
  // A column whose name is already a field's (compared as `exactly` says).
  virtual void duplicateColumn(const std::string& name, bool exactly) = 0;
  virtual void columnQueryFailed(const std::string& description) = 0;
  virtual void setGen(bool generate) = 0;
  virtual void setError(const std::string& text) = 0;
  virtual void setLoaded() = 0;
  virtual void setKey(const std::string& key) = 0;
  virtual std::string key() = 0;
  virtual void setSql(const std::string& sql) = 0;
  virtual void setUpdatable(bool updatable) = 0;
  virtual void setView(bool view) = 0;
  // After the last step: the project applies the table defaults.
  virtual void finish() = 0;
};

} // namespace quillet::schema
