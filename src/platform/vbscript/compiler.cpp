// Resolves the names of a parsed chunk, once: locals become frame slots, class members are
// bound to their member entries and everything else to an index of the chunk's global names.
// Linking gives each engine the cells those indices stand for, so that running code never
// looks a name up by its text.
#include <algorithm>
#include <atomic>

#include "platform/vbscript/compile_errors.h"
#include "platform/vbscript/engine_impl.h"
#include "platform/vbscript/lexer.h"
#include "platform/vbscript/stack_guard.h"

namespace quillet::platform::vbscript {

int8_t findIntrinsic(const std::string& lower) {
  static const char* const names[] = {
#define QUILLET_INTRINSIC_NAME(name, lower) lower,
      QUILLET_INTRINSICS(QUILLET_INTRINSIC_NAME)
#undef QUILLET_INTRINSIC_NAME
  };
  for (int i = 0; i < kIntrinsicCount; ++i)
    if (lower == names[i]) return static_cast<int8_t>(i);
  return -1;
}

const ClassMember* ClassDef::find(std::string_view name) const {
  std::string lower = lowerAscii(name);
  auto it = decl->members.find(lower);
  return it == decl->members.end() ? nullptr : &it->second;
}

int Compiler::newSlot(Scope& s) {
  return s.slotBase + (*s.slotCount)++;
}

namespace {

// The names a block declares with Dim and Const (or, with `redims`, those its ReDim
// statements size), nested blocks included.
void collectDims(const Block& b, std::vector<const IdentExpr*>& out, bool redims = false);

void collectDimsStmt(const Stmt& st, std::vector<const IdentExpr*>& out, bool redims) {
  switch (st.kind) {
  case SK::Dim:
    if (!redims)
      for (auto& it : static_cast<const DimStmt&>(st).items)
        out.push_back(it.var.get());
    break;
  case SK::Const:
    if (!redims)
      for (auto& it : static_cast<const ConstStmt&>(st).items)
        out.push_back(it.first.get());
    break;
  case SK::ReDim:
    if (redims)
      for (auto& it : static_cast<const ReDimStmt&>(st).items)
        out.push_back(it.var.get());
    break;
  case SK::If: {
    auto& s = static_cast<const IfStmt&>(st);
    for (auto& br : s.branches)
      collectDims(br.second, out, redims);
    collectDims(s.elseBlock, out, redims);
    break;
  }
  case SK::Select: {
    auto& s = static_cast<const SelectStmt&>(st);
    for (auto& c : s.cases)
      collectDims(c.body, out, redims);
    collectDims(s.elseBlock, out, redims);
    break;
  }
  case SK::For:
    collectDims(static_cast<const ForStmt&>(st).body, out, redims);
    break;
  case SK::ForEach:
    collectDims(static_cast<const ForEachStmt&>(st).body, out, redims);
    break;
  case SK::Do:
    collectDims(static_cast<const DoStmt&>(st).body, out, redims);
    break;
  case SK::With:
    collectDims(static_cast<const WithStmt&>(st).body, out, redims);
    break;
  default:
    break;
  }
}

void collectDims(const Block& b, std::vector<const IdentExpr*>& out, bool redims) {
  for (auto& st : b)
    collectDimsStmt(*st, out, redims);
}

// The constant value of a literal (with an optional sign), for Const at compile time.
bool constantValue(const Expr& e, Variant& out) {
  if (e.kind == EK::Literal) {
    // A copy of its own: the chunk's text blocks are shared by every engine running it.
    const Variant& v = static_cast<const LiteralExpr&>(e).value;
    out = v.isString() ? Variant(v.asString()) : v;
    return true;
  }
  if (e.kind == EK::Unary) {
    auto& u = static_cast<const UnaryExpr&>(e);
    Variant v;
    if (u.op == Op::Neg && constantValue(*u.operand, v) && v.isNumber()) {
      out = automation::opNeg(v);
      return true;
    }
  }
  if (e.kind == EK::Paren) return constantValue(*static_cast<const ParenExpr&>(e).inner, out);
  return false;
}

[[noreturn]] void compileFail(int32_t number, int line, int col, const Program& prog) {
  throw CompileError(number, line, col, sourceLine(prog.source, line));
}

} // namespace

void Compiler::compileClass(ClassDecl& decl) {
  const Program& prog = *compiling;
  for (size_t i = 0; i < decl.fields.size(); ++i) {
    auto& fd = decl.fields[i];
    std::string lower = lowerAscii(fd.name);
    if (decl.members.count(lower)) compileFail(cerr::kNameRedefined, fd.line, fd.col, prog);
    ClassMember& cm = decl.members[lower];
    cm.name = fd.name;
    cm.isPublic = fd.isPublic;
    cm.field = static_cast<int>(i);
  }
  for (auto& p : decl.procs) {
    if (p->lower == "class_initialize")
      decl.initialize = p.get();
    else if (p->lower == "class_terminate")
      decl.terminate = p.get();
    auto [it, fresh] = decl.members.try_emplace(p->lower);
    ClassMember& cm = it->second;
    if (fresh) {
      cm.name = p->name;
      cm.isPublic = p->isPublic;
    } else if (cm.field >= 0) {
      compileFail(cerr::kNameRedefined, p->line, p->col, prog);
    }
    const ProcDef** slot = nullptr;
    switch (p->kind) {
    case ProcKind::Sub:
    case ProcKind::Function:
      slot = &cm.method;
      break;
    case ProcKind::PropertyGet:
      slot = &cm.get;
      break;
    case ProcKind::PropertyLet:
      slot = &cm.let;
      break;
    case ProcKind::PropertySet:
      slot = &cm.set;
      break;
    }
    if (*slot || (p->kind <= ProcKind::Function && (cm.get || cm.let || cm.set)) ||
        (p->kind > ProcKind::Function && cm.method))
      compileFail(cerr::kNameRedefined, p->line, p->col, prog);
    *slot = p.get();
    if (p->isPublic) cm.isPublic = true;
    if (p->isDefault) decl.defaultMember = &cm;
  }
}

void Compiler::compileProgram(Program& prog, const ProcDef* callerProc,
                              const ClassDecl* callerClass) {
  compiling = &prog;
  // Classes first: procedures and top-level code may refer to their members.
  for (auto& decl : prog.classes)
    compileClass(*decl);
  for (auto& decl : prog.classes)
    for (auto& p : decl->procs) {
      p->explicitNames = prog.optionExplicit;
      p->program = &prog;
    }
  for (auto& p : prog.procs) {
    p->explicitNames = prog.optionExplicit;
    p->program = &prog;
  }
  for (auto& decl : prog.classes)
    for (auto& p : decl->procs)
      compileProc(*p, decl.get());
  for (auto& p : prog.procs)
    compileProc(*p, nullptr);
  Scope s;
  s.slotCount = &prog.topSlots;
  if (callerProc) {
    s.locals = &callerProc->locals;
    s.redims = &callerProc->redims;
    s.slotBase = callerProc->slotCount;
  }
  s.cls = callerClass;
  compileBlock(prog.top, s);
  if (prog.expr) compileExpr(*prog.expr, s);
  prog.compiled = true;
}

int Compiler::globalOf(const std::string& lower, const std::string& name) {
  auto [it, fresh] = globalIndex.try_emplace(lower, 0);
  if (fresh) {
    it->second = static_cast<int>(compiling->globals.size());
    compiling->globals.push_back({&lower, &name});
  }
  return it->second;
}

void Compiler::compileProc(ProcDef& p, const ClassDecl* cls) {
  p.locals.clear();
  p.slotCount = 0;
  p.arity = static_cast<int>(p.params.size());
  p.byRefMask = 0;
  for (size_t i = 0; i < p.params.size() && i < 64; ++i)
    if (p.params[i].byRef) p.byRefMask |= uint64_t(1) << i;
  for (auto& prm : p.params) {
    std::string lower = lowerAscii(prm.name);
    if (p.locals.count(lower)) compileFail(cerr::kNameRedefined, p.line, p.col, *compiling);
    p.locals.emplace(lower, p.slotCount++);
  }
  if (p.returnsValue()) {
    p.resultSlot = p.slotCount++;
    p.locals.emplace(p.lower, p.resultSlot);
  }
  std::vector<const IdentExpr*> dims;
  collectDims(p.body, dims);
  for (auto* id : dims)
    if (!p.locals.count(id->lower)) p.locals.emplace(id->lower, p.slotCount++);
  Scope s;
  s.cls = cls;
  s.proc = &p;
  s.locals = &p.locals;
  s.slotCount = &p.slotCount;
  // ReDim declares a local too, unless it names a field or (decided when it runs, since
  // that belongs to the engine) a variable of the module.
  std::vector<const IdentExpr*> redims;
  collectDims(p.body, redims, true);
  p.redims.clear();
  for (auto* id : redims)
    if (!p.locals.count(id->lower) && !(cls && cls->members.count(id->lower)) &&
        !p.redims.count(id->lower))
      p.redims.emplace(id->lower, p.slotCount++);
  s.redims = &p.redims;
  compileBlock(p.body, s);
}

void Compiler::compileBlock(Block& b, Scope& s) {
  for (auto& st : b)
    compileStmt(st, s);
}

namespace {

// Flattens `x & a & b` into its parts when its leftmost operand is the identifier `lower`.
bool appendParts(ExprPtr& e, const std::string& lower, std::vector<ExprPtr>& parts) {
  if (e->kind != EK::Binary) return false;
  auto& b = static_cast<BinaryExpr&>(*e);
  if (b.op != Op::Concat) return false;
  if (b.left->kind == EK::Ident && static_cast<IdentExpr&>(*b.left).lower == lower) {
    parts.push_back(std::move(b.right));
    return true;
  }
  if (!appendParts(b.left, lower, parts)) return false;
  parts.push_back(std::move(b.right));
  return true;
}

// Whether an expression names the identifier `lower` anywhere.
bool mentions(const Expr& e, const std::string& lower) {
  switch (e.kind) {
  case EK::Ident:
    return static_cast<const IdentExpr&>(e).lower == lower;
  case EK::Unary:
    return mentions(*static_cast<const UnaryExpr&>(e).operand, lower);
  case EK::Binary:
    return mentions(*static_cast<const BinaryExpr&>(e).left, lower) ||
           mentions(*static_cast<const BinaryExpr&>(e).right, lower);
  case EK::Paren:
    return mentions(*static_cast<const ParenExpr&>(e).inner, lower);
  case EK::Member: {
    auto& m = static_cast<const MemberExpr&>(e);
    return m.object && mentions(*m.object, lower);
  }
  case EK::Call: {
    auto& c = static_cast<const CallExpr&>(e);
    if (mentions(*c.callee, lower)) return true;
    for (auto& a : c.args)
      if (mentions(*a, lower)) return true;
    return false;
  }
  default:
    return false;
  }
}

// Whether an expression calls one of the engine's own functions (Eval can run any code
// text in the caller's scope).
bool callsIntrinsic(const Expr& e) {
  switch (e.kind) {
  case EK::Ident:
    return static_cast<const IdentExpr&>(e).intrinsic >= 0;
  case EK::Unary:
    return callsIntrinsic(*static_cast<const UnaryExpr&>(e).operand);
  case EK::Binary:
    return callsIntrinsic(*static_cast<const BinaryExpr&>(e).left) ||
           callsIntrinsic(*static_cast<const BinaryExpr&>(e).right);
  case EK::Paren:
    return callsIntrinsic(*static_cast<const ParenExpr&>(e).inner);
  case EK::Member: {
    auto& m = static_cast<const MemberExpr&>(e);
    return m.object && callsIntrinsic(*m.object);
  }
  case EK::Call: {
    auto& c = static_cast<const CallExpr&>(e);
    if (callsIntrinsic(*c.callee)) return true;
    for (auto& a : c.args)
      if (callsIntrinsic(*a)) return true;
    return false;
  }
  default:
    return false;
  }
}

// Whether evaluating an expression runs no script code or object, provided the global names
// it collects in `plain` name plain values and those in `library` name nothing (which only
// an engine can tell).
bool isPure(const Expr& e, std::vector<int>* plain, std::vector<int>* library) {
  switch (e.kind) {
  case EK::Literal:
    return true;
  case EK::Ident: {
    auto& id = static_cast<const IdentExpr&>(e);
    if (id.bind == Bind::Local || id.bind == Bind::Ref || id.bind == Bind::Field) return true;
    if (id.bind != Bind::Global || id.intrinsic >= 0) return false;
    if (plain) plain->push_back(id.global);
    return true;
  }
  case EK::Unary:
    return isPure(*static_cast<const UnaryExpr&>(e).operand, plain, library);
  case EK::Binary:
    return isPure(*static_cast<const BinaryExpr&>(e).left, plain, library) &&
           isPure(*static_cast<const BinaryExpr&>(e).right, plain, library);
  case EK::Paren:
    return isPure(*static_cast<const ParenExpr&>(e).inner, plain, library);
  case EK::Call: {
    auto& c = static_cast<const CallExpr&>(e);
    if (c.callee->kind != EK::Ident) return false;
    auto& id = static_cast<const IdentExpr&>(*c.callee);
    bool libraryCall = id.bind == Bind::Global && id.builtin && id.intrinsic < 0;
    bool arrayRead = id.bind == Bind::Local || id.bind == Bind::Ref || id.bind == Bind::Field;
    if (!libraryCall && !arrayRead) return false;
    if (libraryCall && library) library->push_back(id.global);
    for (auto& a : c.args)
      if (!isPure(*a, plain, library)) return false;
    return true;
  }
  default:
    return false;
  }
}

} // namespace

void Compiler::compileStmt(StmtPtr& stp, Scope& s) {
  if (stackExhausted()) raiseOutOfStack();
  Stmt& st = *stp;
  switch (st.kind) {
  case SK::Assign: {
    auto& a = static_cast<AssignStmt&>(st);
    if (!a.isSet && a.target->kind == EK::Ident) {
      auto& id = static_cast<IdentExpr&>(*a.target);
      std::vector<ExprPtr> parts;
      // Only a chain whose leftmost operand is the target itself: `s = s & a & b`.
      if (a.value->kind == EK::Binary && appendParts(a.value, id.lower, parts)) {
        auto ap = std::make_unique<AppendStmt>(st.line, st.col);
        ap->target = std::move(a.target);
        ap->parts = std::move(parts);
        compileExpr(*ap->target, s);
        ap->pure = true;
        ap->streaming = true;
        ap->localStreaming = true;
        for (auto& p : ap->parts) {
          compileExpr(*p, s);
          ap->pure = ap->pure && isPure(*p, &ap->plainGlobals, &ap->libraryGlobals);
          ap->streaming = ap->streaming && !mentions(*p, id.lower);
          ap->localStreaming = ap->localStreaming && !callsIntrinsic(*p);
        }
        ap->localStreaming = ap->localStreaming && ap->streaming;
        ap->streaming = ap->streaming && ap->pure;
        ap->site = static_cast<int>(compiling->appends.size());
        compiling->appends.push_back(ap.get());
        stp = std::move(ap);
        return;
      }
    }
    compileExpr(*a.target, s);
    compileExpr(*a.value, s);
    break;
  }
  case SK::AppendAssign:
    break;
  case SK::Call: {
    auto& cs = static_cast<CallStmt&>(st);
    compileExpr(*cs.call, s);
    const Expr* callee = cs.call.get();
    if (callee->kind == EK::Call) callee = static_cast<const CallExpr&>(*callee).callee.get();
    if (callee->kind == EK::Ident) {
      auto& id = static_cast<const IdentExpr&>(*callee);
      if (id.builtin && id.builtin->use != kAnywhere && id.bind == Bind::Global) cs.library = &id;
    }
    break;
  }
  case SK::If: {
    auto& i = static_cast<IfStmt&>(st);
    for (auto& br : i.branches) {
      compileExpr(*br.first, s);
      compileBlock(br.second, s);
    }
    compileBlock(i.elseBlock, s);
    break;
  }
  case SK::Select: {
    auto& sel = static_cast<SelectStmt&>(st);
    compileExpr(*sel.subject, s);
    for (auto& c : sel.cases) {
      for (auto& it : c.items) {
        compileExpr(*it.a, s);
        if (it.b) compileExpr(*it.b, s);
      }
      compileBlock(c.body, s);
    }
    compileBlock(sel.elseBlock, s);
    break;
  }
  case SK::For: {
    auto& f = static_cast<ForStmt&>(st);
    compileExpr(*f.var, s);
    compileExpr(*f.from, s);
    compileExpr(*f.to, s);
    if (f.step) compileExpr(*f.step, s);
    compileBlock(f.body, s);
    break;
  }
  case SK::ForEach: {
    auto& f = static_cast<ForEachStmt&>(st);
    compileExpr(*f.var, s);
    compileExpr(*f.collection, s);
    compileBlock(f.body, s);
    break;
  }
  case SK::Do: {
    auto& d = static_cast<DoStmt&>(st);
    if (d.test) compileExpr(*d.test, s);
    compileBlock(d.body, s);
    break;
  }
  case SK::Dim: {
    for (auto& it : static_cast<DimStmt&>(st).items) {
      compileIdent(*it.var, s);
      for (auto& d : it.dims)
        compileExpr(*d, s);
    }
    break;
  }
  case SK::ReDim: {
    for (auto& it : static_cast<ReDimStmt&>(st).items) {
      compileIdent(*it.var, s);
      for (auto& d : it.dims)
        compileExpr(*d, s);
    }
    break;
  }
  case SK::Erase:
    for (auto& v : static_cast<EraseStmt&>(st).vars)
      compileExpr(*v, s);
    break;
  case SK::Const:
    for (auto& [id, v] : static_cast<ConstStmt&>(st).items) {
      compileIdent(*id, s);
      compileExpr(*v, s);
    }
    break;
  case SK::With: {
    auto& w = static_cast<WithStmt&>(st);
    compileExpr(*w.object, s);
    w.slot = newSlot(s);
    // Leading-dot members inside refer to this slot; nested With statements rebind.
    struct Binder {
      static void block(Block& b, int slot) {
        for (auto& x : b)
          stmt(*x, slot);
      }
      static void stmt(Stmt& x, int slot) {
        switch (x.kind) {
        case SK::Assign: {
          auto& a = static_cast<AssignStmt&>(x);
          expr(*a.target, slot);
          expr(*a.value, slot);
          break;
        }
        case SK::AppendAssign: {
          auto& a = static_cast<AppendStmt&>(x);
          for (auto& p : a.parts)
            expr(*p, slot);
          break;
        }
        case SK::Call:
          expr(*static_cast<CallStmt&>(x).call, slot);
          break;
        case SK::If:
          for (auto& br : static_cast<IfStmt&>(x).branches) {
            expr(*br.first, slot);
            block(br.second, slot);
          }
          block(static_cast<IfStmt&>(x).elseBlock, slot);
          break;
        case SK::Select: {
          auto& sel = static_cast<SelectStmt&>(x);
          expr(*sel.subject, slot);
          for (auto& c : sel.cases) {
            for (auto& it : c.items) {
              expr(*it.a, slot);
              if (it.b) expr(*it.b, slot);
            }
            block(c.body, slot);
          }
          block(sel.elseBlock, slot);
          break;
        }
        case SK::For: {
          auto& f = static_cast<ForStmt&>(x);
          expr(*f.from, slot);
          expr(*f.to, slot);
          if (f.step) expr(*f.step, slot);
          block(f.body, slot);
          break;
        }
        case SK::ForEach:
          expr(*static_cast<ForEachStmt&>(x).collection, slot);
          block(static_cast<ForEachStmt&>(x).body, slot);
          break;
        case SK::Do:
          if (static_cast<DoStmt&>(x).test) expr(*static_cast<DoStmt&>(x).test, slot);
          block(static_cast<DoStmt&>(x).body, slot);
          break;
        case SK::ReDim:
          for (auto& it : static_cast<ReDimStmt&>(x).items)
            for (auto& d : it.dims)
              expr(*d, slot);
          break;
        case SK::Dim:
          for (auto& it : static_cast<DimStmt&>(x).items)
            for (auto& d : it.dims)
              expr(*d, slot);
          break;
        case SK::Const:
          for (auto& it : static_cast<ConstStmt&>(x).items)
            expr(*it.second, slot);
          break;
        case SK::With:
          expr(*static_cast<WithStmt&>(x).object, slot);
          break; // inner binds its own
        default:
          break;
        }
      }
      static void expr(Expr& e, int slot) {
        switch (e.kind) {
        case EK::Member: {
          auto& m = static_cast<MemberExpr&>(e);
          if (m.object)
            expr(*m.object, slot);
          else if (m.withSlot < 0)
            m.withSlot = slot;
          break;
        }
        case EK::Call: {
          auto& c = static_cast<CallExpr&>(e);
          expr(*c.callee, slot);
          for (auto& a : c.args)
            expr(*a, slot);
          break;
        }
        case EK::Unary:
          expr(*static_cast<UnaryExpr&>(e).operand, slot);
          break;
        case EK::Binary:
          expr(*static_cast<BinaryExpr&>(e).left, slot);
          expr(*static_cast<BinaryExpr&>(e).right, slot);
          break;
        case EK::Paren:
          expr(*static_cast<ParenExpr&>(e).inner, slot);
          break;
        default:
          break;
        }
      }
    };
    // Inner With statements are compiled (and bound) first, so they keep their own slot.
    compileBlock(w.body, s);
    Binder::block(w.body, w.slot);
    break;
  }
  default:
    break;
  }
}

void Compiler::compileExpr(Expr& e, Scope& s) {
  if (stackExhausted()) raiseOutOfStack();
  switch (e.kind) {
  case EK::Literal: {
    auto& l = static_cast<LiteralExpr&>(e);
    // A text kept in the value itself is copied whole; one in a counted block is copied by
    // counting, which each engine must do on a block of its own.
    if (l.value.isString() && reinterpret_cast<uintptr_t>(l.value.asString().data()) -
                                      reinterpret_cast<uintptr_t>(&l.value) >=
                                  sizeof(Variant)) {
      l.text = static_cast<int>(compiling->texts.size());
      compiling->texts.push_back(&l);
    }
    break;
  }
  case EK::Ident:
    compileIdent(static_cast<IdentExpr&>(e), s);
    break;
  case EK::Me:
    if (!s.cls) compileFail(cerr::kInvalidUseOfMe, e.line, e.col, *compiling);
    break;
  case EK::Member: {
    auto& m = static_cast<MemberExpr&>(e);
    m.site = compiling->memberSites++;
    if (m.object) compileExpr(*m.object, s);
    break;
  }
  case EK::Call: {
    auto& c = static_cast<CallExpr&>(e);
    if (c.callee->kind == EK::Ident && s.proc && s.proc->returnsValue() &&
        static_cast<IdentExpr&>(*c.callee).lower == s.proc->lower) {
      // f(...) inside f calls f again; the bare name means its result.
      compileIdent(static_cast<IdentExpr&>(*c.callee), s, true);
    } else {
      compileExpr(*c.callee, s);
    }
    for (auto& a : c.args)
      compileExpr(*a, s);
    if (Engine::Impl::directArgs(c.args)) c.directArgs = static_cast<int8_t>(c.args.size());
    if (c.callee->kind == EK::Ident && c.args.size() == 1 && c.args[0]->kind == EK::Ident) {
      static const Builtin* const lower = findBuiltin("LBound");
      static const Builtin* const upper = findBuiltin("UBound");
      const Builtin* b = static_cast<const IdentExpr&>(*c.callee).builtin;
      if (b && b == lower) c.arrayBound = CallExpr::kLowerBound;
      if (b && b == upper) c.arrayBound = CallExpr::kUpperBound;
    }
    for (auto& a : c.args)
      if (a->kind == EK::Call) c.indexedArgs = true;
    break;
  }
  case EK::Unary:
    compileExpr(*static_cast<UnaryExpr&>(e).operand, s);
    break;
  case EK::Binary: {
    auto& b = static_cast<BinaryExpr&>(e);
    compileExpr(*b.left, s);
    compileExpr(*b.right, s);
    if (b.right->kind == EK::Literal && static_cast<const LiteralExpr&>(*b.right).text < 0)
      b.rightLiteral = &static_cast<const LiteralExpr&>(*b.right).value;
    auto arithmetic = [](Op op) {
      return op == Op::Add || op == Op::Sub || op == Op::Mul || op == Op::IntDiv || op == Op::Mod;
    };
    auto wholeOperand = [&](const Expr& o) {
      switch (o.kind) {
      case EK::Ident:
        return true;
      case EK::Literal:
        return static_cast<const LiteralExpr&>(o).text < 0;
      case EK::Call:
        return static_cast<const CallExpr&>(o).arrayBound != CallExpr::kNoBound;
      case EK::Binary:
        return static_cast<const BinaryExpr&>(o).wholeTree &&
               arithmetic(static_cast<const BinaryExpr&>(o).op);
      default:
        return false;
      }
    };
    b.wholeTree = (arithmetic(b.op) || (b.op >= Op::Eq && b.op <= Op::Ge)) &&
                  wholeOperand(*b.left) && wholeOperand(*b.right);
    auto leaf = [](const Expr& o) {
      return o.kind == EK::Ident ||
             (o.kind == EK::Literal && static_cast<const LiteralExpr&>(o).text < 0);
    };
    b.leafOperands = leaf(*b.left) && leaf(*b.right);
    break;
  }
  case EK::Paren:
    compileExpr(*static_cast<ParenExpr&>(e).inner, s);
    break;
  case EK::New: {
    auto& n = static_cast<NewExpr&>(e);
    n.global = globalOf(n.lower, n.name);
    break;
  }
  default:
    break;
  }
}

void Compiler::compileIdent(IdentExpr& id, Scope& s, bool skipLocals) {
  if (!skipLocals && s.locals) {
    auto it = s.locals->find(id.lower);
    if (it != s.locals->end()) {
      // Eval code reaches its caller's locals through the frame's references; a procedure's
      // ByRef parameters (its first slots) name the caller's variables.
      auto slot = static_cast<size_t>(it->second);
      bool ref = !s.proc || (slot < s.proc->params.size() && s.proc->params[slot].byRef);
      id.bind = ref ? Bind::Ref : Bind::Local;
      id.slot = it->second;
      id.isResult = s.proc && s.proc->returnsValue() && id.lower == s.proc->lower;
      return;
    }
  }
  if (s.cls) {
    auto it = s.cls->members.find(id.lower);
    if (it != s.cls->members.end()) {
      id.member = &it->second;
      id.bind = it->second.field >= 0 ? Bind::Field : Bind::MeMember;
      return;
    }
  }
  id.bind = Bind::Global;
  id.global = globalOf(id.lower, id.name);
  id.intrinsic = findIntrinsic(id.lower);
  id.builtin = findBuiltin(id.lower);
  id.constant = findBuiltinConstant(id.lower);
  if (s.redims) {
    if (auto r = s.redims->find(id.lower); r != s.redims->end()) {
      id.slot = r->second;
      id.declaredLocal = true;
      return;
    }
  }
  if (s.proc) {
    auto it = s.implicit.find(id.lower);
    if (it != s.implicit.end())
      id.slot = it->second;
    else {
      id.slot = newSlot(s);
      s.implicit.emplace(id.lower, id.slot);
    }
  }
}

// ---- linking

std::shared_ptr<LinkedProgram> Engine::Impl::link(const std::shared_ptr<const Program>& prog,
                                                  Module& m) {
  Module& global = eng.globalModule();
  auto ln = std::make_shared<LinkedProgram>();
  ln->program = prog;
  ln->module = &m;
  ln->cells.reserve(prog->globals.size());
  ln->outer.reserve(prog->globals.size());
  for (auto& g : prog->globals) {
    ln->cells.push_back(m.cell(*g.lower, *g.name));
    ln->outer.push_back(&m != &global ? global.cell(*g.lower, *g.name) : nullptr);
  }
  ln->sites.resize(static_cast<size_t>(prog->memberSites));
  ln->texts.reserve(prog->texts.size());
  for (const LiteralExpr* l : prog->texts)
    ln->texts.emplace_back(l->value.asString());
  for (auto& decl : prog->classes) {
    auto cls = std::make_shared<ClassDef>(decl->name);
    static std::atomic<uint64_t> nextClassId{0};
    cls->id = ++nextClassId;
    cls->engine = &eng;
    cls->link = ln;
    cls->decl = decl.get();
    classes.push_back(cls);
    Cell* c = m.cell(lowerAscii(decl->name), decl->name);
    c->kind = Cell::Class;
    c->cls = cls;
    c->proc = nullptr;
    c->owner.reset();
    c->value.clear();
  }
  // Global procedures: defined (or redefined) before any top-level statement runs.
  for (auto& p : prog->procs) {
    Cell* c = m.cell(p->lower, p->name);
    if (c->kind != Cell::Procedure &&
        std::find(m.procOrder.begin(), m.procOrder.end(), p->lower) == m.procOrder.end())
      m.procOrder.push_back(p->lower);
    c->kind = Cell::Procedure;
    c->proc = p.get();
    c->owner = ln;
    c->cls.reset();
    c->value.clear();
  }
  // Global variables and literal constants exist from the start of the chunk.
  std::vector<const IdentExpr*> dims;
  collectDims(prog->top, dims);
  collectDims(prog->top, dims, true);
  for (auto* id : dims) {
    Cell* c = m.cell(id->lower, id->name);
    if (c->kind == Cell::Undefined) c->kind = Cell::Variable;
  }
  for (auto& st : prog->top) {
    if (st->kind != SK::Const) continue;
    for (auto& [id, value] : static_cast<const ConstStmt&>(*st).items) {
      Variant v;
      if (constantValue(*value, v)) {
        Cell* c = m.cell(id->lower, id->name);
        c->kind = Cell::Constant;
        c->value = v;
      }
    }
  }
  // Appends are pure here unless a name they read is a procedure or object of this engine,
  // or a library call is shadowed by one of its names.
  ln->appends.reserve(prog->appends.size());
  for (const AppendStmt* a : prog->appends) {
    bool pure = a->pure;
    for (int g : a->plainGlobals) {
      const Cell* c = ln->cells[g];
      const Cell* o = ln->outer[g];
      if (c->kind == Cell::Procedure || c->kind == Cell::Object ||
          (o && o->kind == Cell::Procedure))
        pure = false;
    }
    for (int g : a->libraryGlobals) {
      const Cell* o = ln->outer[g];
      if (ln->cells[g]->kind != Cell::Undefined || (o && o->kind != Cell::Undefined)) pure = false;
    }
    ln->appends.push_back(static_cast<uint8_t>((pure ? kAppendPure : 0) |
                                               (pure && a->streaming ? kAppendStreaming : 0) |
                                               (a->localStreaming ? kAppendLocalStreaming : 0)));
  }
  return ln;
}

std::shared_ptr<LinkedProgram> Engine::Impl::compileText(std::string_view code, ParseMode mode,
                                                         Module& m, const Frame* caller) {
  std::shared_ptr<Program> prog;
  try {
    prog = std::shared_ptr<Program>(parse(code, mode));
  } catch (const CompileError& e) {
    throw automation::Error(e.number(), e.what(), kCompileSource);
  }
  Compiler c;
  c.compileProgram(*prog, caller ? caller->proc : nullptr,
                   caller && caller->me ? caller->me->cls().decl : nullptr);
  return link(prog, m);
}

std::shared_ptr<const Program> compile(std::string_view code) {
  try {
    auto prog = std::shared_ptr<Program>(parse(code, ParseMode::Statements));
    Compiler c;
    c.compileProgram(*prog, nullptr, nullptr);
    return prog;
  } catch (const CompileError& e) {
    throw ScriptFailure(e.number(), e.what(), kCompileSource, e.line(), e.column(), e.lineText());
  }
}

} // namespace quillet::platform::vbscript
