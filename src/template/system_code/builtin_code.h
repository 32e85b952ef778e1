#pragma once
// The script code that ships inside the program: the system code that compiled templates
// call (one text per program language) and the validation code that checks a project before
// generation. The script host asks for them through RUZStatus::GetSysCode, which reads the
// context's ScriptCodeProvider.
//
// What the system code defines for templates (both languages):
//   globals  CTRL, TABLE, FIELD         the current control, table and field (qz_LoadCurrent)
//            bHandleTemplateError       False; True makes page functions go on after errors
//            qz_IndentWrk               the indent of the last "~" block
//   classes  StringBuilder              Append(text), ToString(), Clear(), Length
//            cSystemFunctions           text helpers (created as SYSTEMFUNCTIONS)
//   procs    qz_SetLocale, qz_LoadCurrent, and the markers Control_Start (""), Class_Start
//            and Class_End (a partial page class named after the table and control),
//            Register(prefix, name, source) (a Register directive: TagName/Src when the
//            source ends in ".ascx", else Namespace/Assembly), Include(kind, path, remark)
//            (a server-side include of kind "file" or "virtual")
// Every text function of cSystemFunctions may be post-processed by a user function named
// "USER_" followed by its name, which receives the result and returns the new one.
#include <memory>
#include <string>
#include <string_view>

#include "core/status.h"

namespace quillet::templating {

// The built-in code for a key: "VB" and "C#" the system code, "VL" the validation code
// (the key may carry the blank that fills it to two characters); "" for any other key.
std::string builtinScriptCode(std::string_view key);

// Serves builtinScriptCode.
class BuiltinScriptCode : public core::ScriptCodeProvider {
public:
  std::string code(std::string_view key) override { return builtinScriptCode(key); }
};

// Installs the built-in code in the current context unless a provider is installed there.
void ensureScriptCodeProvider();

} // namespace quillet::templating
