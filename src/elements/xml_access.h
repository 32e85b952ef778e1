#pragma once
// What this subsystem reads of an XML file: the document element's name and attributes and,
// for project files, the child elements with their names and attributes, all in document
// order.
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quillet::elements {

using XmlAttributes = std::vector<std::pair<std::string, std::string>>;

struct XmlNodeView {
  std::string name;      // the node name as written (with any prefix)
  std::string localName; // the name without a namespace prefix
  bool isElement = false;
  XmlAttributes attributes;
};

struct XmlDocumentView {
  XmlNodeView root;
  std::vector<XmlNodeView> children; // the root's child nodes (elements and others)
};

// Loads a file; nullopt when it cannot be read or is not well-formed XML.
std::optional<XmlDocumentView> loadXmlView(const std::string& path, bool withChildren);

} // namespace quillet::elements
