#pragma once
// Every question the engine asks and every progress display goes through these interfaces.
// The console implementation asks on a terminal; the scripted one answers from presets and
// is what tests and non-interactive runs use. A question closed without an answer takes the
// safe choice.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

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

class Ui {
public:
  virtual ~Ui() = default;
  virtual MsgBoxResult messageBox(const std::string& text, int32_t style,
                                  const std::string& title) = 0;
  // nullopt when the user cancels.
  virtual std::optional<std::string> inputBox(const std::string& prompt, const std::string& title,
                                              const std::string& defaultText) = 0;
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

} // namespace quillet::platform::ui
