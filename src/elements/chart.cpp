#include "elements/chart.h"

#include "elements/language.h"
#include "elements/menu.h"
#include "elements/naming.h"
#include "elements/shared.h"
#include "platform/text/casefold.h"

namespace quillet::elements {

namespace {

using platform::text::equalsNoCase;

// Splits a chart item's MenuUrl at its first "|".
bool splitChartUrl(const std::string& url, std::string& table, std::string& chart) {
  size_t bar = url.find('|');
  if (bar == std::string::npos) return false;
  table = url.substr(0, bar);
  chart = url.substr(bar + 1);
  return true;
}

// Whether a MenuUrl names this chart of this table. Names compare without regard to case,
// as the model's keys do, so an item whose URL another letter case spelt is still found.
bool urlNamesChart(const std::string& url, const std::string& tblName,
                   const std::string& chartName) {
  std::string t, c;
  return splitChartUrl(url, t, c) && equalsNoCase(t, tblName) && equalsNoCase(c, chartName);
}

} // namespace

std::string chartMenuUrl(const std::string& tblName, const std::string& chartName) {
  return tblName + "|" + chartName;
}

Ref<RUZTrends> RUZChart::Trendlines() {
  if (!trends_) trends_ = automation::makeRef<RUZTrends>();
  return trends_;
}

Ref<RUZChart> RUZCharts::construct(const std::string& name) {
  auto c = automation::makeRef<RUZChart>();
  c->setChartName(name);
  c->setChartVar(varName(name, ""));
  return c;
}

void RUZCharts::added(RUZChart& c, const std::string& name) {
  c.setChartCaption(captionOf(name));
}

void RUZCharts::renamedVar(RUZChart& c, const std::string& newName) {
  c.setChartVar(varName(newName, ""));
}

void RUZCharts::renamed(RUZChart&, const std::string& tblName, const std::string& oldName,
                        const std::string& newName) {
  upkeep().RenameExtensionChart(tblName, oldName, newName);
  Ref<RUZMenus> menus = menuList();
  for (int32_t i = 1; i <= menus->Count(); ++i) {
    RUZMenu* m = menus->at(i);
    if (m->MenuType == "Chart" && urlNamesChart(m->MenuUrl, tblName, oldName)) {
      std::string table, chart;
      splitChartUrl(m->MenuUrl, table, chart);
      m->MenuUrl = chartMenuUrl(table, newName);
    }
  }
}

void RUZCharts::renumbered(RUZChart&, const std::string& tblName, const std::string& name) {
  tolerant([&] { upkeep().DeleteExtensionChart(tblName, name); });
  tolerant([&] {
    // Walked from the end, so a deletion never makes the walk skip an item.
    Ref<RUZMenus> menus = menuList();
    for (int32_t i = menus->Count(); i >= 1; --i) {
      RUZMenu* m = menus->at(i);
      if (m && !m->MenuCustomUrl && urlNamesChart(m->MenuUrl, tblName, name))
        menus->DeleteMenu(m->MenuId);
    }
  });
  tolerant([&] { languageStore()->deleteChartPhrasesAnyCase(tblName, name); });
}

QUILLET_DEFINE_CLASS(RUZChart) {
  core::addSettingMembers(b, kChartCatalogue);
  core::addNameAccess(b);
  b.get("Trendlines", &RUZChart::Trendlines);
}

QUILLET_DEFINE_CLASS(RUZCharts) {
  using C = RUZCharts;
  elements::addNamedCollectionMembers(b);
  b.get("curSeq", [](C& c) {
     return std::to_string(c.curSeq());
   }).method("ChartExist", &C::ChartExist);
}

QUILLET_DEFINE_CLASS(RUZTrend) {
  core::addSettingMembers(b, kTrendCatalogue);
}

QUILLET_DEFINE_CLASS(RUZTrends) {
  using C = RUZTrends;
  elements::addNamedCollectionMembers(b);
  b.get("curSeq", [](C& c) {
     return std::to_string(c.curSeq());
   }).method("TrendExist", &C::TrendExist);
}

} // namespace quillet::elements
