#include "template/compiler.h"

#include <optional>

#include "core/identifiers.h"
#include "core/state.h"
#include "core/status.h"
#include "core/text_helpers.h"
#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/automation/error.h"
#include "platform/files/files.h"
#include "platform/files/textfile.h"
#include "platform/text/ascii.h"
#include "template/parser.h"

namespace quillet::templating {

namespace {

constexpr const char* kCrLf = "\r\n";

bool identifierChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

std::string doubleQuotes(const std::string& text) {
  std::string out;
  for (char c : text) {
    out += c;
    if (c == '"') out += '"';
  }
  return out;
}

std::vector<std::string> splitSlash(const std::string& value) {
  std::vector<std::string> parts;
  size_t from = 0;
  for (;;) {
    size_t at = value.find('/', from);
    parts.push_back(value.substr(from, at == std::string::npos ? std::string::npos : at - from));
    if (at == std::string::npos) return parts;
    from = at + 1;
  }
}

} // namespace

// ---- RUZStringBuilder ---------------------------------------------------------------------

void RUZStringBuilder::Clear() {
  slots_.assign(1001, Variant());
  count_ = 0;
}

void RUZStringBuilder::Append(const Variant& strValue) {
  if (static_cast<size_t>(count_) >= slots_.size()) slots_.resize(slots_.size() + 1000);
  slots_[static_cast<size_t>(count_)] = strValue;
  ++count_;
}

Variant RUZStringBuilder::ToString() const {
  std::string out;
  for (int32_t i = 0; i < count_; ++i) {
    const Variant& v = slots_[static_cast<size_t>(i)];
    if (!v.isEmpty()) out += automation::CStr(v);
  }
  return Variant(std::move(out));
}

QUILLET_DEFINE_CLASS(RUZStringBuilder) {
  using C = RUZStringBuilder;
  b.method("Clear", &C::Clear)
      .method("Append", [](C& c, const Variant& v) { c.Append(v); })
      .method("ToString", &C::ToString);
}

// ---- ScriptCompiler -----------------------------------------------------------------------

std::string ScriptCompiler::functionName(const RUZControl& ctrl) const {
  std::string lang = settings_.programLanguage == "C#" ? "cs" : "vb";
  std::string name =
      "qzEx" + settings_.programStyle + "_" + lang + "_" + ctrl.CtrlID + ctrl.CtrlTagExt;
  for (char& c : name)
    if (!identifierChar(c)) c = '_';
  return name;
}

void ScriptCompiler::reset() {
  literalCount_ = 0;
  literals_->Clear();
  body_->Clear();
}

void ScriptCompiler::translate(const std::string& text) {
  auto parser = automation::makeRef<AGParser>();
  parser->Parse(text);
  if (!core::state().hasProjErr()) parser->checkLeftMarkers();
  errorLine_ = parser->errorLine();
  errorColumn_ = parser->errorColumn();
  if (core::state().hasProjErr()) return;
  auto line = [this](const std::string& s) { body_->Append(Variant(s + kCrLf)); };
  for (const auto& block : parser->blocks()) {
    core::SharedStatus().Refresh();
    switch (block.kind) {
    case agc_Block_Script:
      line(text.substr(block.start, block.length));
      break;
    case agc_Block_Function:
      line("qzSB.Append(" + block.name + ")");
      break;
    case agc_Block_FunctionIndent:
      line("qz_IndentWrk = \"" + block.indent + "\"");
      line("qzSB.Append(qz_IndentWrk)");
      line("qzSB.Append(" + block.name + ")");
      break;
    case agc_Block_Language:
      // The id sits inside a string of the page code inside a script string.
      line("qzSB.Append(\"<%= ReportLanguage.Phrase(\"\"" + doubleQuotes(doubleQuotes(block.name)) +
           "\"\") %>\")");
      break;
    case agc_Block_LanguageDynamic:
      line("qzSB.Append(\"<%= ReportLanguage.Phrase(\"\"\" & " + block.name + " & \"\"\") %>\")");
      break;
    case agc_Block_Content: {
      ++literalCount_;
      std::string n = std::to_string(literalCount_);
      literals_->Append(Variant(
          "qzAr(" + n + ") = " + core::ToScriptString(text.substr(block.start, block.length), "") +
          kCrLf));
      line("qzSB.Append(qzAr(" + n + "))");
      break;
    }
    default:
      break;
    }
  }
}

std::vector<std::string> ScriptCompiler::sessionText(const RUZSession& s, const RUZControl& ctrl,
                                                     std::vector<TextOrigin>* origins) const {
  auto marker = [](const char* fn) { return std::string("<!--##=") + fn + "##-->" + kCrLf; };
  if (s.SessType == "key") {
    auto parser = automation::makeRef<AGParser>();
    std::vector<std::string> pieces =
        parser->GetSession(s.SessIFile.empty() ? ctrl.CtrlIFiles : s.SessIFile, s.SessValue);
    if (origins) *origins = parser->origins();
    return pieces;
  }
  if (s.SessType == "control_start") return {marker("Control_Start")};
  if (s.SessType == "class_start") return {marker("Class_Start")};
  if (s.SessType == "class_end") return {marker("Class_End")};
  if (s.SessType == "register" || s.SessType == "include") {
    std::vector<std::string> p = splitSlash(s.SessValue);
    if (p.size() < 3) return {""};
    return {std::string("<!--##=") + (s.SessType == "register" ? "Register(" : "Include(") + p[0] +
            "," + p[1] + "," + p[2] + ")##-->" + kCrLf};
  }
  return {""};
}

std::string ScriptCompiler::frame(const std::string& name, bool standalone) const {
  std::string out;
  auto line = [&out](const std::string& s) { out += s + kCrLf; };
  line("Function " + name + "()");
  line("If bHandleTemplateError Then On Error Resume Next");
  if (settings_.showSessionTime && !standalone) {
    line("Dim qzStartTime, qzStopTime");
    line("qzStartTime = Timer");
  }
  line("Dim qzAr(" + std::to_string(literalCount_) + ")");
  line("Dim qzSB");
  line("Set qzSB = New StringBuilder");
  if (!standalone) line("Call qz_SetLocale()");
  line("Dim SYSTEMFUNCTIONS");
  line("Set SYSTEMFUNCTIONS = New cSystemFunctions");
  if (!standalone) line("Call qz_LoadCurrent()");
  out += automation::CStr(literals_->ToString());
  line("");
  out += automation::CStr(body_->ToString());
  line("");
  line(name + " = qzSB.ToString()");
  line("Set SYSTEMFUNCTIONS = Nothing");
  line("End Function");
  return out;
}

std::string ScriptCompiler::buildControl(RUZControl& ctrl, const std::string& mergedText,
                                         const std::string& templatePath, bool& failed) {
  core::State& ctx = core::state();
  failed = false;
  reset();
  auto fail = [&](std::string partial) {
    partial += ctx.ProjErr + kCrLf;
    ctx.ProjErr = templatePath + ": " + ctx.ProjErr;
    failed = true;
    return partial;
  };
  Ref<RUZSessions> sessions = ctrl.Sessions();
  if (sessions->Count() == 0) {
    core::SharedStatus().Refresh();
    // Literals split at CR LF only, so a text with other line ends is made CR LF first.
    std::string text = normalizeLineEnds(mergedText);
    translate(text);
    if (ctx.hasProjErr()) return fail(text);
    unitTranslated();
  }
  for (int32_t i = 1; i <= sessions->Count(); ++i) {
    core::SharedStatus().Refresh();
    Ref<RUZSession> s = sessions->Item(i);
    if (settings_.condition && !settings_.condition(s->SessCond)) continue;
    std::vector<TextOrigin> origins;
    std::vector<std::string> pieces = sessionText(*s, ctrl, &origins);
    std::string stamp = settings_.now ? settings_.now() : std::string();
    if (settings_.showSession)
      body_->Append(Variant("' *** Start Session " + s->SessValue + " (" + s->SessType + ", " +
                            stamp + ")" + kCrLf));
    core::SharedStatus().Refresh();
    std::optional<TextOrigin> errorAt;
    for (size_t k = 0; k < pieces.size() && !ctx.hasProjErr(); ++k) {
      translate(pieces[k]);
      if (errorLine_ > 0 && k < origins.size()) {
        TextOrigin at = origins[k];
        at.column = errorLine_ == 1 ? at.column + errorColumn_ - 1 : errorColumn_;
        at.line += errorLine_ - 1;
        errorAt = at;
      }
    }
    if (settings_.showSession)
      body_->Append(Variant("' *** End Session " + s->SessValue + " (" + s->SessType + ", " +
                            stamp + ")" + kCrLf));
    if (settings_.showSessionTime) {
      body_->Append(Variant(std::string("qzStopTime = Timer") + kCrLf));
      body_->Append(Variant("qzSB.Append(\"*** " + s->SessValue +
                            ": \" & (qzStopTime-qzStarTtime) & \" ms\")" + kCrLf));
    }
    if (ctx.hasProjErr()) {
      std::string partial = fail(automation::CStr(body_->ToString()));
      if (errorAt)
        ctx.ProjErr += std::string(kCrLf) + "In " + errorAt->file + ", line " +
                       std::to_string(errorAt->line) + ", column " +
                       std::to_string(errorAt->column);
      return partial;
    }
    unitTranslated();
  }
  return frame(functionName(ctrl));
}

void ScriptCompiler::unitTranslated() {
  ++unitsTranslated_;
  core::SharedStatus().SetStatus(Variant(core::CalcPercent(unitsTranslated_, unitsToTranslate_)));
}

std::string ScriptCompiler::MergeTemplateFiles(const std::string& files,
                                               const std::string& extension) {
  std::string folder = settings_.extensionFolder ? settings_.extensionFolder(extension) : "";
  if (files.find(',') == std::string::npos) return platform::files::joinPath(folder, files);
  std::string merged;
  size_t from = 0;
  for (;;) {
    size_t comma = files.find(',', from);
    // Validation finds each entry with its blanks trimmed; the merge reads the same files.
    std::string_view entry = platform::text::trim(
        std::string_view(files).substr(from, comma == std::string::npos ? comma : comma - from));
    std::string path = platform::files::joinPath(folder, entry);
    if (!entry.empty() && platform::files::fileExists(path)) {
      Variant text = core::ReadTextFile(Variant(path));
      if (text.isString()) merged += text.asString();
    }
    if (comma == std::string::npos) break;
    from = comma + 1;
  }
  std::string target = platform::files::joinPath(settings_.cacheFolder, "~tmp.tpl");
  platform::files::writeTextFile(target, merged);
  return target;
}

bool ScriptCompiler::BuildControlScript(RUZControl& ctrl, const std::string& sScriptFile) {
  core::State& ctx = core::state();
  auto write = [&](const std::string& text) {
    try {
      platform::files::writeTextFile(sScriptFile, text);
      return true;
    } catch (const automation::Error& e) {
      ctx.setProjErr("Writing compiled script \"" + sScriptFile + "\" failed! " + e.description());
      return false;
    }
  };
  // A control built from sessions alone needs no input file of its own.
  bool needsInput = !ctrl.CtrlIFiles.empty() || ctrl.Sessions()->Count() == 0;
  std::string path, merged;
  if (needsInput) {
    try {
      path = MergeTemplateFiles(ctrl.CtrlIFiles, ctrl.CtrlExt);
    } catch (const automation::Error& e) {
      ctx.setProjErr("Merging " + ctrl.CtrlIFiles + " failed! " + e.description());
      return false;
    }
    if (!platform::files::fileExists(path)) {
      ctx.ProjErr = "Error in merging " + ctrl.CtrlIFiles + ". Generation aborted.";
      return false;
    }
    Variant text = core::ReadTextFile(Variant(path));
    merged = text.isString() ? text.asString() : std::string();
  }
  bool failed = false;
  std::string script = buildControl(ctrl, merged, path, failed);
  if (failed) {
    std::string reason = ctx.ProjErr;
    write(script);
    ctx.ProjErr = reason;
    return false;
  }
  return write(script);
}

std::string ScriptCompiler::parseFunction(const std::string& sTemplate) {
  reset();
  translate(normalizeLineEnds(sTemplate));
  if (core::state().hasProjErr()) return {};
  return frame("qzExParse", true);
}

int32_t ScriptCompiler::translationUnits(RUZControl& ctrl) {
  int32_t sessions = ctrl.Sessions()->Count();
  return sessions > 0 ? sessions : 1;
}

bool ScriptCompiler::buildMarkedControls(RUZControls& controls,
                                         const std::function<std::string(RUZControl&)>& scriptPath,
                                         const std::function<void()>& beforeEach) {
  std::vector<Ref<RUZControl>> marked;
  for (int32_t i = 1; i <= controls.Count(); ++i) {
    Ref<RUZControl> c = controls.Item(Variant(i));
    if (c && c->CtrlGen) marked.push_back(c);
  }
  unitsToTranslate_ = 0;
  unitsTranslated_ = 0;
  for (const auto& c : marked)
    unitsToTranslate_ += translationUnits(*c);
  for (const auto& c : marked) {
    if (beforeEach) beforeEach();
    if (!BuildControlScript(*c, scriptPath(*c))) return false;
  }
  return true;
}

} // namespace quillet::templating
