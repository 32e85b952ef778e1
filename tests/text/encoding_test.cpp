#include "platform/text/encoding.h"

#include <gtest/gtest.h>

#include "platform/automation/context.h"
#include "platform/automation/error.h"
#include "platform/automation/text_settings.h"

namespace quillet::platform::text {
namespace {

using automation::Error;

TEST(Encoding, FindsCodePagesAndCharsetNames) {
  struct Case {
    const char* charset;
    int codePage;
    const char* name;
  };
  const Case cases[] = {
      {"utf-8", 65001, "utf-8"},
      {"UTF8", 65001, "utf-8"},
      {"Windows-1252", 1252, "windows-1252"},
      {"cp1252", 1252, "windows-1252"},
      {"iso-8859-1", 28591, "iso-8859-1"},
      {"ISO-8859-15", 28605, "iso-8859-15"},
      {"unicode", 1200, "utf-16le"},
      {"utf-16", 1200, "utf-16le"},
      {"unicodeFFFE", 1201, "utf-16be"},
      {"utf-16be", 1201, "utf-16be"},
      {"us-ascii", 20127, "us-ascii"},
      {"windows-1251", 1251, "windows-1251"},
      {"shift_jis", 932, "shift_jis"},
      {" koi8-r ", 20866, "koi8-r"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.charset);
    auto e = Encoding::fromCharset(c.charset);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->codePage(), c.codePage);
    EXPECT_EQ(e->name(), c.name);
    auto byNumber = Encoding::fromCodePage(c.codePage);
    ASSERT_TRUE(byNumber);
    EXPECT_EQ(*byNumber, *e);
  }
  EXPECT_TRUE(Encoding::fromCodePage(437));
  EXPECT_TRUE(Encoding::fromCodePage(850));
  EXPECT_FALSE(Encoding::fromCodePage(12345));
  EXPECT_FALSE(Encoding::fromCodePage(0));
  EXPECT_FALSE(Encoding::fromCharset("no-such-charset"));
  EXPECT_FALSE(Encoding::fromCharset(""));
  try {
    automation::encodingByCodePage(12345);
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 5);
    EXPECT_NE(e.description().find("12345"), std::string::npos);
  }
  EXPECT_THROW(automation::encodingByCharset("nonsense"), Error);
}

TEST(Encoding, ConvertsBothWays) {
  struct Case {
    int codePage;
    std::string text;
    std::string bytes;
  };
  const Case cases[] = {
      {1252, "caf\xC3\xA9 \xE2\x82\xAC", "caf\xE9 \x80"},
      {28591, "caf\xC3\xA9", "caf\xE9"},
      {1200, "a\xC3\xA9\xE2\x82\xAC", std::string("a\0\xE9\0\xAC\x20", 6)},
      {1201, "a\xC3\xA9\xE2\x82\xAC", std::string("\0a\0\xE9\x20\xAC", 6)},
      {1200, "\xF0\x9D\x84\x9E", "\x34\xD8\x1E\xDD"}, // a surrogate pair
      {1251, "\xD0\x96", "\xC6"},
      {932, "\xE3\x81\x82", "\x82\xA0"},
      {437, "\xC3\xA9", "\x82"},
      {65001, "\xC3\xA9", "\xC3\xA9"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.codePage);
    Encoding e = automation::encodingByCodePage(c.codePage);
    EXPECT_EQ(e.encode(c.text), c.bytes);
    EXPECT_EQ(e.decode(c.bytes), c.text);
  }
  // windows-1252 keeps its five unassigned bytes as the C1 controls, so no byte is lost.
  Encoding w = Encoding::windows1252();
  EXPECT_EQ(w.encode(w.decode("\x81\x8D\x8F\x90\x9D")), "\x81\x8D\x8F\x90\x9D");
}

TEST(Encoding, UnmappableAndMalformedText) {
  Encoding w = Encoding::windows1252();
  EXPECT_EQ(w.encode("a\xE2\x98\x83z"), "a?z"); // snowman
  EXPECT_FALSE(w.canEncode("a\xE2\x98\x83z"));
  EXPECT_TRUE(w.canEncode("caf\xC3\xA9 \xE2\x82\xAC"));
  EXPECT_TRUE(Encoding::utf16LE().canEncode("\xE2\x98\x83"));
  // Malformed UTF-8 becomes U+FFFD rather than vanishing.
  EXPECT_EQ(Encoding::utf8().decode("a\xFFz"), "a\xEF\xBF\xBDz");
  EXPECT_EQ(Encoding::utf16LE().decode("a"), "\xEF\xBF\xBD"); // odd byte count
}

TEST(Encoding, ValidatesUtf8) {
  EXPECT_TRUE(isValidUtf8(""));
  EXPECT_TRUE(isValidUtf8("a\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9E"));
  EXPECT_FALSE(isValidUtf8("\xC0\x80"));         // overlong
  EXPECT_FALSE(isValidUtf8("\xE0\x80\xAF"));     // overlong
  EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));     // surrogate
  EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80")); // above U+10FFFF
  EXPECT_FALSE(isValidUtf8("\xE2\x82"));         // cut short
  EXPECT_FALSE(isValidUtf8("caf\xE9"));
}

TEST(DecodeText, TellsTheEncodingByMarkValidityOrAnsi) {
  struct Case {
    std::string bytes;
    std::string text;
    int codePage;
    bool bom;
  };
  const Case cases[] = {
      {"\xEF\xBB\xBFh\xC3\xA9", "h\xC3\xA9", 65001, true},
      {std::string("\xFF\xFEh\0\xE9\0", 6), "h\xC3\xA9", 1200, true},
      {std::string("\xFE\xFF\0h\0\xE9", 6), "h\xC3\xA9", 1201, true},
      {"\xFF\xFE", "", 1200, true},
      {"h\xC3\xA9", "h\xC3\xA9", 65001, false},
      {"h\xE9\x80", "h\xC3\xA9\xE2\x82\xAC", 1252, false},
      {"", "", 65001, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    DecodedText d = automation::decodeText(c.bytes);
    EXPECT_EQ(d.text, c.text);
    EXPECT_EQ(d.encoding.codePage(), c.codePage);
    EXPECT_EQ(d.bom, c.bom);
  }
}

TEST(DecodeText, FollowsTheConfiguredAnsiCodePage) {
  automation::Context::Scope scope;
  EXPECT_EQ(automation::ansiEncoding().codePage(), 1252);
  automation::setAnsiCodePage(1251);
  EXPECT_EQ(automation::ansiEncoding().codePage(), 1251);
  EXPECT_EQ(automation::decodeText("\xC6").text, "\xD0\x96");
  EXPECT_THROW(automation::setAnsiCodePage(4242), automation::Error);
  EXPECT_EQ(automation::ansiEncoding().codePage(), 1251);
}

TEST(EncodeText, AddsTheMarkWhenAsked) {
  EXPECT_EQ(encodeText("h\xC3\xA9", Encoding::utf8(), true), "\xEF\xBB\xBFh\xC3\xA9");
  EXPECT_EQ(encodeText("h", Encoding::utf16LE(), true), std::string("\xFF\xFEh\0", 4));
  EXPECT_EQ(encodeText("h", Encoding::utf16BE(), true), std::string("\xFE\xFF\0h", 4));
  EXPECT_EQ(encodeText("h\xC3\xA9", Encoding::windows1252(), true), "h\xE9"); // has no mark
}

} // namespace
} // namespace quillet::platform::text
