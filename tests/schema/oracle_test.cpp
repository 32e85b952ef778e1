// Oracle through a recorded catalogue: the schema choice, insert triggers and the data
// dictionary's type names.
#include <gtest/gtest.h>

#include "platform/ui/ui.h"
#include "schema_env.h"

namespace quillet::schema {
namespace {

using platform::automation::Variant;
using quillet::testing::SchemaTest;

const std::string kConn =
    "Provider=Quillet.Recorded;Data Source=" QUILLET_TEST_DIR "/fixtures/oracle_hr.json";

class Oracle : public SchemaTest {
protected:
  Oracle() { platform::ui::install(ui); }
  int16_t load(const std::string& uid, const std::string& schema = "") {
    return db->LoadADODB(Variant("OTHER"), Variant(""), Variant(uid), Variant(""), Variant(kConn),
                         Variant(""), Variant(schema));
  }
  std::shared_ptr<platform::ui::ScriptedUi> ui = std::make_shared<platform::ui::ScriptedUi>();
};

TEST_F(Oracle, TheUsersOwnSchemaNeedsNoQuestion) {
  ASSERT_EQ(load("scott"), 0) << ctx().ProjErr;
  EXPECT_EQ(tableNames(), std::vector<std::string>{"EMP"});
  EXPECT_EQ(db->DBSchema(), "SCOTT");
  EXPECT_TRUE(ui->asked().empty());
}

TEST_F(Oracle, ChosenSchemaTriggersAndTypeNames) {
  ui->answer("HR");
  ASSERT_EQ(load("nobody"), 0) << ctx().ProjErr;
  ASSERT_EQ(ui->asked().size(), 1u);
  EXPECT_EQ(ui->asked()[0].options, (std::vector<std::string>{"HR", "SCOTT", "Cancel"}));
  EXPECT_EQ(db->DBSchema(), "HR");
  EXPECT_EQ(tableNames(), (std::vector<std::string>{"EMPLOYEES", "DEPTS", "EMP_VIEW"}));
  EXPECT_EQ(db->DBQuoteS(), "\"");
  auto id = field("EMPLOYEES", "EMP_ID");
  EXPECT_TRUE(id->FldAutoIncrement());
  EXPECT_FALSE(id->FldAdd());
  EXPECT_TRUE(id->FldIsPrimaryKey());
  EXPECT_EQ(id->FldTypeName(), "NUMBER");
  EXPECT_TRUE(field("EMPLOYEES", "NAME")->FldUniqueIdx());
  EXPECT_TRUE(field("EMPLOYEES", "NAME")->FldRequired());
  EXPECT_FALSE(field("EMPLOYEES", "HIRED")->FldRequired());
  EXPECT_EQ(table("EMPLOYEES")->TblKey(), "EMP_ID");
  EXPECT_FALSE(field("DEPTS", "DEPT_ID")->FldAutoIncrement());
  EXPECT_EQ(table("EMP_VIEW")->TblKey(), "");

  // A custom view name with a blank is refused on Oracle.
  ASSERT_EQ(
      db->LoadADOCustomView(Variant(kConn), Variant("my view"), Variant("SELECT 1 FROM dual")), 0);
  EXPECT_EQ(table("my view")->TblCustomError(),
            "Brindlewood: Oracle Table/View Name [my view] contain spaces,table not loaded!");
}

TEST_F(Oracle, ACancelledChoiceLoadsNothing) {
  ui->answer("Cancel");
  EXPECT_EQ(load("nobody"), 1);
  EXPECT_NE(ctx().ProjErr, "");
  EXPECT_EQ(db->Tables()->Count(), 0);
}

} // namespace
} // namespace quillet::schema
