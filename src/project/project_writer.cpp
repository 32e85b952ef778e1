// The project file writer: the whole file is built as text first, so a project that cannot
// be written leaves the old file and its backups untouched; then the old file is rotated
// into the numbered backups and the new text replaces it atomically.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/properties.h"
#include "core/registry.h"
#include "core/state.h"
#include "core/text_helpers.h"
#include "elements/chart.h"
#include "elements/language.h"
#include "elements/menu.h"
#include "elements/shared.h"
#include "extensions/custom_scripts.h"
#include "extensions/extension.h"
#include "extensions/tree.h"
#include "model/database.h"
#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/files/files.h"
#include "platform/text/casefold.h"
#include "platform/text/utf8.h"
#include "project/project_file.h"
#include "project/ruz.h"
#include "project/state.h"

namespace quillet::project {

namespace files = ::quillet::platform::files;
namespace text = ::quillet::platform::text;
using automation::Context;

namespace {

constexpr std::string_view kBreak = "\r\n";

// Characters XML 1.0 can carry at all.
bool xmlChar(char32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
         (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// Appends text as an attribute value. Line breaks and tabs become references so they
// survive a reload; a byte that is no UTF-8 becomes U+FFFD and a control character that XML
// cannot hold is left out, so the file always loads again.
void appendAttrText(std::string& out, std::string_view s) {
  size_t pos = 0;
  while (pos < s.size()) {
    unsigned char b = static_cast<unsigned char>(s[pos]);
    if (b < 0x80) {
      ++pos;
      switch (b) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\r':
        out += "&#13;";
        break;
      case '\n':
        out += "&#10;";
        break;
      case '\t':
        out += "&#9;";
        break;
      default:
        if (b >= 0x20) out.push_back(static_cast<char>(b));
      }
      continue;
    }
    size_t start = pos;
    char32_t c = text::decodeChar(s, pos);
    if (!xmlChar(c)) continue;
    if (c == text::kReplacementChar && pos - start == 1)
      text::appendChar(out, c);
    else
      out.append(s.substr(start, pos - start));
  }
}

} // namespace

// Code as CDATA. XML readers turn a carriage return inside CDATA into a line feed, so each
// one is written between two sections as a character reference; a "]]>" inside is split
// across two sections. The reader joins the pieces again (readCode).
void appendCode(std::string& out, std::string_view code) {
  bool open = false;
  auto ensureOpen = [&] {
    if (!open) out += "<![CDATA[";
    open = true;
  };
  auto close = [&] {
    if (open) out += "]]>";
    open = false;
  };
  size_t pos = 0;
  while (pos < code.size()) {
    unsigned char b = static_cast<unsigned char>(code[pos]);
    if (b == '\r') {
      close();
      out += "&#13;";
      ++pos;
    } else if (b == ']' && code.substr(pos, 3) == "]]>") {
      ensureOpen();
      out += "]]";
      close();
      ensureOpen();
      out += ">";
      pos += 3;
    } else if (b < 0x80) {
      if (b >= 0x20 || b == '\n' || b == '\t') {
        ensureOpen();
        out.push_back(static_cast<char>(b));
      }
      ++pos;
    } else {
      size_t start = pos;
      char32_t c = text::decodeChar(code, pos);
      if (!xmlChar(c)) continue;
      ensureOpen();
      if (c == text::kReplacementChar && pos - start == 1)
        text::appendChar(out, c);
      else
        out.append(code.substr(start, pos - start));
    }
  }
  close();
}

namespace {

// The items of a collection in the order of their sequence numbers (position order where
// those are missing or equal), so every item is written exactly once.
template <class C> auto ordered(C& coll) {
  auto list = coll.items().list();
  std::vector<std::pair<int64_t, size_t>> keys;
  keys.reserve(list.size());
  for (size_t i = 0; i < list.size(); ++i) {
    int64_t seq = INT64_MAX;
    try {
      seq = C::seqOf(*list[i]);
    } catch (const automation::Error&) {
    }
    keys.emplace_back(seq, i);
  }
  std::sort(keys.begin(), keys.end());
  decltype(list) out;
  out.reserve(list.size());
  for (const auto& k : keys)
    out.push_back(list[k.second]);
  return out;
}

class Writer {
public:
  explicit Writer(RUZ& project) : project_(project) {}

  std::string build();

private:
  void attr(std::string_view name, std::string_view value) {
    out_.push_back(' ');
    out_.append(name);
    out_ += "=\"";
    appendAttrText(out_, value);
    out_.push_back('"');
  }
  void bagAttributes(core::AGProperties& bag, bool root);
  void open(std::string_view name) {
    out_.push_back('<');
    out_.append(name);
  }
  void database(model::RUZDatabase& db);
  void extensions();
  void customScripts();
  void menus();
  void phrases();

  RUZ& project_;
  std::string out_;
};

void Writer::bagAttributes(core::AGProperties& bag, bool root) {
  for (int32_t i = 1, n = bag.Count(); i <= n; ++i) {
    core::AGProperty* p = bag.at(i);
    if (!p || !p->FileSave()) continue;
    const std::string& name = p->Name();
    // A name XML cannot carry would make the whole file unreadable.
    if (!isXmlName(name)) continue;
    // The root carries the component's own version and product.
    if (root && (text::equalsNoCase(name, "Version") || text::equalsNoCase(name, "Product")))
      continue;
    attr(name, attributeText(*p));
  }
}

void Writer::database(model::RUZDatabase& db) {
  open("Database");
  bagAttributes(*db.Properties(), false);
  out_ += ">\r\n";
  Ref<model::RUZTables> tables = db.Tables();
  for (const Ref<model::RUZTable>& t : ordered(*tables)) {
    open("Table");
    bagAttributes(*t->Properties(), false);
    out_ += ">\r\n";
    Ref<elements::RUZCharts> charts = t->Charts();
    for (const Ref<elements::RUZChart>& chart : ordered(*charts)) {
      open("Chart");
      bagAttributes(*chart->Properties(), false);
      out_ += ">\r\n";
      Ref<elements::RUZTrends> trends = chart->Trendlines();
      for (const Ref<elements::RUZTrend>& trend : ordered(*trends)) {
        open("Trendline");
        bagAttributes(*trend->Properties(), false);
        out_ += "/>\r\n";
      }
      out_ += "</Chart>\r\n";
    }
    Ref<model::RUZFields> fields = t->Fields();
    for (const Ref<model::RUZField>& field : ordered(*fields)) {
      open("Field");
      bagAttributes(*field->Properties(), false);
      out_ += "/>\r\n";
    }
    out_ += "</Table>\r\n";
  }
  out_ += "</Database>";
}

void Writer::extensions() {
  Ref<extensions::RUZExtensions> list = extensions::extensionList();
  if (list->Count() == 0) return;
  out_ += kBreak;
  for (const Ref<extensions::RUZExtension>& ext : ordered(*list)) {
    open("Extension");
    bagAttributes(*ext->Properties(), false);
    // Reading PROJ would create the tree, so an extension without one stays without.
    if (!ext->IsExtended()) {
      out_ += "/>\r\n";
      continue;
    }
    out_ += ">\r\n";
    Ref<extensions::RUZExtProj> proj = ext->PROJ();
    open("ExtProject");
    bagAttributes(*proj->Properties(), false);
    out_ += ">\r\n";
    if (Ref<extensions::RUZExtDb> db = proj->existingDb()) {
      open("ExtDatabase");
      bagAttributes(*db->Properties(), false);
      out_ += ">\r\n";
      for (const Ref<extensions::RUZExtTable>& t : ordered(*db->Tables())) {
        open("ExtTable");
        bagAttributes(*t->Properties(), false);
        out_ += ">\r\n";
        for (const Ref<extensions::RUZExtChart>& c : ordered(*t->Charts())) {
          open("ExtChart");
          bagAttributes(*c->Properties(), false);
          out_ += "/>\r\n";
        }
        for (const Ref<extensions::RUZExtField>& f : ordered(*t->Fields())) {
          open("ExtField");
          bagAttributes(*f->Properties(), false);
          out_ += "/>\r\n";
        }
        out_ += "</ExtTable>\r\n";
      }
      out_ += "</ExtDatabase>";
    }
    out_ += "</ExtProject></Extension>\r\n";
  }
}

void Writer::customScripts() {
  Ref<extensions::RUZCustomScripts> list = extensions::customScriptList();
  if (list->Count() == 0) return;
  out_ += kBreak;
  std::vector<Ref<extensions::RUZCustomScript>> scripts = list->list();
  std::stable_sort(scripts.begin(), scripts.end(),
                   [](const auto& a, const auto& b) { return a->Seq() < b->Seq(); });
  for (const Ref<extensions::RUZCustomScript>& s : scripts) {
    open("CustomScript");
    bagAttributes(*s->Properties(), false);
    out_ += ">\r\n";
    appendCode(out_, s->ScriptCode());
    out_ += "\r\n</CustomScript>\r\n";
  }
}

void Writer::menus() {
  Ref<elements::RUZMenus> list = elements::menuList();
  if (list->Count() == 0) return;
  out_ += kBreak;
  for (int32_t i = 1, n = list->Count(); i <= n; ++i) {
    elements::RUZMenu* m = list->at(i);
    open("Menu");
    attr("MenuID", std::to_string(m->MenuId));
    attr("MenuText", m->MenuText);
    attr("MenuParentID", std::to_string(m->MenuParentId));
    attr("MenuSource", m->MenuSource);
    attr("MenuExtUrl", m->MenuExtUrl);
    attr("MenuAnonymous", std::to_string(m->MenuAnonymous));
    attr("MenuSecurity", m->MenuSecurity);
    attr("MenuUrl", m->MenuUrl);
    attr("MenuType", m->MenuType);
    attr("MenuCustomUrl", m->MenuCustomUrl ? "1" : "0");
    attr("MenuLevel", std::to_string(m->MenuLevel));
    attr("MenuShow", m->MenuShow ? "1" : "0");
    attr("MenuDisplayOrder", std::to_string(m->MenuDisplayOrder));
    out_ += "/>\r\n";
  }
}

void Writer::phrases() {
  Ref<elements::RUZLanguage> lang = elements::languageStore();
  Ref<elements::RUZMenus> menuList = elements::menuList();
  Ref<model::RUZDatabase> db = project_.DB();
  auto table = [&](const std::string& name) -> model::RUZTable* {
    return db ? db->Tables()->items().find(name) : nullptr;
  };
  auto element = [&](std::string_view name, std::initializer_list<std::string_view> attrs,
                     const auto& record) {
    open(name);
    size_t i = 0;
    for (std::string_view a : attrs)
      attr(a, record[i++]);
    out_ += "/>\r\n";
  };
  for (int32_t i = 1, n = lang->ProjectCount(); i <= n; ++i) {
    const auto r = lang->ProjectItem(i)->fields;
    if (!r[2].empty()) element("ProjectPhrase", {"LanguageId", "ProjectAttribute", "Phrase"}, r);
  }
  for (int32_t i = 1, n = lang->MenuCount(); i <= n; ++i) {
    const auto r = lang->MenuItem(i)->fields;
    if (r[3].empty()) continue;
    // A phrase of a menu id that is no number belongs to no menu item.
    Variant id = core::ConvertValue(Variant(r[1]), "Long");
    if (id.isEmpty() || !menuList->MenuHasID(automation::CLng(id))) continue;
    element("MenuPhrase", {"LanguageId", "MenuId", "MenuAttribute", "Phrase"}, r);
  }
  for (int32_t i = 1, n = lang->TableCount(); i <= n; ++i) {
    const auto r = lang->TableItem(i)->fields;
    if (!r[3].empty() && table(r[1]))
      element("TablePhrase", {"LanguageId", "TableName", "TableAttribute", "Phrase"}, r);
  }
  for (int32_t i = 1, n = lang->ChartCount(); i <= n; ++i) {
    const auto r = lang->ChartItem(i)->fields;
    model::RUZTable* t = r[4].empty() ? nullptr : table(r[1]);
    if (t && t->Charts()->ChartExist(Variant(r[2])))
      element("ChartPhrase", {"LanguageId", "TableName", "ChartName", "ChartAttribute", "Phrase"},
              r);
  }
  for (int32_t i = 1, n = lang->FieldCount(); i <= n; ++i) {
    const auto r = lang->FieldItem(i)->fields;
    model::RUZTable* t = r[4].empty() ? nullptr : table(r[1]);
    if (t && t->Fields()->FieldExist(Variant(r[2])))
      element("FieldPhrase", {"LanguageId", "TableName", "FieldName", "FieldAttribute", "Phrase"},
              r);
  }
}

std::string Writer::build() {
  out_.reserve(1 << 16);
  out_ += "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
  open("Project");
  attr("Version", project_.VersionText());
  attr("Product", core::state().ProductKey);
  bagAttributes(*project_.Properties(), true);
  out_ += ">\r\n";
  if (Ref<model::RUZDatabase> db = project_.DB()) database(*db);
  extensions();
  customScripts();
  menus();
  phrases();
  out_ += "</Project>\r\n";
  return std::move(out_);
}

} // namespace

// ---- Shared with the reader --------------------------------------------------------------

bool isXmlName(std::string_view name) {
  if (name.empty()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    bool start = std::isalpha(c) || c == '_' || c >= 0x80;
    bool rest = start || std::isdigit(c) || c == '-' || c == '.';
    if (!(i == 0 ? start : rest)) return false;
  }
  return true;
}

std::string attributeText(const core::AGProperty& p) {
  const Variant& v = p.Value();
  std::string s;
  if (!v.isEmpty() && !v.isNull()) {
    try {
      s = automation::CStr(v);
    } catch (const automation::Error&) {
      s.clear();
    }
  }
  std::string lower = text::toLower(p.Name());
  if (lower == "fldtagvalues" || lower == "chartyfldname") {
    std::string joined;
    for (size_t i = 0; i < s.size(); ++i) {
      if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
        joined.push_back('|');
        ++i;
      } else {
        joined.push_back(s[i]);
      }
    }
    s = std::move(joined);
  }
  if (p.DataType() == "Boolean" && !s.empty()) {
    // Text that is no truth value is kept as written rather than failing the whole save.
    try {
      s = automation::CBool(Variant(s)) ? "1" : "0";
    } catch (const automation::Error&) {
    }
  } else if (p.DataType() == "Boolean") {
    s = "0";
  }
  return s;
}

std::string projectFileText(RUZ& project) {
  return Writer(project).build();
}

void BackupProjectFile(const std::string& projFile, const std::string& backupFolder,
                       int16_t maximum) {
  auto step = [](auto&& f) {
    try {
      f();
    } catch (const automation::Error&) {
    }
  };
  if (!files::fileExists(projFile)) return;
  step([&] { files::createFolders(backupFolder); });
  std::string name = files::fileName(projFile);
  size_t dot = name.rfind('.');
  std::string base = dot == std::string::npos ? name : name.substr(0, dot);
  std::string ext = dot == std::string::npos ? std::string() : name.substr(dot + 1);
  auto backup = [&](int32_t k) {
    std::string n = base + "(" + std::to_string(k) + ")";
    if (!ext.empty()) n += "." + ext;
    return files::joinPath(backupFolder, n);
  };
  int32_t last = 0;
  while (files::fileExists(backup(last + 1)))
    ++last;
  for (int32_t i = last; i >= 1; --i) {
    if (i < maximum)
      step([&] { files::copyFile(backup(i), backup(i + 1), true); });
    else
      step([&] { files::deleteFile(backup(i), true); });
  }
  step([&] { files::copyFile(projFile, backup(1), true); });
}

void RUZ::Save(const std::string& projFile) {
  core::State& ctx = core::state();
  ctx.ProjErr.clear();
  if (!CheckRequiredComponents()) return;
  core::InitSystemCharset();
  std::string bytes;
  try {
    bytes = projectFileText(*this);
  } catch (const automation::Error& e) {
    ctx.setProjErr("Save Project File failed! " + e.description());
    return;
  }
  ProjectState& st = projectState();
  Variant max = core::ConvertValue(
      core::RegGetValue("HKCU", st.GeneralKey, "MaxProjectBackupCount"), "Integer");
  int16_t maximum = max.isEmpty() ? 0 : automation::CInt(max);
  if (maximum < 1) maximum = 10;
  BackupProjectFile(projFile, st.BackupFolder, maximum);
  try {
    files::writeFile(projFile, bytes);
  } catch (const automation::Error& e) {
    ctx.setProjErr("Unable to write project file '" + projFile + "': " + e.description());
  }
}

} // namespace quillet::project
