#include "extensions/definitions.h"

#include <map>

#include "core/state.h"
#include "platform/automation/context.h"
#include "platform/files/files.h"
#include "platform/text/casefold.h"

namespace quillet::extensions {

namespace xml = ::quillet::platform::xml;
using automation::Variant;
using platform::text::toLower;

std::string_view levelPath(Level level) {
  switch (level) {
  case Level::Project:
    return "//Project";
  case Level::Database:
    return "//Project/Database";
  case Level::Table:
    return "//Project/Database/Table";
  case Level::Chart:
    return "//Project/Database/Table/Chart";
  case Level::Field:
    return "//Project/Database/Table/Field";
  }
  return "//Project";
}

Level levelOf(std::string_view nodeType) {
  const std::string t = toLower(nodeType);
  if (t == "database") return Level::Database;
  if (t == "table") return Level::Table;
  if (t == "chart") return Level::Chart;
  if (t == "field") return Level::Field;
  return Level::Project;
}

void reportOnce(const std::string& message) {
  core::State& ctx = core::state();
  const std::string line = ctx.DisplayName + ": " + message;
  size_t at = ctx.ProjErr.find(line);
  while (at != std::string::npos) {
    size_t end = at + line.size();
    bool wholeLine = (at == 0 || ctx.ProjErr[at - 1] == '\n') &&
                     (end == ctx.ProjErr.size() || ctx.ProjErr[end] == '\r');
    if (wholeLine) return;
    at = ctx.ProjErr.find(line, at + 1);
  }
  ctx.appendProjErr(message);
}

namespace {

struct Definition {
  std::string name;
  std::string type;
  std::string defaultValue;
  bool hasType = false;
};

bool isAttributeElement(const xml::Node& n) {
  return n.isElement() && toLower(n.name()) == "attribute";
}

Definition readDefinition(const xml::Node& n) {
  Definition d;
  for (const auto& [name, value] : n.attributes()) {
    const std::string lower = toLower(name);
    if (lower == "name") {
      d.name = value;
    } else if (lower == "type") {
      d.type = value;
      d.hasType = true;
    } else if (lower == "default") {
      d.defaultValue = value;
    }
  }
  return d;
}

} // namespace

bool DefinitionDocument::load(const std::string& extensionsFolder, const std::string& xmlFile) {
  loaded_ = false;
  doc_ = xml::Document();
  if (xmlFile.empty()) return false;
  std::string path;
  try {
    path = platform::files::joinInside(extensionsFolder, xmlFile);
  } catch (const automation::Error&) {
    reportOnce("Extension definition file \"" + xmlFile + "\" lies outside the extensions folder " +
               extensionsFolder);
    return false;
  }
  try {
    doc_ = xml::Document::load(path);
  } catch (const xml::ParseError& e) {
    reportOnce("Extension definition file " + path + ", line " + std::to_string(e.line()) +
               ": not well-formed XML (" + e.reason() + ")");
    return false;
  } catch (const automation::Error&) {
    return false; // missing or unreadable: the extension declares nothing
  }
  loaded_ = true;
  check(path);
  return true;
}

void DefinitionDocument::check(const std::string& path) {
  xml::Node root = doc_.documentElement();
  if (!root) return;
  if (!level(Level::Project)) {
    reportOnce("Extension definition file " + path + ", line " + std::to_string(root.line()) +
               ": the root element " + root.name() + " holds no Project element");
    return;
  }
  static constexpr const char* kLevelNames[] = {"project", "database", "table", "chart", "field"};
  for (Level l : {Level::Project, Level::Database, Level::Table, Level::Chart, Level::Field}) {
    xml::Node node = level(l);
    if (!node) continue;
    std::map<std::string, int> seen;
    for (const xml::Node& child : node.children()) {
      if (!isAttributeElement(child)) continue;
      Definition d = readDefinition(child);
      if (d.name.empty()) continue;
      if (!seen.emplace(platform::text::foldCase(d.name), child.line()).second)
        reportOnce("Extension definition file " + path + ", line " + std::to_string(child.line()) +
                   ": attribute \"" + d.name + "\" is declared twice at the " +
                   kLevelNames[static_cast<int>(l)] + " level; the first definition counts");
    }
  }
}

xml::Node DefinitionDocument::level(Level l) const {
  if (!loaded_) return {};
  xml::Node root = doc_.documentElement();
  if (!root) return {};
  return root.selectSingleNode(levelPath(l));
}

void LoadAttributeDefinitions(core::AGProperties& bag, const xml::Node& level) {
  if (!level) return;
  for (const xml::Node& child : level.children()) {
    if (!isAttributeElement(child)) continue;
    Definition d = readDefinition(child);
    if (!d.hasType) d.type = "String";
    if (d.name.empty() || d.type.empty()) continue;
    if (bag.PropertyExist(Variant(d.name))) continue;
    core::AGProperty* p = bag.addProperty(d.name, d.type, false, 0, true, true);
    if (p && !d.defaultValue.empty())
      p->setValue(core::ConvertDefaultValue(Variant(d.defaultValue), d.type));
  }
}

std::string GetCondAttribute(const xml::Node& level) {
  if (!level) return {};
  for (const auto& [name, value] : level.attributes())
    if (toLower(name) == "cond") return value;
  return {};
}

Variant definitionDefault(const DefinitionDocument& doc, Level level, const std::string& attName) {
  xml::Node node = doc.level(level);
  if (!node) return Variant("");
  for (const xml::Node& child : node.children()) {
    if (!isAttributeElement(child)) continue;
    Definition d = readDefinition(child);
    if (d.name != attName) continue;
    if (d.type.empty()) return Variant(d.defaultValue);
    return core::ConvertValue(Variant(d.defaultValue), d.type);
  }
  return Variant("");
}

} // namespace quillet::extensions
