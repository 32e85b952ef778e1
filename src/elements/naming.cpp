#include "elements/naming.h"

#include "core/identifiers.h"
#include "core/text_helpers.h"

namespace quillet::elements {

std::string varName(const std::string& name, const std::string& prefix) {
  return core::MakeVarName(name, prefix);
}

std::string captionOf(const std::string& name) {
  return core::NameToCaption(name);
}

} // namespace quillet::elements
