#include "template/script_host.h"

#include "core/identifiers.h"
#include "core/registry.h"
#include "core/state.h"
#include "core/status.h"
#include "core/text_helpers.h"
#include "platform/automation/convert.h"
#include "platform/files/files.h"
#include "platform/files/textfile.h"
#include "platform/text/ascii.h"
#include "platform/xml/xml.h"
#include "project/ruz.h"
#include "project/state.h"
#include "template/compiler.h"
#include "template/controls.h"
#include "template/system_code/builtin_code.h"

namespace quillet::templating {

namespace files = ::quillet::platform::files;
namespace xml = ::quillet::platform::xml;
namespace vbs = ::quillet::platform::vbscript;
using platform::text::lowerAscii;

namespace {

constexpr const char* kCrLf = "\r\n";

std::string replaceAll(std::string text, const std::string& what, const std::string& with) {
  if (what.empty()) return text;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
    text.replace(at, what.size(), with);
  return text;
}

// The part of a path after its last separator.
std::string lastPart(const std::string& path) {
  size_t at = path.find_last_of("\\/");
  return at == std::string::npos ? path : path.substr(at + 1);
}

// The path up to and including its last separator; "" when it has none.
std::string folderPart(const std::string& path) {
  size_t at = path.find_last_of("\\/");
  return at == std::string::npos ? std::string() : path.substr(0, at + 1);
}

std::string registryText(const char* name) {
  Variant v = core::RegGetValue(Variant("HKCU"), Variant(core::state().sectionKey("General")),
                                Variant(name));
  if (v.isEmpty() || v.isNull()) return {};
  return automation::CStr(v);
}

// The fields of a script error, whichever way it left the engine.
struct ErrorFields {
  std::string source, description, text, chunk;
  int32_t number = 0, line = 0, column = 0;
};

ErrorFields fieldsOf(const vbs::ScriptControl& engine) {
  Ref<vbs::ScriptError> e = engine.Error();
  return {e->Source(), e->Description(), e->Text(),  e->chunk(),
          e->Number(), e->Line(),        e->Column()};
}

ErrorFields fieldsOf(const vbs::ScriptControl& engine, const std::exception& ex) {
  if (dynamic_cast<const vbs::ScriptFailure*>(&ex)) return fieldsOf(engine);
  ErrorFields f;
  if (auto* e = dynamic_cast<const automation::Error*>(&ex)) {
    f.number = e->number();
    f.description = e->description();
    f.source = e->source().empty() ? std::string(vbs::kRuntimeSource) : e->source();
  } else {
    f.number = automation::err::kInternalError;
    f.description = ex.what();
    f.source = vbs::kRuntimeSource;
  }
  return f;
}

std::string reportText(const std::string& name, const ErrorFields& f) {
  std::string out = core::state().DisplayName;
  if (!name.empty()) out += " (" + lastPart(name) + ")";
  out += ": " + f.source + " (" + std::to_string(f.number) + ")";
  if (f.line != 0) out += ", line " + std::to_string(f.line);
  if (f.column != 0) out += ", column " + std::to_string(f.column);
  out += kCrLf;
  if (!f.description.empty()) out += "Description: " + f.description + kCrLf;
  if (!f.text.empty()) out += "Text: " + f.text;
  return out;
}

bool attributeFlag(const xml::Node& node, const char* name) {
  if (!node.hasAttribute(name)) return false;
  return automation::CBool(Variant(node.attribute(name)));
}

} // namespace

// ---- AGUserScript -------------------------------------------------------------------------

QUILLET_DEFINE_CLASS(AGUserScript) {
  b.method("AddUserModule", &AGUserScript::AddUserModule)
      .method("UserModuleExist", &AGUserScript::UserModuleExist);
}

void AGUserScript::AddUserModule(const std::string& sModule) {
  names_.push_back(sModule);
}

bool AGUserScript::UserModuleExist(const std::string& sModule) const {
  std::string lower = lowerAscii(sModule);
  for (const auto& n : names_)
    if (lowerAscii(n) == lower) return true;
  return false;
}

// ---- AGScript -----------------------------------------------------------------------------

QUILLET_DEFINE_CLASS(AGScript) {
  using C = AGScript;
  using O = Ref<automation::Object>;
  b.method("Initialize",
           [](C& c, const O& proj, const O& db, const O& controls, const O& lang, const O& custom,
              const Variant& langid, const O& filter, const O& exts, const O& menus) {
             c.Initialize(proj, db, controls, lang, custom, automation::CStr(langid), filter, exts,
                          menus);
           })
      .method("IsInitialized", &C::IsInitialized)
      .method("NonEnglishLocale", &C::NonEnglishLocale)
      .method("Reset", &C::Reset)
      .method("AddTemplateScript", &C::AddTemplateScript)
      .method("AddUserCode", &C::AddUserCode)
      .method("ModuleExist",
              [](C& c, const Variant& m) { return c.ModuleExist(automation::CStr(m)); })
      .method("UserModuleExist",
              [](C& c, const Variant& m) { return c.UserModuleExist(automation::CStr(m)); })
      .method("Validate", &C::Validate)
      .method("RunModule", [](C& c, const Variant& m) { return c.RunModule(automation::CStr(m)); })
      .method("BuildNewCode", &C::BuildNewCode);
}

AGScript::AGScript() : userScript_(automation::makeRef<AGUserScript>()) {
  ensureScriptCodeProvider();
  dumpFolder_ = project::projectState().DataFolder;
  if (dumpFolder_.empty())
    dumpFolder_ =
        files::joinPath(files::documentsFolder(), core::CompactName(core::state().ProductKey));
  try {
    for (Ref<ScriptControl>* engine : {&main_, &test_, &validation_}) {
      *engine = automation::makeRef<ScriptControl>();
      (*engine)->setLanguage("VBScript");
      (*engine)->Reset();
    }
    std::string convert = registryText("ConvertBoolean");
    if (!convert.empty()) {
      englishLocale_ = !automation::CBool(Variant(convert));
    } else {
      Ref<vbs::ScriptModule> probe = main_->Modules()->Add("test");
      probe->AddCode(std::string("Function CheckBoolean()") + kCrLf + "SetLocale(1033)" + kCrLf +
                     "CheckBoolean = (CStr(True) = \"True\")" + kCrLf + "End Function" + kCrLf);
      englishLocale_ = automation::CBool(probe->RunNamed("CheckBoolean", {}));
    }
    sysCodePath_ = registryText("SYSCODE");
    prefixPath_ = registryText("SYSCODEPREFIX");
    suffixPath_ = registryText("SYSCODESUFFIX");
    userCodePath_ = registryText("USERCODE");
    validateCodePath_ = registryText("VALIDATECODE");
  } catch (const automation::Error& e) {
    core::state().ProjErr = "Initialize Script Engine failed. Error: " + e.description();
    // An inert host: nothing runs, not even the checks.
    main_ = test_ = validation_ = nullptr;
  }
}

AGScript::~AGScript() = default;

void AGScript::publish(const char* name, const Ref<automation::Object>& object) {
  if (!object) return;
  for (ScriptControl* engine : {main_.get(), test_.get(), validation_.get()})
    engine->AddObject(name, Variant(object), false);
}

void AGScript::Initialize(const Ref<automation::Object>& PROJ, const Ref<automation::Object>& DB,
                          const Ref<automation::Object>& controls,
                          const Ref<automation::Object>& Lang,
                          const Ref<automation::Object>& customscripts, const std::string& langid,
                          const Ref<automation::Object>& filter,
                          const Ref<automation::Object>& EXTS,
                          const Ref<automation::Object>& MenuList) {
  if (!main_) return;
  Reset();
  project_ = PROJ;
  controls_ = controls;
  publish("PROJ", PROJ);
  publish("DB", DB);
  publish("Controls", controls);
  publish("LANGUAGE", Lang);
  publish("SCRPT", userScript_);
  publish("EXTS", EXTS);
  publish("MENULIST", MenuList);
  publish("CUSTOMSCRIPTS", customscripts);
  publish("FILTERS", filter);
  core::State& ctx = core::state();
  loadSystemCode(langid);
  if (!ctx.hasProjErr()) loadValidationCode();
  if (!ctx.hasProjErr()) loadUserCode("User");
}

void AGScript::initializeFor(const Ref<project::RUZ>& project, const Ref<RUZControls>& controls,
                             const Ref<automation::Object>& filter) {
  if (!project) return;
  Initialize(project, project->DB(), controls, project->Language(), project->customscripts(),
             project->ProgramLanguage(), filter, project->Extensions(), project->MenuList());
}

void AGScript::Reset() {
  if (!main_) return;
  main_->Reset();
  test_->Reset();
  validation_->Reset();
  testModule_ = nullptr;
}

// ---- Files and dumps ------------------------------------------------------------------------

std::optional<std::string> AGScript::readScriptFile(const std::string& path) {
  core::State& ctx = core::state();
  if (path.empty() || !files::fileExists(path)) {
    // Going on without the code would only move the failure to a later, less clear place.
    ctx.setProjErr("Script file " + path + " not found! Content not loaded!");
    return std::nullopt;
  }
  try {
    return files::readTextFile(path);
  } catch (const automation::Error& e) {
    ctx.setProjErr("Script file " + path + " cannot be read: " + e.description());
    return std::nullopt;
  }
}

void AGScript::dump(const std::string& name, const std::string& text) {
  // Dumps are debugging aids: kept out of the generated site and confined to their folder,
  // whatever the index names them.
  std::string file = lastPart(name);
  if (file.empty() || file == "." || file == ".." || dumpFolder_.empty()) return;
  try {
    files::createFolders(dumpFolder_);
    files::writeTextFile(files::joinPath(dumpFolder_, file), text);
  } catch (const automation::Error&) {
    // A dump that cannot be written must not stop the run.
  }
}

bool AGScript::readIndex(const std::string& path, const char* what, std::vector<CodeFile>& list) {
  try {
    xml::Document doc = xml::Document::load(path);
    xml::Node root = doc.documentElement();
    if (!root) throw automation::Error(automation::err::kInvalidProcedureCall);
    for (const xml::Node& child : root.children()) {
      if (!child.isElement() || lowerAscii(child.name()) != "file") continue;
      CodeFile f;
      f.value = child.attribute("value");
      if (f.value.empty()) continue;
      f.isFunction = attributeFlag(child, "function");
      if (f.isFunction) {
        f.id = std::string(platform::text::trim(child.attribute("id")));
        f.parm = std::string(platform::text::trim(child.attribute("parm")));
      }
      f.override = attributeFlag(child, "override");
      f.multiline = attributeFlag(child, "multiline");
      f.indent = attributeFlag(child, "indent");
      list.push_back(std::move(f));
    }
    return true;
  } catch (const automation::Error&) {
    core::state().ProjErr = std::string(what) + path + " failed!";
    return false;
  }
}

// ---- Error reports --------------------------------------------------------------------------

void AGScript::reportError(ScriptControl* engine, const std::string& name) {
  if (!engine) return;
  core::state().ProjErr = reportText(name, fieldsOf(*engine));
}

bool AGScript::addCode(ScriptControl* engine, const std::string& code, const std::string& name) {
  try {
    engine->AddCode(code);
    return true;
  } catch (const std::exception& e) {
    reportException(engine, name, e);
    return false;
  }
}

void AGScript::reportException(ScriptControl* engine, const std::string& name,
                               const std::exception& e) {
  if (!engine) return;
  core::state().ProjErr = reportText(name, fieldsOf(*engine, e));
}

// ---- System code ----------------------------------------------------------------------------

std::string AGScript::translateCodeFile(const std::string& code, const CodeFile& file) {
  core::State& ctx = core::state();
  auto parser = automation::makeRef<AGParser>();
  parser->Parse(code);
  if (ctx.hasProjErr()) return code;
  const std::string& n = file.id;
  std::string prefix = n + " = " + n + " & ";
  std::string out;
  auto line = [&out](const std::string& s) { out += s + kCrLf; };
  for (int32_t i = 1; i <= parser->Count(); ++i) {
    parser->setBlockID(i);
    switch (parser->BlockType()) {
    case agc_Block_Script:
      line(parser->BlockValue());
      break;
    case agc_Block_Function:
      line(prefix + parser->BlockName());
      break;
    case agc_Block_Language:
      line(prefix + "Language.Phrase(" + core::DoubleQuotes(parser->BlockName(), 1) + ")");
      break;
    case agc_Block_LanguageDynamic:
      line(prefix + "Language.Phrase(" + parser->BlockName() + ")");
      break;
    case agc_Block_Content: {
      std::string text = parser->BlockValue();
      if (!file.multiline) {
        std::string kept;
        for (char c : text)
          if (c != '\r' && c != '\n') kept += c;
        text = std::move(kept);
      }
      if (text.empty()) break;
      line((n.empty() ? std::string() : prefix) +
           core::ToScriptString(text, file.indent ? "qz_IndentWrk" : ""));
      break;
    }
    default: // indent blocks have no meaning in system code
      break;
    }
  }
  return out;
}

bool AGScript::loadSystemCode(const std::string& langid) {
  core::State& ctx = core::state();
  testModule_ = test_->Modules()->Add("$TEST");
  if (sysCodePath_.empty()) {
    std::string code = core::SharedStatus().GetSysCode(langid);
    if (code.empty()) {
      ctx.setProjErr("Built-in system code \"" + langid + "\" not found");
      return false;
    }
    if (!addCode(main_.get(), code, "")) return false;
    return true;
  }
  std::vector<CodeFile> list;
  if (!readIndex(sysCodePath_, "Load syscode file ", list)) return false;
  if (!prefixPath_.empty()) {
    auto text = readScriptFile(prefixPath_);
    if (!text) return false;
    prefixText_ = *text;
  }
  if (!suffixPath_.empty()) {
    auto text = readScriptFile(suffixPath_);
    if (!text) return false;
    suffixText_ = *text;
  }
  std::string folder = folderPart(sysCodePath_);
  std::string globalPart, functionPart;
  for (const CodeFile& f : list) {
    auto text = readScriptFile(folder + f.value);
    if (!text) return false;
    std::string code = translateCodeFile(*text, f);
    if (f.isFunction) {
      auto fill = [&f](const std::string& t) {
        return replaceAll(replaceAll(t, "<name>", f.id), "<parm>", f.parm);
      };
      std::string header = std::string(kCrLf) + "' " + f.id + kCrLf + "Function " + f.id + "(" +
                           f.parm + ")" + kCrLf + fill(prefixText_);
      std::string footer = fill(suffixText_);
      if (f.override)
        footer += std::string(kCrLf) + "If SCRPT.UserModuleExist(\"USER_" + f.id + "\") Then " +
                  f.id + "=USER_" + f.id + "(" + f.id + ")" + kCrLf;
      footer += std::string("End Function") + kCrLf;
      code = header + code + footer;
    }
    if (ctx.hasProjErr()) {
      ctx.ProjErr = f.value + ": " + ctx.ProjErr;
      dump(f.value, code + kCrLf + ctx.ProjErr);
      return false;
    }
    (f.isFunction ? functionPart : globalPart) += code;
    try {
      testModule_->AddCode(code);
    } catch (const std::exception& e) {
      dump(f.value, code);
      dump("syscode.txt", functionPart);
      reportException(test_.get(), f.value, e);
      return false;
    }
  }
  if (prefixPath_.empty() || suffixPath_.empty()) {
    dump("syscode.txt", "'missing syscodeprefix or syscodesuffix");
    // Without them no system function exists, and every page would fail later with an
    // unclear error: say so now.
    ctx.setProjErr("System code index " + sysCodePath_ +
                   " needs the files SYSCODEPREFIX and SYSCODESUFFIX name");
    return false;
  }
  std::string systemCode =
      globalPart + "Class cSystemFunctions" + kCrLf + functionPart + "End Class";
  dump("syscode.txt", systemCode);
  if (!addCode(main_.get(), systemCode, "syscode.txt")) return false;
  return true;
}

// ---- Validation code ------------------------------------------------------------------------

void AGScript::loadValidationCode() {
  core::State& ctx = core::state();
  validationNames_.clear();
  auto collectNames = [this] {
    Ref<vbs::ScriptProcedures> procs = validation_->Procedures();
    for (int32_t i = 1; i <= procs->Count(); ++i)
      validationNames_.push_back(procs->Item(Variant(i))->Name());
  };
  if (validateCodePath_.empty()) {
    std::string code = core::SharedStatus().GetSysCode("VL");
    if (code.empty()) return;
    if (!addCode(validation_.get(), code, "")) return;
    collectNames();
    return;
  }
  std::vector<CodeFile> list;
  if (!readIndex(validateCodePath_, "Load validate file ", list)) return;
  std::string folder = folderPart(validateCodePath_);
  std::string dumpText;
  for (const CodeFile& f : list) {
    auto text = readScriptFile(folder + f.value);
    if (!text || ctx.hasProjErr()) {
      ctx.ProjErr = f.value + ": " + ctx.ProjErr;
      return;
    }
    dumpText += kCrLf + *text;
    if (text->empty()) continue;
    if (!addCode(validation_.get(), *text, f.value)) return;
  }
  dump("validatecode.txt", dumpText);
  collectNames();
}

// ---- User code ------------------------------------------------------------------------------

void AGScript::loadUserCode(const std::string& moduleName) {
  if (userCodePath_.empty()) {
    userCodeText_ = std::string("'Please enter your script here") + kCrLf;
  } else {
    auto text = readScriptFile(userCodePath_);
    if (!text) return;
    userCodeText_ = *text;
  }
  testModule_ = test_->Modules()->Add("$" + moduleName);
  addUserText(userCodeText_, userCodePath_);
}

void AGScript::addUserText(const std::string& text, const std::string& name) {
  if (!testModule_) testModule_ = test_->Modules()->Add("$User");
  try {
    testModule_->AddCode(text);
  } catch (const std::exception& e) {
    reportException(test_.get(), name, e);
    return;
  }
  if (!addCode(main_.get(), text, name)) return;
  Ref<vbs::ScriptProcedures> procs = testModule_->Procedures();
  for (int32_t i = 1; i <= procs->Count(); ++i)
    userScript_->AddUserModule(procs->Item(Variant(i))->Name());
}

void AGScript::AddUserCode(const std::string& sFile) {
  if (!main_) return;
  auto text = readScriptFile(sFile);
  if (!text) return;
  addUserText(*text, sFile);
}

void AGScript::AddTemplateScript(const std::string& sFile) {
  if (!main_) return;
  auto text = readScriptFile(sFile);
  if (!text) return;
  addCode(main_.get(), *text, sFile);
}

bool AGScript::ModuleExist(const std::string& sModule) const {
  if (!main_) return false;
  std::string lower = lowerAscii(sModule);
  Ref<vbs::ScriptProcedures> procs = main_->Procedures();
  for (int32_t i = 1; i <= procs->Count(); ++i)
    if (lowerAscii(procs->Item(Variant(i))->Name()) == lower) return true;
  return false;
}

// ---- Running --------------------------------------------------------------------------------

bool AGScript::Validate() {
  core::State& ctx = core::state();
  if (!validation_ || ctx.hasProjErr()) return false;
  bool result = true;
  for (const std::string& name : validationNames_) {
    try {
      if (automation::CBool(validation_->RunNamed(name))) continue;
      if (!ctx.hasProjErr())
        ctx.ProjErr = ctx.DisplayName + ": Validation module (" + name + ") failed";
    } catch (const std::exception& e) {
      reportException(validation_.get(), name, e);
    }
    result = false;
  }
  return result;
}

Variant AGScript::RunModule(const std::string& module) {
  lastResult_ = Variant();
  if (!main_ || core::state().hasProjErr()) return lastResult_;
  try {
    lastResult_ = main_->RunNamed("qz_LoadCurrent");
  } catch (const std::exception&) {
    // Without current objects the function may still run.
  }
  try {
    lastResult_ = main_->RunNamed(module);
  } catch (const std::exception& e) {
    reportException(main_.get(), module, e);
  }
  return lastResult_;
}

std::string AGScript::BuildNewCode(const std::string& sId, const std::string& sScript,
                                   int16_t bInitType, int32_t lTimeout) {
  if (!main_) return sScript;
  main_->Error()->Clear();
  bool isNew = bInitType == 0;
  if (!isNew) {
    isNew = true;
    for (const auto& pair : added_)
      if (pair.first == sId) isNew = false;
  }
  main_->setTimeout(lTimeout);
  auto fail = [&](const std::exception& e, bool adding) {
    ErrorFields f = fieldsOf(*main_, e);
    std::string report = reportText(sId, f);
    // Only a place in this script leads back to its template: a runtime error may lie in
    // system or user code that the page called.
    bool here = f.source == vbs::kCompileSource ? adding : f.chunk == sScript;
    if (auto at = here ? templateOrigin(sId, sScript, f.line, f.column) : std::nullopt)
      report += std::string(kCrLf) + "In " + at->file + ", line " + std::to_string(at->line) +
                ", column " + std::to_string(at->column);
    core::state().ProjErr = report;
    return std::string();
  };
  if (isNew) {
    added_.emplace_back(sId, sScript);
    try {
      main_->AddCode(sScript);
    } catch (const std::exception& e) {
      return fail(e, true);
    }
  }
  try {
    return automation::CStr(main_->RunNamed(sId));
  } catch (const std::exception& e) {
    return fail(e, false);
  }
}

// ---- Places in templates --------------------------------------------------------------------
//
// A page function's body is the translation of its control's sessions, block by block, in
// order; sessions whose condition failed are left out. The lines each block gives are rebuilt
// here from the template file cache and matched against the function's body, so that the line
// of an error in the function leads back to the template text its author wrote.

namespace {

bool startsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

std::vector<std::string_view> splitCrLf(std::string_view text) {
  std::vector<std::string_view> out;
  size_t from = 0;
  for (size_t at = text.find("\r\n"); at != std::string_view::npos; at = text.find("\r\n", from)) {
    out.push_back(text.substr(from, at - from));
    from = at + 2;
  }
  out.push_back(text.substr(from));
  return out;
}

// The place after the text, counting characters (not bytes) within a line.
TextOrigin advanceOrigin(TextOrigin at, std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      ++at.line;
      at.column = 1;
    } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
      ++at.column;
    }
  }
  return at;
}

// One line the compiler writes for a block, and where its text stands in the template.
struct ExpectedLine {
  std::string text;
  bool prefixOnly = false; // only the start is known (content, phrases)
  TextOrigin at;
  // The column of the generated line (from 0) at which the template text starts; -1 when the
  // line holds none of it.
  int32_t shift = -1;
  bool matches(std::string_view line) const {
    return prefixOnly ? startsWith(line, text) : line == text;
  }
};

constexpr std::string_view kAppend = "qzSB.Append(";

void expectBlocks(const std::string& piece, const TextOrigin& origin,
                  std::vector<ExpectedLine>& out) {
  core::State& ctx = core::state();
  std::string saved = std::move(ctx.ProjErr);
  ctx.ProjErr.clear();
  auto parser = automation::makeRef<AGParser>();
  parser->Parse(piece);
  ctx.ProjErr = std::move(saved);
  for (const AGParser::Block& b : parser->blocks()) {
    std::string_view value = std::string_view(piece).substr(b.start, b.length);
    TextOrigin at = advanceOrigin(origin, std::string_view(piece).substr(0, b.start));
    TextOrigin nameAt = at;
    if (size_t k = value.find(b.name); k != std::string_view::npos && !b.name.empty())
      nameAt = advanceOrigin(at, value.substr(0, k));
    const int32_t exprShift = static_cast<int32_t>(kAppend.size());
    switch (b.kind) {
    case agc_Block_Script: {
      TextOrigin lineAt = at;
      for (std::string_view line : splitCrLf(value)) {
        out.push_back({std::string(line), false, lineAt, 0});
        lineAt = advanceOrigin(lineAt, std::string(line) + "\r\n");
      }
      break;
    }
    case agc_Block_Function:
      out.push_back({std::string(kAppend) + b.name + ")", false, nameAt, exprShift});
      break;
    case agc_Block_FunctionIndent:
      out.push_back({"qz_IndentWrk = ", true, at, -1});
      out.push_back({"qzSB.Append(qz_IndentWrk)", false, at, -1});
      out.push_back({std::string(kAppend) + b.name + ")", false, nameAt, exprShift});
      break;
    case agc_Block_Language:
    case agc_Block_LanguageDynamic:
      out.push_back({std::string(kAppend) + "\"<%= ReportLanguage.Phrase(", true, nameAt, -1});
      break;
    case agc_Block_Content:
      out.push_back({std::string(kAppend) + "qzAr(", true, at, -1});
      break;
    default:
      break;
    }
  }
}

bool sessionFrameLine(std::string_view line) {
  return startsWith(line, "' *** Start Session ") || startsWith(line, "' *** End Session ") ||
         line == "qzStopTime = Timer" || startsWith(line, "qzSB.Append(\"*** ");
}

} // namespace

std::optional<TextOrigin> AGScript::templateOrigin(const std::string& sId,
                                                   const std::string& sScript, int32_t line,
                                                   int32_t column) const {
  auto* project = dynamic_cast<project::RUZ*>(project_.get());
  auto* controls = dynamic_cast<RUZControls*>(controls_.get());
  if (!project || !controls || line <= 0) return std::nullopt;
  CompileSettings settings;
  settings.programStyle = project->ProgramStyle();
  settings.programLanguage = project->ProgramLanguage();
  ScriptCompiler compiler(settings);
  // The page's control is normally the current one; else it is looked for by its name.
  Ref<RUZControl> ctrl = controls->current();
  if (!ctrl || compiler.functionName(*ctrl) != sId) {
    ctrl = nullptr;
    int32_t keep = controls->curIndex();
    for (int32_t i = 1; i <= controls->Count() && !ctrl; ++i) {
      Ref<RUZControl> c = controls->Item(Variant(i));
      if (c && compiler.functionName(*c) == sId) ctrl = c;
    }
    if (keep > 0) controls->Item(Variant(keep));
    if (!ctrl) return std::nullopt;
  }
  std::vector<std::string_view> lines = splitCrLf(sScript);
  if (static_cast<size_t>(line) > lines.size()) return std::nullopt;
  // The body starts after the first empty line, which ends the literals.
  size_t p = 1;
  while (p < lines.size() && !lines[p].empty())
    ++p;
  ++p;
  std::vector<const ExpectedLine*> mapped(lines.size(), nullptr);
  std::vector<std::vector<ExpectedLine>> sessions;
  Ref<RUZSessions> list = ctrl->Sessions();
  for (int32_t i = 1; i <= list->Count(); ++i) {
    std::vector<TextOrigin> origins;
    std::vector<std::string> pieces = compiler.sessionText(*list->Item(i), *ctrl, &origins);
    std::vector<ExpectedLine> expected;
    for (size_t k = 0; k < pieces.size(); ++k)
      expectBlocks(pieces[k], k < origins.size() ? origins[k] : TextOrigin{}, expected);
    sessions.push_back(std::move(expected));
  }
  for (const auto& expected : sessions) {
    while (p < lines.size() && sessionFrameLine(lines[p]))
      ++p;
    bool fits = !expected.empty() && p + expected.size() <= lines.size();
    for (size_t k = 0; fits && k < expected.size(); ++k)
      fits = expected[k].matches(lines[p + k]);
    if (!fits) continue; // left out by its condition
    for (size_t k = 0; k < expected.size(); ++k)
      mapped[p + k] = &expected[k];
    p += expected.size();
  }
  const ExpectedLine* hit = mapped[static_cast<size_t>(line - 1)];
  if (!hit || hit->at.file.empty()) return std::nullopt;
  TextOrigin at = hit->at;
  std::string_view text = lines[static_cast<size_t>(line - 1)];
  if (hit->shift >= 0 && column > hit->shift && static_cast<size_t>(column) <= text.size())
    at = advanceOrigin(
        at, text.substr(static_cast<size_t>(hit->shift), static_cast<size_t>(column - hit->shift)));
  return at;
}

} // namespace quillet::templating
