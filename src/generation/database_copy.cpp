// The copy of a file database inside the generated site, and the site's upload folder.
// Paths from the project may be written the Windows way or the POSIX way: file names are
// taken after either separator, a POSIX absolute path counts as absolute, and nothing is
// written outside the application root.
#include "core/state.h"
#include "core/text_helpers.h"
#include "generation/generator.h"
#include "platform/automation/context.h"
#include "platform/automation/error.h"
#include "platform/files/files.h"
#include "platform/text/ascii.h"
#include "platform/text/casefold.h"
#include "platform/ui/ui.h"
#include "project/state.h"

namespace quillet::generation {

namespace files = ::quillet::platform::files;
namespace text = ::quillet::platform::text;
namespace ui = ::quillet::platform::ui;
using automation::Context;

namespace {

std::string trim(const std::string& s) {
  return std::string(platform::text::trim(s));
}

bool isSeparator(char c) {
  return c == '/' || c == '\\';
}

std::string absoluteForm(const std::string& path) {
  std::string native = files::resolvePath(path);
  while (native.size() > 1 && native.back() == '/')
    native.pop_back();
  return native;
}

// The attached file of a SQL Server Express connection string, or "".
std::string attachedFile(const std::string& connstr) {
  std::string lower = text::toLower(connstr);
  size_t key = lower.find("attachdbfilename");
  if (key == std::string::npos || lower.find("\\sqlexpress") == std::string::npos) return {};
  size_t eq = connstr.find('=', key);
  if (eq == std::string::npos) return {};
  size_t end = connstr.find(';', eq + 1);
  return connstr.substr(eq + 1, end == std::string::npos ? std::string::npos : end - eq - 1);
}

} // namespace

int16_t Generator::CopyDatabase(bool listMode) {
  core::State& ctx = core::state();
  Ref<model::RUZDatabase> db = proj_.DB();
  if (!db) return 0;
  std::string root = core::AddBackslash(trim(proj_.AppRootFolder()));
  auto refuse = [&](const std::string& what, const automation::Error& e) -> int16_t {
    ctx.setProjErr(what + " refused: " + e.description());
    return 1;
  };

  std::string upload = trim(proj_.UploadPath());
  if (!upload.empty() && upload[0] == '~') upload.erase(0, 1);
  // What follows the "~" is relative to the root whichever separator starts it.
  while (!upload.empty() && isSeparator(upload[0]))
    upload.erase(0, 1);
  if (!upload.empty()) {
    try {
      CreateFolderPath(files::joinInside(root, upload));
    } catch (const automation::Error& e) {
      return refuse("Upload folder \"" + upload + "\"", e);
    }
  }

  std::string dbPath = db->DBPath();
  std::string target;
  if (!dbPath.empty() && dbPath[0] == '~') {
    dbPath.erase(0, 1);
    if (!dbPath.empty() && isSeparator(dbPath[0])) dbPath.erase(0, 1);
  }
  // An absolute database location ("\\server", a drive, or a POSIX root) is the site's to
  // reach; it is never copied into the site.
  bool absolute = dbPath.rfind("\\\\", 0) == 0 || dbPath.find(':') != std::string::npos ||
                  (!dbPath.empty() && dbPath[0] == '/' && db->DBPath()[0] != '~');
  if (absolute) return 0;

  std::string source;
  std::string dbType = db->DBType();
  if (dbType == "SQLITE" || dbType == "ACCESS")
    source = db->DBPhyPath();
  else if (!db->DBConnstr().empty())
    source = attachedFile(db->DBConnstr());

  std::string destination;
  try {
    if (db->DBPath().empty())
      target = core::AddBackslash(files::joinInside(root, project::projectState().AppDataFolder));
    else
      target = dbPath.empty() ? files::toNativeSeparators(root)
                              : core::AddBackslash(files::joinInside(root, dbPath));
    if (source.find_first_of("/\\") != std::string::npos)
      destination = files::joinPath(target, files::fileName(source));
  } catch (const automation::Error& e) {
    return refuse("Database path \"" + db->DBPath() + "\"", e);
  }
  if (source.empty() || !files::fileExists(source) || destination.empty()) return 0;

  if (listMode) noteOutput("", "@db", destination, files::fileExists(destination));
  bool refused = false;
  if (!files::folderExists(target)) {
    // A list run asks nothing: it only reports what a generating run would do.
    if (listMode) return 0;
    ui::MsgBoxResult answer = ui::current().messageBox(
        "Folder \"" + target + "\" does not exist! Do you want to create it?", ui::kYesNoCancel,
        ctx.DisplayName);
    if (answer == ui::kYes) {
      CreateFolderPath(target);
    } else if (answer == ui::kNo) {
      ui::current().messageBox("Database Folder \"" + target +
                                   "\" not created! Database will not be copied. Make sure you "
                                   "set up the correct database path for the " +
                                   ctx.PlatformText + " scripts to work correctly!",
                               ui::kExclamation, ctx.DisplayName);
      refused = true;
    } else {
      CancelGeneration();
    }
  }

  std::string current = destination;
  try {
    bool copy = false;
    if (!files::folderExists(target)) {
      copy = true;
    } else if (absoluteForm(source) == absoluteForm(destination)) {
      copy = false;
    } else if (!files::fileExists(destination)) {
      copy = true;
    } else if (listMode) {
      proj_.ControlList()->Add("@db", files::fileName(source), true, "Copy database");
    } else {
      copy = projectItemSelected("@db");
      if (copy) ReportUnitProgress();
    }
    if (!listMode && copy && !refused) {
      files::copyFile(source, destination, true);
      if (source.size() > 4 && text::toLower(source.substr(source.size() - 4)) == ".mdf") {
        std::string logSource = source.substr(0, source.size() - 4) + "_log.ldf";
        current = destination.substr(0, destination.size() - 4) + "_log.ldf";
        if (files::fileExists(logSource)) files::copyFile(logSource, current, true);
      }
    }
  } catch (const automation::Error& e) {
    ctx.ProjErr = "Copying to file \"" + current + "\" failed! Error = " + e.description();
    return 1;
  }
  return 0;
}

} // namespace quillet::generation
