#include <gtest/gtest.h>

#include "elements/model_env.h"

using namespace quillet;
using namespace quillet::elements;
using quillet::testing::ModelTest;

namespace {

class LanguageTest : public ModelTest {};

TEST_F(LanguageTest, OverridesUpdateOnEqualKeysAndCountCase) {
  RUZLanguage l;
  l.SetMenuPhrase("en", "1", "MenuText", "a");
  l.SetMenuPhrase("en", "1", "MenuText", "b");
  EXPECT_EQ(l.MenuCount(), 1);
  EXPECT_EQ(l.GetMenuPhrase("en", "1", "MenuText"), "b");
  l.SetMenuPhrase("EN", "1", "MenuText", "c");
  EXPECT_EQ(l.MenuCount(), 2);
  l.SetTablePhrase("en", "Orders", "TblCaption", "Bestellungen");
  EXPECT_EQ(l.GetTablePhrase("en", "orders", "TblCaption"), "");
  l.SetProjectPhrase("en", "ProjName", "");
  EXPECT_TRUE(l.HasProjectPhrase("ProjName"));
  EXPECT_EQ(l.ProjectCount(), 1);
  auto rec = l.FieldItem(1);
  EXPECT_EQ(rec->fields, (std::array<std::string, 5>{}));
  EXPECT_EQ(l.ChartItem(0)->fields[4], "");
  auto menuRec = l.MenuItem(2);
  EXPECT_EQ(menuRec->fields[0], "EN");
  EXPECT_EQ(l.curIndex(), 0);
}

TEST_F(LanguageTest, ResetAndDeleteRemoveOnlyMatchingRecords) {
  RUZLanguage l;
  l.SetTablePhrase("en", "A", "TblCaption", "1");
  l.SetTablePhrase("de", "B", "TblCaption", "2");
  l.SetTablePhrase("en", "A", "TblRemark", "3");
  l.ResetTablePhrase("TblCaption");
  ASSERT_EQ(l.TableCount(), 1);
  EXPECT_EQ(l.TableItem(1)->fields[3], "3");
  l.SetChartPhrase("en", "T1", "Sales", "ChartCaption", "x");
  l.SetChartPhrase("en", "T2", "Sales", "ChartCaption", "y");
  l.DeleteChartPhrase("T1", "Sales");
  ASSERT_EQ(l.ChartCount(), 1);
  EXPECT_EQ(l.ChartItem(1)->fields[1], "T2");
  l.SetFieldPhrase("en", "T", "Id", "FldCaption", "x");
  l.SetFieldPhrase("en", "T", "ID", "FldCaption", "y");
  l.DeleteFieldPhrase("T", "Id");
  EXPECT_EQ(l.FieldCount(), 1);
  l.deleteFieldPhrasesAnyCase("t", "id");
  EXPECT_EQ(l.FieldCount(), 0);
}

TEST_F(LanguageTest, RuntimePhrasesIgnoreCase) {
  RUZLanguage l;
  EXPECT_TRUE(l.AddPhrase("Hello", "Hallo"));
  EXPECT_FALSE(l.AddPhrase("HELLO", "x"));
  EXPECT_EQ(l.Phrase("hello"), "Hallo");
  EXPECT_FALSE(l.ReplacePhrase("Bye", "x"));
  EXPECT_TRUE(l.ReplacePhrase("hELLo", "Servus"));
  EXPECT_EQ(l.Phrase("Hello"), "Servus");
  EXPECT_EQ(l.Count(), 1);
}

TEST_F(LanguageTest, RuntimeTableHasNoSixteenBitLimit) {
  RUZLanguage l;
  for (int i = 0; i < 33000; ++i)
    l.AddPhrase("p" + std::to_string(i), "v");
  EXPECT_EQ(l.Count(), 33000);
  EXPECT_EQ(l.Phrase("P32999"), "v");
  EXPECT_TRUE(l.AddPhrase("last", "w"));
}

TEST_F(LanguageTest, CheckPointIsADeepCopy) {
  RUZLanguage l;
  l.SetProjectPhrase("en", "A", "1");
  l.AddPhrase("x", "1");
  l.RestoreCheckPoint(); // nothing saved yet: empties
  EXPECT_EQ(l.ProjectCount(), 0);
  EXPECT_EQ(l.Count(), 0);
  l.SetProjectPhrase("en", "A", "1");
  l.SetFieldPhrase("en", "T", "F", "FldCaption", "c");
  l.AddPhrase("x", "1");
  l.SaveCheckPoint();
  l.SetProjectPhrase("en", "A", "2");
  l.DeleteFieldPhrase("T", "F");
  l.ReplacePhrase("x", "2");
  l.RestoreCheckPoint();
  EXPECT_EQ(l.GetProjectPhrase("en", "A"), "1");
  EXPECT_EQ(l.GetFieldPhrase("en", "T", "F", "FldCaption"), "c");
  EXPECT_EQ(l.Phrase("x"), "1");
  l.SetProjectPhrase("en", "A", "3");
  l.RestoreCheckPoint();
  EXPECT_EQ(l.GetProjectPhrase("en", "A"), "1");
  l.InitSettings();
  EXPECT_EQ(l.ProjectCount() + l.FieldCount() + l.Count(), 0);
  l.RestoreCheckPoint();
  EXPECT_EQ(l.ProjectCount(), 1);
}

TEST_F(LanguageTest, LanguageFilesByFileName) {
  env.write("lang/german.xml", "<?xml version=\"1.0\"?><ew-language ID=\"de\" desc=\"Deutsch\"/>");
  env.write("lang/french.xml", "<language id=\"fr\"/>");
  env.write("lang/broken.xml", "<language id=\"x\">");
  RUZLanguage l;
  std::string dir = env.path("lang").string();
  EXPECT_TRUE(l.Load(dir + "/german.xml"));
  EXPECT_TRUE(l.LoadExtension(dir + "/french.xml"));
  EXPECT_FALSE(l.Load(dir + "/broken.xml"));
  EXPECT_FALSE(l.Load(dir + "/none.xml"));
  EXPECT_EQ(l.fileCount(), 2);
  EXPECT_EQ(l.GetFileId("german.xml"), "de");
  EXPECT_EQ(l.GetFileDesc("german.xml"), "Deutsch");
  EXPECT_EQ(l.GetFileDesc("french.xml"), "");
  EXPECT_EQ(l.GetFileId(dir + "/german.xml"), "");
  EXPECT_EQ(l.GetFileId("German.xml"), "");
  // A path written with backslashes is split at them as well.
  EXPECT_TRUE(l.Load(dir + "\\german.xml"));
  EXPECT_EQ(l.fileCount(), 3);
  l.ResetFiles();
  EXPECT_EQ(l.GetFileId("german.xml"), "");
}

} // namespace
