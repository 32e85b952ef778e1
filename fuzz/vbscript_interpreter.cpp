// Runs arbitrary script text in a fresh engine with a short time-out and a small memory
// ceiling: every input must end in its output or a script error, within those bounds.
// Only objects without side effects outside the process are reachable (no file system).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/automation/context.h"
#include "platform/automation/error.h"
#include "platform/vbscript/runtime.h"

namespace au = quillet::platform::automation;
namespace vbs = quillet::platform::vbscript;

// Reference cycles between script objects are never freed, as in the language itself; a
// leak report would be about the script, not the engine.
extern "C" const char* __asan_default_options() {
  return "detect_leaks=0";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  au::Context::Scope scope;
  vbs::Engine engine;
  engine.setTimeout(200);
  engine.setMemoryCeiling(size_t(64) << 20);
  try {
    engine.addCode(engine.globalModule(),
                   std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const au::Error&) {
  }
  try {
    engine.reset();
  } catch (const au::Error&) {
  }
  return 0;
}
