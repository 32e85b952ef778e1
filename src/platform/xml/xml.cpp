#include "platform/xml/xml.h"

#include <libxml/SAX2.h>
#include <libxml/entities.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlsave.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <algorithm>
#include <mutex>

#include "platform/files/files.h"
#include "platform/text/ascii.h"
#include "platform/text/encoding.h"

namespace quillet::platform::xml {

namespace err = automation::err;

struct DocumentData {
  xmlDocPtr doc = nullptr;
  // Nodes created or removed through the API: they belong to no tree, so the document
  // frees them when it goes (those that were not put back into a tree by then).
  std::vector<xmlNodePtr> orphans;

  ~DocumentData() {
    // A node removed twice is listed twice; free each once.
    std::sort(orphans.begin(), orphans.end());
    orphans.erase(std::unique(orphans.begin(), orphans.end()), orphans.end());
    std::vector<xmlNodePtr> loose;
    for (xmlNodePtr n : orphans)
      if (n->parent == nullptr) loose.push_back(n);
    for (xmlNodePtr n : loose)
      xmlFreeNode(n);
    if (doc) xmlFreeDoc(doc);
  }
};

namespace {

void initLibrary() {
  static std::once_flag once;
  std::call_once(once, [] { xmlInitParser(); });
}

const xmlChar* X(const std::string& s) {
  return reinterpret_cast<const xmlChar*>(s.c_str());
}

std::string str(const xmlChar* s) {
  return s ? std::string(reinterpret_cast<const char*>(s)) : "";
}

// Takes ownership of a libxml2-allocated string.
std::string take(xmlChar* s) {
  std::string r = str(s);
  if (s) xmlFree(s);
  return r;
}

// Text handed to libxml2 must be well-formed UTF-8.
std::string clean(std::string_view s) {
  return text::isValidUtf8(s) ? std::string(s) : text::Encoding::utf8().decode(s);
}

[[noreturn]] void invalid(const std::string& what) {
  automation::raise(err::kInvalidProcedureCall, what);
}

std::string trimRight(std::string s) {
  return std::string(text::trimRight(s, " \r\n"));
}

bool isBlank(const xmlChar* s) {
  if (!s) return true;
  for (; *s; ++s)
    if (*s != ' ' && *s != '\t' && *s != '\r' && *s != '\n') return false;
  return true;
}

void dropBlankText(xmlNodePtr parent) {
  bool preserve = parent->type == XML_ELEMENT_NODE && xmlNodeGetSpacePreserve(parent) == 1;
  for (xmlNodePtr n = parent->children; n;) {
    xmlNodePtr next = n->next;
    if (n->type == XML_TEXT_NODE && !preserve && isBlank(n->content)) {
      xmlUnlinkNode(n);
      xmlFreeNode(n);
    } else if (n->type == XML_ELEMENT_NODE) {
      dropBlankText(n);
    }
    n = next;
  }
}

std::string qualifiedName(const xmlChar* name, xmlNsPtr ns) {
  if (ns && ns->prefix) return str(ns->prefix) + ":" + str(name);
  return str(name);
}

xmlAttrPtr findAttribute(xmlNodePtr node, std::string_view name) {
  if (!node || node->type != XML_ELEMENT_NODE) return nullptr;
  for (xmlAttrPtr a = node->properties; a; a = a->next)
    if (qualifiedName(a->name, a->ns) == name) return a;
  return nullptr;
}

// Links n (unlinked) as a child of parent before ref, or last; never merges text nodes.
void linkChild(xmlNodePtr parent, xmlNodePtr n, xmlNodePtr ref) {
  n->parent = parent;
  if (!ref) {
    n->prev = parent->last;
    n->next = nullptr;
    if (parent->last)
      parent->last->next = n;
    else
      parent->children = n;
    parent->last = n;
  } else {
    n->next = ref;
    n->prev = ref->prev;
    if (ref->prev)
      ref->prev->next = n;
    else
      parent->children = n;
    ref->prev = n;
  }
}

void silentXPathError(void*, xmlErrorPtr) {}

// Collects libxml2's messages while it lives instead of letting them reach stderr; keeps
// the first error, the one that names the real fault.
class ErrorCapture {
public:
  ErrorCapture() : oldFn_(xmlStructuredError), oldCtx_(xmlStructuredErrorContext) {
    xmlSetStructuredErrorFunc(this, &ErrorCapture::handle);
  }
  ~ErrorCapture() { xmlSetStructuredErrorFunc(oldCtx_, oldFn_); }
  ErrorCapture(const ErrorCapture&) = delete;
  ErrorCapture& operator=(const ErrorCapture&) = delete;

  bool any = false;
  int line = 0;
  int column = 0;
  std::string message;

private:
  static void handle(void* self, xmlErrorPtr e) {
    auto* c = static_cast<ErrorCapture*>(self);
    if (c->any || !e || e->level < XML_ERR_ERROR) return;
    c->any = true;
    c->line = e->line;
    c->column = e->int2;
    c->message = e->message ? trimRight(e->message) : std::string();
  }
  xmlStructuredErrorFunc oldFn_;
  void* oldCtx_;
};

// Replaces "&#13;" by CR in text content only: not inside tags (attribute values), and
// not inside comments, CDATA sections or processing instructions, whose text is literal.
// Works on ASCII-compatible output; other encodings are left as they are.
std::string unescapeTextCarriageReturns(const std::string& in, const std::string& encoding) {
  auto e = text::Encoding::fromCharset(encoding);
  if (e && (e->isUtf16() || e->codePage() == 12000 || e->codePage() == 12001)) return in;
  std::string out;
  out.reserve(in.size());
  size_t i = 0;
  auto copyThrough = [&](std::string_view end) {
    size_t j = in.find(end, i);
    j = j == std::string::npos ? in.size() : j + end.size();
    out.append(in, i, j - i);
    i = j;
  };
  while (i < in.size()) {
    if (in[i] == '<') {
      if (in.compare(i, 4, "<!--") == 0)
        copyThrough("-->");
      else if (in.compare(i, 9, "<![CDATA[") == 0)
        copyThrough("]]>");
      else if (in.compare(i, 2, "<?") == 0)
        copyThrough("?>");
      else
        copyThrough(">");
    } else if (in.compare(i, 5, "&#13;") == 0) {
      out += '\r';
      i += 5;
    } else {
      out += in[i++];
    }
  }
  return out;
}

// Bounds what entity references may add to a document. A small entity referenced many
// times (inside attribute values too, which the library expands only when the value is
// read) turns a few hundred kilobytes into gigabytes; the references are counted as the
// parser meets them and the parse stops when their text outgrows the limit.
class EntityBudget {
public:
  EntityBudget(xmlParserCtxtPtr ctxt, size_t inputSize)
      : limit_(std::max<size_t>(kFloor, inputSize * kRatio)), previous_(active) {
    ctxt->sax->getEntity = &EntityBudget::getEntity;
    active = this;
  }
  ~EntityBudget() { active = previous_; }
  EntityBudget(const EntityBudget&) = delete;
  EntityBudget& operator=(const EntityBudget&) = delete;

  bool exceeded() const { return exceeded_; }
  std::string reason() const {
    return "entity references expand beyond " + std::to_string(limit_) +
           " bytes; the document is refused";
  }

private:
  static constexpr size_t kFloor = size_t{8} << 20;
  static constexpr size_t kRatio = 10;

  static xmlEntityPtr getEntity(void* ctx, const xmlChar* name) {
    xmlEntityPtr ent = xmlSAX2GetEntity(ctx, name);
    EntityBudget* self = active;
    if (ent && self && ent->etype != XML_INTERNAL_PREDEFINED_ENTITY) {
      self->used_ += static_cast<size_t>(ent->length > 0 ? ent->length : 0);
      if (self->used_ > self->limit_ && !self->exceeded_) {
        self->exceeded_ = true;
        xmlStopParser(static_cast<xmlParserCtxtPtr>(ctx));
      }
    }
    return ent;
  }

  static thread_local EntityBudget* active;
  size_t used_ = 0;
  size_t limit_;
  bool exceeded_ = false;
  EntityBudget* previous_;
};

thread_local EntityBudget* EntityBudget::active = nullptr;

} // namespace

// ---- ParseError ----------------------------------------------------------------------------

ParseError::ParseError(std::string file, int line, int column, std::string reason)
    : automation::Error(err::kInvalidProcedureCall, file + ", line " + std::to_string(line) +
                                                        ", column " + std::to_string(column) +
                                                        ": " + reason),
      file_(std::move(file)), line_(line), column_(column), reason_(std::move(reason)) {}

// ---- Document ------------------------------------------------------------------------------

Document::Document() : data_(std::make_shared<DocumentData>()) {
  initLibrary();
  data_->doc = xmlNewDoc(BAD_CAST "1.0");
  if (!data_->doc) automation::raise(err::kOutOfMemory);
}

Document Document::read(std::string_view bytes, std::string_view sourceName, const char* encoding,
                        const LoadOptions& options, const std::string& url) {
  initLibrary();
  ErrorCapture errors;
  xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
  if (!ctxt) automation::raise(err::kOutOfMemory);
  const int flags = XML_PARSE_NONET | XML_PARSE_NOWARNING | XML_PARSE_BIG_LINES |
                    (options.huge ? XML_PARSE_HUGE : 0);
  EntityBudget budget(ctxt, bytes.size());
  xmlDocPtr doc = xmlCtxtReadMemory(ctxt, bytes.data(), static_cast<int>(bytes.size()),
                                    url.empty() ? nullptr : url.c_str(), encoding, flags);
  if (budget.exceeded()) {
    int line = ctxt->input ? ctxt->input->line : 0;
    int column = ctxt->input ? ctxt->input->col : 0;
    if (doc) xmlFreeDoc(doc);
    xmlFreeParserCtxt(ctxt);
    throw ParseError(std::string(sourceName), line, column, budget.reason());
  }
  if (!doc || !ctxt->wellFormed) {
    xmlErrorPtr e = xmlCtxtGetLastError(ctxt);
    int line = errors.any ? errors.line : (e ? e->line : 0);
    int column = errors.any ? errors.column : (e ? e->int2 : 0);
    std::string reason = errors.any && !errors.message.empty() ? errors.message
                         : e && e->message                     ? trimRight(e->message)
                                           : std::string("Document is not well-formed");
    if (doc) xmlFreeDoc(doc);
    xmlFreeParserCtxt(ctxt);
    throw ParseError(std::string(sourceName), line, column, reason);
  }
  xmlFreeParserCtxt(ctxt);
  auto data = std::make_shared<DocumentData>();
  data->doc = doc;
  if (!options.keepBlankText) dropBlankText(reinterpret_cast<xmlNodePtr>(doc));
  return Document(std::move(data));
}

Document Document::load(std::string_view path, const LoadOptions& options) {
  const std::string resolved = files::resolvePath(path);
  return read(files::readFile(resolved), path, nullptr, options, resolved);
}

Document Document::loadBytes(std::string_view bytes, std::string_view sourceName,
                             const LoadOptions& options) {
  return read(bytes, sourceName, nullptr, options, {});
}

Document Document::parse(std::string_view utf8, std::string_view sourceName,
                         const LoadOptions& options) {
  std::string_view body = utf8;
  if (body.substr(0, 3) == "\xEF\xBB\xBF") body.remove_prefix(3);
  return read(clean(body), sourceName, "UTF-8", options, {});
}

Node Document::wrap(void* node) const {
  return node ? Node(node, data_) : Node();
}

Node Document::node() const {
  return wrap(data_->doc);
}

Node Document::documentElement() const {
  return wrap(xmlDocGetRootElement(data_->doc));
}

void Document::setDocumentElement(Node element) {
  if (!element.isElement() || element.doc_ != data_)
    invalid("The root must be an element of the same document");
  xmlNodePtr n = static_cast<xmlNodePtr>(element.node_);
  xmlNodePtr old = xmlDocGetRootElement(data_->doc);
  if (old == n) return;
  if (old) node().removeChild(wrap(old));
  node().appendChild(element);
}

std::string Document::declaredEncoding() const {
  return str(data_->doc->encoding);
}

Node Document::createElement(std::string_view name) {
  const std::string n(name);
  if (xmlValidateName(X(n), 0) != 0) invalid("Invalid element name \"" + n + "\"");
  xmlNodePtr node = xmlNewDocNode(data_->doc, nullptr, X(n), nullptr);
  data_->orphans.push_back(node);
  return wrap(node);
}

Node Document::createTextNode(std::string_view text) {
  xmlNodePtr node = xmlNewDocText(data_->doc, X(clean(text)));
  data_->orphans.push_back(node);
  return wrap(node);
}

Node Document::createCDataSection(std::string_view text) {
  const std::string t = clean(text);
  xmlNodePtr node = xmlNewCDataBlock(data_->doc, X(t), static_cast<int>(t.size()));
  data_->orphans.push_back(node);
  return wrap(node);
}

Node Document::createComment(std::string_view text) {
  xmlNodePtr node = xmlNewDocComment(data_->doc, X(clean(text)));
  data_->orphans.push_back(node);
  return wrap(node);
}

Node Document::createProcessingInstruction(std::string_view target, std::string_view data) {
  const std::string t(target);
  if (xmlValidateName(X(t), 0) != 0) invalid("Invalid processing instruction \"" + t + "\"");
  xmlNodePtr node = xmlNewDocPI(data_->doc, X(t), X(clean(data)));
  data_->orphans.push_back(node);
  return wrap(node);
}

std::vector<Node> Document::selectNodes(std::string_view xpath) const {
  return node().selectNodes(xpath);
}

Node Document::selectSingleNode(std::string_view xpath) const {
  return node().selectSingleNode(xpath);
}

std::string Document::serialize(const SaveOptions& options) const {
  initLibrary();
  std::string encoding = options.encoding.empty() ? std::string("UTF-8") : options.encoding;
  int flags = 0;
  if (options.indent) flags |= XML_SAVE_FORMAT;
  if (!options.declaration) flags |= XML_SAVE_NO_DECL;
  ErrorCapture errors;
  xmlBufferPtr buffer = xmlBufferCreate();
  xmlSaveCtxtPtr save = xmlSaveToBuffer(buffer, encoding.c_str(), flags);
  if (!save) {
    xmlBufferFree(buffer);
    invalid("Cannot write XML in the encoding \"" + encoding + "\"");
  }
  xmlSaveDoc(save, data_->doc);
  xmlSaveClose(save);
  std::string out(reinterpret_cast<const char*>(xmlBufferContent(buffer)),
                  static_cast<size_t>(xmlBufferLength(buffer)));
  xmlBufferFree(buffer);
  if (options.rawCarriageReturns) out = unescapeTextCarriageReturns(out, encoding);
  if (options.bom) {
    auto e = text::Encoding::fromCharset(encoding);
    if (e && e->isUtf8()) out.insert(0, "\xEF\xBB\xBF");
  }
  return out;
}

void Document::save(std::string_view path, const SaveOptions& options) const {
  files::writeFile(path, serialize(options));
}

// ---- Node ----------------------------------------------------------------------------------

namespace {
xmlNodePtr raw(void* p) {
  return static_cast<xmlNodePtr>(p);
}
} // namespace

NodeType Node::type() const {
  if (!node_) return NodeType::Other;
  switch (raw(node_)->type) {
  case XML_ELEMENT_NODE:
    return NodeType::Element;
  case XML_ATTRIBUTE_NODE:
    return NodeType::Attribute;
  case XML_TEXT_NODE:
    return NodeType::Text;
  case XML_CDATA_SECTION_NODE:
    return NodeType::CData;
  case XML_COMMENT_NODE:
    return NodeType::Comment;
  case XML_PI_NODE:
    return NodeType::ProcessingInstruction;
  case XML_DOCUMENT_NODE:
    return NodeType::Document;
  default:
    return NodeType::Other;
  }
}

std::string Node::name() const {
  if (!node_) return {};
  xmlNodePtr n = raw(node_);
  switch (n->type) {
  case XML_ELEMENT_NODE:
    return qualifiedName(n->name, n->ns);
  case XML_ATTRIBUTE_NODE:
    return qualifiedName(n->name, reinterpret_cast<xmlAttrPtr>(n)->ns);
  case XML_TEXT_NODE:
    return "#text";
  case XML_CDATA_SECTION_NODE:
    return "#cdata-section";
  case XML_COMMENT_NODE:
    return "#comment";
  case XML_DOCUMENT_NODE:
    return "#document";
  default:
    return str(n->name);
  }
}

std::string Node::localName() const {
  std::string n = name();
  if (n.empty() || n[0] == '#') return n;
  size_t colon = n.find(':');
  return colon == std::string::npos ? n : n.substr(colon + 1);
}

int Node::line() const {
  if (!node_) return 0;
  long n = xmlGetLineNo(raw(node_));
  return n > 0 ? static_cast<int>(n) : 0;
}

std::string Node::prefix() const {
  std::string n = name();
  if (n.empty() || n[0] == '#') return {};
  size_t colon = n.find(':');
  return colon == std::string::npos ? std::string() : n.substr(0, colon);
}

std::string Node::namespaceUri() const {
  if (!node_) return {};
  xmlNodePtr n = raw(node_);
  if (n->type == XML_ELEMENT_NODE && n->ns) return str(n->ns->href);
  if (n->type == XML_ATTRIBUTE_NODE && reinterpret_cast<xmlAttrPtr>(n)->ns)
    return str(reinterpret_cast<xmlAttrPtr>(n)->ns->href);
  return {};
}

std::string Node::text() const {
  if (!node_) return {};
  return take(xmlNodeGetContent(raw(node_)));
}

void Node::setText(std::string_view value) {
  if (!node_) invalid("No node");
  xmlNodePtr n = raw(node_);
  const std::string v = clean(value);
  switch (n->type) {
  case XML_ELEMENT_NODE: {
    while (n->children) {
      xmlNodePtr c = n->children;
      xmlUnlinkNode(c);
      doc_->orphans.push_back(c);
    }
    if (!v.empty()) linkChild(n, xmlNewDocText(n->doc, X(v)), nullptr);
    break;
  }
  case XML_ATTRIBUTE_NODE: {
    xmlAttrPtr a = reinterpret_cast<xmlAttrPtr>(n);
    xmlSetNsProp(a->parent, a->ns, a->name, X(v));
    break;
  }
  case XML_TEXT_NODE:
  case XML_CDATA_SECTION_NODE:
  case XML_COMMENT_NODE:
  case XML_PI_NODE:
    xmlNodeSetContentLen(n, X(v), static_cast<int>(v.size()));
    break;
  default:
    invalid("This node has no text");
  }
}

bool Node::hasAttribute(std::string_view name) const {
  return findAttribute(raw(node_), name) != nullptr;
}

std::string Node::attribute(std::string_view name) const {
  xmlAttrPtr a = findAttribute(raw(node_), name);
  return a ? take(xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(a))) : std::string();
}

void Node::setAttribute(std::string_view name, std::string_view value) {
  if (!isElement()) invalid("Attributes belong to elements");
  const std::string v = clean(value);
  if (xmlAttrPtr a = findAttribute(raw(node_), name)) {
    // The value is text, not markup: replace the children by one text node.
    xmlSetNsProp(raw(node_), a->ns, a->name, X(v));
    return;
  }
  const std::string n(name);
  if (xmlValidateName(X(n), 0) != 0) invalid("Invalid attribute name \"" + n + "\"");
  xmlNewProp(raw(node_), X(n), X(v));
}

bool Node::removeAttribute(std::string_view name) {
  xmlAttrPtr a = findAttribute(raw(node_), name);
  if (!a) return false;
  xmlRemoveProp(a);
  return true;
}

std::vector<std::pair<std::string, std::string>> Node::attributes() const {
  std::vector<std::pair<std::string, std::string>> out;
  if (!isElement()) return out;
  for (xmlAttrPtr a = raw(node_)->properties; a; a = a->next) {
    // A parsed attribute's value is one text node: read in place rather than through a copy
    // that libxml2 allocates (elements with a hundred attributes are read by the thousand).
    xmlNodePtr t = a->children;
    if (t && !t->next && t->type == XML_TEXT_NODE)
      out.emplace_back(qualifiedName(a->name, a->ns), str(t->content));
    else
      out.emplace_back(qualifiedName(a->name, a->ns),
                       take(xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(a))));
  }
  return out;
}

namespace {
bool isTreeNode(xmlNodePtr n) {
  return n && n->type != XML_ATTRIBUTE_NODE;
}
} // namespace

Node Node::parent() const {
  if (!node_) return {};
  xmlNodePtr n = raw(node_);
  return n->parent ? Node(n->parent, doc_) : Node();
}

Node Node::firstChild() const {
  if (!node_ || !isTreeNode(raw(node_))) return {};
  xmlNodePtr c = raw(node_)->children;
  return c ? Node(c, doc_) : Node();
}

Node Node::lastChild() const {
  if (!node_ || !isTreeNode(raw(node_))) return {};
  xmlNodePtr c = raw(node_)->last;
  return c ? Node(c, doc_) : Node();
}

Node Node::nextSibling() const {
  if (!node_ || !isTreeNode(raw(node_))) return {};
  xmlNodePtr c = raw(node_)->next;
  return c ? Node(c, doc_) : Node();
}

Node Node::previousSibling() const {
  if (!node_ || !isTreeNode(raw(node_))) return {};
  xmlNodePtr c = raw(node_)->prev;
  return c ? Node(c, doc_) : Node();
}

std::vector<Node> Node::children() const {
  std::vector<Node> out;
  if (!node_ || !isTreeNode(raw(node_))) return out;
  for (xmlNodePtr c = raw(node_)->children; c; c = c->next)
    out.push_back(Node(c, doc_));
  return out;
}

std::vector<Node> Node::childElements() const {
  std::vector<Node> out;
  if (!node_ || !isTreeNode(raw(node_))) return out;
  for (xmlNodePtr c = raw(node_)->children; c; c = c->next)
    if (c->type == XML_ELEMENT_NODE) out.push_back(Node(c, doc_));
  return out;
}

std::vector<Node> Node::childElements(std::string_view name) const {
  std::vector<Node> out;
  if (!node_ || !isTreeNode(raw(node_))) return out;
  for (xmlNodePtr c = raw(node_)->children; c; c = c->next)
    if (c->type == XML_ELEMENT_NODE && qualifiedName(c->name, c->ns) == name)
      out.push_back(Node(c, doc_));
  return out;
}

Node Node::firstChildElement(std::string_view name) const {
  if (!node_ || !isTreeNode(raw(node_))) return {};
  for (xmlNodePtr c = raw(node_)->children; c; c = c->next)
    if (c->type == XML_ELEMENT_NODE && (name.empty() || qualifiedName(c->name, c->ns) == name))
      return Node(c, doc_);
  return {};
}

Node Node::appendChild(Node child) {
  return insertBefore(std::move(child), Node());
}

Node Node::insertBefore(Node child, Node ref) {
  if (!node_ || !child.node_) invalid("No node");
  xmlNodePtr parent = raw(node_), n = raw(child.node_);
  if (child.doc_ != doc_) invalid("The node belongs to another document");
  if (parent->type != XML_ELEMENT_NODE && parent->type != XML_DOCUMENT_NODE)
    invalid("This node cannot have children");
  switch (n->type) {
  case XML_ELEMENT_NODE:
  case XML_COMMENT_NODE:
  case XML_PI_NODE:
    break;
  case XML_TEXT_NODE:
  case XML_CDATA_SECTION_NODE:
    if (parent->type == XML_DOCUMENT_NODE) invalid("Text cannot stand outside the root element");
    break;
  default:
    invalid("This node cannot be inserted");
  }
  for (xmlNodePtr a = parent; a; a = a->parent)
    if (a == n) invalid("A node cannot be inserted into itself");
  if (ref.node_ && (ref.doc_ != doc_ || raw(ref.node_)->parent != parent))
    invalid("The reference node is not a child of this node");
  if (parent->type == XML_DOCUMENT_NODE && n->type == XML_ELEMENT_NODE) {
    xmlNodePtr root = xmlDocGetRootElement(reinterpret_cast<xmlDocPtr>(parent));
    if (root && root != n) invalid("The document already has a root element");
  }
  if (ref.node_ == child.node_) return child;
  xmlUnlinkNode(n);
  linkChild(parent, n, ref.node_ ? raw(ref.node_) : nullptr);
  return child;
}

Node Node::removeChild(Node child) {
  if (!node_ || !child.node_ || raw(child.node_)->parent != raw(node_) ||
      raw(child.node_)->type == XML_ATTRIBUTE_NODE)
    invalid("The node is not a child of this node");
  xmlUnlinkNode(raw(child.node_));
  doc_->orphans.push_back(raw(child.node_));
  return child;
}

Node Node::appendElement(std::string_view name, std::string_view text) {
  Document d(doc_);
  Node e = d.createElement(name);
  if (!text.empty()) e.setText(text);
  return appendChild(e);
}

std::vector<Node> Node::selectNodes(std::string_view xpath) const {
  std::vector<Node> out;
  if (!node_) return out;
  initLibrary();
  xmlXPathContextPtr ctx = xmlXPathNewContext(doc_->doc);
  if (!ctx) automation::raise(err::kOutOfMemory);
  ctx->node = raw(node_);
  ctx->error = silentXPathError;
  // Prefixes declared around the context node can be used in the expression.
  if (xmlNsPtr* list = xmlGetNsList(doc_->doc, raw(node_)->type == XML_DOCUMENT_NODE
                                                   ? xmlDocGetRootElement(doc_->doc)
                                                   : raw(node_))) {
    for (xmlNsPtr* ns = list; *ns; ++ns)
      if ((*ns)->prefix) xmlXPathRegisterNs(ctx, (*ns)->prefix, (*ns)->href);
    xmlFree(list);
  }
  const std::string expr(xpath);
  ErrorCapture errors;
  xmlXPathObjectPtr result = xmlXPathEvalExpression(X(expr), ctx);
  xmlXPathFreeContext(ctx);
  if (!result) invalid("Invalid XPath expression \"" + expr + "\"");
  if (result->type != XPATH_NODESET) {
    xmlXPathFreeObject(result);
    invalid("The XPath expression \"" + expr + "\" does not select nodes");
  }
  if (xmlNodeSetPtr set = result->nodesetval) {
    for (int i = 0; i < set->nodeNr; ++i) {
      xmlNodePtr n = set->nodeTab[i];
      if (n && n->type != XML_NAMESPACE_DECL) out.push_back(Node(n, doc_));
    }
  }
  xmlXPathFreeObject(result);
  return out;
}

Node Node::selectSingleNode(std::string_view xpath) const {
  std::vector<Node> nodes = selectNodes(xpath);
  return nodes.empty() ? Node() : nodes.front();
}

std::string Node::xml() const {
  if (!node_) return {};
  if (raw(node_)->type == XML_DOCUMENT_NODE) {
    SaveOptions o;
    o.declaration = false;
    return Document(doc_).serialize(o);
  }
  xmlBufferPtr buffer = xmlBufferCreate();
  xmlNodeDump(buffer, doc_->doc, raw(node_), 0, 0);
  std::string out(reinterpret_cast<const char*>(xmlBufferContent(buffer)),
                  static_cast<size_t>(xmlBufferLength(buffer)));
  xmlBufferFree(buffer);
  return out;
}

Document Node::ownerDocument() const {
  if (!doc_) invalid("No node");
  return Document(doc_);
}

} // namespace quillet::platform::xml
