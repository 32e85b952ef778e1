#pragma once
// Case-insensitive text rules: every "without regard to case" comparison and every
// collection key goes through Unicode case folding here.
#include <string>
#include <string_view>

namespace quillet::platform::text {

// Full Unicode case folding of UTF-8 text (invalid bytes pass through unchanged).
std::string foldCase(std::string_view s);
bool equalsNoCase(std::string_view a, std::string_view b);
// <0, 0, >0 comparing the folded texts by code point.
int compareNoCase(std::string_view a, std::string_view b);
// Whether s holds part, or starts with prefix, comparing the folded texts.
bool containsNoCase(std::string_view s, std::string_view part);
bool startsWithNoCase(std::string_view s, std::string_view prefix);
// Upper and lower case of UTF-8 text (full Unicode mappings of the root locale: "ß" becomes
// "SS").
std::string toUpper(std::string_view s);
std::string toLower(std::string_view s);
// Number of characters (code points) in UTF-8 text.
size_t charCount(std::string_view s);
bool isAscii(std::string_view s);

} // namespace quillet::platform::text
