// Whether an output may replace what is there (with a ".bak" copy first when the user keeps
// backups), and the list of generated files in the destination folder.
#include "core/state.h"
#include "core/text_helpers.h"
#include "generation/generator.h"
#include "platform/automation/context.h"
#include "platform/automation/error.h"
#include "platform/files/files.h"
#include "platform/text/casefold.h"
#include "platform/ui/ui.h"
#include "project/state.h"

namespace quillet::generation {

namespace files = ::quillet::platform::files;
namespace text = ::quillet::platform::text;
namespace ui = ::quillet::platform::ui;
using automation::Context;

namespace {

bool refuseWithMessage(const std::string& path, const automation::Error& e) {
  ui::current().messageBox("Error in open \"" + path + "\", description:" + e.description(),
                           ui::kExclamation, core::state().DisplayName);
  return false;
}

} // namespace

bool Generator::ConfirmOverwriteFile(const std::string& path, bool mayOverwrite, bool checkOnly) {
  try {
    if (checkOnly) return files::fileExists(path);
    if (!files::fileExists(path)) return true;
    if (!mayOverwrite) return false;
    if (proj_.BackupFile) files::copyFile(path, path + ".bak", true);
    return true;
  } catch (const automation::Error& e) {
    return refuseWithMessage(path, e);
  }
}

bool Generator::ConfirmOverwriteFolder(const std::string& path, bool mayOverwrite, bool checkOnly) {
  try {
    if (checkOnly) return files::folderExists(path);
    if (!files::folderExists(path)) return true;
    if (!mayOverwrite) return false;
    if (proj_.BackupFile) {
      std::string bak = path + ".bak";
      if (files::folderExists(bak)) files::deleteFolder(bak, false);
      files::copyFolder(path, bak, true);
    }
    return true;
  } catch (const automation::Error& e) {
    return refuseWithMessage(path, e);
  }
}

void Generator::LogGeneratedFile(const std::string& path) {
  // The list is UTF-8: output paths may hold any character, which an ANSI list would lose.
  std::string listPath =
      core::AddBackslash(project::projectState().Destination) + core::state().ProductKey + ".log";
  bool existed = files::fileExists(listPath);
  uint64_t size = existed ? files::entryInfo(listPath).size : 0;
  // The paths already listed are read once a run, and again only when the list changed
  // behind the run's back: reading it for every page made a large site's run quadratic.
  if (listPath != log_.path || size != log_.size) {
    log_.path = listPath;
    log_.lines.clear();
    std::string content = existed ? files::readFile(listPath) : std::string();
    size_t start = 0;
    while (start <= content.size()) {
      size_t end = content.find('\n', start);
      std::string line =
          content.substr(start, end == std::string::npos ? std::string::npos : end - start);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty()) log_.lines.insert(text::foldCase(line));
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }
  if (log_.lines.count(text::foldCase(path))) {
    log_.size = size;
    return;
  }
  std::string entry = existed ? "\r\n" + path : path;
  files::appendFile(listPath, entry);
  log_.lines.insert(text::foldCase(path));
  log_.size = size + entry.size();
}

} // namespace quillet::generation
