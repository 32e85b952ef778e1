#include <cctype>
#include <cstring>

#include "platform/automation/convert.h"

#include "platform/text/ascii.h"
#include "platform/vbscript/ast.h"
#include "platform/vbscript/compile_errors.h"
#include "platform/vbscript/lexer.h"
#include "platform/vbscript/stack_guard.h"

namespace quillet::platform::vbscript {

IdentExpr::IdentExpr(int l, int c, std::string n)
    : Expr(EK::Ident, l, c), name(std::move(n)), lower(lowerAscii(name)) {}
NewExpr::NewExpr(int l, int c, std::string n)
    : Expr(EK::New, l, c), name(std::move(n)), lower(lowerAscii(name)) {}

namespace {

bool identIs(const Token& t, const char* word) {
  if (t.kind != Tok::Ident || t.text.size() != std::strlen(word)) return false;
  for (size_t i = 0; i < t.text.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(t.text[i])) != word[i]) return false;
  return true;
}

class Parser {
public:
  Parser(std::string_view src, std::vector<Token> toks) : src_(src), t_(std::move(toks)) {}

  std::unique_ptr<Program> parseProgram() {
    auto prog = std::make_unique<Program>();
    prog->source = std::string(src_);
    prog_ = prog.get();
    skipNewlines();
    while (cur().kind != Tok::End) {
      parseTopLevel(prog->top);
      endOfStatement();
    }
    return prog;
  }

  std::unique_ptr<Program> parseExpressionProgram() {
    auto prog = std::make_unique<Program>();
    prog->source = std::string(src_);
    prog_ = prog.get();
    skipNewlines();
    prog->expr = parseExpr();
    skipNewlines();
    if (cur().kind != Tok::End) fail(cerr::kExpectedEndOfStatement);
    return prog;
  }

private:
  // ---- token helpers
  const Token& cur() const { return t_[p_]; }
  const Token& peek(size_t n = 1) const { return t_[std::min(p_ + n, t_.size() - 1)]; }
  void advance() {
    if (p_ + 1 < t_.size()) ++p_;
  }
  bool accept(Tok k) {
    if (cur().kind == k) {
      advance();
      return true;
    }
    return false;
  }
  void expect(Tok k, int32_t err) {
    if (!accept(k)) fail(err);
  }
  [[noreturn]] void fail(int32_t number) { failAt(number, cur()); }
  [[noreturn]] void failAt(int32_t number, const Token& t) {
    throw CompileError(number, t.line, t.col, sourceLine(src_, t.line));
  }
  bool atLineEnd() const { return cur().kind == Tok::Newline || cur().kind == Tok::End; }
  bool atRealLineEnd() const {
    return cur().kind == Tok::End || (cur().kind == Tok::Newline && cur().text == "\n");
  }
  void skipNewlines() {
    while (cur().kind == Tok::Newline)
      advance();
  }
  void endOfStatement() {
    if (cur().kind == Tok::End) return;
    if (cur().kind != Tok::Newline) fail(cerr::kExpectedEndOfStatement);
    skipNewlines();
  }
  std::string identName(int32_t err = cerr::kExpectedIdentifier) {
    if (cur().kind != Tok::Ident) fail(err);
    std::string n = cur().text;
    advance();
    return n;
  }
  // After `.` any word, keywords included, names a member.
  std::string memberName() {
    if (cur().kind != Tok::Ident && !isKeyword(cur().kind)) fail(cerr::kExpectedIdentifier);
    std::string n = cur().text;
    advance();
    return n;
  }

  // ---- declarations and statements

  void parseTopLevel(Block& out) {
    const Token& t = cur();
    if (t.kind == Tok::KwOption) {
      advance();
      if (!identIs(cur(), "explicit")) fail(cerr::kSyntaxError);
      advance();
      prog_->optionExplicit = true;
      return;
    }
    if (t.kind == Tok::KwClass) {
      parseClass();
      return;
    }
    bool isPublic = true;
    bool hasAccess = false;
    bool isDefault = false;
    size_t save = p_;
    if (t.kind == Tok::KwPublic || t.kind == Tok::KwPrivate) {
      isPublic = t.kind == Tok::KwPublic;
      hasAccess = true;
      advance();
      if (identIs(cur(), "default")) {
        isDefault = true;
        advance();
      }
    }
    if (cur().kind == Tok::KwSub || cur().kind == Tok::KwFunction ||
        cur().kind == Tok::KwProperty) {
      if (cur().kind == Tok::KwProperty) failAt(cerr::kMustBeInsideClass, cur());
      if (isDefault) failAt(cerr::kDefaultOnProperty, t_[save]);
      auto proc = parseProc(isPublic, false, nullptr);
      prog_->procs.push_back(std::move(proc));
      return;
    }
    if (isDefault) failAt(cerr::kDefaultOnProperty, t_[save]);
    if (hasAccess) {
      if (cur().kind == Tok::KwConst) {
        out.push_back(parseConst());
        return;
      }
      out.push_back(parseDimList(t_[save]));
      return;
    }
    out.push_back(parseStatement(0));
  }

  StmtPtr parseDimList(const Token& at) {
    auto d = std::make_unique<DimStmt>(at.line, at.col);
    do {
      DimItem item;
      const Token& nt = cur();
      item.var = std::make_unique<IdentExpr>(nt.line, nt.col, identName());
      if (accept(Tok::LParen)) {
        item.isArray = true;
        if (!accept(Tok::RParen)) {
          do {
            item.dims.push_back(parseExpr());
          } while (accept(Tok::Comma));
          expect(Tok::RParen, cerr::kExpectedRParen);
        }
      }
      d->items.push_back(std::move(item));
    } while (accept(Tok::Comma));
    return d;
  }

  StmtPtr parseConst() {
    const Token& at = cur();
    advance(); // Const
    auto c = std::make_unique<ConstStmt>(at.line, at.col);
    do {
      const Token& nt = cur();
      auto id = std::make_unique<IdentExpr>(nt.line, nt.col, identName());
      expect(Tok::Eq, cerr::kExpectedEqual);
      c->items.emplace_back(std::move(id), parseExpr());
    } while (accept(Tok::Comma));
    return c;
  }

  void parseClass() {
    const Token& at = cur();
    advance();
    auto cls = std::make_unique<ClassDecl>();
    cls->line = at.line;
    cls->col = at.col;
    cls->name = identName();
    endOfStatement();
    bool hasDefault = false;
    while (true) {
      const Token& t = cur();
      if (t.kind == Tok::End) failAt(cerr::kExpectedEnd, t);
      if (t.kind == Tok::KwEnd) {
        advance();
        if (!accept(Tok::KwClass)) fail(cerr::kExpectedClass);
        break;
      }
      bool isPublic = true, isDefault = false, hasAccess = false;
      if (t.kind == Tok::KwPublic || t.kind == Tok::KwPrivate) {
        isPublic = t.kind == Tok::KwPublic;
        hasAccess = true;
        advance();
        if (identIs(cur(), "default")) {
          if (!isPublic) fail(cerr::kDefaultMustBePublic);
          isDefault = true;
          advance();
        }
      } else if (identIs(t, "default")) {
        fail(cerr::kDefaultMustBePublic);
      }
      if (cur().kind == Tok::KwSub || cur().kind == Tok::KwFunction ||
          cur().kind == Tok::KwProperty) {
        if (isDefault && hasDefault) fail(cerr::kMultipleDefault);
        hasDefault = hasDefault || isDefault;
        cls->procs.push_back(parseProc(isPublic, isDefault, cls.get()));
      } else if (isDefault) {
        fail(cerr::kDefaultOnProperty);
      } else if (hasAccess || cur().kind == Tok::KwDim) {
        if (!hasAccess) advance(); // Dim
        if (cur().kind == Tok::KwConst) fail(cerr::kExpectedIdentifier);
        do {
          FieldDecl f;
          f.line = cur().line;
          f.col = cur().col;
          f.name = identName();
          f.isPublic = isPublic;
          if (accept(Tok::LParen)) {
            f.isArray = true;
            if (!accept(Tok::RParen)) {
              do {
                f.dims.push_back(parseExpr());
              } while (accept(Tok::Comma));
              expect(Tok::RParen, cerr::kExpectedRParen);
            }
          }
          cls->fields.push_back(std::move(f));
        } while (accept(Tok::Comma));
      } else {
        fail(cerr::kExpectedEnd);
      }
      endOfStatement();
    }
    prog_->classes.push_back(std::move(cls));
  }

  std::unique_ptr<ProcDef> parseProc(bool isPublic, bool isDefault, ClassDecl* cls) {
    const Token& at = cur();
    auto proc = std::make_unique<ProcDef>();
    proc->isPublic = isPublic;
    proc->isDefault = isDefault;
    proc->line = at.line;
    proc->col = at.col;
    Tok endTok = at.kind;
    if (at.kind == Tok::KwSub)
      proc->kind = ProcKind::Sub;
    else if (at.kind == Tok::KwFunction)
      proc->kind = ProcKind::Function;
    advance();
    if (endTok == Tok::KwProperty) {
      if (!cls) fail(cerr::kMustBeInsideClass);
      if (identIs(cur(), "get"))
        proc->kind = ProcKind::PropertyGet;
      else if (cur().kind == Tok::KwLet)
        proc->kind = ProcKind::PropertyLet;
      else if (cur().kind == Tok::KwSet)
        proc->kind = ProcKind::PropertySet;
      else
        fail(cerr::kExpectedLetSetGet);
      if (isDefault && proc->kind != ProcKind::PropertyGet) fail(cerr::kDefaultOnlyOnGet);
      advance();
    }
    const Token& nameTok = cur();
    proc->name = identName();
    proc->lower = lowerAscii(proc->name);
    if (accept(Tok::LParen)) {
      if (!accept(Tok::RParen)) {
        do {
          Param prm;
          if (accept(Tok::KwByVal))
            prm.byRef = false;
          else
            accept(Tok::KwByRef);
          prm.name = identName();
          if (accept(Tok::LParen)) expect(Tok::RParen, cerr::kExpectedRParen);
          proc->params.push_back(std::move(prm));
        } while (accept(Tok::Comma));
        expect(Tok::RParen, cerr::kExpectedRParen);
      }
    }
    if (cls && (proc->lower == "class_initialize" || proc->lower == "class_terminate") &&
        !proc->params.empty())
      failAt(cerr::kClassInitNoArgs, nameTok);
    if ((proc->kind == ProcKind::PropertyLet || proc->kind == ProcKind::PropertySet) &&
        proc->params.empty())
      failAt(cerr::kPropertyLetSetNeedsArg, nameTok);
    // The body may start on the header's line: `Sub S() stmt End Sub`.
    if (atLineEnd()) endOfStatement();
    ++procDepth_;
    procKind_ = endTok;
    proc->body = parseBlock();
    --procDepth_;
    if (cur().kind != Tok::KwEnd) {
      fail(endTok == Tok::KwSub        ? cerr::kExpectedSub
           : endTok == Tok::KwFunction ? cerr::kExpectedFunction
                                       : cerr::kExpectedProperty);
    }
    advance();
    if (!accept(endTok))
      fail(endTok == Tok::KwSub        ? cerr::kExpectedSub
           : endTok == Tok::KwFunction ? cerr::kExpectedFunction
                                       : cerr::kExpectedProperty);
    return proc;
  }

  // Statements up to a block terminator (End, Else, ElseIf, Loop, Next, Wend, Case, end of text).
  Block parseBlock() {
    Block b;
    skipNewlines();
    while (true) {
      switch (cur().kind) {
      case Tok::End:
      case Tok::KwEnd:
      case Tok::KwElse:
      case Tok::KwElseIf:
      case Tok::KwLoop:
      case Tok::KwNext:
      case Tok::KwWend:
      case Tok::KwCase:
        return b;
      default:
        break;
      }
      if (procDepth_ == 0 && blockDepth_ > 0 && declaresProc()) {
        // A procedure written inside a block of top-level code is defined like any other.
        nestedProc();
        endOfStatement();
        continue;
      }
      if (cur().kind == Tok::KwSub || cur().kind == Tok::KwFunction || cur().kind == Tok::KwClass ||
          cur().kind == Tok::KwProperty || cur().kind == Tok::KwPublic ||
          cur().kind == Tok::KwPrivate || cur().kind == Tok::KwOption) {
        if (procDepth_ > 0 || blockDepth_ > 0) fail(cerr::kSyntaxError);
      }
      b.push_back(parseStatement(0));
      // The procedure's End may follow a statement on the same line.
      if (cur().kind == Tok::KwEnd && procDepth_ > 0 && peek().kind == procKind_) continue;
      endOfStatement();
    }
  }

  bool declaresProc() const {
    size_t i = p_;
    if (t_[i].kind == Tok::KwPublic || t_[i].kind == Tok::KwPrivate) ++i;
    return i < t_.size() && (t_[i].kind == Tok::KwSub || t_[i].kind == Tok::KwFunction);
  }

  void nestedProc() {
    bool isPublic = true;
    if (cur().kind == Tok::KwPublic || cur().kind == Tok::KwPrivate) {
      isPublic = cur().kind == Tok::KwPublic;
      advance();
    }
    int block = blockDepth_, fors = forDepth_, dos = doDepth_;
    blockDepth_ = forDepth_ = doDepth_ = 0;
    prog_->procs.push_back(parseProc(isPublic, false, nullptr));
    blockDepth_ = block;
    forDepth_ = fors;
    doDepth_ = dos;
  }

  void expectEnd(Tok what, int32_t err) {
    if (cur().kind != Tok::KwEnd) fail(err == cerr::kExpectedEnd ? err : cerr::kExpectedEnd);
    advance();
    if (!accept(what)) fail(err);
  }

  // One statement. `inlineIf` > 0 inside a single-line If (Else then ends the statement).
  StmtPtr parseStatement(int inlineIf) {
    Depth d(*this);
    operators_ = 0;
    const Token& t = cur();
    switch (t.kind) {
    case Tok::KwDim: {
      advance();
      return parseDimList(t);
    }
    case Tok::KwConst:
      return parseConst();
    case Tok::KwReDim:
      return parseReDim();
    case Tok::KwErase: {
      advance();
      auto e = std::make_unique<EraseStmt>(t.line, t.col);
      do {
        const Token& nt = cur();
        e->vars.push_back(std::make_unique<IdentExpr>(nt.line, nt.col, identName()));
      } while (accept(Tok::Comma));
      return e;
    }
    case Tok::KwSet: {
      advance();
      auto a = std::make_unique<AssignStmt>(t.line, t.col);
      a->isSet = true;
      a->target = parseChain(nullptr);
      checkTarget(*a->target, t);
      expect(Tok::Eq, cerr::kExpectedEqual);
      a->value = parseExpr();
      return a;
    }
    case Tok::KwLet: {
      advance();
      auto a = std::make_unique<AssignStmt>(t.line, t.col);
      a->target = parseChain(nullptr);
      checkTarget(*a->target, t);
      expect(Tok::Eq, cerr::kExpectedEqual);
      a->value = parseExpr();
      return a;
    }
    case Tok::KwCall: {
      advance();
      auto c = std::make_unique<CallStmt>(t.line, t.col);
      // `Call (New C).M` and `Call (f)(x)`: the callee is a parenthesised value.
      c->call = cur().kind == Tok::LParen ? parsePrimary() : parseChain(nullptr);
      if (c->call->kind != EK::Ident && c->call->kind != EK::Member && c->call->kind != EK::Call)
        failAt(cerr::kExpectedIdentifier, t);
      return c;
    }
    case Tok::KwIf:
      return parseIf(inlineIf);
    case Tok::KwSelect:
      return parseSelect();
    case Tok::KwFor:
      return parseFor();
    case Tok::KwDo:
      return parseDo();
    case Tok::KwWhile: {
      advance();
      auto d = std::make_unique<DoStmt>(t.line, t.col);
      d->cond = DoStmt::PreWhile;
      d->test = parseExpr();
      ++blockDepth_;
      d->body = parseBlock();
      --blockDepth_;
      expect(Tok::KwWend, cerr::kExpectedWend);
      return d;
    }
    case Tok::KwExit: {
      advance();
      ExitStmt::What w;
      if (cur().kind == Tok::KwDo) {
        if (doDepth_ == 0) fail(cerr::kInvalidExit);
        w = ExitStmt::Do;
      } else if (cur().kind == Tok::KwFor) {
        if (forDepth_ == 0) fail(cerr::kInvalidExit);
        w = ExitStmt::For;
      } else if (cur().kind == Tok::KwSub || cur().kind == Tok::KwFunction ||
                 cur().kind == Tok::KwProperty) {
        if (procDepth_ == 0 || cur().kind != procKind_) fail(cerr::kInvalidExit);
        w = ExitStmt::Proc;
      } else {
        fail(cerr::kInvalidExit);
      }
      advance();
      return std::make_unique<ExitStmt>(t.line, t.col, w);
    }
    case Tok::KwWith: {
      advance();
      auto w = std::make_unique<WithStmt>(t.line, t.col);
      w->object = parseExpr();
      ++blockDepth_;
      w->body = parseBlock();
      --blockDepth_;
      expectEnd(Tok::KwWith, cerr::kExpectedWith);
      return w;
    }
    case Tok::KwOn: {
      advance();
      if (!identIs(cur(), "error")) fail(cerr::kSyntaxError);
      advance();
      if (identIs(cur(), "resume")) {
        advance();
        if (cur().kind != Tok::KwNext) fail(cerr::kSyntaxError);
        advance();
        return std::make_unique<OnErrorStmt>(t.line, t.col, true);
      }
      if (identIs(cur(), "goto")) {
        advance();
        if (cur().kind != Tok::Number || !cur().value.isNumber() ||
            automation::CDbl(cur().value) != 0)
          fail(cerr::kSyntaxError);
        advance();
        return std::make_unique<OnErrorStmt>(t.line, t.col, false);
      }
      fail(cerr::kSyntaxError);
    }
    case Tok::KwStop:
      advance();
      return std::make_unique<Stmt>(SK::Nop, t.line, t.col);
    case Tok::KwNext:
      if (forDepth_ == 0) fail(cerr::kUnexpectedNext);
      fail(cerr::kExpectedStatement);
    case Tok::KwLoop:
      if (doDepth_ == 0) fail(cerr::kLoopWithoutDo);
      fail(cerr::kExpectedStatement);
    case Tok::KwClass:
    case Tok::KwSub:
    case Tok::KwFunction:
    case Tok::KwProperty:
    case Tok::KwPublic:
    case Tok::KwPrivate:
    case Tok::KwOption:
      fail(cerr::kSyntaxError);
    case Tok::Ident:
    case Tok::KwMe:
    case Tok::Dot:
      return parseCallOrAssign();
    case Tok::LParen: {
      // `(f)(x)`, `(New C).M`: a call on a parenthesised value.
      auto c = std::make_unique<CallStmt>(t.line, t.col);
      c->call = parsePrimary();
      if (c->call->kind != EK::Member && c->call->kind != EK::Call)
        failAt(cerr::kExpectedStatement, t);
      return c;
    }
    default:
      fail(cerr::kExpectedStatement);
    }
  }

  void checkTarget(const Expr& e, const Token& at) {
    if (e.kind != EK::Ident && e.kind != EK::Member && e.kind != EK::Call)
      failAt(cerr::kExpectedIdentifier, at);
  }

  StmtPtr parseReDim() {
    const Token& t = cur();
    advance();
    auto r = std::make_unique<ReDimStmt>(t.line, t.col);
    if (identIs(cur(), "preserve")) {
      r->preserve = true;
      advance();
    }
    do {
      DimItem item;
      const Token& nt = cur();
      item.var = std::make_unique<IdentExpr>(nt.line, nt.col, identName());
      item.isArray = true;
      expect(Tok::LParen, cerr::kExpectedLParen);
      do {
        item.dims.push_back(parseExpr());
      } while (accept(Tok::Comma));
      expect(Tok::RParen, cerr::kExpectedRParen);
      r->items.push_back(std::move(item));
    } while (accept(Tok::Comma));
    return r;
  }

  // A statement that starts with a name: an assignment or a procedure call.
  StmtPtr parseCallOrAssign() {
    const Token& t = cur();
    size_t start = p_;
    size_t lastParen = 0;
    spacedParen_ = 0;
    afterSpaced_ = false;
    ExprPtr chain = parseChain(&lastParen);
    if (cur().kind != Tok::Eq && spacedParen_ != 0 && afterSpaced_) {
      // `f (a).b, c`: the blank before the parenthesis makes it start the arguments.
      size_t at = spacedParen_;
      p_ = start;
      stopAt_ = at;
      ExprPtr callee = parseChain(nullptr);
      stopAt_ = 0;
      auto c = std::make_unique<CallStmt>(t.line, t.col);
      auto call = std::make_unique<CallExpr>(t.line, t.col);
      call->callee = std::move(callee);
      parseArgList(call->args, false);
      c->call = std::move(call);
      return c;
    }
    if (cur().kind == Tok::Eq) {
      advance();
      auto a = std::make_unique<AssignStmt>(t.line, t.col);
      a->target = std::move(chain);
      a->value = parseExpr();
      return a;
    }
    auto c = std::make_unique<CallStmt>(t.line, t.col);
    if (atLineEnd() || cur().kind == Tok::KwElse) {
      if (chain->kind == EK::Call) {
        auto& call = static_cast<CallExpr&>(*chain);
        if (call.args.size() >= 2) failAt(cerr::kCannotUseParens, t_[lastParen]);
        // `f (x)` and `obj.M(x)` pass x by value: the parentheses belong to the argument.
        if (call.args.size() == 1 && call.args[0]->kind != EK::Missing) {
          int l = call.args[0]->line, col = call.args[0]->col;
          call.args[0] = std::make_unique<ParenExpr>(l, col, std::move(call.args[0]));
        }
      }
      c->call = std::move(chain);
      return c;
    }
    // Arguments without parentheses follow. When the chain ended with a parenthesised
    // group, that group starts the first argument instead (`f (a) + 1, b`).
    auto call = std::make_unique<CallExpr>(t.line, t.col);
    if (chain->kind == EK::Call && lastParen != 0 && lastParenIsLast_) {
      auto& inner = static_cast<CallExpr&>(*chain);
      call->callee = std::move(inner.callee);
      p_ = lastParen;
    } else {
      call->callee = std::move(chain);
    }
    parseArgList(call->args, /*parens=*/false);
    c->call = std::move(call);
    return c;
  }

  void parseArgList(std::vector<ExprPtr>& args, bool parens) {
    auto atArgEnd = [&] {
      return parens ? cur().kind == Tok::RParen : (atLineEnd() || cur().kind == Tok::KwElse);
    };
    if (atArgEnd()) return;
    while (true) {
      if (cur().kind == Tok::Comma || atArgEnd())
        args.push_back(std::make_unique<MissingExpr>(cur().line, cur().col));
      else
        args.push_back(parseExpr());
      if (!accept(Tok::Comma)) break;
      if (atArgEnd()) args.push_back(std::make_unique<MissingExpr>(cur().line, cur().col));
    }
  }

  // name{.member | (args)}; also Me... and .member inside With. `lastParen`, when given,
  // receives the position of the last `(` group's opening token.
  ExprPtr parseChain(size_t* lastParen) {
    const Token& t = cur();
    ExprPtr e;
    if (t.kind == Tok::Ident) {
      e = std::make_unique<IdentExpr>(t.line, t.col, t.text);
      advance();
    } else if (t.kind == Tok::KwMe) {
      e = std::make_unique<MeExpr>(t.line, t.col);
      advance();
    } else if (t.kind == Tok::Dot) {
      advance();
      auto m = std::make_unique<MemberExpr>(t.line, t.col);
      m->name = memberName();
      e = std::move(m);
    } else {
      fail(cerr::kExpectedIdentifier);
    }
    return parsePostfix(std::move(e), lastParen);
  }

  ExprPtr parsePostfix(ExprPtr e, size_t* lastParen) {
    lastParenIsLast_ = false;
    while (true) {
      if (stopAt_ != 0 && p_ == stopAt_) return e;
      if (lastParen && spacedParen_ != 0 &&
          (cur().kind == Tok::LParen || (cur().kind == Tok::Dot && !cur().spaceBefore)))
        afterSpaced_ = true;
      if (lastParen && spacedParen_ == 0 && cur().kind == Tok::LParen && cur().spaceBefore)
        spacedParen_ = p_;
      // `f .x` passes the With member .x to f; `f.x` is a member of f.
      if (cur().kind == Tok::Dot && !cur().spaceBefore) {
        const Token& dt = cur();
        advance();
        auto m = std::make_unique<MemberExpr>(dt.line, dt.col);
        m->name = memberName();
        m->object = std::move(e);
        e = std::move(m);
        lastParenIsLast_ = false;
      } else if (cur().kind == Tok::LParen) {
        const Token& pt = cur();
        if (lastParen) *lastParen = p_;
        advance();
        auto c = std::make_unique<CallExpr>(pt.line, pt.col);
        c->callee = std::move(e);
        parseArgList(c->args, true);
        expect(Tok::RParen, cerr::kExpectedRParen);
        e = std::move(c);
        lastParenIsLast_ = true;
      } else {
        return e;
      }
    }
  }

  StmtPtr parseIf(int inlineIf) {
    const Token& t = cur();
    advance();
    auto s = std::make_unique<IfStmt>(t.line, t.col);
    ExprPtr cond = parseExpr();
    expect(Tok::KwThen, cerr::kExpectedThen);
    if (cur().kind == Tok::Newline && cur().colonFirst) {
      // `If c Then :` is the single-line form, with its statements (if any) after the colon.
      if (atRealLineEnd()) {
        s->branches.emplace_back(std::move(cond), Block{});
        return s;
      }
      advance();
    } else if (atLineEnd()) {
      return parseBlockIf(std::move(s), std::move(cond));
    }
    {
      // Single-line form: statements separated by ':' up to the line end, with an optional
      // Else part.
      Block then;
      parseInlineStatements(then, inlineIf + 1);
      s->branches.emplace_back(std::move(cond), std::move(then));
      if (cur().kind == Tok::KwElse) {
        advance();
        parseInlineStatements(s->elseBlock, inlineIf + 1);
      }
      if (!atRealLineEnd() && !(inlineIf > 0 && cur().kind == Tok::KwElse)) {
        if (cur().kind == Tok::KwEnd && peek().kind == Tok::KwIf) {
          // `If c Then x : End If` on one line is accepted as the block form.
          advance();
          advance();
        } else if (cur().kind != Tok::Newline) {
          fail(cerr::kExpectedEndOfStatement);
        }
      }
      return s;
    }
  }

  StmtPtr parseBlockIf(std::unique_ptr<IfStmt> s, ExprPtr cond) {
    ++blockDepth_;
    Block then = parseBlock();
    s->branches.emplace_back(std::move(cond), std::move(then));
    while (true) {
      if (cur().kind == Tok::KwElseIf) {
        advance();
        ExprPtr c = parseExpr();
        expect(Tok::KwThen, cerr::kExpectedThen);
        Block b = parseBlock();
        s->branches.emplace_back(std::move(c), std::move(b));
        continue;
      }
      if (cur().kind == Tok::KwElse) {
        advance();
        s->elseBlock = parseBlock();
      }
      break;
    }
    --blockDepth_;
    if (cur().kind != Tok::KwEnd) fail(cerr::kExpectedEnd);
    advance();
    if (!accept(Tok::KwIf)) fail(cerr::kExpectedIf);
    return s;
  }

  void parseInlineStatements(Block& out, int inlineIf) {
    while (true) {
      out.push_back(parseStatement(inlineIf));
      if (cur().kind == Tok::Newline && cur().text == ":") {
        // A ':' continues the single-line statement list unless the line ends after it.
        if (peek().kind == Tok::End || peek().kind == Tok::Newline) return;
        if (peek().kind == Tok::KwEnd && peek(2).kind == Tok::KwIf) {
          advance();
          return;
        }
        advance();
        if (cur().kind == Tok::KwElse) return;
        continue;
      }
      return;
    }
  }

  StmtPtr parseSelect() {
    const Token& t = cur();
    advance();
    if (cur().kind != Tok::KwCase) fail(cerr::kExpectedCase);
    advance();
    auto s = std::make_unique<SelectStmt>(t.line, t.col);
    s->subject = parseExpr();
    endOfStatement();
    ++blockDepth_;
    while (cur().kind == Tok::KwCase) {
      advance();
      if (cur().kind == Tok::KwElse) {
        advance();
        s->hasElse = true;
        s->elseBlock = parseBlock();
        break;
      }
      SelectStmt::Case c;
      do {
        CaseItem item;
        if (cur().kind == Tok::KwIs) {
          advance();
          item.kind = CaseItem::Compare;
          switch (cur().kind) {
          case Tok::Eq:
            item.op = Op::Eq;
            break;
          case Tok::Ne:
            item.op = Op::Ne;
            break;
          case Tok::Lt:
            item.op = Op::Lt;
            break;
          case Tok::Le:
            item.op = Op::Le;
            break;
          case Tok::Gt:
            item.op = Op::Gt;
            break;
          case Tok::Ge:
            item.op = Op::Ge;
            break;
          default:
            fail(cerr::kSyntaxError);
          }
          advance();
          item.a = parseExpr();
        } else {
          item.a = parseExpr();
          if (accept(Tok::KwTo)) {
            item.kind = CaseItem::Range;
            item.b = parseExpr();
          }
        }
        c.items.push_back(std::move(item));
      } while (accept(Tok::Comma));
      c.body = parseBlock();
      s->cases.push_back(std::move(c));
    }
    --blockDepth_;
    if (cur().kind != Tok::KwEnd) fail(cerr::kExpectedEnd);
    advance();
    if (!accept(Tok::KwSelect)) fail(cerr::kExpectedSelect);
    return s;
  }

  StmtPtr parseFor() {
    const Token& t = cur();
    advance();
    if (accept(Tok::KwEach)) {
      auto f = std::make_unique<ForEachStmt>(t.line, t.col);
      const Token& vt = cur();
      if (vt.kind != Tok::Ident) fail(cerr::kInvalidForControl);
      f->var = std::make_unique<IdentExpr>(vt.line, vt.col, identName());
      expect(Tok::KwIn, cerr::kExpectedIn);
      f->collection = parseExpr();
      enterFor();
      f->body = parseBlock();
      leaveFor();
      expect(Tok::KwNext, cerr::kExpectedNext);
      return f;
    }
    auto f = std::make_unique<ForStmt>(t.line, t.col);
    const Token& vt = cur();
    if (vt.kind != Tok::Ident) fail(cerr::kInvalidForControl);
    f->var = std::make_unique<IdentExpr>(vt.line, vt.col, identName());
    expect(Tok::Eq, cerr::kExpectedEqual);
    f->from = parseExpr();
    expect(Tok::KwTo, cerr::kExpectedTo);
    f->to = parseExpr();
    if (identIs(cur(), "step")) {
      advance();
      f->step = parseExpr();
    }
    enterFor();
    f->body = parseBlock();
    leaveFor();
    expect(Tok::KwNext, cerr::kExpectedNext);
    if (cur().kind == Tok::Ident) advance(); // `Next i`
    return f;
  }
  void enterFor() {
    ++forDepth_;
    ++blockDepth_;
  }
  void leaveFor() {
    --forDepth_;
    --blockDepth_;
  }

  StmtPtr parseDo() {
    const Token& t = cur();
    advance();
    auto d = std::make_unique<DoStmt>(t.line, t.col);
    if (cur().kind == Tok::KwWhile || cur().kind == Tok::KwUntil) {
      d->cond = cur().kind == Tok::KwWhile ? DoStmt::PreWhile : DoStmt::PreUntil;
      advance();
      d->test = parseExpr();
    } else if (!atLineEnd()) {
      fail(cerr::kExpectedWhileUntilOrEnd);
    }
    ++doDepth_;
    ++blockDepth_;
    d->body = parseBlock();
    --blockDepth_;
    --doDepth_;
    expect(Tok::KwLoop, cerr::kExpectedLoop);
    if (cur().kind == Tok::KwWhile || cur().kind == Tok::KwUntil) {
      if (d->cond != DoStmt::None) fail(cerr::kExpectedEndOfStatement);
      d->cond = cur().kind == Tok::KwWhile ? DoStmt::PostWhile : DoStmt::PostUntil;
      advance();
      d->test = parseExpr();
    }
    return d;
  }

  // ---- expressions, from the loosest operator to the tightest

  // Nesting deeper than any real script is refused before it can exhaust the stack.
  struct Depth {
    explicit Depth(Parser& p) : parser(p) {
      if (++parser.depth_ > kMaxDepth) parser.fail(cerr::kOutOfMemory);
      if (stackExhausted()) {
        --parser.depth_;
        raiseOutOfStack();
      }
    }
    ~Depth() { --parser.depth_; }
    Parser& parser;
  };
  static constexpr int kMaxDepth = 200;

  ExprPtr parseExpr() {
    Depth d(*this);
    return parseImp();
  }

  template <class Next>
  ExprPtr binaryLevel(Next next, std::initializer_list<std::pair<Tok, Op>> ops) {
    ExprPtr left = (this->*next)();
    while (true) {
      bool matched = false;
      for (auto [tok, op] : ops) {
        if (cur().kind == tok) {
          const Token& t = cur();
          if (++operators_ > kMaxOperators) fail(cerr::kOutOfMemory);
          advance();
          ExprPtr right = (this->*next)();
          left = std::make_unique<BinaryExpr>(t.line, t.col, op, std::move(left), std::move(right));
          matched = true;
          break;
        }
      }
      if (!matched) return left;
    }
  }

  ExprPtr parseImp() { return binaryLevel(&Parser::parseEqv, {{Tok::KwImp, Op::Imp}}); }
  ExprPtr parseEqv() { return binaryLevel(&Parser::parseXor, {{Tok::KwEqv, Op::Eqv}}); }
  ExprPtr parseXor() { return binaryLevel(&Parser::parseOr, {{Tok::KwXor, Op::Xor}}); }
  ExprPtr parseOr() { return binaryLevel(&Parser::parseAnd, {{Tok::KwOr, Op::Or}}); }
  ExprPtr parseAnd() { return binaryLevel(&Parser::parseNot, {{Tok::KwAnd, Op::And}}); }
  ExprPtr parseNot() {
    Depth d(*this);
    if (cur().kind == Tok::KwNot) {
      const Token& t = cur();
      advance();
      return std::make_unique<UnaryExpr>(t.line, t.col, Op::Not, parseNot());
    }
    return parseCompare();
  }
  ExprPtr parseCompare() {
    return binaryLevel(&Parser::parseConcat, {{Tok::Eq, Op::Eq},
                                              {Tok::Ne, Op::Ne},
                                              {Tok::Lt, Op::Lt},
                                              {Tok::Le, Op::Le},
                                              {Tok::Gt, Op::Gt},
                                              {Tok::Ge, Op::Ge},
                                              {Tok::KwIs, Op::Is}});
  }
  ExprPtr parseConcat() { return binaryLevel(&Parser::parseAdd, {{Tok::Amp, Op::Concat}}); }
  ExprPtr parseAdd() {
    return binaryLevel(&Parser::parseMod, {{Tok::Plus, Op::Add}, {Tok::Minus, Op::Sub}});
  }
  ExprPtr parseMod() { return binaryLevel(&Parser::parseIntDiv, {{Tok::KwMod, Op::Mod}}); }
  ExprPtr parseIntDiv() { return binaryLevel(&Parser::parseMul, {{Tok::Backslash, Op::IntDiv}}); }
  ExprPtr parseMul() {
    return binaryLevel(&Parser::parseUnary, {{Tok::Star, Op::Mul}, {Tok::Slash, Op::Div}});
  }
  ExprPtr parseUnary() {
    Depth d(*this);
    return parsePow();
  }
  // A sign binds tighter than `^`: -3 ^ 2 is 9.
  ExprPtr parsePow() {
    ExprPtr left = parsePrimaryUnaryChain();
    while (cur().kind == Tok::Caret) {
      const Token& t = cur();
      advance();
      // The exponent may carry its own sign: 2 ^ -1.
      ExprPtr right;
      if (cur().kind == Tok::Minus || cur().kind == Tok::Plus) {
        const Token& st = cur();
        Op op = st.kind == Tok::Minus ? Op::Neg : Op::Plus;
        advance();
        right = std::make_unique<UnaryExpr>(st.line, st.col, op, parsePrimaryUnaryChain());
      } else {
        right = parsePrimary();
      }
      left =
          std::make_unique<BinaryExpr>(t.line, t.col, Op::Pow, std::move(left), std::move(right));
    }
    return left;
  }
  ExprPtr parsePrimaryUnaryChain() {
    Depth d(*this);
    if (cur().kind == Tok::Minus || cur().kind == Tok::Plus) {
      const Token& st = cur();
      Op op = st.kind == Tok::Minus ? Op::Neg : Op::Plus;
      advance();
      return std::make_unique<UnaryExpr>(st.line, st.col, op, parsePrimaryUnaryChain());
    }
    return parsePrimary();
  }

  ExprPtr parsePrimary() {
    if (++exprDepth_ > 400) fail(cerr::kOutOfMemory);
    struct DepthGuard {
      int& d;
      ~DepthGuard() { --d; }
    } guard{exprDepth_};
    const Token& t = cur();
    switch (t.kind) {
    case Tok::Number:
    case Tok::Date: {
      auto e = std::make_unique<LiteralExpr>(t.line, t.col, t.value);
      advance();
      return e;
    }
    case Tok::String: {
      auto e = std::make_unique<LiteralExpr>(t.line, t.col, automation::Variant(t.text));
      advance();
      return e;
    }
    case Tok::KwTrue:
      advance();
      return std::make_unique<LiteralExpr>(t.line, t.col, automation::Variant(true));
    case Tok::KwFalse:
      advance();
      return std::make_unique<LiteralExpr>(t.line, t.col, automation::Variant(false));
    case Tok::KwEmpty:
      advance();
      return std::make_unique<LiteralExpr>(t.line, t.col, automation::Variant());
    case Tok::KwNull:
      advance();
      return std::make_unique<LiteralExpr>(t.line, t.col, automation::Variant::null());
    case Tok::KwNothing:
      advance();
      return std::make_unique<LiteralExpr>(t.line, t.col, automation::Variant::nothing());
    case Tok::KwNew: {
      advance();
      auto e = std::make_unique<NewExpr>(t.line, t.col, identName());
      return e;
    }
    case Tok::LParen: {
      advance();
      ExprPtr inner = parseExpr();
      expect(Tok::RParen, cerr::kExpectedRParen);
      auto e = std::make_unique<ParenExpr>(t.line, t.col, std::move(inner));
      return parsePostfix(std::move(e), nullptr);
    }
    case Tok::Ident:
    case Tok::KwMe:
    case Tok::Dot:
      return parseChain(nullptr);
    case Tok::Minus:
    case Tok::Plus:
    case Tok::KwNot:
      return parseNot();
    default:
      fail(cerr::kExpectedExpression);
    }
  }

  std::string_view src_;
  std::vector<Token> t_;
  size_t p_ = 0;
  Program* prog_ = nullptr;
  int procDepth_ = 0;
  Tok procKind_ = Tok::KwSub;
  int blockDepth_ = 0;
  int forDepth_ = 0;
  int doDepth_ = 0;
  int exprDepth_ = 0;
  int depth_ = 0;
  // Operators in one expression: a left-deep chain is walked recursively later.
  int operators_ = 0;
  static constexpr int kMaxOperators = 4000;
  bool lastParenIsLast_ = false;
  size_t spacedParen_ = 0; // first `(` after a blank in a statement's leading chain
  bool afterSpaced_ = false;
  size_t stopAt_ = 0;
};

} // namespace

std::unique_ptr<Program> parse(std::string_view source, ParseMode mode) {
  std::vector<Token> toks = tokenize(source);
  // `Property` is a keyword only where it declares or ends a property; elsewhere it is a name.
  for (size_t i = 0; i < toks.size(); ++i) {
    if (toks[i].kind != Tok::KwProperty) continue;
    bool declares =
        i + 1 < toks.size() && (identIs(toks[i + 1], "get") || toks[i + 1].kind == Tok::KwLet ||
                                toks[i + 1].kind == Tok::KwSet);
    bool closes = i > 0 && (toks[i - 1].kind == Tok::KwEnd || toks[i - 1].kind == Tok::KwExit);
    if (!declares && !closes) toks[i].kind = Tok::Ident;
  }
  Parser p(source, std::move(toks));
  return mode == ParseMode::Expression ? p.parseExpressionProgram() : p.parseProgram();
}

} // namespace quillet::platform::vbscript
