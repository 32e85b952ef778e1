#include "platform/xml/xml.h"

#include <gtest/gtest.h>

#include "files/tempdir.h"

namespace quillet::platform::xml {
namespace {

using automation::Error;
using quillet::testing::TempDir;

bool contains(const std::string& s, std::string_view part) {
  return s.find(part) != std::string::npos;
}

TEST(Xml, RoundTripsAWindows1252File) {
  TempDir dir;
  // "Café" and "5 €" in windows-1252 bytes: é is E9, € is 80.
  const std::string path =
      dir.write("lang.xml", "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n"
                            "<lang id=\"fr\" desc=\"Fran\xE7"
                            "ais\">\r\n"
                            "  <phrase id=\"menu\" value=\"Caf\xE9\"/>\r\n"
                            "  <price>5 \x80</price>\r\n"
                            "</lang>\r\n");
  Document doc = Document::load(path);
  EXPECT_EQ(doc.declaredEncoding(), "windows-1252");
  Node root = doc.documentElement();
  EXPECT_EQ(root.attribute("desc"), "Fran\xC3\xA7"
                                    "ais");
  EXPECT_EQ(root.selectSingleNode("phrase").attribute("value"), "Caf\xC3\xA9");
  EXPECT_EQ(root.firstChildElement("price").text(), "5 \xE2\x82\xAC");

  // A snowman has no windows-1252 byte: it is written as a character reference.
  root.appendElement("note", "Zo\xC3\xAB \xE2\x82\xAC \xE2\x98\x83");
  SaveOptions options;
  options.encoding = "windows-1252";
  doc.save(path, options);
  const std::string bytes = TempDir::read(path);
  EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"windows-1252\"?>", 0), 0u);
  EXPECT_TRUE(contains(bytes, "Caf\xE9"));
  EXPECT_TRUE(contains(bytes, "<note>Zo\xEB \x80 &#9731;</note>"));
  EXPECT_FALSE(contains(bytes, "\xC3"));

  Document again = Document::load(path);
  EXPECT_EQ(again.selectSingleNode("/lang/note").text(), "Zo\xC3\xAB \xE2\x82\xAC \xE2\x98\x83");
  EXPECT_EQ(again.selectSingleNode("/lang/price").text(), "5 \xE2\x82\xAC");
}

TEST(Xml, ReadsUtf16AndUtf8WithMark) {
  const char raw[] = "\xFF\xFE<\0a\0>\0\xE9\0<\0/\0a\0>\0";
  const std::string le(raw, sizeof raw - 1);
  EXPECT_EQ(Document::loadBytes(le).documentElement().text(), "\xC3\xA9");
  EXPECT_EQ(Document::loadBytes("\xEF\xBB\xBF<a>\xC3\xA9</a>").documentElement().text(),
            "\xC3\xA9");
  // Text that is already decoded ignores the encoding its declaration names.
  Document d = Document::parse("<?xml version=\"1.0\" encoding=\"windows-1252\"?><a>\xC3\xA9</a>");
  EXPECT_EQ(d.documentElement().text(), "\xC3\xA9");
}

TEST(Xml, ParseErrorsNameFileLineAndColumn) {
  TempDir dir;
  const std::string path = dir.write("control.xml", "<a>\n  <b>\n</a>\n");
  try {
    Document::load(path);
    FAIL();
  } catch (const ParseError& e) {
    EXPECT_EQ(e.file(), path);
    EXPECT_EQ(e.line(), 3);
    EXPECT_GT(e.column(), 0);
    EXPECT_TRUE(contains(e.description(), path + ", line 3, column "));
    EXPECT_TRUE(contains(e.description(), "mismatch"));
  }
  EXPECT_THROW(Document::parse(""), ParseError);
  EXPECT_THROW(Document::parse("<a></a><b/>"), ParseError);
  try {
    Document::load(dir / "absent.xml");
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 53);
  }
}

TEST(Xml, BlankTextIsDroppedUnlessPreserved) {
  const char* src = "<a>\n  <b> x </b>\n  <c xml:space=\"preserve\"> <d/> </c>\n</a>";
  Document d = Document::parse(src);
  Node a = d.documentElement();
  EXPECT_EQ(a.children().size(), 2u);
  EXPECT_EQ(a.firstChild().text(), " x ");
  EXPECT_EQ(a.lastChild().children().size(), 3u);
  LoadOptions keep;
  keep.keepBlankText = true;
  EXPECT_EQ(Document::parse(src, "src", keep).documentElement().children().size(), 5u);
}

TEST(Xml, AttributesKeepDocumentOrder) {
  Document d = Document::parse("<e z=\"1\" a=\"2\" m=\"3\"/>");
  Node e = d.documentElement();
  e.setAttribute("a", "two");
  e.setAttribute("new", "x & <y> \"q\"\r\n");
  EXPECT_TRUE(e.removeAttribute("z"));
  EXPECT_FALSE(e.removeAttribute("z"));
  EXPECT_FALSE(e.hasAttribute("z"));
  EXPECT_EQ(e.attribute("absent"), "");
  using Attrs = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(e.attributes(), (Attrs{{"a", "two"}, {"m", "3"}, {"new", "x & <y> \"q\"\r\n"}}));
  // Values survive a save and load, line ends included.
  Document back = Document::parse(d.serialize());
  EXPECT_EQ(back.documentElement().attribute("new"), "x & <y> \"q\"\r\n");
  EXPECT_THROW(e.setAttribute("bad name", "v"), Error);
}

TEST(Xml, BuildsAndEditsTrees) {
  Document d;
  Node root = d.createElement("Project");
  d.node().appendChild(d.createProcessingInstruction("style", "x"));
  d.setDocumentElement(root);
  Node first = root.appendElement("item", "1");
  Node third = root.appendElement("item", "3");
  Node second = root.insertBefore(d.createElement("item"), third);
  second.setText("2");
  root.appendChild(d.createTextNode("a"));
  root.appendChild(d.createTextNode("b")); // stays a node of its own
  root.appendChild(d.createCDataSection("if a < b ]]> then"));
  EXPECT_EQ(root.children().size(), 6u);
  EXPECT_EQ(root.childElements("item").size(), 3u);
  EXPECT_EQ(root.lastChild().type(), NodeType::CData);
  EXPECT_EQ(root.lastChild().name(), "#cdata-section");

  // A removed node stays usable and can go back.
  Node removed = root.removeChild(first);
  EXPECT_FALSE(removed.parent());
  EXPECT_EQ(removed.text(), "1");
  root.insertBefore(removed, root.firstChild());
  EXPECT_EQ(root.firstChildElement().text(), "1");
  // Moving to a new place unlinks from the old one.
  root.appendChild(second);
  EXPECT_EQ(root.lastChild(), second);
  EXPECT_EQ(root.childElements("item").size(), 3u);

  EXPECT_THROW(second.appendChild(root), Error); // into itself
  Document other;
  EXPECT_THROW(root.appendChild(other.createElement("x")), Error);
  EXPECT_THROW(d.node().appendChild(d.createElement("second-root")), Error);
  EXPECT_THROW(d.createElement("1bad"), Error);

  Document back = Document::parse(d.serialize());
  EXPECT_EQ(back.documentElement().lastChild().previousSibling().text(), "if a < b ]]> then");
  EXPECT_EQ(back.documentElement().text(), "13abif a < b ]]> then2");
}

TEST(Xml, SelectsWithXPath) {
  Document d = Document::parse(
      "<qz-setting><section name=\"A\"><setting id=\"1\"/><setting id=\"2\"/></section>"
      "<section name=\"B\"><setting id=\"3\"/></section><global><phrase id=\"p\"/></global>"
      "</qz-setting>");
  EXPECT_EQ(d.selectNodes("qz-setting/section").size(), 2u);
  EXPECT_EQ(d.selectNodes("//setting").size(), 3u);
  Node b = d.selectSingleNode("//section[@name='B']");
  ASSERT_TRUE(b);
  EXPECT_EQ(b.selectNodes("setting").size(), 1u); // relative to the node
  EXPECT_EQ(d.selectSingleNode("//setting").attribute("id"), "1");
  EXPECT_EQ(d.documentElement().selectSingleNode("//global/phrase").attribute("id"), "p");
  auto ids = d.selectNodes("//setting/@id");
  ASSERT_EQ(ids.size(), 3u);
  EXPECT_EQ(ids[2].type(), NodeType::Attribute);
  EXPECT_EQ(ids[2].name(), "id");
  EXPECT_EQ(ids[2].text(), "3");
  EXPECT_FALSE(d.selectSingleNode("//missing"));
  EXPECT_THROW(d.selectNodes("//section["), Error);
  EXPECT_THROW(d.selectNodes("count(//setting)"), Error);
}

TEST(Xml, NamesWithPrefixes) {
  Document d = Document::parse("<r xmlns:x=\"urn:x\"><x:item x:kind=\"k\">v</x:item></r>");
  Node item = d.documentElement().firstChildElement();
  EXPECT_EQ(item.name(), "x:item");
  EXPECT_EQ(item.localName(), "item");
  EXPECT_EQ(item.prefix(), "x");
  EXPECT_EQ(item.namespaceUri(), "urn:x");
  EXPECT_EQ(item.attribute("x:kind"), "k");
  EXPECT_EQ(d.selectNodes("//x:item").size(), 1u);
}

TEST(Xml, SavesIndentedAndWithoutDeclaration) {
  Document d = Document::parse("<a><b><c>t</c></b><d/></a>");
  SaveOptions o;
  o.indent = true;
  EXPECT_EQ(d.serialize(o), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a>\n  <b>\n    "
                            "<c>t</c>\n  </b>\n  <d/>\n</a>\n");
  o.indent = false;
  o.declaration = false;
  o.bom = true;
  EXPECT_EQ(d.serialize(o), "\xEF\xBB\xBF<a><b><c>t</c></b><d/></a>\n");
  EXPECT_EQ(d.documentElement().firstChild().xml(), "<b><c>t</c></b>");
  o.bom = false;
  o.encoding = "UTF-8";

  // CR LF text between elements can give CR LF lines; attribute values keep "&#13;".
  Document crlf = Document::parse("<a/>");
  Node a = crlf.documentElement();
  a.setAttribute("v", "1\r\n2");
  a.appendChild(crlf.createTextNode("\r\n"));
  a.appendElement("b", "x\ry");
  a.appendChild(crlf.createComment(" &#13; "));
  a.appendChild(crlf.createTextNode("\r\n"));
  EXPECT_EQ(crlf.serialize(o),
            "<a v=\"1&#13;&#10;2\">&#13;\n<b>x&#13;y</b><!-- &#13; -->&#13;\n</a>\n");
  o.rawCarriageReturns = true;
  EXPECT_EQ(crlf.serialize(o), "<a v=\"1&#13;&#10;2\">\r\n<b>x\ry</b><!-- &#13; -->\r\n</a>\n");
  EXPECT_EQ(Document::parse(crlf.serialize(o)).documentElement().attribute("v"), "1\r\n2");

  o.encoding = "no-such-encoding";
  EXPECT_THROW(d.serialize(o), Error);
}

TEST(Xml, EntityExpansionIsBounded) {
  TempDir dir;
  // A 200 KB entity referenced 20,000 times in one attribute: 4 GB once expanded.
  std::string doc = "<!DOCTYPE menus [<!ENTITY big \"" + std::string(200'000, 'x') +
                    "\">]>\n<menus><menu caption=\"";
  for (int i = 0; i < 20'000; ++i)
    doc += "&big;";
  doc += "\"/></menus>\n";
  const std::string path = dir.write("menus.xml", doc);
  try {
    Document::load(path);
    FAIL() << "the document was accepted";
  } catch (const ParseError& e) {
    EXPECT_EQ(e.file(), path);
    EXPECT_TRUE(contains(e.reason(), "entity references expand beyond")) << e.reason();
  }
  // A few references to a small entity are ordinary.
  Document ok = Document::parse("<!DOCTYPE a [<!ENTITY co \"Brindle &amp; Co\">]>"
                                "<a name=\"&co; &co;\">&co;</a>");
  EXPECT_EQ(ok.documentElement().attribute("name"), "Brindle & Co Brindle & Co");
}

} // namespace
} // namespace quillet::platform::xml
