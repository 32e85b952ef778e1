#pragma once
// Every question the engine asks and every progress display goes through these interfaces.
// The console implementation asks on a terminal; the scripted one answers from presets and
// is what tests and non-interactive runs use. A question closed without an answer takes the
// safe choice.
#include <csignal>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillet::platform::ui {

// Message box buttons and icons, with VB's numbers (vbOKOnly 0, vbYesNo 4, vbCritical 16...).
enum MsgBoxStyle : int32_t {
  kOkOnly = 0,
  kOkCancel = 1,
  kAbortRetryIgnore = 2,
  kYesNoCancel = 3,
  kYesNo = 4,
  kRetryCancel = 5,
  kCritical = 16,
  kQuestion = 32,
  kExclamation = 48,
  kInformation = 64,
  kDefaultButton2 = 256,
  kDefaultButton3 = 512,
};
// Answers, with VB's numbers (vbOK 1 .. vbNo 7).
enum MsgBoxResult : int32_t {
  kOk = 1,
  kCancel = 2,
  kAbort = 3,
  kRetry = 4,
  kIgnore = 5,
  kYes = 6,
  kNo = 7
};

// The name mapping question: old names that disappeared, new names that appeared.
struct NameMapping {
  std::string title;
  std::string prompt;
  std::string newHeading;
  std::string oldHeading;
  std::vector<std::string> newNames;
  std::vector<std::string> oldNames;
};

// The answer a message box of a style takes when nobody answers: Cancel, else No, else
// Abort, else OK.
MsgBoxResult safeAnswer(int32_t style);
// The buttons of a style, in display order.
std::vector<MsgBoxResult> buttonsOf(int32_t style);
// "OK", "Cancel", "Abort", "Retry", "Ignore", "Yes", "No".
const char* buttonName(MsgBoxResult r);

class Ui {
public:
  virtual ~Ui() = default;
  virtual MsgBoxResult messageBox(const std::string& text, int32_t style,
                                  const std::string& title) = 0;
  // nullopt when the user cancels.
  virtual std::optional<std::string> inputBox(const std::string& prompt, const std::string& title,
                                              const std::string& defaultText) = 0;
  // A choice among named options (Keep/Update, Keep/Overwrite, a schema...): the index of
  // the option taken. safeChoice is what a question closed without an answer takes.
  virtual size_t choose(const std::string& prompt, const std::vector<std::string>& options,
                        size_t safeChoice, const std::string& title) = 0;
  // Maps old names onto new ones: for each new name, in order, the old name chosen for it
  // ("" for none). nullopt when the user does not confirm, which maps nothing.
  virtual std::optional<std::vector<std::string>> mapNames(const NameMapping& question) = 0;
};

class Progress {
public:
  virtual ~Progress() = default;
  virtual void show(const std::string& caption, const std::string& text) = 0;
  virtual void setText(const std::string& text) = 0;
  virtual void setPercent(int percent) = 0;
  virtual bool cancelled() = 0;
  virtual void close() = 0;
};

// Asks on the terminal (stdin and stderr). When stdin is not a terminal, nothing is read:
// the question and the safe answer it takes are written to stderr.
class ConsoleUi : public Ui {
public:
  MsgBoxResult messageBox(const std::string& text, int32_t style,
                          const std::string& title) override;
  std::optional<std::string> inputBox(const std::string& prompt, const std::string& title,
                                      const std::string& defaultText) override;
  size_t choose(const std::string& prompt, const std::vector<std::string>& options,
                size_t safeChoice, const std::string& title) override;
  std::optional<std::vector<std::string>> mapNames(const NameMapping& question) override;
};

// Answers from presets, in order, and records every question. Tests queue answers with
// answer(); non-interactive runs read them from a preset list. A question with no preset
// left takes the safe choice. Preset texts by question:
//   message box: a button name ("Yes", "no", "Cancel"...) or its number;
//   input box:   the text to enter, or "<cancel>";
//   choice:      the option's text (case-insensitive) or its 0-based number;
//   name mapping: "new=old;new2=old2" (new names not listed map to ""), "" maps nothing
//                 but confirms, "<cancel>" does not confirm.
// A preset that does not fit its question raises error 5 naming both.
class ScriptedUi : public Ui {
public:
  enum class Kind { MessageBox, InputBox, Choice, NameMapping };
  struct Question {
    Kind kind;
    std::string title;
    std::string prompt;
    std::vector<std::string> options; // buttons, options, or new names
    std::string answer;               // as answered, in preset form
    bool answeredByPreset = false;
  };

  void answer(std::string preset) { presets_.push_back(std::move(preset)); }
  // Reads presets from a file, one per line; blank lines and lines starting with "#" are
  // skipped.
  void loadPresets(const std::string& path);
  size_t pendingAnswers() const { return presets_.size(); }
  const std::vector<Question>& asked() const { return asked_; }

  MsgBoxResult messageBox(const std::string& text, int32_t style,
                          const std::string& title) override;
  std::optional<std::string> inputBox(const std::string& prompt, const std::string& title,
                                      const std::string& defaultText) override;
  size_t choose(const std::string& prompt, const std::vector<std::string>& options,
                size_t safeChoice, const std::string& title) override;
  std::optional<std::vector<std::string>> mapNames(const NameMapping& question) override;

private:
  std::optional<std::string> next();
  std::deque<std::string> presets_;
  std::vector<Question> asked_;
};

// Shows nothing; remembers the last state so tests can look at it, and reports
// cancellation once requestCancel() was called.
class SilentProgress : public Progress {
public:
  void show(const std::string& caption, const std::string& text) override;
  void setText(const std::string& text) override { text_ = text; }
  void setPercent(int percent) override { percent_ = percent; }
  bool cancelled() override { return cancelled_; }
  void close() override { open_ = false; }

  void requestCancel() { cancelled_ = true; }
  bool isOpen() const { return open_; }
  const std::string& caption() const { return caption_; }
  const std::string& text() const { return text_; }
  int percent() const { return percent_; }

private:
  bool open_ = false;
  bool cancelled_ = false;
  std::string caption_;
  std::string text_;
  int percent_ = 0;
};

// A bar on stderr when stderr is a terminal, silent otherwise. While it is shown, Ctrl-C
// (SIGINT) sets the cancellation flag instead of ending the program; close() restores the
// previous handler.
class ConsoleProgress : public Progress {
public:
  ConsoleProgress();
  ~ConsoleProgress() override;
  void show(const std::string& caption, const std::string& text) override;
  void setText(const std::string& text) override;
  void setPercent(int percent) override;
  bool cancelled() override;
  void close() override;

private:
  void draw();
  bool terminal_;
  bool open_ = false;
  bool handlerInstalled_ = false;
  struct sigaction previous_ {};
  std::string caption_;
  std::string text_;
  int percent_ = 0;
};

// The current thread's services, kept in its automation::Context. Without an installed
// one, a ScriptedUi with no presets and a SilentProgress are used, so nothing ever blocks.
Ui& current();
Progress& currentProgress();
void install(std::shared_ptr<Ui> ui);
void installProgress(std::shared_ptr<Progress> progress);

} // namespace quillet::platform::ui
