#pragma once
// Charts of a table. Each keeps its 37 settings in a property bag and owns its trendlines.
// The chart collection numbers a table's charts from 1 by ChartSeq and keeps the other
// stores in step when a chart is renamed or deleted: its extension entries, its "Chart" menu
// item (MenuUrl = table name, "|", chart name) and its phrase overrides.
#include <cstdint>
#include <string>

#include "core/setting_element.h"
#include "elements/catalogues.h"
#include "elements/element_collection.h"
#include "elements/trend.h"

namespace quillet::elements {

class RUZChart : public core::SettingElement {
  QUILLET_OBJECT(RUZChart)
public:
  RUZChart() : SettingElement(kChartCatalogue) {}
  QUILLET_CHART_SETTINGS(QUILLET_SETTING_ACCESSOR)
  // The chart's trendlines, created empty on first use.
  Ref<RUZTrends> Trendlines();

private:
  Ref<RUZTrends> trends_;
};

class RUZCharts : public NamedSeqCollection<RUZCharts, RUZChart> {
  QUILLET_OBJECT(RUZCharts)
public:
  static constexpr bool kAddExistingIsCurrent = true;
  static constexpr bool kChangeTestsNames = true;

  bool Add(const std::string& tblName, const std::string& name) { return addNamed(tblName, name); }
  bool Change(const std::string& tblName, const std::string& oldName, const std::string& newName) {
    return changeNamed(tblName, oldName, newName);
  }
  // Removes the chart with its extension entries, its menu items and its phrase overrides.
  bool Delete(const std::string& tblName, const Variant& index) {
    return deleteNamed(tblName, index);
  }
  bool ChartExist(const Variant& index) const { return exists(index); }

  static constexpr std::string_view kNameSetting = "ChartName";
  static constexpr std::string_view kSeqSetting = "ChartSeq";
  Ref<RUZChart> construct(const std::string& name);
  void added(RUZChart& c, const std::string& name);
  void renamedVar(RUZChart& c, const std::string& newName);
  void renamed(RUZChart& c, const std::string& tblName, const std::string& oldName,
               const std::string& newName);
  void renumbered(RUZChart& c, const std::string& tblName, const std::string& name);
};

// "Table|Chart": the MenuUrl of a chart's menu item.
std::string chartMenuUrl(const std::string& tblName, const std::string& chartName);

} // namespace quillet::elements
