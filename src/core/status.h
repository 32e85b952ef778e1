#pragma once
// The progress display of long operations (loading, synchronising, generating) over the
// platform's Progress service, and the lookup of the script engine's built-in code texts by
// a two-character key, which the template engine supplies through a ScriptCodeProvider
// installed in the context.
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/automation/members.h"
#include "platform/automation/object.h"

namespace quillet::core {

namespace automation = ::quillet::platform::automation;

// The built-in script code texts ("VL" the validation code, other keys the system code).
class ScriptCodeProvider {
public:
  virtual ~ScriptCodeProvider() = default;
  // The code text for a two-character key; "" when there is none.
  virtual std::string code(std::string_view key) = 0;
};
void installScriptCodeProvider(std::shared_ptr<ScriptCodeProvider> provider);

class RUZStatus : public automation::Object {
  QUILLET_OBJECT(RUZStatus)
public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  RUZStatus();

  // Shows the text as the message line of the open window.
  void DispStatus(const std::string& text);
  // Opens a window with a caption. The caption may carry the leading length character of
  // the original library form; it is dropped. An open window is replaced, not orphaned.
  void ShowStatus(int32_t lhWnd, const std::string& msg);
  void ShowStatus2(int32_t lhWnd, const std::string& msg) { ShowStatus(lhWnd, msg); }
  void ShowStatus3(int32_t lhWnd, const std::string& msg) { ShowStatus(lhWnd, msg); }
  bool StatusIsCancelled();
  void CloseStatus();
  // Sets the bar (0 to 100) of the open window and remembers the value.
  void SetStatus(const automation::Variant& val);
  // Sends the last value again when a second or more passed since it was sent.
  void Refresh();
  // The built-in code text for a key, made two characters long (blank-filled or cut).
  std::string GetSysCode(const std::string& lang);

  bool isOpen() const { return open_; }
  // For tests: the time source of Refresh.
  void setClock(Clock clock) { clock_ = std::move(clock); }

private:
  bool open_ = false;
  automation::Variant lastValue_;
  std::chrono::steady_clock::time_point lastTime_;
  Clock clock_;
};

// The thread's progress display, created on first use.
RUZStatus& SharedStatus();

} // namespace quillet::core
