#pragma once
// The regional settings that number and date text follow. The engine never reads the
// machine's locale: the context holds one explicitly, English (United States) by default.
#include <array>
#include <cstdint>
#include <string>

namespace quillet::platform::automation {

enum class DateOrder { MDY, DMY, YMD };

struct Locale {
  int32_t lcid = 1033;
  std::string name = "en-US";
  std::string decimal = ".";
  std::string group = ",";
  std::string dateSeparator = "/";
  std::string timeSeparator = ":";
  DateOrder dateOrder = DateOrder::MDY;
  bool dayLeadingZero = false; // short date: "1/5/2024" vs "05.01.2024"
  bool monthLeadingZero = false;
  bool hour12 = true; // "1:05:00 PM" vs "13:05:00"
  bool hourLeadingZero = false;
  std::string am = "AM";
  std::string pm = "PM";
  std::string currencySymbol = "$";
  bool currencyBefore = true; // "$1.00" vs "1,00 €"
  bool currencySpace = false;
  // Negative currency as "($1.00)" rather than "-$1.00".
  bool currencyNegativeParens = true;
  std::array<std::string, 12> monthNames;
  std::array<std::string, 12> monthAbbrevs;
  std::array<std::string, 7> dayNames; // Sunday first
  std::array<std::string, 7> dayAbbrevs;
  // Long date pattern in VB format letters: "dddd, mmmm d, yyyy".
  std::string longDate = "dddd, mmmm d, yyyy";
  int firstDayOfWeek = 1; // 1 Sunday .. 7 Saturday

  // The settings of a locale by its identifier (1033 en-US, 2057 en-GB, 1031 de-DE,
  // 1036 fr-FR, 1043 nl-NL, 1040 it-IT, 3082 es-ES); nullptr for an unknown one.
  static const Locale* byLcid(int32_t lcid);
  // By its tag ("de-DE", case-insensitive, "_" accepted); nullptr when unknown.
  static const Locale* byName(const std::string& name);
  static const Locale& invariant();
};

} // namespace quillet::platform::automation
