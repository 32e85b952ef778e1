#pragma once
// The settings catalogues of charts and trendlines, in the order the project file writes
// them. Columns: name, data type, RegSave, RegFormat, FileSave, Sync.
#include "core/setting_element.h"

#define QUILLET_CHART_SETTINGS(X)                                                                  \
  X(ChartSeq, Integer, false, 0, false, false)                                                     \
  X(ChartName, String, false, 0, true, false)                                                      \
  X(ChartVar, String, false, 0, false, false)                                                      \
  X(ShowChart, Boolean, true, 1, true, true)                                                       \
  X(ChartXFldName, String, false, 0, true, true)                                                   \
  X(ChartYFldName, String, false, 0, true, true)                                                   \
  X(ChartSeriesYAxis, String, false, 0, true, true)                                                \
  X(ChartNameFldName, String, false, 0, true, true)                                                \
  X(ChartSeriesFldName, String, false, 0, true, true)                                              \
  X(ChartSeriesFldOrder, String, false, 0, true, true)                                             \
  X(ChartSummaryType, String, false, 0, true, true)                                                \
  X(ChartType, Integer, true, 4, true, true)                                                       \
  X(ChartSeriesType, Integer, true, 4, true, true)                                                 \
  X(ChartWidth, Integer, true, 4, true, true)                                                      \
  X(ChartHeight, Integer, true, 4, true, true)                                                     \
  X(ChartBgColor, String, true, 1, true, true)                                                     \
  X(ChartCaption, String, false, 0, true, true)                                                    \
  X(ChartChartBgColor, String, true, 1, true, true)                                                \
  X(ChartChartBorderColor, String, true, 1, true, true)                                            \
  X(ChartNumGridLines, Integer, true, 4, true, true)                                               \
  X(ChartGridColor, String, true, 1, true, true)                                                   \
  X(ChartXAxisName, String, false, 0, true, true)                                                  \
  X(ChartXAxisNameRotated, Boolean, true, 1, true, true)                                           \
  X(ChartYAxisName, String, false, 0, true, true)                                                  \
  X(ChartPYAxisName, String, false, 0, true, true)                                                 \
  X(ChartSYAxisName, String, false, 0, true, true)                                                 \
  X(ChartYAxisNameRotated, Boolean, true, 1, true, true)                                           \
  X(ChartYAxisMinValue, Long, true, 4, true, true)                                                 \
  X(ChartYAxisMaxValue, Long, true, 4, true, true)                                                 \
  X(ChartShowNames, Boolean, true, 1, true, true)                                                  \
  X(ChartShowValues, Boolean, true, 1, true, true)                                                 \
  X(ChartShowHover, Boolean, true, 1, true, true)                                                  \
  X(ChartAlpha, Integer, true, 4, true, true)                                                      \
  X(ChartColorPalette, String, true, 1, true, true)                                                \
  X(ChartSortType, Integer, true, 4, true, true)                                                   \
  X(ChartSortSeq, String, true, 1, true, true)                                                     \
  X(ChartPosition, Integer, true, 4, true, true)

#define QUILLET_TREND_SETTINGS(X)                                                                  \
  X(TrendSeq, Integer, false, 0, false, false)                                                     \
  X(TrendName, String, false, 0, true, false)                                                      \
  X(TrendShow, Boolean, false, 0, true, true)                                                      \
  X(TrendStartValue, Double, true, 4, true, true)                                                  \
  X(TrendEndValue, Double, true, 4, true, true)                                                    \
  X(TrendColor, String, true, 1, true, true)                                                       \
  X(TrendDisplayValue, String, true, 1, true, true)                                                \
  X(TrendThickness, Integer, true, 4, true, true)                                                  \
  X(TrendIsTrendZone, Boolean, true, 1, true, true)                                                \
  X(TrendShowOnTop, Boolean, true, 1, true, true)                                                  \
  X(TrendAlpha, Integer, true, 4, true, true)

namespace quillet::elements {

inline constexpr core::SettingDef kChartSettings[] = {QUILLET_CHART_SETTINGS(QUILLET_SETTING_DEF)};
inline constexpr core::Catalogue kChartCatalogue{kChartSettings, "Chart", "ChartName"};

inline constexpr core::SettingDef kTrendSettings[] = {QUILLET_TREND_SETTINGS(QUILLET_SETTING_DEF)};
inline constexpr core::Catalogue kTrendCatalogue{kTrendSettings, "Trendline", "TrendName"};

} // namespace quillet::elements
