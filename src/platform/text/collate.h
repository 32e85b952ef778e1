#pragma once
// Comparison by the rules of a language, for the few places that order text the way the
// user's locale does (sorting for display). Everything else compares by code point or
// through case folding (casefold.h).
#include <string_view>

namespace quillet::platform::text {

// <0, 0, >0 comparing UTF-8 texts by the collation of a locale ("en-US", "de_DE", "sv";
// an unknown locale falls back to the common root order). With ignoreCase, letters that
// differ only in case compare equal; accents still count.
int compareLocale(std::string_view a, std::string_view b, std::string_view locale,
                  bool ignoreCase = false);

} // namespace quillet::platform::text
