#pragma once
// The custom setting file: extra settings declared per section, whose data type and default
// value a setting the project lacks takes when it is first read or written by name.
//
//   <qz-setting>
//     <section name="Project">
//       <setting id="MySetting" type="Boolean" value="True"/>
//     </section>
//   </qz-setting>
//
// Element and attribute names, section names and ids match exactly; the first matching
// setting in document order wins, across repeated sections of one name. The file's path is
// the "ConfigFile" value of the current user's settings key. No path, or a path naming no
// file, means there is no custom setting file; a file that cannot be read as XML is reported
// once in a message box.
#include <string>

#include "platform/automation/members.h"
#include "platform/automation/object.h"
#include "platform/xml/xml.h"

namespace quillet::project {

namespace automation = ::quillet::platform::automation;
using automation::Ref;
using automation::Variant;

class RUZSettings : public automation::Object {
  QUILLET_OBJECT(RUZSettings)
public:
  RUZSettings();
  // (Re)loads the file; true when a file was loaded.
  bool LoadSettings();
  // The declared type ("String" when the declaration has none); "" for an undeclared id.
  std::string LoadSettingType(const std::string& section, const std::string& id) const;
  // The declared value converted by its type; Empty for an undeclared id.
  Variant LoadSettingValue(const std::string& section, const std::string& id) const;

private:
  platform::xml::Node find(const std::string& section, const std::string& id) const;
  bool loaded_ = false;
  platform::xml::Document doc_;
};

// The thread's reader, created (and its file read) on first use.
RUZSettings& customSettings();

} // namespace quillet::project
