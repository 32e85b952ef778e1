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

// The code of an old project's script, commented, inside the code base's code for it.
std::string WrapUnconvertedCode(const std::string& name, const std::string& newCode,
                                std::string oldCode, const std::string& language);

using Attributes = std::vector<std::pair<std::string, std::string>>;

} // namespace quillet::project
