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

namespace {
template <class T> void creatable(const char* progId) {
  automation::registerClass(progId, [] { return Ref<automation::Object>(new T()); });
}
} // namespace

void registerTemplateClasses() {
  creatable<RUZControls>("Quillet.RUZControls");
  creatable<RUZControl>("Quillet.RUZControl");
  creatable<RUZSessions>("Quillet.RUZSessions");
  creatable<RUZSession>("Quillet.RUZSession");
  creatable<RUZFileCache>("Quillet.RUZFileCache");
  creatable<RUZStringBuilder>("Quillet.RUZStringBuilder");
  creatable<RUZCache>("Quillet.RUZCache");
  creatable<AGScript>("Quillet.AGScript");
  creatable<AGUserScript>("Quillet.AGUserScript");
  // The progress display serves the built-in script code from the start.
  ensureScriptCodeProvider();
  creatable<RUZFilter>("Quillet.RUZFilter");
}

} // namespace quillet::templating
