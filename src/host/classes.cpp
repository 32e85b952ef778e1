#include "host/classes.h"

#include "core/core.h"
#include "elements/shared.h"
#include "extensions/register.h"
#include "generation/engine.h"
#include "model/register.h"
#include "platform/data/connection.h"
#include "platform/vbscript/library.h"
#include "platform/vbscript/script_control.h"
#include "project/ruz.h"
#include "schema/register.h"
#include "sync/sync_hooks.h"
#include "template/register.h"

namespace quillet::host {

void registerAllClasses() {
  core::registerCoreClasses();
  platform::data::registerDataClasses();
  platform::vbscript::registerScriptObjects();
  platform::vbscript::registerScriptControlClass();
  elements::registerElementClasses();
  model::registerModelClasses();
  extensions::registerExtensionClasses();
  project::registerProjectClasses();
  templating::registerTemplateClasses();
  schema::registerSchemaClasses();
  sync::registerSyncClasses();
  generation::registerTemplateEngine();
}

} // namespace quillet::host
