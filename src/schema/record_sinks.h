#pragma once
// The sinks that write catalogue facts into schema records.
#include <memory>
#include <vector>

#include "schema/records.h"
#include "schema/sinks.h"

namespace quillet::schema {

class RecordFieldSink : public FieldSink {
public:
  RecordFieldSink(AGSchemaTable& t, size_t index) : t_(t), index_(index) {}
  std::string name() override { return f().FldName; }
  void loadAdo(const data::ColumnInfo& column, data::DatabaseKind kind) override;
  void loadDao(const data::AccessColumn& column) override;
  void setTypeName(const std::string& typeName) override { f().FldTypeName = typeName; }
  void setTagValues(const std::string& values, const std::string&) override {
    f().FldTagValues = values;
  }
  void markPrimaryKey() override { f().FldIsPrimaryKey = true; }
  void markUnique() override { f().FldUniqueIdx = true; }
  void setRequired(bool required) override { f().FldReq = required; }
  void setCatalogueDefault(const Variant& value) override { f().FldDefault = value; }
  void markAutoIncrement() override { f().FldAutoIncrement = true; }
  void markUnsupported() override { f().FldSupport = false; }
  void clearDefault() override { f().FldDefault = Variant(""); }
  int type() override { return f().FldType; }
  bool isPrimaryKey() override { return f().FldIsPrimaryKey; }
  std::string defaultText() override;

private:
  AGSchemaField& f() { return t_.TblFields.Fld[index_]; }
  AGSchemaTable& t_;
  size_t index_;
};

// Writes into one table record. The record must stay where it is while the sink lives.
class RecordTableSink : public TableSink {
public:
  explicit RecordTableSink(AGSchemaTable& t);
  std::string name() override { return t_.TblName; }
  void setType(const std::string& type) override { t_.TblType = type; }
  void setSchema(const std::string& schema) override { t_.TblSchema = schema; }
  FieldSink* addField(const std::string& name) override;
  FieldSink* field(const std::string& name) override;
  size_t fieldCount() override { return sinks_.size(); }
  FieldSink* fieldAt(size_t i) override { return sinks_.at(i).get(); }
  void duplicateColumn(const std::string&, bool) override { t_.TblGen = false; }
  void columnQueryFailed(const std::string&) override { t_.TblGen = false; }
  void setGen(bool generate) override { t_.TblGen = generate; }
  void setError(const std::string&) override {}
  void setLoaded() override {}
  void setKey(const std::string& key) override { t_.TblKey = key; }
  std::string key() override { return t_.TblKey; }
  void setSql(const std::string& sql) override { t_.TblSQL = sql; }
  void setUpdatable(bool updatable) override { t_.TblUpdatable = updatable; }
  void setView(bool) override {}
  void finish() override;

private:
  AGSchemaTable& t_;
  std::vector<std::unique_ptr<RecordFieldSink>> sinks_;
};

} // namespace quillet::schema
