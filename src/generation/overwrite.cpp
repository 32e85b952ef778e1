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
  if (existed) {
    std::string content = files::readFile(listPath);
    size_t start = 0;
    while (start <= content.size()) {
      size_t end = content.find('\n', start);
      std::string line =
          content.substr(start, end == std::string::npos ? std::string::npos : end - start);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (text::equalsNoCase(line, path)) return;
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }
  files::appendFile(listPath, existed ? "\r\n" + path : path);
}

} // namespace quillet::generation
