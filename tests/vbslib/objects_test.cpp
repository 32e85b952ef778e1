// The script objects, reached by name through their member tables as scripts reach them.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "lib_helpers.h"
#include "platform/automation/factory.h"
#include "platform/automation/members.h"
#include "platform/vbscript/library.h"
#include "platform/vbscript/objects/dictionary.h"

namespace vbslib_test {
namespace {

namespace fs = std::filesystem;

class Objects : public LibTest {
protected:
  Objects() { vbs::registerScriptObjects(); }

  Variant create(const char* progId) { return call("CreateObject", {S(progId)}); }
  Variant get(const Variant& o, std::string_view member, std::vector<Variant> args = {}) {
    return am::invoke(o, member, am::kGetOrCall, am::ArgList(args));
  }
  void put(const Variant& o, std::string_view member, std::vector<Variant> args) {
    am::invoke(o, member, am::kPropertyLet, am::ArgList(args));
  }
  int errorOf(const std::function<void()>& f) {
    try {
      f();
    } catch (const am::Error& e) {
      return e.number();
    }
    return 0;
  }
  std::vector<std::string> forEach(const Variant& o) {
    std::vector<std::string> out;
    auto e = o.asObject()->newEnum();
    Variant v;
    while (e->next(v))
      out.push_back(v.isObject() ? am::CStr(am::valueOf(v)) : am::CStr(v));
    return out;
  }
};

TEST_F(Objects, DictionaryBasics) {
  Variant d = create("Scripting.Dictionary");
  EXPECT_EQ(am::CStr(call("TypeName", {d})), "Dictionary");
  get(d, "Add", {S("b"), I(2)});
  get(d, "Add", {S("a"), I(1)});
  EXPECT_EQ(errorOf([&] { get(d, "Add", {S("a"), I(3)}); }), 457);
  EXPECT_EQ(am::CLng(get(d, "Count")), 2);
}

TEST_F(Objects, DictionaryKeysItemsOrderAndMissingKeys) {
  Variant d = create("Scripting.Dictionary");
  get(d, "Add", {S("b"), I(2)});
  get(d, "Add", {S("a"), I(1)});
  get(d, "Add", {I(1), S("one")});
  EXPECT_EQ(show(get(d, "Keys")), "[b|a|1]");
  EXPECT_EQ(show(get(d, "Items")), "[2|1|one]");
  EXPECT_EQ(forEach(d), (std::vector<std::string>{"b", "a", "1"}));
  // Numbers of any subtype are the same key; text "1" is another.
  EXPECT_TRUE(am::CBool(get(d, "Exists", {D(1.0)})));
  EXPECT_TRUE(am::CBool(get(d, "Exists", {L(1)})));
  EXPECT_FALSE(am::CBool(get(d, "Exists", {S("1")})));
  // Reading a missing key adds it with an Empty item.
  Variant missing = get(d, "Item", {S("zz")});
  EXPECT_TRUE(missing.isEmpty());
  EXPECT_EQ(am::CLng(get(d, "Count")), 4);
  // The default member is Item, for reading and for assignment.
  std::vector<Variant> args{S("a"), S("A!")};
  d.asObject()->invokeDefault(am::kPropertyLet, am::ArgList(args));
  std::vector<Variant> key{S("a")};
  EXPECT_EQ(am::CStr(d.asObject()->invokeDefault(am::kPropertyGet, am::ArgList(key))), "A!");
  put(d, "Key", {S("a"), S("c")});
  EXPECT_EQ(show(get(d, "Keys")), "[b|c|1|zz]");
  EXPECT_EQ(errorOf([&] { put(d, "Key", {S("nope"), S("x")}); }), 32811);
  EXPECT_EQ(errorOf([&] { put(d, "Key", {S("b"), S("c")}); }), 457);
  get(d, "Remove", {S("c")});
  EXPECT_EQ(errorOf([&] { get(d, "Remove", {S("c")}); }), 32811);
  EXPECT_EQ(show(get(d, "Keys")), "[b|1|zz]");
  get(d, "RemoveAll");
  EXPECT_EQ(am::CLng(get(d, "Count")), 0);
  EXPECT_EQ(show(get(d, "Keys")), "[]");
}

TEST_F(Objects, DictionaryCompareModes) {
  Variant binary = create("Scripting.Dictionary");
  get(binary, "Add", {S("Key"), I(1)});
  EXPECT_EQ(errorOf([&] { get(binary, "Add", {S("KEY"), I(2)}); }), 0);
  EXPECT_EQ(errorOf([&] { put(binary, "CompareMode", {I(1)}); }), 5); // not while filled

  Variant textual = create("Scripting.Dictionary");
  put(textual, "CompareMode", {I(1)});
  get(textual, "Add",
      {S("Stra\xC3\x9F"
         "e"),
       I(1)});
  EXPECT_TRUE(am::CBool(get(textual, "Exists", {S("STRASSE")})));
  EXPECT_TRUE(am::CBool(get(textual, "Exists", {S("strasse")})));
  EXPECT_EQ(errorOf([&] {
              get(textual, "Add",
                  {S("STRA\xC3\x9F"
                     "E"),
                   I(2)});
            }),
            457);
  // Keys keep the form they were added in.
  EXPECT_EQ(show(get(textual, "Keys")), "[Stra\xC3\x9F"
                                        "e]");
  EXPECT_EQ(am::CLng(get(textual, "CompareMode")), 1);
}

TEST_F(Objects, DictionaryObjectKeysAndCppUse) {
  vbs::Dictionary d;
  Variant o1 = create("Scripting.Dictionary"), o2 = create("Scripting.Dictionary");
  d.Add(o1, S("first"));
  d.Add(o2, S("second"));
  ASSERT_NE(d.find(o2), nullptr);
  EXPECT_EQ(am::CStr(*d.find(o2)), "second");
  EXPECT_EQ(d.find(S("x")), nullptr);
  EXPECT_EQ(d.Count(), 2);
  EXPECT_EQ(errorOf([&] { d.Add(call("Array", {I(1)}), S("x")); }), 13);
}

// Keys are one when their values are: numbers of every subtype by value (0 and -0 too),
// never a number and its text, nor a Boolean, a date or Empty and the number 0.
TEST_F(Objects, DictionaryKeysAreComparedByValue) {
  vbs::Dictionary d;
  d.Add(I(1), S("one"));
  d.Add(D(0), S("zero"));
  struct {
    Variant key;
    bool found;
  } cases[] = {
      {D(1.0), true},
      {Variant(uint8_t{1}), true},
      {L(1), true},
      {Variant(am::Currency{10000}), true},
      {Variant(1.0f), true},
      {D(-0.0), true},
      {S("1"), false},
      {Variant(true), false},
      {Variant(am::DateTime{1}), false},
      {Variant(), false},
      {Variant::null(), false},
      {D(1.5), false},
  };
  for (auto& c : cases)
    EXPECT_EQ(d.find(c.key) != nullptr, c.found) << am::CStr(call("TypeName", {c.key}));
  d.Add(Variant(), S("empty"));
  EXPECT_EQ(am::CStr(*d.find(Variant())), "empty");
  EXPECT_EQ(d.find(Variant::null()), nullptr);
}

// The default member reads an item as Item does, and checks its arguments as the table does.
TEST_F(Objects, DictionaryDefaultMember) {
  Variant d = create("Scripting.Dictionary");
  put(d, "CompareMode", {I(1)});
  get(d, "Add", {S("Key"), I(1)});
  auto byDefault = [&](std::vector<Variant> args, int kind = am::kGetOrCall) {
    return d.asObject()->invokeDefault(kind, am::ArgList(args));
  };
  EXPECT_EQ(am::CLng(byDefault({S("KEY")})), 1);
  EXPECT_TRUE(byDefault({S("new")}).isEmpty());
  EXPECT_EQ(am::CLng(get(d, "Count")), 2);
  byDefault({S("new"), I(5)}, am::kPropertyLet);
  EXPECT_EQ(am::CLng(get(d, "Item", {S("NEW")})), 5);
  EXPECT_EQ(errorOf([&] { byDefault({}); }), 450);
  EXPECT_EQ(errorOf([&] { byDefault({S("a"), S("b")}); }), 450);
  EXPECT_EQ(errorOf([&] { byDefault({Variant::missing()}); }), 449);
  EXPECT_EQ(errorOf([&] { byDefault({call("Array", {I(1)})}); }), 13);
}

// A walk gives the keys the dictionary had when it began, whatever changes on the way.
TEST_F(Objects, DictionaryWalkGivesTheKeysItBeganWith) {
  struct Case {
    const char* name;
    std::function<void(const Variant&)> change; // made after the first key is given
    const char* keys;                           // what the walk gives
    const char* after;                          // the keys the dictionary ends with
  } cases[] = {
      {"nothing", [](const Variant&) {}, "b|c|d", "[a|b|c|d]"},
      {"add", [&](const Variant& d) { get(d, "Add", {S("e"), I(5)}); }, "b|c|d", "[a|b|c|d|e]"},
      {"item of a new key", [&](const Variant& d) { get(d, "Item", {S("e")}); }, "b|c|d",
       "[a|b|c|d|e]"},
      {"remove", [&](const Variant& d) { get(d, "Remove", {S("c")}); }, "b|c|d", "[a|b|d]"},
      {"rename", [&](const Variant& d) { put(d, "Key", {S("d"), S("z")}); }, "b|c|d",
       "[a|b|c|z]"},
      {"remove all", [&](const Variant& d) { get(d, "RemoveAll"); }, "b|c|d", "[]"},
      {"item changed", [&](const Variant& d) { put(d, "Item", {S("b"), I(0)}); }, "b|c|d",
       "[a|b|c|d]"},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    Variant d = create("Scripting.Dictionary");
    for (const char* k : {"gone", "a", "b", "c", "d"})
      get(d, "Add", {S(k), I(1)});
    get(d, "Remove", {S("gone")}); // a hole the walk steps over
    auto walk = d.asObject()->newEnum();
    auto other = d.asObject()->newEnum(); // a second walk at once, never changed by the first
    Variant k;
    ASSERT_TRUE(walk->next(k));
    EXPECT_EQ(am::CStr(k), "a");
    c.change(d);
    std::string keys;
    while (walk->next(k))
      keys += (keys.empty() ? "" : "|") + am::CStr(k);
    EXPECT_EQ(keys, c.keys);
    std::string all;
    while (other->next(k))
      all += am::CStr(k);
    EXPECT_EQ(all, "abcd");
    EXPECT_EQ(show(get(d, "Keys")), c.after);
  }
}

// Text keys of every short length are found by their own text and by no text one byte off.
TEST_F(Objects, DictionaryTextKeysOfEveryShortLength) {
  vbs::Dictionary d;
  std::string base = "abcdefghijklmnopqrstu";
  for (size_t n = 0; n <= base.size(); ++n)
    d.Add(Variant(base.substr(0, n)), L(static_cast<int32_t>(n)));
  for (size_t n = 0; n <= base.size(); ++n) {
    std::string k = base.substr(0, n);
    const Variant* item = d.find(Variant(k));
    ASSERT_NE(item, nullptr) << n;
    EXPECT_EQ(am::CLng(*item), static_cast<int32_t>(n));
    for (size_t i = 0; i < n; ++i) {
      std::string off = k;
      off[i] = '#';
      EXPECT_EQ(d.find(Variant(off)), nullptr) << off;
    }
  }
}

// Removals leave the order of the rest as it was, through growth and reuse of the index.
TEST_F(Objects, DictionaryOrderSurvivesRemovalsAndRenames) {
  Variant d = create("Scripting.Dictionary");
  std::vector<std::string> expected;
  // Enough entries to fill several of the dictionary's storage chunks.
  for (int i = 0; i < 3000; ++i) {
    std::string k = "k" + std::to_string(i);
    get(d, "Add", {Variant(k), L(i)});
    if (i % 3 == 0) expected.push_back(k);
  }
  for (int i = 0; i < 3000; ++i)
    if (i % 3 != 0) get(d, "Remove", {Variant("k" + std::to_string(i))});
  for (int i = 0; i < 1500; ++i) {
    std::string k = "n" + std::to_string(i);
    get(d, "Add", {Variant(k), L(-i)});
    expected.push_back(k);
  }
  put(d, "Key", {S("k3"), S("renamed")});
  expected[1] = "renamed";
  std::string want = "[";
  for (size_t i = 0; i < expected.size(); ++i)
    want += (i ? "|" : "") + expected[i];
  EXPECT_EQ(show(get(d, "Keys")), want + "]");
  EXPECT_EQ(am::CLng(get(d, "Count")), static_cast<int32_t>(expected.size()));
  EXPECT_FALSE(am::CBool(get(d, "Exists", {S("k3")})));
  EXPECT_FALSE(am::CBool(get(d, "Exists", {S("k4")})));
  EXPECT_EQ(am::CLng(get(d, "Item", {S("renamed")})), 3);
  EXPECT_EQ(am::CLng(get(d, "Item", {S("n1499")})), -1499);
  EXPECT_EQ(errorOf([&] { get(d, "Add", {S("k2997"), I(0)}); }), 457);
  for (const std::string& k : expected)
    get(d, "Remove", {Variant(k)});
  EXPECT_EQ(am::CLng(get(d, "Count")), 0);
  get(d, "Add", {S("again"), I(1)});
  EXPECT_EQ(show(get(d, "Keys")), "[again]");
}

TEST_F(Objects, RegExpSubmatchesAndReplacement) {
  Variant re = create("VBScript.RegExp");
  EXPECT_EQ(am::CStr(call("TypeName", {re})), "IRegExp2");
  put(re, "Pattern", {S("(\\w+)@(\\w+)\\.com")});
  put(re, "Global", {Variant(true)});
  Variant matches = get(re, "Execute", {S("mail ann@site.com, bob@web.com")});
  EXPECT_EQ(am::CLng(get(matches, "Count")), 2);
  Variant m = get(matches, "Item", {I(1)});
  EXPECT_EQ(am::CStr(get(m, "Value")), "bob@web.com");
  EXPECT_EQ(am::CLng(get(m, "FirstIndex")), 19);
  EXPECT_EQ(am::CLng(get(m, "Length")), 11);
  Variant subs = get(m, "SubMatches");
  EXPECT_EQ(am::CLng(get(subs, "Count")), 2);
  EXPECT_EQ(am::CStr(get(subs, "Item", {I(0)})), "bob");
  EXPECT_EQ(forEach(subs), (std::vector<std::string>{"bob", "web"}));
  EXPECT_EQ(forEach(matches), (std::vector<std::string>{"ann@site.com", "bob@web.com"}));
  EXPECT_EQ(am::CStr(get(re, "Replace", {S("ann@site.com; bob@web.com"), S("$2:$1")})),
            "site:ann; web:bob");
  put(re, "Global", {Variant(false)});
  EXPECT_EQ(am::CStr(get(re, "Replace", {S("ann@site.com; bob@web.com"), S("<$&>")})),
            "<ann@site.com>; bob@web.com");
  EXPECT_EQ(errorOf([&] { get(matches, "Item", {I(2)}); }), 5);

  put(re, "Pattern", {S("^b")});
  EXPECT_FALSE(am::CBool(get(re, "Test", {S("a\nb")})));
  put(re, "Multiline", {Variant(true)});
  EXPECT_TRUE(am::CBool(get(re, "Test", {S("a\nb")})));
  put(re, "Pattern", {S("B")});
  put(re, "IgnoreCase", {Variant(true)});
  EXPECT_TRUE(am::CBool(get(re, "Test", {S("abc")})));
  put(re, "Pattern", {S("(a")});
  EXPECT_EQ(errorOf([&] { get(re, "Test", {S("abc")}); }), 5020);
  // An optional group that took no part reads as Empty.
  put(re, "Pattern", {S("(x)?(b)")});
  Variant sub =
      get(get(get(get(re, "Execute", {S("abc")}), "Item", {I(0)}), "SubMatches"), "Item", {I(0)});
  EXPECT_TRUE(sub.isEmpty());
  // FirstIndex counts characters.
  put(re, "Pattern", {S("c")});
  EXPECT_EQ(am::CLng(get(get(get(re, "Execute",
                                 {S("\xC3\xA9"
                                    "bc")}),
                             "Item", {I(0)}),
                         "FirstIndex")),
            2);
  // The engine's New RegExp gets the same class.
  EXPECT_EQ(vbs::newRegExp()->typeName(), "IRegExp2");
}

class TempDir : public Objects {
protected:
  TempDir() {
    root = fs::temp_directory_path() /
           ("vbslib-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root);
    fs::create_directories(root);
  }
  ~TempDir() override { fs::remove_all(root); }
  std::string path(const std::string& rel) const { return (root / rel).string(); }
  std::string bytesOf(const std::string& rel) const {
    std::ifstream in(root / rel, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void writeBytes(const std::string& rel, const std::string& bytes) const {
    std::ofstream(root / rel, std::ios::binary) << bytes;
  }
  fs::path root;
};

const char* kSample = "caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD";

TEST_F(TempDir, TextRoundTripsInUtf8AndUtf16) {
  Variant fso = create("Scripting.FileSystemObject");
  // Unicode: UTF-16LE with its byte-order mark.
  Variant ts =
      get(fso, "CreateTextFile", {S(path("u16.txt").c_str()), Variant(true), Variant(true)});
  get(ts, "WriteLine", {S(kSample)});
  get(ts, "Write", {S("end")});
  get(ts, "Close");
  std::string raw = bytesOf("u16.txt");
  ASSERT_GE(raw.size(), 4u);
  EXPECT_EQ(raw.substr(0, 4), std::string("\xFF\xFE"
                                          "c\0",
                                          4));
  ts = get(fso, "OpenTextFile", {S(path("u16.txt").c_str()), I(1), Variant(false), I(-1)});
  EXPECT_EQ(am::CStr(get(ts, "ReadLine")), kSample);
  EXPECT_FALSE(am::CBool(get(ts, "AtEndOfStream")));
  EXPECT_EQ(am::CStr(get(ts, "ReadAll")), "end");
  EXPECT_TRUE(am::CBool(get(ts, "AtEndOfStream")));
  EXPECT_EQ(errorOf([&] { get(ts, "ReadLine"); }), 62);
  get(ts, "Close");

  // The system default is UTF-8 without a mark; reading tells the encoding itself.
  ts = get(fso, "OpenTextFile", {S(path("u8.txt").c_str()), I(2), Variant(true), I(-2)});
  get(ts, "WriteLine", {S(kSample)});
  get(ts, "WriteLine");
  get(ts, "Close");
  EXPECT_EQ(bytesOf("u8.txt"), std::string(kSample) + "\r\n\r\n");
  ts = get(fso, "OpenTextFile", {S(path("U8.TXT").c_str())}); // letter case differs
  EXPECT_EQ(am::CStr(get(ts, "ReadLine")), kSample);
  EXPECT_EQ(am::CLng(get(ts, "Line")), 2);
  EXPECT_EQ(am::CStr(get(ts, "ReadLine")), "");
  EXPECT_TRUE(am::CBool(get(ts, "AtEndOfStream")));
  get(ts, "Close");

  // Appending continues the file; a UTF-16 file read in the default format is still found
  // by its mark.
  ts = get(fso, "OpenTextFile", {S(path("u16.txt").c_str()), I(8), Variant(false), I(-1)});
  get(ts, "Write", {S("+more")});
  get(ts, "Close");
  ts = get(fso, "OpenTextFile", {S(path("u16.txt").c_str())});
  EXPECT_EQ(am::CStr(get(ts, "ReadAll")), std::string(kSample) + "\r\nend+more");
}

TEST_F(TempDir, AnsiFormatAndStreamModes) {
  Variant fso = create("Scripting.FileSystemObject");
  Variant ts = get(fso, "CreateTextFile", {S(path("a.txt").c_str())});
  get(ts, "Write", {S("caf\xC3\xA9")});
  EXPECT_EQ(errorOf([&] { get(ts, "Write", {S("\xE4\xB8\xAD")}); }), 5); // not in the code page
  EXPECT_EQ(errorOf([&] { get(ts, "ReadLine"); }), 54);
  get(ts, "Close");
  EXPECT_EQ(bytesOf("a.txt"), "caf\xE9");
  ts = get(fso, "OpenTextFile", {S(path("a.txt").c_str())});
  EXPECT_EQ(am::CStr(get(ts, "Read", {I(3)})), "caf");
  EXPECT_EQ(am::CLng(get(ts, "Column")), 4);
  EXPECT_EQ(am::CStr(get(ts, "ReadAll")), "\xC3\xA9");
  EXPECT_EQ(errorOf([&] { get(ts, "Write", {S("x")}); }), 54);
  get(ts, "Close");
  EXPECT_EQ(errorOf([&] {
              get(fso, "CreateTextFile", {S(path("a.txt").c_str()), Variant(false)});
            }),
            58);
  EXPECT_EQ(errorOf([&] { get(fso, "OpenTextFile", {S(path("none.txt").c_str())}); }), 53);
  EXPECT_EQ(errorOf([&] {
              get(fso, "OpenTextFile", {S(path("no/none.txt").c_str()), I(2), Variant(true)});
            }),
            76);
  // An empty file has nothing to read at all.
  writeBytes("empty.txt", "");
  ts = get(fso, "OpenTextFile", {S(path("empty.txt").c_str())});
  EXPECT_TRUE(am::CBool(get(ts, "AtEndOfStream")));
  EXPECT_EQ(errorOf([&] { get(ts, "ReadAll"); }), 62);
  // A stream released without Close keeps what was written.
  {
    Variant w = get(fso, "CreateTextFile", {S(path("unclosed.txt").c_str())});
    get(w, "Write", {S("kept")});
  }
  EXPECT_EQ(bytesOf("unclosed.txt"), "kept");
  // Appending to a UTF-8 file continues in UTF-8.
  writeBytes("app.txt", "na\xC3\xAFve\r\n");
  ts = get(fso, "OpenTextFile", {S(path("app.txt").c_str()), I(8)});
  get(ts, "Write", {S("caf\xC3\xA9")});
  get(ts, "Close");
  EXPECT_EQ(bytesOf("app.txt"), "na\xC3\xAFve\r\ncaf\xC3\xA9");
  // Mixed line ends all end lines.
  writeBytes("lines.txt", "a\r\nb\nc\rd");
  ts = get(fso, "OpenTextFile", {S(path("lines.txt").c_str())});
  std::string lines;
  while (!am::CBool(get(ts, "AtEndOfStream")))
    lines += am::CStr(get(ts, "ReadLine")) + "|";
  EXPECT_EQ(lines, "a|b|c|d|");
}

TEST_F(TempDir, PathTextAcceptsBothSeparators) {
  Variant fso = create("Scripting.FileSystemObject");
  struct T {
    const char* fn;
    const char* arg;
    const char* expected;
  } table[] = {
      {"GetFileName", "C:\\work\\site\\page.asp", "page.asp"},
      {"GetFileName", "/srv/site/", "site"},
      {"GetFileName", "/", ""},
      {"GetBaseName", "dir/archive.tar.gz", "archive.tar"},
      {"GetBaseName", "dir\\README", "README"},
      {"GetExtensionName", "dir/archive.tar.gz", "gz"},
      {"GetExtensionName", "dir/README", ""},
      {"GetParentFolderName", "C:\\work\\site\\page.asp", "C:\\work\\site"},
      {"GetParentFolderName", "/srv/site/", "/srv"},
      {"GetParentFolderName", "page.asp", ""},
      {"GetDriveName", "C:\\work", "C:"},
      {"GetDriveName", "/srv", ""},
  };
  for (const T& t : table)
    EXPECT_EQ(am::CStr(get(fso, t.fn, {S(t.arg)})), t.expected) << t.fn << " " << t.arg;
  EXPECT_EQ(am::CStr(get(fso, "BuildPath", {S("/srv/site"), S("page.asp")})), "/srv/site/page.asp");
  EXPECT_EQ(am::CStr(get(fso, "BuildPath", {S("C:\\site"), S("page.asp")})), "C:\\site\\page.asp");
  EXPECT_EQ(am::CStr(get(fso, "BuildPath", {S("/srv/"), S("/x")})), "/srv/x");
  std::string temp = am::CStr(get(fso, "GetTempName"));
  EXPECT_EQ(temp.size(), 12u);
  EXPECT_EQ(temp.substr(0, 3), "rad");
  EXPECT_EQ(temp.substr(8), ".tmp");
}

TEST_F(TempDir, FilesAndFolders) {
  Variant fso = create("Scripting.FileSystemObject");
  Variant folder = get(fso, "CreateFolder", {S(path("Sub").c_str())});
  EXPECT_EQ(am::CStr(call("TypeName", {folder})), "Folder");
  EXPECT_EQ(errorOf([&] { get(fso, "CreateFolder", {S(path("Sub").c_str())}); }), 58);
  EXPECT_TRUE(am::CBool(get(fso, "FolderExists", {S((root.string() + "\\sub").c_str())})));
  writeBytes("Sub/one.txt", "1");
  writeBytes("Sub/two.htm", "22");
  writeBytes("Sub/three.txt", "333");
  EXPECT_EQ(am::CLng(get(get(folder, "Files"), "Count")), 3);
  EXPECT_EQ(forEach(get(folder, "Files")).size(), 3u);
  Variant file = get(fso, "GetFile", {S((root.string() + "\\SUB\\Two.HTM").c_str())});
  EXPECT_EQ(am::CStr(get(file, "Name")), "two.htm");
  EXPECT_EQ(am::CLng(get(file, "Size")), 2);
  EXPECT_EQ(am::CStr(get(get(file, "ParentFolder"), "Name")), "Sub");
  EXPECT_EQ(am::CStr(call("TypeName", {get(file, "DateLastModified")})), "Date");
  EXPECT_EQ(errorOf([&] { get(fso, "GetFile", {S(path("Sub/none").c_str())}); }), 53);
  EXPECT_EQ(errorOf([&] { get(fso, "GetFolder", {S(path("none").c_str())}); }), 76);

  get(fso, "CopyFile", {S(path("Sub/*.TXT").c_str()), S(path("").c_str())});
  EXPECT_TRUE(fs::exists(root / "one.txt"));
  EXPECT_TRUE(fs::exists(root / "three.txt"));
  EXPECT_FALSE(fs::exists(root / "two.htm"));
  EXPECT_EQ(errorOf([&] {
              get(fso, "CopyFile",
                  {S(path("Sub/one.txt").c_str()), S(path("one.txt").c_str()), Variant(false)});
            }),
            58);
  get(fso, "MoveFile", {S(path("one.txt").c_str()), S(path("moved.txt").c_str())});
  EXPECT_TRUE(fs::exists(root / "moved.txt"));
  EXPECT_FALSE(fs::exists(root / "one.txt"));
  get(fso, "DeleteFile", {S(path("*.txt").c_str())});
  EXPECT_FALSE(fs::exists(root / "moved.txt"));
  EXPECT_EQ(errorOf([&] { get(fso, "DeleteFile", {S(path("*.txt").c_str())}); }), 53);
  EXPECT_EQ(errorOf([&] { get(fso, "DeleteFile", {S(path("gone.txt").c_str())}); }), 53);
  get(get(folder, "SubFolders"), "Add", {S("Inner")});
  EXPECT_EQ(forEach(get(folder, "SubFolders")).size(), 1u);
  get(fso, "DeleteFolder", {S(path("Sub").c_str())});
  EXPECT_FALSE(fs::exists(root / "Sub"));
  EXPECT_EQ(am::CStr(get(get(fso, "GetSpecialFolder", {I(2)}), "Path")).empty(), false);
}

TEST_F(TempDir, AdoStreamWritesUtf8WithItsMarkAndReadsItBack) {
  Variant st = create("ADODB.Stream");
  EXPECT_EQ(am::CStr(call("TypeName", {st})), "Stream");
  put(st, "Type", {I(2)});
  get(st, "Open");
  put(st, "Position", {I(0)});
  put(st, "Charset", {S("UTF-8")});
  get(st, "WriteText", {S(kSample)});
  get(st, "WriteText", {S("!"), I(1)});
  get(st, "SaveToFile", {S(path("s.txt").c_str()), I(2)});
  EXPECT_EQ(errorOf([&] { get(st, "SaveToFile", {S(path("s.txt").c_str())}); }), 3004);
  get(st, "Close");
  EXPECT_EQ(bytesOf("s.txt"), std::string("\xEF\xBB\xBF") + kSample + "!\r\n");
  EXPECT_EQ(errorOf([&] { get(st, "ReadText"); }), 3704);

  Variant in = create("ADODB.Stream");
  put(in, "Type", {I(2)});
  get(in, "Open");
  put(in, "Charset", {S("utf-8")});
  get(in, "LoadFromFile", {S(path("s.txt").c_str())});
  EXPECT_EQ(am::CStr(get(in, "ReadText", {I(4)})), "caf\xC3\xA9");
  EXPECT_EQ(am::CStr(get(in, "ReadText")), std::string(" \xE2\x82\xAC \xE4\xB8\xAD!\r\n"));
  EXPECT_TRUE(am::CBool(get(in, "EOS")));
  get(in, "Close");

  // Binary: the first bytes of a file.
  Variant bin = create("ADODB.Stream");
  put(bin, "Type", {I(1)});
  get(bin, "Open");
  get(bin, "LoadFromFile", {S(path("s.txt").c_str())});
  Variant head = get(bin, "Read", {I(3)});
  ASSERT_TRUE(head.isArray());
  EXPECT_EQ(show(head), "[239|187|191]");
  EXPECT_EQ(errorOf([&] { get(bin, "ReadText"); }), 3219);
  EXPECT_EQ(errorOf([&] { get(bin, "LoadFromFile", {S(path("none").c_str())}); }), 3002);
}

TEST_F(TempDir, AdoStreamUnicodeIsUtf16WithAMark) {
  Variant st = create("ADODB.Stream");
  get(st, "Open");
  get(st, "WriteText", {S("hi")});
  EXPECT_EQ(am::CLng(get(st, "Size")), 6);
  put(st, "Position", {I(0)});
  EXPECT_EQ(am::CStr(get(st, "ReadText")), "hi");
  get(st, "SaveToFile", {S(path("w.txt").c_str())});
  EXPECT_EQ(bytesOf("w.txt"), std::string("\xFF\xFEh\0i\0", 6));
}

TEST_F(TempDir, PathsWithNulTouchNothing) {
  Variant fso = create("Scripting.FileSystemObject");
  writeBytes("keep.txt", "precious");
  const std::string nul(1, '\0');
  // Built with the string's length: a C string would end at the NUL.
  auto text = [](const std::string& s) { return Variant(std::string_view(s)); };
  EXPECT_EQ(errorOf([&] { get(fso, "CreateTextFile", {text(path("keep.txt") + nul + ".bak")}); }),
            52);
  EXPECT_EQ(errorOf([&] { get(fso, "DeleteFile", {text(path("keep.txt") + nul + "*")}); }), 52);
  EXPECT_EQ(errorOf([&] {
              get(fso, "OpenTextFile", {text(path("keep.txt") + nul + "x"), I(8), Variant(true)});
            }),
            52);
  EXPECT_EQ(bytesOf("keep.txt"), "precious");
}

TEST_F(TempDir, AppendingProcessesLoseNoLines) {
  const std::string log = path("log.txt");
  constexpr int kWriters = 3, kLines = 200;
  std::vector<pid_t> pids;
  for (int w = 0; w < kWriters; ++w) {
    pid_t pid = ::fork();
    if (pid == 0) {
      Variant fso = create("Scripting.FileSystemObject");
      for (int i = 0; i < kLines; ++i) {
        Variant ts = get(fso, "OpenTextFile", {S(log.c_str()), I(8), Variant(true)});
        get(ts, "WriteLine",
            {S(("writer " + std::to_string(w) + " line " + std::to_string(i)).c_str())});
        get(ts, "Close");
      }
      ::_exit(0);
    }
    pids.push_back(pid);
  }
  for (pid_t pid : pids) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  std::string all = bytesOf("log.txt");
  EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), kWriters * kLines);
}

TEST_F(TempDir, AdoStreamPositionNeverPassesSize) {
  // Bytes that are not UTF-8 decode to replacement characters that are longer than the
  // bytes they stand for.
  writeBytes("bad.txt", "a\xFF\xFE\xFD\xFC\r\nnext\r\n");
  Variant st = create("ADODB.Stream");
  put(st, "Type", {I(2)});
  put(st, "Charset", {S("utf-8")});
  get(st, "Open");
  get(st, "LoadFromFile", {S(path("bad.txt").c_str())});
  const int32_t size = am::CLng(get(st, "Size"));
  get(st, "ReadText", {I(-2)});
  EXPECT_EQ(am::CLng(get(st, "Position")), 7);
  EXPECT_EQ(am::CStr(get(st, "ReadText", {I(-2)})), "next");
  EXPECT_EQ(am::CLng(get(st, "Position")), size);
  for (int i = 0; i < 2; ++i) {
    put(st, "Position", {I(1)});
    get(st, "ReadText", {I(i == 0 ? 3 : -2)});
    EXPECT_LE(am::CLng(get(st, "Position")), size);
  }
  get(st, "SetEOS");
  EXPECT_LE(am::CLng(get(st, "Size")), size);
  get(st, "WriteText", {S("z")});
  EXPECT_EQ(bytesOf("bad.txt").find('\0'), std::string::npos);
}

} // namespace
} // namespace vbslib_test
