// Definition files: which definitions a level declares, the defaults they give, and the
// files that are refused or reported.
#include <gtest/gtest.h>

#include <filesystem>

#include "ext_env.h"

using namespace quillet;
using namespace quillet::extensions;
using platform::automation::makeRef;
using platform::automation::Variant;
using quillet::testing::ExtTest;

namespace {

class DefinitionTest : public ExtTest {
protected:
  DefinitionTest() { access.extensionsFolder = env.path("ext").string(); }
  // Writes a definition file into the extensions folder.
  void file(const std::string& name, const std::string& body) { env.write("ext/" + name, body); }
  // The bag a table node gets from a file's table level.
  std::string tableAttrs(const std::string& name, Ref<core::AGProperties> bag = nullptr) {
    if (!bag) bag = makeRef<RUZExtTable>()->Properties();
    DefinitionDocument doc;
    if (!doc.load(access.extensionsFolder, name)) return "not loaded";
    LoadAttributeDefinitions(*bag, doc.level(Level::Table));
    return attrs(*bag, 2);
  }
  std::string typeOf(Ref<core::AGProperties> bag, const char* name) {
    return bag->find(name) ? bag->find(name)->DataType() : "absent";
  }
};

TEST_F(DefinitionTest, TableLevelDefinitions) {
  file("t.xml", R"(<Root><Project><Database><Table cond="x">
      <attribute name="Color" type="string" default="red"/>
      <attribute name="color" type="Integer" default="5"/>
      <ATTRIBUTE NAME="Plain"/>
      <attribute name="NoType" type=""/>
      <attribute name="Size" type="Integer" default="big"/>
      <attribute name="Ratio" type="double" default="2.5"/>
      <attribute type="String" default="nameless"/>
      <attribute name="TblName" default="fixed entries win"/>
      <other name="Ignored"/>
      <attribute name="Quoted" default="'abc'" NAME="Later"/>
    </Table></Database></Project></Root>)");
  auto bag = makeRef<RUZExtTable>()->Properties();
  EXPECT_EQ(tableAttrs("t.xml", bag), "Color=red;Plain=<empty>;Size=<empty>;Ratio=2.5;Later='abc'");
  EXPECT_EQ(typeOf(bag, "Color"), "string");
  EXPECT_EQ(typeOf(bag, "Plain"), "String");
  EXPECT_EQ(typeOf(bag, "Ratio"), "double");
  EXPECT_EQ(bag->find("Ratio")->Value().type(), platform::automation::VarType::Double);
  EXPECT_TRUE(bag->find("Color")->FileSave() && bag->find("Color")->Sync());

  // Running again keeps values and adds only what is new.
  bag->find("Color")->setValue(Variant("green"));
  file("t.xml", R"(<Project><Database><Table>
      <attribute name="Color" default="blue"/><attribute name="Extra" default="1"/>
    </Table></Database></Project>)");
  EXPECT_EQ(tableAttrs("t.xml", bag),
            "Color=green;Plain=<empty>;Size=<empty>;Ratio=2.5;Later='abc';Extra=1");
  EXPECT_EQ(GetCondAttribute({}), "");
}

TEST_F(DefinitionTest, LevelsAreFirstMatchesOfCaseSensitivePaths) {
  file("two.xml", R"(<Project COND="p"><Database>
      <Table cond="first"><attribute name="A"/></Table>
      <Table cond="second"><attribute name="B"/><Chart><attribute name="C"/></Chart></Table>
    </Database></Project>)");
  DefinitionDocument doc;
  ASSERT_TRUE(doc.load(access.extensionsFolder, "two.xml"));
  EXPECT_EQ(GetCondAttribute(doc.level(Level::Table)), "first");
  EXPECT_EQ(GetCondAttribute(doc.level(Level::Project)), "p");
  EXPECT_TRUE(doc.level(Level::Chart));
  EXPECT_FALSE(doc.level(Level::Field));
  EXPECT_EQ(tableAttrs("two.xml"), "A=<empty>");

  file("lower.xml", R"(<Root><project><Database><Table><attribute name="A"/></Table>
      </Database></project></Root>)");
  ASSERT_TRUE(doc.load(access.extensionsFolder, "lower.xml"));
  EXPECT_FALSE(doc.level(Level::Project));
  EXPECT_FALSE(doc.level(Level::Table));
}

TEST_F(DefinitionTest, GetExtDefault) {
  file("d.xml", R"(<Project><Database><Table>
      <attribute name="Color" type="Integer" default="7"/>
      <attribute name="Quoted" type="String" default="'word'"/>
      <attribute name="Raw" default="'word'"/>
      <attribute name="Flag" type="Boolean" default="True"/>
      <attribute name="NoDefault" type="Integer"/>
    </Table></Database><attribute name="Top" default="project"/></Project>)");
  ASSERT_TRUE(AddExtension(access, "Ext", "ext.zip", "d.xml"));
  auto get = [&](const char* level, const char* name) {
    return GetExtDefault(access, "ext", level, name);
  };
  EXPECT_EQ(get("TABLE", "Color").type(), platform::automation::VarType::Integer);
  EXPECT_EQ(platform::automation::CLng(get("table", "Color")), 7);
  EXPECT_EQ(platform::automation::CStr(get("table", "Quoted")), "word");
  EXPECT_EQ(platform::automation::CStr(get("table", "Raw")), "'word'");
  EXPECT_TRUE(platform::automation::CBool(get("Table", "Flag")));
  EXPECT_TRUE(get("table", "NoDefault").isEmpty());
  EXPECT_EQ(platform::automation::CStr(get("table", "color")), "");
  EXPECT_EQ(platform::automation::CStr(get("report", "Top")), "project");
  EXPECT_EQ(platform::automation::CStr(GetExtDefault(access, "Absent", "table", "Color")), "");
  ext("Ext")->setXmlFile("missing.xml");
  EXPECT_EQ(platform::automation::CStr(get("table", "Color")), "");
}

TEST_F(DefinitionTest, BadFilesAreReportedWithFileAndLineAndLoseNothing) {
  file("good.xml", R"(<Project><attribute name="Theme" default="blue"/></Project>)");
  ASSERT_TRUE(AddExtension(access, "Ext", "", "good.xml"));
  ASSERT_TRUE(SetExtProjAtt(access, "Ext", "Theme", Variant("green")));
  const std::string folder = access.extensionsFolder;
  struct Case {
    const char* name;
    const char* body;
    std::string expected;
  };
  const Case cases[] = {
      {"broken.xml", "<Project>\n<attribute name=\"A\">\n</Project>",
       "Brindlewood: Extension definition file " + folder + "/broken.xml, line 3: not well-formed"},
      {"root.xml", "<?xml version=\"1.0\"?>\n<Definitions><project/></Definitions>",
       "Brindlewood: Extension definition file " + folder +
           "/root.xml, line 2: the root element Definitions holds no Project element"},
      {"twice.xml",
       "<Project>\n<Database>\n<Table>\n<attribute name=\"Color\"/>\n"
       "<Attribute Name=\"COLOR\" type=\"Integer\"/>\n</Table></Database></Project>",
       "Brindlewood: Extension definition file " + folder +
           "/twice.xml, line 5: attribute \"COLOR\" is declared twice at the table level; "
           "the first definition counts"},
  };
  for (const Case& c : cases) {
    ctx().ProjErr.clear();
    file(c.name, c.body);
    EXPECT_TRUE(AddExtension(access, "Ext", "", c.name));
    EXPECT_EQ(ctx().ProjErr.substr(0, c.expected.size()), c.expected) << c.name;
    // Reported once, however often the file is read again.
    EXPECT_TRUE(AddExtension(access, "Ext", "", c.name));
    EXPECT_EQ(ctx().ProjErr.find("\r\n"), std::string::npos) << c.name;
    EXPECT_EQ(platform::automation::CStr(GetExtProjAtt(access, "Ext", "Theme")), "green");
  }
}

TEST_F(DefinitionTest, FilesOutsideTheExtensionsFolderAreRefused) {
  env.write("outside.xml", R"(<Project><attribute name="Secret" default="x"/></Project>)");
  std::filesystem::create_directories(env.path("ext"));
  std::filesystem::create_symlink(env.path("outside.xml"), env.path("ext/link.xml"));
  for (std::string name : {std::string("../outside.xml"), std::string("..\\outside.xml"),
                           env.path("outside.xml").string(), std::string("link.xml")}) {
    ctx().ProjErr.clear();
    EXPECT_TRUE(AddExtension(access, "Ext", "", name));
    EXPECT_FALSE(ext("Ext")->IsExtended()) << name;
    EXPECT_NE(ctx().ProjErr.find("lies outside the extensions folder"), std::string::npos) << name;
    EXPECT_NE(ctx().ProjErr.find(name), std::string::npos) << name;
  }
  // A missing file is silent: the extension simply declares nothing.
  ctx().ProjErr.clear();
  EXPECT_TRUE(AddExtension(access, "Ext", "", "sub/missing.xml"));
  EXPECT_EQ(ctx().ProjErr, "");
}

} // namespace
