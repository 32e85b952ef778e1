#include <gtest/gtest.h>

#include "elements/model_env.h"
#include "model/database.h"

using namespace quillet;
using namespace quillet::model;
using platform::automation::Variant;
using quillet::testing::ModelTest;

namespace {

class DatabaseTest : public ModelTest {
protected:
  DatabaseTest() {
    progress = std::make_shared<quillet::testing::RecordingProgress>();
    platform::ui::installProgress(progress);
  }
  std::shared_ptr<quillet::testing::RecordingProgress> progress;
};

TEST_F(DatabaseTest, ListHoldsOneDatabase) {
  setDefault(ctx().DatabaseDefaultsKey, "MaxUploadSize", Variant(int32_t(2000)), 4);
  RUZDatabases l;
  ctx().ProjErr = "earlier";
  l.Add("Shop");
  EXPECT_EQ(ctx().ProjErr, "");
  EXPECT_EQ(l.Count(), 1);
  EXPECT_EQ(l.curName(), "Shop");
  EXPECT_EQ(l.curSeq(), "1");
  l.Add("Other");
  EXPECT_EQ(ctx().ProjErr, "support 1 db only!");
  EXPECT_EQ(l.Count(), 1);
  Ref<RUZDatabase> db = l.Item(Variant("SHOP"));
  EXPECT_EQ(db->Key(), "Shop");
  EXPECT_EQ(db->MaxUploadSize(), 2000);
  EXPECT_EQ(db->Properties()->Count(), 31);
  EXPECT_THROW(l.Item(Variant("none")), platform::automation::Error);
  EXPECT_THROW(l.Delete(Variant("none")), platform::automation::Error);
  db->setSecDefault("admin");
  EXPECT_EQ(ctx().SecurityDefault, "admin");
  // Provider values are read-only by name.
  Variant v(static_cast<platform::automation::Object*>(db.get()));
  EXPECT_THROW(platform::automation::let(v, "DBDBMSName", Variant("x")),
               platform::automation::Error);
}

TEST_F(DatabaseTest, DeletingTheDatabaseUnloadsItsTablesWithProgress) {
  RUZDatabases l;
  l.Add("Shop");
  Ref<RUZDatabase> db = l.Item(Variant(int16_t(1)));
  db->setSecDefault("admin");
  auto tables = db->Tables();
  tables->Add("Orders");
  tables->Item(Variant("Orders"))->setTblType("TABLE");
  tables->Add("Totals");
  tables->Item(Variant("Totals"))->setTblType("VIEW");
  menus()->AddMenu(-1, "", -1, "", "", 0, "", "Orders", "Table");
  l.Delete(Variant("Shop"));
  EXPECT_EQ(l.Count(), 0);
  EXPECT_EQ(progress->steps,
            (std::vector<std::string>{"show Brindlewood - Unloading Database... | Please wait...",
                                      "text Unloading VIEW Totals...", "percent 50",
                                      "text Unloading TABLE Orders...", "percent 0", "close"}));
  EXPECT_EQ(ctx().StatusCaption, "Brindlewood - Unloading Database...");
  EXPECT_EQ(ctx().SecurityDefault, "");
  EXPECT_EQ(menus()->Count(), 0);
  EXPECT_EQ(tables->Count(), 0);
}

TEST_F(DatabaseTest, EmptyDatabaseStillShowsAndClosesTheDisplay) {
  RUZDatabases l;
  l.Add("Empty");
  l.Delete(Variant(int16_t(1)));
  EXPECT_EQ(progress->steps.size(), 2u);
  EXPECT_EQ(progress->steps.back(), "close");
}

} // namespace
