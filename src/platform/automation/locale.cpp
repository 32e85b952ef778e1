#include "platform/automation/locale.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace quillet::platform::automation {
namespace {

Locale english() {
  Locale l;
  l.monthNames = {"January", "February", "March",     "April",   "May",      "June",
                  "July",    "August",   "September", "October", "November", "December"};
  l.monthAbbrevs = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  l.dayNames = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
  l.dayAbbrevs = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  return l;
}

// A European locale: day-month-year, 24-hour clock, comma decimals.
Locale european(int32_t lcid, const char* name, const char* group, const char* dateSep) {
  Locale l = english();
  l.lcid = lcid;
  l.name = name;
  l.decimal = ",";
  l.group = group;
  l.dateSeparator = dateSep;
  l.dateOrder = DateOrder::DMY;
  l.dayLeadingZero = true;
  l.monthLeadingZero = true;
  l.hour12 = false;
  l.hourLeadingZero = true;
  l.am.clear();
  l.pm.clear();
  l.currencySymbol = "\u20ac";
  l.currencyBefore = false;
  l.currencySpace = true;
  l.currencyNegativeParens = false;
  l.firstDayOfWeek = 2;
  return l;
}

std::vector<Locale> buildTable() {
  std::vector<Locale> t;
  t.push_back(english());

  Locale gb = english();
  gb.lcid = 2057;
  gb.name = "en-GB";
  gb.dateOrder = DateOrder::DMY;
  gb.dayLeadingZero = gb.monthLeadingZero = true;
  gb.hour12 = false;
  gb.hourLeadingZero = true;
  gb.am = "AM";
  gb.pm = "PM";
  gb.currencySymbol = "\u00a3";
  gb.currencyNegativeParens = false;
  gb.longDate = "dd mmmm yyyy";
  gb.firstDayOfWeek = 2;
  t.push_back(gb);

  Locale de = european(1031, "de-DE", ".", ".");
  de.monthNames = {"Januar", "Februar", "M\u00e4rz", "April",   "Mai",      "Juni",
                   "Juli",   "August",  "September", "Oktober", "November", "Dezember"};
  de.monthAbbrevs = {"Jan", "Feb", "M\u00e4r", "Apr", "Mai", "Jun",
                     "Jul", "Aug", "Sep",      "Okt", "Nov", "Dez"};
  de.dayNames = {"Sonntag", "Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag"};
  de.dayAbbrevs = {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"};
  de.longDate = "dddd, d. mmmm yyyy";
  t.push_back(de);

  Locale fr = european(1036, "fr-FR", "\u00a0", "/");
  fr.monthNames = {"janvier", "f\u00e9vrier", "mars",      "avril",   "mai",      "juin",
                   "juillet", "ao\u00fbt",    "septembre", "octobre", "novembre", "d\u00e9cembre"};
  fr.monthAbbrevs = {"janv.", "f\u00e9vr.", "mars",  "avr.", "mai",  "juin",
                     "juil.", "ao\u00fbt",  "sept.", "oct.", "nov.", "d\u00e9c."};
  fr.dayNames = {"dimanche", "lundi", "mardi", "mercredi", "jeudi", "vendredi", "samedi"};
  fr.dayAbbrevs = {"dim.", "lun.", "mar.", "mer.", "jeu.", "ven.", "sam."};
  fr.longDate = "dddd d mmmm yyyy";
  t.push_back(fr);

  Locale nl = european(1043, "nl-NL", ".", "-");
  nl.dayLeadingZero = false;
  nl.monthLeadingZero = false;
  nl.monthNames = {"januari", "februari", "maart",     "april",   "mei",      "juni",
                   "juli",    "augustus", "september", "oktober", "november", "december"};
  nl.monthAbbrevs = {"jan", "feb", "mrt", "apr", "mei", "jun",
                     "jul", "aug", "sep", "okt", "nov", "dec"};
  nl.dayNames = {"zondag", "maandag", "dinsdag", "woensdag", "donderdag", "vrijdag", "zaterdag"};
  nl.dayAbbrevs = {"zo", "ma", "di", "wo", "do", "vr", "za"};
  nl.longDate = "dddd d mmmm yyyy";
  nl.currencyBefore = true;
  t.push_back(nl);

  Locale it = european(1040, "it-IT", ".", "/");
  it.monthNames = {"gennaio", "febbraio", "marzo",     "aprile",  "maggio",   "giugno",
                   "luglio",  "agosto",   "settembre", "ottobre", "novembre", "dicembre"};
  it.monthAbbrevs = {"gen", "feb", "mar", "apr", "mag", "giu",
                     "lug", "ago", "set", "ott", "nov", "dic"};
  it.dayNames = {"domenica",     "luned\u00ec",  "marted\u00ec", "mercoled\u00ec",
                 "gioved\u00ec", "venerd\u00ec", "sabato"};
  it.dayAbbrevs = {"dom", "lun", "mar", "mer", "gio", "ven", "sab"};
  it.longDate = "dddd d mmmm yyyy";
  t.push_back(it);

  Locale es = european(3082, "es-ES", ".", "/");
  es.monthNames = {"enero", "febrero", "marzo",      "abril",   "mayo",      "junio",
                   "julio", "agosto",  "septiembre", "octubre", "noviembre", "diciembre"};
  es.monthAbbrevs = {"ene", "feb", "mar", "abr", "may", "jun",
                     "jul", "ago", "sep", "oct", "nov", "dic"};
  es.dayNames = {"domingo", "lunes",   "martes",     "mi\u00e9rcoles",
                 "jueves",  "viernes", "s\u00e1bado"};
  es.dayAbbrevs = {"dom", "lun", "mar", "mi\u00e9", "jue", "vie", "s\u00e1b"};
  es.longDate = "dddd, d' de 'mmmm' de 'yyyy";
  t.push_back(es);
  return t;
}

const std::vector<Locale>& table() {
  static const std::vector<Locale> t = buildTable();
  return t;
}

} // namespace

const Locale* Locale::byLcid(int32_t lcid) {
  for (const Locale& l : table())
    if (l.lcid == lcid) return &l;
  return nullptr;
}

const Locale* Locale::byName(const std::string& name) {
  std::string n = name;
  std::replace(n.begin(), n.end(), '_', '-');
  for (const Locale& l : table()) {
    if (l.name.size() != n.size()) continue;
    bool same = true;
    for (size_t i = 0; i < n.size() && same; ++i)
      same = std::tolower(static_cast<unsigned char>(n[i])) ==
             std::tolower(static_cast<unsigned char>(l.name[i]));
    if (same) return &l;
  }
  return nullptr;
}

const Locale& Locale::invariant() {
  return table().front();
}

} // namespace quillet::platform::automation
