#include "platform/vbscript/compile_errors.h"

namespace quillet::platform::vbscript {

std::string compileErrorMessage(int32_t number) {
  switch (number) {
#define QUILLET_COMPILE_ERROR_TEXT(name, number, text)                                             \
  case number:                                                                                     \
    return text;
    QUILLET_COMPILE_ERRORS(QUILLET_COMPILE_ERROR_TEXT)
#undef QUILLET_COMPILE_ERROR_TEXT
  default:
    return {};
  }
}

} // namespace quillet::platform::vbscript
