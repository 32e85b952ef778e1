#include "platform/text/casefold.h"

#include <gtest/gtest.h>

namespace quillet::platform::text {
namespace {

TEST(CaseFold, ContainsAndStartsWithIgnoreCase) {
  struct Case {
    const char* s;
    const char* part;
    bool contains;
    bool startsWith;
  } cases[] = {
      {"PostgreSQL 15", "postgresql", true, true},
      {"Microsoft SQL Server", "sql", true, false},
      {"abc", "", true, true},
      {"", "a", false, false},
      {"ab", "abc", false, false},
      {"MariaDB", "db", true, false},
      // Beyond ASCII: folded on both sides, whatever the byte lengths.
      {"\xC3\x89T\xC3\x89", "\xC3\xA9t", true, true}, // "ÉTÉ" / "ét"
      {"STRASSE", "stra\xC3\x9F", true, true},        // "ß" folds to "ss"
      {"x\xE2\x84\xAA"
       "elvin",
       "kelvin", true, false},                              // the Kelvin sign folds to "k"
      {"\xCE\xA3\xCE\xB9\xCF\x83", "\xCF\x83", true, true}, // "Σισ" / "σ"
  };
  for (const Case& c : cases) {
    EXPECT_EQ(containsNoCase(c.s, c.part), c.contains) << c.s << " / " << c.part;
    EXPECT_EQ(startsWithNoCase(c.s, c.part), c.startsWith) << c.s << " / " << c.part;
  }
}

} // namespace
} // namespace quillet::platform::text
