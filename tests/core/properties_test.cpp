#include "core/properties.h"

#include <gtest/gtest.h>

#include "core/setting_element.h"
#include "core/state.h"
#include "core/test_env.h"

namespace quillet::core {
namespace {

using automation::VarType;

class PropertiesTest : public testing::CoreTest {};

TEST_F(PropertiesTest, AddRefusesEmptyAndDuplicateNames) {
  AGProperties bag;
  EXPECT_TRUE(bag.Add("FldName", "String"));
  EXPECT_FALSE(bag.Add("fldname", "String"));
  EXPECT_FALSE(bag.Add(""));
  EXPECT_EQ(bag.Count(), 1);
  AGProperty* p = bag.find("FLDNAME");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->DataType(), "String");
  EXPECT_FALSE(p->RegSave());
  EXPECT_TRUE(p->Value().isEmpty());
}

TEST_F(PropertiesTest, DeleteAndPropertyExist) {
  AGProperties bag;
  bag.Add("FldName", "String");
  EXPECT_FALSE(bag.Delete(Variant("")));
  EXPECT_FALSE(bag.Delete(Variant("Other")));
  EXPECT_TRUE(bag.PropertyExist(Variant("fldNAME")));
  EXPECT_TRUE(bag.Delete(Variant("FldName")));
  EXPECT_FALSE(bag.PropertyExist(Variant("FldName")));
  bag.Add("7");
  EXPECT_TRUE(bag.PropertyExist(Variant(int32_t(7)))); // a number names its decimal text
}

TEST_F(PropertiesTest, ReadingAnUnknownNameAddsAProvisionalSetting) {
  AGProperties bag;
  Ref<AGProperty> p = bag.Item("Probe");
  ASSERT_TRUE(p);
  EXPECT_EQ(bag.Count(), 1);
  EXPECT_EQ(p->DataType(), "String");
  EXPECT_FALSE(p->RegSave());
  EXPECT_EQ(p->RegFormat(), 0);
  EXPECT_TRUE(p->Value().isEmpty());
  // Not saved nor synchronised while nobody writes it ...
  EXPECT_FALSE(p->FileSave());
  EXPECT_FALSE(p->Sync());
  EXPECT_EQ(bag.Item("PROBE").get(), p.get());
  // ... an ordinary saved setting once written.
  automation::let(Variant(p), "Value", Variant("x"));
  EXPECT_TRUE(p->FileSave());
  EXPECT_TRUE(p->Sync());
  EXPECT_FALSE(bag.Item("").get());
  // A number is a position; it adds nothing.
  EXPECT_EQ(bag.Item(Variant(int16_t(1))).get(), p.get());
  EXPECT_FALSE(bag.Item(Variant(int16_t(5))).get());
  EXPECT_EQ(bag.Count(), 1);
}

TEST_F(PropertiesTest, PropertyKeyIsItsName) {
  auto p = automation::makeRef<AGProperty>();
  Variant v(p);
  automation::let(v, "Key", Variant("TblName"));
  EXPECT_EQ(p->Name(), "TblName");
  EXPECT_EQ(automation::CStr(automation::get(v, "name")), "TblName");
  automation::let(v, "RegFormat", Variant("4"));
  EXPECT_EQ(p->RegFormat(), 4);
}

TEST_F(PropertiesTest, DeletingEveryPropertyInOneWalk) {
  auto bag = automation::makeRef<AGProperties>();
  for (const char* n : {"A", "B", "C", "D"})
    bag->Add(n, "String");
  auto it = Variant(bag).asObject()->newEnum();
  Variant v;
  int visited = 0;
  while (it->next(v)) {
    ++visited;
    bag->Delete(automation::get(v, "Name"));
  }
  EXPECT_EQ(visited, 4);
  EXPECT_EQ(bag->Count(), 0);
}

TEST_F(PropertiesTest, WalksSeeAppendsAndRemovalsAndNamesStayAsAdded) {
  auto bag = automation::makeRef<AGProperties>();
  for (int i = 0; i < 300; ++i)
    bag->Add("Setting" + std::to_string(i), "String");
  auto it = Variant(bag).asObject()->newEnum();
  Variant v;
  std::vector<std::string> seen;
  while (it->next(v)) {
    std::string name = automation::CStr(automation::get(v, "Name"));
    seen.push_back(name);
    if (name == "Setting0") {
      bag->Delete(Variant("SETTING1")); // ahead of the walk: not visited
      bag->Add("Late", "String");       // appended: visited at the end
    }
  }
  ASSERT_EQ(seen.size(), 300u);
  EXPECT_EQ(seen[1], "Setting2");
  EXPECT_EQ(seen.back(), "Late");
  EXPECT_EQ(bag->Count(), 300);
  EXPECT_EQ(bag->at(300)->Name(), "Late");
  for (int i = 2; i < 300; ++i)
    ASSERT_EQ(bag->find("setting" + std::to_string(i)), bag->at(i)) << i;

  // A renamed property is still found by the name it was added with, not the new one.
  automation::let(Variant(Ref<AGProperty>(bag->find("Setting5"))), "Name", Variant("Other"));
  EXPECT_EQ(bag->find("Setting5")->Name(), "Other");
  EXPECT_EQ(bag->find("Other"), nullptr);
  // Beyond ASCII, names fold with Unicode case folding.
  EXPECT_TRUE(bag->Add("Straße", "String"));
  EXPECT_FALSE(bag->Add("STRASSE", "String"));
  EXPECT_TRUE(bag->Delete(Variant("strasse")));
  EXPECT_EQ(bag->find("Straße"), nullptr);
}

TEST_F(PropertiesTest, ConvertValueTable) {
  struct Case {
    Variant value;
    const char* type;
    VarType resultType;
    const char* text; // CStr of the result ("" for Empty)
  } cases[] = {
      {Variant("12"), "Integer", VarType::Integer, "12"},
      {Variant("40000"), "Integer", VarType::Empty, ""},
      {Variant("-32768"), "Integer", VarType::Integer, "-32768"},
      {Variant("32768"), "Integer", VarType::Empty, ""},
      {Variant("-"), "Integer", VarType::Empty, ""},
      {Variant("007"), "Long", VarType::Long, "7"},
      {Variant("2147483647"), "Long", VarType::Long, "2147483647"},
      {Variant("0"), "Boolean", VarType::Boolean, "False"},
      {Variant("1"), "Boolean", VarType::Boolean, "True"},
      {Variant("2.5"), "Long", VarType::Long, "2"},
      {Variant("3.5"), "long", VarType::Long, "4"},
      {Variant("true"), "BOOLEAN", VarType::Boolean, "True"},
      {Variant("False"), "Boolean", VarType::Boolean, "False"},
      {Variant(""), "Boolean", VarType::Empty, ""},
      {Variant(), "Boolean", VarType::Boolean, "False"},
      {Variant("-1"), "Boolean", VarType::Boolean, "True"},
      {Variant("abc"), "Long", VarType::Empty, ""},
      {Variant::null(), "Integer", VarType::Empty, ""},
      {Variant(true), "Integer", VarType::Integer, "-1"},
      {Variant("1.25"), "Double", VarType::Double, "1.25"},
      {Variant("1.5"), "Single", VarType::Single, "1.5"},
      {Variant("'abc'"), "String", VarType::String, "abc"},
      {Variant("'A','B'"), "String", VarType::String, "'A','B'"},
      {Variant(int32_t(5)), "String", VarType::String, "5"},
      {Variant(), "String", VarType::String, ""},
      {Variant(" 'x' "), "Variant", VarType::String, " 'x' "},
      {Variant("7"), "", VarType::String, "7"},
  };
  for (const Case& c : cases) {
    Variant r = ConvertValue(c.value, c.type);
    EXPECT_EQ(r.type(), c.resultType) << automation::CStr(c.value) << " as " << c.type;
    EXPECT_EQ(r.isEmpty() ? std::string() : automation::CStr(r), c.text)
        << automation::CStr(c.value) << " as " << c.type;
  }
  EXPECT_EQ(ConvertDefaultValue(Variant("'q'"), "String").asString(), "'q'");
  EXPECT_EQ(ConvertDefaultValue(Variant("4"), "Integer").type(), VarType::Integer);
}

TEST_F(PropertiesTest, StripQuotes) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {R"(  "'abc'"  )", "abc"},
      {R"("")", ""},
      {R"("abc')", R"("abc')"},
      {"  plain  ", "plain"},
      {"'A','B'", "'A','B'"}, // quotes inside that close earlier stay
      {R"("a" or "b")", R"("a" or "b")"},
      {R"("say ""hi""")", R"(say ""hi"")"}, // doubled quotes are inside the pair
      {"\t'x'\t", "\t'x'\t"},               // only spaces are trimmed
      {"'", "'"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(StripQuotes(c.in), c.out) << c.in;
}

// A small element catalogue of our own for the machinery.
#define SAMPLE_SETTINGS(X)                                                                         \
  X(SmpName, String, false, 0, true, false)                                                        \
  X(SmpSeq, Integer, false, 0, false, false)                                                       \
  X(SmpBold, Boolean, true, 1, true, true)                                                         \
  X(SmpWidth, Long, true, 4, true, true)                                                           \
  X(SmpAlign, String, true, 1, true, true)                                                         \
  X(SmpMin, Variant, false, 0, true, true)                                                         \
  X(SmpRatio, Double, false, 0, true, true, "0.5")

constexpr SettingDef kSampleSettings[] = {SAMPLE_SETTINGS(QUILLET_SETTING_DEF)};
constexpr Catalogue kSampleCatalogue{kSampleSettings, "Field", "SmpName"};

class Sample : public SettingElement {
  QUILLET_OBJECT(Sample)
public:
  Sample() : SettingElement(kSampleCatalogue) {}
  SAMPLE_SETTINGS(QUILLET_SETTING_ACCESSOR)
};
QUILLET_DEFINE_CLASS(Sample) {
  addSettingMembers(b, kSampleCatalogue);
  addNameAccess(b);
}

class ElementTest : public testing::CoreTest {};

TEST_F(ElementTest, CatalogueOrderFlagsAndDefaults) {
  env.write("config/brindlewood/user.reg", "[Software\\Brindlewood\\4.0\\Settings\\Field]\n"
                                           "\"SmpWidth\"=dword:00000078\n"
                                           "\"SmpAlign\"=\"'right'\"\n");
  auto s = automation::makeRef<Sample>();
  auto props = s->Properties()->list();
  ASSERT_EQ(props.size(), std::size(kSampleSettings));
  for (size_t i = 0; i < props.size(); ++i)
    EXPECT_EQ(props[i]->Name(), kSampleSettings[i].name);
  EXPECT_EQ(props[3]->DataType(), "Long");
  EXPECT_EQ(props[3]->RegFormat(), 4);
  EXPECT_FALSE(props[1]->FileSave());
  // Registry defaults, converted by type; a missing Boolean is False, not Empty.
  EXPECT_EQ(s->Properties()->find("SmpBold")->Value().type(), VarType::Boolean);
  EXPECT_FALSE(s->SmpBold());
  EXPECT_EQ(s->SmpWidth(), 120);
  EXPECT_EQ(s->SmpAlign(), "right");
  EXPECT_TRUE(s->Properties()->find("SmpName")->Value().isEmpty());
  EXPECT_DOUBLE_EQ(s->SmpRatio(), 0.5);
}

TEST_F(ElementTest, TypedAccessorsAndDispatch) {
  auto s = automation::makeRef<Sample>();
  Variant v(s);
  s->setSmpSeq(3);
  EXPECT_EQ(s->Properties()->find("SmpSeq")->Value().type(), VarType::Integer);
  automation::let(v, "smpseq", Variant("7"));
  EXPECT_EQ(automation::get(v, "SmpSeq").type(), VarType::Integer);
  EXPECT_EQ(s->SmpSeq(), 7);
  automation::let(v, "Key", Variant("Orders"));
  EXPECT_EQ(s->SmpName(), "Orders");
  EXPECT_EQ(automation::CStr(automation::get(v, "Key")), "Orders");
  // A stored value that is no number fails the typed read with type mismatch.
  s->Properties()->find("SmpSeq")->setValue(Variant("abc"));
  try {
    s->SmpSeq();
    FAIL();
  } catch (const automation::Error& e) {
    EXPECT_EQ(e.number(), 13);
  }
  EXPECT_TRUE(automation::get(v, "Properties").isObject());
}

TEST_F(ElementTest, GetVAndSetV) {
  auto s = automation::makeRef<Sample>();
  s->setSmpBold(true);
  EXPECT_EQ(s->GetV("SmpBold"), "True");
  EXPECT_EQ(s->GetV("SmpName"), "");
  s->SetV("SmpSeq", "5");
  EXPECT_EQ(s->Properties()->find("SmpSeq")->Value().type(), VarType::Integer);
  s->SetV("SmpSeq", "lots");
  EXPECT_TRUE(s->Properties()->find("SmpSeq")->Value().isEmpty());
  s->SetV("SmpName", "'Orders'");
  EXPECT_EQ(s->SmpName(), "Orders");

  // An unknown name read by GetV is kept, but not saved until written.
  int32_t before = s->Properties()->Count();
  EXPECT_EQ(s->GetV("Typo"), "");
  EXPECT_EQ(s->Properties()->Count(), before + 1);
  AGProperty* typo = s->Properties()->find("Typo");
  EXPECT_EQ(typo->Value().asString(), "");
  EXPECT_FALSE(typo->FileSave());
  // Written by SetV, an unknown name is a saved text setting holding the text as given.
  s->SetV("Extra", " 'q' ");
  EXPECT_EQ(s->Properties()->find("Extra")->Value().asString(), " 'q' ");
  EXPECT_TRUE(s->Properties()->find("Extra")->FileSave());
  // Once read, the name is a "String" setting of the bag and SetV converts by that type.
  s->SetV("typo", " '5' ");
  EXPECT_EQ(typo->Value().asString(), "5");
  EXPECT_TRUE(typo->FileSave());
  std::vector<Variant> args{Variant("SmpSeq")};
  EXPECT_EQ(automation::CStr(automation::invoke(Variant(s), "GetV", automation::kMethod,
                                                automation::ArgList(args))),
            "");
}

TEST_F(ElementTest, ClearProperties) {
  auto s = automation::makeRef<Sample>();
  s->ClearProperties();
  EXPECT_EQ(s->Properties()->Count(), 0);
}

} // namespace
} // namespace quillet::core
