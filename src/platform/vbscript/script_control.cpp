#include "platform/vbscript/script_control.h"

#include "platform/automation/convert.h"
#include "platform/automation/factory.h"

namespace quillet::platform::vbscript {

namespace au = automation;
namespace err = au::err;

// ---- Error

QUILLET_DEFINE_CLASS(ScriptError) {
  b.get("Number", &ScriptError::Number)
      .get("Source", &ScriptError::Source)
      .get("Description", &ScriptError::Description)
      .get("Line", &ScriptError::Line)
      .get("Column", &ScriptError::Column)
      .get("Text", &ScriptError::Text)
      .get("HelpFile", &ScriptError::HelpFile)
      .get("HelpContext", &ScriptError::HelpContext)
      .method("Clear", &ScriptError::Clear)
      .defaultMember("Number");
}

void ScriptError::Clear() {
  number_ = 0;
  source_.clear();
  description_.clear();
  line_ = column_ = 0;
  text_.clear();
  chunk_.clear();
}

void ScriptError::set(const ScriptFailure& f) {
  number_ = f.number();
  source_ = f.source();
  description_ = f.description();
  line_ = f.line();
  column_ = f.column();
  text_ = f.text();
  chunk_ = f.chunk();
}

// ---- Procedures

QUILLET_DEFINE_CLASS(ScriptProcedure) {
  b.get("Name", &ScriptProcedure::Name)
      .get("NumArgs", &ScriptProcedure::NumArgs)
      .get("HasReturnValue", &ScriptProcedure::HasReturnValue)
      .defaultMember("Name");
}

QUILLET_DEFINE_CLASS(ScriptProcedures) {
  b.get("Count", &ScriptProcedures::Count)
      .get("Item", &ScriptProcedures::Item)
      .defaultMember("Item")
      .enumerator(&ScriptProcedures::NewEnum);
}

Ref<ScriptProcedure> ScriptProcedures::Item(const Variant& v) const {
  if (v.isString()) {
    std::string lower = lowerAscii(v.asString());
    for (auto& p : items_)
      if (lowerAscii(p->Name()) == lower) return p;
    au::raise(err::kInvalidProcedureCall);
  }
  int32_t i = au::CLng(v);
  if (i < 1 || i > Count()) au::raise(err::kSubscriptOutOfRange);
  return items_[i - 1];
}

Ref<au::Enumerator> ScriptProcedures::NewEnum() const {
  std::vector<Variant> values;
  for (auto& p : items_)
    values.emplace_back(p);
  return Ref<au::Enumerator>(new au::VectorEnumerator(std::move(values)));
}

namespace {

Ref<ScriptProcedures> proceduresOf(const Module& m) {
  std::vector<Ref<ScriptProcedure>> items;
  for (auto& lower : m.procOrder) {
    Cell* c = m.find(lower);
    if (!c || c->kind != Cell::Procedure) continue;
    items.push_back(Ref<ScriptProcedure>(new ScriptProcedure(
        c->proc->name, static_cast<int32_t>(c->proc->params.size()), c->proc->returnsValue())));
  }
  return Ref<ScriptProcedures>(new ScriptProcedures(std::move(items)));
}

} // namespace

// ---- Module

QUILLET_DEFINE_CLASS(ScriptModule) {
  b.get("Name", &ScriptModule::Name)
      .method("AddCode", &ScriptModule::AddCode)
      .method("Eval", &ScriptModule::Eval)
      .method("ExecuteStatement", &ScriptModule::ExecuteStatement)
      .raw(
          "Run", [](au::Object& o, Args a) { return static_cast<ScriptModule&>(o).Run(a); }, 1, -1)
      .get("Procedures", &ScriptModule::Procedures)
      .defaultMember("Name");
}

Module& ScriptModule::module() const {
  if (!owner_) au::raise(err::kObjectRequired, "The script control of this module is gone");
  Module* m = owner_->engine_.findModule(name_);
  if (!m) au::raise(err::kInvalidProcedureCall, "The module was removed by Reset");
  return *m;
}

void ScriptModule::AddCode(const std::string& code) {
  Module& m = module();
  owner_->guard([&] { owner_->engine_.addCode(m, code); });
}

Variant ScriptModule::Eval(const std::string& expression) {
  Module& m = module();
  return owner_->guard([&] { return owner_->engine_.eval(m, expression); });
}

void ScriptModule::ExecuteStatement(const std::string& code) {
  Module& m = module();
  owner_->guard([&] { owner_->engine_.executeStatement(m, code); });
}

Variant ScriptModule::Run(Args args) {
  if (args.empty()) au::raise(err::kArgumentNotOptional);
  return RunNamed(au::CStr(args[0]), args.subspan(1));
}

Variant ScriptModule::RunNamed(const std::string& name, Args args) {
  Module& m = module();
  return owner_->guard([&] { return owner_->engine_.run(m, name, args); });
}

Ref<ScriptProcedures> ScriptModule::Procedures() const {
  return proceduresOf(module());
}

// ---- Modules

QUILLET_DEFINE_CLASS(ScriptModules) {
  b.get("Count", &ScriptModules::Count)
      .get("Item", &ScriptModules::Item)
      .method("Add", &ScriptModules::Add)
      .defaultMember("Item")
      .enumerator(&ScriptModules::NewEnum);
}

ScriptControl& ScriptModules::owner() const {
  if (!owner_) au::raise(err::kObjectRequired, "The script control of these modules is gone");
  return *owner_;
}

int32_t ScriptModules::Count() const {
  return static_cast<int32_t>(owner().engine_.modules().size());
}

Ref<ScriptModule> ScriptModules::Item(const Variant& v) const {
  ScriptControl& sc = owner();
  if (v.isString()) {
    Module* m = sc.engine_.findModule(v.asString());
    if (!m) au::raise(err::kInvalidProcedureCall);
    return sc.moduleObject(*m);
  }
  int32_t i = au::CLng(v);
  if (i < 1 || i > Count()) au::raise(err::kSubscriptOutOfRange);
  return sc.moduleObject(*sc.engine_.modules()[i - 1]);
}

Ref<ScriptModule> ScriptModules::Add(const std::string& name) {
  ScriptControl& sc = owner();
  return sc.moduleObject(sc.engine_.addModule(name));
}

Ref<au::Enumerator> ScriptModules::NewEnum() const {
  ScriptControl& sc = owner();
  std::vector<Variant> values;
  for (auto& m : sc.engine_.modules())
    values.emplace_back(sc.moduleObject(*m));
  return Ref<au::Enumerator>(new au::VectorEnumerator(std::move(values)));
}

// ---- Control

QUILLET_DEFINE_CLASS(ScriptControl) {
  b.prop("Language", &ScriptControl::Language, &ScriptControl::setLanguage)
      .prop("Timeout", &ScriptControl::Timeout, &ScriptControl::setTimeout)
      .method("Reset", &ScriptControl::Reset)
      .method("AddObject", &ScriptControl::AddObject, 2)
      .method("AddCode", &ScriptControl::AddCode)
      .method("Eval", &ScriptControl::Eval)
      .method("ExecuteStatement", &ScriptControl::ExecuteStatement)
      .raw(
          "Run", [](au::Object& o, Args a) { return static_cast<ScriptControl&>(o).Run(a); }, 1, -1)
      .get("Modules", &ScriptControl::Modules)
      .get("Procedures", &ScriptControl::Procedures)
      .get("Error", &ScriptControl::Error);
}

ScriptControl::ScriptControl() : modules_(new ScriptModules(this)), error_(new ScriptError) {
  engine_.setTimeout(10000);
}

ScriptControl::~ScriptControl() {
  modules_->owner_ = nullptr;
  for (auto& m : moduleObjects_)
    m->owner_ = nullptr;
}

template <class F> auto ScriptControl::guard(F&& fn) -> decltype(fn()) {
  // The code may drop the script's last reference to this control while it runs.
  Ref<ScriptControl> keep(refCount() > 0 ? this : nullptr);
  try {
    return fn();
  } catch (const ScriptFailure& f) {
    error_->set(f);
    throw;
  }
}

Ref<ScriptModule> ScriptControl::moduleObject(Module& m) {
  for (auto& mo : moduleObjects_)
    if (lowerAscii(mo->name_) == lowerAscii(m.name)) return mo;
  moduleObjects_.push_back(Ref<ScriptModule>(new ScriptModule(this, m.name)));
  return moduleObjects_.back();
}

void ScriptControl::setLanguage(const std::string& language) {
  if (lowerAscii(language) != "vbscript")
    au::raise(err::kInvalidProcedureCall, "Unsupported script language: " + language);
}

void ScriptControl::Reset() {
  engine_.reset();
  error_->Clear();
}

void ScriptControl::AddObject(const std::string& name, const Variant& o, bool addMembers) {
  if (!o.isObject() || o.isNothing()) au::raise(err::kObjectRequired);
  engine_.addObject(name, o, addMembers);
}

void ScriptControl::AddCode(const std::string& code) {
  guard([&] { engine_.addCode(engine_.globalModule(), code); });
}

Variant ScriptControl::Eval(const std::string& expression) {
  return guard([&] { return engine_.eval(engine_.globalModule(), expression); });
}

void ScriptControl::ExecuteStatement(const std::string& code) {
  guard([&] { engine_.executeStatement(engine_.globalModule(), code); });
}

Variant ScriptControl::Run(Args args) {
  if (args.empty()) au::raise(err::kArgumentNotOptional);
  return RunNamed(au::CStr(args[0]), args.subspan(1));
}

Variant ScriptControl::RunNamed(const std::string& name, Args args) {
  return guard([&] { return engine_.run(engine_.globalModule(), name, args); });
}

Ref<ScriptProcedures> ScriptControl::Procedures() const {
  return proceduresOf(const_cast<Engine&>(engine_).globalModule());
}

void registerScriptControlClass() {
  au::registerClass<ScriptControl>("Quillet.ScriptControl");
}

} // namespace quillet::platform::vbscript
