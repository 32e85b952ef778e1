#pragma once
// A buffered, read-only result: columns described once, rows held in memory, a cursor that
// can be walked any number of times (the schema readers count rows first, then read them).
// Scripts see it as a Recordset with Fields, EOF, MoveFirst, MoveNext...; C++ code uses the
// same object directly.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/automation/members.h"
#include "platform/data/types.h"

namespace quillet::platform::data {

using automation::Ref;
using automation::Variant;

// ADO's error numbers as scripts see them.
namespace adoerr {
inline constexpr int32_t kNoCurrentRecord = 3021; // BOF or EOF
inline constexpr int32_t kItemNotFound = 3265;    // no field of that name or ordinal
inline constexpr int32_t kObjectClosed = 3704;    // operation on a closed object
inline constexpr int32_t kProviderNotFound = 3706;
inline constexpr int32_t kNotSupported = 3251; // operation not supported by the provider
inline constexpr int32_t kProviderError = static_cast<int32_t>(0x80004005u);
inline constexpr int32_t kAuthenticationFailed = static_cast<int32_t>(0x80040E4Du);
inline constexpr int32_t kCommandError = static_cast<int32_t>(0x80040E14u);
} // namespace adoerr

// A named value, as in ADO's Properties collections.
class Property : public automation::Object {
  QUILLET_OBJECT(Property)
public:
  Property(std::string name, Variant value) : name_(std::move(name)), value_(std::move(value)) {}
  const std::string& name() const { return name_; }
  const Variant& value() const { return value_; }

private:
  std::string name_;
  Variant value_;
};

// An ordered collection of named values with case-insensitive lookup by name or position.
class Properties : public automation::Object {
  QUILLET_OBJECT(Properties)
public:
  void add(std::string name, Variant value);
  size_t count() const { return items_.size(); }
  // nullptr when absent.
  const Property* find(std::string_view name) const;
  // Error 3265 when absent.
  Ref<Property> item(const Variant& index) const;
  std::string typeName() const override { return "Properties"; }

private:
  std::vector<Ref<Property>> items_;
};

class Rowset;

// One column of a rowset, reading the value of the current row.
class Field : public automation::Object {
  QUILLET_OBJECT(Field)
public:
  Field(Ref<Rowset> rowset, size_t index) : rowset_(std::move(rowset)), index_(index) {}
  const ColumnInfo& info() const;
  // The value in the current row; error 3021 at BOF/EOF.
  Variant value() const;
  // Properties such as "ISAUTOINCREMENT", "BASETABLENAME", "BASECOLUMNNAME".
  Ref<Properties> properties() const;

private:
  Ref<Rowset> rowset_;
  size_t index_;
};

class Fields : public automation::Object {
  QUILLET_OBJECT(Fields)
public:
  explicit Fields(Ref<Rowset> rowset) : rowset_(std::move(rowset)) {}
  size_t count() const;
  // By name (case-insensitive) or ordinal from 0; error 3265 when there is none.
  Ref<Field> item(const Variant& index) const;
  Ref<automation::Enumerator> newEnum() override;

private:
  Ref<Rowset> rowset_;
};

class Rowset : public automation::Object {
  QUILLET_OBJECT(Rowset)
public:
  Rowset() = default;
  explicit Rowset(std::vector<ColumnInfo> columns);

  // Building.
  void setColumns(std::vector<ColumnInfo> columns);
  size_t addColumn(ColumnInfo column);
  // Appends a row; it must have one value per column.
  void addRow(std::vector<Variant> values);

  // Shape.
  const std::vector<ColumnInfo>& columns() const { return columns_; }
  size_t columnCount() const { return columns_.size(); }
  // Position of a column by name, without regard to case; nullopt when absent.
  std::optional<size_t> findColumn(std::string_view name) const;
  // Error 3265 naming the column when absent.
  size_t column(std::string_view name) const;

  // Rows and cursor. A new rowset stands on its first row (EOF when it is empty).
  size_t rowCount() const { return rows_.size(); }
  const std::vector<Variant>& row(size_t index) const { return rows_.at(index); }
  bool eof() const;
  bool bof() const;
  void moveFirst();
  void moveNext();
  void movePrevious();
  void moveLast();
  size_t position() const { return pos_; }

  // Values of the current row; error 3021 at BOF/EOF.
  const Variant& value(size_t column) const;
  const Variant& value(std::string_view column) const;

  void close() { open_ = false; }
  bool isOpen() const { return open_; }
  std::string typeName() const override { return "Recordset"; }

  // Script view.
  Ref<Fields> fields();

private:
  void checkOpen() const;
  std::vector<ColumnInfo> columns_;
  std::unordered_map<std::string, size_t> index_; // by folded name; first column wins
  std::vector<std::vector<Variant>> rows_;
  size_t pos_ = 0;
  bool beforeFirst_ = false;
  bool open_ = true;
};

} // namespace quillet::platform::data
