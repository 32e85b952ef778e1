// Fuzzes the zip extraction: any bytes as an archive must unpack or be refused with an error,
// never crash, and never leave anything outside the target folder: no file beside it, and no
// link inside it that leads out.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/archive/zip.h"
#include "platform/automation/error.h"
#include "scratch.h"

namespace {

namespace fs = std::filesystem;

bool inside(const fs::path& base, const fs::path& p) {
  auto [bi, pi] = std::mismatch(base.begin(), base.end(), p.begin(), p.end());
  return bi == base.end();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  namespace archive = quillet::platform::archive;
  const fs::path dir = fuzzScratchFolder();
  const fs::path zip = dir / "input.zip";
  const fs::path out = dir / "w" / "out";
  fs::create_directories(dir / "w");
  {
    std::ofstream f(zip, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  archive::Limits limits;
  limits.maxTotalBytes = 1 << 20;
  limits.maxEntries = 1000;
  try {
    archive::extract(zip.string(), out.string(), limits);
  } catch (const quillet::platform::automation::Error&) {
  }
  // Nothing beside the target folder.
  for (const auto& e : fs::directory_iterator(dir / "w"))
    if (e.path() != out) std::abort();
  if (fs::exists(out)) {
    const fs::path base = fs::canonical(out);
    for (auto it = fs::recursive_directory_iterator(out); it != fs::recursive_directory_iterator();
         ++it) {
      std::error_code ec;
      if (it->is_symlink()) {
        const fs::path target = fs::weakly_canonical(it->path(), ec);
        if (!ec && !inside(base, target)) std::abort();
      }
    }
  }
  fs::remove_all(dir / "w");
  return 0;
}
