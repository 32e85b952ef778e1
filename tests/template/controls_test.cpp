#include <gtest/gtest.h>

#include "core/test_env.h"
#include "platform/automation/convert.h"
#include "template/controls.h"

namespace quillet::testing {
namespace {

using namespace templating;
using platform::automation::makeRef;

class ControlsTest : public CoreTest {
protected:
  Ref<RUZControls> controls = makeRef<RUZControls>();

  bool load(const std::string& body, const std::string& root = "Brindlewood",
            const std::string& atts = R"( date="2025/01/01" version="4.0" desc="d" author="a")") {
    env.write("control.xml",
              "<?xml version=\"1.0\"?>\n<" + root + atts + ">" + body + "</" + root + ">");
    return controls->LoadControls(env.path("control.xml").string());
  }
  static std::vector<std::string> values(RUZSessions& s) {
    std::vector<std::string> out;
    for (int32_t i = 1; i <= s.Count(); ++i)
      out.push_back(s.Item(i)->SessValue);
    return out;
  }
};

TEST_F(ControlsTest, ReadsControlsAndSessions) {
  ASSERT_TRUE(load(R"(
    <control ID="List" Type="table" ifiles="list.tpl,x.tpl" ifolder="a/b" ofile="list"
             ofilecompat="lc" oext="aspx" ofolder="~/p" ofolderid="_pages" cond="c" tagext="T"
             parm="usecompatversion" extension="e" action="add" remark="List page" other="x">
      <session type="key" Value="head" parm="p" ifile="common.tpl" cond="sc" extension="se"
               action="change" location="body" loctype="after"/>
      <!-- skipped --><other/>
      <session type="key" value="body"/>
    </control>
    <group><control id="nested"/></group>
    <CONTROL id="second" space="False" overwrite="1" ifolder="\x\"/>)"));
  EXPECT_EQ(ControlFileStatus(), 0);
  EXPECT_EQ(controls->ProdDate, "2025/01/01");
  EXPECT_EQ(controls->ProdVersion, "4.0");
  EXPECT_EQ(controls->ProdDesc, "d");
  EXPECT_EQ(controls->ProdAuthor, "a");
  ASSERT_EQ(controls->Count(), 2);

  Ref<RUZControl> c = controls->Item(Variant(1));
  EXPECT_EQ(c->CtrlID, "List");
  EXPECT_EQ(c->CtrlType, "table");
  EXPECT_EQ(c->CtrlIFiles, "list.tpl,x.tpl");
  EXPECT_EQ(c->CtrlIFolder, "a\\b\\");
  EXPECT_EQ(c->CtrlOFile + c->CtrlOFileCompat + c->CtrlOExt + c->CtrlOFolder + c->CtrlOFolderID,
            "listlcaspx~/p_pages");
  EXPECT_EQ(c->CtrlCond + c->CtrlTagExt + c->CtrlParm + c->CtrlExt + c->CtrlAction,
            "cTusecompatversioneadd");
  EXPECT_EQ(c->CtrlRemark, "List page");
  EXPECT_TRUE(c->CtrlSpace);
  EXPECT_TRUE(c->CtrlOverwrite);
  EXPECT_FALSE(c->CtrlGen);
  ASSERT_EQ(c->Sessions()->Count(), 2);
  Ref<RUZSession> s = c->Sessions()->Item(1);
  EXPECT_EQ(s->SessType + s->SessValue + s->SessParm + s->SessIFile + s->SessCond + s->SessExt +
                s->SessAction + s->SessLocation + s->SessLocType,
            "keyheadpcommon.tplscsechangebodyafter");

  Ref<RUZControl> second = controls->Item(Variant(2));
  EXPECT_FALSE(second->CtrlSpace);
  EXPECT_TRUE(second->CtrlOverwrite);
  EXPECT_EQ(second->CtrlIFolder, "x\\");
}

TEST_F(ControlsTest, RootRule) {
  EXPECT_TRUE(load("<control id='a'/>", "BRINDLEWOODTemplate"));
  EXPECT_TRUE(load("<control id='a'/>", "t:brindlewood",
                   " xmlns:t='urn:x' date='' version='4.0' desc='' author=''"));
  EXPECT_EQ(controls->Count(), 1);
  EXPECT_FALSE(load("<control id='a'/>", "Brindle"));
  EXPECT_EQ(ControlFileStatus(), 2);
  EXPECT_EQ(controls->Count(), 0);
  EXPECT_NE(ctx().ProjErr.find("control.xml"), std::string::npos);
}

TEST_F(ControlsTest, BadFilesFailWithTheirPlace) {
  ASSERT_TRUE(load("<control id='keep'/>"));
  // Unreadable: the list stays as it was.
  EXPECT_FALSE(load("<control id='a'>"));
  EXPECT_EQ(ControlFileStatus(), 1);
  EXPECT_EQ(controls->Count(), 1);
  EXPECT_NE(ctx().ProjErr.find("line"), std::string::npos);
  EXPECT_FALSE(controls->LoadControls(env.path("none.xml").string()));
  EXPECT_EQ(ControlFileStatus(), 1);

  ctx().ProjErr.clear();
  EXPECT_FALSE(load("", "Brindlewood", " date='x' version='4.0' desc=''"));
  EXPECT_EQ(ControlFileStatus(), 2);
  EXPECT_NE(ctx().ProjErr.find("author"), std::string::npos) << ctx().ProjErr;

  ctx().ProjErr.clear();
  EXPECT_FALSE(load("<control id='a'/>\n<control id='b' space='maybe'/>"));
  EXPECT_EQ(ControlFileStatus(), 2);
  EXPECT_EQ(controls->Count(), 1);
  EXPECT_NE(ctx().ProjErr.find("control.xml, line 3"), std::string::npos) << ctx().ProjErr;

  ASSERT_TRUE(load(""));
  EXPECT_EQ(ControlFileStatus(), 0); // each load starts afresh
}

TEST_F(ControlsTest, ItemFindsByPositionOrExactId) {
  ASSERT_TRUE(load("<control id='list'/><control id='view'/>"));
  EXPECT_EQ(controls->curIndex(), 0);
  EXPECT_EQ(controls->Item(Variant(std::string("view")))->CtrlID, "view");
  EXPECT_EQ(controls->curIndex(), 2);
  EXPECT_FALSE(controls->Item(Variant(std::string("LIST"))));
  EXPECT_FALSE(controls->Item(Variant(3)));
  EXPECT_FALSE(controls->Item(Variant(0.4)));
  EXPECT_FALSE(controls->Item(Variant(true)));
  EXPECT_EQ(controls->curIndex(), 2);
  EXPECT_EQ(controls->Item(Variant(1.4))->CtrlID, "list");
  EXPECT_EQ(controls->curIndex(), 1);
  EXPECT_EQ(controls->current()->CtrlID, "list");
}

TEST_F(ControlsTest, ControlIdentityIsIdAndTagExactly) {
  ASSERT_TRUE(load("<control id='list' tagext=''/><control id='list' tagext='cs'/>"));
  auto probe = makeRef<RUZControl>();
  probe->CtrlID = "list";
  probe->CtrlTagExt = "CS";
  EXPECT_FALSE(controls->ControlExist(*probe));
  probe->CtrlTagExt = "cs";
  EXPECT_TRUE(controls->ControlExist(*probe));
  EXPECT_FALSE(controls->AddControl(*probe));
  EXPECT_TRUE(controls->DeleteControl(*probe));
  EXPECT_FALSE(controls->DeleteControl(*probe));
  probe->CtrlTagExt = "";
  EXPECT_TRUE(controls->DeleteControl(*probe));
  EXPECT_EQ(controls->Count(), 0);
}

TEST_F(ControlsTest, AddControlCopiesEverythingInOrder) {
  auto src = makeRef<RUZControl>();
  src->CtrlID = "x";
  src->CtrlExt = "Ext1";
  src->CtrlRemark = "shown";
  src->CtrlGen = true;
  src->CtrlSpace = true;
  for (const char* v : {"a", "", "b"}) {
    auto s = makeRef<RUZSession>();
    s->SessValue = v;
    s->SessParm = "p";
    src->Sessions()->append(*s);
  }
  ASSERT_TRUE(controls->AddControl(*src));
  Ref<RUZControl> c = controls->Item(Variant(1));
  EXPECT_EQ(c->CtrlRemark, "shown");
  EXPECT_FALSE(c->CtrlGen);
  EXPECT_TRUE(c->CtrlSpace);
  EXPECT_EQ(values(*c->Sessions()), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(c->Sessions()->Item(3)->SessExt, "Ext1");
  EXPECT_EQ(c->Sessions()->Item(3)->SessParm, "p");
}

TEST_F(ControlsTest, SessionPlacementAndChanges) {
  struct Case {
    std::string loc, type;
    std::vector<std::string> order;
  } cases[] = {
      {"body", "after", {"head", "body", "new", "foot"}},
      {"body", "", {"head", "new", "body", "foot"}},
      {"body", "After", {"head", "new", "body", "foot"}},
      {"nowhere", "after", {"head", "body", "foot", "new"}},
  };
  for (const auto& c : cases) {
    auto list = makeRef<RUZSessions>();
    for (const char* v : {"head", "body", "foot"}) {
      RUZSession s;
      s.SessValue = v;
      list->append(s);
    }
    RUZSession added;
    added.SessValue = "new";
    EXPECT_TRUE(list->AddSession(added, c.loc, c.type));
    EXPECT_EQ(values(*list), c.order) << c.loc << "/" << c.type;
  }

  auto list = makeRef<RUZSessions>();
  RUZSession s;
  s.SessValue = "body";
  s.SessIFile = "old.tpl";
  s.SessCond = "c";
  s.SessAction = "add";
  s.SessType = "key";
  list->append(s);
  RUZSession change;
  change.SessExt = "e";
  change.SessType = "other";
  EXPECT_TRUE(list->ChangeSession("body", change));
  Ref<RUZSession> got = list->Item(1);
  EXPECT_EQ(got->SessIFile, "old.tpl");
  EXPECT_EQ(got->SessCond, "c");
  EXPECT_EQ(got->SessAction, "");
  EXPECT_EQ(got->SessExt, "e");
  EXPECT_EQ(got->SessType, "key");
  EXPECT_FALSE(list->ChangeSession("Body", change));
  EXPECT_TRUE(list->SessionExist("body"));
  EXPECT_FALSE(list->Item(2));
  EXPECT_TRUE(list->DeleteSession("body"));
  EXPECT_FALSE(list->DeleteSession("body"));
  EXPECT_EQ(list->Count(), 0);
}

TEST(InputFolder, Normalised) {
  EXPECT_EQ(NormalizeInputFolder("a/b"), "a\\b\\");
  EXPECT_EQ(NormalizeInputFolder("\\a\\"), "a\\");
  EXPECT_EQ(NormalizeInputFolder("/a"), "a\\");
}

} // namespace
} // namespace quillet::testing

namespace quillet::testing {
namespace {

using namespace templating;
namespace automation = platform::automation;

// Scripts reach the list as "Controls": Controls(1), Controls("id"), CTRL.Sessions(2).
TEST(ControlsByName, DefaultMembersAndProperties) {
  automation::Context::Scope scope;
  auto controls = automation::makeRef<RUZControls>();
  auto c = automation::makeRef<RUZControl>();
  c->CtrlID = "list";
  RUZSession s;
  s.SessValue = "head";
  c->Sessions()->append(s);
  c->Sessions()->append(s);
  controls->AddControl(*c);

  Variant list(Ref<automation::Object>(controls.get()));
  std::vector<Variant> byId{Variant(std::string("list"))};
  Variant ctrl = controls->invokeDefault(automation::kPropertyGet, automation::ArgList(byId));
  EXPECT_EQ(automation::CStr(automation::get(ctrl, "CtrlID")), "list");
  EXPECT_EQ(automation::CStr(automation::get(list, "curIndex")), "1");
  Variant sessions = automation::get(ctrl, "Sessions");
  std::vector<Variant> two{Variant(2)};
  Variant second =
      automation::invoke(sessions, "Item", automation::kPropertyGet, automation::ArgList(two));
  EXPECT_EQ(automation::CStr(automation::get(second, "SessValue")), "head");
  automation::let(ctrl, "CtrlGen", Variant(true));
  EXPECT_TRUE(c->CtrlGen == false && controls->Item(Variant(1))->CtrlGen);
  EXPECT_THROW(automation::let(list, "ProdVersion", Variant(std::string("x"))), automation::Error);
}

} // namespace
} // namespace quillet::testing
