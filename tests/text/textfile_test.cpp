#include "platform/files/textfile.h"

#include <gtest/gtest.h>

#include "files/tempdir.h"
#include "platform/automation/context.h"
#include "platform/automation/error.h"
#include "platform/automation/text_settings.h"
#include "platform/text/collate.h"

namespace quillet::platform::text {
namespace {

using automation::Error;
using files::readTextFile;
using files::readTextFileDecoded;
using files::writeTextFile;
using quillet::testing::TempDir;

TEST(TextFile, ReadsUtf16FilesAsUtf16) {
  TempDir dir;
  // "Zoë €" with CR LF, little- and big-endian with their marks.
  std::string le("\xFF\xFEZ\0o\0\xEB\0 \0\xAC\x20\r\0\n\0", 16);
  std::string be("\xFE\xFF\0Z\0o\0\xEB\0 \x20\xAC\0\r\0\n", 16);
  for (const auto& bytes : {le, be}) {
    std::string path = dir.write("t.txt", bytes);
    DecodedText d = readTextFileDecoded(path);
    EXPECT_EQ(d.text, "Zo\xC3\xAB \xE2\x82\xAC\r\n");
    EXPECT_TRUE(d.encoding.isUtf16());
  }
}

TEST(TextFile, WritesInTheChosenEncodingAndReadsBack) {
  automation::Context::Scope scope;
  TempDir dir;
  const std::string text = "caf\xC3\xA9 \xE2\x82\xAC\r\nline 2";
  struct Case {
    int codePage;
    bool bom;
    std::string bytes;
  };
  const Case cases[] = {
      Case{65001, true,
           std::string("\xEF\xBB\xBF"
                       "caf\xC3\xA9 \xE2\x82\xAC\x0D\x0Aline 2",
                       20)},
      Case{65001, false, std::string("caf\xC3\xA9 \xE2\x82\xAC\x0D\x0Aline 2", 17)},
      Case{1200, true,
           std::string("\xFF\xFE"
                       "c\x00"
                       "a\x00"
                       "f\x00\xE9\x00 \x00\xAC \x0D\x00\x0A\x00l\x00i\x00n\x00"
                       "e\x00 \x00"
                       "2\x00",
                       30)},
      Case{1201, true,
           std::string("\xFE\xFF\x00"
                       "c\x00"
                       "a\x00"
                       "f\x00\xE9\x00  \xAC\x00\x0D\x00\x0A\x00l\x00i\x00n\x00"
                       "e\x00 \x00"
                       "2",
                       30)},
      Case{1252, false, std::string("caf\xE9 \x80\x0D\x0Aline 2", 14)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.codePage);
    const std::string path = dir / "out.txt";
    Encoding e = automation::encodingByCodePage(c.codePage);
    writeTextFile(path, text, e, c.bom);
    EXPECT_EQ(TempDir::read(path), c.bytes);
    DecodedText d = readTextFileDecoded(path);
    EXPECT_EQ(d.text, text);
    EXPECT_EQ(d.encoding, e);
  }
}

TEST(TextFile, MissingFilesRaiseVbErrors) {
  TempDir dir;
  try {
    readTextFile(dir / "absent.txt");
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 53);
    EXPECT_NE(e.description().find("absent.txt"), std::string::npos);
  }
  try {
    readTextFile(dir / "no/such/folder.txt");
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 76);
  }
  EXPECT_THROW(writeTextFile(dir / "no/folder.txt", "x"), Error);
}

TEST(Collate, ComparesByTheLocalesRules) {
  const char* aUmlaut = "\xC3\xA4"; // ä
  EXPECT_LT(compareLocale(aUmlaut, "b", "de-DE"), 0);
  EXPECT_GT(compareLocale(aUmlaut, "z", "sv_SE"), 0); // Swedish sorts ä after z
  EXPECT_LT(compareLocale("a", "B", "en-US"), 0);     // not by code point
  EXPECT_NE(compareLocale("a", "A", "en-US"), 0);
  EXPECT_EQ(compareLocale("a", "A", "en-US", true), 0);
  EXPECT_NE(compareLocale("e", "\xC3\xA9", "fr-FR", true), 0); // accents still count
  automation::Context::Scope scope;
  EXPECT_LT(automation::compareUserLocale("apple", "Banana"), 0);
}

} // namespace
} // namespace quillet::platform::text
