#pragma once
// The per-thread state of the engine: start-up constants, registry paths, copies of a few
// project settings, the project error text, progress counters, the locale and the shared
// objects that are created on first use. Code reaches it through Context::current(); each
// test installs a fresh one with Context::Scope, so tests never share state.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <typeindex>
#include <utility>
#include <vector>

#include "platform/automation/locale.h"

namespace quillet::platform::automation {

class Context {
public:
  Context();
  ~Context();
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;

  // The thread's context. A thread that never installed one gets a default context that
  // lives until the thread ends.
  static Context& current();

  // Installs a fresh context for the current thread while it lives, then restores the
  // previous one.
  class Scope {
  public:
    Scope();
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
    Context& context() { return *ctx_; }

  private:
    std::unique_ptr<Context> ctx_;
    Context* previous_;
  };

  // Start-up constants.
  std::string DisplayName = "Brindlewood";
  std::string ProductKey = "Brindlewood";
  std::string PlatformText = "ASP.NET";
  std::string ProjectExtension = "kvz";
  int32_t VersionMajor;
  int32_t VersionMinor;
  int32_t VersionRevision;
  std::string versionText() const;     // "4.0"
  std::string fullVersionText() const; // "4.0.0.<revision>"

  // Registry paths below HKCU / HKLM.
  std::string ProductRegistryPath; // "Software\Brindlewood\4.0"
  std::string SettingsKey;         // ProductRegistryPath + "\Settings"
  std::string DatabaseDefaultsKey;
  std::string TableDefaultsKey;
  std::string FieldDefaultsKey;
  std::string ChartDefaultsKey;
  std::string TrendlineDefaultsKey;
  std::string OdbcIniPath = "Software\\ODBC\\ODBC.INI";
  std::string OdbcInstIniPath = "Software\\ODBC\\ODBCINST.INI";
  // The settings section path of a class ("General", "Project", "Table", ...).
  std::string sectionKey(const std::string& section) const;

  int32_t lhWnd = 0; // opaque owner handle the host may set

  // Copies of project settings.
  std::string CurrentProgramLanguage;
  std::string CurrentSQLQuote;

  // Working values. The counters are wide: a project can hold more than 32,767 items.
  std::string ProjErr;
  std::string StatusCaption;
  int64_t ProgressTotal = 0;
  int64_t ProgressCount = 0;
  std::string SecurityDefault;

  // Replaces the project error text with "DisplayName: message".
  void setProjErr(const std::string& message);
  // Appends a line "DisplayName: message" (lines are separated by CR LF).
  void appendProjErr(const std::string& message);
  bool hasProjErr() const { return !ProjErr.empty(); }

  // The regional settings for number and date text.
  Locale locale;

  // Shared objects: one instance per context, created on first use with T's default
  // constructor (or installed beforehand), destroyed with the context in reverse order.
  template <class T> T& shared() {
    if (T* p = findShared<T>()) return *p;
    auto owned = std::make_shared<T>();
    T& ref = *owned;
    shared_.push_back({std::type_index(typeid(T)), std::move(owned)});
    return ref;
  }
  template <class T> T* findShared() const {
    for (const auto& e : shared_)
      if (e.type == std::type_index(typeid(T))) return static_cast<T*>(e.object.get());
    return nullptr;
  }
  // Installs (or replaces) the instance of T, e.g. a hook implementation of a higher layer.
  template <class T> void setShared(std::shared_ptr<T> object) {
    for (auto& e : shared_)
      if (e.type == std::type_index(typeid(T))) {
        e.object = std::move(object);
        return;
      }
    shared_.push_back({std::type_index(typeid(T)), std::move(object)});
  }
  template <class T> void resetShared() {
    for (auto it = shared_.begin(); it != shared_.end(); ++it)
      if (it->type == std::type_index(typeid(T))) {
        auto keep = std::move(it->object); // destroy after the list is consistent
        shared_.erase(it);
        return;
      }
  }

private:
  struct SharedEntry {
    std::type_index type;
    std::shared_ptr<void> object;
  };
  std::vector<SharedEntry> shared_;
};

} // namespace quillet::platform::automation
