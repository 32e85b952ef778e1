// `brindlewood run FILE.vbs [ARGS...]`: runs a script file with a WScript object, as a
// command-line script host does.
#include <charconv>
#include <filesystem>
#include <iostream>
#include <limits>

#include "host/classes.h"
#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/automation/factory.h"
#include "platform/automation/interrupt.h"
#include "platform/automation/members.h"
#include "platform/files/textfile.h"
#include "platform/vbscript/library.h"
#include "platform/vbscript/script_control.h"

namespace quillet::host {

namespace au = platform::automation;
namespace vbs = platform::vbscript;
using au::Args;
using au::Ref;
using au::Variant;

namespace {

// WScript.Quit unwinds the script; it is no script error, so On Error cannot catch it.
struct QuitRequest {
  int code;
};

class ScriptStream : public au::Object {
  QUILLET_OBJECT(ScriptStream)
public:
  explicit ScriptStream(std::ostream& out) : out_(out) {}
  void Write(const std::string& text) { out_ << text; }
  void WriteLine(Args args) {
    if (!args.empty()) out_ << au::CStr(args[0]);
    out_ << '\n';
  }
  void WriteBlankLines(int32_t n) {
    for (int32_t i = 0; i < n; ++i)
      out_ << '\n';
  }

private:
  std::ostream& out_;
};

QUILLET_DEFINE_CLASS(ScriptStream) {
  b.method("Write", &ScriptStream::Write)
      .method("WriteLine", &ScriptStream::WriteLine)
      .method("WriteBlankLines", &ScriptStream::WriteBlankLines);
}

class ScriptArguments : public au::Object {
  QUILLET_OBJECT(ScriptArguments)
public:
  explicit ScriptArguments(std::vector<std::string> args) : args_(std::move(args)) {}
  int32_t Count() const { return static_cast<int32_t>(args_.size()); }
  std::string Item(int32_t i) const {
    if (i < 0 || i >= Count()) au::raise(au::err::kSubscriptOutOfRange);
    return args_[i];
  }
  Ref<au::Enumerator> NewEnum() const {
    std::vector<Variant> values(args_.begin(), args_.end());
    return Ref<au::Enumerator>(new au::VectorEnumerator(std::move(values)));
  }

private:
  std::vector<std::string> args_;
};

QUILLET_DEFINE_CLASS(ScriptArguments) {
  b.get("Count", &ScriptArguments::Count)
      .get("Length", &ScriptArguments::Count)
      .get("Item", &ScriptArguments::Item)
      .defaultMember("Item")
      .enumerator(&ScriptArguments::NewEnum);
}

class WScriptObject : public au::Object {
  QUILLET_OBJECT(WScriptObject)
public:
  WScriptObject(std::string name, std::string fullName, std::vector<std::string> args)
      : name_(std::move(name)), fullName_(std::move(fullName)),
        args_(new ScriptArguments(std::move(args))), stdout_(new ScriptStream(std::cout)),
        stderr_(new ScriptStream(std::cerr)) {}
  void Echo(Args args) {
    for (size_t i = 0; i < args.size(); ++i) {
      if (i) std::cout << ' ';
      std::cout << au::CStr(args[i]);
    }
    std::cout << '\n';
  }
  void Quit(Args args) {
    int code = args.empty() || args[0].isMissing() ? 0 : au::CLng(args[0]);
    throw QuitRequest{code};
  }
  // A sleep past the script's time-out ends at the time-out with its error.
  void Sleep(int32_t ms) { au::sleepInterruptibly(ms); }
  Variant CreateObject(const std::string& progId) { return Variant(au::create(progId)); }
  std::string ScriptName() const { return name_; }
  std::string ScriptFullName() const { return fullName_; }
  Ref<ScriptArguments> Arguments() const { return args_; }
  Ref<ScriptStream> StdOut() const { return stdout_; }
  Ref<ScriptStream> StdErr() const { return stderr_; }

private:
  std::string name_;
  std::string fullName_;
  Ref<ScriptArguments> args_;
  Ref<ScriptStream> stdout_;
  Ref<ScriptStream> stderr_;
};

QUILLET_DEFINE_CLASS_NAMED(WScriptObject, "WScript") {
  b.method("Echo", &WScriptObject::Echo)
      .method("Quit", &WScriptObject::Quit)
      .method("Sleep", &WScriptObject::Sleep)
      .method("CreateObject", &WScriptObject::CreateObject)
      .get("ScriptName", &WScriptObject::ScriptName)
      .get("ScriptFullName", &WScriptObject::ScriptFullName)
      .get("Arguments", &WScriptObject::Arguments)
      .get("StdOut", &WScriptObject::StdOut)
      .get("StdErr", &WScriptObject::StdErr);
}

constexpr const char* kRunUsage = "usage: brindlewood run [--timeout MS] FILE.vbs [ARGS...]\n";

} // namespace

// `run [--timeout MS] FILE.vbs [ARGS...]`: runs a script file; returns the exit status.
int runScriptCommand(const std::vector<std::string>& args) {
  size_t i = 0;
  int64_t timeout = 0;
  while (i < args.size() && args[i].rfind("--", 0) == 0) {
    if (args[i] == "--timeout" && i + 1 < args.size()) {
      // Whole milliseconds, 0 for none, at most what the control's Long property holds:
      // anything else would quietly become another limit or none.
      const std::string& text = args[i + 1];
      int64_t ms = 0;
      auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), ms);
      if (text.empty() || ec != std::errc() || end != text.data() + text.size() || ms < 0 ||
          ms > std::numeric_limits<int32_t>::max()) {
        std::cerr << "brindlewood run: bad time-out '" << text << "'\n" << kRunUsage;
        return 2;
      }
      timeout = ms;
      i += 2;
    } else {
      std::cerr << "brindlewood run: unknown option '" << args[i] << "'\n" << kRunUsage;
      return 2;
    }
  }
  if (i >= args.size()) {
    std::cerr << kRunUsage;
    return 2;
  }
  const std::string file = args[i];
  std::vector<std::string> scriptArgs(args.begin() + static_cast<long>(i) + 1, args.end());

  std::string code;
  try {
    code = platform::files::readTextFile(file);
  } catch (const au::Error& e) {
    std::cerr << "brindlewood run: cannot read '" << file << "': " << e.description() << "\n";
    return 1;
  }

  // Most scripts create few objects or none: the classes register when one is first asked for.
  au::registerClassesOnFirstUse(&registerAllClasses);
  std::error_code ec;
  std::filesystem::path full = std::filesystem::absolute(file, ec);
  Ref<WScriptObject> wscript(new WScriptObject(std::filesystem::path(file).filename().string(),
                                               ec ? file : full.string(), std::move(scriptArgs)));
  int status = 0;
  {
    Ref<vbs::ScriptControl> sc(new vbs::ScriptControl);
    sc->setTimeout(static_cast<int32_t>(timeout));
    sc->AddObject("WScript", Variant(wscript), false);
    try {
      sc->AddCode(code);
    } catch (const QuitRequest& q) {
      status = q.code;
    } catch (const au::Error&) {
      auto e = sc->Error();
      std::cout.flush();
      std::cerr << file << "(" << e->Line() << ", " << e->Column() + 1 << ") " << e->Source()
                << ": " << e->Description() << "\n";
      status = 1;
    }
    try {
      sc->Reset(); // terminate handlers of objects still held run now
    } catch (const QuitRequest& q) {
      status = q.code;
    }
  }
  std::cout.flush();
  return status;
}

} // namespace quillet::host
