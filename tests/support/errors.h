#pragma once
// The VB error a piece of code raises.
#include <cstdint>
#include <functional>
#include <string>

#include "platform/automation/error.h"

namespace quillet::testing {

// Its number, or 0 when it raises none.
inline int errorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const platform::automation::Error& e) {
    return e.number();
  }
  return 0;
}

// Its number and description; number 0 and no description when it raises none.
struct Raised {
  int32_t number = 0;
  std::string description;
};

inline Raised raisedBy(const std::function<void()>& f) {
  try {
    f();
  } catch (const platform::automation::Error& e) {
    return {e.number(), e.description()};
  }
  return {};
}

} // namespace quillet::testing
