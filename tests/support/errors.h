#pragma once
// The VB error number a piece of code raises, or 0 when it raises none.
#include <functional>

#include "platform/automation/error.h"

namespace quillet::testing {

inline int errorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const platform::automation::Error& e) {
    return e.number();
  }
  return 0;
}

} // namespace quillet::testing
