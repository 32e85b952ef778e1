#pragma once
// The core's naming helpers as the element model uses them.
#include <string>

namespace quillet::elements {

// The script variable name made from an element name (core's MakeVarName).
std::string varName(const std::string& name, const std::string& prefix);
// The display caption made from an element name (core's NameToCaption).
std::string captionOf(const std::string& name);

} // namespace quillet::elements
