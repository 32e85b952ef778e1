#pragma once
// The sinks that write catalogue facts into the project's tables and fields.
#include <memory>
#include <vector>

#include "model/field.h"
#include "model/table.h"
#include "schema/sinks.h"

namespace quillet::schema {

class ProjectFieldSink : public FieldSink {
public:
  explicit ProjectFieldSink(model::RUZField& f) : f_(f) {}
  std::string name() override { return f_.FldName(); }
  void loadAdo(const data::ColumnInfo& column, data::DatabaseKind kind) override;
  void loadDao(const data::AccessColumn& column) override;
  void setTypeName(const std::string& typeName) override { f_.setFldTypeName(typeName); }
  void setTagValues(const std::string& values, const std::string& htmlTag) override;
  void markPrimaryKey() override { f_.setFldIsPrimaryKey(true); }
  void markUnique() override { f_.setFldUniqueIdx(true); }
  void setRequired(bool required) override {
    f_.setFldReq(required);
    f_.setFldRequired(required);
  }
  void setCatalogueDefault(const Variant& value) override {
    if (!f_.FldAutoIncrement()) f_.setFldDefault(value);
  }
  void markAutoIncrement() override {
    f_.setFldAdd(false);
    f_.setFldAutoIncrement(true);
  }
  void markUnsupported() override {
    f_.setFldSupport(false);
    f_.setFldGenerate(false);
  }
  void clearDefault() override { f_.setFldDefault(Variant("")); }
  int type() override { return f_.FldType(); }
  bool isPrimaryKey() override { return f_.FldIsPrimaryKey(); }
  std::string defaultText() override;

private:
  model::RUZField& f_;
};

class ProjectTableSink : public TableSink {
public:
  explicit ProjectTableSink(model::RUZTable& t) : t_(t) {}
  std::string name() override { return t_.TblName(); }
  void setType(const std::string& type) override { t_.setTblType(type); }
  void setSchema(const std::string& schema) override { t_.setTblSchema(schema); }
  FieldSink* addField(const std::string& name) override;
  FieldSink* field(const std::string& name) override;
  size_t fieldCount() override;
  FieldSink* fieldAt(size_t i) override;
  void duplicateColumn(const std::string& name, bool exactly) override;
  void columnQueryFailed(const std::string& description) override {
    t_.setTblError(description);
    setGen(false);
  }
  void setGen(bool generate) override {
    t_.setSetting<core::SettingType::Boolean>("TblGen", generate);
  }
  void setError(const std::string& text) override { t_.setTblError(text); }
  void setLoaded() override { t_.setTblLoaded(true); }
  void setKey(const std::string& key) override { t_.setTblKey(key); }
  std::string key() override { return t_.TblKey(); }
  void setSql(const std::string& sql) override { t_.setTblSQL(sql); }
  void setUpdatable(bool updatable) override { t_.setTblUpdatable(updatable); }
  void setView(bool view) override { t_.setTblView(view); }
  void finish() override { t_.LoadTableDefault(); }

private:
  ProjectFieldSink* sinkFor(model::RUZField* f);
  model::RUZTable& t_;
  std::vector<std::pair<model::RUZField*, std::unique_ptr<ProjectFieldSink>>> sinks_;
};

} // namespace quillet::schema
