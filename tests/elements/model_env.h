#pragma once
// Test helpers for the element model: a private environment and context, an upkeep hook
// that records the calls the cascades make, and a progress display that records its steps.
#include <memory>
#include <string>
#include <vector>

#include "core/registry.h"
#include "core/test_env.h"
#include "elements/language.h"
#include "elements/menu.h"
#include "elements/shared.h"
#include "platform/ui/ui.h"

namespace quillet::testing {

using platform::automation::Ref;
using platform::automation::Variant;

class RecordingUpkeep : public elements::ModelUpkeep {
public:
  std::vector<std::string> calls;
  void RenameExtensionTable(const std::string& o, const std::string& n) override {
    calls.push_back("RenameTable " + o + " " + n);
  }
  void DeleteExtensionTable(const std::string& n) override { calls.push_back("DeleteTable " + n); }
  void RenameExtensionField(const std::string& t, const std::string& o,
                            const std::string& n) override {
    calls.push_back("RenameField " + t + " " + o + " " + n);
  }
  void DeleteExtensionField(const std::string& t, const std::string& f) override {
    calls.push_back("DeleteField " + t + " " + f);
  }
  void RenameExtensionChart(const std::string& t, const std::string& o,
                            const std::string& n) override {
    calls.push_back("RenameChart " + t + " " + o + " " + n);
  }
  void DeleteExtensionChart(const std::string& t, const std::string& c) override {
    calls.push_back("DeleteChart " + t + " " + c);
  }
  bool ChangeCustomScripts(const std::string& o, const std::string& n) override {
    calls.push_back("Scripts " + o + " " + n);
    return true;
  }
};

class RecordingProgress : public platform::ui::Progress {
public:
  std::vector<std::string> steps;
  void show(const std::string& caption, const std::string& text) override {
    steps.push_back("show " + caption + " | " + text);
  }
  void setText(const std::string& text) override { steps.push_back("text " + text); }
  void setPercent(int percent) override { steps.push_back("percent " + std::to_string(percent)); }
  bool cancelled() override { return false; }
  void close() override { steps.push_back("close"); }
};

class ModelTest : public CoreTest {
protected:
  ModelTest() {
    upkeepLog = std::make_shared<RecordingUpkeep>();
    elements::installUpkeep(upkeepLog);
  }
  Ref<elements::RUZMenus> menus() { return elements::menuList(); }
  Ref<elements::RUZLanguage> lang() { return elements::languageStore(); }
  // Stores a per-user default of a class section ("Chart", "Table"...).
  void setDefault(const std::string& key, const std::string& name, const Variant& value,
                  int32_t type) {
    core::RegSetValue("HKCU", key, name, type, value);
  }
  std::shared_ptr<RecordingUpkeep> upkeepLog;
};

} // namespace quillet::testing
