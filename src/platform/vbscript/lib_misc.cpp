// Locale, engine identification, colours, object creation and the message and input boxes.
#include "platform/automation/context.h"
#include "platform/automation/factory.h"
#include "platform/automation/object.h"
#include "platform/ui/ui.h"
#include "platform/vbscript/lib_common.h"
#include "platform/vbscript/library.h"

namespace quillet::platform::vbscript::lib {
namespace {

using am::Variant;

Variant fnGetLocale(BuiltinCall& c) {
  return Variant(c.host->locale());
}

// SetLocale takes an identifier (1031) or a tag ("de-DE"); 0 restores the default. The
// conversion rules read the context's locale, so it follows the script's.
Variant fnSetLocale(BuiltinCall& c) {
  int32_t previous = c.host->locale();
  const am::Locale* loc = nullptr;
  Variant v = c.has(0) ? value(c, 0) : Variant(int32_t{0});
  double number;
  if (v.isString() && am::tryParseNumber(v.asString(), am::currentLocale(), number) != 0) {
    loc = am::Locale::byName(std::string(v.asString()));
  } else {
    int32_t id;
    if (int32_t e = am::tryCLng(v, id)) return c.fail(e);
    loc = am::Locale::byLcid(id == 0 ? 1033 : id);
  }
  if (!loc) return invalidCall(c);
  c.host->setLocale(loc->lcid);
  am::Context::current().locale = *loc;
  return Variant(previous);
}

Variant fnScriptEngine(BuiltinCall&) {
  return Variant("VBScript");
}
Variant fnMajor(BuiltinCall&) {
  return Variant(int32_t{5});
}
Variant fnMinor(BuiltinCall&) {
  return Variant(int32_t{8});
}
Variant fnBuild(BuiltinCall&) {
  return Variant(int32_t{16384});
}

Variant fnRGB(BuiltinCall& c) {
  int32_t rgb[3];
  for (size_t i = 0; i < 3; ++i) {
    int32_t v = longArg(c, i);
    if (c.failed()) return {};
    if (v < 0) return invalidCall(c);
    rgb[i] = v > 255 ? 255 : v;
  }
  return Variant(rgb[0] + rgb[1] * 256 + rgb[2] * 65536);
}

Variant fnCreateObject(BuiltinCall& c) {
  registerScriptObjects();
  std::string progId = strArg(c, 0);
  std::string server = c.has(1) ? strArg(c, 1) : std::string();
  if (c.failed()) return {};
  if (!server.empty())
    am::raise(am::err::kCannotCreateObject,
              "ActiveX component can't create object: remote servers are not available");
  return Variant(am::create(progId));
}

Variant fnGetObject(BuiltinCall& c) {
  std::string what = c.has(0) ? strArg(c, 0) : std::string();
  if (c.has(1)) what += (what.empty() ? "" : ", ") + strArg(c, 1);
  if (c.failed()) return {};
  am::raise(am::err::kCannotCreateObject,
            "ActiveX component can't create object: GetObject is not available on this "
            "platform (" +
                what + ")");
}

// Questions go to the thread's Ui; without an installed one they take the safe answer.
Variant fnMsgBox(BuiltinCall& c) {
  std::string prompt = strArg(c, 0);
  int32_t style = optLong(c, 1, 0);
  std::string title = c.has(2) ? strArg(c, 2) : std::string("VBScript");
  if (c.failed()) return {};
  return Variant(static_cast<int16_t>(ui::current().messageBox(prompt, style, title)));
}

Variant fnInputBox(BuiltinCall& c) {
  std::string prompt = strArg(c, 0);
  std::string title = c.has(1) ? strArg(c, 1) : std::string("VBScript");
  std::string def = c.has(2) ? strArg(c, 2) : std::string();
  if (c.failed()) return {};
  return Variant(ui::current().inputBox(prompt, title, def).value_or(std::string()));
}

const Builtin kMiscBuiltins[] = {
    {"GetLocale", 0, 0, fnGetLocale},
    {"SetLocale", 0, 1, fnSetLocale},
    {"ScriptEngine", 0, 0, fnScriptEngine},
    {"ScriptEngineMajorVersion", 0, 0, fnMajor},
    {"ScriptEngineMinorVersion", 0, 0, fnMinor},
    {"ScriptEngineBuildVersion", 0, 0, fnBuild},
    {"RGB", 3, 3, fnRGB},
    {"CreateObject", 1, 2, fnCreateObject},
    {"GetObject", 0, 2, fnGetObject},
    {"MsgBox", 1, 5, fnMsgBox},
    {"InputBox", 1, 7, fnInputBox},
};

} // namespace

std::span<const Builtin> miscBuiltins() {
  return kMiscBuiltins;
}

} // namespace quillet::platform::vbscript::lib
