// The code base file, its lookups and the project object's three code base members.
#include <gtest/gtest.h>

#include "core/registry.h"
#include "ext_env.h"
#include "extensions/codebase.h"

using namespace quillet;
using namespace quillet::extensions;
using platform::automation::makeRef;
using platform::automation::Variant;
using quillet::testing::ExtTest;

namespace {

class CodeBaseTest : public ExtTest {
protected:
  std::string write(const std::string& name, const std::string& body) {
    env.write(name, body);
    return env.path(name).string();
  }
  void pointRegistryAt(const std::string& path) {
    int32_t type = 1;
    core::RegSetValue("HKCU", ctx().sectionKey("General"), "CodeBase", type, Variant(path));
  }
};

const char* kGood = R"(<?xml version="1.0"?>
<x:Brindlewood.CodeBase xmlns:x="urn:example" version="2">
  <code scripttype="table" codetype="server" name="Check" language="vb">
    <![CDATA[If x Then
  y
End If]]>
  </code>
  <!-- a comment between entries -->
  <other scripttype="table" codetype="server" name="Other" language="vb"><![CDATA[no]]></other>
  <CODE ScriptType="TABLE" codetype="SERVER" name="check" language="VB"><![CDATA[replaced]]></CODE>
  <code scripttype="field" codetype="client" name="Plain">plain text</code>
  <code scripttype="field" codetype="client" name="Empty"/>
</x:Brindlewood.CodeBase>)";

TEST_F(CodeBaseTest, LoadAndLookups) {
  auto cb = makeRef<RUZCodeBase>();
  EXPECT_EQ(cb->curIndex(), 0);
  ASSERT_TRUE(cb->Load(write("cb.xml", kGood)));
  EXPECT_EQ(cb->Count(), 3);
  EXPECT_EQ(cb->CodeSource("table", "server", "CHECK", "vb"), "replaced");
  EXPECT_TRUE(cb->CodeExist("Field", "Client", "plain", ""));
  EXPECT_EQ(cb->CodeSource("field", "client", "Plain", ""), "plain text");
  EXPECT_EQ(cb->CodeSource("field", "client", "Empty", ""), "");
  EXPECT_FALSE(cb->CodeExist("table", "server", "Other", "vb"));
  EXPECT_EQ(cb->curIndex(), 0);

  ASSERT_TRUE(cb->Load(write("two.xml", "<brindlewood.codebase><code scripttype=\"a\" "
                                        "codetype=\"b\" name=\"c\" language=\"d\"><![CDATA[one\n"
                                        "two]]></code></brindlewood.codebase>")));
  EXPECT_EQ(cb->Count(), 1);
  EXPECT_EQ(cb->CodeSource("a", "b", "c", "d"), "one\r\ntwo");
  EXPECT_FALSE(cb->CodeExist("table", "server", "Check", "vb"));
}

TEST_F(CodeBaseTest, AFailedLoadKeepsTheEntries) {
  auto cb = makeRef<RUZCodeBase>();
  ASSERT_TRUE(cb->Load(write("cb.xml", kGood)));
  struct Case {
    std::string file;
    const char* error;
  };
  const Case cases[] = {
      {env.path("none.xml").string(), "Load code base file failed!"},
      {write("bad.xml", "<brindlewood.codebase><code>"), "Load code base file failed!"},
      {write("root.xml", "<codebase><code scripttype=\"a\"/></codebase>"),
       "Code base file is invalid!"},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(cb->Load(c.file));
    EXPECT_EQ(cb->lastError(), c.error);
    EXPECT_EQ(cb->Count(), 3);
  }
}

TEST_F(CodeBaseTest, LoadCustomScriptCodeReloadsAndMakesTheScriptsPlacesCurrent) {
  makeDatabase();
  std::string selected;
  std::string codeBaseFile = "old";
  access.codeBaseFile = &codeBaseFile;
  access.selectControl = [&](const std::string& id) { selected = id; };
  ctx().ProjErr = "Brindlewood: earlier";
  ScriptParts parts{"FIELD", "server", "Check", "vb", "edit", "customers", "NAME"};
  EXPECT_EQ(LoadCustomScriptCode(access, parts), "");
  EXPECT_EQ(ctx().ProjErr, "");
  EXPECT_EQ(codeBaseFile, "");
  EXPECT_EQ(selected, "");

  const std::string path = write("cb.xml", "<brindlewood.codebase><code scripttype=\"field\" "
                                           "codetype=\"server\" name=\"check\" language=\"vb\">"
                                           "<![CDATA[a\nb]]></code></brindlewood.codebase>");
  pointRegistryAt(path);
  EXPECT_EQ(LoadCustomScriptCode(access, parts), "a\r\nb\r\n");
  EXPECT_EQ(codeBaseFile, path);
  EXPECT_EQ(selected, "edit");
  EXPECT_EQ(access.database->Tables()->curName(), "Customers");
  EXPECT_EQ(table("Customers")->Fields()->curName(), "Name");
  EXPECT_TRUE(CodeBaseExist("field", "server", "check", "vb"));
  EXPECT_EQ(LoadCodeBase("field", "server", "check", "vb"), "a\r\nb");

  // A table the database lacks makes nothing current and still gives the code.
  parts[5] = "Absent";
  EXPECT_EQ(LoadCustomScriptCode(access, parts), "a\r\nb\r\n");
  EXPECT_EQ(access.database->Tables()->curName(), "Customers");
}

} // namespace
