#include "platform/text/utf8.h"

#include <gtest/gtest.h>

#include "platform/text/casefold.h"

namespace quillet::platform::text {
namespace {

// "a", "é" (2 bytes), "€" (3 bytes), a stray byte, "𝄞" (4 bytes), "z".
const std::string kMixed = "a\xC3\xA9\xE2\x82\xAC\xFF\xF0\x9D\x84\x9Ez";

TEST(Utf8, CountsAndLocatesCharacters) {
  EXPECT_EQ(countChars(kMixed), 6u);
  EXPECT_EQ(countChars(kMixed), charCount(kMixed)); // the same rule as case folding's count
  const size_t offsets[] = {0, 1, 3, 6, 7, 11, 12, 12};
  for (size_t i = 0; i < std::size(offsets); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(byteOffsetOfChar(kMixed, i), offsets[i]);
    if (i < 6) {
      EXPECT_EQ(charIndexOfByte(kMixed, offsets[i]), i);
    }
  }
  EXPECT_EQ(charIndexOfByte(kMixed, 4), 2u); // inside "€"
  EXPECT_EQ(charIndexOfByte(kMixed, 99), 6u);
}

TEST(Utf8, CutsByCharacters) {
  EXPECT_EQ(substrChars(kMixed, 1, 2), "\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(substrChars(kMixed, 3, 1), "\xFF");
  EXPECT_EQ(substrChars(kMixed, 4), "\xF0\x9D\x84\x9Ez");
  EXPECT_EQ(substrChars(kMixed, 5, 100), "z");
  EXPECT_EQ(substrChars(kMixed, 6), "");
  EXPECT_EQ(substrChars(kMixed, 60, 2), "");
  EXPECT_EQ(substrChars("", 0, 3), "");
  // A truncated sequence counts byte by byte.
  EXPECT_EQ(countChars("\xE2\x82"), 2u);
}

TEST(Utf8, DecodesAndEncodesCodePoints) {
  size_t pos = 0;
  std::vector<char32_t> cps;
  while (pos < kMixed.size())
    cps.push_back(decodeChar(kMixed, pos));
  EXPECT_EQ(cps, (std::vector<char32_t>{'a', 0xE9, 0x20AC, kReplacementChar, 0x1D11E, 'z'}));
  EXPECT_EQ(charToUtf8(0x20AC), "\xE2\x82\xAC");
  EXPECT_EQ(charToUtf8(0x1D11E), "\xF0\x9D\x84\x9E");
  EXPECT_EQ(charToUtf8(0xD800), "\xEF\xBF\xBD");
}

TEST(Utf8, Utf16CodeUnits) {
  EXPECT_EQ(utf16Units(0xE9), u"\u00E9");
  EXPECT_EQ(utf16Units(0x1D11E), (std::u16string{0xD834, 0xDD1E}));
  EXPECT_EQ(toUtf16("a\xF0\x9D\x84\x9E"), (std::u16string{u'a', 0xD834, 0xDD1E}));
  EXPECT_EQ(fromUtf16(std::u16string{u'a', 0xD834, 0xDD1E}), "a\xF0\x9D\x84\x9E");
  EXPECT_EQ(fromUtf16(std::u16string{0xDD1E, u'b'}), "\xEF\xBF\xBD"
                                                     "b"); // lone surrogate
}

} // namespace
} // namespace quillet::platform::text
