#include "core/registry.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include "core/test_env.h"
#include "platform/automation/convert.h"
#include "platform/automation/error.h"
#include "platform/registry/registry.h"

namespace quillet::core {
namespace {

namespace reg = ::quillet::platform::registry;
using automation::Error;
using automation::VarType;

const char* kSection = "Software\\Brindlewood\\4.0\\Settings\\General";

Error errorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e;
  }
  return Error(0, "none");
}

class RegistryTest : public testing::CoreTest {
protected:
  void set(const char* name, int32_t type, const Variant& v, const char* root = "HKCU") {
    RegSetValue(Variant(root), Variant(kSection), Variant(name), type, v);
  }
  Variant get(const char* name, const char* root = "HKCU") {
    return RegGetValue(Variant(root), Variant(kSection), Variant(name));
  }
  std::optional<reg::Value> stored(const char* name) {
    return reg::current().getValue(reg::Root::CurrentUser, kSection, name);
  }
};

TEST_F(RegistryTest, TypedValuesRoundTrip) {
  env.write("config/brindlewood/user.reg",
            "[Software\\Brindlewood\\4.0\\Settings\\General]\n\"List\"=multi:\"a\",\"b\"\n");
  set("Text", 1, Variant("hello"));
  set("Count", 4, Variant(int32_t(42)));
  set("Small", 5, Variant(int16_t(7)));
  set("Bytes", 3,
      Variant(automation::SafeArray::fromValues({Variant(uint8_t(1)), Variant(uint8_t(255))})));

  EXPECT_EQ(get("Text").asString(), "hello");
  EXPECT_EQ(LastRegistryType(), 1);
  Variant n = get("Count");
  EXPECT_EQ(n.type(), VarType::Long);
  EXPECT_EQ(n.asLong(), 42);
  EXPECT_EQ(get("Small").asLong(), 7);
  EXPECT_EQ(stored("Small")->type, reg::kDword);
  Variant bytes = get("Bytes");
  ASSERT_TRUE(bytes.isArray());
  ASSERT_EQ(bytes.asArray().size(), 2u); // exactly the stored bytes
  EXPECT_EQ(bytes.asArray().data()[1].asByte(), 255);
  EXPECT_EQ(get("List").asString(), std::string("a\0b", 3));
  EXPECT_EQ(LastRegistryType(), 7);

  // A missing value reads Empty and keeps the last type.
  EXPECT_TRUE(get("Missing").isEmpty());
  EXPECT_EQ(LastRegistryType(), 7);
}

TEST_F(RegistryTest, PercentSignsDoNotMakeTextExpandable) {
  ::setenv("QUILLET_TEST_DIR_VAR", "/tmp/q", 1);
  set("Plain", 1, Variant("%QUILLET_TEST_DIR_VAR%\\x"));
  EXPECT_EQ(stored("Plain")->type, reg::kString);
  EXPECT_EQ(get("Plain").asString(), "%QUILLET_TEST_DIR_VAR%\\x");
  set("Pct", 1, Variant("100%"));
  EXPECT_EQ(get("Pct").asString(), "100%");
  set("Expand", 2, Variant("%QUILLET_TEST_DIR_VAR%/x %UNSET_QUILLET_VAR% 50%"));
  EXPECT_EQ(get("Expand").asString(), "/tmp/q/x %UNSET_QUILLET_VAR% 50%");
  EXPECT_EQ(LastRegistryType(), 2);
}

TEST_F(RegistryTest, WritesWithoutANumberOrAKnownTypeStoreNothingAndRaiseNothing) {
  set("Flag", 4, Variant(int32_t(7)));
  const Variant notIntegers[] = {Variant(true), Variant(), Variant(2.5), Variant("12"),
                                 Variant(uint8_t(3))};
  for (const Variant& v : notIntegers) {
    EXPECT_NO_THROW(set("Flag", 4, v)) << v.varType();
    EXPECT_NO_THROW(set("Flag", 5, v)) << v.varType();
    EXPECT_EQ(stored("Flag")->type, reg::kDword);
    EXPECT_EQ(get("Flag").asLong(), 7) << v.varType();
  }
  EXPECT_NO_THROW(set("Flag", 4, Variant(int16_t(-2))));
  EXPECT_EQ(get("Flag").asLong(), -2);

  for (int32_t type : {0, 7, 11}) {
    EXPECT_NO_THROW(set("Odd", type, Variant("x"))) << type;
    EXPECT_FALSE(stored("Odd")) << type;
  }
  EXPECT_EQ(errorOf([&] { set("Bin", 3, Variant("not bytes")); }).number(), kErrRegistry);
  EXPECT_FALSE(stored("Bin"));
}

TEST_F(RegistryTest, BigEndianNumbersReadInMachineOrder) {
  env.write("config/brindlewood/user.reg",
            "[Software\\Brindlewood\\4.0\\Settings\\General]\n\"Big\"=dword-be:00000102\n");
  EXPECT_EQ(get("Big").asLong(), 258);
  EXPECT_EQ(LastRegistryType(), 5);
}

TEST_F(RegistryTest, RootsAndCaseInsensitivePaths) {
  env.write("machine.reg", "[Software\\Brindlewood\\4.0\\Settings\\General]\n"
                           "\"LanguageFolder\"=\"/usr/share/languages\"\n");
  set("Name", 1, Variant("user"));
  EXPECT_EQ(RegGetValue(Variant(""), Variant("software\\BRINDLEWOOD\\4.0\\settings\\general"),
                        Variant("NAME"))
                .asString(),
            "user");
  EXPECT_EQ(get("Name", "hkcu").asString(), "user");
  EXPECT_TRUE(get("Name", "HKLM").isEmpty());
  EXPECT_EQ(get("LanguageFolder", "HKLM").asString(), "/usr/share/languages");
  // The machine hive is read-only: the key cannot be opened for writing.
  Error e = errorOf([&] { set("LanguageFolder", 1, Variant("x"), "HKLM"); });
  EXPECT_EQ(e.number(), kErrRegistry);
  EXPECT_EQ(get("LanguageFolder", "HKLM").asString(), "/usr/share/languages");
}

TEST_F(RegistryTest, ChangesPersistAsReadableText) {
  set("Folder", 1, Variant("C:\\data \"x\""));
  set("Count", 4, Variant(int32_t(10)));
  std::ifstream in(reg::Registry::userHivePath());
  std::stringstream ss;
  ss << in.rdbuf();
  EXPECT_NE(ss.str().find("[Software\\Brindlewood\\4.0\\Settings\\General]"), std::string::npos);
  EXPECT_NE(ss.str().find("\"Folder\"=\"C:\\\\data \\\"x\\\"\""), std::string::npos);
  EXPECT_NE(ss.str().find("\"Count\"=dword:0000000a"), std::string::npos);
  // Another context reads the file afresh.
  automation::Context::Scope other;
  EXPECT_EQ(get("Folder").asString(), "C:\\data \"x\"");
  EXPECT_EQ(get("Count").asLong(), 10);
}

TEST_F(RegistryTest, RefusedWritesAreReportedAndChangeNothing) {
  set("Kept", 1, Variant("old"));
  // The hive's file is read-only: the atomic write refuses to replace it.
  const std::string hive = reg::Registry::userHivePath();
  ::chmod(hive.c_str(), 0444);
  Error e = errorOf([&] { set("Kept", 1, Variant("new")); });
  EXPECT_EQ(e.number(), kErrRegistryWrite);
  EXPECT_EQ(e.description(), "Failed to set registry value Key: '-2147483647',Section: '" +
                                 std::string(kSection) + "',Key: 'Kept' to value: 'new'");
  EXPECT_EQ(e.source(), "quillet4.cRegistry");
  EXPECT_EQ(get("Kept").asString(), "old");
  EXPECT_NE(reg::current().lastError(reg::Root::CurrentUser).find(hive), std::string::npos);
  ::chmod(hive.c_str(), 0644);
  set("Kept", 1, Variant("new"));
  EXPECT_EQ(get("Kept").asString(), "new");
}

TEST_F(RegistryTest, KeysAndEnumeration) {
  cRegistry r;
  r.ClassKey = kHkeyCurrentUser;
  r.SectionKey = "Software\\Brindlewood\\Test";
  EXPECT_FALSE(r.KeyExists());
  // A missing key lists nothing, and what the lists held before is gone; both listings
  // answer true whatever they find.
  std::vector<std::string> names{"stale"};
  int32_t count = -1;
  ASSERT_TRUE(r.EnumerateSections(names, count));
  EXPECT_EQ(count, 0);
  EXPECT_TRUE(names.empty());
  names = {"stale"};
  count = -1;
  ASSERT_TRUE(r.EnumerateValues(names, count));
  EXPECT_EQ(count, 0);
  EXPECT_TRUE(names.empty());
  EXPECT_TRUE(r.CreateKey());
  EXPECT_TRUE(r.KeyExists());
  r.EnumerateSections(names, count);
  EXPECT_EQ(count, 0);

  for (const char* n : {"Zeta", "Alpha", "Mid"}) {
    int32_t t = 1;
    RegSetValue(Variant("HKCU"), Variant("Software\\Brindlewood\\Test"), Variant(n), t,
                Variant("v"));
  }
  RegSetValue(Variant("HKCU"), Variant("Software\\Brindlewood\\Test\\Sub"), Variant("x"),
              *std::make_unique<int32_t>(1), Variant("v"));
  r.EnumerateValues(names, count);
  EXPECT_EQ(names, (std::vector<std::string>{"Zeta", "Alpha", "Mid"}));
  EXPECT_EQ(count, 3);
  r.EnumerateSections(names, count);
  EXPECT_EQ(names, std::vector<std::string>{"Sub"});
  EXPECT_EQ(count, 1);

  Error e = errorOf([&] { r.DeleteKey(); });
  EXPECT_EQ(e.number(), kErrRegistry);
  EXPECT_EQ(e.description(), "Failed to delete registry Key: '-2147483647',Section: "
                             "'Software\\Brindlewood\\Test");
  r.ValueKey = "Alpha";
  EXPECT_TRUE(r.DeleteValue());
  EXPECT_EQ(errorOf([&] { r.DeleteValue(); }).description(),
            "Failed to delete registry Key: '-2147483647',Section: "
            "'Software\\Brindlewood\\Test',Key: 'Alpha");
  cRegistry missing;
  missing.ClassKey = kHkeyCurrentUser;
  missing.SectionKey = "Software\\Nowhere";
  EXPECT_EQ(errorOf([&] { missing.DeleteValue(); }).description(),
            "Failed to open key '-2147483647',Section: 'Software\\Nowhere' for delete access");
  r.SectionKey = "Software\\Brindlewood\\Test\\Sub";
  EXPECT_TRUE(r.DeleteKey());
  EXPECT_FALSE(r.KeyExists());
}

TEST_F(RegistryTest, HiveTextSurvivesEscapesAndSkipsBadLines) {
  reg::Key root;
  std::string problem = reg::Hive::parse("; comment\n"
                                         "[A\\B]\n"
                                         "@=\"default\"\n"
                                         "\"tab\\tname\"=\"line\\none\"\n"
                                         "\"broken\"=dword:xyz\n"
                                         "\"list\"=multi:\"a\",\"\",\"c\"\n"
                                         "\"raw\"=hex(b):01,02\n"
                                         "garbage line\n",
                                         root);
  EXPECT_EQ(problem, "line 5: the value cannot be read");
  const reg::Key* b = root.child("a")->child("b");
  ASSERT_TRUE(b);
  EXPECT_EQ(b->value("")->text, "default");
  EXPECT_EQ(b->value("tab\tname")->text, "line\none");
  EXPECT_FALSE(b->value("broken"));
  EXPECT_EQ(b->value("list")->list, (std::vector<std::string>{"a", "", "c"}));
  EXPECT_EQ(b->value("raw")->type, 11);
  reg::Key again;
  reg::Hive::parse(reg::Hive::serialise(root), again);
  EXPECT_EQ(reg::Hive::serialise(again), reg::Hive::serialise(root));
}

TEST_F(RegistryTest, OdbcDataSourcesComeFromUnixOdbcFiles) {
  env.write("odbc/odbcinst.ini", "[ODBC]\nTrace = No\n\n"
                                 "[PostgreSQL Unicode]\nDescription = PostgreSQL\n"
                                 "Driver = /usr/lib/psqlodbcw.so\n\n"
                                 "[MariaDB Unicode]\nDriver = libmaodbc.so\n");
  env.write("odbc/odbc.ini", "[shop]\nDriver = PostgreSQL Unicode\nServername = db1\n"
                             "Database = shop\n\n[legacy]\nDriver=/usr/lib/psqlodbcw.so\n");
  env.write("home/.odbc.ini", "; the user's own\n[shop]\nServername = localhost\n\n"
                              "[mine]\nDriver = MariaDB Unicode\nServer = 127.0.0.1\n");
  const char* dsns = "Software\\ODBC\\ODBC.INI";
  EXPECT_EQ(
      RegGetValue(Variant("HKLM"), Variant("Software\\ODBC\\ODBC.INI\\shop"), Variant("Driver"))
          .asString(),
      "PostgreSQL Unicode");
  // The user's file overrides the system's for the same data source.
  EXPECT_EQ(
      RegGetValue(Variant("HKLM"), Variant("software\\odbc\\odbc.ini\\SHOP"), Variant("servername"))
          .asString(),
      "localhost");
  cRegistry r;
  r.ClassKey = kHkeyLocalMachine;
  r.SectionKey = dsns;
  std::vector<std::string> names;
  int32_t count;
  r.EnumerateSections(names, count);
  EXPECT_EQ(names, (std::vector<std::string>{"shop", "legacy", "mine"}));
  r.SectionKey = "Software\\ODBC\\ODBCINST.INI";
  r.EnumerateSections(names, count);
  EXPECT_EQ(names, (std::vector<std::string>{"PostgreSQL Unicode", "MariaDB Unicode"}));
  // The view is read-only.
  int32_t t = 1;
  EXPECT_EQ(errorOf([&] {
              RegSetValue(Variant("HKLM"), Variant("Software\\ODBC\\ODBC.INI\\shop"),
                          Variant("Driver"), t, Variant("x"));
            }).number(),
            kErrRegistry);
}

} // namespace
} // namespace quillet::core
