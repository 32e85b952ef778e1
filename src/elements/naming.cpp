#include "elements/naming.h"

namespace quillet::elements {

// Placeholders until the core's naming helpers are merged.
std::string varName(const std::string& name, const std::string& prefix) { return prefix + name; }
std::string captionOf(const std::string& name) { return name; }

} // namespace quillet::elements
