#pragma once
// A project with the schema loaders and the synchronisation hooks installed, a scripted UI
// that records every question, and SQLite databases made on the spot.
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/ui.h"
#include "project/ruz.h"
#include "schema/schema_env.h"
#include "sync/sync_hooks.h"

namespace quillet::testing {

class SyncTest : public SchemaTest {
protected:
  SyncTest() {
    ui = std::make_shared<platform::ui::ScriptedUi>();
    platform::ui::install(ui);
    context().setShared<project::ProjectSyncHooks>(std::make_shared<sync::SyncHooks>());
    proj = platform::automation::makeRef<project::RUZ>();
  }
  // A SQLite file in the test's folder holding what the SQL makes.
  std::string sqliteFile(const std::string& name, const char* sql) {
    std::string path = env.path(name).string();
    makeSqlite(path, sql);
    return path;
  }
  static std::string sqliteConn(const std::string& path) {
    return "Driver=SQLite3;Database=" + path + ";";
  }
  // LoadDB through the member table, as a host or script calls it.
  void loadDB(const std::string& name, const std::string& type, const std::string& path,
              const std::string& phyPath, const std::string& connStr) {
    std::vector<Variant> args{Variant(name),    Variant(type),    Variant(path),
                              Variant(phyPath), Variant(false),   Variant(""),
                              Variant(""),      Variant(connStr), Variant("")};
    platform::automation::invoke(proj.get(), "LoadDB", platform::automation::kMethod,
                                 platform::automation::ArgList(args));
  }
  // LoadDB of the SQLite file at path, named by its path and its connection string.
  void loadSqlite(const std::string& path) { loadDB("", "SQLITE", path, path, sqliteConn(path)); }
  void call(const std::string& member, const std::string& arg) {
    std::vector<Variant> args{Variant(arg)};
    platform::automation::invoke(proj.get(), member, platform::automation::kMethod,
                                 platform::automation::ArgList(args));
  }
  void syncHooksRefresh() { project::syncHooks().RefreshMenus(*proj); }
  std::string err() { return ctx().ProjErr; }
  Ref<model::RUZTable> ptable(const std::string& name) {
    auto d = proj->DB();
    return d && d->Tables()->TableExist(Variant(name)) ? d->Tables()->Item(Variant(name)) : nullptr;
  }

  Ref<model::RUZField> pfield(const std::string& t, const std::string& f) {
    auto tb = ptable(t);
    return tb && tb->Fields()->FieldExist(Variant(f)) ? tb->Fields()->Item(Variant(f)) : nullptr;
  }
  // The table's field names in field order.
  std::vector<std::string> fields(const std::string& t) {
    std::vector<std::string> out;
    for (auto& f : ptable(t)->Fields()->items().list())
      out.push_back(f->FldName());
    return out;
  }

  std::shared_ptr<platform::ui::ScriptedUi> ui;
  Ref<project::RUZ> proj;
};

} // namespace quillet::testing
