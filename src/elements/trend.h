#pragma once
// Trendlines of a chart: lines or zones between two values drawn across it. Each keeps its
// eleven settings in a property bag; a chart's trendlines are numbered from 1 by TrendSeq.
#include <cstdint>
#include <string>

#include "core/setting_element.h"
#include "elements/catalogues.h"
#include "elements/element_collection.h"

namespace quillet::elements {

class RUZTrend : public core::SettingElement {
  QUILLET_OBJECT(RUZTrend)
public:
  RUZTrend() : SettingElement(kTrendCatalogue) {}
  QUILLET_TREND_SETTINGS(QUILLET_SETTING_ACCESSOR)
};

class RUZTrends : public NamedSeqCollection<RUZTrends, RUZTrend> {
  QUILLET_OBJECT(RUZTrends)
public:
  static constexpr bool kAddExistingIsCurrent = true;
  static constexpr bool kChangeTestsNames = false;

  bool Add(const std::string& name) { return addNamed({}, name); }
  // A new name held by another trendline raises the duplicate-key error (457).
  bool Change(const std::string& oldName, const std::string& newName) {
    return changeNamed({}, oldName, newName);
  }
  bool Delete(const Variant& index) { return deleteNamed({}, index); }
  bool TrendExist(const Variant& index) const { return exists(index); }

  static constexpr std::string_view kNameSetting = "TrendName";
  static constexpr std::string_view kSeqSetting = "TrendSeq";
  Ref<RUZTrend> construct(const std::string& name) {
    auto t = automation::makeRef<RUZTrend>();
    t->setTrendName(name);
    return t;
  }
};

} // namespace quillet::elements
