#include "platform/data/connection.h"

#include "platform/automation/factory.h"
#include "platform/data/connection_string.h"
#include "platform/data/recording.h"
#include "platform/data/schema.h"

namespace quillet::platform::data {

using automation::raise;

namespace {

[[noreturn]] void notOpen() {
  raise(adoerr::kObjectClosed, "Operation is not allowed when the object is closed.", "ADODB");
}

std::vector<Variant> criteriaList(const Variant& criteria) {
  const Variant& v = criteria;
  std::vector<Variant> out;
  if (v.isArray()) {
    for (const Variant& e : v.asArray().data())
      out.push_back(e);
  } else if (!v.isEmpty() && !v.isMissing() && !v.isNull()) {
    raise(automation::err::kTypeMismatch, "OpenSchema criteria must be an array", "ADODB");
  }
  return out;
}

} // namespace

Connection::~Connection() {
  // A capture that was started and never saved is dropped with the connection: writing
  // files is no destructor's business.
  session_.reset();
}

template <class F> auto Connection::guarded(F&& f) -> decltype(f()) {
  try {
    errors_.clear();
    return f();
  } catch (const DataError& e) {
    errors_ = e.records();
    if (errors_.empty()) errors_.push_back({e.number(), "", 0, e.description(), e.source()});
    throw;
  } catch (const automation::Error& e) {
    // Every failure of a connection carries its diagnostics, whatever raised it.
    errors_ = {{e.number(), "", 0, e.description(), e.source()}};
    throw DataError(e.number(), e.description(), errors_, e.source());
  }
}

void Connection::open(const std::string& text, const std::string& user,
                      const std::string& password) {
  if (session_) raise(3705, "Operation is not allowed when the object is open.", "ADODB");
  guarded([&] {
    RoutedConnection r = routeConnectionString(text, user, password);
    switch (r.route) {
    case Route::Odbc:
      session_ = openOdbcSession(r.odbc, r.provider);
      break;
    case Route::Access:
      session_ = openAccessSession(r.file, r.password);
      break;
    case Route::Recorded:
      session_ = openRecordedSession(r.file);
      break;
    }
    connectionString_ = text;
    return 0;
  });
}

void Connection::close() {
  if (!session_) notOpen();
  session_->close();
  session_.reset();
  recorder_ = nullptr;
}

void Connection::setConnectionString(const std::string& text) {
  if (session_) raise(3705, "Operation is not allowed when the object is open.", "ADODB");
  connectionString_ = text;
}

std::string Connection::version() {
  return "1.0";
}

Session& Connection::requireOpen() const {
  if (!session_) notOpen();
  return *session_;
}

Ref<Properties> Connection::properties() const {
  return requireOpen().properties();
}

Variant Connection::property(std::string_view name) const {
  auto props = properties();
  if (const Property* p = props->find(name)) return p->value();
  return Variant();
}

DatabaseKind Connection::kind() const {
  Variant name = property("DBMS Name");
  return databaseKind(name.isString() ? name.asString() : std::string());
}

Ref<Rowset> Connection::execute(const std::string& sql) {
  return guarded([&] { return requireOpen().execute(sql); });
}

Ref<Rowset> Connection::describe(const std::string& sql) {
  return guarded([&] { return requireOpen().describe(sql); });
}

Ref<Rowset> Connection::openSchema(SchemaKind kind, const std::vector<Variant>& restrictions) {
  return guarded([&] { return requireOpen().openSchema(kind, restrictions); });
}

Ref<Rowset> Connection::openSchema(int32_t schema, const Variant& criteria) {
  return guarded([&] {
    auto kind = schemaKindFromNumber(schema);
    if (!kind)
      raise(adoerr::kNotSupported,
            "Schema rowset " + std::to_string(schema) + " is not supported by this provider.",
            "ADODB");
    return requireOpen().openSchema(*kind, criteriaList(criteria));
  });
}

void Connection::startCapture(const std::string& path) {
  Session& s = requireOpen();
  (void)s;
  if (recorder_)
    raise(automation::err::kInvalidProcedureCall, "a capture is already running", "ADODB");
  auto rec = std::make_unique<Recorder>(std::move(session_), path);
  recorder_ = rec.get();
  session_ = std::move(rec);
}

void Connection::saveCapture() {
  if (!recorder_) raise(automation::err::kInvalidProcedureCall, "no capture was started", "ADODB");
  recorder_->save();
}

void Connection::captureCatalogue(const std::string& path) {
  if (!recorder_ || recorder_->path() != path) startCapture(path);
  properties();
  for (SchemaKind k : {SchemaKind::Tables, SchemaKind::Columns, SchemaKind::PrimaryKeys,
                       SchemaKind::Indexes, SchemaKind::Views, SchemaKind::ForeignKeys}) {
    try {
      openSchema(k);
    } catch (const automation::Error&) {
      // A schema the backend cannot give is simply absent from the recording.
    }
  }
  saveCapture();
}

Ref<Connection> openConnection(const std::string& text, const std::string& user,
                               const std::string& password) {
  auto c = automation::makeRef<Connection>();
  c->open(text, user, password);
  return c;
}

// ---- script view ----------------------------------------------------------------------

namespace {

class ErrorItem : public automation::Object {
  QUILLET_OBJECT(ErrorItem)
public:
  explicit ErrorItem(DiagRecord r) : r_(std::move(r)) {}
  DiagRecord r_;
  std::string typeName() const override { return "Error"; }
};

QUILLET_DEFINE_CLASS_NAMED(ErrorItem, "Error") {
  b.get("Number", [](ErrorItem& e) { return e.r_.number; })
      .get("Description", [](ErrorItem& e) { return e.r_.description; })
      .get("SQLState", [](ErrorItem& e) { return e.r_.sqlState; })
      .get("NativeError", [](ErrorItem& e) { return e.r_.nativeError; })
      .get("Source", [](ErrorItem& e) { return e.r_.source; })
      .defaultMember("Description");
}

class ErrorList : public automation::Object {
  QUILLET_OBJECT(ErrorList)
public:
  explicit ErrorList(std::vector<DiagRecord> r) : records_(std::move(r)) {}
  std::vector<DiagRecord> records_;
  Ref<ErrorItem> item(const Variant& index) {
    double d = automation::CDbl(index);
    if (d < 0 || d >= static_cast<double>(records_.size()))
      raise(
          adoerr::kItemNotFound,
          "Item cannot be found in the collection corresponding to the requested name or ordinal.",
          "ADODB");
    return automation::makeRef<ErrorItem>(records_[static_cast<size_t>(d)]);
  }
  std::string typeName() const override { return "Errors"; }
};

QUILLET_DEFINE_CLASS_NAMED(ErrorList, "Errors") {
  b.get("Count", [](ErrorList& e) { return static_cast<int32_t>(e.records_.size()); })
      .get("Item", [](ErrorList& e, Variant i) { return e.item(i); })
      .defaultMember("Item")
      .enumerator([](ErrorList& e) -> Ref<automation::Enumerator> {
        std::vector<Variant> all;
        for (auto& r : e.records_)
          all.emplace_back(automation::makeRef<ErrorItem>(r));
        return automation::makeRef<automation::VectorEnumerator>(std::move(all));
      });
}

// A recordset that scripts create and open with a statement and a connection.
class ScriptRecordset : public Rowset {
  QUILLET_OBJECT(ScriptRecordset)
public:
  void openFrom(const Variant& source, const Variant& c) {
    auto* conn = c.isObject() ? dynamic_cast<Connection*>(c.asObject()) : nullptr;
    if (!conn)
      raise(3001,
            "Arguments are of the wrong type, are out of acceptable range, or are in conflict with "
            "one another.",
            "ADODB");
    Ref<Rowset> r = conn->execute(automation::CStr(source));
    setColumns(r->columns());
    for (size_t i = 0; i < r->rowCount(); ++i)
      addRow(r->row(i));
    moveFirst();
  }
  std::string typeName() const override { return "Recordset"; }
};

QUILLET_DEFINE_CLASS_NAMED(ScriptRecordset, "Recordset") {
  b.inherit(Rowset::staticClassInfo())
      // Open(Source, ActiveConnection, CursorType, LockType, Options). The rows are fetched
      // whole into a read-only snapshot that moves both ways, so every CursorType acts as
      // adOpenStatic and every LockType as adLockReadOnly; Source is always statement text,
      // whatever Options says.
      .method(
          "Open",
          [](ScriptRecordset& r, Variant source, Variant active, Variant, Variant, Variant) {
            r.openFrom(source, active);
          },
          2);
}

} // namespace

QUILLET_DEFINE_CLASS(Connection) {
  b.method(
       "Open",
       [](Connection& c, std::string text, std::string user, std::string pwd, Variant) {
         c.open(text.empty() ? c.connectionString() : text, user, pwd);
       },
       0)
      .method("Close", [](Connection& c) { c.close(); })
      .get("State", [](Connection& c) { return c.state(); })
      .prop(
          "ConnectionString", [](Connection& c) { return c.connectionString(); },
          [](Connection& c, std::string v) { c.setConnectionString(v); })
      .get("Version", [](Connection&) { return Connection::version(); })
      .get("Properties", [](Connection& c) { return c.properties(); })
      .get("Errors", [](Connection& c) { return automation::makeRef<ErrorList>(c.errors()); })
      // Execute(CommandText, RecordsAffected, Options): only read-only statements run, and
      // they return rows, so RecordsAffected is -1 as ADO gives it for a SELECT. Options is
      // not read: CommandText is always statement text.
      .method(
          "Execute",
          [](Connection& c, std::string sql, Variant& recordsAffected, Variant) {
            Ref<Rowset> rows = c.execute(sql);
            recordsAffected = Variant(int32_t{-1});
            return rows;
          },
          1)
      .method("Describe", [](Connection& c, std::string sql) { return c.describe(sql); })
      .method(
          "OpenSchema",
          [](Connection& c, int32_t schema, Variant criteria, Variant) {
            return c.openSchema(schema, criteria);
          },
          1);
}

void registerDataClasses() {
  automation::registerClass<Connection>("ADODB.Connection");
  automation::registerClass<ScriptRecordset>("ADODB.Recordset");
}

} // namespace quillet::platform::data
