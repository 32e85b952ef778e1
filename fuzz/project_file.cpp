// Fuzzes the project file reader: any bytes as a project file must load or be refused with an
// error text, never crash; a file that loads must save to a file that loads again.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/state.h"
#include "platform/automation/context.h"
#include "scratch.h"
#include "project/project_file.h"
#include "project/ruz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  namespace au = quillet::platform::automation;
  namespace core = quillet::core;
  const std::string dir = fuzzScratchFolder();
  const std::string path = dir + "/input.kvz";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  au::Context::Scope scope;
  au::Ref<quillet::project::RUZ> project = au::makeRef<quillet::project::RUZ>();
  project->Load(path);
  if (!core::state().ProjErr.empty()) return 0;
  const std::string again = dir + "/again.kvz";
  project->Save(again);
  if (!core::state().ProjErr.empty()) std::abort();
  au::Ref<quillet::project::RUZ> reread = au::makeRef<quillet::project::RUZ>();
  reread->Load(again);
  // What the writer wrote must read again, and read the same.
  if (!core::state().ProjErr.empty()) std::abort();
  if (quillet::project::projectFileText(*reread) != quillet::project::projectFileText(*project))
    std::abort();
  return 0;
}
