#pragma once
// Internals shared by the compiler and the interpreter.
#include <chrono>
#include <memory>
#include <optional>
#include <vector>

#include "platform/automation/interrupt.h"

#include "platform/automation/limits.h"
#include "platform/vbscript/runtime.h"

namespace quillet::platform::vbscript {

// The functions of the engine itself, once: the enumerator and the lower-case name the
// compiler binds.
#define QUILLET_INTRINSICS(X)                                                                      \
  X(kErr, "err")                                                                                   \
  X(kEval, "eval")                                                                                 \
  X(kExecute, "execute")                                                                           \
  X(kExecuteGlobal, "executeglobal")                                                               \
  X(kGetRef, "getref")                                                                             \
  X(kIsObject, "isobject")                                                                         \
  X(kCreateObject, "createobject")

enum Intrinsic : int8_t {
#define QUILLET_INTRINSIC_ENUM(name, lower) name,
  QUILLET_INTRINSICS(QUILLET_INTRINSIC_ENUM)
#undef QUILLET_INTRINSIC_ENUM
      kIntrinsicCount
};
// The intrinsic of a lower-case name, or -1.
int8_t findIntrinsic(const std::string& lower);

// Frames' slots: chunks that never move, so a by-reference argument may point into them.
// A call takes its slots from the top of the current chunk and gives them back by resetting
// the top; only a frame that does not fit moves on to the next chunk.
class SlotStack {
public:
  // The first chunk is there before any mark is taken, so every mark names a real top.
  SlotStack() : chunks_(1) {
    chunks_[0] = {std::make_unique<Variant[]>(1024), 1024};
    top_ = chunks_[0].data.get();
    limit_ = top_ + 1024;
  }
  struct Mark {
    Variant* top;
    size_t chunk;
  };
  Variant* push(size_t n, Mark& mark) {
    mark = {top_, current_};
    if (static_cast<size_t>(limit_ - top_) >= n) {
      Variant* p = top_;
      top_ += n;
      return p;
    }
    return pushSlow(n, mark);
  }
  void pop(const Mark& mark, Variant* slots, size_t n) {
    // Clearing may run terminate handlers, which push above us; they pop before we go on.
    for (size_t i = 0; i < n; ++i)
      slots[i].clear();
    if (mark.chunk != current_) [[unlikely]]
      return popChunk(mark);
    top_ = mark.top;
  }

private:
  Variant* pushSlow(size_t n, Mark& mark);
  void popChunk(const Mark& mark);
  struct Chunk {
    std::unique_ptr<Variant[]> data;
    size_t size = 0;
  };
  std::vector<Chunk> chunks_;
  size_t current_ = 0;
  Variant* top_ = nullptr;   // the first free slot of the current chunk
  Variant* limit_ = nullptr; // the end of the current chunk
};

struct Engine::Frame {
  Frame() = default;
  // A procedure's frame: `refs` are the variables of its parameters.
  Frame(const ProcDef& p, LinkedProgram& l, ScriptObject* self, Variant* s, Variant* const* r,
        size_t n)
      : slots(s), refs(r), refCount(n), proc(&p), me(self), link(&l), cells(l.cells.data()),
        explicitNames(p.explicitNames) {}
  Variant* slots = nullptr;
  // The variables of the first `refCount` slots (a procedure's parameters, or the caller's
  // locals seen by Eval code): a ByRef parameter's is the caller's variable, a ByVal's its
  // own slot.
  Variant* const* refs = nullptr;
  size_t refCount = 0;
  // The variable of a slot that names may share with the caller (implicit and ReDim locals).
  Variant& var(int slot) const {
    auto i = static_cast<size_t>(slot);
    return i < refCount ? *refs[i] : slots[i];
  }
  const ProcDef* proc = nullptr;
  ScriptObject* me = nullptr;
  LinkedProgram* link = nullptr; // the running code's chunk as linked in this engine
  Cell* const* cells = nullptr;  // link->cells, one load nearer for the hot paths
  void setLink(LinkedProgram& l) {
    link = &l;
    cells = l.cells.data();
  }
  bool explicitNames = false;
  bool resumeNext = false;
};

// LinkedProgram::appends: which of an AppendStmt's flags hold in the engine.
enum : uint8_t { kAppendPure = 1, kAppendStreaming = 2, kAppendLocalStreaming = 4 };

enum class Flow : uint8_t { Normal, ExitDo, ExitFor, ExitProc };

// Where names of a piece of code are looked up while compiling it.
struct Scope {
  const ClassDecl* cls = nullptr;
  const ProcDef* proc = nullptr; // null at top level and in Eval/Execute
  const std::unordered_map<std::string, int>* locals = nullptr; // caller's locals (Eval/Execute)
  std::unordered_map<std::string, int> implicit;                // undeclared names of a procedure
  const std::unordered_map<std::string, int>* redims = nullptr; // the procedure's (ProcDef)
  int* slotCount = nullptr;                    // where new slots are counted
  int slotBase = 0;
};

// Resolves the names of a parsed chunk, once, with nothing that depends on an engine.
struct Compiler {
  Program* compiling = nullptr;
  std::unordered_map<std::string_view, int> globalIndex; // lower-cased name -> its index
  // `caller`: Eval and Execute see the locals and the class of the code that runs them.
  void compileProgram(Program& prog, const ProcDef* callerProc, const ClassDecl* callerClass);
  void compileClass(ClassDecl& decl);
  void compileProc(ProcDef& p, const ClassDecl* cls);
  void compileBlock(Block& b, Scope& s);
  void compileStmt(StmtPtr& st, Scope& s);
  void compileExpr(Expr& e, Scope& s);
  void compileIdent(IdentExpr& id, Scope& s, bool skipLocals = false);
  int globalOf(const std::string& lower, const std::string& name); // strings of the tree
  static int newSlot(Scope& s);
};

struct Engine::Impl {
  explicit Impl(Engine& e) : eng(e) {}
  Engine& eng;
  SlotStack stack;
  std::vector<Variant> memberObjects; // objects added with their members global
  std::vector<std::weak_ptr<ClassDef>> classes;

  // Time-out, memory ceiling and stack depth, armed by the outermost entry.
  int entryDepth = 0;
  std::chrono::steady_clock::time_point deadline;
  bool hasDeadline = false;
  // Publishes the deadline to native code the script calls.
  struct Timeout : automation::InterruptSource {
    explicit Timeout(Impl& i) : impl(i) {}
    Impl& impl;
    automation::DeadlineClock::time_point deadline() const override { return impl.deadline; }
    [[noreturn]] void expired() const override { impl.raiseTimeout(); }
  } timeoutSource{*this};
  uint32_t ticks = 0;
  uint32_t limitChecks = 0;

  // The place of the error being raised (the innermost statement that failed).
  bool located = false;
  int errLine = 0;
  int errCol = 0;
  const Program* errProgram = nullptr;

  // ---- linker (compiler.cpp)
  // Defines a compiled chunk's classes, procedures and variables in the module and binds its
  // names to the module's cells.
  std::shared_ptr<LinkedProgram> link(const std::shared_ptr<const Program>& prog, Module& m);
  // Compiles code text run by Eval/Execute (seeing the caller's locals) and links it.
  std::shared_ptr<LinkedProgram> compileText(std::string_view code, ParseMode mode, Module& m,
                                             const Frame* caller);

  // ---- the error of the running statement, carried back as a status
  // The interpreter's own errors (an operator's, a member of no object, Err.Raise) do not
  // throw: the failing step records the error here and returns, each step that may leave one
  // pending returns at once, and the statement loop either records it in Err (On Error
  // Resume Next) or throws it. Exceptions stay for native code. Functions that may return
  // with an error pending say so; every other caller goes through one that throws it.
  int32_t faultNumber = 0;
  const std::string* faultName = nullptr;        // what an uncaught report names
  std::unique_ptr<automation::Error> faultError; // an error with its own texts (Err.Raise)
  bool failed() const { return faultNumber != 0; }
  // Records an error and returns an Empty value for the caller to hand back.
  Variant fail(int32_t number, const std::string* name = nullptr) {
    faultNumber = number;
    faultName = name;
    return Variant();
  }
  Variant fail(std::unique_ptr<automation::Error> e) {
    faultNumber = e->number();
    faultError = std::move(e);
    return Variant();
  }
  // Throws the pending error (for callers that do not handle it themselves).
  [[noreturn]] void throwFault();
  // Records the pending error in Err and clears it.
  void resumeFault();
  void clearFault() {
    faultNumber = 0;
    faultName = nullptr;
    faultError.reset();
  }

  // ---- interpreter (interp.cpp)
  Flow execBlock(const Block& b, Frame& f);
  Flow runBlock(const Block& b, Frame& f);
  [[gnu::noinline]] void statementThrew(const Stmt& st, Frame& f);
  [[gnu::noinline]] void statementFailed(const Stmt& st, Frame& f);
  // May leave an error pending.
  Flow exec(const Stmt& st, Frame& f);
  Flow execOther(const Stmt& st, Frame& f);
  Flow execIf(const Stmt& st, Frame& f);
  [[gnu::noinline]] Flow forRounds(const Block& body, Frame& f, Variant& var, const Variant& to,
                                   const Variant& step);
  // The evaluator: may leave an error pending.
  Variant evalS(const Expr& e, Frame& f);
  Variant evalOther(const Expr& e, Frame& f);
  // As evalS, throwing a pending error (for callers that do not handle it themselves).
  Variant eval(const Expr& e, Frame& f);
  // A reference to the value of a plain variable, or the value computed into tmp.
  const Variant& evalRef(const Expr& e, Frame& f, Variant& tmp);
  const Variant& evalRefS(const Expr& e, Frame& f, Variant& tmp);
  const Variant& computeInto(Variant& empty, const Expr& e, Frame& f);
  // The storage of a variable named by an identifier, or null when it names no variable
  // (then the caller decides). `create` defines an undeclared variable; `declares` is for
  // statements that declare it (ReDim), which Option Explicit allows. May leave an error
  // pending (an undeclared name under Option Explicit), and then returns null.
  Variant* varOf(const IdentExpr& id, Frame& f, bool create, bool declares = false);
  // May leave an error pending.
  [[gnu::always_inline]] inline Variant callExpr(const CallExpr& c, Frame& f, int kind);
  [[gnu::noinline]] Variant findCall(const CallExpr& c, Frame& f, int kind);
  Variant callOther(const CallExpr& c, Frame& f, int kind);
  Variant callIndexed(const CallExpr& c, const IdentExpr& id, Frame& f, int kind);
  // May leave an error pending.
  Variant callLibrary(const CallExpr& c, const IdentExpr& id, Frame& f);
  [[gnu::noinline]] Variant callLibraryArgs(const CallExpr& c, const IdentExpr& id, Frame& f);
  Variant callMember(const CallExpr& c, const MemberExpr& m, Frame& f, int kind);
  [[gnu::noinline]] Variant callMemberSlow(const CallExpr& c, const MemberExpr& m, Frame& f,
                                           int kind);
  // Whether a name means the library function of that name where it is used.
  bool libraryName(const IdentExpr& id, const Frame& f);
  // Arguments that can go straight into the callee's frame: no omitted ones, and few enough
  // that the frame's references fit on the native stack. An array element passed by
  // reference goes through the general path, which locks the array: indexedCallsOnly tells
  // when the arguments with arguments of their own are all calls.
  static constexpr size_t kDirectArgs = 8;
  static bool directArgs(const std::vector<ExprPtr>& args) {
    if (args.size() > kDirectArgs) return false;
    for (auto& a : args)
      if (a->kind == EK::Missing) return false;
    return true;
  }
  bool indexedCallsOnly(const ProcDef& p, const CallExpr& c, const Frame& f);
  bool directCall(const ProcDef& p, const CallExpr& c, const Frame& f) {
    return p.arity == c.directArgs && (!c.indexedArgs || indexedCallsOnly(p, c, f));
  }
  Variant invokeDirect(const ProcDef& p, LinkedProgram& link, ScriptObject* me,
                       const std::vector<ExprPtr>& args, Frame& f);
  [[gnu::noinline]] Variant invokeIndexed(const ProcDef& p, LinkedProgram& link,
                                          ScriptObject* me, const CallExpr& c, Frame& f, int kind);
  // May leave an error pending.
  Variant callIdent(const IdentExpr& id, Frame& f, Args args, int kind, bool hasArgs);
  Variant memberCall(const Variant& target, const MemberExpr& site, int kind, Args args, Frame& f);
  Variant memberCallObject(automation::Object* obj, const MemberExpr& site, int kind, Args args,
                           Frame& f);
  [[gnu::noinline]] Variant memberCallSlow(automation::Object* obj, const MemberExpr& site,
                                           int kind, Args args, Frame& f);
  [[gnu::noinline]] Variant nativeCallByName(automation::Object* obj, const MemberExpr& site,
                                             int kind, Args args);
  // May leave an error pending.
  void assign(const Expr& target, Variant value, bool isSet, Frame& f);
  // May leave an error pending; false when the target is no element of an array variable.
  bool storeElement(const CallExpr& target, Variant& value, Frame& f);
  // The same with several indices.
  [[gnu::noinline]] bool storeElements(const CallExpr& target, Variant& value, Frame& f);
  // May leave an error pending.
  [[gnu::always_inline]] inline Variant evalBinary(const BinaryExpr& b, Frame& f);
  [[gnu::noinline]] Variant evalOperands(const BinaryExpr& b, Frame& f);
  [[gnu::noinline]] Variant operandsInPlace(const BinaryExpr& b, Frame& f);
  Variant concatChain(const BinaryExpr& top, Frame& f);
  std::pair<const Variant*, const Variant*> operands(const BinaryExpr& b, Frame& f, Variant& tl,
                                                    Variant& tr);
  Variant binaryValues(const BinaryExpr& b, const Variant& l, const Variant& r);
  [[gnu::noinline]] Variant operate(const BinaryExpr& b, const Variant& l, const Variant& r);
  // May leave an error pending.
  bool condition(const Expr& e, Frame& f);
  bool conditionSlow(const Expr& e, Frame& f);
  Flow resumeInto(const automation::Error& e, const Block& body, Frame& f, Flow exit);
  Flow resumePending(const Block& body, Frame& f, Flow exit);
  Variant intrinsic(int8_t which, Frame& f, Args args, bool hasArgs, const Expr& at);
  Variant withObject(const MemberExpr& m, Frame& f);
  // Runs a chunk's top-level code (or evaluates its expression) in a frame that sees the
  // caller's locals when there is a caller.
  Variant runTop(LinkedProgram& link, Frame* caller);
  void runCodeText(LinkedProgram& link, Frame* caller);
  Variant newObject(const NewExpr& n, Frame& f);

  void tick();
  void checkTimeNow();
  [[noreturn]] void raiseTimeout();
  void checkLimits();
  void checkStack();
  void locate(const Stmt& st, const Frame& f);
  void handleError(const automation::Error& e, Frame& f);
};

// Arms the time-out and the stack check for the outermost entry into the engine.
class EntryGuard {
public:
  explicit EntryGuard(Engine::Impl& impl);
  ~EntryGuard();

private:
  Engine::Impl& impl_;
  std::optional<automation::InterruptScope> interrupt_;
  char* floor_;
  std::optional<automation::ScriptLimits> limits_;
};

Variant letValue(Variant v);
bool isTimeout(const automation::Error& e);

} // namespace quillet::platform::vbscript
