// The members the project object takes from this layer, reached by name as scripts and the
// host reach them, on a stand-in object that builds its ProjectAccess the same way.
#include <gtest/gtest.h>

#include "ext_env.h"
#include "extensions/project_members.h"

using namespace quillet;
using namespace quillet::extensions;
namespace a = platform::automation;
using a::Variant;
using quillet::testing::ExtTest;

namespace {

class StandInProject : public a::Object {
  QUILLET_OBJECT(StandInProject)
public:
  ProjectAccess access;
  ProjectAccess extensionAccess() { return access; }
};

QUILLET_DEFINE_CLASS(StandInProject) {
  addExtensionMembers(b, &StandInProject::extensionAccess);
  addCustomCodeMembers(b, &StandInProject::extensionAccess);
}

class MembersTest : public ExtTest {
protected:
  MembersTest() : project(a::makeRef<StandInProject>()) {}
  Variant call(const char* name, std::vector<Variant> args) {
    project->access = access;
    return a::invoke(Variant(static_cast<a::Object*>(project.get())), name, a::kGetOrCall,
                     a::ArgList(args));
  }
  Ref<StandInProject> project;
};

TEST_F(MembersTest, ExtensionMembersByName) {
  makeDatabase();
  EXPECT_TRUE(
      a::CBool(call("AddExtension", {Variant("Sales"), Variant("s.zip"), Variant("sales.xml")})));
  EXPECT_EQ(a::CStr(call("GetExtDefault", {Variant("Sales"), Variant("field"), Variant("Mask")})),
            "###");
  EXPECT_TRUE(a::CBool(call("SetExtFldAtt", {Variant("Sales"), Variant("Orders"), Variant("Total"),
                                             Variant("Width"), Variant(80)})));
  EXPECT_EQ(a::CLng(call("GetExtFldAtt", {Variant("Sales"), Variant("Orders"), Variant("Total"),
                                          Variant("Width")})),
            80);
  EXPECT_TRUE(call("GetExtTblAtt", {Variant("Sales"), Variant("Nope"), Variant("Color")}).isNull());
  table("Orders")->Charts()->Add("Orders", "Copy");
  EXPECT_FALSE(a::CBool(
      call("AddExtendedChart", {Variant("Sales"), Variant("Orders"), Variant("Copy"), Variant()})));
  call("CopyChartToExtensions", {Variant("Orders"), Variant("Sales"), Variant("Copy")});
  EXPECT_EQ(tree("Sales"),
            "Orders:1(Sales:1,Volume:2,Copy:3|Id:1,Total:2) Customers:2(|Id:1,Name:2)");
  EXPECT_TRUE(a::CBool(call("DeleteExtension", {Variant("sales")})));
  EXPECT_EQ(exts()->Count(), 0);
}

TEST_F(MembersTest, CustomCodeMembersByName) {
  std::vector<Variant> parts{Variant("table"), Variant("server"), Variant("Check"), Variant("vb"),
                             Variant("list"),  Variant("Orders"), Variant("")};
  auto withCode = [&](const char* code) {
    auto args = parts;
    args.emplace_back(code);
    return args;
  };
  EXPECT_TRUE(a::CBool(call("AddCustomScript", withCode("one"))));
  EXPECT_TRUE(a::CBool(call("UpdateCustomScript", withCode("two"))));
  EXPECT_EQ(customScriptList()->Seq(1)->ScriptCode(), "two");
  EXPECT_FALSE(a::CBool(call(
      "CodeBaseExist", {Variant("table"), Variant("server"), Variant("Check"), Variant("vb")})));
  EXPECT_EQ(a::CStr(call("LoadCustomScriptCode", parts)), "");
  EXPECT_TRUE(a::CBool(call("DeleteCustomScript", parts)));
  EXPECT_THROW(call("DeleteCustomScript", {Variant("table")}), a::Error);
}

} // namespace
