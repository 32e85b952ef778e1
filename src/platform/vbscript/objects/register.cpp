#include "platform/vbscript/library.h"

namespace quillet::platform::vbscript {

void registerScriptObjects() {}
automation::Ref<automation::Object> newRegExp() {
  return nullptr;
}

} // namespace quillet::platform::vbscript
