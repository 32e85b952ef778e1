#include "platform/ui/ui.h"

#include <unistd.h>

#include <algorithm>
#include <iostream>

#include "platform/automation/context.h"
#include "platform/automation/error.h"
#include "platform/files/textfile.h"
#include "platform/text/ascii.h"
#include "platform/text/casefold.h"

namespace quillet::platform::ui {

namespace err = automation::err;

namespace {

volatile std::sig_atomic_t gInterrupted = 0;

extern "C" void onInterrupt(int) {
  gInterrupted = 1;
}

std::string trim(std::string_view s) {
  return std::string(text::trim(s, text::kWhitespace));
}

std::optional<size_t> parseIndex(const std::string& s) {
  if (s.empty() || s.size() > 9 || !std::all_of(s.begin(), s.end(), ::isdigit)) return std::nullopt;
  return static_cast<size_t>(std::stoul(s));
}

[[noreturn]] void misfit(const std::string& preset, const std::string& question) {
  automation::raise(err::kInvalidProcedureCall, "The preset answer \"" + preset +
                                                    "\" does not fit the question \"" + question +
                                                    "\"");
}

std::optional<MsgBoxResult> buttonByText(const std::string& s, int32_t style) {
  auto buttons = buttonsOf(style);
  if (auto n = parseIndex(s)) {
    for (MsgBoxResult b : buttons)
      if (static_cast<size_t>(b) == *n) return b;
    return std::nullopt;
  }
  for (MsgBoxResult b : buttons)
    if (text::equalsNoCase(s, buttonName(b))) return b;
  return std::nullopt;
}

std::optional<size_t> optionByText(const std::string& s, const std::vector<std::string>& options) {
  for (size_t i = 0; i < options.size(); ++i)
    if (text::equalsNoCase(s, options[i])) return i;
  if (auto n = parseIndex(s); n && *n < options.size()) return n;
  return std::nullopt;
}

// "new=old;new2=old2" against a question; nullopt when a name is not in its list.
std::optional<std::vector<std::string>> parseMapping(const std::string& s, const NameMapping& q) {
  std::vector<std::string> result(q.newNames.size());
  size_t pos = 0;
  while (pos < s.size()) {
    size_t end = s.find(';', pos);
    if (end == std::string::npos) end = s.size();
    std::string pair = trim(std::string_view(s).substr(pos, end - pos));
    pos = end + 1;
    if (pair.empty()) continue;
    size_t eq = pair.find('=');
    if (eq == std::string::npos) return std::nullopt;
    std::string newName = trim(pair.substr(0, eq)), oldName = trim(pair.substr(eq + 1));
    auto n = std::find(q.newNames.begin(), q.newNames.end(), newName);
    if (n == q.newNames.end()) return std::nullopt;
    if (!oldName.empty() &&
        std::find(q.oldNames.begin(), q.oldNames.end(), oldName) == q.oldNames.end())
      return std::nullopt;
    result[static_cast<size_t>(n - q.newNames.begin())] = oldName;
  }
  return result;
}

std::string mappingText(const NameMapping& q, const std::vector<std::string>& answer) {
  std::string s;
  for (size_t i = 0; i < answer.size(); ++i) {
    if (answer[i].empty()) continue;
    if (!s.empty()) s += ';';
    s += q.newNames[i] + "=" + answer[i];
  }
  return s;
}

bool stdinIsTerminal() {
  return ::isatty(STDIN_FILENO) == 1;
}

// One line from the terminal; nullopt at end of input.
std::optional<std::string> readLine() {
  std::string line;
  if (!std::getline(std::cin, line)) return std::nullopt;
  return trim(line);
}

void header(const std::string& title) {
  if (!title.empty()) std::cerr << "== " << title << " ==\n";
}

struct Services {
  std::shared_ptr<Ui> ui;
  std::shared_ptr<Progress> progress;
};

Services& services() {
  return automation::Context::current().shared<Services>();
}

} // namespace

// ---- Message box styles ------------------------------------------------------------------

std::vector<MsgBoxResult> buttonsOf(int32_t style) {
  switch (style & 7) {
  case kOkCancel:
    return {kOk, kCancel};
  case kAbortRetryIgnore:
    return {kAbort, kRetry, kIgnore};
  case kYesNoCancel:
    return {kYes, kNo, kCancel};
  case kYesNo:
    return {kYes, kNo};
  case kRetryCancel:
    return {kRetry, kCancel};
  default:
    return {kOk};
  }
}

MsgBoxResult safeAnswer(int32_t style) {
  auto buttons = buttonsOf(style);
  for (MsgBoxResult preferred : {kCancel, kNo, kAbort, kOk})
    if (std::find(buttons.begin(), buttons.end(), preferred) != buttons.end()) return preferred;
  return buttons.front();
}

const char* buttonName(MsgBoxResult r) {
  switch (r) {
  case kOk:
    return "OK";
  case kCancel:
    return "Cancel";
  case kAbort:
    return "Abort";
  case kRetry:
    return "Retry";
  case kIgnore:
    return "Ignore";
  case kYes:
    return "Yes";
  case kNo:
    return "No";
  }
  return "";
}

// ---- ConsoleUi ---------------------------------------------------------------------------

MsgBoxResult ConsoleUi::messageBox(const std::string& text, int32_t style,
                                   const std::string& title) {
  auto buttons = buttonsOf(style);
  size_t defaultIndex = (style & kDefaultButton3) ? 2 : (style & kDefaultButton2) ? 1 : 0;
  if (defaultIndex >= buttons.size()) defaultIndex = 0;
  header(title);
  std::cerr << text << "\n";
  if (!stdinIsTerminal()) {
    MsgBoxResult r = safeAnswer(style);
    std::cerr << "(no terminal: " << buttonName(r) << ")\n";
    return r;
  }
  for (;;) {
    std::cerr << "[";
    for (size_t i = 0; i < buttons.size(); ++i)
      std::cerr << (i ? "/" : "") << buttonName(buttons[i]) << (i == defaultIndex ? "*" : "");
    std::cerr << "] ";
    auto line = readLine();
    if (!line) return safeAnswer(style);
    if (line->empty()) return buttons[defaultIndex];
    for (MsgBoxResult b : buttons) {
      std::string name = buttonName(b);
      if (text::equalsNoCase(*line, name) ||
          (line->size() == 1 && text::equalsNoCase(*line, name.substr(0, 1))))
        return b;
    }
  }
}

std::optional<std::string> ConsoleUi::inputBox(const std::string& prompt, const std::string& title,
                                               const std::string& defaultText) {
  header(title);
  std::cerr << prompt << "\n";
  if (!stdinIsTerminal()) {
    std::cerr << "(no terminal: cancelled)\n";
    return std::nullopt;
  }
  std::cerr << "[" << defaultText << "] ";
  std::string line;
  if (!std::getline(std::cin, line)) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line.empty() ? defaultText : line;
}

size_t ConsoleUi::choose(const std::string& prompt, const std::vector<std::string>& options,
                         size_t safeChoice, const std::string& title) {
  header(title);
  std::cerr << prompt << "\n";
  for (size_t i = 0; i < options.size(); ++i)
    std::cerr << "  " << (i + 1) << ". " << options[i] << (i == safeChoice ? " *" : "") << "\n";
  if (!stdinIsTerminal() || options.empty()) {
    if (safeChoice < options.size()) std::cerr << "(no terminal: " << options[safeChoice] << ")\n";
    return safeChoice;
  }
  for (;;) {
    std::cerr << "> ";
    auto line = readLine();
    if (!line) return safeChoice;
    if (line->empty()) return safeChoice;
    if (auto n = parseIndex(*line); n && *n >= 1 && *n <= options.size()) return *n - 1;
    for (size_t i = 0; i < options.size(); ++i)
      if (text::equalsNoCase(*line, options[i])) return i;
  }
}

std::optional<std::vector<std::string>> ConsoleUi::mapNames(const NameMapping& q) {
  header(q.title);
  std::cerr << q.prompt << "\n";
  if (!stdinIsTerminal()) {
    std::cerr << "(no terminal: nothing mapped)\n";
    return std::nullopt;
  }
  std::cerr << q.oldHeading << ":\n";
  for (size_t i = 0; i < q.oldNames.size(); ++i)
    std::cerr << "  " << (i + 1) << ". " << q.oldNames[i] << "\n";
  std::vector<std::string> result(q.newNames.size());
  for (size_t i = 0; i < q.newNames.size(); ++i) {
    for (;;) {
      std::cerr << q.newHeading << " \"" << q.newNames[i] << "\" <- number, or empty for none: ";
      auto line = readLine();
      if (!line) return std::nullopt;
      if (line->empty()) break;
      if (auto n = parseIndex(*line); n && *n >= 1 && *n <= q.oldNames.size()) {
        result[i] = q.oldNames[*n - 1];
        break;
      }
    }
  }
  std::cerr << "Apply this mapping? [Yes/No] ";
  auto line = readLine();
  if (!line || !(text::equalsNoCase(*line, "yes") || text::equalsNoCase(*line, "y")))
    return std::nullopt;
  return result;
}

// ---- ScriptedUi --------------------------------------------------------------------------

void ScriptedUi::loadPresets(const std::string& path) {
  const std::string content = files::readTextFile(path);
  size_t pos = 0;
  while (pos <= content.size()) {
    size_t end = content.find('\n', pos);
    if (end == std::string::npos) end = content.size();
    std::string line = content.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    pos = end + 1;
    std::string t = trim(line);
    if (t.empty() || t[0] == '#') continue;
    presets_.push_back(t);
  }
}

std::optional<std::string> ScriptedUi::next() {
  if (presets_.empty()) return std::nullopt;
  std::string s = std::move(presets_.front());
  presets_.pop_front();
  return s;
}

MsgBoxResult ScriptedUi::messageBox(const std::string& text, int32_t style,
                                    const std::string& title) {
  Question q{Kind::MessageBox, title, text, {}, {}, false};
  for (MsgBoxResult b : buttonsOf(style))
    q.options.push_back(buttonName(b));
  MsgBoxResult r = safeAnswer(style);
  if (auto preset = next()) {
    auto b = buttonByText(trim(*preset), style);
    if (!b) misfit(*preset, text);
    r = *b;
    q.answeredByPreset = true;
  }
  q.answer = buttonName(r);
  asked_.push_back(std::move(q));
  return r;
}

std::optional<std::string> ScriptedUi::inputBox(const std::string& prompt, const std::string& title,
                                                const std::string& defaultText) {
  Question q{Kind::InputBox, title, prompt, {defaultText}, "<cancel>", false};
  std::optional<std::string> r;
  if (auto preset = next()) {
    q.answeredByPreset = true;
    if (*preset != "<cancel>") r = *preset;
  }
  if (r) q.answer = *r;
  asked_.push_back(std::move(q));
  return r;
}

size_t ScriptedUi::choose(const std::string& prompt, const std::vector<std::string>& options,
                          size_t safeChoice, const std::string& title) {
  Question q{Kind::Choice, title, prompt, options, {}, false};
  size_t r = safeChoice;
  if (auto preset = next()) {
    auto i = optionByText(trim(*preset), options);
    if (!i) misfit(*preset, prompt);
    r = *i;
    q.answeredByPreset = true;
  }
  q.answer = r < options.size() ? options[r] : std::to_string(r);
  asked_.push_back(std::move(q));
  return r;
}

std::optional<std::vector<std::string>> ScriptedUi::mapNames(const NameMapping& question) {
  Question q{Kind::NameMapping, question.title, question.prompt,
             question.newNames, "<cancel>",     false};
  std::optional<std::vector<std::string>> r;
  if (auto preset = next()) {
    q.answeredByPreset = true;
    if (*preset != "<cancel>") {
      r = parseMapping(*preset, question);
      if (!r) misfit(*preset, question.prompt);
      q.answer = mappingText(question, *r);
    }
  }
  asked_.push_back(std::move(q));
  return r;
}

// ---- Progress ----------------------------------------------------------------------------

void SilentProgress::show(const std::string& caption, const std::string& text) {
  open_ = true;
  caption_ = caption;
  text_ = text;
  percent_ = 0;
}

ConsoleProgress::ConsoleProgress() : terminal_(::isatty(STDERR_FILENO) == 1) {}

ConsoleProgress::~ConsoleProgress() {
  close();
}

void ConsoleProgress::show(const std::string& caption, const std::string& text) {
  if (open_) close();
  open_ = true;
  caption_ = caption;
  text_ = text;
  percent_ = 0;
  gInterrupted = 0;
  struct sigaction sa {};
  sa.sa_handler = onInterrupt;
  sigemptyset(&sa.sa_mask);
  handlerInstalled_ = ::sigaction(SIGINT, &sa, &previous_) == 0;
  draw();
}

void ConsoleProgress::setText(const std::string& text) {
  text_ = text;
  draw();
}

void ConsoleProgress::setPercent(int percent) {
  percent_ = std::clamp(percent, 0, 100);
  draw();
}

bool ConsoleProgress::cancelled() {
  return open_ && gInterrupted != 0;
}

void ConsoleProgress::close() {
  if (!open_) return;
  open_ = false;
  if (handlerInstalled_) ::sigaction(SIGINT, &previous_, nullptr);
  handlerInstalled_ = false;
  if (terminal_) std::cerr << "\r\033[K" << std::flush;
}

void ConsoleProgress::draw() {
  if (!terminal_ || !open_) return;
  constexpr int kWidth = 30;
  const int filled = percent_ * kWidth / 100;
  std::string line = "\r\033[K" + caption_ + " [" + std::string(static_cast<size_t>(filled), '#') +
                     std::string(static_cast<size_t>(kWidth - filled), '.') + "] " +
                     std::to_string(percent_) + "% " + text_;
  std::cerr << line << std::flush;
}

// ---- Current services --------------------------------------------------------------------

Ui& current() {
  Services& s = services();
  if (!s.ui) s.ui = std::make_shared<ScriptedUi>();
  return *s.ui;
}

Progress& currentProgress() {
  Services& s = services();
  if (!s.progress) s.progress = std::make_shared<SilentProgress>();
  return *s.progress;
}

void install(std::shared_ptr<Ui> ui) {
  services().ui = std::move(ui);
}

void installProgress(std::shared_ptr<Progress> progress) {
  services().progress = std::move(progress);
}

} // namespace quillet::platform::ui
