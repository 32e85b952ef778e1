#include "core/core.h"

#include "core/identifiers.h"
#include "core/properties.h"
#include "platform/automation/factory.h"

namespace quillet::core {

void registerCoreClasses() {
  namespace a = ::quillet::platform::automation;
  a::registerClass("Quillet.AGProperty",
                   [] { return a::Ref<a::Object>(a::makeRef<AGProperty>()); });
  a::registerClass("Quillet.AGProperties",
                   [] { return a::Ref<a::Object>(a::makeRef<AGProperties>()); });
  a::registerClass("Quillet.RUZKeyword",
                   [] { return a::Ref<a::Object>(a::makeRef<RUZKeyword>()); });
}

} // namespace quillet::core
