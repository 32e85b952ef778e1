#include "elements/xml_access.h"

#include "platform/xml/xml.h"

namespace quillet::elements {

namespace {
XmlNodeView viewOf(const platform::xml::Node& n) {
  XmlNodeView v;
  v.isElement = n.isElement();
  v.name = n.name();
  v.localName = n.localName();
  if (v.isElement) v.attributes = n.attributes();
  return v;
}
} // namespace

std::optional<XmlDocumentView> loadXmlView(const std::string& path, bool withChildren) {
  try {
    platform::xml::Document doc = platform::xml::Document::load(path);
    platform::xml::Node root = doc.documentElement();
    if (!root) return std::nullopt;
    XmlDocumentView view;
    view.root = viewOf(root);
    if (withChildren)
      for (const platform::xml::Node& c : root.children())
        view.children.push_back(viewOf(c));
    return view;
  } catch (const platform::automation::Error&) {
    return std::nullopt;
  }
}

} // namespace quillet::elements
