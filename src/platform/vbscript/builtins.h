#pragma once
// The contract between the script engine and VBScript's function library. The engine
// resolves a name that is no variable, procedure or class of the script against this table
// (case-insensitively) before it reports "Variable is undefined"; constants (vbCrLf, ...) are
// read-only globals. Functions that need the interpreter itself (Eval, Execute,
// ExecuteGlobal, GetRef, IsObject of script values, TypeName of script class instances) are
// the engine's own; everything else lives in the library.
#include <span>
#include <string>

#include "platform/automation/operators.h"
#include "platform/automation/variant.h"

namespace quillet::platform::vbscript {

using automation::Args;
using automation::Variant;

// What a library function may ask of the engine that calls it.
class BuiltinHost {
public:
  virtual ~BuiltinHost() = default;
  // The script's current locale (SetLocale changes it for the running script).
  virtual int32_t locale() const = 0;
  virtual void setLocale(int32_t lcid) = 0;
};

struct BuiltinCall {
  Args args;         // a variable passed by reference is the caller's own
  BuiltinHost* host; // never null
  // The error the function raised, 0 when none. A function records its error here and
  // returns, and the engine raises it as its own, so a script that handles it (On Error
  // Resume Next) pays no C++ exception. Native code a function calls may still throw.
  int32_t fault = 0;
  // Records an error (the first one stays) and gives the value the function returns with it.
  Variant fail(int32_t number) {
    if (!fault) fault = number;
    return Variant();
  }
  bool failed() const { return fault != 0; }
  const Variant& arg(size_t i) const { return args[i]; }
  size_t count() const { return args.size(); }
  bool has(size_t i) const { return i < args.size() && !args[i].isMissing(); }
};

using BuiltinFn = Variant (*)(BuiltinCall& call);

// Where a library function may be used.
enum BuiltinUse : uint8_t {
  kAnywhere = 0,
  kValueOnly = 1,     // a conversion: called as a statement it raises 458
  kStatementOnly = 2, // a procedure with no value: used in an expression it raises 13
};

struct Builtin {
  const char* name;
  int minArgs;
  int maxArgs; // -1: any number
  BuiltinFn fn;
  BuiltinUse use = kAnywhere;
};

struct BuiltinConstant {
  const char* name;
  Variant value;
};

// The library's functions and constants. Lookups are case-insensitive; a null result means
// the name is not the library's.
const Builtin* findBuiltin(std::string_view name);
const BuiltinConstant* findBuiltinConstant(std::string_view name);
std::span<const Builtin> builtinFunctions();
std::span<const BuiltinConstant> builtinConstants();

} // namespace quillet::platform::vbscript
