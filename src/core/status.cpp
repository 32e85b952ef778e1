#include "core/status.h"

#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/automation/error.h"
#include "platform/text/casefold.h"
#include "platform/ui/ui.h"

namespace quillet::core {

namespace ui = ::quillet::platform::ui;
namespace text = ::quillet::platform::text;
using automation::Variant;

QUILLET_DEFINE_CLASS(RUZStatus) {
  b.method("DispStatus", [](RUZStatus& s, const std::string& t) { s.DispStatus(t); })
      .method("ShowStatus",
              [](RUZStatus& s, int32_t h, const std::string& m) { s.ShowStatus(h, m); })
      .method("ShowStatus2",
              [](RUZStatus& s, int32_t h, const std::string& m) { s.ShowStatus2(h, m); })
      .method("ShowStatus3",
              [](RUZStatus& s, int32_t h, const std::string& m) { s.ShowStatus3(h, m); })
      .method("StatusIsCancelled", [](RUZStatus& s) { return s.StatusIsCancelled(); })
      .method("CloseStatus", [](RUZStatus& s) { s.CloseStatus(); })
      .method("SetStatus", [](RUZStatus& s, const Variant& v) { s.SetStatus(v); })
      .method("Refresh", [](RUZStatus& s) { s.Refresh(); })
      .method("GetSysCode", [](RUZStatus& s, const std::string& l) { return s.GetSysCode(l); });
}

void installScriptCodeProvider(std::shared_ptr<ScriptCodeProvider> provider) {
  automation::Context::current().setShared<ScriptCodeProvider>(std::move(provider));
}

RUZStatus::RUZStatus()
    : lastValue_(int32_t(0)), clock_([] { return std::chrono::steady_clock::now(); }) {
  lastTime_ = clock_();
}

void RUZStatus::DispStatus(const std::string& t) {
  if (open_) ui::currentProgress().setText(t);
}

void RUZStatus::ShowStatus(int32_t, const std::string& msg) {
  std::string caption = msg;
  // The original library form starts with a character holding the caption's length.
  if (!caption.empty() &&
      static_cast<unsigned char>(caption.front()) == text::charCount(caption) - 1)
    caption.erase(0, 1);
  ui::Progress& p = ui::currentProgress();
  if (open_) p.close();
  p.show(caption, "Please wait...");
  open_ = true;
}

bool RUZStatus::StatusIsCancelled() {
  return open_ && ui::currentProgress().cancelled();
}

void RUZStatus::CloseStatus() {
  if (!open_) return;
  ui::currentProgress().close();
  open_ = false;
}

void RUZStatus::SetStatus(const Variant& val) {
  if (!open_) return;
  int16_t percent = automation::CInt(val);
  ui::currentProgress().setPercent(percent);
  lastValue_ = val;
  lastTime_ = clock_();
}

void RUZStatus::Refresh() {
  if (clock_() - lastTime_ >= std::chrono::seconds(1)) SetStatus(lastValue_);
}

std::string RUZStatus::GetSysCode(const std::string& lang) {
  std::string key = lang;
  key.resize(2, ' ');
  auto* provider = automation::Context::current().findShared<ScriptCodeProvider>();
  if (!provider) return {};
  std::string code = provider->code(key);
  size_t nul = code.find('\0');
  if (nul != std::string::npos) code.resize(nul);
  return code;
}

RUZStatus& SharedStatus() {
  struct Holder {
    automation::Ref<RUZStatus> status = automation::makeRef<RUZStatus>();
  };
  return *automation::Context::current().shared<Holder>().status;
}

} // namespace quillet::core
