#include "template/register.h"

#include "platform/automation/factory.h"
#include "template/cache.h"
#include "template/compiler.h"
#include "template/controls.h"
#include "template/filters.h"
#include "template/parser.h"
#include "template/script_host.h"
#include "template/system_code/builtin_code.h"

namespace quillet::templating {

void registerTemplateClasses() {
  automation::registerClass<RUZControls>("Quillet.RUZControls");
  automation::registerClass<RUZControl>("Quillet.RUZControl");
  automation::registerClass<RUZSessions>("Quillet.RUZSessions");
  automation::registerClass<RUZSession>("Quillet.RUZSession");
  automation::registerClass<RUZFileCache>("Quillet.RUZFileCache");
  automation::registerClass<RUZStringBuilder>("Quillet.RUZStringBuilder");
  automation::registerClass<RUZCache>("Quillet.RUZCache");
  automation::registerClass<AGScript>("Quillet.AGScript");
  automation::registerClass<AGUserScript>("Quillet.AGUserScript");
  // The progress display serves the built-in script code from the start.
  ensureScriptCodeProvider();
  automation::registerClass<RUZFilter>("Quillet.RUZFilter");
}

} // namespace quillet::templating
