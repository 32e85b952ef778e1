// The outputs that belong to the whole site rather than to a table: the style sheets, the
// logo and icon, the language files, the files and folders of "copy" controls and the test
// web server file. A write or copy that fails is reported in ProjErr, so the run stops
// instead of leaving a site that lacks the file while saying it succeeded.
#include <chrono>
#include <ctime>

#include "core/properties.h"
#include "core/registry.h"
#include "core/state.h"
#include "core/status.h"
#include "core/text_helpers.h"
#include "elements/chart.h"
#include "elements/language.h"
#include "elements/menu.h"
#include "generation/generator.h"
#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/automation/error.h"
#include "platform/files/files.h"
#include "platform/files/textfile.h"
#include "platform/text/casefold.h"
#include "platform/xml/xml.h"
#include "project/state.h"
#include "template/prepare.h"

namespace quillet::generation {

namespace files = ::quillet::platform::files;
namespace text = ::quillet::platform::text;
namespace xml = ::quillet::platform::xml;
using automation::Context;

namespace {

std::string afterLastSeparator(const std::string& path) {
  return files::fileName(path);
}

std::string generalValue(const std::string& name) {
  try {
    Variant v = core::RegGetValue(Variant("HKCU"), Variant(project::projectState().GeneralKey),
                                  Variant(name));
    if (v.isEmpty() || v.isNull()) return {};
    return automation::CStr(v);
  } catch (const automation::Error&) {
    return {};
  }
}

std::vector<std::string> attributeList(const std::string& registryName) {
  std::vector<std::string> out;
  std::string list = generalValue(registryName);
  size_t start = 0;
  while (!list.empty()) {
    size_t p = list.find(',', start);
    std::string entry = list.substr(start, p == std::string::npos ? std::string::npos : p - start);
    size_t b = entry.find_first_not_of(' ');
    size_t e = entry.find_last_not_of(' ');
    out.push_back(b == std::string::npos ? std::string() : entry.substr(b, e - b + 1));
    if (p == std::string::npos) break;
    start = p + 1;
  }
  return out;
}

std::string replaceAll(std::string s, const std::string& from, const std::string& to) {
  size_t p = 0;
  while ((p = s.find(from, p)) != std::string::npos) {
    s.replace(p, from.size(), to);
    p += to.size();
  }
  return s;
}

std::string valueText(core::AGProperties& bag, const std::string& name) {
  Ref<core::AGProperty> p = bag.Item(name);
  if (!p) return {};
  const Variant& v = p->Value();
  if (v.isEmpty() || v.isNull()) return {};
  return automation::CStr(v);
}

} // namespace

std::string Generator::GetExtensionFolder(const std::string& extension) {
  return templating::GetExtensionFolder(extension);
}

bool Generator::projectItemSelected(const std::string& key) {
  Ref<model::AGControlItems> items = proj_.ControlList();
  if (!items->ItemExist(Variant(key))) return true;
  Ref<model::AGControlItem> it = items->Item(Variant(key));
  return !it || it->ItemGen;
}

Variant Generator::CopyFileItem(const std::string& itemKey, const std::string& statusText,
                                const std::string& remark, const std::string& sourcePath,
                                const std::string& folder, bool listMode) {
  if (sourcePath.empty() || !files::fileExists(sourcePath)) return Variant();
  std::string name = afterLastSeparator(sourcePath);
  std::string dest = resolveForControl(itemKey, folder, name, listMode);
  if (dest.empty()) return Variant(false);
  if (listMode) {
    proj_.ControlList()->Add(itemKey, name, true, remark);
    noteOutput("", itemKey, dest, files::fileExists(dest));
    return Variant(files::fileExists(dest));
  }
  bool selected = projectItemSelected(itemKey);
  if (selected) {
    core::SharedStatus().DispStatus(statusText);
    try {
      copyFileIfChanged(sourcePath, dest);
    } catch (const automation::Error& e) {
      recordFailure("Copying to file \"" + dest + "\" failed! Error = " + e.description());
    }
    ReportUnitProgress();
  }
  return Variant(selected);
}

int16_t Generator::GenerateSharedAssets(bool listMode) {
  int16_t result = 0;
  core::State& ctx = core::state();

  // Style sheet made from the user's style-sheet template.
  {
    std::string name = proj_.ProjVar() + ".css";
    if (proj_.OutputNameLCase()) name = text::toLower(name);
    std::string folder = GetFolderByControlID("_css");
    if (listMode) {
      proj_.ControlList()->Add("@css", name, true, "Create CSS file");
      std::string cssTemplate = generalValue("CssFile");
      std::string dest = cssTemplate.empty() || !files::fileExists(cssTemplate)
                             ? std::string()
                             : resolveForControl("_css", folder, name, true);
      if (!dest.empty()) noteOutput("", "@css", dest, files::fileExists(dest));
    } else if (projectItemSelected("@css")) {
      std::string dest = resolveForControl("_css", folder, name, false);
      std::string cssTemplate = generalValue("CssFile");
      if (!dest.empty() && !cssTemplate.empty() && files::fileExists(cssTemplate)) {
        try {
          std::string source = automation::CStr(core::ReadTextFile(Variant(cssTemplate)));
          std::string sheet = runCssTemplate ? runCssTemplate(source) : std::string();
          sheet += proj_.CssStyles();
          WriteTextFile(dest, sheet, false);
          LogGeneratedFile(dest);
        } catch (const automation::Error& e) {
          recordFailure("Writing style sheet \"" + dest + "\" failed! Error = " + e.description());
        }
      }
      ReportUnitProgress();
    }
  }

  // The user's own style sheet, copied into the destination folder itself.
  std::string css = proj_.CSS();
  if (!css.empty()) {
    std::string dest = resolveForControl("@cssfile", "", afterLastSeparator(css), listMode);
    if (!dest.empty() && css != dest) {
      if (listMode) {
        proj_.ControlList()->Add("@cssfile", dest, true, "Copy user CSS");
        noteOutput("", "@cssfile", dest, files::fileExists(dest));
      } else {
        if (projectItemSelected("@cssfile")) {
          core::SharedStatus().DispStatus("copying css...");
          if (files::fileExists(css)) {
            try {
              copyFileIfChanged(css, dest);
              LogGeneratedFile(dest);
            } catch (const automation::Error& e) {
              recordFailure("Copying to file \"" + dest + "\" failed! Error = " + e.description());
            }
          }
        }
        ReportUnitProgress();
      }
    }
  }

  // Header logo, into the folder of "_images".
  std::string logo = proj_.HeaderLogo();
  if (!logo.empty() && files::fileExists(logo)) {
    std::string name = afterLastSeparator(logo);
    if (listMode) {
      proj_.ControlList()->Add("@logo", name, true, "Copy logo");
      std::string dest = resolveForControl("_images", GetFolderByControlID("_images"), name, true);
      if (!dest.empty()) noteOutput("", "@logo", dest, files::fileExists(dest));
    } else if (projectItemSelected("@logo")) {
      std::string dest = resolveForControl("_images", GetFolderByControlID("_images"), name, false);
      if (!dest.empty()) {
        core::SharedStatus().DispStatus("Copying logo...");
        try {
          copyFileIfChanged(logo, dest);
        } catch (const automation::Error& e) {
          recordFailure("Copying to file \"" + dest + "\" failed! Error = " + e.description());
        }
        ReportUnitProgress();
      }
    }
  }

  // Favicon, into the destination folder itself.
  if (automation::CBool(CopyFileItem("@favicon", "Copying favicon...", "Copy favicon",
                                     proj_.FavIcon(), "", listMode)))
    result = 1;

  // Language files.
  std::string list = proj_.MultiLanguage() ? proj_.LanguageFiles() : proj_.DefaultLanguageFile();
  if (!list.empty()) {
    std::string folder = GetFolderByControlID("_language");
    std::string langFolder = project::projectState().LanguageFolder;
    size_t start = 0;
    for (;;) {
      size_t p = list.find(',', start);
      std::string entry =
          list.substr(start, p == std::string::npos ? std::string::npos : p - start);
      if (automation::CBool(WriteLanguageFile(
              "@lang_" + entry, "Creating language file " + entry + "...", "Create language file",
              files::joinPath(langFolder, entry), folder, listMode)))
        result = 1;
      if (!listMode && ctx.hasProjErr()) break;
      if (p == std::string::npos) break;
      start = p + 1;
    }
  }
  return result;
}

int16_t Generator::CopyTemplateFiles(bool listMode) {
  int16_t count = 0;
  templating::TemplateWork& st = templating::templateWork();
  core::State& ctx = core::state();
  for (int32_t i = 1; i <= Controls().Count(); ++i) {
    Ref<RUZControl> ctrl = Controls().Item(Variant(i));
    if (!ctrl || ctrl->CtrlType != "copy") continue;
    if (!EvalCondition(ctrl->CtrlCond)) continue;
    if (!projectItemSelected(ctrl->CtrlID)) continue;
    st.CurrentTemplateFolder = GetExtensionFolder(ctrl->CtrlExt);
    bool ownFolder = !ctrl->CtrlOFolderID.empty() || !ctrl->CtrlOFolder.empty();
    std::string outFolder = GetControlFolder(ctrl->CtrlOFolderID, ctrl->CtrlOFolder);
    if (!ctrl->CtrlIFiles.empty()) {
      std::string srcFolder = CheckSourcePath(st.CurrentTemplateFolder, ctrl->CtrlIFolder);
      std::vector<std::string> entries;
      size_t start = 0;
      for (;;) {
        size_t p = ctrl->CtrlIFiles.find(',', start);
        entries.push_back(
            ctrl->CtrlIFiles.substr(start, p == std::string::npos ? std::string::npos : p - start));
        if (p == std::string::npos) break;
        start = p + 1;
      }
      for (const std::string& f : entries) {
        std::string source = CheckSourcePath(srcFolder, f);
        std::string outName = f;
        if (ownFolder) outName = afterLastSeparator(replaceAll(f, "/", "\\"));
        if (source.empty()) {
          ctx.ProjErr = ctx.DisplayName + ": Source file does not exist - \"" + f +
                        "\"! Check if correct template.";
          return 1;
        }
        if (entries.size() == 1 && !ctrl->CtrlOFile.empty())
          outName = GetOutputFileName(*ctrl, "", "");
        std::string dest = resolveForControl(ctrl->CtrlID, outFolder, outName, listMode);
        if (dest.empty()) return listMode ? count : 1;
        if (listMode) noteOutput("", ctrl->CtrlID, dest, files::fileExists(dest));
        if (ConfirmOverwriteFile(dest, ctrl->CtrlOverwrite, listMode)) {
          if (listMode) {
            ++count;
          } else {
            core::SharedStatus().DispStatus("Copying file " + f + "...");
            try {
              Generator::CreateFolderPath(files::parentFolder(dest));
              copyFileIfChanged(source, dest);
            } catch (const automation::Error&) {
              ctx.ProjErr = "Copying to file \"" + dest + "\" failed!";
              return 1;
            }
          }
        }
      }
    } else if (!ctrl->CtrlIFolder.empty()) {
      std::string srcFolder = CheckSourcePath(st.CurrentTemplateFolder, ctrl->CtrlIFolder);
      if (srcFolder.empty()) {
        ctx.ProjErr = ctx.DisplayName + ": Source folder does not exist - \"" + ctrl->CtrlIFolder +
                      "\"! Check if correct template.";
      } else {
        std::string destFolder = resolveForControl(
            ctrl->CtrlID, ownFolder ? outFolder : ctrl->CtrlIFolder, "", listMode);
        if (destFolder.empty()) return listMode ? count : 1;
        auto dropSeparators = [](std::string s) {
          while (s.size() > 1 && (s.back() == '/' || s.back() == '\\'))
            s.pop_back();
          return s;
        };
        srcFolder = dropSeparators(srcFolder);
        destFolder = dropSeparators(destFolder);
        if (listMode) noteOutput("", ctrl->CtrlID, destFolder, files::folderExists(destFolder));
        if (ConfirmOverwriteFolder(destFolder, ctrl->CtrlOverwrite, listMode)) {
          std::string name = ctrl->CtrlIFolder;
          if (!name.empty()) name.pop_back();
          if (listMode) {
            ++count;
          } else {
            core::SharedStatus().DispStatus("Copying folder " + name + "...");
            try {
              copyFolderIfChanged(srcFolder, destFolder);
            } catch (const automation::Error&) {
              ctx.ProjErr = "Copying to folder \"" + name + "\" failed!";
              return 1;
            }
          }
        }
      }
    }
    ReportUnitProgress();
  }
  // The test web server file is a platform file: copied when there is one, else skipped.
  if (!listMode && !genState().webServerFile.empty() && files::fileExists(genState().webServerFile)) {
    std::string dest =
        resolveForControl("~/bin", "~/bin", files::fileName(genState().webServerFile), false);
    if (!dest.empty() && !files::fileExists(dest)) {
      try {
        files::copyFile(genState().webServerFile, dest, false);
      } catch (const automation::Error& e) {
        recordFailure("Copying to file \"" + dest + "\" failed! Error = " + e.description());
      }
    }
  }
  return count;
}

Variant Generator::WriteLanguageFile(const std::string& itemKey, const std::string& statusText,
                                     const std::string& remark, const std::string& sourcePath,
                                     const std::string& folder, bool listMode) {
  (void)remark;
  if (sourcePath.empty() || !files::fileExists(sourcePath)) return Variant();
  std::string name = afterLastSeparator(sourcePath);
  std::string dest = resolveForControl("_language", folder, name, listMode);
  if (dest.empty()) return Variant(false);
  if (listMode) {
    proj_.ControlList()->Add(itemKey, name, true, remark);
    noteOutput("", itemKey, dest, files::fileExists(dest));
    return Variant(files::fileExists(dest));
  }
  if (!projectItemSelected(itemKey)) return Variant(false);
  core::SharedStatus().DispStatus(statusText);

  xml::Document doc;
  try {
    xml::LoadOptions opts;
    opts.keepBlankText = true;
    doc = xml::Document::load(sourcePath, opts);
  } catch (const automation::Error& e) {
    // A language source that cannot be read would leave the site without its texts.
    recordFailure("Language file \"" + sourcePath + "\" cannot be loaded: " + e.description());
    return Variant(false);
  }
  xml::Node root = doc.documentElement();
  if (!root) {
    recordFailure("Language file \"" + sourcePath + "\" has no root element");
    return Variant(false);
  }
  Ref<elements::RUZLanguage> lang = proj_.Language();
  std::string langId = lang->GetFileId(name);

  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  root.setAttribute("date", std::to_string(tm.tm_year + 1900) + "/" +
                                std::to_string(tm.tm_mon + 1) + "/" + std::to_string(tm.tm_mday));
  for (xml::Node ph : doc.selectNodes("//global/phrase"))
    ph.setAttribute("id", text::toLower(ph.attribute("id")));

  auto appendWithBreak = [&](xml::Node parent, const std::string& element) {
    xml::Node n = parent.appendChild(doc.createElement(element));
    parent.appendChild(doc.createTextNode("\r\n"));
    return n;
  };
  auto emit = [&](xml::Node parent, const std::string& setting, const std::string& phrase,
                  const std::string& fallback) {
    std::string textValue = phrase.empty() ? fallback : phrase;
    if (textValue.empty()) return;
    xml::Node p = appendWithBreak(parent, "phrase");
    p.setAttribute("id", text::toLower(setting));
    p.setAttribute("value", textValue);
  };

  xml::Node projectNode = appendWithBreak(root, "project");
  Ref<core::AGProperties> projBag = proj_.Properties();
  for (const std::string& a : attributeList("LanguageProjectAttributes"))
    if (projBag->PropertyExist(Variant(a)))
      emit(projectNode, a, lang->GetProjectPhrase(langId, a), valueText(*projBag, a));

  std::vector<std::string> menuAtts = attributeList("LanguageMenuAttributes");
  Ref<elements::RUZMenus> menus = proj_.MenuList();
  if (!menuAtts.empty() && menus->Count() > 0) {
    for (int32_t i = 1; i <= menus->Count(); ++i) {
      Ref<elements::RUZMenu> m = menus->Item(i);
      if (!m) continue;
      xml::Node mn = appendWithBreak(projectNode, "menu");
      mn.setAttribute("id", std::to_string(m->MenuId));
      for (const std::string& a : menuAtts)
        if (m->MenuAttExist(a))
          emit(mn, a, lang->GetMenuPhrase(langId, std::to_string(m->MenuId), a), m->MenuAtt(a));
    }
  }

  std::vector<std::string> tableAtts = attributeList("LanguageTableAttributes");
  std::vector<std::string> chartAtts = attributeList("LanguageChartAttributes");
  std::vector<std::string> fieldAtts = attributeList("LanguageFieldAttributes");
  Ref<model::RUZDatabase> db = proj_.DB();
  if (!tableAtts.empty() && db) {
    Ref<model::RUZTables> tables = db->Tables();
    // The numbered rule tests existence first: reading a missing name would add it.
    auto numbered = [&](core::AGProperties& bag, xml::Node parent, const std::string& entry,
                        auto phraseOf) {
      for (int32_t n = 1;; ++n) {
        std::string nm = replaceAll(entry, "%n", std::to_string(n));
        if (nm == entry || !bag.PropertyExist(Variant(nm))) break;
        emit(parent, nm, phraseOf(nm), valueText(bag, nm));
      }
    };
    for (int32_t ti = 1; ti <= tables->Count(); ++ti) {
      model::RUZTable* t = tables->items().at(ti);
      if (!t) continue;
      std::string tblName = t->TblName();
      xml::Node tn = appendWithBreak(projectNode, "table");
      tn.setAttribute("id", text::toLower(t->TblVar()));
      Ref<core::AGProperties> tbag = t->Properties();
      auto tablePhrase = [&](const std::string& a) {
        return lang->GetTablePhrase(langId, tblName, a);
      };
      for (const std::string& a : tableAtts) {
        if (tbag->PropertyExist(Variant(a)))
          emit(tn, a, tablePhrase(a), valueText(*tbag, a));
        else if (a.find("%n") != std::string::npos)
          numbered(*tbag, tn, a, tablePhrase);
      }
      if (!chartAtts.empty()) {
        Ref<elements::RUZCharts> charts = t->Charts();
        for (int32_t ci = 1; ci <= charts->Count(); ++ci) {
          elements::RUZChart* c = charts->items().at(ci);
          if (!c) continue;
          xml::Node cn = appendWithBreak(tn, "chart");
          cn.setAttribute("id", text::toLower(c->ChartVar()));
          Ref<core::AGProperties> cbag = c->Properties();
          std::string chartName = c->ChartName();
          for (const std::string& a : chartAtts)
            if (cbag->PropertyExist(Variant(a)))
              emit(cn, a, lang->GetChartPhrase(langId, tblName, chartName, a), valueText(*cbag, a));
        }
      }
      if (!fieldAtts.empty()) {
        Ref<model::RUZFields> fields = t->Fields();
        for (int32_t fi = 1; fi <= fields->Count(); ++fi) {
          model::RUZField* f = fields->items().at(fi);
          if (!f) continue;
          xml::Node fn = appendWithBreak(tn, "field");
          fn.setAttribute("id", text::toLower(f->FldParm()));
          Ref<core::AGProperties> fbag = f->Properties();
          std::string fldName = f->FldName();
          auto fieldPhrase = [&](const std::string& a) {
            return lang->GetFieldPhrase(langId, tblName, fldName, a);
          };
          for (const std::string& a : fieldAtts) {
            if (fbag->PropertyExist(Variant(a)))
              emit(fn, a, fieldPhrase(a), valueText(*fbag, a));
            else if (a.find("%n") != std::string::npos)
              numbered(*fbag, fn, a, fieldPhrase);
          }
        }
      }
    }
  }

  try {
    xml::SaveOptions so;
    so.rawCarriageReturns = true;
    writeIfChanged(dest, text::encodeText(doc.serialize(so), text::Encoding::utf8(), false));
  } catch (const automation::Error& e) {
    recordFailure("Error in writing utf8 data to file '" + dest + "': " + e.description());
    return Variant(false);
  }
  ReportUnitProgress();
  return Variant(true);
}

} // namespace quillet::generation
