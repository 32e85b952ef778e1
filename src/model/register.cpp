#include "model/register.h"

#include "model/controlitems.h"
#include "platform/automation/factory.h"

namespace quillet::model {

void registerModelClasses() {
  automation::registerClass("Quillet.AGControlItems",
                            [] { return Ref<automation::Object>(new AGControlItems()); });
  automation::registerClass("Quillet.AGControlItem",
                            [] { return Ref<automation::Object>(new AGControlItem()); });
}

} // namespace quillet::model
