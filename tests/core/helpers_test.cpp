#include <gtest/gtest.h>

#include "core/core.h"
#include "core/dialect.h"
#include "core/identifiers.h"
#include "core/status.h"
#include "core/test_env.h"
#include "core/text_helpers.h"
#include "platform/automation/factory.h"
#include "platform/text/encoding.h"
#include "platform/ui/ui.h"

namespace quillet::core {
namespace {

namespace ui = ::quillet::platform::ui;
using Kind = ::quillet::platform::data::DatabaseKind;

class TextHelpersTest : public testing::CoreTest {};

TEST_F(TextHelpersTest, CharsetsAndCaptions) {
  EXPECT_EQ(CodePageToCharset(Variant(std::string("437\0\0 ", 6))), "iso-8859-1");
  EXPECT_EQ(CodePageToCharset(Variant(int32_t(1251))), "iso-8859-5");
  EXPECT_EQ(CodePageToCharset(Variant("57002")), "");
  EXPECT_EQ(CodePageToCharset(Variant("12345")), "");
  InitSystemCharset();
  EXPECT_EQ(SystemCharsetValues().SystemCodePage, "1252");
  EXPECT_EQ(SystemCharsetValues().SystemCharset, "iso-8859-1");

  struct Case {
    const char* in;
    const char* out;
  } captions[] = {{"", ""},
                  {"order_date", "order date"},
                  {"CustomerID", "Customer ID"},
                  {"Field1", "Field 1"},
                  {"HTMLPage", "HTMLPage"},
                  {"Price(USD)", "Price (USD)"},
                  {"  a--b  ", "a b"},
                  {"a1b2", "a 1b 2"}};
  for (const Case& c : captions)
    EXPECT_EQ(NameToCaption(c.in), c.out) << c.in;
  EXPECT_EQ(SplitWordCase("ABC1"), "ABC1");
  EXPECT_EQ(CompactName("My Shop/Reports"), "MyShopReports");
}

TEST_F(TextHelpersTest, NumbersTimesLinesAndPaths) {
  EXPECT_EQ(CalcPercent(5, 0), 100);
  EXPECT_EQ(CalcPercent(0, 0), 0);
  EXPECT_EQ(CalcPercent(1, 8), 12);
  EXPECT_EQ(CalcPercent(3, 8), 38);
  auto serial = automation::makeDate(2024, 1, 5, 14, 3, 9);
  EXPECT_EQ(FormatTimestamp(Variant(automation::DateTime{*serial})), "2024/01/05 14:03:09");
  EXPECT_EQ(FormatTimestamp(Variant("1/5/2024")), "2024/01/05 00:00:00");
  EXPECT_EQ(FormatTimestamp(Variant("no date")), "no date");
  EXPECT_EQ(ZeroPad(Variant(int32_t(7)), 2), "07");
  EXPECT_THROW(ZeroPad(Variant("12345"), 4), automation::Error);

  EXPECT_EQ(SortTextLines("   "), "");
  EXPECT_EQ(SortTextLines("  one  "), "  one  ");
  EXPECT_EQ(SortTextLines("b\r\na\r\n"), "\r\na\r\nb");
  EXPECT_EQ(SortTextLines("c\r\n a\r\nb"), "a\r\nb\r\nc");

  EXPECT_EQ(AddBackslash(""), "");
  EXPECT_EQ(AddBackslash(" C:\\x "), "C:\\x\\");
  EXPECT_EQ(AddBackslash("a/"), "a/");
  EXPECT_EQ(AddBackslash("/srv/out"), "/srv/out/");
  EXPECT_EQ(GetSpecialFolderPath(0, kFolderDocuments), env.path("home/Documents").string());
  ::unsetenv("XDG_DOCUMENTS_DIR");
  EXPECT_EQ(GetSpecialFolderPath(0, kFolderDocuments), env.path("home").string() + "/Documents");
  EXPECT_EQ(GetSpecialFolderPath(0, 26), "");
  WinVersionInfo info;
  GetWinVersion(info);
  EXPECT_EQ(info.PlatformId, 2);
  EXPECT_FALSE(info.Version.empty());
}

TEST_F(TextHelpersTest, TextFilesInAnyEncoding) {
  env.write("utf8bom.txt", "\xEF\xBB\xBFh\xC3\xA9llo");
  env.write("utf16le.txt", std::string("\xFF\xFEh\0\xE9\0", 6));
  env.write("utf16be.txt", std::string("\xFE\xFF\0h\0\xE9", 6));
  env.write("ansi.txt", "caf\xE9");
  env.write("empty.txt", "");
  env.write("bom2.txt", "\xFF\xFE");
  auto read = [&](const char* f) { return ReadTextFile(Variant(env.path(f).string())); };
  EXPECT_EQ(read("utf8bom.txt").asString(), "h\xC3\xA9llo");
  EXPECT_EQ(read("utf16le.txt").asString(), "h\xC3\xA9");
  EXPECT_EQ(read("utf16be.txt").asString(), "h\xC3\xA9");
  EXPECT_EQ(read("ansi.txt").asString(), "caf\xC3\xA9");
  EXPECT_EQ(read("empty.txt").asString(), "");
  EXPECT_TRUE(read("missing.txt").isEmpty());
  EXPECT_EQ(DetectFileEncoding(Variant(env.path("utf8bom.txt").string())), "UTF-8");
  EXPECT_EQ(DetectFileEncoding(Variant(env.path("utf16be.txt").string())), "UNICODE BIG");
  EXPECT_EQ(DetectFileEncoding(Variant(env.path("bom2.txt").string())), "UNICODE");
  EXPECT_EQ(DetectFileEncoding(Variant(env.path("ansi.txt").string())), "");
  EXPECT_EQ(ReadUtf8File(Variant(env.path("utf8bom.txt").string())), "h\xC3\xA9llo");
  EXPECT_EQ(BytesToHex("\xEF\xBB\xBF"), "EFBBBF");
  EXPECT_EQ(BytesToHex(std::string("\0\x0A", 2)), "A");
  EXPECT_EQ(BytesToHex(""), "0");
}

class IdentifiersTest : public testing::CoreTest {
protected:
  void keywords(const std::string& body, const char* root = "brindlewood.keyword") {
    env.write("kw.xml",
              std::string("<?xml version=\"1.0\"?><") + root + ">" + body + "</" + root + ">");
  }
  bool load() { return SharedKeywords().Load(env.path("kw.xml").string()); }
};

TEST_F(IdentifiersTest, KeywordFile) {
  keywords("<keyword lang=\"VB\" value=\"Date\"/><Keyword LANG=\"C#\" Value=\"class\"/>"
           "<keyword lang=\"*\" value=\"select\"/><other lang=\"VB\" value=\"x\"/>"
           "<keyword lang=\"VB\" value=\"Date\"/>");
  ASSERT_TRUE(load());
  RUZKeyword& k = SharedKeywords();
  EXPECT_EQ(k.Count(), 3);
  EXPECT_TRUE(load());
  EXPECT_EQ(k.Count(), 3);
  EXPECT_TRUE(k.IsKeyword("vb", "DATE"));
  EXPECT_FALSE(k.IsKeyword("C#", "Class"));
  EXPECT_TRUE(k.IsKeyword("c#", "class"));
  EXPECT_TRUE(k.IsKeyword("Python", "select"));
  EXPECT_FALSE(k.IsKeyword("Python", "SELECT"));

  keywords("<keyword lang=\"VB\" value=\"Other\"/>", "wrong.keyword");
  EXPECT_FALSE(load());
  EXPECT_EQ(k.loadError(), "Keyword file is invalid!");
  EXPECT_EQ(k.Count(), 3);
}

TEST_F(IdentifiersTest, FailedLoadsShowOneMessage) {
  auto answers = std::make_shared<ui::ScriptedUi>();
  ui::install(answers);
  RUZKeyword k;
  EXPECT_FALSE(k.Load(env.path("none.xml").string()));
  EXPECT_FALSE(k.Load(env.path("none.xml").string()));
  EXPECT_EQ(k.loadError(), "Load keyword file failed!");
  ASSERT_EQ(answers->asked().size(), 1u);
  EXPECT_EQ(answers->asked()[0].title, "Brindlewood");
  EXPECT_NE(answers->asked()[0].prompt.find("failed. Please check your keyword file."),
            std::string::npos);
}

TEST_F(IdentifiersTest, MakeVarName) {
  struct Case {
    const char* name;
    const char* prefix;
    const char* out;
  };
  // No keyword file read yet: only the characters decide.
  const Case bare[] = {{"", "", ""}, {"", "x_", "x_"}, {"Date", "", "Date"}};
  for (const Case& c : bare)
    EXPECT_EQ(MakeVarName(c.name, c.prefix), c.out) << c.name;

  keywords("<keyword lang=\"VB\" value=\"Date\"/><keyword lang=\"VB\" value=\"zDay\"/>"
           "<keyword lang=\"VB\" value=\"Day\"/><keyword lang=\"C#\" value=\"class\"/>"
           "<keyword lang=\"VB\" value=\"Sub-Total\"/>");
  ASSERT_TRUE(load());
  ctx().CurrentProgramLanguage = "VB";
  const Case cases[] = {
      {"Date", "x_", "x_zDate"},
      {"DATE", "", "zDATE"}, // VB keywords ignore letter case
      {"Order Date", "", "Order_Date"},
      {"Order_Date", "", "Order_Date"},
      {"Unit-Price", "", "Unit2DPrice"},
      {"1st Qtr", "", "z1st_Qtr"},
      {"_id", "", "z_id"},
      {"Day", "", "zzDay"}, // Day and zDay both reserved
      {"zDay", "", "zzDay"},
      {"zip", "", "zip"},
      {"Zone", "x_", "x_Zone"},
      {"OrderDate", "", "OrderDate"},
      {"order_id", "x_", "x_order_id"},
      {"class", "", "class"},                 // another language's keyword
      {"Sub-Total", "", "zSub2DTotal"},       // tested before the "-" is replaced
      {"caf\xC3\xA9", "", "cafE9"},           // UTF-16 code, not the UTF-8 bytes
      {"\xE2\x82\xAC 5", "", "z20AC_5"},      // euro sign
      {"a\xF0\x9F\x98\x80", "", "aD83DDE00"}, // beyond the basic plane: both halves
      {"-", "", "z2D"},
      {" ", "", "z_"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MakeVarName(c.name, c.prefix), c.out) << c.name;
  ctx().CurrentProgramLanguage = "C#";
  EXPECT_EQ(MakeVarName("class", ""), "zclass");
  EXPECT_EQ(MakeVarName("Class", ""), "Class");
}

TEST_F(IdentifiersTest, QuotedTextsAndScriptStrings) {
  EXPECT_EQ(DoubleQuotes(" abc ", 1), "\"abc\"");
  EXPECT_EQ(DoubleQuotes("\"abc\"", 1), "\"abc\"");
  EXPECT_EQ(DoubleQuotes("'abc'", 1), "\"abc\"");
  EXPECT_EQ(DoubleQuotes("say \"hi\"", 1), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(DoubleQuotes("\"open", 1), "\"\"\"open\"");
  EXPECT_EQ(DoubleQuotes("'x'", 0), "x");

  EXPECT_EQ(ToScriptString("", ""), "");
  EXPECT_EQ(ToScriptString("a\r\nb", ""), "\"a\"&vbCrLf&\"b\"");
  EXPECT_EQ(ToScriptString("a\r\nb", "ind"), "\"a\"&vbCrLf&ind&\"b\"");
  EXPECT_EQ(ToScriptString("x\r\n", ""), "\"x\"&vbCrLf&\"\"");
  EXPECT_EQ(ToScriptString("say \"hi\"", ""), "\"say \"\"hi\"\"\"");
  // A lone LF or CR never lands inside a literal.
  EXPECT_EQ(ToScriptString("a\nb\rc", ""), "\"a\"&vbLf&\"b\"&vbCr&\"c\"");
}

class DialectTest : public testing::CoreTest {};

TEST_F(DialectTest, KindsAndQuotes) {
  struct Case {
    const char* dbms;
    int16_t kind;
  } kinds[] = {{"ACCESS", 1},
               {"MS Jet", 1},
               {"Access", 99},
               {"Microsoft SQL Server", 2},
               {"Microsoft Access", 99},
               {"MySQL", 3},
               {"MariaDB", 3},
               {"Oracle", 4},
               {"PostgreSQL", 5},
               {"SQLite", 6},
               {"", 99}};
  for (const Case& c : kinds)
    EXPECT_EQ(static_cast<int16_t>(platform::data::databaseKind(c.dbms)), c.kind) << c.dbms;

  ctx().CurrentSQLQuote = "Auto";
  SetQuoteChars("MySQL");
  EXPECT_EQ(IdentQuotes().IdentQuoteStart, "`");
  ctx().CurrentSQLQuote = "Square Bracket";
  SetQuoteChars("PostgreSQL");
  EXPECT_EQ(QuoteName("a]b"), "[a]]b]");
  EXPECT_EQ(QuoteIdentifier("a]b"), "[a]b]");
  ctx().CurrentSQLQuote = "None";
  SetQuoteChars("MySQL");
  EXPECT_EQ(QuoteName("plain"), "plain");

  ctx().CurrentSQLQuote = "";
  EXPECT_EQ(DirectQuoteChar("", ""), "`");
  EXPECT_EQ(DirectQuoteChar("MySQL", "JDBC"), "NA");
  EXPECT_EQ(DirectQuoteChar("PostgreSQL", ""), "\"");
  EXPECT_EQ(DirectQuoteChar("SQLite", ""), "");
  ctx().CurrentSQLQuote = "Backquote";
  EXPECT_EQ(DirectQuoteChar("PostgreSQL", ""), "\"");
}

TEST_F(DialectTest, TypesAndTriggers) {
  EXPECT_EQ(AdoTypeName(135, 23), "DATETIME");
  EXPECT_EQ(AdoTypeName(135, 0), "TIMESTAMP");
  EXPECT_EQ(AdoTypeName(64, 0), "");
  EXPECT_EQ(AdoTypeClass(14), 6);
  EXPECT_EQ(AdoTypeClass(131), 1);
  EXPECT_EQ(AdoTypeClass(202), 3);
  EXPECT_FALSE(IsSupportedPgType("POINT"));
  EXPECT_TRUE(IsSupportedPgType("integer"));

  const char* body = "BEGIN SELECT seq_a.nextval INTO :NEW.id FROM dual; END;";
  EXPECT_EQ(GetOracleTriggerColumn(body), "id");
  EXPECT_EQ(GetOracleTriggerSequenceRef(body), "seq_a.nextval");
  EXPECT_EQ(GetOracleTriggerColumn("BEGIN\n  SELECT \"SEQ\".nextval INTO :NEW.\"ORDER_ID\" "
                                   "FROM dual;\nEND;"),
            "ORDER_ID");
  EXPECT_EQ(GetOracleTriggerColumn("BEGIN NULL; END;"), "");
  EXPECT_EQ(GetOracleTriggerSequenceRef("BEGIN NULL; END;"), "");
}

TEST_F(DialectTest, ConnectionStringsFromOdbcDataSources) {
  env.write("odbc/odbcinst.ini", "[MariaDB Unicode]\nDriver = /usr/lib/libmaodbc.so\n\n"
                                 "[FreeTDS]\nDriver = /usr/lib/libtdsodbc.so\n");
  env.write("odbc/odbc.ini", "[shop]\nDriver = /usr/lib/libmaodbc.so\nServer = db.local\n"
                             "Database = shop\n\n[sales]\nDriver = FreeTDS\nServer = mssql\n"
                             "Database = sales\n");
  EXPECT_EQ(DsnToConnectionString("shop", Kind::MySql, "web", "p;w}d"),
            "Driver={MariaDB Unicode};Server=db.local;Database=shop;User=web;"
            "Password={p;w}}d};Option=3;");
  EXPECT_EQ(DsnToConnectionString("SALES", Kind::SqlServer, "sa", "secret"),
            "Driver={FreeTDS};Server=mssql;Database=sales;Uid=sa;Pwd=secret;");
  EXPECT_EQ(DsnToConnectionString("missing", Kind::Oracle, "u", "p"),
            "Driver={Oracle in XE};Dbq=;Uid=u;Pwd=p;");
  EXPECT_EQ(DsnToConnectionString("shop", Kind::PostgreSql, "u", "p"), "");
}

class StatusTest : public testing::CoreTest {
protected:
  std::shared_ptr<ui::SilentProgress> progress = std::make_shared<ui::SilentProgress>();
  void SetUp() override { ui::installProgress(progress); }
};

class CountingProgress : public ui::SilentProgress {
public:
  int percents = 0, closes = 0;
  void setPercent(int p) override {
    ++percents;
    SilentProgress::setPercent(p);
  }
  void close() override {
    ++closes;
    SilentProgress::close();
  }
};

TEST_F(StatusTest, WindowLifecycle) {
  auto counting = std::make_shared<CountingProgress>();
  ui::installProgress(counting);
  RUZStatus& s = SharedStatus();
  EXPECT_EQ(&s, &SharedStatus());
  s.SetStatus(Variant(int32_t(10)));
  s.DispStatus("ignored");
  EXPECT_EQ(counting->percents, 0);
  std::string caption = "Brindlewood - Loading template...";
  s.ShowStatus(0, std::string(1, static_cast<char>(caption.size())) + caption);
  EXPECT_EQ(counting->caption(), caption);
  s.DispStatus("Loading table Orders...");
  EXPECT_EQ(counting->text(), "Loading table Orders...");
  s.DispStatus(std::string(400, 'x')); // long texts are no error
  s.SetStatus(Variant(int32_t(40)));
  EXPECT_EQ(counting->percent(), 40);
  EXPECT_FALSE(s.StatusIsCancelled());
  counting->requestCancel();
  EXPECT_TRUE(s.StatusIsCancelled());
  s.CloseStatus();
  s.CloseStatus();
  EXPECT_EQ(counting->closes, 1);
  EXPECT_FALSE(s.StatusIsCancelled());
}

TEST_F(StatusTest, RefreshResendsAtMostOncePerSecond) {
  auto counting = std::make_shared<CountingProgress>();
  ui::installProgress(counting);
  RUZStatus s;
  auto now = std::chrono::steady_clock::now();
  s.setClock([&] { return now; });
  s.ShowStatus(0, "Work");
  s.SetStatus(Variant(int16_t(25)));
  s.Refresh();
  EXPECT_EQ(counting->percents, 1);
  now += std::chrono::milliseconds(1100);
  s.Refresh();
  EXPECT_EQ(counting->percents, 2);
  EXPECT_EQ(counting->percent(), 25);
}

TEST_F(StatusTest, BuiltInCodeByTwoCharacterKey) {
  struct Provider : ScriptCodeProvider {
    std::string lastKey;
    std::string code(std::string_view key) override {
      lastKey = key;
      return key == "VL" ? std::string("Sub Validate\0junk", 17) : "";
    }
  };
  RUZStatus s;
  EXPECT_EQ(s.GetSysCode("VL"), "");
  auto p = std::make_shared<Provider>();
  installScriptCodeProvider(p);
  EXPECT_EQ(s.GetSysCode("VL"), "Sub Validate");
  s.GetSysCode("V");
  EXPECT_EQ(p->lastKey, "V ");
  s.GetSysCode("VLX");
  EXPECT_EQ(p->lastKey, "VL");
}

TEST(CoreClasses, CreatableByProgId) {
  registerCoreClasses();
  auto bag = automation::create("quillet.agproperties");
  Variant v(bag);
  std::vector<Variant> args{Variant("Name"), Variant("String")};
  EXPECT_TRUE(
      automation::invoke(v, "Add", automation::kMethod, automation::ArgList(args)).asBool());
  EXPECT_EQ(automation::CLng(automation::get(v, "Count")), 1);
}

} // namespace
} // namespace quillet::core
