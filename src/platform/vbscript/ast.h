#pragma once
// The syntax tree of a code chunk. The compiler annotates it once (slots of locals, indices of
// global names and call sites, members of the class) with nothing that belongs to an engine,
// so one compiled chunk can run in several engines and threads at once; each engine links
// it to its own cells and caches (LinkedProgram) and the interpreter walks the const tree.
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/automation/object.h"
#include "platform/automation/variant.h"
#include "platform/text/ascii.h"
#include "platform/vbscript/builtins.h"

namespace quillet::platform::vbscript {

struct ProcDef;

enum class Op : uint8_t {
  Add,
  Sub,
  Mul,
  Div,
  IntDiv,
  Mod,
  Pow,
  Concat,
  Eq,
  Ne,
  Lt,
  Le,
  Gt,
  Ge,
  Is,
  And,
  Or,
  Xor,
  Eqv,
  Imp,
  Neg,
  Not,
  Plus,
};

enum class EK : uint8_t { Literal, Ident, Me, Member, Call, Unary, Binary, New, Paren, Missing };

struct Expr {
  explicit Expr(EK k, int l, int c) : kind(k), line(l), col(c) {}
  virtual ~Expr() = default;
  EK kind;
  int line;
  int col;
};
using ExprPtr = std::unique_ptr<Expr>;

struct LiteralExpr : Expr {
  LiteralExpr(int l, int c, automation::Variant v) : Expr(EK::Literal, l, c), value(std::move(v)) {}
  automation::Variant value;
  // A text may share a counted block, which threads must not share: each engine reads its
  // own copy (LinkedProgram::texts) by this index.
  int text = -1;
};

// How an identifier was resolved.
enum class Bind : uint8_t {
  None,     // not yet compiled
  Local,    // a slot of the frame (ByVal parameter, Dim'd local, the function's result)
  Ref,      // the variable a slot's reference names: a ByRef parameter, or a local of the
            // procedure that runs Eval/Execute code
  Field,    // a variable of the class instance `Me`
  MeMember, // a procedure or property of `Me`'s class
  Global,   // a name of the module (or the global module), looked up through its cell;
            // inside a procedure an undeclared name falls back to an implicit local slot
};

// A member of a script class: a field or its procedures, by name.
struct ClassMember {
  std::string name;
  bool isPublic = true;
  int field = -1;
  const ProcDef* method = nullptr; // Sub or Function
  const ProcDef* get = nullptr;
  const ProcDef* let = nullptr;
  const ProcDef* set = nullptr;
};

struct IdentExpr : Expr {
  IdentExpr(int l, int c, std::string n);
  std::string name;
  std::string lower;
  Bind bind = Bind::None;
  int slot = -1;                       // Local/Ref; a Global's implicit local in a procedure
  int global = -1;                     // Global: the index of its name in Program::globals
  const ClassMember* member = nullptr; // Field / MeMember
  bool isResult = false;               // the function's own name, meaning its result
  // Global in a procedure that sizes it with ReDim: unless the module has a variable of that
  // name when it runs, the slot is a declared local (allowed under Option Explicit).
  bool declaredLocal = false;
  int8_t intrinsic = -1;               // a function of the engine itself (Eval, GetRef, Err...)
  const Builtin* builtin = nullptr;    // the library function of that name, if any
  const BuiltinConstant* constant = nullptr;
};

struct MeExpr : Expr {
  MeExpr(int l, int c) : Expr(EK::Me, l, c) {}
};

// obj.Name; object is null for `.Name` inside With (then withSlot names the With's slot).
struct MemberExpr : Expr {
  MemberExpr(int l, int c) : Expr(EK::Member, l, c) {}
  ExprPtr object;
  std::string name;
  int withSlot = -1;
  int site = -1; // its member cache in the engine's link of the program
};

// callee(args): a call, an array index or a default-member call, decided at run time.
struct CallExpr : Expr {
  CallExpr(int l, int c) : Expr(EK::Call, l, c) {}
  ExprPtr callee;
  std::vector<ExprPtr> args; // an omitted argument is a Missing expression
  // Filled by the compiler: the number of arguments when each can be evaluated straight into
  // a script procedure's frame, else -1; and whether one of them has arguments of its own,
  // which may make it an array element to pass by reference.
  int8_t directArgs = -1;
  // LBound(name) or UBound(name) when the name is the library's where it runs.
  enum ArrayBound : uint8_t { kNoBound, kLowerBound, kUpperBound } arrayBound = kNoBound;
  bool indexedArgs = false;
};

struct UnaryExpr : Expr {
  UnaryExpr(int l, int c, Op o, ExprPtr e) : Expr(EK::Unary, l, c), op(o), operand(std::move(e)) {}
  Op op;
  ExprPtr operand;
};

struct BinaryExpr : Expr {
  BinaryExpr(int l, int c, Op o, ExprPtr a, ExprPtr b)
      : Expr(EK::Binary, l, c), op(o), left(std::move(a)), right(std::move(b)) {}
  Op op;
  ExprPtr left;
  ExprPtr right;
  // The value of a right operand that is a literal held in the tree (a number, a short
  // text), read without looking at the operand's node.
  const automation::Variant* rightLiteral = nullptr;
  // + - * \ Mod or a comparison over variables, literals, LBound/UBound of a variable and
  // those operators again: when every operand holds an Integer or a Long, the whole tree is
  // worked out without making a value per operator (reading operands has no effect, so it can
  // fall back to the general rule).
  bool wholeTree = false;
  // Any operator whose two operands are names or literals held in the tree: variables and
  // literals are read where they are kept and give the operator its values with no tree to
  // walk and no copies (other names take the general way).
  bool leafOperands = false;
};

struct NewExpr : Expr {
  NewExpr(int l, int c, std::string n);
  std::string name;
  std::string lower;
  int global = -1;
};

// A parenthesised expression: an argument written this way is passed by value.
struct ParenExpr : Expr {
  ParenExpr(int l, int c, ExprPtr e) : Expr(EK::Paren, l, c), inner(std::move(e)) {}
  ExprPtr inner;
};

struct MissingExpr : Expr {
  MissingExpr(int l, int c) : Expr(EK::Missing, l, c) {}
};

// ---- statements

enum class SK : uint8_t {
  Assign,
  Call,
  If,
  Select,
  For,
  ForEach,
  Do,
  Exit,
  Dim,
  ReDim,
  Erase,
  Const,
  OnError,
  With,
  Nop,
  AppendAssign,
};

struct Stmt {
  Stmt(SK k, int l, int c) : kind(k), line(l), col(c) {}
  virtual ~Stmt() = default;
  SK kind;
  int line;
  int col;
};
using StmtPtr = std::unique_ptr<Stmt>;
using Block = std::vector<StmtPtr>;

struct AssignStmt : Stmt {
  AssignStmt(int l, int c) : Stmt(SK::Assign, l, c) {}
  ExprPtr target;
  ExprPtr value;
  bool isSet = false;
};

// `x = x & a & b ...` on a plain variable: appended in place.
struct AppendStmt : Stmt {
  AppendStmt(int l, int c) : Stmt(SK::AppendAssign, l, c) {}
  ExprPtr target; // IdentExpr
  std::vector<ExprPtr> parts;
  // The flags below hold when the global names listed here name, in the engine that runs the
  // chunk, plain values (`plainGlobals`) or nothing at all (`libraryGlobals`: library calls);
  // each engine checks them when it links the chunk (see LinkedProgram::appends).
  int site = -1;
  std::vector<int> plainGlobals;
  std::vector<int> libraryGlobals;
  // No part can change the target while it is evaluated (no calls of script code or
  // objects), so the text can be appended in place.
  bool pure = false;
  // Pure, and no part names the variable: parts may be appended one by one.
  bool streaming = false;
  // No part names the variable or runs code text (Eval): when the variable is a local of the
  // running procedure, nothing the parts call can reach it, so they stream in even when they
  // call script code or objects (`s = s & f.Caption`).
  bool localStreaming = false;
};

struct CallStmt : Stmt {
  CallStmt(int l, int c) : Stmt(SK::Call, l, c) {}
  ExprPtr call; // CallExpr, IdentExpr or MemberExpr
  // The name may be a library function with rules of its own as a statement.
  const IdentExpr* library = nullptr;
};

struct IfStmt : Stmt {
  IfStmt(int l, int c) : Stmt(SK::If, l, c) {}
  std::vector<std::pair<ExprPtr, Block>> branches;
  Block elseBlock;
};

struct CaseItem {
  enum Kind : uint8_t { Value, Range, Compare } kind = Value;
  Op op = Op::Eq;
  ExprPtr a;
  ExprPtr b;
};

struct SelectStmt : Stmt {
  SelectStmt(int l, int c) : Stmt(SK::Select, l, c) {}
  ExprPtr subject;
  struct Case {
    std::vector<CaseItem> items;
    Block body;
  };
  std::vector<Case> cases;
  bool hasElse = false;
  Block elseBlock;
};

struct ForStmt : Stmt {
  ForStmt(int l, int c) : Stmt(SK::For, l, c) {}
  ExprPtr var; // IdentExpr
  ExprPtr from, to, step;
  Block body;
};

struct ForEachStmt : Stmt {
  ForEachStmt(int l, int c) : Stmt(SK::ForEach, l, c) {}
  ExprPtr var;
  ExprPtr collection;
  Block body;
};

struct DoStmt : Stmt {
  DoStmt(int l, int c) : Stmt(SK::Do, l, c) {}
  enum Cond : uint8_t { None, PreWhile, PreUntil, PostWhile, PostUntil } cond = None;
  ExprPtr test;
  Block body;
};

struct ExitStmt : Stmt {
  enum What : uint8_t { Do, For, Proc } what;
  ExitStmt(int l, int c, What w) : Stmt(SK::Exit, l, c), what(w) {}
};

struct DimItem {
  std::unique_ptr<IdentExpr> var;
  std::vector<ExprPtr> dims; // ReDim and fixed-size Dim
  bool isArray = false;      // `Dim a()` or `Dim a(3)`
};

struct DimStmt : Stmt {
  DimStmt(int l, int c) : Stmt(SK::Dim, l, c) {}
  std::vector<DimItem> items;
};

struct ReDimStmt : Stmt {
  ReDimStmt(int l, int c) : Stmt(SK::ReDim, l, c) {}
  bool preserve = false;
  std::vector<DimItem> items;
};

struct EraseStmt : Stmt {
  EraseStmt(int l, int c) : Stmt(SK::Erase, l, c) {}
  std::vector<ExprPtr> vars;
};

struct ConstStmt : Stmt {
  ConstStmt(int l, int c) : Stmt(SK::Const, l, c) {}
  std::vector<std::pair<std::unique_ptr<IdentExpr>, ExprPtr>> items;
};

struct OnErrorStmt : Stmt {
  OnErrorStmt(int l, int c, bool r) : Stmt(SK::OnError, l, c), resumeNext(r) {}
  bool resumeNext;
};

struct WithStmt : Stmt {
  WithStmt(int l, int c) : Stmt(SK::With, l, c) {}
  ExprPtr object;
  int slot = -1;
  Block body;
};

// ---- declarations

enum class ProcKind : uint8_t { Sub, Function, PropertyGet, PropertyLet, PropertySet };

struct Param {
  std::string name;
  bool byRef = true;
};

struct ProcDef {
  std::string name;
  std::string lower;
  ProcKind kind = ProcKind::Sub;
  bool isPublic = true;
  bool isDefault = false;
  int line = 0;
  int col = 0;
  std::vector<Param> params;
  Block body;
  // Filled by the compiler.
  int slotCount = 0;
  int resultSlot = -1;
  int arity = 0;           // params.size(), read on every call
  uint64_t byRefMask = 0;  // bit i: the i-th parameter (of the first 64) is ByRef
  std::unordered_map<std::string, int> locals; // lower-cased name -> slot (Eval, Execute)
  // Names only ReDim declares: locals unless the module has a variable of that name when the
  // code runs (IdentExpr::declaredLocal).
  std::unordered_map<std::string, int> redims;
  std::vector<int> arraySlots;                 // slots of `Dim a(n)` created on entry
  bool explicitNames = false; // Option Explicit in its chunk
  const struct Program* program = nullptr; // the chunk that defines it
  bool returnsValue() const { return kind == ProcKind::Function || kind == ProcKind::PropertyGet; }
};

struct FieldDecl {
  std::string name;
  bool isPublic = true;
  std::vector<ExprPtr> dims;
  bool isArray = false;
  int line = 0;
  int col = 0;
};

struct ClassDecl {
  std::string name;
  int line = 0;
  int col = 0;
  std::vector<FieldDecl> fields;
  std::vector<std::unique_ptr<ProcDef>> procs;
  // Filled by the compiler.
  std::unordered_map<std::string, ClassMember> members; // by lower-cased name
  const ClassMember* defaultMember = nullptr;
  const ProcDef* initialize = nullptr;
  const ProcDef* terminate = nullptr;
};

// A global name a chunk refers to: the strings of one of its identifiers.
struct GlobalName {
  const std::string* lower;
  const std::string* name;
};

// A parsed code chunk. Procedures and classes are defined before the top-level statements
// run; everything here stays alive as long as anything defined by it can still be called.
struct Program {
  std::string source;
  Block top;
  std::vector<std::unique_ptr<ProcDef>> procs;
  std::vector<std::unique_ptr<ClassDecl>> classes;
  bool optionExplicit = false;
  ExprPtr expr;     // ParseMode::Expression: the expression
  int topSlots = 0; // With and temporaries of the top-level code
  // Filled by the compiler.
  bool compiled = false;
  std::vector<GlobalName> globals;                  // what IdentExpr/NewExpr::global index
  int memberSites = 0;                              // MemberExpr::site counts up to this
  std::vector<const LiteralExpr*> texts;            // by LiteralExpr::text
  std::vector<const AppendStmt*> appends;           // by AppendStmt::site
};

enum class ParseMode { Statements, Expression };

// Parses a chunk; throws CompileError.
std::unique_ptr<Program> parse(std::string_view source, ParseMode mode = ParseMode::Statements);

using text::lowerAscii;

} // namespace quillet::platform::vbscript
