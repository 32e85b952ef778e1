#include "core/core.h"

#include "core/identifiers.h"
#include "core/properties.h"
#include "platform/automation/factory.h"

namespace quillet::core {

void registerCoreClasses() {
  namespace a = ::quillet::platform::automation;
  a::registerClass<AGProperty>("Quillet.AGProperty");
  a::registerClass<AGProperties>("Quillet.AGProperties");
  a::registerClass<RUZKeyword>("Quillet.RUZKeyword");
}

} // namespace quillet::core
