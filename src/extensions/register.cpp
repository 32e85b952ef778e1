#include "extensions/register.h"

#include "extensions/codebase.h"
#include "extensions/custom_scripts.h"
#include "extensions/extension.h"
#include "platform/automation/factory.h"

namespace quillet::extensions {

void registerExtensionClasses() {
  automation::registerClass<RUZExtensions>("Quillet.RUZExtensions");
  automation::registerClass<RUZExtension>("Quillet.RUZExtension");
  automation::registerClass<RUZExtProj>("Quillet.RUZExtProj");
  automation::registerClass<RUZCustomScripts>("Quillet.RUZCustomScripts");
  automation::registerClass<RUZCustomScript>("Quillet.RUZCustomScript");
  automation::registerClass<RUZCodeBase>("Quillet.RUZCodeBase");
}

} // namespace quillet::extensions
