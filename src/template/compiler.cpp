#include "template/compiler.h"

#include <optional>

#include "core/identifiers.h"
#include "core/state.h"
#include "core/status.h"
#include "platform/automation/context.h"
#include "platform/automation/convert.h"
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
  slots_[static_cast<size_t>(count_)] = strValue.deref();
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

std::string ScriptCompiler::frame(const std::string& name) const {
  std::string out;
  auto line = [&out](const std::string& s) { out += s + kCrLf; };
  line("Function " + name + "()");
  line("If bHandleTemplateError Then On Error Resume Next");
  if (settings_.showSessionTime) {
    line("Dim qzStartTime, qzStopTime");
    line("qzStartTime = Timer");
  }
  line("Dim qzAr(" + std::to_string(literalCount_) + ")");
  line("Dim qzSB");
  line("Set qzSB = New StringBuilder");
  line("Call qz_SetLocale()");
  line("Dim SYSTEMFUNCTIONS");
  line("Set SYSTEMFUNCTIONS = New cSystemFunctions");
  line("Call qz_LoadCurrent()");
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
    translate(mergedText);
    if (ctx.hasProjErr()) return fail(mergedText);
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
  }
  return frame(functionName(ctrl));
}

} // namespace quillet::templating
