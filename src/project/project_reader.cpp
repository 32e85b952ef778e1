// Loading a project file. The file is parsed and checked before anything changes; the
// project then starts afresh (settings, database, menus, phrases) and is read; should any
// step fail, the previous project is put back as it was, so a failed load never leaves a
// half-read project behind.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/dialect.h"
#include "core/identifiers.h"
#include "core/properties.h"
#include "core/registry.h"
#include "core/state.h"
#include "core/status.h"
#include "core/text_helpers.h"
#include "elements/chart.h"
#include "elements/language.h"
#include "elements/menu.h"
#include "elements/shared.h"
#include "extensions/codebase.h"
#include "extensions/custom_scripts.h"
#include "extensions/extension.h"
#include "extensions/operations.h"
#include "extensions/tree.h"
#include "model/ado_types.h"
#include "model/database.h"
#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/data/types.h"
#include "platform/files/files.h"
#include "platform/text/casefold.h"
#include "platform/ui/ui.h"
#include "project/project_file.h"
#include "project/ruz.h"
#include "project/settings_file.h"
#include "project/state.h"

namespace quillet::project {

namespace files = ::quillet::platform::files;
namespace data = ::quillet::platform::data;
namespace text = ::quillet::platform::text;
namespace xml = ::quillet::platform::xml;
using automation::Context;
using core::SettingType;

namespace {

constexpr const char* kLoadFailed = "Load Project File failed! Please check!";

// A fault in the file: the message names the file and the line.
class FileFault : public automation::Error {
public:
  FileFault(const std::string& file, int line, const std::string& what)
      : automation::Error(automation::err::kInvalidProcedureCall,
                          file + (line > 0 ? ", line " + std::to_string(line) : "") + ": " + what) {
  }
};

std::string attributeOf(const Attributes& attrs, std::string_view name) {
  for (const auto& [n, v] : attrs)
    if (text::equalsNoCase(n, name)) return v;
  return {};
}

std::string lower(std::string_view s) {
  return text::toLower(s);
}

bool isBlank(const Variant& v) {
  return v.isEmpty() || (v.isString() && v.asString().empty());
}

// Whole parts of a dotted version; a part that is no number counts as 0.
std::vector<int32_t> versionParts(const std::string& v) {
  std::vector<int32_t> parts;
  if (v.empty()) return parts;
  size_t from = 0;
  while (true) {
    size_t dot = v.find('.', from);
    std::string part = v.substr(from, dot == std::string::npos ? std::string::npos : dot - from);
    int32_t n = 0;
    try {
      n = automation::CInt(Variant(part));
    } catch (const automation::Error&) {
    }
    parts.push_back(n);
    if (dot == std::string::npos) break;
    from = dot + 1;
  }
  return parts;
}

// Everything of the project that a load replaces, kept to be put back when it fails.
struct Snapshot {
  std::vector<Ref<core::AGProperty>> settings;
  Ref<model::RUZDatabases> databases;
  Ref<model::RUZDatabase> db;
  std::string curDBName;
  elements::RUZMenus menus;
  elements::RUZLanguage language;
  std::string programLanguage, sqlQuote, securityDefault, dbmsName;
  int16_t dateFormatCode = 0;
};

} // namespace

// The element reader: the project's side of reading one parsed file.
class ProjectReader {
public:
  ProjectReader(RUZ& project, std::string file) : p_(project), file_(std::move(file)) {}

  void readProperties(const xml::Node& node, const Attributes& attrs, core::AGProperties& bag,
                      bool root);
  void readChildren(const xml::Node& node, model::RUZTable* table, elements::RUZChart* chart);

private:
  void database(const xml::Node& n, const Attributes& attrs);
  void table(const xml::Node& n, const Attributes& attrs);
  void chart(const xml::Node& n, const Attributes& attrs, model::RUZTable& table);
  void field(const Attributes& attrs, const xml::Node& n, model::RUZTable& table);
  void customScript(const xml::Node& n, const Attributes& attrs);
  void extension(const xml::Node& n, const Attributes& attrs);
  Attributes attributesOf(const xml::Node& n);
  void checkSize(const xml::Node& n, std::string_view what, size_t size);

  RUZ& p_;
  std::string file_;
  bool databaseRead_ = false;
};

void ProjectReader::readProperties(const xml::Node& node, const Attributes& attrs,
                                   core::AGProperties& bag, bool root) {
  for (const auto& [name, value] : attrs) {
    checkSize(node, name, value.size());
    // The root's version and product describe the file, not the project: kept as settings,
    // they would stand in for the component's own on the next save.
    if (root && (text::equalsNoCase(name, "Version") || text::equalsNoCase(name, "Product")))
      continue;
    if (core::AGProperty* p = bag.find(name)) {
      if (!p->FileSave()) continue;
      // Three settings are read specially; an ASCII name of another length is none of them,
      // which spares a comparison of every attribute of every element.
      const bool ascii = text::isAscii(name);
      auto is = [&, &name = name](std::string_view special) {
        return (!ascii || name.size() == special.size()) && text::equalsNoCase(name, special);
      };
      if (is("js")) {
        if (!value.empty() && files::fileExists(value))
          p->setValue(core::ConvertDefaultValue(Variant(value), p->DataType()));
      } else if (is("ChartYFldName") || is("FldTagValues")) {
        std::string lines;
        for (char c : value)
          if (c == '|')
            lines += "\r\n";
          else
            lines.push_back(c);
        p->setValue(Variant(lines));
      } else {
        Variant v = core::ConvertDefaultValue(Variant(value), p->DataType());
        if (v.isEmpty() && !value.empty())
          throw FileFault(file_, node.line(),
                          "the value \"" + value.substr(0, 64) + "\" of " + name + " is not a " +
                              p->DataType());
        p->setValue(v);
      }
      continue;
    }
    std::string type = root ? customSettings().LoadSettingType("Project", name) : "String";
    bag.Add(name, type, false, 0, true, true);
    if (core::AGProperty* added = bag.find(name))
      added->setValue(core::ConvertValue(Variant(value), type));
  }
}

void ProjectReader::database(const xml::Node& n, const Attributes& attrs) {
  if (databaseRead_) throw FileFault(file_, n.line(), "a project holds one database only");
  databaseRead_ = true;
  std::string name = attributeOf(attrs, "DBName");
  if (name.empty()) name = "qz_db";
  p_.curDBName_ = name;
  p_.Databases()->Add(name);
  p_.db_ = p_.Databases()->Item(Variant(name));
  readProperties(n, attrs, *p_.db_->Properties(), false);
  readChildren(n, nullptr, nullptr);
}

void ProjectReader::table(const xml::Node& n, const Attributes& attrs) {
  std::string name = attributeOf(attrs, "TblName");
  if (name.empty()) return;
  core::State& ctx = core::state();
  if (ctx.ProgressTotal > 0) {
    core::RUZStatus& status = core::SharedStatus();
    status.DispStatus("Loading TABLE/VIEW \"" + name + "\"...");
    ++ctx.ProgressCount;
    status.SetStatus(Variant(core::CalcPercent(static_cast<int32_t>(ctx.ProgressCount),
                                               static_cast<int32_t>(ctx.ProgressTotal))));
  }
  Ref<model::RUZTables> tables = p_.db_->Tables();
  if (!tables->Add(name)) return;
  Ref<model::RUZTable> t = tables->Item(Variant(name));
  syncHooks().LoadTableDefault(*t);
  readProperties(n, attrs, *t->Properties(), false);
  t->setTblVar(core::MakeVarName(t->TblName(), ""));
  if (t->TblReportType() == "list") t->setTblReportType("rpt");
  readChildren(n, t.get(), nullptr);
  if (t->Fields()->Count() > 0) t->setTblLoaded(true);
}

void ProjectReader::chart(const xml::Node& n, const Attributes& attrs, model::RUZTable& table) {
  std::string name = attributeOf(attrs, "ChartName");
  if (name.empty()) return;
  Ref<elements::RUZCharts> charts = table.Charts();
  if (!charts->Add(table.TblName(), name)) return;
  Ref<elements::RUZChart> c = charts->Item(Variant(name));
  readProperties(n, attrs, *c->Properties(), false);
  c->setChartVar(core::MakeVarName(c->ChartName(), ""));
  readChildren(n, &table, c.get());
  Ref<elements::RUZTrends> trends = c->Trendlines();
  if (trends->Count() == 0)
    for (const char* t : {"Trendline1", "Trendline2", "Trendline3", "Trendline4"})
      trends->Add(t);
}

void ProjectReader::field(const Attributes& attrs, const xml::Node& n, model::RUZTable& table) {
  std::string name = attributeOf(attrs, "FldName");
  if (name.empty()) return;
  Ref<model::RUZFields> fields = table.Fields();
  if (!fields->Add(table.TblName(), name)) return;
  Ref<model::RUZField> f = fields->Item(Variant(name));
  readProperties(n, attrs, *f->Properties(), false);
  f->setFldVar(core::MakeVarName(f->FldName(), "x_"));
  int16_t type = f->FldType();
  bool access = data::databaseKind(p_.db_->DBDBMSName()) == data::DatabaseKind::Access;
  const char* quote = model::AdoLiteralQuote(type, access);
  if (quote) {
    f->setFldQuoteS(quote);
    f->setFldQuoteE(quote);
  }
  if (f->FldAutoIncrement()) f->setFldAdd(false);
  f->setFldGenerate(f->FldSupport());
}

void ProjectReader::readChildren(const xml::Node& node, model::RUZTable* table,
                                 elements::RUZChart* chart) {
  Ref<elements::RUZLanguage> lang = elements::languageStore();
  for (xml::Node n = node.firstChild(); n; n = n.nextSibling()) {
    if (!n.isElement()) continue;
    std::string name = lower(n.name());
    Attributes attrs = attributesOf(n);
    auto a = [&](std::string_view key) { return attributeOf(attrs, key); };
    if (name == "database") {
      database(n, attrs);
    } else if (name == "projectphrase") {
      lang->SetProjectPhrase(a("LanguageId"), a("ProjectAttribute"), a("Phrase"));
    } else if (name == "menuphrase") {
      lang->SetMenuPhrase(a("LanguageId"), a("MenuId"), a("MenuAttribute"), a("Phrase"));
    } else if (name == "tablephrase") {
      lang->SetTablePhrase(a("LanguageId"), a("TableName"), a("TableAttribute"), a("Phrase"));
    } else if (name == "chartphrase") {
      lang->SetChartPhrase(a("LanguageId"), a("TableName"), a("ChartName"), a("ChartAttribute"),
                           a("Phrase"));
    } else if (name == "fieldphrase") {
      lang->SetFieldPhrase(a("LanguageId"), a("TableName"), a("FieldName"), a("FieldAttribute"),
                           a("Phrase"));
    } else if (name == "table") {
      // Tables belong to the database element; one elsewhere names no database.
      if (p_.db_ && !table) this->table(n, attrs);
    } else if (name == "chart") {
      if (p_.db_ && table && !chart) this->chart(n, attrs, *table);
    } else if (name == "trendline") {
      std::string trend = a("TrendName");
      if (p_.db_ && chart && !trend.empty()) {
        Ref<elements::RUZTrends> trends = chart->Trendlines();
        if (trends->Add(trend))
          if (Ref<elements::RUZTrend> t = trends->Item(Variant(trend)))
            readProperties(n, attrs, *t->Properties(), false);
      }
    } else if (name == "field") {
      if (p_.db_ && table && !chart) field(attrs, n, *table);
    } else if (n.name() == "CustomScript") {
      customScript(n, attrs);
    }
  }
  // Extensions come after the whole database, so their entries meet its tables.
  for (xml::Node n = node.firstChild(); n; n = n.nextSibling())
    if (n.isElement() && lower(n.name()) == "extension") extension(n, attributesOf(n));
}

Attributes ProjectReader::attributesOf(const xml::Node& n) {
  Attributes attrs = n.attributes();
  for (const auto& [name, value] : attrs)
    checkSize(n, name, value.size());
  return attrs;
}

void ProjectReader::checkSize(const xml::Node& n, std::string_view what, size_t size) {
  // No setting or script is anywhere near this; a value this large is a damaged file.
  constexpr size_t kMaxValue = size_t{4} << 20;
  if (size > kMaxValue)
    throw FileFault(file_, n.line(),
                    "the value of " + std::string(what) + " is longer than 4 MB (" +
                        std::to_string(size) + " bytes)");
}

// Code of old projects that has no language yet becomes a commented block inside the code
// base's code for the script.
std::string WrapUnconvertedCode(const std::string& name, const std::string& newCode,
                                std::string oldCode, const std::string& language) {
  bool vb = text::equalsNoCase(language, "VB");
  const std::string mark = vb ? "'*** " : "//*** ";
  const std::string keyword = vb ? "End " : "}";
  std::string lines;
  for (size_t i = 0; i < oldCode.size(); ++i) {
    if (oldCode[i] == '\r' && i + 1 < oldCode.size() && oldCode[i + 1] == '\n') continue;
    lines.push_back(oldCode[i] == '\n' ? '\r' : oldCode[i]);
  }
  std::string block = mark + "TO DO ***\r\n" + mark +
                      "- Convert the codes below to .NET Codes\r\n" + mark + "\r\n" + mark;
  for (char c : lines)
    if (c == '\r')
      block += "\r\n" + mark;
    else
      block.push_back(c);
  if (name != "Global Code") {
    std::string lowerCode = lower(newCode), lowerKey = lower(keyword);
    size_t at = lowerCode.rfind(lowerKey);
    if (at != std::string::npos)
      return newCode.substr(0, at) + "\r\n" + block + "\r\n" + newCode.substr(at);
  }
  return newCode + "\r\n" + block;
}

void ProjectReader::customScript(const xml::Node& n, const Attributes& attrs) {
  auto a = [&](std::string_view key) { return attributeOf(attrs, key); };
  extensions::ScriptParts parts{a("ScriptType"),     a("ScriptCodeType"), a("ScriptName"),
                                a("ScriptLanguage"), a("ScriptCtrlID"),   a("ScriptL1Key"),
                                a("ScriptL2Key")};
  bool converted = false;
  if (parts[3].empty()) {
    converted = parts[0] == "Server";
    parts[3] = converted ? p_.ProgramLanguage() : "JavaScript";
  }
  Ref<extensions::RUZCustomScripts> list = extensions::customScriptList();
  if (!list->Add(parts)) return;
  std::string code = readCode(n);
  checkSize(n, "the script " + parts[2], code.size());
  if (converted)
    code = WrapUnconvertedCode(
        parts[2], extensions::codeBase()->CodeSource(parts[0], parts[1], parts[2], parts[3]), code,
        parts[3]);
  if (Ref<extensions::RUZCustomScript> s = list->ScriptItem(parts)) s->setScriptCode(code);
}

// Every value the file holds for an extension is read into its tree, whether or not the
// definition file is on this machine or the table is loaded: what is not read here would
// be gone after the next save. Entries are found under the element that encloses them.
void ProjectReader::extension(const xml::Node& n, const Attributes& attrs) {
  std::string name = attributeOf(attrs, "Name");
  if (name.empty()) return;
  extensions::ProjectAccess access = p_.extensionAccess();
  if (!extensions::AddExtension(access, name, attributeOf(attrs, "Template"),
                                attributeOf(attrs, "XmlFile")))
    return;
  Ref<extensions::RUZExtension> ext = extensions::extensionList()->items().find(name);
  if (!ext) return;
  readProperties(n, attrs, *ext->Properties(), false);
  auto elements = [](const xml::Node& parent, std::string_view wanted) {
    std::vector<xml::Node> out;
    for (xml::Node c = parent.firstChild(); c; c = c.nextSibling())
      if (c.isElement() && lower(c.name()) == wanted) out.push_back(c);
    return out;
  };
  for (const xml::Node& pn : elements(n, "extproject")) {
    Ref<extensions::RUZExtProj> proj = ext->PROJ();
    readProperties(pn, attributesOf(pn), *proj->Properties(), false);
    for (const xml::Node& dn : elements(pn, "extdatabase")) {
      Ref<extensions::RUZExtDb> db = proj->DB();
      readProperties(dn, attributesOf(dn), *db->Properties(), false);
      Ref<extensions::RUZExtTables> tables = db->Tables();
      for (const xml::Node& tn : elements(dn, "exttable")) {
        Attributes ta = attributesOf(tn);
        std::string tname = attributeOf(ta, "TblName");
        if (tname.empty()) continue;
        if (!tables->TableExist(Variant(tname))) tables->Add(tname);
        Ref<extensions::RUZExtTable> t = tables->items().find(tname);
        if (!t) continue;
        readProperties(tn, ta, *t->Properties(), false);
        for (const xml::Node& cn : elements(tn, "extchart")) {
          Attributes ca = attributesOf(cn);
          std::string cname = attributeOf(ca, "ChartName");
          if (cname.empty()) continue;
          Ref<extensions::RUZExtCharts> charts = t->Charts();
          if (!charts->ChartExist(Variant(cname))) charts->Add(cname);
          if (Ref<extensions::RUZExtChart> c = charts->items().find(cname))
            readProperties(cn, ca, *c->Properties(), false);
        }
        for (const xml::Node& fn : elements(tn, "extfield")) {
          Attributes fa = attributesOf(fn);
          std::string fname = attributeOf(fa, "FldName");
          if (fname.empty()) continue;
          Ref<extensions::RUZExtFields> fields = t->Fields();
          if (!fields->FieldExist(Variant(fname))) fields->Add(fname);
          if (Ref<extensions::RUZExtField> f = fields->items().find(fname))
            readProperties(fn, fa, *f->Properties(), false);
        }
      }
    }
  }
}

// ---- Reading helpers shared with the extension wiring ------------------------------------

std::string readCode(const xml::Node& element) {
  std::vector<xml::Node> parts;
  for (xml::Node n = element.firstChild(); n; n = n.nextSibling())
    if (n.type() == xml::NodeType::Text || n.type() == xml::NodeType::CData) parts.push_back(n);
  size_t first = parts.size(), last = 0;
  for (size_t i = 0; i < parts.size(); ++i)
    if (parts[i].type() == xml::NodeType::CData) {
      if (first == parts.size()) first = i;
      last = i;
    }
  std::string code;
  if (first == parts.size()) {
    // Plain text content: the writer's framing line breaks are not part of the code.
    for (const xml::Node& n : parts)
      code += n.text();
    if (!code.empty() && code.front() == '\n') code.erase(0, 1);
    if (!code.empty() && code.back() == '\n') code.pop_back();
    return code;
  }
  // Text before the first and after the last section frames the code, unless it carries a
  // carriage return that belongs to it.
  auto framing = [](std::string_view s) { return s.find('\r') == std::string_view::npos; };
  for (size_t i = 0; i < parts.size(); ++i) {
    std::string t = parts[i].text();
    if (i < first) {
      if (framing(t)) continue;
      if (i == 0 && !t.empty() && t.front() == '\n') t.erase(0, 1);
    } else if (i > last) {
      if (framing(t)) continue;
      if (i + 1 == parts.size() && !t.empty() && t.back() == '\n') t.pop_back();
    }
    code += t;
  }
  return code;
}

int16_t RUZ::CompareVersion(const std::string& a, const std::string& b) {
  std::vector<int32_t> pa = versionParts(a), pb = versionParts(b);
  int n = static_cast<int>(std::min(pa.size(), pb.size())) - 1;
  if (n >= 0) {
    if (pa[0] > pb[0]) return 2;
    if (pa[0] == pb[0] && n >= 1 && pa[1] > pb[1]) return 1;
  }
  if (n > 2) n = 2;
  for (int i = 0; i <= n; ++i)
    if (pa[i] < pb[i]) return -1;
  return 0;
}

void RUZ::Load(const std::string& projFile) {
  core::State& ctx = core::state();
  ctx.ProjErr.clear();
  if (!CheckRequiredComponents()) return;
  xml::LoadOptions options;
  // The line breaks around a script's code are read by readCode, so none is dropped here.
  options.keepBlankText = true;
  options.huge = true;
  xml::Document doc;
  try {
    doc = xml::Document::load(projFile, options);
  } catch (const automation::Error& e) {
    ctx.setProjErr(std::string(kLoadFailed) + " (" + e.description() + ")");
    return;
  } catch (const std::exception& e) {
    ctx.setProjErr(std::string(kLoadFailed) + " (" + projFile + ": " + e.what() + ")");
    return;
  }
  LoadFromDocument(projFile, doc);
}

bool RUZ::LoadFromDocument(const std::string& projFile, const xml::Document& document) {
  core::State& ctx = core::state();
  ProjectState& st = projectState();
  xml::Document doc = document;
  xml::Node root = doc.documentElement();
  if (!root || root.name() != "Project") {
    ctx.setProjErr(std::string("Invalid Project File! (") + projFile + ": the root element is " +
                   (root ? "<" + root.name() + ">" : "missing") + ", not <Project>)");
    return false;
  }
  if (!root.hasAttribute("Version")) {
    ctx.setProjErr(std::string(kLoadFailed) + " (" + projFile + ", line " +
                   std::to_string(root.line()) + ": the Project element has no Version)");
    return false;
  }

  std::string path = projFile;
  std::string fileVersion = root.attribute("Version");
  try {
    size_t dot = path.rfind('.');
    bool foreign = dot != std::string::npos &&
                   path.find_first_of("/\\", dot) == std::string::npos &&
                   lower(path.substr(dot + 1)) != lower(ctx.ProjectExtension);
    int16_t cmp = CompareVersion(fileVersion, st.ProjectFileVersion);
    if (cmp == 2) {
      ctx.setProjErr("Project file version (" + fileVersion + ") newer than software (" +
                     versionText_ + ")! Please check! (" + path + ")");
      return false;
    }
    if (foreign || cmp == -1) {
      std::string converted =
          projectConverter().ConvertProject(path, st.ConverterCode, versionText_);
      if (converted != path) {
        try {
          doc = xml::Document::load(converted, {.keepBlankText = true, .huge = true});
          path = converted;
          root = doc.documentElement();
          if (foreign) fileVersion = root.attribute("Version");
        } catch (const automation::Error&) {
          // The converter's output cannot be read: the file handed to it is read as it is.
        }
      }
      if (!root || root.name() != "Project") {
        ctx.setProjErr("Invalid Project File! (" + path + ")");
        return false;
      }
    }
  } catch (const automation::Error& e) {
    ctx.setProjErr(std::string(kLoadFailed) + " (" + e.description() + ")");
    return false;
  }

  // Keep what the project holds now, then start it afresh.
  Ref<elements::RUZMenus> menus = elements::menuList();
  Ref<elements::RUZLanguage> lang = elements::languageStore();
  Snapshot old{Properties()->list(),
               databases_,
               db_,
               curDBName_,
               *menus,
               *lang,
               ctx.CurrentProgramLanguage,
               ctx.CurrentSQLQuote,
               ctx.SecurityDefault,
               st.DBMSName,
               st.DateFormatCode};
  for (Ref<core::AGProperty>& p : old.settings)
    p = automation::makeRef<core::AGProperty>(*p);
  core::RUZStatus& status = core::SharedStatus();
  Ref<extensions::RUZExtensions> oldExtensions;
  Ref<extensions::RUZCustomScripts> oldScripts;
  bool ok = false;
  try {
    ClearSettings();
    DefineSettings();
    db_ = nullptr;
    databases_ = nullptr;
    curDBName_.clear();
    oldExtensions =
        extensions::exchangeExtensionList(automation::makeRef<extensions::RUZExtensions>());
    oldScripts =
        extensions::exchangeCustomScriptList(automation::makeRef<extensions::RUZCustomScripts>());
    elements::clearPhraseOverrides();

    LoadDefault();
    extensions::reloadCodeBase(CodeBaseFile);
    if (fileVersion.rfind("1.0", 0) == 0) setSetting<SettingType::Integer>("AppCompatVersion", 3);
    std::vector<Attributes> menuElements;
    for (xml::Node n = root.firstChild(); n; n = n.nextSibling())
      if (n.isElement() && lower(n.name()) == "menu") menuElements.push_back(n.attributes());
    menus->loadMenuElements(menuElements);
    KeywordFile = [&] {
      Variant v = core::RegGetValue("HKCU", st.GeneralKey, "Keyword");
      return isBlank(v) ? std::string() : automation::CStr(v);
    }();
    // A keyword file that is not there is no error of the project; one that cannot be read
    // is reported by the keyword list itself.
    if (!KeywordFile.empty() && files::fileExists(KeywordFile))
      core::SharedKeywords().Load(KeywordFile);

    ctx.ProgressTotal = 0;
    for (xml::Node n = root.firstChild(); n; n = n.nextSibling())
      if (n.isElement() && n.name() == "Database") {
        for (xml::Node t = n.firstChild(); t; t = t.nextSibling())
          if (t.isElement()) ++ctx.ProgressTotal;
        break;
      }
    ctx.ProgressCount = 0;
    if (ctx.ProgressTotal > 0) status.ShowStatus(lhWnd, "Loading Project File...");

    ProjectReader reader(*this, path);
    Attributes rootAttrs = root.attributes();
    reader.readProperties(root, rootAttrs, *Properties(), true);
    if (SmtpServer().empty()) {
      setSmtpServer("localhost");
      setSetting<SettingType::Long>("SmtpServerPort", 25);
    }
    ctx.CurrentProgramLanguage = ProgramLanguage();
    setSetting<SettingType::String>("ProjVar", core::MakeVarName(ProjName(), ""));
    reader.readChildren(root, nullptr, nullptr);
    if (ctx.ProgressTotal > 0) status.CloseStatus();

    std::string tmpl = Template();
    if (tmpl.empty() || !files::fileExists(tmpl)) {
      Variant v = core::RegGetValue("HKCU", st.ProjectKey, "Template");
      setTemplate(isBlank(v) ? std::string() : automation::CStr(v));
    }
    ctx.CurrentSQLQuote = SQLQuote();
    Variant dateFormat = core::ConvertValue(value("defaultDateFormat"), "Integer");
    st.DateFormatCode = dateFormat.isEmpty() ? 0 : automation::CInt(dateFormat);
    if (!db_) {
      ctx.setProjErr("No Database Information in Project File! (" + path + ")");
    } else {
      st.DBMSName = db_->DBDBMSName();
      core::SetQuoteChars(st.DBMSName);
      db_->setDBQuoteS(core::IdentQuotes().IdentQuoteStart);
      db_->setDBQuoteE(core::IdentQuotes().IdentQuoteEnd);
      ctx.SecurityDefault = db_->SecDefault();
      ProjectSyncHooks& hooks = syncHooks();
      hooks.SaveTableKeys(*this);
      if (AutoSync() && hooks.autoSyncOnLoad()) synchroniseAfterLoad();
      hooks.RefreshMenus(*this);
      if (ctx.ProjErr.empty() && extensions::extensionList()->Count() == 0) {
        extensions::ProjectAccess access = extensionAccess();
        extensions::LoadExtensionsFromRegistry(access);
      }
    }
    ok = ctx.ProjErr.empty();
  } catch (const automation::Error& e) {
    ctx.setProjErr(std::string(kLoadFailed) + " (" + e.description() + ")");
  } catch (const std::exception& e) {
    ctx.setProjErr(std::string(kLoadFailed) + " (" + path + ": " + e.what() + ")");
  }
  if (status.isOpen()) status.CloseStatus();
  if (ok) return true;

  // Put the previous project back.
  std::string error = ctx.ProjErr;
  ClearSettings();
  Ref<core::AGProperties> bag = Properties();
  for (const Ref<core::AGProperty>& p : old.settings)
    if (core::AGProperty* slot = bag->addProperty(p->Name(), p->DataType(), p->RegSave(),
                                                  p->RegFormat(), p->FileSave(), p->Sync()))
      *slot = *p;
  databases_ = old.databases;
  db_ = old.db;
  curDBName_ = old.curDBName;
  *menus = old.menus;
  *lang = old.language;
  if (oldExtensions) extensions::exchangeExtensionList(oldExtensions);
  if (oldScripts) extensions::exchangeCustomScriptList(oldScripts);
  ctx.CurrentProgramLanguage = old.programLanguage;
  ctx.CurrentSQLQuote = old.sqlQuote;
  ctx.SecurityDefault = old.securityDefault;
  st.DBMSName = old.dbmsName;
  st.DateFormatCode = old.dateFormatCode;
  ctx.ProjErr = error;
  return false;
}

void RUZ::synchroniseAfterLoad() {
  core::State& ctx = core::state();
  ProjectSyncHooks& hooks = syncHooks();
  platform::ui::Ui& ui = platform::ui::current();
  if (!hooks.available()) {
    ui.messageBox("Database synchronization is not available: the project was loaded without "
                  "comparing it with its database.",
                  platform::ui::kOkOnly | platform::ui::kExclamation, ctx.DisplayName);
    return;
  }
  ctx.StatusCaption = ctx.DisplayName + " - Database Synchronization Check...";
  if (!hooks.readCatalogue(*this) || !ctx.ProjErr.empty()) {
    ui.messageBox("Unable to load database information! Reason: " + ctx.ProjErr +
                      ". Please check if correct database is in use.",
                  platform::ui::kOkOnly | platform::ui::kExclamation, ctx.DisplayName);
    ctx.ProjErr.clear();
    hooks.releaseCatalogue(*this);
    return;
  }
  bool keep = true;
  std::string question;
  if (hooks.countDifferences(*this) < 1) {
    if (hooks.emptyFieldTypeNames(*this))
      question = "Field Type Names are empty for some of the fields in the project. Generated "
                 "codes may not work correctly. Update from database schema?";
  } else {
    question = "Database has been modified since last change. Do you want to keep old definition "
               "or update to new definition?";
  }
  if (!question.empty()) keep = ui.choose(question, {"Keep", "Update"}, 0, ctx.DisplayName) == 0;
  if (!keep) hooks.synchronise(*this);
  hooks.releaseCatalogue(*this);
  ctx.ProjErr.clear();
}

} // namespace quillet::project
