#include "elements/shared.h"

#include "elements/chart.h"
#include "elements/language.h"
#include "elements/masterdetail.h"
#include "elements/menu.h"
#include "elements/trend.h"
#include "platform/automation/factory.h"

namespace quillet::elements {

namespace {
// The context keeps shared objects by std::shared_ptr; these holders keep one reference of
// the reference-counted stores, so the host and scripts can hold them too.
struct MenuListHolder {
  Ref<RUZMenus> list = automation::makeRef<RUZMenus>();
};
struct LanguageHolder {
  Ref<RUZLanguage> store = automation::makeRef<RUZLanguage>();
};
} // namespace

void ModelUpkeep::RenameExtensionTable(const std::string&, const std::string&) {}
void ModelUpkeep::DeleteExtensionTable(const std::string&) {}
void ModelUpkeep::RenameExtensionField(const std::string&, const std::string&, const std::string&) {
}
void ModelUpkeep::DeleteExtensionField(const std::string&, const std::string&) {}
void ModelUpkeep::RenameExtensionChart(const std::string&, const std::string&, const std::string&) {
}
void ModelUpkeep::DeleteExtensionChart(const std::string&, const std::string&) {}
bool ModelUpkeep::ChangeCustomScripts(const std::string&, const std::string&) {
  return false;
}

ModelUpkeep& upkeep() {
  return automation::Context::current().shared<ModelUpkeep>();
}

void installUpkeep(std::shared_ptr<ModelUpkeep> hooks) {
  automation::Context::current().setShared<ModelUpkeep>(std::move(hooks));
}

Ref<RUZMenus> menuList() {
  return automation::Context::current().shared<MenuListHolder>().list;
}

Ref<RUZLanguage> languageStore() {
  return automation::Context::current().shared<LanguageHolder>().store;
}

void clearPhraseOverrides() {
  languageStore()->clearOverrides();
}

void registerElementClasses() {
  automation::registerClass<RUZMenu>("Quillet.RUZMenu");
  automation::registerClass<RUZMenus>("Quillet.RUZMenus");
  automation::registerClass<RUZChart>("Quillet.RUZChart");
  automation::registerClass<RUZCharts>("Quillet.RUZCharts");
  automation::registerClass<RUZTrend>("Quillet.RUZTrend");
  automation::registerClass<RUZTrends>("Quillet.RUZTrends");
  automation::registerClass<RUZLanguage>("Quillet.RUZLanguage");
  automation::registerClass<RUZMasterDetails>("Quillet.RUZMasterDetails");
  automation::registerClass<RUZMasterDetail>("Quillet.RUZMasterDetail");
}

} // namespace quillet::elements
