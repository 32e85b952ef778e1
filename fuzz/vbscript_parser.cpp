// Script text from outside (templates, extensions, user code) reaches the parser first: any
// input must end in a parse tree or a compile error.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/automation/error.h"
#include "platform/vbscript/ast.h"
#include "platform/vbscript/compile_errors.h"

namespace vbs = quillet::platform::vbscript;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  // The first byte picks the mode, so both entries are covered from one corpus.
  vbs::ParseMode mode = !text.empty() && (text[0] & 1) && text[0] != '\n'
                            ? vbs::ParseMode::Expression
                            : vbs::ParseMode::Statements;
  try {
    vbs::parse(text, mode);
  } catch (const vbs::CompileError&) {
  } catch (const quillet::platform::automation::Error&) {
  }
  return 0;
}
