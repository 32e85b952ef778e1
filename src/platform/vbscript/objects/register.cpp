#include "platform/automation/factory.h"
#include "platform/vbscript/library.h"
#include "platform/vbscript/objects/dictionary.h"
#include "platform/vbscript/objects/filesystem.h"
#include "platform/vbscript/objects/regexp_object.h"
#include "platform/vbscript/objects/stream.h"

namespace quillet::platform::vbscript {

namespace am = automation;

void registerScriptObjects() {
  static const bool done = [] {
    am::registerClass<Dictionary>("Scripting.Dictionary");
    am::registerClass<FileSystemObject>("Scripting.FileSystemObject");
    am::registerClass("VBScript.RegExp", [] { return newRegExp(); });
    am::registerClass<AdoStream>("ADODB.Stream");
    return true;
  }();
  (void)done;
}

am::Ref<am::Object> newRegExp() {
  return am::Ref<am::Object>(new RegExpObject);
}

} // namespace quillet::platform::vbscript
