// Control files come inside template and extension archives: any bytes must load as a control
// list or be refused with status 1 or 2 and a reason; a loaded list must survive the edits the
// extension merge makes.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/state.h"
#include "platform/automation/context.h"
#include "scratch.h"
#include "template/controls.h"

namespace au = quillet::platform::automation;
namespace tpl = quillet::templating;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = fuzzScratchFolder() + "/control.xml";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  au::Context::Scope scope;
  auto controls = au::makeRef<tpl::RUZControls>();
  bool loaded = false;
  try {
    loaded = controls->LoadControls(path);
  } catch (const au::Error&) {
    return 0;
  }
  int16_t status = tpl::ControlFileStatus();
  if (!loaded) {
    // A refusal says why.
    if ((status != 1 && status != 2) || quillet::core::state().ProjErr.empty()) std::abort();
    return 0;
  }
  // Merge edits: each control copied into a second list, its sessions changed and deleted.
  auto merged = au::makeRef<tpl::RUZControls>();
  for (int32_t i = 1; i <= controls->Count(); ++i) {
    au::Ref<tpl::RUZControl> c = controls->Item(au::Variant(i));
    if (!c) std::abort();
    merged->AddControl(*c);
    au::Ref<tpl::RUZSessions> sessions = c->Sessions();
    for (int32_t k = sessions->Count(); k >= 1; --k) {
      au::Ref<tpl::RUZSession> s = sessions->Item(k);
      sessions->AddSession(*s, s->SessLocation, s->SessLocType);
      sessions->ChangeSession(s->SessValue, *s);
      if (!sessions->DeleteSession(s->SessValue)) std::abort();
    }
  }
  for (int32_t i = merged->Count(); i >= 1; --i)
    if (!merged->DeleteControl(*merged->Item(au::Variant(i)))) std::abort();
  if (merged->Count() != 0) std::abort();
  return 0;
}
