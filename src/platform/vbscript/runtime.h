#pragma once
// The engine behind the script-control facade: modules of global names, script classes and
// their instances, and the interpreter of compiled code chunks.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <typeinfo>
#include <unordered_map>
#include <vector>

#include "platform/automation/error.h"
#include "platform/automation/limits.h"
#include "platform/automation/members.h"
#include "platform/automation/object.h"
#include "platform/vbscript/ast.h"
#include "platform/vbscript/builtins.h"

namespace quillet::platform::vbscript {

using automation::Ref;

class Engine;
class ErrObject;

struct Cell;
struct Module;
struct ClassDef;

// A compiled chunk as one engine runs it: the cells its global names stand for and the
// caches of its call sites. The chunk itself stays shared and unchanged.
struct LinkedProgram {
  std::shared_ptr<const Program> program;
  Module* module = nullptr;
  std::vector<Cell*> cells; // by IdentExpr/NewExpr::global: the cell in the chunk's module
  std::vector<Cell*> outer; // the same name in the global module (named modules), else null
  // The member last found at a MemberExpr::site: on a script class instance (by the class's
  // unique id), or on a native object by its dynamic type (one member table per class).
  struct Site {
    uint64_t cls = 0;
    const ClassMember* member = nullptr;
    const std::type_info* type = nullptr;
    const automation::Member* native = nullptr;
  };
  std::vector<Site> sites;
  // By AppendStmt::site: the statement's flags hold in this engine.
  std::vector<uint8_t> appends;
  std::vector<Variant> texts; // by LiteralExpr::text: this engine's copies of the texts
};

// A global name of a module. Code refers to cells, never to names, so a procedure defined
// (or redefined) later is what the next call reaches.
struct Cell {
  enum Kind : uint8_t { Undefined, Variable, Constant, Procedure, Class, Object };
  Kind kind = Undefined;
  std::string name;
  Variant value;                        // Variable, Constant, Object
  const ProcDef* proc = nullptr;        // Procedure
  std::shared_ptr<LinkedProgram> owner; // Procedure: its chunk as linked here, kept alive
  std::shared_ptr<ClassDef> cls;        // Class
};

struct Module {
  std::string name;
  bool isGlobal = false;
  std::unordered_map<std::string, std::unique_ptr<Cell>> cells; // by lower-cased name
  std::vector<Cell*> order;           // cells in the order their names first appeared
  std::vector<std::string> procOrder; // lower-cased procedure names, first definition order
  std::vector<std::shared_ptr<LinkedProgram>> programs;

  Cell* find(const std::string& lower) const {
    auto it = cells.find(lower);
    return it == cells.end() ? nullptr : it->second.get();
  }
  Cell* cell(const std::string& lower, std::string_view name) {
    auto& c = cells[lower];
    if (!c) {
      c = std::make_unique<Cell>();
      c->name = std::string(name);
      order.push_back(c.get());
    }
    return c.get();
  }
};

struct ClassDef {
  explicit ClassDef(std::string n) : name(n), info(std::move(n)) {}
  std::string name;
  uint64_t id = 0;          // unique for the process: call sites cache members by it
  Engine* engine = nullptr; // null once the engine is reset or gone
  std::shared_ptr<LinkedProgram> link; // its chunk as linked in the engine
  const ClassDecl* decl = nullptr;     // members, shared by every engine running the chunk
  automation::ClassInfo info; // empty: members are found through ScriptObject::invoke
  const ClassMember* find(std::string_view name) const;
};

// An instance of a script class.
class ScriptObject final : public automation::Object {
public:
  explicit ScriptObject(std::shared_ptr<ClassDef> c);
  ~ScriptObject() override;
  const automation::ClassInfo& classInfo() const override { return cls_->info; }
  Variant invoke(std::string_view name, int kind, Args args) override;
  Variant invokeDefault(int kind, Args args) override;
  std::string typeName() const override { return cls_->name; }

  // A member call; `inside` allows private members (calls through Me).
  Variant call(const ClassMember& m, int kind, Args args, bool inside);
  ClassDef& cls() const { return *cls_; }
  std::vector<Variant>& fields() { return fields_; }

protected:
  void lastReleased() noexcept override;

private:
  std::shared_ptr<ClassDef> cls_;
  std::vector<Variant> fields_;
  bool terminated_ = false;
};

// A runtime error leaving the engine, with its place in the code chunk where it happened.
class ScriptFailure : public automation::Error {
public:
  ScriptFailure(int32_t number, std::string description, std::string source, int line, int column,
                std::string text)
      : automation::Error(number, std::move(description), std::move(source)), line_(line),
        column_(column), text_(std::move(text)) {}
  int line() const { return line_; }
  int column() const { return column_; }
  const std::string& text() const { return text_; }
  // The code chunk (as added) that holds the failing statement of a runtime error; "" when
  // unknown. Line and column count within it.
  const std::string& chunk() const { return chunk_; }
  void setChunk(std::string chunk) { chunk_ = std::move(chunk); }

private:
  int line_;
  int column_;
  std::string text_;
  std::string chunk_;
};

// An error about a named thing (a variable, a member): Err.Description keeps the standard
// text, and the report of an uncaught error names the thing.
class NamedError : public automation::Error {
public:
  NamedError(int32_t number, std::string name)
      : automation::Error(number), name_(std::move(name)) {}
  const std::string& name() const { return name_; }

private:
  std::string name_;
};

// What Err.Raise throws: the help file and context travel with the error.
class RaisedError : public automation::Error {
public:
  RaisedError(int32_t number, std::string description, std::string source, std::string helpFile,
              int32_t helpContext)
      : automation::Error(number, std::move(description), std::move(source)),
        helpFile_(std::move(helpFile)), helpContext_(helpContext) {}
  const std::string& helpFile() const { return helpFile_; }
  int32_t helpContext() const { return helpContext_; }

private:
  std::string helpFile_;
  int32_t helpContext_;
};

inline constexpr const char* kCompileSource = "VBScript compilation error";
inline constexpr const char* kRuntimeSource = "VBScript runtime error";
// The number of the time-out error (not catchable by On Error Resume Next).
inline constexpr int32_t kTimeoutError = static_cast<int32_t>(0x80040000u) | 0x1770;

// Parses and compiles a chunk for Engine::addCode; compile errors leave as ScriptFailure.
std::shared_ptr<const Program> compile(std::string_view code);

class Engine : public BuiltinHost {
public:
  Engine();
  ~Engine() override;
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  Module& globalModule() { return *modules_.front(); }
  Module* findModule(std::string_view name);
  Module& addModule(std::string_view name);
  const std::vector<std::unique_ptr<Module>>& modules() const { return modules_; }

  void addObject(std::string_view name, const Variant& object, bool addMembers);
  // Compiles a chunk into the module and runs its top-level statements. Errors leave as
  // ScriptFailure (compile errors with their number 1001-1058).
  void addCode(Module& m, std::string_view code);
  // Adds a chunk compiled once (compile()) and runs its top-level statements; the same chunk
  // may be added to several engines, in several threads.
  void addCode(Module& m, const std::shared_ptr<const Program>& program);
  Variant eval(Module& m, std::string_view expression);
  void executeStatement(Module& m, std::string_view code);
  Variant run(Module& m, std::string_view name, Args args);
  // Drops every module, name and object; script objects and procedure references still
  // held outside stop working. Raises 5 while the engine runs code.
  void reset();
  // Changes on every reset and expires with the engine: what hands out references into the
  // engine's code checks it before using them.
  std::shared_ptr<const uint64_t> life() const { return life_; }

  // Milliseconds; 0 or less: no limit.
  void setTimeout(int64_t ms) { timeoutMs_ = ms; }
  int64_t timeout() const { return timeoutMs_; }
  // Bytes of heap a run may take before it raises 7 (Out of memory); 0: the default ceiling
  // (automation::defaultMemoryCeiling). Hosts lower it for scripts they trust less.
  void setMemoryCeiling(size_t bytes) { memoryCeiling_ = bytes; }
  size_t memoryCeiling() const { return memoryCeiling_; }

  // BuiltinHost
  int32_t locale() const override { return lcid_; }
  void setLocale(int32_t lcid) override { lcid_ = lcid; }

  ErrObject& err() { return *err_; }

  // Calls a procedure: its ByRef parameters name the arguments' variables, its ByVal ones
  // take copies.
  // `link` is the procedure's chunk as linked in this engine.
  Variant callProc(const ProcDef& p, LinkedProgram& link, ScriptObject* me, Args args);
  // Instantiates a script class.
  Ref<ScriptObject> instantiate(const std::shared_ptr<ClassDef>& cls);

  struct Frame;
  struct Impl;

private:
  friend class ScriptObject;
  std::vector<std::unique_ptr<Module>> modules_;
  std::unique_ptr<Impl> impl_;
  Ref<ErrObject> err_;
  int64_t timeoutMs_ = 0;
  size_t memoryCeiling_ = 0;
  int32_t lcid_ = 1033;
  std::shared_ptr<uint64_t> life_;
};

// The script's Err object.
class ErrObject : public automation::Object {
  QUILLET_OBJECT(ErrObject)
public:
  int32_t Number() const { return number_; }
  void setNumber(int32_t n) { number_ = n; }
  std::string Description() const { return description_; }
  void setDescription(const std::string& d) { description_ = d; }
  std::string Source() const { return source_; }
  void setSource(const std::string& s) { source_ = s; }
  std::string HelpFile() const { return helpFile_; }
  void setHelpFile(const std::string& s) { helpFile_ = s; }
  int32_t HelpContext() const { return helpContext_; }
  void setHelpContext(int32_t c) { helpContext_ = c; }
  void Clear();
  void Raise(Args args);
  // The error Raise throws for these arguments (its own argument errors are thrown).
  static std::unique_ptr<RaisedError> raised(Args args);
  void capture(const automation::Error& e);
  // A standard error of the engine: its number, standard text and source.
  void captureStandard(int32_t number);

private:
  int32_t number_ = 0;
  std::string description_;
  std::string source_;
  std::string helpFile_;
  int32_t helpContext_ = 0;
};

} // namespace quillet::platform::vbscript
