#pragma once
// A private environment for project tests: the model's test environment and a scripted UI
// that records every question asked.
#include <memory>
#include <string>

#include "core/registry.h"
#include "elements/model_env.h"
#include "platform/ui/ui.h"
#include "project/ruz.h"
#include "project/state.h"

namespace quillet::testing {

class ProjectTest : public ModelTest {
protected:
  ProjectTest() {
    ui = std::make_shared<platform::ui::ScriptedUi>();
    platform::ui::install(ui);
  }
  // Stores a user value below the product's settings key ("General", "Project", ...).
  void setUser(const std::string& section, const std::string& name, const Variant& value,
               int32_t type = 1) {
    core::RegSetValue("HKCU", ctx().sectionKey(section), name, type, value);
  }
  Variant user(const std::string& section, const std::string& name) {
    return core::RegGetValue("HKCU", ctx().sectionKey(section), name);
  }
  std::shared_ptr<platform::ui::ScriptedUi> ui;
};

} // namespace quillet::testing
