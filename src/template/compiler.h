#pragma once
// Templates to script: each control's sessions become one script function that builds the
// page text with a StringBuilder, its literal text kept in one array of the function.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/automation/members.h"
#include "template/controls.h"
#include "template/parser.h"

namespace quillet::templating {

// Text collected in slots that grow a thousand at a time and are joined once.
class RUZStringBuilder : public automation::Object {
  QUILLET_OBJECT(RUZStringBuilder)
public:
  RUZStringBuilder() { Clear(); }
  void Clear();
  void Append(const Variant& strValue);
  Variant ToString() const;
  size_t slots() const { return slots_.size(); }
  int32_t count() const { return count_; }

private:
  std::vector<Variant> slots_;
  int32_t count_ = 0;
};

struct CompileSettings {
  std::string programStyle;
  std::string programLanguage;
  // Comments around each session, and the running time after each.
  bool showSession = false;
  bool showSessionTime = false;
  // Whether a session's condition holds; every condition holds when empty.
  std::function<bool(const std::string&)> condition;
  // The date and time text of the session comments.
  std::function<std::string()> now;
  // The folder of a control's template files by its extension name ("" for the template's
  // own), and the cache folder of the compiled scripts and of the merged "~tmp.tpl".
  std::function<std::string(const std::string&)> extensionFolder;
  std::string cacheFolder;
};

class ScriptCompiler {
public:
  explicit ScriptCompiler(CompileSettings settings) : settings_(std::move(settings)) {}

  // "qzEx" + style + "_" + cs|vb + "_" + id + tag extension, with every character that
  // cannot stand in a script name made "_".
  std::string functionName(const RUZControl& ctrl) const;
  // Appends the translation of a template text to the literals and the body; a parse error
  // leaves them as they were and stays in ProjErr.
  void translate(const std::string& text);
  // The template text of a session: a "key" session's pieces, or the marker text.
  // For a "key" session, origins receives where each piece starts in its template file.
  std::vector<std::string> sessionText(const RUZSession& session, const RUZControl& ctrl,
                                       std::vector<TextOrigin>* origins = nullptr) const;
  // The control's script function: its sessions in order (those whose condition holds), or
  // the merged input text when it has none. On a parse error the result is the text
  // gathered so far with the error at its end, and ProjErr names templatePath in front and,
  // for an error in a session, the template file, line and column where its author wrote it.
  std::string buildControl(RUZControl& ctrl, const std::string& mergedText,
                           const std::string& templatePath, bool& failed);

  // The path of a control's template text: its one input file in the folder of its
  // extension, or, for a comma list, "~tmp.tpl" in the cache folder holding the existing
  // files one after the other.
  std::string MergeTemplateFiles(const std::string& files, const std::string& extension);
  // Builds the control's script function and writes it to sScriptFile. False, with the
  // reason in ProjErr, when the input file is missing ("Error in merging ...") or the
  // template does not parse (the partial text with the error at its end is written then);
  // the caller stops the run.
  bool BuildControlScript(RUZControl& ctrl, const std::string& sScriptFile);
  // The function "qzExParse" of a template text run at once (the style sheet): the frame of
  // a compiled script without the timing lines, qz_SetLocale and qz_LoadCurrent. Empty,
  // with the error left in ProjErr, when the text does not parse.
  std::string parseFunction(const std::string& sTemplate);

  // The work a control adds to the compile phase's progress: its sessions, or one for a
  // control without sessions, which is compiled from its whole input text.
  static int32_t translationUnits(RUZControl& ctrl);
  // Builds every control whose CtrlGen is set, in list order, to the path scriptPath gives.
  // The progress bar follows the translated units against the units of all marked controls.
  // beforeEach runs before each control (the run's cancel check). Stops at the first failure
  // and returns false, the reason in ProjErr.
  bool buildMarkedControls(RUZControls& controls,
                           const std::function<std::string(RUZControl&)>& scriptPath,
                           const std::function<void()>& beforeEach = {});

private:
  void reset();
  std::string frame(const std::string& name, bool standalone = false) const;
  void unitTranslated();

  CompileSettings settings_;
  Ref<RUZStringBuilder> literals_ = automation::makeRef<RUZStringBuilder>();
  Ref<RUZStringBuilder> body_ = automation::makeRef<RUZStringBuilder>();
  int32_t literalCount_ = 0;
  int32_t errorLine_ = 0, errorColumn_ = 0;
  int32_t unitsToTranslate_ = 0, unitsTranslated_ = 0;
};

} // namespace quillet::templating
