#pragma once
// Extension definition files: per level of the project (project, database, table, chart,
// field) the attributes an extension adds, each with a data type and a default, and the
// condition under which the level takes part. A level is the first element, in document
// order, that its path selects; element names in the paths are case-sensitive, while
// "attribute" children and their XML attribute names are not.
//
// The file is the extension's XmlFile below the extensions folder and never outside it: a
// name that climbs out with "..", an absolute path or a symbolic link that leads out is
// refused. A file that is missing declares nothing, silently. One that is not well-formed,
// has no Project element, or declares an attribute twice on one level adds a line naming
// the file and line to the project error text; the first definition of a name counts.
#include <string>
#include <string_view>

#include "core/properties.h"
#include "platform/xml/xml.h"

namespace quillet::extensions {

namespace automation = ::quillet::platform::automation;

enum class Level { Project, Database, Table, Chart, Field };

// "//Project", "//Project/Database", ... for a level.
std::string_view levelPath(Level level);
// The level of a node type name ("table" in any case); any other name is the project level.
Level levelOf(std::string_view nodeType);

// The project object's extension definition document: each operation loads the file it
// needs into it and reads the level elements at once; nothing is cached between loads.
class DefinitionDocument {
public:
  // Loads XmlFile below the extensions folder. False, keeping nothing of an earlier load,
  // when the name is empty or refused, the file is missing or it is not well-formed.
  bool load(const std::string& extensionsFolder, const std::string& xmlFile);
  // The level element of the file last loaded; a null node when it has none.
  platform::xml::Node level(Level level) const;
  bool loaded() const { return loaded_; }

private:
  void check(const std::string& path);
  platform::xml::Document doc_;
  bool loaded_ = false;
};

// Adds to a node's bag every attribute the level element declares that the bag lacks, with
// its default converted to its type (no value when the default is empty or does not
// convert). A null element declares nothing.
void LoadAttributeDefinitions(core::AGProperties& bag, const platform::xml::Node& level);
// The level element's condition; "" when it has none (a condition that always holds).
std::string GetCondAttribute(const platform::xml::Node& level);
// The default of the attribute named exactly sAttName at a level of a loaded document,
// converted to its type (text unconverted when the definition names no type); "" when the
// level or the definition is missing.
automation::Variant definitionDefault(const DefinitionDocument& doc, Level level,
                                      const std::string& attName);

// Adds a line to the project error text unless the text already holds it (operations that
// reload a definition file several times report its fault once).
void reportOnce(const std::string& message);

} // namespace quillet::extensions
