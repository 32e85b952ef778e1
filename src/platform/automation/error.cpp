#include "platform/automation/error.h"

#include <unordered_map>

namespace quillet::platform::automation {

std::string standardMessage(int32_t number) {
  static const std::unordered_map<int32_t, const char*> messages = {
#define QUILLET_STANDARD_ERROR_TEXT(name, number, text) {number, text},
      QUILLET_STANDARD_ERRORS(QUILLET_STANDARD_ERROR_TEXT)
#undef QUILLET_STANDARD_ERROR_TEXT
  };

  auto it = messages.find(number);
  return it == messages.end() ? std::string() : std::string(it->second);
}

Error::Error(int32_t number, std::string description, std::string source)
    : number_(number), description_(std::move(description)), source_(std::move(source)) {
  if (description_.empty()) {
    description_ = standardMessage(number);
    if (description_.empty()) description_ = "Unknown runtime error";
  }
}

void raise(int32_t number, std::string description, std::string source) {
  throw Error(number, std::move(description), std::move(source));
}

} // namespace quillet::platform::automation
