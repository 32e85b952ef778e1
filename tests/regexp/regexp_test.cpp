#include "platform/regexp/regexp.h"

#include <gtest/gtest.h>

#include "platform/automation/error.h"

namespace quillet::platform::regexp {
namespace {

using automation::Error;

TEST(RegExp, ExecuteGivesPositionsInCharactersAndSubMatches) {
  RegExp re("(\\w+)@(\\w+)\\.com", false, true);
  // "é" and "€" are one character each, two and three bytes.
  auto m = re.execute("\xC3\xA9 ann@b.com \xE2\x82\xAC x@yz.com");
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(m[0].firstIndex, 2u);
  EXPECT_EQ(m[0].length, 9u);
  EXPECT_EQ(m[0].value, "ann@b.com");
  EXPECT_EQ(m[0].subMatches, (std::vector<std::optional<std::string>>{"ann", "b"}));
  EXPECT_EQ(m[1].firstIndex, 14u);
  EXPECT_EQ(m[1].subMatches[1], "yz");

  re.setGlobal(false);
  EXPECT_EQ(re.execute("a@b.com c@d.com").size(), 1u);
  EXPECT_TRUE(re.execute("nothing here").empty());
}

TEST(RegExp, GroupsOutsideTheMatchAreUnset) {
  RegExp re("(a)|(b)");
  auto m = re.execute("b");
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].subMatches[0], std::nullopt);
  EXPECT_EQ(m[0].subMatches[1], "b");
  // A back reference to a group that did not take part matches the empty text.
  EXPECT_TRUE(RegExp("^(a)?\\1b$").test("b"));
}

TEST(RegExp, ReplaceExpandsDollarForms) {
  struct Case {
    const char* pattern;
    bool global;
    const char* subject;
    const char* replacement;
    const char* expected;
  };
  const Case cases[] = {
      {"(\\w+) (\\w+)", false, "hello world", "$2 $1", "world hello"},
      {"o", true, "foo boo", "0", "f00 b00"},
      {"o", false, "foo", "0", "f0o"},
      {"b", false, "abc", "[$&|$`|$']", "a[b|a|c]c"},
      {"b", false, "abc", "$$1 $0 $5 $", "a$1 $0 $5 $c"},
      {"(a)(b)?", false, "ac", "<$1$2>", "<a>c"},
      {"(a)", false, "a", "$10", "a0"}, // one group: "$1" then "0"
      {"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)", false, "abcdefghij", "$10$1", "ja"},
      {"\\s+", true, "a  b\t\tc", " ", "a b c"},
      {"\xC3\xA9", true, "\xC3\xA9t\xC3\xA9", "e", "ete"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pattern);
    EXPECT_EQ(RegExp(c.pattern, false, c.global).replace(c.subject, c.replacement), c.expected);
  }
}

TEST(RegExp, GlobalEmptyMatchesAdvanceOneCharacter) {
  EXPECT_EQ(RegExp("x*", false, true).replace("abc", "-"), "-a-b-c-");
  EXPECT_EQ(RegExp("b*", false, true).replace("abc", "-"), "-a--c-");
  // One character, not one byte, after an empty match in multi-byte text.
  EXPECT_EQ(RegExp("x*", false, true)
                .replace("\xC3\xA9"
                         "a",
                         "-"),
            "-\xC3\xA9-a-");
  auto m = RegExp("", false, true).execute("ab");
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m[2].firstIndex, 2u);
  EXPECT_EQ(m[2].length, 0u);
  EXPECT_EQ(RegExp("^", false, true, true).replace("a\nb", ">"), ">a\n>b");
}

TEST(RegExp, AnchorsAndLineEnds) {
  // Without Multiline "$" is the very end only, and "^" the very start.
  EXPECT_FALSE(RegExp("^a$").test("a\n"));
  EXPECT_TRUE(RegExp("b$").test("a\nb"));
  EXPECT_FALSE(RegExp("^b").test("a\nb"));
  // With Multiline both anchors work at LF, CR and CR LF.
  auto m = RegExp("^\\w$", false, true, true).execute("a\r\nb\nc\rd");
  ASSERT_EQ(m.size(), 4u);
  EXPECT_EQ(m[3].value, "d");
  EXPECT_EQ(m[3].firstIndex, 7u);
  // "." stops at line ends.
  EXPECT_FALSE(RegExp("a.b").test("a\nb"));
  EXPECT_FALSE(RegExp("a.b").test("a\rb"));
  EXPECT_TRUE(RegExp("a.b").test("a\tb"));
  EXPECT_TRUE(RegExp("a[^]b").test("a\nb"));
  EXPECT_FALSE(RegExp("a[]b").test("ab"));
}

TEST(RegExp, IgnoreCaseCoversNonAsciiLetters) {
  RegExp re("\xC3\xA9"
            "cole \xCF\x83",
            true); // "école σ"
  EXPECT_TRUE(re.test("\xC3\x89"
                      "COLE \xCE\xA3")); // "ÉCOLE Σ"
  re.setIgnoreCase(false);
  EXPECT_FALSE(re.test("\xC3\x89"
                       "COLE \xCE\xA3"));
  EXPECT_TRUE(RegExp("[a-z]+", true).test("ABC"));
}

TEST(RegExp, ClassesAndEscapesFollowScriptSyntax) {
  struct Case {
    const char* pattern;
    const char* subject;
    bool matches;
  };
  const Case cases[] = {
      {"^\\w$", "\xC3\xA9", false}, // \w is ASCII
      {"^\\d$", "\xD9\xA3", false}, // so is \d (Arabic-Indic three)
      {"^\\s$", "\xC2\xA0", false}, // and \s (no-break space)
      {"^\\s$", "\x0B", true},
      {"^\\v$", "\x0B", true}, // a vertical tab, not a class
      {"^\\v$", "\n", false},
      {"^\\u00e9$", "\xC3\xA9", true},
      {"^\\x41$", "A", true},
      {"^\\A\\Q\\z$", "AQz", true}, // letters without an escape meaning are literal
      {"^\\:NEW\\.$", ":NEW.", true},
      {"^[[:alpha:]]$", "a]", true}, // no POSIX classes: "[" is a member
      {"^[[:alpha:]]$", "b", false},
      {"^[\\b]$", "\b", true},
      {"\\bcat\\b", "a cat!", true},
      {"^a{2,3}$", "aaa", true},
      {"^a{,2}$", "a{,2}", true}, // not a quantifier, so literal
      {"^\\cJ$", "\n", true},
      {"(?=a)a(?!b)", "ac", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pattern);
    EXPECT_EQ(RegExp(c.pattern).test(c.subject), c.matches);
  }
}

TEST(RegExp, SyntaxErrorsRaiseTheirNumbersWhenUsed) {
  const char* const kSyntax = "Syntax error in regular expression";
  const char* const kQuantifier = "Unexpected quantifier";
  struct Case {
    const char* pattern;
    int32_t number;
    const char* message;
  };
  const Case cases[] = {
      {"(a", 5020, "Expected ')' in regular expression"},
      {"[a", 5019, "Expected ']' in regular expression"},
      {"[z-a]", 5021, "Invalid range in character set"},
      {"*a", 5018, kQuantifier},
      {"a**", 5018, kQuantifier},
      {"a*+", 5018, kQuantifier},
      {"a{2}{3}", 5018, kQuantifier},
      {"(?<n>a)", 5017, kSyntax},
      {"(?i)a", 5017, kSyntax},
      {"a\\", 5017, kSyntax},
      {"a)", 5017, kSyntax},
      {"(?>a)", 5017, kSyntax},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pattern);
    RegExp re;
    re.setPattern(c.pattern); // accepted until used
    try {
      re.test("a");
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), c.number);
      EXPECT_EQ(e.description(), c.message);
    }
  }
  EXPECT_NO_THROW(RegExp("a+?b?"
                         "?(?:c)")
                      .validate());
}

TEST(RegExp, InvalidUtf8SubjectsStillMatch) {
  EXPECT_TRUE(RegExp("b").test("a\xFF"
                               "b"));
  auto m = RegExp("b").execute("a\xFF"
                               "b");
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].firstIndex, 2u);
}

TEST(RegExp, FindsTheColumnOfASequenceTrigger) {
  RegExp re(".*SELECT\\W+(.+)\\.nextval +into +\\:NEW\\.(.+) +FROM +dual;", true, false);
  auto m = re.execute("BEGIN SELECT seq_a.nextval INTO :NEW.id FROM dual; END;");
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].subMatches[0], "seq_a");
  EXPECT_EQ(m[0].subMatches[1], "id");
}

} // namespace
} // namespace quillet::platform::regexp
