// The interpreter: walks the compiled tree of a chunk.
#include <cmath>
#include <cstring>
#include <limits>
#include <pthread.h>
#include <strings.h>
#include <typeinfo>

#include "platform/automation/convert.h"
#include "platform/automation/factory.h"
#include "platform/automation/limits.h"
#include "platform/automation/operators.h"
#include "platform/vbscript/compile_errors.h"
#include "platform/vbscript/engine_impl.h"
#include "platform/vbscript/library.h"
#include "platform/vbscript/stack_guard.h"

namespace quillet::platform::vbscript {

namespace au = automation;
using au::SafeArray;
using au::VarType;
using Frame = Engine::Frame;
namespace err = au::err;

// ---- slots

Variant* SlotStack::pushSlow(size_t n, Mark& mark) {
  // The frame goes at the start of the next chunk (a new one, or one too small replaced);
  // the mark keeps where this chunk's top was.
  size_t next = current_ + 1;
  size_t size = std::max<size_t>(4096, n);
  if (next == chunks_.size())
    chunks_.push_back({std::make_unique<Variant[]>(size), size});
  else if (chunks_[next].size < n)
    chunks_[next] = {std::make_unique<Variant[]>(size), size};
  mark = {top_, current_};
  current_ = next;
  Chunk& c = chunks_[current_];
  top_ = c.data.get() + n;
  limit_ = c.data.get() + c.size;
  return c.data.get();
}

void SlotStack::popChunk(const Mark& mark) {
  current_ = mark.chunk;
  top_ = mark.top;
  limit_ = chunks_[current_].data.get() + chunks_[current_].size;
}

namespace {

// A procedure's slots, given back on every way out, errors included. The count is read again
// from the procedure rather than kept.
// Kept apart from the mark the push fills in, which the compiler then holds once.
struct ProcSlots {
  ~ProcSlots() { stack.pop(mark, slots, static_cast<size_t>(proc.slotCount)); }
  SlotStack& stack;
  const SlotStack::Mark& mark;
  const ProcDef& proc;
  Variant* slots;
};

// The variable a name is bound to when it already is one, found without any lookup; null
// for the rest (a global not yet a variable, a member of the object), which varOf decides.
inline Variant* boundVariable(const IdentExpr& id, Engine::Frame& f) {
  switch (id.bind) {
  case Bind::Local:
    return &f.slots[id.slot];
  case Bind::Ref:
    return f.refs[id.slot];
  case Bind::Field:
    return &f.me->fields()[id.member->field];
  case Bind::Global: {
    Cell* c = f.cells[id.global];
    return c->kind == Cell::Variable ? &c->value : nullptr;
  }
  default:
    return nullptr;
  }
}

// The element at indices, or null when they are out of range (the caller reports 9).
template <class A> auto* elementAt(A& a, std::span<const int32_t> idx) {
  const auto& bounds = a.bounds();
  if (idx.size() != bounds.size()) return static_cast<decltype(&a.data()[0])>(nullptr);
  size_t off = 0, stride = 1;
  for (size_t d = 0; d < bounds.size(); ++d) {
    int64_t i = int64_t(idx[d]) - bounds[d].lower;
    if (i < 0 || i >= bounds[d].count) return static_cast<decltype(&a.data()[0])>(nullptr);
    off += static_cast<size_t>(i) * stride;
    stride *= static_cast<size_t>(bounds[d].count);
  }
  return &a.data()[off];
}

// Arguments of one call: a few inline, the rest on the heap. Each is its own value unless
// it is bound to a variable by reference. Array elements bound by reference stay locked
// until the call returns.
struct ArgBuf {
  ArgBuf() = default;
  ArgBuf(const ArgBuf&) = delete;
  ~ArgBuf() {
    for (SafeArray* a : locked)
      a->unlock();
  }
  void init(size_t count) {
    if (count > std::size(inl)) {
      big = std::make_unique<Variant[]>(count);
      bigRefs = std::make_unique<Variant*[]>(count);
      data = big.get();
      refs = bigRefs.get();
    }
    n = count;
    for (size_t i = 0; i < count; ++i)
      refs[i] = &data[i];
  }
  void lock(SafeArray& a) {
    locked.push_back(&a);
    a.lock();
  }
  Args args() { return Args(refs, n); }
  Args first(size_t k) { return Args(refs, k); }
  Variant inl[4];
  Variant* inlRefs[4];
  std::unique_ptr<Variant[]> big;
  std::unique_ptr<Variant*[]> bigRefs;
  Variant* data = inl;
  Variant** refs = inlRefs;
  size_t n = 0;
  std::vector<SafeArray*> locked;
};

// The variables a procedure frame's parameters name: a few on the native stack, more on
// the heap.
struct RefTable {
  explicit RefTable(size_t n) : data(n <= std::size(inl) ? inl : new Variant*[n]) {}
  ~RefTable() {
    if (data != inl) delete[] data;
  }
  RefTable(const RefTable&) = delete;
  Variant* inl[6];
  Variant** data;
};

// Evaluates arguments. A plain variable goes by reference when `refs` says so (always
// for native calls, which may declare by-reference parameters); an array element goes
// by reference only to a script procedure's ByRef parameter.
// False when an argument fails: its error is pending and the call must not go on.
struct ArgEval {
  Engine::Impl& impl;
  Frame& f;
  // One argument other than an array element bound by reference: its value into `out`, or
  // (byRef) the variable it names into `ref`.
  [[nodiscard]] bool one(const Expr& a, Variant& out, Variant*& ref, bool byRef) {
    if (a.kind == EK::Missing) {
      out = Variant::missing();
      return true;
    }
    if (byRef && a.kind == EK::Ident) {
      auto& id = static_cast<const IdentExpr&>(a);
      Variant* v = boundVariable(id, f);
      if (!v) v = impl.varOf(id, f, true);
      if (v) {
        ref = v;
        return true;
      }
      if (impl.failed()) return false;
    }
    out = impl.evalS(a, f);
    return !impl.failed();
  }
  [[nodiscard]] bool run(const std::vector<ExprPtr>& exprs, ArgBuf& buf, const ProcDef* target,
                         bool varRefs) {
    for (size_t i = 0; i < exprs.size(); ++i) {
      const Expr& a = *exprs[i];
      Variant& out = buf.data[i];
      bool byRef = target ? (i < target->params.size() && target->params[i].byRef) : varRefs;
      if (byRef && target && a.kind == EK::Call &&
          static_cast<const CallExpr&>(a).callee->kind == EK::Ident) {
        auto& c = static_cast<const CallExpr&>(a);
        Variant* v = impl.varOf(static_cast<const IdentExpr&>(*c.callee), f, false);
        if (impl.failed()) return false;
        if (v && v->isArray() && !c.args.empty()) {
          std::vector<int32_t> idx;
          for (auto& ie : c.args) {
            Variant i = impl.evalS(*ie, f);
            if (impl.failed()) return false;
            idx.push_back(au::CLng(letValue(std::move(i))));
          }
          SafeArray& arr = v->arrayForWrite();
          Variant* el = elementAt(arr, idx);
          if (!el) return (impl.fail(err::kSubscriptOutOfRange), false);
          buf.lock(arr);
          buf.refs[i] = el;
        } else {
          out = impl.evalS(a, f);
        }
      } else if (!one(a, out, buf.refs[i], byRef)) {
        return false;
      }
      if (impl.failed()) return false;
    }
    return true;
  }
};

// At most three arguments with no argument list: a plain variable goes by reference, so it
// is not copied and what a function learns of its text (all ASCII) stays with it from one
// call to the next; anything else is evaluated into argv.
void quickArgs(Engine::Impl& impl, const std::vector<ExprPtr>& exprs, Frame& f, Variant* argv,
               Variant** refs) {
  for (size_t i = 0; i < exprs.size(); ++i) {
    const Expr& a = *exprs[i];
    if (a.kind == EK::Ident) {
      if (Variant* v = boundVariable(static_cast<const IdentExpr&>(a), f)) {
        refs[i] = v;
        continue;
      }
    } else if (a.kind == EK::Missing) {
      argv[i] = Variant::missing();
      continue;
    }
    argv[i] = impl.eval(a, f);
  }
}

[[noreturn]] void raiseNamed(int32_t number, const std::string& name) {
  throw NamedError(number, name);
}

// The name an "Object required" error shows: the variable that should hold the object
// (`x.Foo` with no object in x names 'x'), else the member.
const std::string& objectName(const MemberExpr& m) {
  if (m.object && m.object->kind == EK::Ident) return static_cast<const IdentExpr&>(*m.object).name;
  return m.name;
}

// Integer or Long: the whole numbers that arithmetic keeps whole.
inline bool isWhole(VarType t) {
  return t == VarType::Integer || t == VarType::Long;
}
// The value of an Integer or Long.
[[gnu::always_inline]] inline int64_t wholeOf(const Variant& v) {
  return v.asWhole();
}
bool isIntegral(const Variant& v) {
  return v.type() == VarType::Integer || v.type() == VarType::Long || v.type() == VarType::Byte;
}
int64_t intOf(const Variant& v) {
  switch (v.type()) {
  case VarType::Integer:
    return v.asInteger();
  case VarType::Long:
    return v.asLong();
  case VarType::Byte:
    return v.asByte();
  default:
    return 0;
  }
}
// The result of an operator on two Integer or Long values: Integer when both are and it fits,
// else Long, else Double.
[[gnu::always_inline]] inline Variant wholeResult(int64_t r, VarType lt, VarType rt) {
  if (lt == VarType::Integer && rt == VarType::Integer && r >= -32768 && r <= 32767)
    return Variant(static_cast<int16_t>(r));
  if (r >= std::numeric_limits<int32_t>::min() && r <= std::numeric_limits<int32_t>::max())
    return Variant(static_cast<int32_t>(r));
  return Variant(static_cast<double>(r));
}
// The sum of two whole numbers in the wider of their types, widening on overflow.
Variant intResult(int64_t r, const Variant& a, const Variant& b) {
  bool narrow = a.type() != VarType::Long && b.type() != VarType::Long;
  if (narrow && a.type() == VarType::Byte && b.type() == VarType::Byte && r >= 0 && r <= 255)
    return Variant(static_cast<uint8_t>(r));
  if (narrow && r >= -32768 && r <= 32767) return Variant(static_cast<int16_t>(r));
  if (r >= std::numeric_limits<int32_t>::min() && r <= std::numeric_limits<int32_t>::max())
    return Variant(static_cast<int32_t>(r));
  return Variant(static_cast<double>(r));
}

// A comparison operator (Eq to Ge) on two numbers of one type.
template <class T> bool compareAs(Op op, T a, T c) {
  switch (op) {
  case Op::Eq:
    return a == c;
  case Op::Ne:
    return a != c;
  case Op::Lt:
    return a < c;
  case Op::Le:
    return a <= c;
  case Op::Gt:
    return a > c;
  default:
    return a >= c;
  }
}
inline bool isComparison(Op op) {
  return op >= Op::Eq && op <= Op::Ge;
}

// A whole number on its way through an arithmetic tree (BinaryExpr::wholeTree): an Integer or
// a Long, or Empty when the tree has to take the general way (an operand of another type, a
// zero divisor, a result beyond a Long, the stack at its end).
struct WholeValue {
  int64_t value;
  VarType type;
};
constexpr WholeValue kNotWhole{0, VarType::Empty};

WholeValue wholeTree(const BinaryExpr& b, const Engine::Impl& im, Engine::Frame& f);

// The bound LBound or UBound (`c.arrayBound`) gives of the array variable that is its
// argument, read where the variable lives; false when it holds no array with a dimension.
[[gnu::always_inline]] inline bool arrayVariableBound(const CallExpr& c, Engine::Frame& f,
                                                      int32_t& out) {
  const Variant* v = boundVariable(static_cast<const IdentExpr&>(*c.args[0]), f);
  if (!v || !v->isArray() || v->asArray().bounds().empty()) return false;
  const SafeArray::Bound& first = v->asArray().bounds()[0];
  out = c.arrayBound == CallExpr::kUpperBound ? first.upper() : first.lower;
  return true;
}

// The same when the name is the library's here.
[[gnu::always_inline]] inline WholeValue arrayBoundOf(const CallExpr& c, const Engine::Impl& im,
                                                      Engine::Frame& f) {
  auto& fn = static_cast<const IdentExpr&>(*c.callee);
  if (fn.bind != Bind::Global || f.cells[fn.global]->kind != Cell::Undefined ||
      (f.link->outer[fn.global] && f.link->outer[fn.global]->kind != Cell::Undefined) ||
      !im.memberObjects.empty())
    return kNotWhole;
  int32_t bound;
  if (!arrayVariableBound(c, f, bound)) return kNotWhole;
  return {bound, VarType::Long};
}

// The value a name used as an operand has where it is kept: a variable, or a module constant
// (which boundVariable leaves out, as nothing may be bound to it by reference); null for the
// rest (a function, a property), which the general way evaluates.
[[gnu::always_inline]] inline const Variant* valueInPlace(const IdentExpr& id,
                                                          Engine::Frame& f) {
  if (id.bind == Bind::Global && f.cells[id.global]->kind == Cell::Constant)
    return &f.cells[id.global]->value;
  return boundVariable(id, f);
}

// An operand of a whole tree: a literal, a variable read where it lives, the bound of an
// array variable or an operator of the tree. A name that is no variable here (a function, a
// property) is left to the general way.
[[gnu::always_inline]] inline WholeValue wholeOperand(const Expr& e, const Engine::Impl& im,
                                                      Engine::Frame& f) {
  const Variant* v;
  switch (e.kind) {
  case EK::Literal:
    v = &static_cast<const LiteralExpr&>(e).value;
    break;
  case EK::Binary:
    if (stackExhausted()) return kNotWhole;
    return wholeTree(static_cast<const BinaryExpr&>(e), im, f);
  case EK::Call:
    return arrayBoundOf(static_cast<const CallExpr&>(e), im, f);
  default:
    v = valueInPlace(static_cast<const IdentExpr&>(e), f);
    if (!v) return kNotWhole;
  }
  if (!isWhole(v->type())) return kNotWhole;
  return {v->asWhole(), v->type()};
}

WholeValue wholeTree(const BinaryExpr& b, const Engine::Impl& im, Engine::Frame& f) {
  const WholeValue l = wholeOperand(*b.left, im, f);
  if (l.type == VarType::Empty) return kNotWhole;
  WholeValue r;
  if (const Variant* lit = b.rightLiteral) {
    if (!isWhole(lit->type())) return kNotWhole;
    r = {lit->asWhole(), lit->type()};
  } else {
    r = wholeOperand(*b.right, im, f);
    if (r.type == VarType::Empty) return kNotWhole;
  }
  int64_t v;
  switch (b.op) {
  case Op::Add:
    v = l.value + r.value;
    break;
  case Op::Sub:
    v = l.value - r.value;
    break;
  case Op::Mul:
    v = l.value * r.value;
    break;
  case Op::IntDiv:
    if (r.value == 0) return kNotWhole;
    v = l.value / r.value;
    break;
  case Op::Mod:
    if (r.value == 0) return kNotWhole;
    v = l.value % r.value;
    break;
  default:
    // A comparison: True or False as a Boolean carries them.
    return {compareAs(b.op, l.value, r.value) ? 1 : 0, VarType::Boolean};
  }
  if (l.type == VarType::Integer && r.type == VarType::Integer && v >= -32768 && v <= 32767)
    return {v, VarType::Integer};
  if (v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max())
    return {v, VarType::Long};
  return kNotWhole;
}

// An array index: whole numbers directly, anything else through CLng's rounding.
inline int32_t indexOf(const Variant& v) {
  if (v.type() == VarType::Integer) return v.asInteger();
  if (v.type() == VarType::Long) return v.asLong();
  return au::CLng(v.isObject() ? au::valueOf(v) : v);
}

void toIndices(Args args, std::vector<int32_t>& idx) {
  idx.resize(args.size());
  for (size_t i = 0; i < args.size(); ++i)
    idx[i] = indexOf(args[i]);
}

// The value at indices of an array, or the default member of an object. With `status`, an
// index out of range is left pending there rather than thrown.
Variant indexValue(const Variant& v, Args args, int kind, const std::string& name,
                   Engine::Impl* status = nullptr) {
  if (args.empty()) return v;
  if (v.isArray()) {
    int32_t small[4];
    std::vector<int32_t> more;
    std::span<const int32_t> idx;
    if (args.size() <= 4) {
      for (size_t i = 0; i < args.size(); ++i)
        small[i] = indexOf(args[i]);
      idx = std::span<const int32_t>(small, args.size());
    } else {
      toIndices(args, more);
      idx = more;
    }
    if (const Variant* el = elementAt(v.asArray(), idx)) return *el;
    if (!status) au::raise(err::kSubscriptOutOfRange);
    return status->fail(err::kSubscriptOutOfRange);
  }
  if (v.isObject()) {
    if (v.isNothing()) raiseNamed(err::kObjectRequired, name);
    return v.asObject()->invokeDefault(kind, args);
  }
  raiseNamed(err::kTypeMismatch, name);
}

bool isSimple(const Expr& e) {
  return e.kind == EK::Literal || e.kind == EK::Ident;
}

Variant compareValues(Op op, const Variant& l, const Variant& r);
Variant compareOperands(const BinaryExpr& b, const Variant& l, const Variant& r);

} // namespace

Variant letValue(Variant v) {
  if (v.isObject()) return au::valueOf(v);
  return v;
}

bool Engine::Impl::libraryName(const IdentExpr& id, const Frame& f) {
  if (!id.builtin || id.bind != Bind::Global || id.intrinsic >= 0) return false;
  if (f.cells[id.global]->kind != Cell::Undefined ||
      (f.link->outer[id.global] && f.link->outer[id.global]->kind != Cell::Undefined))
    return false;
  for (auto& o : memberObjects)
    if (o.asObject()->classInfo().find(id.name)) return false;
  return true;
}

bool isTimeout(const au::Error& e) {
  return e.number() == kTimeoutError;
}

// ---- time-out and stack

void Engine::Impl::raiseTimeout() {
  throw au::Error(kTimeoutError,
                  "Script execution timed out after " + std::to_string(eng.timeout()) + " ms",
                  kRuntimeSource);
}

void Engine::Impl::checkTimeNow() {
  if (hasDeadline && std::chrono::steady_clock::now() >= deadline) raiseTimeout();
}

void Engine::Impl::checkLimits() {
  checkTimeNow();
  // The heap is looked at less often: a script needs many steps to take much memory in
  // small pieces, and large pieces are checked where they are made.
  if ((++limitChecks & 63u) == 0) au::checkMemory();
}

inline void Engine::Impl::tick() {
  if (++ticks >= 1024) {
    ticks = 0;
    checkLimits();
  }
}

thread_local char* stackFloor = nullptr;

void raiseOutOfStack() {
  au::raise(err::kOutOfStackSpace);
}

inline void Engine::Impl::checkStack() {
  if (stackExhausted()) raiseOutOfStack();
}

EntryGuard::EntryGuard(Engine::Impl& impl) : impl_(impl), floor_(stackFloor) {
  if (impl_.entryDepth++ == 0) {
    impl_.located = false;
    int64_t ms = impl_.eng.timeout();
    impl_.hasDeadline = ms > 0;
    if (impl_.hasDeadline) {
      impl_.deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
      interrupt_.emplace(&impl_.timeoutSource);
    }
    impl_.ticks = 0;
    limits_.emplace(impl_.eng.memoryCeiling());
    char* here = static_cast<char*>(__builtin_frame_address(0));
    // The lowest address of this thread's stack, looked up once per thread (it is costly
    // for the main thread).
    thread_local char* stackLow = [] {
      char* low = nullptr;
      pthread_attr_t attr;
      if (pthread_getattr_np(pthread_self(), &attr) == 0) {
        void* addr;
        size_t sz;
        if (pthread_attr_getstack(&attr, &addr, &sz) == 0) low = static_cast<char*>(addr);
        pthread_attr_destroy(&attr);
      }
      return low;
    }();
    size_t size = stackLow && here > stackLow ? static_cast<size_t>(here - stackLow) : 1u << 20;
    size_t reserve = 256u << 10;
    stackFloor = here - (size > 2 * reserve ? size - reserve : size / 2);
  }
}

EntryGuard::~EntryGuard() {
  --impl_.entryDepth;
  stackFloor = floor_;
}

void Engine::Impl::locate(const Stmt& st, const Frame& f) {
  if (!located) {
    located = true;
    errLine = st.line;
    errCol = st.col;
    errProgram = f.proc && f.proc->program ? f.proc->program : f.link->program.get();
  }
}

void Engine::Impl::handleError(const au::Error& e, Frame&) {
  eng.err().capture(e);
  located = false;
}

void Engine::Impl::throwFault() {
  int32_t number = faultNumber;
  const std::string* name = faultName;
  std::unique_ptr<au::Error> full = std::move(faultError);
  faultNumber = 0;
  faultName = nullptr;
  if (full) {
    if (auto* raised = dynamic_cast<const RaisedError*>(full.get())) throw RaisedError(*raised);
    throw au::Error(*full);
  }
  if (name) throw NamedError(number, *name);
  throw au::Error(number);
}

void Engine::Impl::resumeFault() {
  if (faultError)
    eng.err().capture(*faultError);
  else
    eng.err().captureStandard(faultNumber);
  faultNumber = 0;
  faultName = nullptr;
  faultError.reset();
  located = false;
}

// Builds the value straight in `empty` (a variant that holds nothing): a returned value
// moved into place costs a dependent load and store on every operand.
[[gnu::always_inline]] inline const Variant& Engine::Impl::computeInto(Variant& empty,
                                                                       const Expr& e, Frame& f) {
  std::destroy_at(&empty);
  auto* id = e.kind == EK::Ident ? static_cast<const IdentExpr*>(&e) : nullptr;
  if (id && id->bind == Bind::Local)
    ::new (static_cast<void*>(&empty)) Variant(f.slots[id->slot]);
  else if (id && id->bind == Bind::Ref)
    ::new (static_cast<void*>(&empty)) Variant(*f.refs[id->slot]);
  else if (id && id->bind == Bind::Global && f.cells[id->global]->kind == Cell::Variable)
    ::new (static_cast<void*>(&empty)) Variant(f.cells[id->global]->value);
  else if (id && id->bind == Bind::Field)
    ::new (static_cast<void*>(&empty)) Variant(f.me->fields()[id->member->field]);
  else {
    // Nested operators recurse through here, so the stack is looked at here and not by every
    // operator on plain operands.
    checkStack();
    if (e.kind == EK::Binary)
      // Straight to the operator: through evalS the value would be returned by one more call.
      ::new (static_cast<void*>(&empty)) Variant(evalBinary(static_cast<const BinaryExpr&>(e), f));
    else if (e.kind == EK::Call)
      ::new (static_cast<void*>(&empty))
          Variant(callExpr(static_cast<const CallExpr&>(e), f, au::kGetOrCall));
    else
      ::new (static_cast<void*>(&empty)) Variant(evalS(e, f));
  }
  return empty;
}

[[gnu::always_inline]] inline const Variant& Engine::Impl::evalRefS(const Expr& e, Frame& f,
                                                                    Variant& tmp) {
  if (e.kind == EK::Literal) {
    auto& l = static_cast<const LiteralExpr&>(e);
    return l.text < 0 ? l.value : f.link->texts[static_cast<size_t>(l.text)];
  }
  if (e.kind == EK::Ident) {
    auto& id = static_cast<const IdentExpr&>(e);
    // Locals first, and alone: most operands are.
    if (id.bind == Bind::Local) return f.slots[id.slot];
    switch (id.bind) {
    case Bind::Ref:
      return *f.refs[id.slot];
    case Bind::Field:
      return f.me->fields()[id.member->field];
    case Bind::Global:
      if (f.cells[id.global]->kind == Cell::Variable ||
          f.cells[id.global]->kind == Cell::Constant || f.cells[id.global]->kind == Cell::Object)
        return f.cells[id.global]->value;
      break;
    default:
      break;
    }
  }
  return computeInto(tmp, e, f);
}

[[gnu::always_inline]] inline const Variant& Engine::Impl::evalRef(const Expr& e, Frame& f,
                                                                   Variant& tmp) {
  const Variant& v = evalRefS(e, f, tmp);
  if (failed()) [[unlikely]]
    throwFault();
  return v;
}

// A comparison of a variable with a whole-number literal (most loop and recursion tests) is
// decided where it is tested, reading the variable where it lives; the rest, out of line.
[[gnu::always_inline]] inline bool Engine::Impl::condition(const Expr& e, Frame& f) {
  if (e.kind == EK::Binary && isComparison(static_cast<const BinaryExpr&>(e).op)) {
    auto& b = static_cast<const BinaryExpr&>(e);
    if (b.left->kind == EK::Ident && b.right->kind == EK::Literal) {
      auto& id = static_cast<const IdentExpr&>(*b.left);
      const Variant& lit = static_cast<const LiteralExpr&>(*b.right).value;
      const Variant* v = boundVariable(id, f);
      if (v && isWhole(v->type()) && isWhole(lit.type()))
        return compareAs(b.op, wholeOf(*v), wholeOf(lit));
    }
  }
  if (e.kind == EK::Binary && static_cast<const BinaryExpr&>(e).wholeTree) {
    // A whole number is true when it is not 0, as a comparison's Boolean is.
    const WholeValue w = wholeTree(static_cast<const BinaryExpr&>(e), *this, f);
    if (w.type != VarType::Empty) return w.value != 0;
  }
  return conditionSlow(e, f);
}

// ---- statements

// Assignments are most of what scripts do: this one is inlined into the statement loop, the
// other statements run out of line.
[[gnu::always_inline]] inline Flow Engine::Impl::exec(const Stmt& st, Frame& f) {
  if (st.kind == SK::Call) {
    // A call of a script procedure or an object's member; library procedures and members
    // without an argument list run out of line.
    auto& cs = static_cast<const CallStmt&>(st);
    if (cs.library) return execOther(st, f);
    if (cs.call->kind == EK::Call)
      callExpr(static_cast<const CallExpr&>(*cs.call), f, au::kGetOrCall);
    else if (cs.call->kind == EK::Ident) // a procedure called with no argument list
      callIdent(static_cast<const IdentExpr&>(*cs.call), f, {}, au::kGetOrCall, false);
    else
      return execOther(st, f);
    return Flow::Normal;
  }
  if (st.kind != SK::Assign) return st.kind == SK::If ? execIf(st, f) : execOther(st, f);
  auto& a = static_cast<const AssignStmt&>(st);
  // An operator's or a call's value is made straight in v: through evalS it would cost one
  // more call.
  Variant v = a.value->kind == EK::Binary ? evalBinary(static_cast<const BinaryExpr&>(*a.value), f)
              : a.value->kind == EK::Call
                  ? callExpr(static_cast<const CallExpr&>(*a.value), f, au::kGetOrCall)
                  : evalS(*a.value, f);
  if (failed()) [[unlikely]]
    return Flow::Normal;
  if (a.isSet) {
    if (!v.isObject()) return (fail(err::kObjectRequired), Flow::Normal);
    assign(*a.target, std::move(v), true, f);
    return Flow::Normal;
  }
  if (v.isObject()) v = au::valueOf(v);
  if (a.target->kind == EK::Ident) {
    auto& id = static_cast<const IdentExpr&>(*a.target);
    if (id.bind == Bind::Local) {
      f.slots[id.slot] = std::move(v);
      return Flow::Normal;
    }
    if (id.bind == Bind::Ref) {
      *f.refs[id.slot] = std::move(v);
      return Flow::Normal;
    }
    if (id.bind == Bind::Field) {
      f.me->fields()[id.member->field] = std::move(v);
      return Flow::Normal;
    }
    if (id.bind == Bind::Global && f.cells[id.global]->kind == Cell::Variable) {
      f.cells[id.global]->value = std::move(v);
      return Flow::Normal;
    }
  } else if (a.target->kind == EK::Call &&
             storeElement(static_cast<const CallExpr&>(*a.target), v, f)) {
    return Flow::Normal;
  }
  assign(*a.target, std::move(v), false, f);
  return Flow::Normal;
}

// The statements of a block. Inlined where a block runs on every call (a procedure's body,
// the branch an If takes), so that entering it costs no call of its own; the errors go out of
// line, and the next statement runs when they are resumed.
[[gnu::always_inline]] inline Flow Engine::Impl::runBlock(const Block& b, Frame& f) {
  for (const auto& st : b) {
    Flow fl;
    try {
      fl = exec(*st, f);
    } catch (...) {
      statementThrew(*st, f);
      continue;
    }
    if (failed()) [[unlikely]] {
      statementFailed(*st, f);
      continue;
    }
    if (fl != Flow::Normal) return fl;
  }
  return Flow::Normal;
}

Flow Engine::Impl::execBlock(const Block& b, Frame& f) {
  checkStack();
  return runBlock(b, f);
}

// Called while the statement's exception is handled: records it in Err under On Error Resume
// Next, else gives it the statement's place and throws it on.
void Engine::Impl::statementThrew(const Stmt& st, Frame& f) {
  try {
    throw;
  } catch (const au::Error& e) {
    clearFault();
    if (!f.resumeNext || isTimeout(e)) {
      locate(st, f);
      throw;
    }
    handleError(e, f);
  } catch (const CompileError& e) {
    // from Execute/Eval code: a runtime error of the caller
    au::Error re(e.number(), e.what(), kCompileSource);
    if (!f.resumeNext) {
      locate(st, f);
      throw re;
    }
    handleError(re, f);
  } catch (const std::bad_alloc&) {
    au::Error re(err::kOutOfMemory);
    if (!f.resumeNext) {
      locate(st, f);
      throw re;
    }
    handleError(re, f);
  } catch (const std::exception& e) {
    // A fault of native code called from the script: a script error, not a crash.
    au::Error re(err::kInternalError, std::string("Internal error: ") + e.what());
    if (!f.resumeNext) {
      locate(st, f);
      throw re;
    }
    handleError(re, f);
  }
}

// The statement left its error pending: recorded in Err, or thrown from its place.
void Engine::Impl::statementFailed(const Stmt& st, Frame& f) {
  if (!f.resumeNext) {
    locate(st, f);
    throwFault();
  }
  resumeFault();
}

// An error in the head of a compound statement under On Error Resume Next: recorded, and the
// statements of the body run once, as the next statements in the text. `exit` is the flow
// that leaves this statement (Exit For in a For body).
Flow Engine::Impl::resumeInto(const au::Error& e, const Block& body, Frame& f, Flow exit) {
  if (!f.resumeNext || isTimeout(e)) throw;
  handleError(e, f);
  Flow fl = execBlock(body, f);
  return fl == exit ? Flow::Normal : fl;
}

// As resumeInto, for the error left pending; without Resume Next the statement loop reports it.
Flow Engine::Impl::resumePending(const Block& body, Frame& f, Flow exit) {
  if (!f.resumeNext) return Flow::Normal;
  resumeFault();
  Flow fl = execBlock(body, f);
  return fl == exit ? Flow::Normal : fl;
}

// Kept apart from the other statements: it runs in every procedure that decides anything,
// and the others' frame is large to set up.
Flow Engine::Impl::execIf(const Stmt& st, Frame& f) {
  auto& s = static_cast<const IfStmt&>(st);
  const Block* taken = &s.elseBlock;
  for (auto& [cond, block] : s.branches) {
    bool take;
    try {
      take = condition(*cond, f);
    } catch (const au::Error& e) {
      if (!f.resumeNext || isTimeout(e)) throw;
      handleError(e, f);
      take = true;
    }
    // With errors resumed, a failing condition goes on with the next statement, which is
    // the first one of its block.
    if (failed()) [[unlikely]] {
      if (!f.resumeNext) return Flow::Normal;
      resumeFault();
      take = true;
    }
    if (take) {
      taken = &block;
      break;
    }
  }
  checkStack();
  return runBlock(*taken, f);
}

// The rounds of a For loop, apart from the statement switch so that the bounds stay in
// registers.
Flow Engine::Impl::forRounds(const Block& body, Frame& f, Variant& var, const Variant& to,
                             const Variant& step) {
  const bool intMode = isIntegral(to) && isIntegral(step);
  // Integer and Long counters stepping by an Integer or Long: the common loop, tested first.
  const bool wholeStep = intMode && isWhole(step.type());
  const VarType stepType = step.type();
  const int64_t toI = intOf(to), stepI = intOf(step);
  const double toD = au::CDbl(to), stepD = au::CDbl(step);
  const bool up = stepD >= 0;
  // The rounds run at one depth: the stack is looked at once.
  checkStack();
  while (true) {
    tick();
    // The body may assign the counter anything: its type is looked at on every round.
    const VarType t = var.type();
    if (wholeStep && isWhole(t)) {
      const int64_t c = wholeOf(var);
      if (up ? c > toI : c < toI) break;
    } else if (intMode && isIntegral(var)) {
      const int64_t c = intOf(var);
      if (up ? c > toI : c < toI) break;
    } else {
      const double c = au::toNumber(var);
      if (up ? c > toD : c < toD) break;
    }
    Flow fl = runBlock(body, f);
    if (fl == Flow::ExitFor) break;
    if (fl != Flow::Normal) return fl;
    if (wholeStep && isWhole(var.type()))
      // A whole number holds nothing to release: the next one is written over it.
      ::new (static_cast<void*>(&var))
          Variant(wholeResult(wholeOf(var) + stepI, var.type(), stepType));
    else if (intMode && isIntegral(var))
      var = intResult(intOf(var) + stepI, var, step);
    else
      var = au::opAdd(var, step);
  }
  return Flow::Normal;
}

Flow Engine::Impl::execOther(const Stmt& st, Frame& f) {
  switch (st.kind) {
  case SK::Assign:
    return exec(st, f);
  case SK::AppendAssign: {
    auto& a = static_cast<const AppendStmt&>(st);
    auto& id = static_cast<const IdentExpr&>(*a.target);
    Variant* target = nullptr;
    const uint8_t flags = f.link->appends[static_cast<size_t>(a.site)];
    if (flags & kAppendStreaming) {
      target = varOf(id, f, true);
      if (failed()) return Flow::Normal;
      // A by-reference parameter naming the same variable is the one alias left.
      for (auto& p : a.parts) {
        if (p->kind != EK::Ident) continue;
        auto& pi = static_cast<const IdentExpr&>(*p);
        const Variant* at = pi.bind == Bind::Local    ? &f.slots[pi.slot]
                            : pi.bind == Bind::Ref    ? f.refs[pi.slot]
                            : pi.bind == Bind::Field  ? &f.me->fields()[pi.member->field]
                            : pi.bind == Bind::Global ? &f.cells[pi.global]->value
                                                      : nullptr;
        if (at == target) target = nullptr;
      }
    } else if ((flags & kAppendLocalStreaming) && id.bind == Bind::Local) {
      target = &f.slots[id.slot];
    }
    if (target && target->isString()) {
      // Each part is appended as soon as it is known, without copying the text. A part that
      // fails leaves the variable as it was, as the whole assignment would.
      const size_t before = target->asString().size();
      try {
        for (auto& p : a.parts) {
          Variant tmp;
          const Variant& part = evalRef(*p, f, tmp);
          if (part.isString()) {
            au::checkStringSize(target->asString().size() + part.asString().size());
            target->appendString(part.asString());
          } else if (!part.isNull()) {
            target->appendString(au::CStr(letValue(part)));
          }
        }
      } catch (...) {
        target->truncateString(before);
        throw;
      }
      // A part that measured the text through an alias noted what it was before this append.
      target->noteTextKind(Variant::kTextUnknown);
      return Flow::Normal;
    }
    if (!(flags & kAppendPure)) {
      // A part may change the variable: read it first, as `s = s & f()` does.
      Variant cur = eval(id, f);
      for (auto& p : a.parts)
        cur = au::opConcat(cur, eval(*p, f));
      assign(id, std::move(cur), false, f);
      return Flow::Normal;
    }
    Variant parts[4];
    std::vector<Variant> more;
    Variant* pv = parts;
    if (a.parts.size() > 4) {
      more.resize(a.parts.size());
      pv = more.data();
    }
    for (size_t i = 0; i < a.parts.size(); ++i)
      pv[i] = eval(*a.parts[i], f);
    target = varOf(id, f, true);
    if (failed()) return Flow::Normal;
    if (!target) {
      // not a variable (a property of Me, a constant...): the plain assignment
      Variant cur = eval(id, f);
      for (size_t i = 0; i < a.parts.size(); ++i)
        cur = au::opConcat(cur, pv[i]);
      assign(id, std::move(cur), false, f);
      return Flow::Normal;
    }
    for (size_t i = 0; i < a.parts.size(); ++i) {
      Variant& part = pv[i];
      if (target->isString()) {
        if (part.isString()) {
          au::checkStringSize(target->asString().size() + part.asString().size());
          target->appendString(part.asString());
        } else if (!part.isNull()) {
          target->appendString(au::CStr(letValue(std::move(part))));
        }
      } else {
        *target = au::opConcat(*target, part);
      }
    }
    return Flow::Normal;
  }
  case SK::Call: {
    auto& cs = static_cast<const CallStmt&>(st);
    const Expr& c = *cs.call;
    if (cs.library && libraryName(*cs.library, f)) {
      const Builtin& b = *cs.library->builtin;
      if (b.use == kValueOnly) raiseNamed(err::kUnsupportedType, cs.library->name);
      // A procedure of the library with no value: called here and only here.
      ArgBuf buf;
      if (c.kind == EK::Call) {
        auto& call = static_cast<const CallExpr&>(c);
        buf.init(call.args.size());
        if (!ArgEval{*this, f}.run(call.args, buf, nullptr, false)) return Flow::Normal;
      }
      int n = static_cast<int>(buf.n);
      if (n < b.minArgs || (b.maxArgs >= 0 && n > b.maxArgs))
        raiseNamed(err::kWrongArgumentCount, cs.library->name);
      BuiltinCall call{buf.args(), &eng};
      b.fn(call);
      if (call.fault) [[unlikely]]
        fail(call.fault);
      return Flow::Normal;
    }
    switch (c.kind) {
    case EK::Call: // a library name the script has taken for its own
      findCall(static_cast<const CallExpr&>(c), f, au::kGetOrCall);
      break;
    case EK::Ident:
      callIdent(static_cast<const IdentExpr&>(c), f, {}, au::kGetOrCall, false);
      break;
    case EK::Member: {
      auto& m = static_cast<const MemberExpr&>(c);
      Variant obj = m.object ? eval(*m.object, f) : withObject(m, f);
      memberCall(obj, m, au::kGetOrCall, {}, f);
      break;
    }
    default:
      au::raise(err::kTypeMismatch);
    }
    return Flow::Normal;
  }
  case SK::If:
    return execIf(st, f);
  case SK::Select: {
    auto& s = static_cast<const SelectStmt&>(st);
    Variant subject;
    try {
      subject = eval(*s.subject, f);
      if (subject.isObject()) subject = au::valueOf(subject);
    } catch (const au::Error& e) {
      return resumeInto(e, s.cases.empty() ? s.elseBlock : s.cases.front().body, f, Flow::Normal);
    }
    for (auto& c : s.cases) {
      for (auto& item : c.items) {
        bool hit = false;
        Variant tmp, tmpB;
        const Variant* ap;
        const Variant* bp = nullptr;
        try {
          ap = &evalRef(*item.a, f, tmp);
          if (item.kind == CaseItem::Range) bp = &evalRef(*item.b, f, tmpB);
        } catch (const au::Error& e) {
          // A Case whose value fails goes on with its own statements, as an If does.
          return resumeInto(e, c.body, f, Flow::Normal);
        }
        const Variant& a = *ap;
        switch (item.kind) {
        case CaseItem::Value:
          hit = au::compare(subject, a) == 0;
          break;
        case CaseItem::Range: {
          const Variant& b = *bp;
          auto lo = au::compare(subject, a);
          auto hi = au::compare(subject, b);
          hit = lo && hi && *lo >= 0 && *hi <= 0;
          break;
        }
        case CaseItem::Compare: {
          auto r = au::compare(subject, a);
          if (r) {
            switch (item.op) {
            case Op::Eq:
              hit = *r == 0;
              break;
            case Op::Ne:
              hit = *r != 0;
              break;
            case Op::Lt:
              hit = *r < 0;
              break;
            case Op::Le:
              hit = *r <= 0;
              break;
            case Op::Gt:
              hit = *r > 0;
              break;
            case Op::Ge:
              hit = *r >= 0;
              break;
            default:
              break;
            }
          }
          break;
        }
        }
        if (hit) return execBlock(c.body, f);
      }
    }
    return execBlock(s.elseBlock, f);
  }
  case SK::For: {
    auto& s = static_cast<const ForStmt&>(st);
    auto number = [](Variant v) {
      if (v.isObject()) v = au::valueOf(v);
      if (v.isNumber()) return v;
      if (v.isEmpty()) return Variant(static_cast<int16_t>(0));
      if (v.isNull()) au::raise(err::kInvalidUseOfNull);
      return Variant(au::toNumber(v));
    };
    Variant from, to, step;
    Variant* var = nullptr;
    try {
      from = number(eval(*s.from, f));
      to = number(eval(*s.to, f));
      step = s.step ? number(eval(*s.step, f)) : Variant(static_cast<int16_t>(1));
      auto& id = static_cast<const IdentExpr&>(*s.var);
      var = varOf(id, f, true);
      if (var)
        *var = from;
      else if (!failed())
        raiseNamed(err::kIllegalAssignment, id.name);
    } catch (const au::Error& e) {
      return resumeInto(e, s.body, f, Flow::ExitFor);
    }
    if (failed()) return resumePending(s.body, f, Flow::ExitFor);
    return forRounds(s.body, f, *var, to, step);
  }
  case SK::ForEach: {
    auto& s = static_cast<const ForEachStmt&>(st);
    Variant coll;
    Variant* var = nullptr;
    Ref<au::Enumerator> en;
    try {
      coll = eval(*s.collection, f);
      auto& id = static_cast<const IdentExpr&>(*s.var);
      var = varOf(id, f, true);
      if (!var && !failed()) raiseNamed(err::kIllegalAssignment, id.name);
      if (var && !coll.isArray()) {
        if (!coll.isObject()) au::raise(err::kNotACollection);
        if (coll.isNothing()) au::raise(err::kObjectNotSet);
        en = coll.asObject()->newEnum();
        if (!en) au::raise(err::kNotACollection);
      }
    } catch (const au::Error& e) {
      return resumeInto(e, s.body, f, Flow::ExitFor);
    }
    if (failed()) return resumePending(s.body, f, Flow::ExitFor);
    if (coll.isArray()) {
      // `coll` shares the array: a change through the variable copies it, the walk goes on
      // over the values it started with.
      const auto& data = coll.asArray().data();
      for (size_t i = 0; i < data.size(); ++i) {
        tick();
        *var = data[i];
        Flow fl = execBlock(s.body, f);
        if (fl == Flow::ExitFor) break;
        if (fl != Flow::Normal) return fl;
      }
      return Flow::Normal;
    }
    Variant item;
    while (en->next(item)) {
      tick();
      *var = std::move(item);
      item.clear();
      Flow fl = execBlock(s.body, f);
      if (fl == Flow::ExitFor) break;
      if (fl != Flow::Normal) return fl;
    }
    return Flow::Normal;
  }
  case SK::Do: {
    auto& s = static_cast<const DoStmt&>(st);
    // With errors resumed, a test that fails goes on with the next statement: into the body
    // for a test at the top, past the loop for one at the bottom.
    auto holds = [&](bool onError) {
      bool held;
      try {
        held = condition(*s.test, f);
      } catch (const au::Error& e) {
        if (!f.resumeNext || isTimeout(e)) throw;
        handleError(e, f);
        return onError;
      }
      if (failed()) [[unlikely]] {
        if (!f.resumeNext) throwFault();
        resumeFault();
        return onError;
      }
      return held;
    };
    while (true) {
      tick();
      if (s.cond == DoStmt::PreWhile && !holds(true)) break;
      if (s.cond == DoStmt::PreUntil && holds(false)) break;
      Flow fl = execBlock(s.body, f);
      if (fl == Flow::ExitDo) break;
      if (fl != Flow::Normal) return fl;
      if (s.cond == DoStmt::PostWhile && !holds(false)) break;
      if (s.cond == DoStmt::PostUntil && holds(true)) break;
    }
    return Flow::Normal;
  }
  case SK::Exit: {
    auto& s = static_cast<const ExitStmt&>(st);
    switch (s.what) {
    case ExitStmt::Do:
      return Flow::ExitDo;
    case ExitStmt::For:
      return Flow::ExitFor;
    case ExitStmt::Proc:
      eng.err().Clear();
      return Flow::ExitProc;
    }
    return Flow::Normal;
  }
  case SK::Dim: {
    for (auto& item : static_cast<const DimStmt&>(st).items) {
      if (!item.isArray) {
        if (item.var->bind == Bind::Global && !varOf(*item.var, f, true) && failed())
          return Flow::Normal;
        continue;
      }
      std::vector<SafeArray::Bound> bounds;
      for (auto& d : item.dims) {
        bounds.push_back(SafeArray::Bound::fromUpper(au::CLng(letValue(eval(*d, f)))));
      }
      Variant* v = varOf(*item.var, f, true);
      if (failed()) return Flow::Normal;
      if (!v) raiseNamed(err::kIllegalAssignment, item.var->name);
      if (bounds.empty()) bounds.push_back({0, 0});
      Ref<SafeArray> arr = SafeArray::create(std::move(bounds));
      if (!item.dims.empty()) arr->setFixed(true);
      *v = Variant(std::move(arr));
    }
    return Flow::Normal;
  }
  case SK::ReDim: {
    auto& s = static_cast<const ReDimStmt&>(st);
    for (auto& item : s.items) {
      std::vector<SafeArray::Bound> bounds;
      for (auto& d : item.dims) {
        bounds.push_back(SafeArray::Bound::fromUpper(au::CLng(letValue(eval(*d, f)))));
      }
      Variant* v = varOf(*item.var, f, true, true);
      if (!v) raiseNamed(err::kIllegalAssignment, item.var->name);
      if (v->isArray()) {
        if (v->asArray().fixed() || v->asArray().locked()) au::raise(err::kArrayFixedOrLocked);
        if (s.preserve) {
          // Held here: elements released by the shrink may replace the variable's array.
          Ref<SafeArray> keep(&v->arrayForWrite());
          keep->redim(std::move(bounds), true);
          continue;
        }
      }
      *v = Variant(SafeArray::create(std::move(bounds)));
    }
    return Flow::Normal;
  }
  case SK::Erase: {
    for (auto& e : static_cast<const EraseStmt&>(st).vars) {
      auto& id = static_cast<const IdentExpr&>(*e);
      Variant* v = varOf(id, f, false);
      if (failed()) return Flow::Normal;
      if (!v || !v->isArray()) raiseNamed(err::kTypeMismatch, id.name);
      if (v->asArray().locked()) au::raise(err::kArrayFixedOrLocked);
      if (v->asArray().fixed()) {
        // Held here: a terminate handler of an element may replace the variable's array.
        Ref<SafeArray> keep(&v->arrayForWrite());
        au::releaseValues(keep->data());
      } else {
        *v = Variant(SafeArray::create({{0, 0}}));
      }
    }
    return Flow::Normal;
  }
  case SK::Const: {
    for (auto& [id, value] : static_cast<const ConstStmt&>(st).items) {
      Variant v = letValue(eval(*value, f));
      if (id->bind == Bind::Global) {
        f.cells[id->global]->kind = Cell::Constant;
        f.cells[id->global]->value = std::move(v);
      } else if (Variant* p = varOf(*id, f, true)) {
        *p = std::move(v);
      } else if (failed()) {
        return Flow::Normal;
      }
    }
    return Flow::Normal;
  }
  case SK::OnError:
    f.resumeNext = static_cast<const OnErrorStmt&>(st).resumeNext;
    eng.err().Clear();
    return Flow::Normal;
  case SK::With: {
    auto& w = static_cast<const WithStmt&>(st);
    f.slots[w.slot] = eval(*w.object, f);
    struct Release {
      Variant& v;
      ~Release() { v.clear(); }
    } release{f.slots[w.slot]};
    return execBlock(w.body, f);
  }
  case SK::Nop:
    return Flow::Normal;
  }
  return Flow::Normal;
}

// ---- names

Variant* Engine::Impl::varOf(const IdentExpr& id, Frame& f, bool create, bool declares) {
  if (Variant* v = boundVariable(id, f)) return v;
  switch (id.bind) {
  case Bind::Global: {
    Cell* c = f.cells[id.global];
    if (c->kind != Cell::Undefined) return nullptr;
    if (f.link->outer[id.global]) {
      if (f.link->outer[id.global]->kind == Cell::Variable) return &f.link->outer[id.global]->value;
      if (f.link->outer[id.global]->kind != Cell::Undefined) return nullptr;
    }
    if (id.declaredLocal) return &f.var(id.slot);
    if (id.intrinsic >= 0 || id.builtin || id.constant) return nullptr;
    for (auto& o : memberObjects)
      if (o.asObject()->classInfo().find(id.name)) return nullptr;
    if (f.explicitNames && !declares) return (fail(err::kVariableUndefined, &id.name), nullptr);
    if (id.slot >= 0) return &f.var(id.slot);
    if (!create) return nullptr;
    c->kind = Cell::Variable;
    return &c->value;
  }
  default:
    return nullptr;
  }
}

// A name used with (or, for a call statement, without) arguments.
Variant Engine::Impl::callIdent(const IdentExpr& id, Frame& f, Args args, int kind, bool hasArgs) {
  switch (id.bind) {
  case Bind::Local:
    return indexValue(f.slots[id.slot], args, kind, id.name, this);
  case Bind::Ref:
    return indexValue(*f.refs[id.slot], args, kind, id.name, this);
  case Bind::Field:
    return indexValue(f.me->fields()[id.member->field], args, kind, id.name, this);
  case Bind::MeMember:
    return f.me->call(*id.member, kind, args, true);
  case Bind::Global: {
    Cell* c = f.cells[id.global];
    if (c->kind == Cell::Undefined && f.link->outer[id.global] &&
        f.link->outer[id.global]->kind != Cell::Undefined)
      c = f.link->outer[id.global];
    switch (c->kind) {
    case Cell::Variable:
    case Cell::Constant:
    case Cell::Object:
      if (!hasArgs && c->value.isObject() && !(kind & au::kPropertyGet))
        return c->value.isNothing() ? (raiseNamed(err::kObjectRequired, id.name), Variant())
                                    : c->value.asObject()->invokeDefault(kind, args);
      return indexValue(c->value, args, kind, id.name, this);
    case Cell::Procedure:
      // A redefinition during the call leaves this code alive: the module keeps every chunk.
      return eng.callProc(*c->proc, *c->owner, nullptr, args);
    case Cell::Class:
      raiseNamed(err::kTypeMismatch, id.name);
    case Cell::Undefined:
      break;
    }
    if (id.declaredLocal) return indexValue(f.var(id.slot), args, kind, id.name, this);
    for (auto& o : memberObjects)
      if (o.asObject()->classInfo().find(id.name)) return o.asObject()->invoke(id.name, kind, args);
    if (id.intrinsic >= 0) return intrinsic(id.intrinsic, f, args, hasArgs, id);
    if (id.builtin) {
      const Builtin& b = *id.builtin;
      if (b.use == kStatementOnly) raiseNamed(err::kTypeMismatch, id.name);
      if (static_cast<int>(args.size()) < b.minArgs ||
          (b.maxArgs >= 0 && static_cast<int>(args.size()) > b.maxArgs))
        raiseNamed(err::kWrongArgumentCount, id.name);
      BuiltinCall call{args, &eng};
      Variant r = b.fn(call);
      if (call.fault) [[unlikely]]
        return fail(call.fault);
      return r;
    }
    if (id.constant)
      return args.empty() ? id.constant->value
                          : indexValue(id.constant->value, args, kind, id.name, this);
    if (f.explicitNames) return fail(err::kVariableUndefined, &id.name);
    if (id.slot >= 0) return indexValue(f.var(id.slot), args, kind, id.name, this);
    if (!hasArgs) return Variant();
    raiseNamed(err::kTypeMismatch, id.name);
  }
  default:
    break;
  }
  au::raise(err::kInternalError);
}

Variant Engine::Impl::withObject(const MemberExpr& m, Frame& f) {
  if (m.withSlot < 0) au::raise(err::kObjectRequired);
  return f.slots[m.withSlot];
}

Variant Engine::Impl::memberCall(const Variant& t, const MemberExpr& site, int kind, Args args,
                                 Frame& f) {
  if (!t.isObject()) raiseNamed(err::kObjectRequired, objectName(site));
  au::Object* obj = t.asObject();
  if (!obj) raiseNamed(err::kObjectRequired, objectName(site));
  return memberCallObject(obj, site, kind, args, f);
}

// A native member found here before is called in place; the rest goes out of line.
[[gnu::always_inline]] inline Variant Engine::Impl::memberCallObject(au::Object* obj,
                                                                     const MemberExpr& site,
                                                                     int kind, Args args,
                                                                     Frame& f) {
  LinkedProgram::Site& cache = f.link->sites[static_cast<size_t>(site.site)];
  if (cache.type == &typeid(*obj)) {
    bool assigning = (kind & (au::kPropertyLet | au::kPropertySet)) != 0;
    if (const au::Member* m = cache.native;
        m && !(args.size() > (assigning ? 1u : 0u) && m->maxArgs == 0 && m->get))
      return au::ClassInfo::call(*obj, *m, kind, args); // the caller holds the object
  }
  return memberCallSlow(obj, site, kind, args, f);
}

Variant Engine::Impl::memberCallSlow(au::Object* obj, const MemberExpr& site, int kind, Args args,
                                     Frame& f) {
  LinkedProgram::Site& cache = f.link->sites[static_cast<size_t>(site.site)];
  const std::type_info* type = &typeid(*obj);
  if (type == &typeid(ScriptObject)) {
    auto* so = static_cast<ScriptObject*>(obj);
    if (cache.cls != so->cls().id) {
      cache.member = so->cls().find(site.name);
      cache.cls = so->cls().id;
    }
    if (!cache.member) raiseNamed(err::kNoSuchMember, site.name);
    return so->call(*cache.member, kind, args, so == f.me);
  }
  // Every object of a native class shares its member table: keyed by the type, the member
  // found last time here is reused without asking the object for its table.
  if (cache.type != type) {
    cache.native = obj->classInfo().find(site.name);
    cache.type = type;
  }
  bool assigning = (kind & (au::kPropertyLet | au::kPropertySet)) != 0;
  if (const au::Member* m = cache.native;
      m && !(args.size() > (assigning ? 1u : 0u) && m->maxArgs == 0 && m->get)) {
    return au::ClassInfo::call(*obj, *m, kind, args); // the caller holds the object
  }
  return nativeCallByName(obj, site, kind, args);
}

// A native member the table does not give directly: a property indexed through its value, or
// a name the table lacks that the object may still answer.
Variant Engine::Impl::nativeCallByName(au::Object* obj, const MemberExpr& site, int kind,
                                       Args args) {
  bool assigning = (kind & (au::kPropertyLet | au::kPropertySet)) != 0;
  if (args.size() > (assigning ? 1u : 0u)) {
    // Arguments to a property that takes none index what it returns: `sc.Modules(1)`.
    const au::Member* m = obj->classInfo().find(site.name);
    if (m && m->maxArgs == 0 && m->get) {
      Ref<au::Object> keep(obj);
      if (assigning) {
        Variant inner = obj->invoke(site.name, au::kPropertyGet, {});
        if (!inner.isObject() || inner.isNothing()) au::raise(err::kObjectRequired);
        return inner.asObject()->invokeDefault(kind, args);
      }
      return indexValue(obj->invoke(site.name, au::kGetOrCall, {}), args, kind, site.name);
    }
  }
  try {
    return obj->invoke(site.name, kind, args);
  } catch (const au::Error& e) {
    // A name the object does not know: say which, as `x.Name`.
    if (e.number() != err::kNoSuchMember || e.description() != au::standardMessage(e.number()) ||
        dynamic_cast<const NamedError*>(&e))
      throw;
    const std::string& holder = objectName(site);
    raiseNamed(err::kNoSuchMember, &holder == &site.name ? site.name : holder + "." + site.name);
  }
}

// ---- expressions

Variant Engine::Impl::eval(const Expr& e, Frame& f) {
  Variant v = evalS(e, f);
  if (failed()) [[unlikely]]
    throwFault();
  return v;
}

// Kept small, so that it hands operators and calls on without a frame of its own; the rarer
// expressions are evaluated out of line.
Variant Engine::Impl::evalS(const Expr& e, Frame& f) {
  switch (e.kind) {
  case EK::Literal: {
    auto& l = static_cast<const LiteralExpr&>(e);
    return l.text < 0 ? l.value : f.link->texts[static_cast<size_t>(l.text)];
  }
  case EK::Ident: {
    auto& id = static_cast<const IdentExpr&>(e);
    if (id.bind == Bind::Local) return f.slots[id.slot];
    if (id.bind == Bind::Ref) return *f.refs[id.slot];
    if (id.bind == Bind::Field) return f.me->fields()[id.member->field];
    if (id.bind == Bind::Global) {
      if (f.cells[id.global]->kind == Cell::Variable ||
          f.cells[id.global]->kind == Cell::Constant || f.cells[id.global]->kind == Cell::Object)
        return f.cells[id.global]->value;
      // The library's constants (vbCrLf) and every other name the module does not hold.
      return callIdent(id, f, {}, au::kGetOrCall, false);
    }
    break;
  }
  case EK::Binary:
    return evalBinary(static_cast<const BinaryExpr&>(e), f);
  case EK::Call:
    return findCall(static_cast<const CallExpr&>(e), f, au::kGetOrCall);
  default:
    break;
  }
  return evalOther(e, f);
}

Variant Engine::Impl::evalOther(const Expr& e, Frame& f) {
  switch (e.kind) {
  case EK::Ident: {
    auto& id = static_cast<const IdentExpr&>(e);
    if (id.bind == Bind::MeMember) return f.me->call(*id.member, au::kGetOrCall, {}, true);
    if (id.bind == Bind::Global) return callIdent(id, f, {}, au::kGetOrCall, false);
    au::raise(err::kInternalError);
  }
  case EK::Member: {
    checkStack();
    auto& m = static_cast<const MemberExpr&>(e);
    if (!m.object && m.withSlot < 0) return fail(err::kObjectRequired);
    Variant tmp;
    const Variant& o = m.object ? evalRefS(*m.object, f, tmp) : f.slots[m.withSlot];
    if (failed()) return Variant();
    if (!o.isObject() || !o.asObject()) return fail(err::kObjectRequired, &objectName(m));
    // Held here, not copied: the member may run code that releases the variable's object.
    Ref<au::Object> obj(o.asObject());
    return memberCallObject(obj.get(), m, au::kGetOrCall, {}, f);
  }
  case EK::Me:
    if (!f.me) return fail(err::kObjectRequired);
    return Variant(static_cast<au::Object*>(f.me));
  case EK::Unary: {
    checkStack();
    auto& u = static_cast<const UnaryExpr&>(e);
    Variant tmp;
    const Variant& v = evalRefS(*u.operand, f, tmp);
    if (failed()) return Variant();
    switch (u.op) {
    case Op::Neg:
      if (v.type() == VarType::Integer && v.asInteger() != -32768)
        return Variant(static_cast<int16_t>(-v.asInteger()));
      if (v.type() == VarType::Long && v.asLong() != std::numeric_limits<int32_t>::min())
        return Variant(static_cast<int32_t>(-v.asLong()));
      if (v.type() == VarType::Double) return Variant(-v.asDouble());
      return au::opNeg(v);
    case Op::Not:
      if (v.type() == VarType::Boolean) return Variant(!v.asBool());
      return au::opNot(v);
    case Op::Plus:
      return v.isObject() ? au::valueOf(v) : v;
    default:
      au::raise(err::kInternalError);
    }
  }
  case EK::New:
    return newObject(static_cast<const NewExpr&>(e), f);
  case EK::Paren:
    checkStack();
    return evalS(*static_cast<const ParenExpr&>(e).inner, f);
  case EK::Missing:
    return Variant::missing();
  default:
    break;
  }
  au::raise(err::kInternalError);
}

namespace {
Variant compareValues(Op op, const Variant& l, const Variant& r) {
  switch (op) {
  case Op::Eq:
    return au::opEq(l, r);
  case Op::Ne:
    return au::opNe(l, r);
  case Op::Lt:
    return au::opLt(l, r);
  case Op::Le:
    return au::opLe(l, r);
  case Op::Gt:
    return au::opGt(l, r);
  case Op::Ge:
    return au::opGe(l, r);
  default:
    au::raise(err::kInternalError);
  }
}

// A literal compared with a value of the other kind takes that kind first, as VBScript does:
// `x = "5"` is True when x holds the number 5, and `s = 10` compares text when s holds text.
// Without a literal, a number is less than any text.
bool literalAsOperand(const Variant& lit, const Variant& other, Variant& out) {
  if (lit.isString()) {
    if (other.isNumber()) {
      auto n = au::parseNumber(lit.asString());
      if (!n) return false;
      out = Variant(*n);
      return true;
    }
    if (other.type() == VarType::Date) {
      auto d = au::parseDate(lit.asString(), au::currentLocale());
      if (!d) return false;
      out = Variant::fromDate(*d);
      return true;
    }
    if (other.type() == VarType::Boolean) {
      try {
        out = Variant(au::CBool(lit));
      } catch (const au::Error&) {
        return false;
      }
      return true;
    }
    return false;
  }
  if (lit.type() == VarType::Double && other.type() == VarType::Single) {
    out = Variant(static_cast<float>(lit.asDouble()));
    return true;
  }
  if (lit.isNumber() && other.isString()) {
    out = Variant(au::CStr(lit));
    return true;
  }
  return false;
}

Variant compareOperands(const BinaryExpr& b, const Variant& l, const Variant& r) {
  bool litL = b.left->kind == EK::Literal, litR = b.right->kind == EK::Literal;
  if (litL != litR) {
    Variant converted;
    const Variant& other = litL ? r : l;
    if (!other.isObject() && literalAsOperand(litL ? l : r, other, converted))
      return litL ? compareValues(b.op, converted, r) : compareValues(b.op, l, converted);
  }
  return compareValues(b.op, l, r);
}

// Operands that integer division and Mod take as whole numbers as they stand.
bool plainWhole(const Variant& v) {
  VarType t = v.type();
  return t == VarType::Empty || t == VarType::Boolean || t == VarType::Byte ||
         t == VarType::Integer || t == VarType::Long;
}

// Operands an arithmetic operator takes as numbers without converting anything.
bool plainNumber(const Variant& v) {
  VarType t = v.type();
  return plainWhole(v) || t == VarType::Single || t == VarType::Double || t == VarType::Currency ||
         t == VarType::Date;
}

// An operand that makes toNumber raise Type mismatch: an array or text that is no number.
bool notANumber(const Variant& v) {
  if (v.isArray()) return true;
  return v.isString() && !au::parseNumber(v.asString());
}

// The error the operator would raise on these operands, found without raising it, for what
// scripts meet under On Error Resume Next: division by zero and text or arrays in arithmetic.
// 0 leaves the operator to decide (it may still raise, less often). Follows the order in
// which the operators check.
int32_t operatorFault(Op op, const Variant& l, const Variant& r) {
  switch (op) {
  case Op::Add:
  case Op::Sub:
  case Op::Mul:
  case Op::Div:
    break;
  case Op::IntDiv:
  case Op::Mod: {
    // Whole-number operands whose divisor rounds to 0.
    if (!plainWhole(l)) return 0;
    if (plainWhole(r)) {
      bool zero = r.type() == VarType::Boolean ? !r.asBool() : intOf(r) == 0;
      return zero ? err::kDivisionByZero : 0;
    }
    if (r.type() == VarType::Double)
      return std::fabs(r.asDouble()) <= 0.5 ? err::kDivisionByZero : 0;
    return 0;
  }
  default:
    return 0;
  }
  if (l.isObject() || r.isObject() || l.isNull() || r.isNull()) return 0;
  if (op == Op::Add && ((l.isString() && r.isString()) || l.isEmpty() || r.isEmpty())) return 0;
  if (notANumber(l) || notANumber(r)) return err::kTypeMismatch;
  if (op == Op::Div && plainNumber(l) && plainNumber(r)) {
    double y = au::toNumber(r);
    if (y == 0) return au::toNumber(l) == 0 ? err::kOverflow : err::kDivisionByZero;
  }
  return 0;
}

bool isConcat(const Expr& e) {
  return e.kind == EK::Binary && static_cast<const BinaryExpr&>(e).op == Op::Concat;
}

// An operand of & as the operator takes it: an object by its value, Nothing refused.
void concatValue(Variant& v) {
  if (!v.isObject()) return;
  if (v.isNothing()) au::raise(err::kObjectNotSet);
  v = au::valueOf(v);
}
// ... and then as text, Null left as it is (it adds nothing).
void concatText(Variant& v) {
  if (v.isString() || v.isNull()) return;
  // A counter or an id joined to text: its digits fit in the value, with no string between.
  char digits[12];
  if (auto whole = au::wholeNumberText(v, digits))
    v = Variant(*whole);
  else
    v = Variant(au::CStr(v));
}

} // namespace

// A chain `a & b & c ...` made in one piece. Each operand is evaluated and taken as text
// where its operator would take it, and the result is allocated once at its full length:
// operator by operator, every & would copy the growing text made by the one before it.
Variant Engine::Impl::concatChain(const BinaryExpr& top, Frame& f) {
  checkStack();
  size_t n = 1;
  for (const Expr* e = &top; isConcat(*e); e = static_cast<const BinaryExpr&>(*e).left.get())
    ++n;
  constexpr size_t kInline = 8;
  const Expr* opsInline[kInline];
  Variant valsInline[kInline];
  // Made operand by operand: zeroing them all first costs more than a short chain's copies.
  alignas(std::string_view) unsigned char textsInline[kInline * sizeof(std::string_view)];
  bool readyInline[kInline];
  std::vector<const Expr*> opsMore;
  std::vector<Variant> valsMore;
  std::vector<std::string_view> textsMore;
  std::unique_ptr<bool[]> readyMore;
  const Expr** ops = opsInline;
  Variant* vals = valsInline;
  auto* texts = reinterpret_cast<std::string_view*>(textsInline);
  bool* ready = readyInline;
  if (n > kInline) {
    opsMore.resize(n);
    valsMore.resize(n);
    textsMore.resize(n);
    readyMore = std::make_unique<bool[]>(n);
    ops = opsMore.data();
    vals = valsMore.data();
    texts = textsMore.data();
    ready = readyMore.get();
  }
  const Expr* e = &top;
  for (size_t i = n - 1; i > 0; --i) {
    auto& link = static_cast<const BinaryExpr&>(*e);
    ops[i] = link.right.get();
    e = link.left.get();
  }
  ops[0] = e;
  size_t total = 0;
  bool allNull = true;
  auto count = [&](size_t i, std::string_view t) {
    allNull = false;
    texts[i] = t;
    total += t.size();
    au::checkStringSize(total);
  };
  // An operand already text (a literal) needs neither step.
  auto value = [&](size_t i) {
    if (!ready[i]) concatValue(vals[i]);
  };
  auto take = [&](size_t i) {
    if (ready[i]) return;
    concatText(vals[i]);
    if (vals[i].isNull()) return;
    count(i, vals[i].asString());
  };
  for (size_t i = 0; i < n; ++i) {
    const Expr& op = *ops[i];
    ready[i] = false;
    ::new (static_cast<void*>(&texts[i])) std::string_view();
    if (op.kind == EK::Literal) {
      // A literal's text is read where it is kept: nothing the other operands run changes it.
      const Variant& lit = evalRefS(op, f, vals[i]);
      if (lit.isString()) {
        ready[i] = true;
        count(i, lit.asString());
      } else {
        vals[i] = lit;
      }
    } else {
      computeInto(vals[i], op, f);
      if (failed()) return Variant();
    }
    if (i == 0) continue;
    // The first operator takes both its operands' values before either text.
    if (i == 1) value(0);
    value(i);
    if (i == 1) take(0);
    take(i);
  }
  if (allNull) return Variant::null();
  return Variant::joined(texts, n, total);
}

// The operands of an operator, left first; null when one fails (its error pending). `tl` and
// `tr` are empty variants that hold computed values.
[[gnu::always_inline]] inline std::pair<const Variant*, const Variant*>
Engine::Impl::operands(const BinaryExpr& b, Frame& f, Variant& tl, Variant& tr) {
  if (b.rightLiteral) {
    const Variant& l = evalRefS(*b.left, f, tl);
    if (failed()) return {nullptr, nullptr};
    return {&l, b.rightLiteral};
  }
  // A left operand read in place could change while the right one runs code.
  const Variant& l = isSimple(*b.right) ? evalRefS(*b.left, f, tl) : computeInto(tl, *b.left, f);
  if (failed()) return {nullptr, nullptr};
  const Variant& r = evalRefS(*b.right, f, tr);
  if (failed()) return {nullptr, nullptr};
  return {&l, &r};
}

// An operator on its operands' values: whole numbers and Doubles here, the rest in operate.
[[gnu::always_inline]] inline Variant Engine::Impl::binaryValues(const BinaryExpr& b,
                                                                 const Variant& l,
                                                                 const Variant& r) {
  VarType lt = l.type(), rt = r.type();
  if (isWhole(lt) && isWhole(rt)) {
    int64_t a = wholeOf(l), c = wholeOf(r);
    switch (b.op) {
    case Op::Add:
      return wholeResult(a + c, lt, rt);
    case Op::Sub:
      return wholeResult(a - c, lt, rt);
    case Op::Mul:
      return wholeResult(a * c, lt, rt);
    case Op::Mod:
      if (c != 0) return wholeResult(a % c, lt, rt);
      break;
    case Op::IntDiv:
      if (c != 0) return wholeResult(a / c, lt, rt);
      break;
    case Op::Div:
      if (c != 0) return Variant(static_cast<double>(a) / static_cast<double>(c));
      break;
    case Op::Eq:
    case Op::Ne:
    case Op::Lt:
    case Op::Le:
    case Op::Gt:
    case Op::Ge:
      return Variant(compareAs(b.op, a, c));
    default:
      break;
    }
  } else if ((lt == VarType::Double || rt == VarType::Double) &&
             (lt == VarType::Double || isWhole(lt)) && (rt == VarType::Double || isWhole(rt))) {
    // Whole numbers mixed with a Double: Double arithmetic and comparison.
    double a = lt == VarType::Double ? l.asDouble() : static_cast<double>(intOf(l));
    double c = rt == VarType::Double ? r.asDouble() : static_cast<double>(intOf(r));
    // A result beyond Double's range goes to the general rule, which raises Overflow.
    switch (b.op) {
    case Op::Add:
      if (std::isfinite(a + c)) return Variant(a + c);
      break;
    case Op::Sub:
      if (std::isfinite(a - c)) return Variant(a - c);
      break;
    case Op::Mul:
      if (std::isfinite(a * c)) return Variant(a * c);
      break;
    case Op::Div:
      if (c != 0 && std::isfinite(a / c)) return Variant(a / c);
      break;
    case Op::Eq:
    case Op::Ne:
    case Op::Lt:
    case Op::Le:
    case Op::Gt:
    case Op::Ge:
      return Variant(compareAs(b.op, a, c));
    default:
      break;
    }
  }
  return operate(b, l, r);
}

bool Engine::Impl::conditionSlow(const Expr& e, Frame& f) {
  if (e.kind == EK::Binary && isComparison(static_cast<const BinaryExpr&>(e).op)) {
    // A comparison of whole numbers decides without building a Boolean value.
    auto& b = static_cast<const BinaryExpr&>(e);
    checkStack();
    Variant tl, tr;
    auto [l, r] = operands(b, f, tl, tr);
    if (!l) return false;
    if (isWhole(l->type()) && isWhole(r->type())) return compareAs(b.op, wholeOf(*l), wholeOf(*r));
    Variant v = binaryValues(b, *l, *r);
    if (failed()) return false;
    return v.type() == VarType::Boolean ? v.asBool() : au::isTrue(v);
  }
  Variant tmp;
  const Variant& v = evalRefS(e, f, tmp);
  if (failed()) [[unlikely]]
    return false;
  if (v.type() == VarType::Boolean) return v.asBool();
  return au::isTrue(v.isObject() ? au::valueOf(v) : v);
}

Variant Engine::Impl::evalBinary(const BinaryExpr& b, Frame& f) {
  if (b.leafOperands) return operandsInPlace(b, f);
  if (b.wholeTree) {
    const WholeValue w = wholeTree(b, *this, f);
    if (w.type == VarType::Integer) return Variant(static_cast<int16_t>(w.value));
    if (w.type == VarType::Long) return Variant(static_cast<int32_t>(w.value));
    if (w.type == VarType::Boolean) return Variant(w.value != 0);
  }
  return evalOperands(b, f);
}

// An operator over two names or literals (BinaryExpr::leafOperands): those that are
// variables or literals are read where they are kept.
Variant Engine::Impl::operandsInPlace(const BinaryExpr& b, Frame& f) {
  auto inPlace = [&f](const Expr& e) -> const Variant* {
    if (e.kind == EK::Literal) return &static_cast<const LiteralExpr&>(e).value;
    return e.kind == EK::Ident ? valueInPlace(static_cast<const IdentExpr&>(e), f) : nullptr;
  };
  const Variant* l = inPlace(*b.left);
  const Variant* r = b.rightLiteral ? b.rightLiteral : inPlace(*b.right);
  if (l && r) return binaryValues(b, *l, *r);
  return evalOperands(b, f);
}

// Kept out of evalBinary so a whole-number tree, the most common operator, is worked out
// without the registers and stack room the general way needs.
Variant Engine::Impl::evalOperands(const BinaryExpr& b, Frame& f) {
  if (b.op == Op::Concat && isConcat(*b.left)) [[unlikely]]
    return concatChain(b, f);
  Variant tl, tr;
  auto [l, r] = operands(b, f, tl, tr);
  if (!l) return Variant();
  return binaryValues(b, *l, *r);
}

// The operators on values the fast cases above do not take.
Variant Engine::Impl::operate(const BinaryExpr& b, const Variant& l, const Variant& r) {
  VarType lt = l.type(), rt = r.type();
  if (int32_t fault = operatorFault(b.op, l, r)) [[unlikely]]
    return fail(fault);
  switch (b.op) {
  case Op::Add:
    return au::opAdd(l, r);
  case Op::Sub:
    return au::opSub(l, r);
  case Op::Mul:
    return au::opMul(l, r);
  case Op::Div:
    return au::opDiv(l, r);
  case Op::IntDiv:
    return au::opIntDiv(l, r);
  case Op::Mod:
    return au::opMod(l, r);
  case Op::Pow:
    return au::opPow(l, r);
  case Op::Concat:
    if (lt == VarType::String && rt == VarType::String) {
      au::checkStringSize(l.asString().size() + r.asString().size());
      return Variant::concat(l.asString(), r.asString());
    }
    return au::opConcat(l, r);
  case Op::Eq:
    if (lt == VarType::String && rt == VarType::String)
      return Variant(l.asString() == r.asString());
    return compareOperands(b, l, r);
  case Op::Ne:
    if (lt == VarType::String && rt == VarType::String)
      return Variant(l.asString() != r.asString());
    return compareOperands(b, l, r);
  case Op::Lt:
  case Op::Le:
  case Op::Gt:
  case Op::Ge:
    return compareOperands(b, l, r);
  case Op::Is:
    return Variant(au::opIs(l, r));
  case Op::And:
    if (lt == VarType::Boolean && rt == VarType::Boolean) return Variant(l.asBool() && r.asBool());
    return au::opAnd(l, r);
  case Op::Or:
    if (lt == VarType::Boolean && rt == VarType::Boolean) return Variant(l.asBool() || r.asBool());
    return au::opOr(l, r);
  case Op::Xor:
    return au::opXor(l, r);
  case Op::Eqv:
    return au::opEqv(l, r);
  case Op::Imp:
    return au::opImp(l, r);
  default:
    au::raise(err::kInternalError);
  }
}

namespace {

const ProcDef* procForCall(const ClassMember& m, int kind) {
  if (m.method) return m.method;
  if ((kind & au::kPropertyGet) && m.get) return m.get;
  return nullptr;
}

} // namespace

// Whether each argument with arguments of its own that goes to a ByRef parameter is a call
// of a function (the script's, the object's, the library's), so a value: one that may be an
// element of an array goes through the general path, which passes the element itself.
bool Engine::Impl::indexedCallsOnly(const ProcDef& p, const CallExpr& c, const Frame& f) {
  for (size_t i = 0; i < c.args.size(); ++i) {
    const Expr& a = *c.args[i];
    if (a.kind != EK::Call || !((p.byRefMask >> i) & 1)) continue;
    const Expr& callee = *static_cast<const CallExpr&>(a).callee;
    if (callee.kind != EK::Ident) continue;
    auto& id = static_cast<const IdentExpr&>(callee);
    if (id.bind == Bind::MeMember) continue;
    if (id.bind != Bind::Global) return false;
    const Cell* cell = f.cells[id.global];
    if (cell->kind == Cell::Undefined && f.link->outer[id.global])
      cell = f.link->outer[id.global];
    if (cell->kind == Cell::Procedure) continue;
    if (cell->kind != Cell::Undefined || id.declaredLocal || (!id.builtin && id.intrinsic < 0))
      return false;
  }
  return true;
}

// A call whose arguments have arguments of their own: straight into the frame unless one may
// be an array element passed by reference.
Variant Engine::Impl::invokeIndexed(const ProcDef& p, LinkedProgram& link, ScriptObject* me,
                                    const CallExpr& c, Frame& f, int kind) {
  if (indexedCallsOnly(p, c, f)) return invokeDirect(p, link, me, c.args, f);
  return callOther(c, f, kind);
}

// Calls a script procedure, evaluating the arguments straight into its frame. An argument that
// fails leaves its error pending, and the procedure does not run. The caller holds `me` (the
// object it called, or its own frame's object) until the call returns.
Variant Engine::Impl::invokeDirect(const ProcDef& p, LinkedProgram& link, ScriptObject* me,
                                   const std::vector<ExprPtr>& args, Frame& f) {
  tick();
  checkStack();
  SlotStack::Mark mark;
  Variant* const slots = stack.push(static_cast<size_t>(p.slotCount), mark);
  ProcSlots frameSlots{stack, mark, p, slots};
  const size_t n = args.size();
  const ExprPtr* argv = args.data();
  Variant* bound[kDirectArgs];
  for (size_t i = 0; i < n; ++i) {
    const Expr& a = *argv[i];
    if (((p.byRefMask >> i) & 1) && a.kind == EK::Ident) {
      auto& id = static_cast<const IdentExpr&>(a);
      Variant* v = boundVariable(id, f);
      if (!v && !(v = varOf(id, f, true)) && failed())
        return Variant(); // the procedure does not run
      if (v) {
        bound[i] = v;
        continue;
      }
    }
    // A fresh frame's slots hold nothing: the value is built in place, an operator's (n - 1)
    // with no hop through evalS.
    void* slot = &slots[i];
    if (a.kind == EK::Binary)
      ::new (slot) Variant(evalBinary(static_cast<const BinaryExpr&>(a), f));
    else
      ::new (slot) Variant(evalS(a, f));
    bound[i] = &slots[i];
    if (failed()) return Variant(); // the procedure does not run
  }
  Frame fr(p, link, me, slots, bound, n);
  // The stack was looked at on the way in.
  runBlock(p.body, fr);
  if (p.resultSlot >= 0) return std::move(slots[p.resultSlot]);
  return Variant();
}

// A call of an object's member: script methods go straight into the callee's frame. The
// method of an object held in a variable, with arguments that fit the frame, is found here
// with no temporary; the rest goes out of line.
Variant Engine::Impl::callMember(const CallExpr& c, const MemberExpr& m, Frame& f, int kind) {
  if (c.directArgs >= 0 && m.object && m.object->kind == EK::Ident) {
    const Variant* ov = boundVariable(static_cast<const IdentExpr&>(*m.object), f);
    if (ov && ov->isObject() && ov->asObject() &&
        &typeid(*ov->asObject()) == &typeid(ScriptObject)) {
      auto* so = static_cast<ScriptObject*>(ov->asObject());
      LinkedProgram::Site& cache = f.link->sites[static_cast<size_t>(m.site)];
      if (cache.cls == so->cls().id && cache.member) {
        const ProcDef* target = procForCall(*cache.member, kind);
        if (target && target->arity == c.directArgs && !c.indexedArgs &&
            so->cls().engine == &eng && (cache.member->isPublic || so == f.me)) {
          // Held here: the arguments may release the variable's object.
          Ref<ScriptObject> keep(so);
          return invokeDirect(*target, *so->cls().link, so, c.args, f);
        }
      }
    }
  }
  return callMemberSlow(c, m, f, kind);
}

Variant Engine::Impl::callMemberSlow(const CallExpr& c, const MemberExpr& m, Frame& f, int kind) {
  Variant tmp;
  if (!m.object && m.withSlot < 0) return fail(err::kObjectRequired);
  const Variant& ov = m.object ? evalRefS(*m.object, f, tmp) : f.slots[m.withSlot];
  if (failed()) return Variant();
  if (!ov.isObject() || !ov.asObject()) return fail(err::kObjectRequired, &objectName(m));
  // Held here: the arguments may release the variable's object.
  Ref<au::Object> obj(ov.asObject());
  if (obj.get() == &eng.err() && c.args.size() <= 5 && m.name.size() == 5 &&
      strncasecmp(m.name.c_str(), "raise", 5) == 0) {
    // Err.Raise: the raised error is the statement's status, not an exception.
    ArgBuf buf;
    buf.init(c.args.size());
    if (!ArgEval{*this, f}.run(c.args, buf, nullptr, false)) return Variant();
    return fail(ErrObject::raised(buf.args()));
  }
  const ProcDef* target = nullptr;
  {
    if (&typeid(*obj) == &typeid(ScriptObject)) {
      auto* so = static_cast<ScriptObject*>(obj.get());
      LinkedProgram::Site& cache = f.link->sites[static_cast<size_t>(m.site)];
      if (cache.cls != so->cls().id) {
        cache.member = so->cls().find(m.name);
        cache.cls = so->cls().id;
      }
      if (cache.member) target = procForCall(*cache.member, kind);
      if (target && so->cls().engine == &eng && (cache.member->isPublic || so == f.me) &&
          directCall(*target, c, f))
        return invokeDirect(*target, *so->cls().link, so, c.args, f);
    }
  }
  if (!target && c.args.size() <= 3) {
    // A native member: plain variables by reference, the rest by value, no argument list.
    Variant argv[3];
    Variant* refs[3] = {&argv[0], &argv[1], &argv[2]};
    quickArgs(*this, c.args, f, argv, refs);
    return memberCallObject(obj.get(), m, kind, Args(refs, c.args.size()), f);
  }
  ArgBuf buf;
  buf.init(c.args.size());
  if (!ArgEval{*this, f}.run(c.args, buf, target, true)) return Variant();
  return memberCallObject(obj.get(), m, kind, buf.args(), f);
}

// A procedure of the module called by its name, the most common call, goes into its frame
// from the caller; everything else is found out of line. Only the statements and operands that
// are calls take this: in evalS, which every value passes, it would cost every value.
[[gnu::always_inline]] inline Variant Engine::Impl::callExpr(const CallExpr& c, Frame& f,
                                                             int kind) {
  if (c.callee->kind == EK::Ident && !c.indexedArgs) {
    auto& id = static_cast<const IdentExpr&>(*c.callee);
    if (id.bind == Bind::Global) {
      const Cell* cell = f.cells[id.global];
      if (cell->kind == Cell::Procedure && cell->proc->arity == c.directArgs)
        return invokeDirect(*cell->proc, *cell->owner, nullptr, c.args, f);
    }
  } else if (c.callee->kind == EK::Member) {
    return callMember(c, static_cast<const MemberExpr&>(*c.callee), f, kind);
  }
  return findCall(c, f, kind);
}

// Calls of script procedures go straight into the callee's frame from here; everything else
// (library functions, objects, arrays, intrinsics) is left to callOther.
Variant Engine::Impl::findCall(const CallExpr& c, Frame& f, int kind) {
  if (c.callee->kind == EK::Ident) {
    auto& id = static_cast<const IdentExpr&>(*c.callee);
    const ProcDef* target = nullptr;
    LinkedProgram* link = nullptr;
    ScriptObject* me = nullptr;
    if (id.bind == Bind::Global) {
      Cell* cell = f.cells[id.global];
      if (cell->kind == Cell::Undefined && f.link->outer[id.global])
        cell = f.link->outer[id.global];
      if (cell->kind == Cell::Procedure) {
        target = cell->proc;
        link = cell->owner.get();
      } else if (cell->kind == Cell::Undefined && id.builtin && id.intrinsic < 0 &&
                 c.args.size() <= 3 && memberObjects.empty()) {
        return callLibrary(c, id, f);
      }
    } else if (id.bind == Bind::MeMember && f.me) {
      target = procForCall(*id.member, kind);
      me = f.me;
      link = me->cls().link.get();
    }
    if (target && target->arity == c.directArgs)
      return c.indexedArgs ? invokeIndexed(*target, *link, me, c, f, kind)
                           : invokeDirect(*target, *link, me, c.args, f);
  } else if (c.callee->kind == EK::Member) {
    return callMember(c, static_cast<const MemberExpr&>(*c.callee), f, kind);
  }
  return callOther(c, f, kind);
}

// A function of the library given at most three arguments: plain variables by reference (no
// copies), the rest by value, no argument list. The caller has found the name to be the
// library's here.
Variant Engine::Impl::callLibrary(const CallExpr& c, const IdentExpr& id, Frame& f) {
  // LBound or UBound of an array variable, read where it lives.
  int32_t bound;
  if (c.arrayBound != CallExpr::kNoBound && arrayVariableBound(c, f, bound)) return Variant(bound);
  return callLibraryArgs(c, id, f);
}

Variant Engine::Impl::callLibraryArgs(const CallExpr& c, const IdentExpr& id, Frame& f) {
  const Builtin& b = *id.builtin;
  int n = static_cast<int>(c.args.size());
  if (b.use == kStatementOnly) return fail(err::kTypeMismatch, &id.name);
  if (n < b.minArgs || (b.maxArgs >= 0 && n > b.maxArgs))
    return fail(err::kWrongArgumentCount, &id.name);
  Variant argv[3];
  Variant* refs[3] = {&argv[0], &argv[1], &argv[2]};
  quickArgs(*this, c.args, f, argv, refs);
  BuiltinCall call{Args(refs, static_cast<size_t>(n)), &eng};
  Variant r = b.fn(call);
  if (call.fault) [[unlikely]]
    return fail(call.fault);
  return r;
}

Variant Engine::Impl::callOther(const CallExpr& c, Frame& f, int kind) {
  ArgEval ae{*this, f};
  const Expr& callee = *c.callee;
  if (callee.kind == EK::Ident) {
    auto& id = static_cast<const IdentExpr&>(callee);
    const ProcDef* target = nullptr;
    bool varRefs = true;
    switch (id.bind) {
    case Bind::Local:
    case Bind::Ref:
    case Bind::Field:
      if (c.args.size() <= 3) return callIndexed(c, id, f, kind);
      varRefs = false;
      break; // an index
    case Bind::MeMember:
      target = procForCall(*id.member, kind);
      break;
    case Bind::Global: {
      Cell* cell = f.cells[id.global];
      if (cell->kind == Cell::Undefined && f.link->outer[id.global])
        cell = f.link->outer[id.global];
      if (cell->kind == Cell::Procedure)
        target = cell->proc;
      else if (cell->kind == Cell::Variable)
        varRefs = cell->value.isObject();
      break;
    }
    default:
      break;
    }
    if (id.intrinsic >= 0 && f.cells[id.global]->kind == Cell::Undefined) varRefs = false;
    if (!target && c.args.size() <= 3) {
      // No array element to bind for a procedure: a few arguments go on the stack.
      Variant argv[3];
      Variant* refs[3] = {&argv[0], &argv[1], &argv[2]};
      for (size_t i = 0; i < c.args.size(); ++i)
        if (!ae.one(*c.args[i], argv[i], refs[i], varRefs)) return Variant();
      Args args(refs, c.args.size());
      if (id.bind == Bind::Global && !args.empty()) {
        // An object the module holds (`d(k)`): its default member, as callIdent would find it.
        const Cell& cell = *f.cells[id.global];
        if ((cell.kind == Cell::Variable || cell.kind == Cell::Constant ||
             cell.kind == Cell::Object) &&
            cell.value.isObject() && cell.value.asObject()) {
          // Held here: the member may release the variable's object.
          Ref<au::Object> obj(cell.value.asObject());
          return obj->invokeDefault(kind, args);
        }
      }
      return callIdent(id, f, args, kind, true);
    }
    ArgBuf buf;
    buf.init(c.args.size());
    if (!ae.run(c.args, buf, target, varRefs)) return Variant();
    return callIdent(id, f, buf.args(), kind, true);
  }
  Variant v = evalS(callee, f);
  if (failed()) return Variant();
  ArgBuf buf;
  buf.init(c.args.size());
  if (!ae.run(c.args, buf, nullptr, false)) return Variant();
  return indexValue(v, buf.args(), kind, "", this);
}

// A variable of the procedure or the object given at most three arguments: an array's element
// or its object's default member (`d(k)`). The arguments go by value, on the stack.
Variant Engine::Impl::callIndexed(const CallExpr& c, const IdentExpr& id, Frame& f, int kind) {
  const size_t n = c.args.size();
  Variant argv[3];
  Variant* refs[3] = {&argv[0], &argv[1], &argv[2]};
  ArgEval ae{*this, f};
  for (size_t i = 0; i < n; ++i)
    if (!ae.one(*c.args[i], argv[i], refs[i], false)) return Variant();
  // Read after the arguments: they may have run code that changed the variable.
  const Variant& v = *boundVariable(id, f); // a local, a ByRef parameter or a field
  if (n > 0 && v.isObject() && v.asObject()) {
    // Held here: the member may release the variable's object.
    Ref<au::Object> obj(v.asObject());
    return obj->invokeDefault(kind, Args(refs, n));
  }
  return indexValue(v, Args(refs, n), kind, id.name, this);
}

// An element of an array held in a variable of the procedure, the object or the module:
// indices on the stack, no argument list. False when the target is anything else, for the
// general assignment to decide.
bool Engine::Impl::storeElement(const CallExpr& c, Variant& value, Frame& f) {
  if (c.callee->kind != EK::Ident || c.args.size() > 4) return false;
  auto& id = static_cast<const IdentExpr&>(*c.callee);
  Variant* v = boundVariable(id, f);
  if (!v || !v->isArray()) return false;
  if (c.args.size() != 1) return storeElements(c, value, f);
  // One index, the common case: no index list, and the bounds looked at in place.
  const Expr& ie = *c.args[0];
  Variant tmp;
  const Variant& iv = evalRefS(ie, f, tmp);
  if (failed()) return true;
  const int32_t i = indexOf(iv);
  if (!isSimple(ie)) {
    // The index may have run code that changed the variable.
    v = boundVariable(id, f);
    if (!v || !v->isArray()) au::raise(err::kTypeMismatch);
  }
  SafeArray& arr = v->arrayForWrite();
  const auto& bounds = arr.bounds();
  if (bounds.size() != 1) return (fail(err::kSubscriptOutOfRange), true);
  const int64_t at = int64_t(i) - bounds[0].lower;
  if (at < 0 || at >= bounds[0].count) return (fail(err::kSubscriptOutOfRange), true);
  arr.data()[static_cast<size_t>(at)] = std::move(value);
  return true;
}

bool Engine::Impl::storeElements(const CallExpr& c, Variant& value, Frame& f) {
  auto& id = static_cast<const IdentExpr&>(*c.callee);
  Variant* v = boundVariable(id, f);
  int32_t idx[4];
  bool ranCode = false;
  for (size_t i = 0; i < c.args.size(); ++i) {
    Variant tmp;
    const Variant& iv = evalRefS(*c.args[i], f, tmp);
    if (failed()) return true;
    idx[i] = indexOf(iv);
    ranCode |= !isSimple(*c.args[i]);
  }
  if (ranCode) {
    // The index may have run code that changed the variable.
    v = boundVariable(id, f);
    if (!v || !v->isArray()) au::raise(err::kTypeMismatch);
  }
  Variant* el = elementAt(v->arrayForWrite(), std::span<const int32_t>(idx, c.args.size()));
  if (!el) return (fail(err::kSubscriptOutOfRange), true);
  *el = std::move(value);
  return true;
}

void Engine::Impl::assign(const Expr& target, Variant value, bool isSet, Frame& f) {
  int kind = isSet ? au::kPropertySet : au::kPropertyLet;
  switch (target.kind) {
  case EK::Ident: {
    auto& id = static_cast<const IdentExpr&>(target);
    if (id.bind == Bind::MeMember) {
      f.me->call(*id.member, kind, au::ArgList(&value, 1), true);
      return;
    }
    if (Variant* v = varOf(id, f, true)) {
      *v = std::move(value);
      return;
    }
    if (failed()) return;
    if (id.bind == Bind::Global && f.cells[id.global]->kind == Cell::Undefined) {
      for (auto& o : memberObjects)
        if (o.asObject()->classInfo().find(id.name)) {
          o.asObject()->invoke(id.name, kind, au::ArgList(&value, 1));
          return;
        }
    }
    raiseNamed(err::kIllegalAssignment, id.name);
  }
  case EK::Member: {
    auto& m = static_cast<const MemberExpr&>(target);
    Variant obj = m.object ? eval(*m.object, f) : withObject(m, f);
    memberCall(obj, m, kind, au::ArgList(&value, 1), f);
    return;
  }
  case EK::Call: {
    auto& c = static_cast<const CallExpr&>(target);
    if (c.callee->kind == EK::Ident) {
      auto& id = static_cast<const IdentExpr&>(*c.callee);
      if (id.bind == Bind::Global && id.lower == "mid" &&
          f.cells[id.global]->kind == Cell::Undefined &&
          (!f.link->outer[id.global] || f.link->outer[id.global]->kind == Cell::Undefined)) {
        // The Mid statement: Mid(var, start[, length]) = text
        if (c.args.size() < 2 || c.args.size() > 3) raiseNamed(err::kWrongArgumentCount, id.name);
        Variant* v = c.args[0]->kind == EK::Ident
                         ? varOf(static_cast<const IdentExpr&>(*c.args[0]), f, true)
                         : nullptr;
        if (failed()) return;
        if (!v) raiseNamed(err::kTypeMismatch, id.name);
        Variant start = letValue(eval(*c.args[1], f));
        Variant length = c.args.size() > 2 ? letValue(eval(*c.args[2], f)) : Variant::missing();
        *v = midStatement(*v, start, length, value);
        return;
      }
    }
    if (storeElement(c, value, f)) return;
    ArgBuf buf;
    buf.init(c.args.size() + 1);
    ArgEval ae{*this, f};
    if (c.callee->kind == EK::Member) {
      auto& m = static_cast<const MemberExpr&>(*c.callee);
      Variant obj = m.object ? eval(*m.object, f) : withObject(m, f);
      if (!ae.run(c.args, buf, nullptr, false)) return;
      buf.data[c.args.size()] = std::move(value);
      memberCall(obj, m, kind, buf.args(), f);
      return;
    }
    if (!ae.run(c.args, buf, nullptr, false)) return;
    buf.data[c.args.size()] = std::move(value);
    Args idxArgs = buf.first(c.args.size());
    if (c.callee->kind == EK::Ident) {
      auto& id = static_cast<const IdentExpr&>(*c.callee);
      if (id.bind == Bind::MeMember) {
        f.me->call(*id.member, kind, buf.args(), true);
        return;
      }
      Variant* v = varOf(id, f, false);
      if (failed()) return;
      if (v && v->isArray()) {
        std::vector<int32_t> idx;
        toIndices(idxArgs, idx);
        Variant* el = elementAt(v->arrayForWrite(), idx);
        if (!el) return (void)fail(err::kSubscriptOutOfRange);
        *el = std::move(buf.data[c.args.size()]);
        return;
      }
      if (v && v->isObject()) {
        if (v->isNothing()) raiseNamed(err::kObjectRequired, id.name);
        Ref<au::Object> keep(v->asObject());
        keep->invokeDefault(kind, buf.args());
        return;
      }
      if (!v && id.bind == Bind::Global) {
        Cell* cell = f.cells[id.global]->kind == Cell::Undefined && f.link->outer[id.global]
                         ? f.link->outer[id.global]
                         : f.cells[id.global];
        if (cell->kind == Cell::Object && cell->value.isObject() && !cell->value.isNothing()) {
          cell->value.asObject()->invokeDefault(kind, buf.args());
          return;
        }
      }
      raiseNamed(err::kTypeMismatch, id.name);
    }
    Variant obj = eval(*c.callee, f);
    if (!obj.isObject() || obj.isNothing()) au::raise(err::kObjectRequired);
    obj.asObject()->invokeDefault(kind, buf.args());
    return;
  }
  default:
    au::raise(err::kIllegalAssignment);
  }
}

Variant Engine::Impl::newObject(const NewExpr& n, Frame& f) {
  Cell* c = f.cells[n.global];
  if (c->kind != Cell::Class && f.link->outer[n.global] &&
      f.link->outer[n.global]->kind == Cell::Class)
    c = f.link->outer[n.global];
  if (c->kind == Cell::Class) return Variant(eng.instantiate(c->cls));
  // Classes the runtime provides (`New RegExp`) come from the library or the factory.
  if (n.lower == "regexp")
    if (Ref<au::Object> re = newRegExp()) return Variant(re);
  if (au::isRegistered(n.name)) return Variant(au::create(n.name));
  std::string qualified = "VBScript." + n.name;
  if (au::isRegistered(qualified)) return Variant(au::create(qualified));
  raiseNamed(err::kClassNotDefined, n.name);
}

// ---- procedures and classes

Variant Engine::callProc(const ProcDef& p, LinkedProgram& link, ScriptObject* me, Args args) {
  Impl& im = *impl_;
  const size_t n = args.size();
  if (n != static_cast<size_t>(p.arity)) raiseNamed(err::kWrongArgumentCount, p.name);
  im.tick();
  im.checkStack();
  Ref<ScriptObject> keep(me);
  SlotStack::Mark mark;
  Variant* const slots = im.stack.push(static_cast<size_t>(p.slotCount), mark);
  ProcSlots frameSlots{im.stack, mark, p, slots};
  RefTable refs(n);
  for (size_t i = 0; i < n; ++i) {
    if (i < 64 ? (p.byRefMask >> i) & 1 : p.params[i].byRef) {
      refs.data[i] = &args[i];
    } else {
      slots[i] = args[i];
      refs.data[i] = &slots[i];
    }
  }
  Frame fr(p, link, me, slots, refs.data, n);
  // The stack was looked at on the way in.
  im.runBlock(p.body, fr);
  if (p.resultSlot >= 0) return std::move(slots[p.resultSlot]);
  return Variant();
}

Ref<ScriptObject> Engine::instantiate(const std::shared_ptr<ClassDef>& cls) {
  Ref<ScriptObject> obj(new ScriptObject(cls));
  Impl& im = *impl_;
  if (cls->decl) {
    for (size_t i = 0; i < cls->decl->fields.size(); ++i) {
      auto& fd = cls->decl->fields[i];
      if (!fd.isArray) continue;
      std::vector<SafeArray::Bound> bounds;
      Frame fr;
      fr.setLink(*cls->link);
      for (auto& d : fd.dims)
        bounds.push_back(SafeArray::Bound::fromUpper(au::CLng(letValue(im.eval(*d, fr)))));
      if (bounds.empty()) bounds.push_back({0, 0});
      Ref<SafeArray> arr = SafeArray::create(std::move(bounds));
      if (!fd.dims.empty()) arr->setFixed(true);
      obj->fields()[i] = Variant(std::move(arr));
    }
  }
  if (cls->decl->initialize) callProc(*cls->decl->initialize, *cls->link, obj.get(), {});
  return obj;
}

ScriptObject::ScriptObject(std::shared_ptr<ClassDef> c) : cls_(std::move(c)) {
  fields_.resize(cls_->decl ? cls_->decl->fields.size() : 0);
}

ScriptObject::~ScriptObject() {
  au::releaseValues(fields_);
}

namespace {

// The member calls ScriptObject::call does not make straight away: assignments, indexes of
// what a field or a property holds, and the errors.
[[gnu::noinline]] Variant callMemberOther(ScriptObject& self, const ClassMember& m, int kind,
                                          Args args) {
  if (m.field >= 0) {
    Variant& fv = self.fields()[static_cast<size_t>(m.field)];
    if (kind & (au::kPropertyLet | au::kPropertySet)) {
      if (args.empty()) au::raise(err::kWrongArgumentCount);
      Variant value = args.back();
      Args idx = args.first(args.size() - 1);
      if (kind & au::kPropertySet) {
        if (!value.isObject()) au::raise(err::kObjectRequired);
      } else {
        value = letValue(std::move(value));
      }
      if (idx.empty()) {
        fv = std::move(value);
        return Variant();
      }
      if (fv.isArray()) {
        std::vector<int32_t> ix;
        toIndices(idx, ix);
        fv.arrayForWrite().at(ix) = std::move(value);
        return Variant();
      }
      if (fv.isObject() && !fv.isNothing()) {
        Ref<au::Object> keep(fv.asObject());
        return keep->invokeDefault(kind, args);
      }
      raiseNamed(err::kTypeMismatch, m.name);
    }
    return indexValue(fv, args, kind, m.name);
  }
  Engine* e = self.cls().engine;
  if (!e) au::raise(err::kObjectRequired, "The script engine of this object has been reset");
  if (kind & au::kPropertySet) {
    if (m.set) return e->callProc(*m.set, *self.cls().link, &self, args);
    if (m.let) return e->callProc(*m.let, *self.cls().link, &self, args);
    raiseNamed(err::kNoSuchMember, m.name);
  }
  if (kind & au::kPropertyLet) {
    if (m.let) return e->callProc(*m.let, *self.cls().link, &self, args);
    raiseNamed(err::kNoSuchMember, m.name);
  }
  const ProcDef* getter = m.method ? m.method : m.get;
  if (!getter) raiseNamed(err::kNoSuchMember, m.name);
  if (getter->params.empty() && !args.empty() && getter->returnsValue()) {
    // Arguments to a member that takes none index what it returns.
    return indexValue(e->callProc(*getter, *self.cls().link, &self, {}), args, kind, m.name);
  }
  return e->callProc(*getter, *self.cls().link, &self, args);
}

} // namespace

Variant ScriptObject::call(const ClassMember& m, int kind, Args args, bool inside) {
  if (!inside && !m.isPublic) raiseNamed(err::kNoSuchMember, m.name);
  // A field read, a method, or a property read with the arguments its procedure takes:
  // straight on, with no frame of its own.
  if (!(kind & (au::kPropertyLet | au::kPropertySet))) {
    if (m.field >= 0) {
      if (args.empty()) return fields_[static_cast<size_t>(m.field)];
    } else if (cls_->engine) {
      const ProcDef* getter = m.method ? m.method : m.get;
      if (getter && (getter->arity != 0 || args.empty() || !getter->returnsValue()))
        return cls_->engine->callProc(*getter, *cls_->link, this, args);
    }
  }
  return callMemberOther(*this, m, kind, args);
}

Variant ScriptObject::invoke(std::string_view name, int kind, Args args) {
  const ClassMember* m = cls_->find(name);
  if (!m || !m->isPublic) raiseNamed(err::kNoSuchMember, std::string(name));
  return call(*m, kind, args, false);
}

Variant ScriptObject::invokeDefault(int kind, Args args) {
  if (!cls_->decl->defaultMember) au::raise(err::kNoSuchMember);
  return call(*cls_->decl->defaultMember, kind, args, false);
}

void ScriptObject::lastReleased() noexcept {
  if (!terminated_ && cls_->decl->terminate && cls_->engine) {
    terminated_ = true;
    addRef(); // alive while the handler runs
    // The handler may run while another error is on its way out (a frame being released):
    // whatever it raises is dropped, and so is the place it would have recorded.
    Engine::Impl& im = *cls_->engine->impl_;
    bool located = im.located;
    int line = im.errLine, col = im.errCol;
    au::ReleaseBarrier barrier;
    try {
      // The last release may come from native code after the script has finished: the
      // handler still runs under the engine's stack check and limits.
      EntryGuard guard(im);
      cls_->engine->callProc(*cls_->decl->terminate, *cls_->link, this, {});
    } catch (...) {
      // errors in a terminate handler are dropped, as the language does
    }
    im.located = located;
    im.errLine = line;
    im.errCol = col;
    if (refCount() > 1) {
      release(); // resurrected: the last of the new references deletes it
      return;
    }
  }
  delete this;
}

} // namespace quillet::platform::vbscript
