#include <gtest/gtest.h>

#include "elements/model_env.h"
#include "platform/automation/object.h"

using namespace quillet;
using namespace quillet::elements;
using platform::automation::Variant;
using quillet::testing::ModelTest;

namespace {

class MenuTest : public ModelTest {
protected:
  // The items' ids in menu order.
  std::vector<int32_t> ids() {
    std::vector<int32_t> out;
    for (int32_t i = 1; i <= menus()->Count(); ++i)
      out.push_back(menus()->at(i)->MenuId);
    return out;
  }
  void add(int32_t id, int32_t parent, int32_t order) {
    ASSERT_TRUE(menus()->AddMenu(id, "m" + std::to_string(id), parent, "", "", 0, "", "", "Custom",
                                 true, 0, true, order));
  }
  std::string projectFile(const std::string& body, const std::string& root = "Project") {
    env.write("p.kvz", "<?xml version=\"1.0\"?>\n<" + root + ">" + body + "</" +
                           root.substr(0, root.find(' ')) + ">");
    return env.path("p.kvz").string();
  }
};

TEST_F(MenuTest, AddAssignsIdsAndRefusesRepeatedTargets) {
  auto m = menus();
  EXPECT_TRUE(m->AddMenu(-1, "Orders", -1, "", "", 0, "", "Orders", "Table"));
  EXPECT_FALSE(m->AddMenu(-1, "Again", -1, "", "", 0, "", "Orders", "Table"));
  EXPECT_TRUE(m->AddMenu(-1, "Chart", -1, "", "", 0, "", "Orders", "Chart"));
  EXPECT_TRUE(m->AddMenu(10, "Ten", -1, "", "", 0, "", "T10", "Table"));
  EXPECT_TRUE(m->AddMenu(-1, "Next", -1, "", "", 0, "", "T11", "Table"));
  EXPECT_TRUE(m->AddMenu(2, "Taken", -1, "", "", 0, "", "T12", "Table"));
  EXPECT_TRUE(m->AddMenu(0, "Zero", -1, "", "", 0, "", "T0", "Table"));
  EXPECT_EQ(ids(), (std::vector<int32_t>{1, 2, 10, 11, 12, 0}));
  EXPECT_EQ(m->largestId(), 12);
  // Without a target only custom items are accepted, and they may share one.
  EXPECT_FALSE(m->AddMenu(-1, "x", -1, "", "", 0, "", "", "Table"));
  EXPECT_TRUE(m->AddMenu(-1, "a", -1, "", "", 0, "", "http://x", "", true));
  EXPECT_TRUE(m->AddMenu(-1, "b", -1, "", "", 0, "", "http://x", "", true));
  // Comparisons count letter case.
  EXPECT_TRUE(m->MenuHasTable("Table", "Orders"));
  EXPECT_FALSE(m->MenuHasTable("Table", "orders"));
  EXPECT_EQ(m->GetItemByTableName("Table", "orders"), nullptr);
}

TEST_F(MenuTest, AddByNameTakesDocumentedDefaults) {
  Variant list(static_cast<platform::automation::Object*>(menus().get()));
  std::vector<Variant> args{Variant(), Variant("Orders"), Variant(),
                            Variant(), Variant(),         Variant(),
                            Variant(), Variant("Orders"), Variant("Table")};
  for (Variant& a : args)
    a = a.isEmpty() ? Variant::missing() : a;
  args[0] = Variant::missing();
  Variant r = platform::automation::invoke(list, "AddMenu", platform::automation::kMethod,
                                           platform::automation::ArgList(args));
  EXPECT_TRUE(platform::automation::CBool(r));
  RUZMenu* item = menus()->at(1);
  EXPECT_EQ(item->MenuId, 1);
  EXPECT_EQ(item->MenuParentId, -1);
  EXPECT_TRUE(item->MenuShow);
  EXPECT_EQ(item->MenuDisplayOrder, -1);
}

TEST_F(MenuTest, ChangeFindsByIdAndRefusesAnotherItemsTarget) {
  auto m = menus();
  m->AddMenu(-1, "A", -1, "", "", 0, "", "A", "Table");
  m->AddMenu(-1, "B", -1, "", "", 0, "", "B", "Table");
  EXPECT_TRUE(m->ChangeMenu(2, "B2", -1, "", "", 0, "", "B", "Table", false, 0, true, 3));
  EXPECT_EQ(m->curIndex(), 2);
  EXPECT_EQ(m->at(2)->MenuText, "B2");
  EXPECT_FALSE(m->ChangeMenu(2, "B", -1, "", "", 0, "", "A", "Table", false, 0, true, 3));
  EXPECT_FALSE(m->ChangeMenu(9, "x", -1, "", "", 0, "", "Z", "Table", false, 0, true, 3));
  EXPECT_EQ(m->at(2)->MenuId, 2);
}

TEST_F(MenuTest, DeleteReparentsChildrenRemovesPhrasesAndLowersLargestId) {
  add(1, -1, 1);
  add(2, 1, 1);
  add(3, 2, 1);
  add(4, -1, 2);
  lang()->SetMenuPhrase("en", "1", "MenuText", "Home");
  lang()->SetMenuPhrase("en", "4", "MenuText", "Other");
  EXPECT_FALSE(menus()->DeleteMenu(99));
  EXPECT_EQ(lang()->MenuCount(), 2);
  EXPECT_TRUE(menus()->DeleteMenu(1));
  EXPECT_EQ(menus()->GetItemByID(2)->MenuParentId, -1);
  EXPECT_EQ(menus()->GetItemByID(3)->MenuParentId, 2);
  EXPECT_EQ(lang()->MenuCount(), 1);
  EXPECT_TRUE(menus()->DeleteMenu(4));
  EXPECT_EQ(menus()->largestId(), 3);
  menus()->deleteAll();
  EXPECT_EQ(menus()->Count(), 0);
  EXPECT_EQ(menus()->largestId(), 0);
}

TEST_F(MenuTest, ItemIsAPosition) {
  add(7, -1, 1);
  add(3, -1, 2);
  EXPECT_EQ(menus()->Item(1)->MenuId, 7);
  EXPECT_EQ(menus()->curIndex(), 1);
  EXPECT_EQ(menus()->Item(0), nullptr);
  EXPECT_EQ(menus()->Item(3), nullptr);
  EXPECT_EQ(menus()->curIndex(), 1);
}

TEST_F(MenuTest, SortGivesTreeOrderWithSiblingsByDisplayOrder) {
  // A(1) B(2) top level; D(3) under A; E(4) under B; F(5) under D; any start order.
  std::vector<std::array<int32_t, 3>> items{
      {5, 3, 1}, {2, -1, 1}, {4, 2, 1}, {1, -1, 2}, {3, 1, 1}};
  for (auto& it : items)
    add(it[0], it[1], it[2]);
  menus()->Sort();
  EXPECT_EQ(ids(), (std::vector<int32_t>{2, 4, 1, 3, 5}));
}

TEST_F(MenuTest, SortPutsAChildBehindAParentWithAGreaterId) {
  // Item 1 was moved under the newer item 5, and 5 under 3.
  add(1, 5, 1);
  add(3, -1, 1);
  add(5, 3, 1);
  add(2, -1, 2);
  menus()->Sort();
  EXPECT_EQ(ids(), (std::vector<int32_t>{3, 5, 1, 2}));
}

TEST_F(MenuTest, SortSurvivesACycleOfParents) {
  add(1, 2, 1);
  add(2, 1, 1);
  add(3, -1, 1);
  menus()->Sort();
  ASSERT_EQ(menus()->Count(), 3);
  EXPECT_EQ(ids().front(), 3);
}

TEST_F(MenuTest, LoadReadsMenuElementsOfTheProjectRoot) {
  std::string file = projectFile(
      "<Menu MenuID=\"4\" MenuText=\"Orders\" MenuUrl=\"Orders\" MenuShow=\"True\"/>"
      "<menu menuid=\"x\" menucustomurl=\"1\" menuurl=\"http://a\" menuanonymous=\"99999\"/>"
      "<Menu MenuID=\"2\" menuid=\"6\" MenuDisplayOrder=\"2.5\" MenuParentID=\"4\"/>"
      "<q:Menu MenuID=\"8\"/><Other><Menu MenuID=\"9\"/></Other>",
      "p:PROJECT xmlns:p=\"urn:x\" xmlns:q=\"urn:q\"");
  menus()->AddMenu(40, "old", -1, "", "", 0, "", "Old", "Table");
  ASSERT_TRUE(menus()->LoadMenus(file));
  ASSERT_EQ(menus()->Count(), 3);
  RUZMenu* a = menus()->at(1);
  EXPECT_EQ(a->MenuType, "Table");
  EXPECT_EQ(a->MenuParentId, -1);
  EXPECT_TRUE(a->MenuShow);
  RUZMenu* b = menus()->at(2);
  EXPECT_EQ(b->MenuId, 0);
  EXPECT_EQ(b->MenuType, "");
  EXPECT_EQ(b->MenuAnonymous, 0);
  EXPECT_FALSE(b->MenuShow);
  RUZMenu* c = menus()->at(3);
  EXPECT_EQ(c->MenuId, 6);
  EXPECT_EQ(c->MenuDisplayOrder, 2);
  EXPECT_EQ(c->MenuParentId, 4);
  // The largest id is kept from before the load.
  EXPECT_TRUE(menus()->AddMenu(-1, "n", -1, "", "", 0, "", "N", "Table"));
  EXPECT_EQ(menus()->at(4)->MenuId, 41);
}

TEST_F(MenuTest, LoadFailuresKeepTheMenus) {
  menus()->AddMenu(-1, "A", -1, "", "", 0, "", "A", "Table");
  EXPECT_FALSE(menus()->LoadMenus(env.path("missing.kvz").string()));
  EXPECT_EQ(ctx().ProjErr, "Brindlewood: Load project file failed!");
  env.write("bad.kvz", "<Project><Menu></Project>");
  EXPECT_FALSE(menus()->LoadMenus(env.path("bad.kvz").string()));
  EXPECT_FALSE(menus()->LoadMenus(projectFile("<Menu MenuID=\"3\"/>", "Settings")));
  EXPECT_EQ(ctx().ProjErr, "Brindlewood: Project file is invalid!");
  EXPECT_EQ(menus()->Count(), 1);
}

TEST_F(MenuTest, LoadingMenusKeepsThePhraseOverrides) {
  lang()->SetProjectPhrase("en", "ProjName", "Project");
  lang()->SetMenuPhrase("en", "1", "MenuText", "Menu");
  lang()->AddPhrase("runtime", "kept");
  ASSERT_TRUE(menus()->LoadMenus(projectFile("<Menu MenuID=\"1\" MenuUrl=\"T\"/>")));
  EXPECT_EQ(lang()->GetProjectPhrase("en", "ProjName"), "Project");
  EXPECT_EQ(lang()->GetMenuPhrase("en", "1", "MenuText"), "Menu");
  // A fresh project starts without the previous one's overrides.
  clearPhraseOverrides();
  EXPECT_EQ(lang()->ProjectCount(), 0);
  EXPECT_EQ(lang()->MenuCount(), 0);
  EXPECT_EQ(lang()->Phrase("runtime"), "kept");
}

TEST_F(MenuTest, AttributesByName) {
  RUZMenu m;
  m.loadAttributes({{"MenuShow", "TRUE"}, {"MenuAnonymous", "-3"}, {"MenuLevel", "1e9"}});
  EXPECT_EQ(m.MenuAtt("MenuShow"), "True");
  EXPECT_EQ(m.MenuAtt("menucustomurl"), "False");
  EXPECT_EQ(m.MenuAtt("MENUANONYMOUS"), "-3");
  EXPECT_EQ(m.MenuAtt("menulevel"), "1000000000");
  EXPECT_EQ(m.MenuAtt("MenuFoo"), "");
  EXPECT_TRUE(m.MenuAttExist("MenuDisplayOrder"));
  EXPECT_FALSE(m.MenuAttExist("MenuFoo"));
}

} // namespace

namespace {

// A DOM element as script code hands it over: attributes.length and attributes.item(i) with
// nodeName and nodeValue.
class FakeAttr : public platform::automation::Object {
  QUILLET_OBJECT(FakeAttr)
public:
  std::string name, value;
};
class FakeAttrs : public platform::automation::Object {
  QUILLET_OBJECT(FakeAttrs)
public:
  std::vector<Ref<FakeAttr>> list;
};
class FakeElement : public platform::automation::Object {
  QUILLET_OBJECT(FakeElement)
public:
  Ref<FakeAttrs> attrs = platform::automation::makeRef<FakeAttrs>();
};
QUILLET_DEFINE_CLASS(FakeAttr) {
  b.get("nodeName", [](FakeAttr& a) { return a.name; }).get("nodeValue", [](FakeAttr& a) {
    return a.value;
  });
}
QUILLET_DEFINE_CLASS(FakeAttrs) {
  b.get("length", [](FakeAttrs& a) {
     return static_cast<int32_t>(a.list.size());
   }).method("item", [](FakeAttrs& a, int32_t i) { return a.list.at(static_cast<size_t>(i)); });
}
QUILLET_DEFINE_CLASS(FakeElement) {
  b.get("attributes", [](FakeElement& e) { return e.attrs; });
}

TEST_F(MenuTest, LoadFromAnElementObject) {
  auto el = platform::automation::makeRef<FakeElement>();
  for (auto [n, v] : {std::pair{"MENUID", "12"}, {"menutext", "Orders"}, {"MenuShow", "-1"}}) {
    auto a = platform::automation::makeRef<FakeAttr>();
    a->name = n;
    a->value = v;
    el->attrs->list.push_back(a);
  }
  auto item = platform::automation::makeRef<RUZMenu>();
  Variant target(static_cast<platform::automation::Object*>(item.get()));
  Variant arg(static_cast<platform::automation::Object*>(el.get()));
  platform::automation::invoke(target, "Load", platform::automation::kMethod,
                               platform::automation::ArgList(&arg, 1));
  EXPECT_EQ(item->MenuId, 12);
  EXPECT_EQ(item->MenuText, "Orders");
  EXPECT_TRUE(item->MenuShow);
  EXPECT_EQ(item->MenuParentId, -1);
}

} // namespace
