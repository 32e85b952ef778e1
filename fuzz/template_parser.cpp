// Template files come from archives of outside authors: any text must be cut into sessions,
// have its includes expanded and its blocks translated, or stop with a parse error in the
// project error text; never crash or run away in a cycle of includes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/state.h"
#include "platform/automation/context.h"
#include "template/compiler.h"
#include "template/parser.h"

namespace au = quillet::platform::automation;
namespace tpl = quillet::templating;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  au::Context::Scope scope;
  quillet::core::State& st = quillet::core::state();
  // The input is two files that may include each other and themselves.
  tpl::RUZFileCache& cache = tpl::SharedFileCache();
  cache.addText(text, "a.tpl");
  cache.addText(text, "b");

  auto parser = au::makeRef<tpl::AGParser>();
  parser->Parse(text);
  for (const auto& b : parser->blocks())
    if (b.start + b.length > text.size()) std::abort();

  tpl::CompileSettings settings;
  settings.programStyle = "s";
  tpl::ScriptCompiler compiler(settings);
  tpl::RUZControl ctrl;
  ctrl.CtrlID = "c";
  ctrl.CtrlIFiles = "a.tpl";
  bool failed = false;
  st.ProjErr.clear();
  compiler.buildControl(ctrl, text, "a.tpl", failed);
  if (failed != st.hasProjErr()) std::abort();

  // Every session of the input, as a control's key sessions.
  tpl::RUZControl keyed;
  keyed.CtrlID = "k";
  for (size_t at = text.find("session"); at != std::string::npos && at < 4096;
       at = text.find("session", at + 1)) {
    tpl::RUZSession s;
    s.SessType = "key";
    s.SessValue = text.substr(at + 7, 8);
    s.SessIFile = (at & 1) ? "a.tpl" : "b";
    keyed.Sessions()->append(s);
  }
  st.ProjErr.clear();
  compiler.buildControl(keyed, "", "a.tpl", failed);
  if (failed != st.hasProjErr()) std::abort();
  return 0;
}
