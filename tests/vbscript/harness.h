#pragma once
// Runs script text through the script control and collects what it writes with Out.Echo.
#include <gtest/gtest.h>

#include <string>

#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/automation/members.h"
#include "platform/vbscript/script_control.h"

namespace vbtest {

namespace au = quillet::platform::automation;
namespace vbs = quillet::platform::vbscript;
using au::Args;
using au::Ref;
using au::Variant;

// Echo writes its arguments separated by blanks and ends the line.
class Output : public au::Object {
  QUILLET_OBJECT(Output)
public:
  void Echo(Args args) {
    for (size_t i = 0; i < args.size(); ++i) {
      if (i) text += ' ';
      text += au::CStr(args[i].deref());
    }
    text += '\n';
  }
  std::string text;
};

inline QUILLET_DEFINE_CLASS(Output) {
  b.method("Echo", &Output::Echo);
}

struct Harness {
  au::Context::Scope scope;
  Ref<vbs::ScriptControl> sc{new vbs::ScriptControl};
  Ref<Output> out{new Output};
  Harness() {
    sc->AddObject("Out", Variant(out), false);
    sc->setTimeout(0);
  }
  // Adds the code and returns what it echoed; a failure is reported as
  // "ERROR number description (line,column)" after the output so far.
  std::string run(const std::string& code) {
    try {
      sc->AddCode(code);
    } catch (const au::Error& e) {
      auto err = sc->Error();
      return out->text + "ERROR " + std::to_string(err->Number()) + " " + err->Description() +
             " (" + std::to_string(err->Line()) + "," + std::to_string(err->Column()) + ")";
    }
    return out->text;
  }
};

// Runs a program in a fresh engine.
inline std::string runScript(const std::string& code) {
  Harness h;
  return h.run(code);
}

} // namespace vbtest
