// `brindlewood sync FILE.kvz [--yes] [--check] [--map OLD=NEW]...`: shows what changed in the
// database since the project was saved and, when confirmed, brings the project in step and
// saves it.
#include <unistd.h>

#include <iostream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/state.h"
#include "host/classes.h"
#include "platform/automation/context.h"
#include "platform/text/casefold.h"
#include "platform/ui/ui.h"
#include "project/ruz.h"
#include "sync/sync_hooks.h"

namespace quillet::host {

namespace au = platform::automation;
using au::Ref;

namespace {

constexpr const char* kSyncUsage =
    "usage: brindlewood sync FILE.kvz [--yes] [--check] [--map OLD=NEW]...\n";

constexpr const char* kSyncHelp =
    "Compares the project with its database and lists the tables, views and fields that were\n"
    "added, removed, retyped or renamed since it was saved. With --check nothing more happens:\n"
    "the exit status is 0 when the project is in step and 3 when changes were found. Otherwise\n"
    "the project is synchronised and saved when you confirm, or at once with --yes; the path\n"
    "of the synchronisation log is printed. --map OLD=NEW keeps the settings of a table, view\n"
    "or field that was renamed from OLD to NEW. Without a terminal and without --yes nothing\n"
    "is changed.\n";

constexpr int kChangesFound = 3;

int usageError(const std::string& problem) {
  std::cerr << "brindlewood sync: " << problem << "\n" << kSyncUsage;
  return 2;
}

// Answers the rename questions from --map and passes every other question on.
class MappingUi : public platform::ui::Ui {
public:
  MappingUi(std::shared_ptr<platform::ui::Ui> inner,
            std::vector<std::pair<std::string, std::string>> maps)
      : inner_(std::move(inner)), maps_(std::move(maps)) {}

  platform::ui::MsgBoxResult messageBox(const std::string& text, int32_t style,
                                        const std::string& title) override {
    return inner_->messageBox(text, style, title);
  }
  std::optional<std::string> inputBox(const std::string& prompt, const std::string& title,
                                      const std::string& defaultText) override {
    return inner_->inputBox(prompt, title, defaultText);
  }
  size_t choose(const std::string& prompt, const std::vector<std::string>& options,
                size_t safeChoice, const std::string& title) override {
    return inner_->choose(prompt, options, safeChoice, title);
  }
  std::optional<std::vector<std::string>> mapNames(const platform::ui::NameMapping& q) override {
    if (maps_.empty()) return inner_->mapNames(q);
    std::vector<std::string> out(q.newNames.size());
    for (size_t i = 0; i < q.newNames.size(); ++i)
      for (const auto& [from, to] : maps_) {
        if (to != q.newNames[i]) continue;
        for (const std::string& old : q.oldNames)
          if (old == from) out[i] = old;
      }
    return out;
  }

private:
  std::shared_ptr<platform::ui::Ui> inner_;
  std::vector<std::pair<std::string, std::string>> maps_;
};

} // namespace

int runSyncCommand(const std::vector<std::string>& args) {
  std::string file;
  bool yes = false, check = false;
  std::vector<std::pair<std::string, std::string>> maps;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      std::cout << kSyncUsage << "\n" << kSyncHelp;
      return 0;
    }
    if (a == "--yes" || a == "-y") {
      yes = true;
    } else if (a == "--check") {
      check = true;
    } else if (a == "--map") {
      if (i + 1 >= args.size()) return usageError("--map needs OLD=NEW");
      const std::string& v = args[++i];
      size_t eq = v.find('=');
      if (eq == std::string::npos || eq == 0 || eq + 1 == v.size())
        return usageError("--map needs OLD=NEW, not '" + v + "'");
      maps.emplace_back(v.substr(0, eq), v.substr(eq + 1));
    } else if (a.rfind("--", 0) == 0) {
      return usageError("unknown option '" + a + "'");
    } else if (file.empty()) {
      file = a;
    } else {
      return usageError("more than one project file given");
    }
  }
  if (file.empty()) return usageError("no project file given");

  registerAllClasses();
  const bool terminal = ::isatty(STDIN_FILENO) && ::isatty(STDERR_FILENO);
  std::shared_ptr<platform::ui::Ui> inner;
  if (terminal)
    inner = std::make_shared<platform::ui::ConsoleUi>();
  else
    inner = std::make_shared<platform::ui::ScriptedUi>();
  platform::ui::install(std::make_shared<MappingUi>(inner, maps));
  platform::ui::installProgress(std::make_shared<platform::ui::ConsoleProgress>());

  core::State& ctx = core::state();
  auto hooks = std::make_shared<sync::SyncHooks>();
  // The command asks its own question after listing the changes.
  hooks->autoSync = false;
  au::Context::current().setShared<project::ProjectSyncHooks>(hooks);
  Ref<project::RUZ> proj = au::makeRef<project::RUZ>();
  proj->Load(file);
  if (!ctx.ProjErr.empty()) {
    std::cerr << "brindlewood sync: " << ctx.ProjErr << "\n";
    return 1;
  }
  std::vector<std::string> changes;
  if (!hooks->describeDifferences(*proj, changes)) {
    std::cerr << "brindlewood sync: the database of " << file
              << " cannot be read, nothing was changed: " << ctx.ProjErr << "\n";
    return 1;
  }
  if (changes.empty()) {
    std::cout << file << " is in step with its database\n";
    return 0;
  }
  std::cout << "Changes in the database since " << file << " was saved:\n";
  for (const std::string& c : changes)
    std::cout << "  " << c << "\n";
  if (check) return kChangesFound;
  if (!yes) {
    if (!terminal) {
      std::cerr << "brindlewood sync: nothing was changed; run with --yes to synchronise\n";
      return kChangesFound;
    }
    if (inner->choose("Synchronise the project with the database and save it?", {"No", "Yes"}, 0,
                      ctx.DisplayName) != 1) {
      std::cout << "Nothing was changed.\n";
      return kChangesFound;
    }
  }
  ctx.ProjErr.clear();
  hooks->SynchronizeDB(*proj);
  if (!ctx.ProjErr.empty()) {
    std::cerr << "brindlewood sync: " << ctx.ProjErr << "\n";
    return 1;
  }
  proj->Save(file);
  if (!ctx.ProjErr.empty()) {
    std::cerr << "brindlewood sync: " << ctx.ProjErr << "\n";
    return 1;
  }
  std::cout << "Synchronised and saved " << file << "\n";
  if (!proj->SyncLog().empty()) std::cout << "Log: " << proj->SyncLog() << "\n";
  return 0;
}

} // namespace quillet::host
