// `brindlewood generate FILE.kvz [--dest DIR] [--template ZIP] [--only ITEM...]
// [--overwrite|--keep]` and `brindlewood generate --list FILE.kvz`: produces the site of a
// project, or lists what it would produce. Progress goes to stderr when it is a terminal;
// Ctrl-C cancels before the next page, so no page is left half written.
#include <unistd.h>

#include <csignal>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "core/state.h"
#include "generation/generator.h"
#include "host/classes.h"
#include "platform/automation/context.h"
#include "platform/automation/error.h"
#include "platform/ui/ui.h"
#include "project/ruz.h"

namespace quillet::host {

namespace au = platform::automation;
namespace ui = platform::ui;
using au::Ref;

namespace {

constexpr const char* kGenerateUsage =
    "usage: brindlewood generate FILE.kvz [--dest DIR] [--template ZIP] [--only ITEM...]\n"
    "                            [--overwrite|--keep]\n"
    "       brindlewood generate --list FILE.kvz\n";

constexpr const char* kGenerateHelp =
    "Produces the web site of a project from its template set into the destination folder\n"
    "(--dest changes it for this run, --template the template archive). --only ITEM... produces\n"
    "only the items named: a control id (in every table), TABLE/ID, or a site-wide item such as\n"
    "@css. When the template archive changed since it was unpacked, --keep keeps the unpacked\n"
    "template and its compiled scripts and --overwrite unpacks and compiles it again (it also\n"
    "rebuilds an unchanged one); without either the question is asked on a terminal and the\n"
    "template is kept otherwise. --list prints each output the run would produce, whether it\n"
    "exists already, and its path, and writes nothing in the site. Ctrl-C cancels before the\n"
    "next page. Exit status 0 on success, 1 with the error on failure, 2 for a usage error.\n";

int usageError(const std::string& problem) {
  std::cerr << "brindlewood generate: " << problem << "\n" << kGenerateUsage;
  return 2;
}

volatile std::sig_atomic_t gCancelRequested = 0;

extern "C" void onCommandInterrupt(int) {
  gCancelRequested = 1;
}

// The console progress, with Ctrl-C noticed for the whole command: a cancel pressed while no
// progress window is open is still seen at the next check instead of ending the program
// between two writes.
class CommandProgress : public ui::Progress {
public:
  CommandProgress() {
    struct sigaction sa {};
    sa.sa_handler = onCommandInterrupt;
    sigemptyset(&sa.sa_mask);
    installed_ = ::sigaction(SIGINT, &sa, &previous_) == 0;
  }
  ~CommandProgress() override {
    inner_.close();
    if (installed_) ::sigaction(SIGINT, &previous_, nullptr);
  }
  void show(const std::string& caption, const std::string& text) override {
    inner_.show(caption, text);
  }
  void setText(const std::string& text) override { inner_.setText(text); }
  void setPercent(int percent) override { inner_.setPercent(percent); }
  bool cancelled() override {
    if (inner_.cancelled()) gCancelRequested = 1;
    return gCancelRequested != 0;
  }
  void close() override {
    if (inner_.cancelled()) gCancelRequested = 1;
    inner_.close();
  }

private:
  ui::ConsoleProgress inner_;
  bool installed_ = false;
  struct sigaction previous_ {};
};

std::string itemName(const generation::PlannedOutput& p) {
  return p.table.empty() ? p.itemId : p.table + "/" + p.itemId;
}

// Selects exactly the named items; false with the first name that names none.
bool selectOnly(project::RUZ& proj, const std::vector<std::string>& only, std::string& unknown) {
  std::vector<bool> used(only.size(), false);
  auto select = [&](model::AGControlItems& items, const std::string& table) {
    for (int32_t i = 1; i <= items.Count(); ++i) {
      Ref<model::AGControlItem> it = items.Item(au::Variant(i));
      if (!it) continue;
      bool on = false;
      for (size_t k = 0; k < only.size(); ++k)
        if (only[k] == it->ItemId || (!table.empty() && only[k] == table + "/" + it->ItemId)) {
          on = true;
          used[k] = true;
        }
      it->ItemGen = on;
    }
  };
  select(*proj.ControlList(), "");
  if (Ref<model::RUZDatabase> db = proj.DB()) {
    Ref<model::RUZTables> tables = db->Tables();
    for (int32_t i = 1; i <= tables->Count(); ++i)
      if (model::RUZTable* t = tables->items().at(i)) select(*t->ControlList(), t->TblName());
  }
  for (size_t k = 0; k < only.size(); ++k)
    if (!used[k]) {
      unknown = only[k];
      return false;
    }
  return true;
}

} // namespace

int runGenerateCommand(const std::vector<std::string>& args) {
  std::string file, dest, templateArchive;
  std::vector<std::string> only;
  bool list = false, keep = false, overwrite = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      std::cout << kGenerateUsage << "\n" << kGenerateHelp;
      return 0;
    }
    if (a == "--list") {
      list = true;
    } else if (a == "--keep") {
      keep = true;
    } else if (a == "--overwrite") {
      overwrite = true;
    } else if (a == "--dest" || a == "--template") {
      if (i + 1 >= args.size()) return usageError(a + " needs a value");
      (a == "--dest" ? dest : templateArchive) = args[++i];
    } else if (a == "--only") {
      while (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0)
        only.push_back(args[++i]);
      if (only.empty()) return usageError("--only needs at least one item");
    } else if (a.rfind("--", 0) == 0) {
      return usageError("unknown option '" + a + "'");
    } else if (file.empty()) {
      file = a;
    } else {
      return usageError("more than one project file given");
    }
  }
  if (file.empty()) return usageError("no project file given");
  if (keep && overwrite) return usageError("--keep and --overwrite exclude each other");
  if (list && (!only.empty() || keep || overwrite))
    return usageError("--list takes no --only, --keep or --overwrite");

  registerAllClasses();
  const bool terminal = ::isatty(STDIN_FILENO) && ::isatty(STDERR_FILENO);
  // A list run asks nothing: it only reports.
  if (terminal && !list)
    ui::install(std::make_shared<ui::ConsoleUi>());
  else
    ui::install(std::make_shared<ui::ScriptedUi>());
  auto progress = std::make_shared<CommandProgress>();
  ui::installProgress(progress);

  core::State& ctx = core::state();
  Ref<project::RUZ> proj = au::makeRef<project::RUZ>();
  proj->Load(file);
  if (!ctx.ProjErr.empty()) {
    std::cerr << "brindlewood generate: " << ctx.ProjErr << "\n";
    return 1;
  }
  if (!dest.empty()) proj->setDestination(dest);
  if (!templateArchive.empty()) proj->setTemplate(templateArchive);

  generation::GenerationState& gs = generation::genState();
  if (keep || list)
    gs.keepTemplateAnswer = true;
  else if (overwrite)
    gs.keepTemplateAnswer = false;
  else if (!terminal)
    gs.keepTemplateAnswer = true;

  generation::Generator gen(*proj);
  try {
    int32_t existing = gen.GenCheck();
    if (!ctx.ProjErr.empty()) {
      std::cerr << "brindlewood generate: " << ctx.ProjErr << "\n";
      return 1;
    }
    if (list) {
      for (const generation::PlannedOutput& p : gs.planned)
        std::cout << itemName(p) << "\t" << (p.exists ? "exists" : "new") << "\t" << p.path
                  << "\n";
      std::cerr << gs.planned.size() << " outputs, " << existing << " already there\n";
      return 0;
    }
    std::string unknown;
    if (!only.empty() && !selectOnly(*proj, only, unknown)) {
      std::cerr << "brindlewood generate: no item '" << unknown << "' in " << file << "\n";
      return 2;
    }
    gen.GenScript();
  } catch (const au::Error& e) {
    std::cerr << "brindlewood generate: "
              << (ctx.ProjErr.empty() ? e.description() : ctx.ProjErr) << "\n";
    return 1;
  }
  if (!ctx.ProjErr.empty()) {
    std::cerr << "brindlewood generate: " << ctx.ProjErr << "\n";
    return 1;
  }
  std::cout << "Generated " << file << " into " << proj->Destination() << "\n";
  return 0;
}

} // namespace quillet::host
