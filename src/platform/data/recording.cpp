#include "platform/data/recording.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/automation/convert.h"
#include "platform/data/schema.h"

namespace quillet::platform::data {

using automation::raise;
using nlohmann::json;

namespace {

constexpr const char* kFormat = "quillet-recorded-catalogue";

bool isDateType(int t) {
  return t == ado::kDate || t == ado::kDBDate || t == ado::kDBTime || t == ado::kDBTimeStamp;
}
bool isBinaryType(int t) {
  return t == ado::kBinary || t == ado::kVarBinary || t == ado::kLongVarBinary;
}

std::string dateText(double serial) {
  automation::DateParts p = automation::splitDate(serial);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d", p.year, p.month, p.day, p.hour,
                p.minute, p.second);
  return buf;
}

std::optional<double> parseDateText(const std::string& s) {
  int y = 1899, mo = 12, d = 30, h = 0, mi = 0, se = 0;
  if (std::sscanf(s.c_str(), "%d-%d-%dT%d:%d:%d", &y, &mo, &d, &h, &mi, &se) >= 3 ||
      std::sscanf(s.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &se) >= 3)
    return automation::makeDate(y, mo, d, h, mi, se);
  y = 1899, mo = 12, d = 30;
  if (std::sscanf(s.c_str(), "%d:%d:%d", &h, &mi, &se) >= 2)
    return automation::makeDate(y, mo, d, h, mi, se);
  return std::nullopt;
}

json valueToJson(const Variant& v, int type) {
  using automation::VarType;
  switch (v.type()) {
  case VarType::Empty:
  case VarType::Null:
    return nullptr;
  case VarType::Boolean:
    return v.asBool();
  case VarType::Byte:
    return v.asByte();
  case VarType::Integer:
    return v.asInteger();
  case VarType::Long:
    return v.asLong();
  case VarType::Single:
    return v.asSingle();
  case VarType::Double:
    return v.asDouble();
  case VarType::Currency:
    return v.asCurrency().toDouble();
  case VarType::Date:
    return dateText(v.asDate().serial);
  case VarType::String:
    return v.asString();
  case VarType::Array:
    if (isBinaryType(type)) {
      std::string hex;
      static const char* digits = "0123456789abcdef";
      for (const Variant& e : v.asArray().data()) {
        int b = automation::CByte(e);
        hex += digits[b >> 4];
        hex += digits[b & 15];
      }
      return hex;
    }
    [[fallthrough]];
  default:
    return automation::CStr(v);
  }
}

Variant valueFromJson(const json& j, int type) {
  if (j.is_null()) return Variant::null();
  if (j.is_boolean()) return Variant(j.get<bool>());
  if (j.is_string()) {
    const std::string& s = j.get_ref<const std::string&>();
    if (isDateType(type)) {
      if (auto d = parseDateText(s)) return Variant::fromDate(*d);
    }
    if (isBinaryType(type) && s.size() % 2 == 0) {
      std::vector<Variant> bytes;
      for (size_t i = 0; i < s.size(); i += 2)
        bytes.emplace_back(static_cast<uint8_t>(std::stoi(s.substr(i, 2), nullptr, 16)));
      return Variant(automation::SafeArray::fromValues(std::move(bytes)));
    }
    return Variant(s);
  }
  if (j.is_number()) {
    double d = j.get<double>();
    switch (type) {
    case ado::kBoolean:
      return Variant(d != 0);
    case ado::kUnsignedTinyInt:
      return Variant(static_cast<uint8_t>(d));
    case ado::kTinyInt:
    case ado::kSmallInt:
      return Variant(static_cast<int16_t>(d));
    case ado::kInteger:
    case ado::kUnsignedSmallInt:
      return Variant(static_cast<int32_t>(d));
    case ado::kUnsignedInt:
    case ado::kBigInt:
    case ado::kUnsignedBigInt:
      return Variant::fromInt64(j.is_number_integer() ? j.get<int64_t>() : static_cast<int64_t>(d));
    case ado::kSingle:
      return Variant(static_cast<float>(d));
    case ado::kCurrency:
      return Variant(automation::Currency{static_cast<int64_t>(std::llround(d * 10000))});
    default:
      if (j.is_number_integer()) return Variant::fromInt64(j.get<int64_t>());
      return Variant(d);
    }
  }
  raise(automation::err::kTypeMismatch, "unsupported value in a recorded catalogue", "ADODB");
}

json columnToJson(const ColumnInfo& c) {
  json j = {{"name", c.name},           {"type", c.type},   {"definedSize", c.definedSize},
            {"precision", c.precision}, {"scale", c.scale}, {"attributes", c.attributes}};
  if (c.autoIncrement) j["autoIncrement"] = *c.autoIncrement;
  if (!c.nativeTypeName.empty()) j["nativeType"] = c.nativeTypeName;
  if (!c.baseCatalog.empty()) j["baseCatalog"] = c.baseCatalog;
  if (!c.baseSchema.empty()) j["baseSchema"] = c.baseSchema;
  if (!c.baseTable.empty()) j["baseTable"] = c.baseTable;
  if (!c.baseColumn.empty()) j["baseColumn"] = c.baseColumn;
  return j;
}

ColumnInfo columnFromJson(const json& j) {
  ColumnInfo c;
  c.name = j.at("name").get<std::string>();
  c.type = j.value("type", ado::kVarWChar);
  c.definedSize = j.value("definedSize", int64_t{0});
  c.precision = j.value("precision", 255);
  c.scale = j.value("scale", 255);
  c.attributes = j.value("attributes", 0);
  if (j.contains("autoIncrement")) c.autoIncrement = j.at("autoIncrement").get<bool>();
  c.nativeTypeName = j.value("nativeType", "");
  c.baseCatalog = j.value("baseCatalog", "");
  c.baseSchema = j.value("baseSchema", "");
  c.baseTable = j.value("baseTable", "");
  c.baseColumn = j.value("baseColumn", "");
  return c;
}

json restrictionsToJson(const std::vector<Variant>& r) {
  json out = json::array();
  for (size_t i = 0; i < r.size(); ++i) {
    auto v = restrictionAt(r, i);
    out.push_back(v ? json(*v) : json(nullptr));
  }
  while (!out.empty() && out.back().is_null())
    out.erase(out.size() - 1);
  return out;
}

// Statements are matched with their blanks normalised.
std::string normaliseSql(std::string_view sql) {
  std::string out;
  bool blank = false;
  for (char c : sql) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      blank = true;
      continue;
    }
    if (blank && !out.empty()) out += ' ';
    blank = false;
    out += c;
  }
  while (!out.empty() && out.back() == ';')
    out.pop_back();
  return out;
}

Ref<Rowset> copyOf(const Rowset& r) {
  auto out = automation::makeRef<Rowset>(r.columns());
  for (size_t i = 0; i < r.rowCount(); ++i)
    out->addRow(r.row(i));
  return out;
}

json errorToJson(const automation::Error& e) {
  json j = {{"number", e.number()}, {"description", e.description()}};
  if (auto* d = dynamic_cast<const DataError*>(&e); d && !d->records().empty())
    j["sqlState"] = d->records().front().sqlState;
  return j;
}

[[noreturn]] void raiseRecordedError(const json& j) {
  DiagRecord r;
  r.number = j.value("number", adoerr::kProviderError);
  r.sqlState = j.value("sqlState", "");
  r.description = j.value("description", "");
  r.source = "Recorded catalogue";
  throw DataError(r.number, r.description, {r});
}

} // namespace

json rowsetToJson(const Rowset& r) {
  json cols = json::array();
  for (const auto& c : r.columns())
    cols.push_back(columnToJson(c));
  json rows = json::array();
  for (size_t i = 0; i < r.rowCount(); ++i) {
    json row = json::array();
    const auto& values = r.row(i);
    for (size_t c = 0; c < values.size(); ++c)
      row.push_back(valueToJson(values[c], r.columns()[c].type));
    rows.push_back(std::move(row));
  }
  return {{"columns", std::move(cols)}, {"rows", std::move(rows)}};
}

Ref<Rowset> rowsetFromJson(const json& j) {
  std::vector<ColumnInfo> cols;
  for (const auto& c : j.at("columns"))
    cols.push_back(columnFromJson(c));
  auto r = automation::makeRef<Rowset>(cols);
  if (j.contains("rows"))
    for (const auto& row : j.at("rows")) {
      if (!row.is_array() || row.size() != cols.size())
        raise(automation::err::kInvalidProcedureCall,
              "a recorded row has " + std::to_string(row.size()) + " values for " +
                  std::to_string(cols.size()) + " columns",
              "ADODB");
      std::vector<Variant> values;
      for (size_t c = 0; c < cols.size(); ++c)
        values.push_back(valueFromJson(row[c], cols[c].type));
      r->addRow(std::move(values));
    }
  return r;
}

// ---- Recorder -------------------------------------------------------------------------

Ref<Properties> Recorder::properties() {
  auto p = inner_->properties();
  for (size_t i = 0; i < p->count(); ++i) {
    auto item = p->item(Variant(static_cast<int32_t>(i)));
    properties_[item->name()] = valueToJson(item->value(), ado::kVarWChar);
  }
  return p;
}

Ref<Rowset> Recorder::execute(const std::string& sql) {
  try {
    auto r = inner_->execute(sql);
    queries_.push_back({{"sql", sql}, {"describe", false}, {"rowset", rowsetToJson(*r)}});
    return r;
  } catch (const automation::Error& e) {
    queries_.push_back({{"sql", sql}, {"describe", false}, {"error", errorToJson(e)}});
    throw;
  }
}

Ref<Rowset> Recorder::describe(const std::string& sql) {
  try {
    auto r = inner_->describe(sql);
    queries_.push_back({{"sql", sql}, {"describe", true}, {"rowset", rowsetToJson(*r)}});
    return r;
  } catch (const automation::Error& e) {
    queries_.push_back({{"sql", sql}, {"describe", true}, {"error", errorToJson(e)}});
    throw;
  }
}

Ref<Rowset> Recorder::openSchema(SchemaKind kind, const std::vector<Variant>& restrictions) {
  auto r = inner_->openSchema(kind, restrictions);
  schemas_.push_back({{"kind", static_cast<int>(kind)},
                      {"restrictions", restrictionsToJson(restrictions)},
                      {"rowset", rowsetToJson(*r)}});
  return r;
}

void Recorder::save() {
  if (properties_.empty()) properties();
  json doc = {{"format", kFormat},
              {"version", 1},
              {"properties", properties_},
              {"schemas", schemas_},
              {"queries", queries_}};
  std::filesystem::path target(path_);
  std::filesystem::path tmp = target;
  tmp += ".tmp";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out)
      raise(automation::err::kPathNotFound, "cannot write the recording '" + path_ + "'", "ADODB");
    out << doc.dump(1) << '\n';
    if (!out)
      raise(automation::err::kDeviceIoError, "cannot write the recording '" + path_ + "'", "ADODB");
  }
  std::error_code ec;
  std::filesystem::rename(tmp, target, ec);
  if (ec)
    raise(automation::err::kPathFileAccessError,
          "cannot write the recording '" + path_ + "': " + ec.message(), "ADODB");
}

// ---- replay ---------------------------------------------------------------------------

namespace {

class RecordedSession : public Session {
public:
  explicit RecordedSession(std::string file) : file_(std::move(file)) {
    std::ifstream in(file_, std::ios::binary);
    if (!in)
      throw DataError(
          adoerr::kProviderError,
          "Cannot open the recorded catalogue '" + file_ + "': file not found.",
          {{adoerr::kProviderError, "08001", 0, "file not found: " + file_, "Recorded catalogue"}});
    try {
      doc_ = json::parse(in);
    } catch (const json::exception& e) {
      throw DataError(adoerr::kProviderError,
                      "The recorded catalogue '" + file_ + "' is not valid JSON: " + e.what());
    }
    if (!doc_.is_object() || doc_.value("format", "") != kFormat)
      throw DataError(adoerr::kProviderError,
                      "The file '" + file_ + "' is not a recorded catalogue (no \"format\": \"" +
                          kFormat + "\").");
    try {
      const json props = doc_.value("properties", json::object());
      for (const auto& [k, v] : props.items())
        props_.push_back({k, valueFromJson(v, ado::kVarWChar)});
      const json schemas = doc_.value("schemas", json::array());
      for (const auto& s : schemas)
        schemas_.push_back({static_cast<SchemaKind>(s.at("kind").get<int>()),
                            s.value("restrictions", json::array()),
                            rowsetFromJson(s.at("rowset"))});
      const json queries = doc_.value("queries", json::array());
      for (const auto& q : queries)
        queries_.push_back({normaliseSql(q.at("sql").get<std::string>()),
                            q.value("describe", false),
                            q.contains("rowset") ? rowsetFromJson(q.at("rowset")) : Ref<Rowset>(),
                            q.value("error", json())});
    } catch (const json::exception& e) {
      throw DataError(adoerr::kProviderError,
                      "The recorded catalogue '" + file_ + "' is malformed: " + e.what());
    }
  }

  Ref<Properties> properties() override {
    auto p = automation::makeRef<Properties>();
    for (const auto& [k, v] : props_)
      p->add(k, v);
    return p;
  }

  Ref<Rowset> execute(const std::string& sql) override { return query(sql, false); }
  Ref<Rowset> describe(const std::string& sql) override { return query(sql, true); }

  Ref<Rowset> openSchema(SchemaKind kind, const std::vector<Variant>& restrictions) override {
    json want = restrictionsToJson(restrictions);
    const Schema* unrestricted = nullptr;
    for (const auto& s : schemas_) {
      if (s.kind != kind) continue;
      if (s.restrictions == want) return copyOf(*s.rowset);
      if (s.restrictions.empty()) unrestricted = &s;
    }
    if (unrestricted) return filterSchemaRowset(*unrestricted->rowset, kind, restrictions);
    throw DataError(adoerr::kNotSupported,
                    "The recorded catalogue '" + file_ + "' holds no schema rowset " +
                        std::to_string(static_cast<int>(kind)) + " for these restrictions.");
  }

private:
  Ref<Rowset> query(const std::string& sql, bool describeOnly) {
    std::string key = normaliseSql(sql);
    const Query* fallback = nullptr;
    for (const auto& q : queries_) {
      if (q.sql != key) continue;
      if (q.describe == describeOnly) {
        if (!q.error.is_null()) raiseRecordedError(q.error);
        return copyOf(*q.rowset);
      }
      if (describeOnly && q.rowset) fallback = &q; // an executed statement describes itself
    }
    if (fallback) return automation::makeRef<Rowset>(fallback->rowset->columns());
    throw DataError(adoerr::kCommandError, "The recorded catalogue '" + file_ +
                                               "' holds no result for the statement: " + key);
  }

  struct Schema {
    SchemaKind kind;
    json restrictions;
    Ref<Rowset> rowset;
  };
  struct Query {
    std::string sql;
    bool describe;
    Ref<Rowset> rowset;
    json error;
  };
  std::string file_;
  json doc_;
  std::vector<std::pair<std::string, Variant>> props_;
  std::vector<Schema> schemas_;
  std::vector<Query> queries_;
};

} // namespace

std::unique_ptr<Session> openRecordedSession(const std::string& file) {
  return std::make_unique<RecordedSession>(file);
}

} // namespace quillet::platform::data
