// The engine's entry points: modules, added code, Run/Eval/Execute, the functions that need
// the interpreter itself, and the Err object.
#include "platform/automation/convert.h"
#include "platform/automation/factory.h"
#include "platform/automation/members.h"
#include "platform/vbscript/compile_errors.h"
#include "platform/vbscript/engine_impl.h"

namespace quillet::platform::vbscript {

namespace au = automation;
using Frame = Engine::Frame;
namespace err = au::err;

namespace {

// What GetRef returns: calling its default member calls the procedure.
class ProcRef : public au::Object {
public:
  ProcRef(Engine& e, const ProcDef& p, std::shared_ptr<LinkedProgram> owner)
      : engine_(&e), life_(e.life()), epoch_(*e.life()), proc_(&p), owner_(std::move(owner)) {}
  const au::ClassInfo& classInfo() const override {
    static const au::ClassInfo info("Object");
    return info;
  }
  Variant invokeDefault(int, Args args) override {
    // The procedure belongs to the engine as it was: once the engine is reset or gone, its
    // module is too.
    auto life = life_.lock();
    if (!life || *life != epoch_)
      au::raise(err::kObjectRequired, "The script engine of this procedure has been reset");
    return engine_->callProc(*proc_, *owner_, nullptr, args);
  }
  std::string typeName() const override { return "Object"; }

private:
  Engine* engine_;
  std::weak_ptr<const uint64_t> life_;
  uint64_t epoch_;
  const ProcDef* proc_;
  std::shared_ptr<LinkedProgram> owner_;
};

// Parses and compiles code the host gives; compile errors leave as CompileError.
std::shared_ptr<const Program> compileChunk(std::string_view code, ParseMode mode) {
  auto prog = std::shared_ptr<Program>(parse(code, mode));
  Compiler().compileProgram(*prog, nullptr, nullptr);
  return prog;
}

} // namespace

// ---- Err

QUILLET_DEFINE_CLASS_NAMED(ErrObject, "ErrObject") {
  b.prop("Number", &ErrObject::Number, &ErrObject::setNumber)
      .prop("Description", &ErrObject::Description, &ErrObject::setDescription)
      .prop("Source", &ErrObject::Source, &ErrObject::setSource)
      .prop("HelpFile", &ErrObject::HelpFile, &ErrObject::setHelpFile)
      .prop("HelpContext", &ErrObject::HelpContext, &ErrObject::setHelpContext)
      .method("Clear", &ErrObject::Clear)
      .method("Raise", &ErrObject::Raise)
      .defaultMember("Number");
}

void ErrObject::Clear() {
  number_ = 0;
  description_.clear();
  source_.clear();
  helpFile_.clear();
  helpContext_ = 0;
}

void ErrObject::Raise(Args args) {
  throw RaisedError(*raised(args));
}

std::unique_ptr<RaisedError> ErrObject::raised(Args args) {
  if (args.empty()) au::raise(err::kWrongArgumentCount);
  auto has = [&](size_t i) { return i < args.size() && !args[i].isMissing(); };
  if (!has(0)) au::raise(err::kArgumentNotOptional);
  int32_t number = au::CLng(args[0]);
  // Numbers with the high bit set are HRESULTs and kept; others must fit 1..65535.
  if (number == 0 || number > 65535) au::raise(err::kInvalidProcedureCall);
  std::string source = has(1) ? au::CStr(args[1]) : std::string(kRuntimeSource);
  std::string description = has(2) ? au::CStr(args[2]) : au::standardMessage(number);
  if (description.empty()) description = "Unknown runtime error";
  std::string helpFile = has(3) ? au::CStr(args[3]) : std::string();
  int32_t helpContext = has(4) ? au::CLng(args[4]) : 0;
  return std::make_unique<RaisedError>(number, std::move(description), std::move(source),
                                       std::move(helpFile), helpContext);
}

void ErrObject::capture(const au::Error& e) {
  number_ = e.number();
  description_ = e.description();
  source_ = e.source().empty() ? std::string(kRuntimeSource) : e.source();
  if (auto* raised = dynamic_cast<const RaisedError*>(&e)) {
    helpFile_ = raised->helpFile();
    helpContext_ = raised->helpContext();
  } else {
    helpFile_.clear();
    helpContext_ = 0;
  }
}

void ErrObject::captureStandard(int32_t number) {
  number_ = number;
  description_ = au::standardMessage(number);
  if (description_.empty()) description_ = "Unknown runtime error";
  source_ = kRuntimeSource;
  helpFile_.clear();
  helpContext_ = 0;
}

// ---- engine

Engine::Engine()
    : impl_(std::make_unique<Impl>(*this)), err_(new ErrObject),
      life_(std::make_shared<uint64_t>(0)) {
  auto g = std::make_unique<Module>();
  g->name = "Global";
  g->isGlobal = true;
  modules_.push_back(std::move(g));
}

Engine::~Engine() {
  try {
    reset();
  } catch (const au::Error&) {
    // still running (a native caller dropped its last reference mid-call): the modules stay
    // rather than vanish under the running code
  }
}

void Engine::reset() {
  // The code running now would lose its modules and programs under it.
  if (impl_->entryDepth > 0)
    au::raise(err::kInvalidProcedureCall, "The script engine cannot be reset while it runs code");
  ++*life_;
  {
    // Release the variables first, in the order they were declared, while the code is still
    // there: terminate handlers of objects released now still run. Objects the host added go
    // last, so those handlers can still use them. The handlers may add modules and names
    // (ExecuteGlobal), so the lists are walked by position.
    EntryGuard guard(*impl_);
    for (int pass = 0; pass < 2; ++pass)
      for (size_t mi = 0; mi < modules_.size(); ++mi)
        for (size_t ci = 0; ci < modules_[mi]->order.size(); ++ci) {
          Cell* c = modules_[mi]->order[ci];
          if ((c->kind == Cell::Object) != (pass == 1)) continue;
          Variant v = std::move(c->value);
          c->value.clear();
          v.clear();
        }
  }
  // Script objects that outlive the engine stop calling into it.
  for (auto& w : impl_->classes)
    if (auto c = w.lock()) c->engine = nullptr;
  impl_->classes.clear();
  std::vector<std::unique_ptr<Module>> old;
  old.swap(modules_);
  old.clear();
  impl_->memberObjects.clear();
  err_->Clear();
  auto g = std::make_unique<Module>();
  g->name = "Global";
  g->isGlobal = true;
  modules_.push_back(std::move(g));
}

Module* Engine::findModule(std::string_view name) {
  std::string lower = lowerAscii(name);
  for (auto& m : modules_)
    if (lowerAscii(m->name) == lower) return m.get();
  return nullptr;
}

Module& Engine::addModule(std::string_view name) {
  if (Module* m = findModule(name)) return *m;
  auto m = std::make_unique<Module>();
  m->name = std::string(name);
  modules_.push_back(std::move(m));
  return *modules_.back();
}

void Engine::addObject(std::string_view name, const Variant& object, bool addMembers) {
  Cell* c = globalModule().cell(lowerAscii(name), name);
  c->kind = Cell::Object;
  c->value = object;
  c->proc = nullptr;
  if (addMembers && object.isObject() && object.asObject()) impl_->memberObjects.push_back(object);
}

namespace {

ScriptFailure failureOf(const au::Error& e, const Engine::Impl& im) {
  std::string description = e.description();
  if (auto* named = dynamic_cast<const NamedError*>(&e)) description += ": '" + named->name() + "'";
  ScriptFailure f(e.number(), std::move(description),
                  e.source().empty() ? std::string(kRuntimeSource) : e.source(),
                  im.located ? im.errLine : 0, im.located ? im.errCol : 0, {});
  if (im.located && im.errProgram) f.setChunk(im.errProgram->source);
  return f;
}

template <class F> auto guarded(Engine::Impl& im, F&& fn) -> decltype(fn()) {
  EntryGuard guard(im);
  try {
    return fn();
  } catch (const ScriptFailure&) {
    throw;
  } catch (const CompileError& e) {
    throw ScriptFailure(e.number(), e.what(), kCompileSource, e.line(), e.column(), e.lineText());
  } catch (const au::Error& e) {
    if (im.entryDepth > 1) throw; // an inner entry: the outer one reports it
    throw failureOf(e, im);
  } catch (const std::bad_alloc&) {
    throw ScriptFailure(err::kOutOfMemory, au::standardMessage(err::kOutOfMemory), kRuntimeSource,
                        im.errLine, im.errCol, {});
  }
}

} // namespace

Variant Engine::Impl::runTop(LinkedProgram& link, Frame* caller) {
  const Program& prog = *link.program;
  int base = caller && caller->proc ? caller->proc->slotCount : 0;
  struct Slots {
    Slots(SlotStack& s, size_t n) : stack(s), count(n) { slots = s.push(n, mark); }
    ~Slots() { stack.pop(mark, slots, count); }
    SlotStack& stack;
    size_t count;
    SlotStack::Mark mark;
    Variant* slots;
  } sf(stack, static_cast<size_t>(base + prog.topSlots));
  // The code names the caller's locals by their slots, through references to them.
  std::vector<Variant*> refs(static_cast<size_t>(base));
  for (int i = 0; i < base; ++i)
    refs[static_cast<size_t>(i)] = &caller->var(i);
  Frame fr;
  fr.slots = sf.slots;
  fr.refs = refs.data();
  fr.refCount = refs.size();
  fr.me = caller ? caller->me : nullptr;
  fr.setLink(link);
  fr.explicitNames = prog.optionExplicit || (caller && caller->explicitNames);
  if (prog.expr) return eval(*prog.expr, fr);
  execBlock(prog.top, fr);
  return Variant();
}

void Engine::addCode(Module& m, std::string_view code) {
  addCode(m, guarded(*impl_, [&] { return compileChunk(code, ParseMode::Statements); }));
}

void Engine::addCode(Module& m, const std::shared_ptr<const Program>& program) {
  if (!program || !program->compiled || program->expr)
    au::raise(err::kInvalidProcedureCall, "The code to add is not a compiled chunk");
  if (impl_->entryDepth == 0) {
    // Chunks whose procedures were all redefined and whose classes are gone are dropped,
    // so adding the same function again and again does not grow the engine. Only when no
    // script code is running: a running procedure's code must stay.
    std::erase_if(m.programs,
                  [](const std::shared_ptr<LinkedProgram>& p) { return p.use_count() == 1; });
  }
  guarded(*impl_, [&] {
    auto link = impl_->link(program, m);
    m.programs.push_back(link);
    impl_->runTop(*link, nullptr);
  });
}

Variant Engine::eval(Module& m, std::string_view expression) {
  return guarded(*impl_, [&] {
    auto link = impl_->link(compileChunk(expression, ParseMode::Expression), m);
    return impl_->runTop(*link, nullptr);
  });
}

void Engine::executeStatement(Module& m, std::string_view code) {
  guarded(*impl_, [&] {
    auto link = impl_->link(compileChunk(code, ParseMode::Statements), m);
    if (!link->program->procs.empty() || !link->program->classes.empty())
      m.programs.push_back(link);
    impl_->runTop(*link, nullptr);
  });
}

Variant Engine::run(Module& m, std::string_view name, Args args) {
  return guarded(*impl_, [&]() -> Variant {
    std::string lower = lowerAscii(name);
    Cell* c = m.find(lower);
    if ((!c || c->kind != Cell::Procedure) && !m.isGlobal) c = globalModule().find(lower);
    if (!c || c->kind != Cell::Procedure)
      au::raise(err::kSubNotDefined, "Procedure not defined: '" + std::string(name) + "'");
    std::shared_ptr<LinkedProgram> keep = c->owner;
    // Values passed from outside go by value: the host keeps its own copies.
    std::vector<Variant> values;
    values.reserve(args.size());
    for (auto& a : args)
      values.push_back(a);
    return callProc(*c->proc, *keep, nullptr, au::ArgList(values));
  });
}

// ---- functions of the interpreter itself

// Runs code given as text: an error in it is reported at the statement that ran the text,
// since its own lines are not lines of any added chunk.
void Engine::Impl::runCodeText(LinkedProgram& link, Frame* caller) {
  try {
    runTop(link, caller);
  } catch (const au::Error&) {
    located = false;
    throw;
  }
}

Variant Engine::Impl::intrinsic(int8_t which, Frame& f, Args args, bool hasArgs, const Expr&) {
  auto need = [&](size_t n) {
    if (args.size() != n) au::raise(err::kWrongArgumentCount);
  };
  switch (which) {
  case kErr:
    if (!args.empty()) return eng.err().invokeDefault(au::kGetOrCall, args);
    return Variant(static_cast<au::Object*>(&eng.err()));
  case kEval: {
    need(1);
    auto link = compileText(au::CStr(args[0]), ParseMode::Expression, *f.link->module, &f);
    return runTop(*link, &f);
  }
  case kExecute: {
    need(1);
    Module& m = *f.link->module;
    auto link = compileText(au::CStr(args[0]), ParseMode::Statements, m, &f);
    if (!link->program->procs.empty() || !link->program->classes.empty())
      m.programs.push_back(link);
    runCodeText(*link, &f);
    return Variant();
  }
  case kExecuteGlobal: {
    need(1);
    Module& g = eng.globalModule();
    auto link = compileText(au::CStr(args[0]), ParseMode::Statements, g, nullptr);
    g.programs.push_back(link);
    runCodeText(*link, nullptr);
    return Variant();
  }
  case kGetRef: {
    need(1);
    std::string name = au::CStr(args[0]);
    std::string lower = lowerAscii(name);
    Cell* c = f.link->module->find(lower);
    if (!c || c->kind != Cell::Procedure) c = eng.globalModule().find(lower);
    if (!c || c->kind != Cell::Procedure) au::raise(err::kInvalidProcedureCall);
    return Variant(static_cast<au::Object*>(new ProcRef(eng, *c->proc, c->owner)));
  }
  case kIsObject:
    need(1);
    return Variant(args[0].isObject());
  case kCreateObject: {
    if (args.empty() || args.size() > 2) au::raise(err::kWrongArgumentCount);
    std::string progId = au::CStr(args[0]);
    return Variant(au::create(progId));
  }
  default:
    break;
  }
  (void)hasArgs;
  au::raise(err::kInternalError);
}

} // namespace quillet::platform::vbscript
