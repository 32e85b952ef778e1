#pragma once
// The script-control facade: the engine as an automation object ("Quillet.ScriptControl")
// and as a C++ class. Code is added to the global module or to named modules, procedures are
// run by name, and the last error is kept in `Error` with its place in the added chunk.
#include <memory>
#include <string>

#include "platform/automation/members.h"
#include "platform/vbscript/runtime.h"

namespace quillet::platform::vbscript {

class ScriptControl;

class ScriptError : public automation::Object {
  QUILLET_OBJECT(ScriptError)
public:
  int32_t Number() const { return number_; }
  std::string Source() const { return source_; }
  std::string Description() const { return description_; }
  int32_t Line() const { return line_; }
  // From 0, counting bytes of the line.
  int32_t Column() const { return column_; }
  // The source line of a compile error.
  std::string Text() const { return text_; }
  // The added code chunk that holds the failing statement of a runtime error; "" when
  // unknown (and for compile errors, which lie in the code being added).
  const std::string& chunk() const { return chunk_; }
  std::string HelpFile() const { return {}; }
  int32_t HelpContext() const { return 0; }
  void Clear();
  void set(const ScriptFailure& f);

private:
  int32_t number_ = 0;
  std::string source_;
  std::string description_;
  int32_t line_ = 0;
  int32_t column_ = 0;
  std::string text_;
  std::string chunk_;
};

class ScriptProcedure : public automation::Object {
  QUILLET_OBJECT(ScriptProcedure)
public:
  ScriptProcedure(std::string name, int32_t args, bool returns)
      : name_(std::move(name)), args_(args), returns_(returns) {}
  std::string Name() const { return name_; }
  int32_t NumArgs() const { return args_; }
  bool HasReturnValue() const { return returns_; }

private:
  std::string name_;
  int32_t args_;
  bool returns_;
};

// A snapshot of a module's procedures, in the order they were first defined.
class ScriptProcedures : public automation::Object {
  QUILLET_OBJECT(ScriptProcedures)
public:
  explicit ScriptProcedures(std::vector<Ref<ScriptProcedure>> items) : items_(std::move(items)) {}
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  // By position from 1 or by name (case-insensitive).
  Ref<ScriptProcedure> Item(const Variant& index) const;
  Ref<automation::Enumerator> NewEnum() const;

private:
  std::vector<Ref<ScriptProcedure>> items_;
};

class ScriptModule : public automation::Object {
  QUILLET_OBJECT(ScriptModule)
public:
  ScriptModule(ScriptControl* owner, std::string name) : owner_(owner), name_(std::move(name)) {}
  std::string Name() const { return name_; }
  void AddCode(const std::string& code);
  Variant Eval(const std::string& expression);
  void ExecuteStatement(const std::string& code);
  Variant Run(Args args);
  Variant RunNamed(const std::string& name, Args args);
  Ref<ScriptProcedures> Procedures() const;

private:
  friend class ScriptControl;
  Module& module() const;
  ScriptControl* owner_;
  std::string name_;
};

class ScriptModules : public automation::Object {
  QUILLET_OBJECT(ScriptModules)
public:
  explicit ScriptModules(ScriptControl* owner) : owner_(owner) {}
  int32_t Count() const;
  Ref<ScriptModule> Item(const Variant& index) const;
  Ref<ScriptModule> Add(const std::string& name);
  Ref<automation::Enumerator> NewEnum() const;

private:
  friend class ScriptControl;
  ScriptControl& owner() const;
  ScriptControl* owner_;
};

class ScriptControl : public automation::Object {
  QUILLET_OBJECT(ScriptControl)
public:
  ScriptControl();
  ~ScriptControl() override;

  std::string Language() const { return "VBScript"; }
  void setLanguage(const std::string& language);
  // Milliseconds; 0 or less: no limit. The default is 10 seconds.
  int32_t Timeout() const { return static_cast<int32_t>(engine_.timeout()); }
  void setTimeout(int32_t ms) { engine_.setTimeout(ms); }
  void Reset();
  void AddObject(const std::string& name, const Variant& object, bool addMembers);
  void AddCode(const std::string& code);
  Variant Eval(const std::string& expression);
  void ExecuteStatement(const std::string& code);
  // Run(name, args...) as scripts call it.
  Variant Run(Args args);
  Variant RunNamed(const std::string& name, Args args = {});
  Ref<ScriptModules> Modules() const { return modules_; }
  Ref<ScriptProcedures> Procedures() const;
  Ref<ScriptError> Error() const { return error_; }

  Engine& engine() { return engine_; }

private:
  friend class ScriptModule;
  friend class ScriptModules;
  // Runs an engine call, keeping a failure in Error before passing it on.
  template <class F> auto guard(F&& fn) -> decltype(fn());
  Ref<ScriptModule> moduleObject(Module& m);

  Engine engine_;
  Ref<ScriptModules> modules_;
  Ref<ScriptError> error_;
  std::vector<Ref<ScriptModule>> moduleObjects_;
};

// Registers "Quillet.ScriptControl" with the class factory.
void registerScriptControlClass();

} // namespace quillet::platform::vbscript
