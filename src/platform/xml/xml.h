#pragma once
// XML documents over libxml2: loading with the encoding declaration honoured, a DOM of
// node handles, XPath 1.0 selection and saving in a declared encoding.
//
// Loading drops text nodes made only of white space (unless xml:space="preserve" or the
// option asks to keep them), keeps CDATA sections as nodes of their own and normalises
// line ends to LF, as XML requires. Malformed input raises ParseError naming the file,
// line and column. Nodes are handles: cheap to copy, valid while any handle of their
// document lives. Removed and created nodes stay owned by their document, so no handle
// ever dangles. Adjacent text nodes are never merged behind the caller's back.
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/automation/error.h"

namespace quillet::platform::xml {

class Document;
struct DocumentData;

// A document that is not well-formed. Number 5 with the description
// "<file>, line <L>, column <C>: <reason>".
class ParseError : public automation::Error {
public:
  ParseError(std::string file, int line, int column, std::string reason);
  const std::string& file() const { return file_; }
  int line() const { return line_; }
  int column() const { return column_; }
  const std::string& reason() const { return reason_; }

private:
  std::string file_;
  int line_;
  int column_;
  std::string reason_;
};

// Attribute nodes only come from XPath selections such as "@id".
enum class NodeType {
  Element,
  Attribute,
  Text,
  CData,
  Comment,
  ProcessingInstruction,
  Document,
  Other
};

class Node {
public:
  Node() = default;
  explicit operator bool() const { return node_ != nullptr; }
  bool isNull() const { return node_ == nullptr; }
  friend bool operator==(const Node& a, const Node& b) { return a.node_ == b.node_; }

  NodeType type() const;
  bool isElement() const { return type() == NodeType::Element; }
  // The qualified name ("x:item"); "#text", "#cdata-section", "#comment", "#document"
  // for the other kinds, the target for a processing instruction.
  std::string name() const;
  // The name without its prefix.
  std::string localName() const;
  std::string prefix() const;
  std::string namespaceUri() const;
  // The line of the source text the node started on (0 when unknown, as for created nodes).
  int line() const;

  // An element's text: all descendant text and CDATA joined. A text, CDATA, comment or
  // processing instruction node's own content.
  std::string text() const;
  // Replaces an element's children by one text node, or a leaf node's content.
  void setText(std::string_view text);

  // ---- Attributes (elements; names compared exactly) --------------------------------
  bool hasAttribute(std::string_view name) const;
  // The value, "" when absent.
  std::string attribute(std::string_view name) const;
  // Sets the value, adding the attribute at the end when absent.
  void setAttribute(std::string_view name, std::string_view value);
  // False when the attribute was absent.
  bool removeAttribute(std::string_view name);
  // Names and values in document order.
  std::vector<std::pair<std::string, std::string>> attributes() const;

  // ---- Tree -----------------------------------------------------------------------
  Node parent() const;
  Node firstChild() const;
  Node lastChild() const;
  Node nextSibling() const;
  Node previousSibling() const;
  std::vector<Node> children() const;
  // Child elements, all or those of one qualified name.
  std::vector<Node> childElements() const;
  std::vector<Node> childElements(std::string_view name) const;
  Node firstChildElement(std::string_view name = {}) const;

  // Moves child (of the same document) to the end of this node's children; returns it.
  Node appendChild(Node child);
  // Moves child before ref (a child of this node; a null ref appends); returns it.
  Node insertBefore(Node child, Node ref);
  // Unlinks a child of this node; returns it (it can be inserted again).
  Node removeChild(Node child);
  // New element as the last child, with optional text.
  Node appendElement(std::string_view name, std::string_view text = {});

  // ---- XPath 1.0, with this node as the context -------------------------------------
  // Error 5 with the expression in the description when it is not valid XPath.
  std::vector<Node> selectNodes(std::string_view xpath) const;
  // The first match in document order; a null node when none.
  Node selectSingleNode(std::string_view xpath) const;

  // The node's markup as UTF-8 (no declaration).
  std::string xml() const;
  Document ownerDocument() const;

private:
  friend class Document;
  Node(void* node, std::shared_ptr<DocumentData> doc) : node_(node), doc_(std::move(doc)) {}
  void* node_ = nullptr;
  std::shared_ptr<DocumentData> doc_;
};

struct LoadOptions {
  // Keep text nodes made only of white space.
  bool keepBlankText = false;
  // Lift libxml2's safety limits on document size and nesting (for large files whose
  // reader checks the size of each value itself).
  bool huge = false;
};

struct SaveOptions {
  // The encoding to write and declare ("UTF-8", "windows-1252", "ISO-8859-1", "UTF-16").
  // Characters the encoding lacks are written as character references.
  std::string encoding = "UTF-8";
  // Indent nested elements (two blanks), one element per line.
  bool indent = false;
  // Start a UTF-8 file with a byte-order mark.
  bool bom = false;
  // Write the <?xml ...?> declaration.
  bool declaration = true;
  // Write carriage returns of text content as they are instead of as "&#13;", so that
  // CR LF text nodes between elements give a file of CR LF lines. A reader then sees LF
  // there, as XML normalises line ends. Attribute values keep their references.
  bool rawCarriageReturns = false;
};

class Document {
public:
  // An empty document.
  Document();

  // From a file: raises 53 / 76 when absent, ParseError when malformed. Either separator
  // and names differing in case are accepted, as everywhere at the disk.
  static Document load(std::string_view path, const LoadOptions& options = {});
  // From bytes in the encoding their declaration (or byte-order mark) names; sourceName
  // appears in parse errors.
  static Document loadBytes(std::string_view bytes, std::string_view sourceName = "XML text",
                            const LoadOptions& options = {});
  // From UTF-8 text (a declaration naming another encoding is ignored: the text is
  // already decoded).
  static Document parse(std::string_view utf8, std::string_view sourceName = "XML text",
                        const LoadOptions& options = {});

  // The document node (for appendChild of the root, comments and processing
  // instructions at the top).
  Node node() const;
  // The root element; null when there is none.
  Node documentElement() const;
  // Replaces (or sets) the root element.
  void setDocumentElement(Node element);
  // The encoding the document was read in, as declared ("" when none was declared).
  std::string declaredEncoding() const;

  Node createElement(std::string_view name);
  Node createTextNode(std::string_view text);
  Node createCDataSection(std::string_view text);
  Node createComment(std::string_view text);
  Node createProcessingInstruction(std::string_view target, std::string_view data);

  std::vector<Node> selectNodes(std::string_view xpath) const;
  Node selectSingleNode(std::string_view xpath) const;

  // The document's bytes in the chosen encoding.
  std::string serialize(const SaveOptions& options = {}) const;
  // Writes them to a file (replaced atomically).
  void save(std::string_view path, const SaveOptions& options = {}) const;

private:
  friend class Node;
  explicit Document(std::shared_ptr<DocumentData> data) : data_(std::move(data)) {}
  static Document read(std::string_view bytes, std::string_view sourceName, const char* encoding,
                       const LoadOptions& options, const std::string& url);
  Node wrap(void* node) const;
  std::shared_ptr<DocumentData> data_;
};

} // namespace quillet::platform::xml
