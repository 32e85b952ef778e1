#pragma once
// Pieces of the project file format that the writer and the reader share.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/properties.h"
#include "platform/xml/xml.h"

namespace quillet::project {

class RUZ;

// Whether the text can be an XML element or attribute name.
bool isXmlName(std::string_view name);
// A setting's value as its attribute text: line breaks of the list settings as "|", truth
// values of "Boolean" settings as "1" or "0".
std::string attributeText(const core::AGProperty& p);
// The whole project file, byte-order mark included.
std::string projectFileText(RUZ& project);
// Copies the file into numbered backups in the folder, the newest as number 1, keeping at
// most `maximum` of them. Nothing here fails: a step that cannot be done is skipped.
void BackupProjectFile(const std::string& projFile, const std::string& backupFolder,
                       int16_t maximum);
// Appends script code as the content of a CustomScript element.
void appendCode(std::string& out, std::string_view code);
// The code of a CustomScript element as the writer stored it: its CDATA sections and the
// character references between them, without the line breaks that frame them.
std::string readCode(const platform::xml::Node& element);

using Attributes = std::vector<std::pair<std::string, std::string>>;

// ---- Extensions, custom scripts and the code base (project_extensions.cpp) ----------------

// The extension trees and custom scripts, each section opened by a line break when it is not
// empty.
void writeExtensions(std::string& out);
void writeCustomScripts(std::string& out);
// A CustomScript element.
void readCustomScript(RUZ& project, const platform::xml::Node& element, const Attributes& attrs);
// The extension elements among the node's children, read after everything else of the node.
void readExtensionElements(RUZ& project, const platform::xml::Node& node);
// Takes the thread's extensions and custom scripts out, leaving empty lists for a project
// being loaded; restoreExtensions puts them back when the load fails.
std::shared_ptr<void> takeExtensions();
void restoreExtensions(const std::shared_ptr<void>& taken);
// Adds the installed extensions to a project that has none.
void addInstalledExtensions(RUZ& project);
// Loads the code base named in the user's settings, when its file is there.
void loadCodeBase(RUZ& project);

} // namespace quillet::project
