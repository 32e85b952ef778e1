#include "model/register.h"

#include "model/controlitems.h"
#include "platform/automation/factory.h"

namespace quillet::model {

void registerModelClasses() {
  automation::registerClass<AGControlItems>("Quillet.AGControlItems");
  automation::registerClass<AGControlItem>("Quillet.AGControlItem");
}

} // namespace quillet::model
