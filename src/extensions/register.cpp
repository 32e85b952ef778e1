#include "extensions/register.h"

#include "extensions/codebase.h"
#include "extensions/custom_scripts.h"
#include "extensions/extension.h"
#include "platform/automation/factory.h"

namespace quillet::extensions {

namespace {
template <class T> void creatable(const char* progId) {
  automation::registerClass(progId, [] { return Ref<automation::Object>(new T()); });
}
} // namespace

void registerExtensionClasses() {
  creatable<RUZExtensions>("Quillet.RUZExtensions");
  creatable<RUZExtension>("Quillet.RUZExtension");
  creatable<RUZExtProj>("Quillet.RUZExtProj");
  creatable<RUZCustomScripts>("Quillet.RUZCustomScripts");
  creatable<RUZCustomScript>("Quillet.RUZCustomScript");
  creatable<RUZCodeBase>("Quillet.RUZCodeBase");
}

} // namespace quillet::extensions
