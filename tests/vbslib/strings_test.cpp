#include "lib_helpers.h"
#include "platform/vbscript/library.h"

namespace vbslib_test {
namespace {

Variant arr(std::vector<Variant> v) {
  return Variant(am::SafeArray::fromValues(std::move(v)));
}
const Variant kNull = Variant::null();
const Variant kMissing = Variant::missing();

class Strings : public LibTest {};

TEST_F(Strings, MidLeftRightAtTheirEdges) {
  check({
      {"Mid", {S("abcdef"), L(2), L(3)}, "String:bcd"},
      {"Mid", {S("abcdef"), L(5)}, "String:ef"},
      {"Mid", {S("abcdef"), L(7)}, "String:"},
      {"Mid", {S("abcdef"), L(6), L(100)}, "String:f"},
      {"Mid", {S("abcdef"), L(2), L(0)}, "String:"},
      {"Mid", {S("abcdef"), L(0)}, "err:5"},
      {"Mid", {S("abcdef"), L(-1), L(2)}, "err:5"},
      {"Mid", {S("abcdef"), L(1), L(-1)}, "err:5"},
      {"Mid", {kNull, L(1)}, "Null"},
      {"Mid", {S("abc"), kNull}, "err:94"},
      {"Mid", {D(12345), L(2), L(2)}, "String:23"},
      {"Mid", {S("h\xC3\xA9llo w\xC3\xB6rld"), L(2), L(4)}, "String:\xC3\xA9llo"},
      {"Mid", {S("abc"), D(1.5), D(2.5)}, "String:bc"}, // arguments round half to even
      {"Left", {S("abcdef"), L(3)}, "String:abc"},
      {"Left", {S("abc"), L(10)}, "String:abc"},
      {"Left", {S("abc"), L(-1)}, "err:5"},
      {"Left", {kNull, L(1)}, "Null"},
      {"Right", {S("abcdef"), L(2)}, "String:ef"},
      {"Right",
       {S("\xE2\x82\xAC"
          "12"),
        L(3)},
       "String:\xE2\x82\xAC"
       "12"},
      {"Right", {S("abc"), L(0)}, "String:"},
      {"Right", {S("abc"), L(-2)}, "err:5"},
      {"Len", {S("h\xC3\xA9")}, "Long:2"},
      {"Len", {kNull}, "Null"},
      {"Len", {Variant()}, "Long:0"},
      {"Len", {D(-1.5)}, "Long:4"},
      {"LenB", {S("ab")}, "Long:4"},
  });
}

TEST_F(Strings, InStrAndInStrRevAtTheirEdges) {
  check({
      {"InStr", {S("abcabc"), S("c")}, "Long:3"},
      {"InStr", {L(4), S("abcabc"), S("c")}, "Long:6"},
      {"InStr", {L(7), S("abcabc"), S("c")}, "Long:0"},
      {"InStr", {L(100), S("abc"), S("")}, "Long:0"},
      {"InStr", {L(2), S("abc"), S("")}, "Long:2"},
      {"InStr", {S(""), S("")}, "Long:0"},
      {"InStr", {S("abc"), S("")}, "Long:1"},
      {"InStr", {L(0), S("abc"), S("a")}, "err:5"},
      {"InStr", {L(-1), S("abc"), S("a")}, "err:5"},
      {"InStr", {kNull, S("abc"), S("a")}, "err:94"},
      {"InStr", {S("abc"), kNull}, "Null"},
      {"InStr", {kNull, S("a")}, "Null"},
      {"InStr", {L(1), S("ABC"), S("b"), L(1)}, "Long:2"},
      {"InStr", {L(1), S("ABC"), S("b"), L(0)}, "Long:0"},
      {"InStr", {L(1), S("ABC"), S("b"), L(3)}, "err:5"},
      {"InStr", {S("\xC3\xA9t\xC3\xA9"), S("t")}, "Long:2"},
      {"InStr",
       {L(1),
        S("STRA\xC3\x9F"
          "E"),
        S("\xC3\x9F"
          "e"),
        L(1)},
       "Long:5"},
      {"InStr", {L(1), S("\xC3\x89T\xC3\x89"), S("\xC3\xA9"), L(1)}, "Long:1"},
      // Positions count characters, whichever way the start was written.
      {"InStr", {I(4), S("abcabc"), S("a")}, "Long:4"},
      {"InStr", {D(4), S("abcabc"), S("a")}, "Long:4"},
      {"InStr", {S("4"), S("abcabc"), S("a")}, "Long:4"},
      {"InStr", {S("\xC3\xA9\xC3\xA9x"), S("x")}, "Long:3"},
      {"InStr", {L(1), S("\xC3\xA9\xC3\xA9x"), S("x")}, "Long:3"},
      {"InStr", {L(3), S("\xC3\xA9t\xC3\xA9t"), S("t")}, "Long:4"},
      {"InStr", {L(2), S("\xC3\xA9t\xC3\xA9t"), S("\xC3\xA9")}, "Long:3"},
      {"InStrRev", {S("abcabc"), S("b")}, "Long:5"},
      {"InStrRev", {S("abcabc"), S("b"), L(4)}, "Long:2"},
      {"InStrRev", {S("abcabc"), S("bc"), L(5)}, "Long:2"},
      {"InStrRev", {S("abcabc"), S("b"), L(7)}, "Long:0"},
      {"InStrRev", {S("abc"), S(""), L(2)}, "Long:2"},
      {"InStrRev", {S("abc"), S("")}, "Long:3"},
      {"InStrRev", {S("abc"), S("a"), L(0)}, "err:5"},
      {"InStrRev", {S("abc"), S("a"), L(-2)}, "err:5"},
      {"InStrRev", {S("aXbx"), S("x"), L(-1), L(1)}, "Long:4"},
      {"InStrRev", {S("aXbx"), S("X"), L(3), L(1)}, "Long:2"},
      {"InStrRev", {kNull, S("a")}, "err:94"},
      {"InStrRev", {S("a"), kNull}, "err:94"},
  });
}

TEST_F(Strings, ReplaceWithStartCountAndTextCompare) {
  check({
      {"Replace", {S("aXbXcX"), S("X"), S("-")}, "String:a-b-c-"},
      {"Replace", {S("aXbXcX"), S("X"), S("-"), L(1), L(2)}, "String:a-b-cX"},
      // The result starts at `start`: the text before it is dropped.
      {"Replace", {S("aXbXcX"), S("X"), S("-"), L(3)}, "String:b-c-"},
      {"Replace", {S("aXbXcX"), S("X"), S("-"), L(7)}, "String:"},
      {"Replace", {S("aXbXcX"), S("x"), S("-")}, "String:aXbXcX"},
      {"Replace", {S("aXbXcX"), S("x"), S("-"), L(1), L(-1), L(1)}, "String:a-b-c-"},
      {"Replace", {S("aXbxcX"), S("x"), S("--"), L(2), L(2), L(1)}, "String:--b--cX"},
      {"Replace", {S("abc"), S(""), S("-")}, "String:abc"},
      {"Replace", {S(""), S("a"), S("-")}, "String:"},
      {"Replace", {S("\xC3\xA9" "a\xC3\xA9"), S("\xC3\xA9"), S("e")}, "String:eae"},
      {"Replace", {S("a.b.c"), S("."), S("")}, "String:abc"},
      {"Replace", {S("abc"), S(""), S("-"), L(2)}, "String:bc"},
      {"Replace", {S("abcabc"), S("b"), S(""), L(1), L(0)}, "String:abcabc"},
      {"Replace", {S("aaa"), S("aa"), S("b")}, "String:ba"},
      {"Replace", {S("abc"), S("b"), S("x"), L(0)}, "err:5"},
      {"Replace", {S("abc"), S("b"), S("x"), L(1), L(-2)}, "err:5"},
      {"Replace", {kNull, S("b"), S("x")}, "err:94"},
      {"Replace",
       {S("\xC3\x84pfel \xC3\xA4pfel"), S("\xC3\xA4"), S("ae"), L(1), L(-1), L(1)},
       "String:aepfel aepfel"},
      {"Replace", {S("\xC3\xA9t\xC3\xA9"), S("t"), S("T"), L(2)}, "String:T\xC3\xA9"},
  });
}

TEST_F(Strings, SplitJoinAndFilter) {
  check({
      {"Split", {S("a,b,,c"), S(",")}, "[a|b||c]"},
      {"Split", {S("a b c")}, "[a|b|c]"},
      {"Split", {S("a,b,c"), S(","), L(2)}, "[a|b,c]"},
      {"Split", {S("a,b,c"), S(","), L(1)}, "[a,b,c]"},
      {"Split", {S("a,b,c"), S(","), L(0)}, "[]"},
      {"Split", {S(""), S(",")}, "[]"},
      {"Split", {S("abc"), S("")}, "[abc]"},
      {"Split", {S("aXbxc"), S("x"), L(-1), L(1)}, "[a|b|c]"},
      {"Split", {S("aXbxc"), S("x")}, "[aXb|c]"},
      {"Split", {S("a,b"), S(","), L(-2)}, "err:5"},
      {"Join", {arr({S("a"), I(1), Variant(true)}), S("-")}, "String:a-1-True"},
      {"Join", {arr({S("a"), S("b")})}, "String:a b"},
      {"Join", {arr({})}, "String:"},
      {"Join", {S("abc")}, "err:13"},
      {"Filter", {arr({S("apple"), S("Banana"), S("cherry")}), S("an")}, "[Banana]"},
      {"Filter",
       {arr({S("apple"), S("Banana"), S("cherry")}), S("A"), Variant(true), L(1)},
       "[apple|Banana]"},
      {"Filter", {arr({S("apple"), S("Banana"), S("cherry")}), S("a"), Variant(false)}, "[cherry]"},
      {"Filter", {arr({S("x")}), S("y")}, "[]"},
      {"Filter", {kNull, S("y")}, "err:94"},
  });
  Variant parts = call("Split", {S(""), S(",")});
  EXPECT_EQ(am::CLng(call("UBound", {parts})), -1);
  EXPECT_EQ(am::CLng(call("LBound", {parts})), 0);
}

TEST_F(Strings, CharacterCodes) {
  check({
      {"Asc", {S("A")}, "Integer:65"},
      {"Asc", {S("\xE2\x82\xAC")}, "Integer:128"}, // the euro sign in the ANSI code page
      {"Asc", {S("\xC3\xA9")}, "Integer:233"},
      {"Asc", {S("\xE4\xB8\xAD")}, "Integer:63"},
      {"Asc", {S("")}, "err:5"},
      {"Asc", {kNull}, "err:94"},
      {"AscW", {S("\xE4\xB8\xAD")}, "Integer:20013"},
      {"AscW", {S("\xEF\xBF\xBF")}, "Integer:-1"},
      {"AscB", {S("A")}, "Byte:65"},
      {"Chr", {L(65)}, "String:A"},
      {"Chr", {L(128)}, "String:\xE2\x82\xAC"},
      {"Chr", {L(256)}, "err:5"},
      {"Chr", {L(-1)}, "err:5"},
      {"ChrW", {L(20013)}, "String:\xE4\xB8\xAD"},
      {"ChrW", {L(-1)}, "String:\xEF\xBF\xBF"},
      {"ChrW", {L(65536)}, "err:5"},
  });
}

TEST_F(Strings, CaseTrimSpaceStringReverseAndCompare) {
  check({
      {"UCase",
       {S("stra\xC3\x9F"
          "e \xC3\xA9")},
       "String:STRA\xC3\x9F"
       "E \xC3\x89"},
      {"LCase", {S("\xC3\x89T\xC3\x89")}, "String:\xC3\xA9t\xC3\xA9"},
      {"UCase", {kNull}, "Null"},
      // ASCII texts, short and long, with the characters either side of each letter range.
      {"UCase", {S("@az[`AZ{")}, "String:@AZ[`AZ{"},
      {"LCase", {S("@az[`AZ{")}, "String:@az[`az{"},
      {"UCase", {S("")}, "String:"},
      {"UCase", {D(1e300)}, "String:1E+300"},
      {"UCase", {Variant(std::string(300, 'q') + "mixed Case")},
       "String:" + std::string(300, 'Q') + "MIXED CASE"},
      {"LCase", {Variant(std::string(300, 'Q') + "mixed Case")},
       "String:" + std::string(300, 'q') + "mixed case"},
      {"Trim", {S("  a b \t ")}, "String:a b \t"},
      {"LTrim", {S("  a  ")}, "String:a  "},
      {"RTrim", {S("  a  ")}, "String:  a"},
      {"Trim", {kNull}, "Null"},
      {"Space", {L(3)}, "String:   "},
      {"Space", {L(-1)}, "err:5"},
      {"String", {L(3), S("xyz")}, "String:xxx"},
      {"String", {L(2), L(65)}, "String:AA"},
      {"String", {L(2), L(321)}, "String:AA"},
      {"String", {L(2), S("")}, "err:5"},
      {"String", {L(-1), S("x")}, "err:5"},
      {"String", {L(2), kNull}, "Null"},
      {"StrReverse",
       {S("ab\xC3\xA9")},
       "String:\xC3\xA9"
       "ba"},
      {"StrReverse", {kNull}, "err:94"},
      // A stray byte keeps its place as one character; four-byte characters stay whole.
      {"StrReverse",
       {S("a\xFF\xF0\x9F\x98\x80"
          "b\xC3")},
       "String:\xC3"
       "b\xF0\x9F\x98\x80\xFF"
       "a"},
      {"StrComp", {S("a"), S("B")}, "Integer:1"},
      {"StrComp", {S("a"), S("B"), L(1)}, "Integer:-1"},
      {"StrComp", {S("ABC"), S("abc"), L(1)}, "Integer:0"},
      {"StrComp", {S("abc"), S("abc")}, "Integer:0"},
      {"StrComp", {S("a"), kNull}, "Null"},
      {"StrComp", {S("a"), S("b"), L(9)}, "err:5"},
  });
}

TEST_F(Strings, EscapeAndUnescape) {
  check({
      {"Escape", {S("a b+c/@*_-.~")}, "String:a%20b+c/@*_-.%7E"},
      {"Escape", {S("\xC3\xA9\xE2\x82\xAC")}, "String:%E9%u20AC"},
      {"Escape", {S("\xF0\x9F\x98\x80")}, "String:%uD83D%uDE00"},
      {"Unescape", {S("a%20b%u20AC%zz%")}, "String:a b\xE2\x82\xAC%zz%"},
      {"Unescape", {S("%uD83D%uDE00")}, "String:\xF0\x9F\x98\x80"},
      {"Escape", {kNull}, "Null"},
  });
}

TEST_F(Strings, MidStatementKeepsTheLength) {
  auto mid = [](const char* target, int start, Variant len, const char* with) {
    return am::CStr(vbs::midStatement(S(target), L(start), len, S(with)));
  };
  EXPECT_EQ(mid("abcdef", 2, kMissing, "XY"), "aXYdef");
  EXPECT_EQ(mid("abcdef", 2, L(1), "XY"), "aXcdef");
  EXPECT_EQ(mid("abcdef", 5, kMissing, "WXYZ"), "abcdWX");
  EXPECT_EQ(mid("h\xC3\xA9llo", 2, kMissing, "\xC3\xA0"), "h\xC3\xA0llo");
  auto errorOf = [&](const char* target, int start, Variant len) {
    try {
      vbs::midStatement(S(target), L(start), len, S("x"));
    } catch (const am::Error& e) {
      return e.number();
    }
    return 0;
  };
  EXPECT_EQ(errorOf("abc", 0, kMissing), 5);
  EXPECT_EQ(errorOf("abc", 4, kMissing), 5);
  EXPECT_EQ(errorOf("abc", 1, L(-1)), 5);
}

} // namespace
} // namespace vbslib_test
