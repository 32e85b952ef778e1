#pragma once
// What the script engine needs of the library beyond the function table: the Mid statement,
// the RegExp class behind `New RegExp`, and registration of the creatable script objects.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/automation/object.h"
#include "platform/automation/variant.h"

namespace quillet::platform::vbscript {

// `Mid(target, start[, length]) = replacement`: the new text of the target variable. The
// length of the target never changes; error 5 when start is below 1 or past the end or the
// length is negative, 94 when the target or an argument is Null. Pass Variant::missing()
// for an omitted length.
automation::Variant midStatement(const automation::Variant& target,
                                 const automation::Variant& start,
                                 const automation::Variant& length,
                                 const automation::Variant& replacement);

// A new "VBScript.RegExp" object, for the engine's `New RegExp`.
automation::Ref<automation::Object> newRegExp();

// Registers every creatable script object with the class factory ("Scripting.Dictionary",
// "Scripting.FileSystemObject", "VBScript.RegExp", "ADODB.Stream"). Safe to call repeatedly.
void registerScriptObjects();

} // namespace quillet::platform::vbscript
