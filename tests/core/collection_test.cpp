#include "core/collection.h"

#include <gtest/gtest.h>

#include "core/test_env.h"
#include "platform/automation/error.h"
#include "support/errors.h"

namespace quillet::core {
namespace {

using automation::makeRef;
using quillet::testing::errorOf;

class Named : public automation::Object {
  QUILLET_OBJECT(Named)
public:
  explicit Named(std::string k) : key(std::move(k)) {}
  std::string key;
};
QUILLET_DEFINE_CLASS(Named) {
  b.prop(
      "Key", [](Named& n) { return n.key; }, [](Named& n, const std::string& k) { n.key = k; });
}

std::string messageOf(const std::function<void()>& f) {
  return quillet::testing::raisedBy(f).description;
}

// The items' text in position order.
std::string order(const CSuperCollection& c) {
  std::string s;
  for (const Variant& v : c.items())
    s += automation::CStr(v);
  return s;
}

class CollectionTest : public testing::CoreTest {
protected:
  CSuperCollection c;
  void SetUp() override { c.setCompareMode(1); }
  void abc() {
    c.Add(Variant("A"), "ka");
    c.Add(Variant("B"), "kb");
    c.Add(Variant("C"), "kc");
  }
};

TEST_F(CollectionTest, NewCollection) {
  CSuperCollection fresh;
  EXPECT_EQ(fresh.Count(), 0);
  EXPECT_EQ(fresh.BaseIndex(), 1);
  EXPECT_EQ(fresh.CompareMode(), 0);
  EXPECT_EQ(fresh.KeyExists("x"), kNotFoundMark);
  EXPECT_TRUE(fresh.Item(Variant(int32_t(1))).isEmpty());
  EXPECT_TRUE(fresh.Item(Variant("x")).isEmpty());
}

TEST_F(CollectionTest, ModeAndBaseFrozenWhileItemsExist) {
  CSuperCollection d;
  EXPECT_EQ(errorOf([&] { d.setCompareMode(2); }), 9);
  d.Add(Variant(1), "a");
  EXPECT_EQ(errorOf([&] { d.setCompareMode(1); }), kErrAlreadyInitialized);
  EXPECT_EQ(messageOf([&] { d.setBaseIndex(0); }), "Collection already initialized");
  d.Remove(Variant(int32_t(1)));
  d.setCompareMode(1);
  d.setBaseIndex(0);
  d.Add(Variant("zero"), "z");
  EXPECT_EQ(d.KeyExists("Z"), 0);
  EXPECT_EQ(automation::CStr(d.Item(Variant(int16_t(0)))), "zero");
}

TEST_F(CollectionTest, KeysIgnoreCaseInTextModeOnly) {
  c.Add(Variant(1), "FldName");
  EXPECT_EQ(errorOf([&] { c.Add(Variant(2), "FLDNAME"); }), 457);
  EXPECT_EQ(c.Count(), 1);
  EXPECT_EQ(c.KeyExists("fldname"), 1);
  // Beyond ASCII, keys fold with Unicode case folding.
  c.Add(Variant(2), "Straße");
  EXPECT_EQ(c.KeyExists("STRASSE"), 2);

  CSuperCollection exact;
  exact.Add(Variant(1), "a");
  exact.Add(Variant(2), "A");
  EXPECT_EQ(exact.KeyExists("A"), 2);
}

TEST_F(CollectionTest, KeysStayFoundThroughGrowthAndRemovals) {
  // Enough adds and removals to grow the key table several times and fill it with the
  // marks removals leave; every key must stay found, and no removed one.
  for (int i = 0; i < 2000; ++i)
    c.Add(Variant(i), "Key" + std::to_string(i));
  for (int i = 0; i < 2000; i += 2)
    c.Remove(Variant("KEY" + std::to_string(i)));
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < 500; ++i)
      c.Add(Variant(-i), "Extra" + std::to_string(round) + "_" + std::to_string(i));
    for (int i = 0; i < 500; ++i)
      c.Remove(Variant("extra" + std::to_string(round) + "_" + std::to_string(i)));
  }
  EXPECT_EQ(c.Count(), 1000);
  EXPECT_EQ(c.Keys()->Count(), 1000);
  for (int i = 0; i < 2000; ++i) {
    int32_t at = c.KeyExists("kEy" + std::to_string(i));
    if (i % 2)
      EXPECT_EQ(at, i / 2 + 1) << i;
    else
      EXPECT_EQ(at, kNotFoundMark) << i;
  }
  EXPECT_EQ(errorOf([&] { c.Add(Variant(0), "KEY1"); }), 457);
  c.Add(Variant(0), "key0");
  EXPECT_EQ(c.KeyExists("KEY0"), 1001);
  c.ChangeKey("key0", "Straße");
  EXPECT_EQ(c.KeyExists("key0"), kNotFoundMark);
  EXPECT_EQ(c.KeyExists("STRASSE"), 1001);
  c.Clear();
  EXPECT_EQ(c.KeyExists("key1"), kNotFoundMark);
  c.Add(Variant(1), "key1");
  EXPECT_EQ(c.KeyExists("KEY1"), 1);
}

TEST_F(CollectionTest, KeylessItems) {
  c.Add(Variant("x"));
  EXPECT_EQ(c.Key(1), "");
  EXPECT_EQ(c.KeyExists(""), kNotFoundMark);
  EXPECT_EQ(errorOf([&] { c.Key(2); }), 9);
}

TEST_F(CollectionTest, PositionalAdds) {
  struct Case {
    int32_t mode, position;
    std::string expect;
  } cases[] = {{1, 1, "NAB"},
               {2, 1, "ANB"},
               {2, 2, "ABN"},
               {3, kNotFoundMark, "NAB"},
               {4, kNotFoundMark, "ABN"},
               {9, kNotFoundMark, "ABN"}};
  for (const Case& k : cases) {
    CSuperCollection d;
    d.setCompareMode(1);
    d.Add(Variant("A"), "a");
    d.Add(Variant("B"), "b");
    d.Add(Variant("N"), "n", k.mode, k.position);
    EXPECT_EQ(order(d), k.expect) << k.mode << "/" << k.position;
    // Keys follow their items.
    EXPECT_EQ(automation::CStr(d.Item(Variant(d.KeyExists("a")))), "A");
    EXPECT_EQ(automation::CStr(d.Item(Variant(d.KeyExists("b")))), "B");
  }
  c.Add(Variant("A"));
  c.Add(Variant("B"));
  EXPECT_EQ(messageOf([&] { c.Add(Variant("N"), "", 1); }), "No position supplied.");
  EXPECT_EQ(errorOf([&] { c.Add(Variant("N"), "", 1, 3); }), 9);
  EXPECT_EQ(c.Count(), 2);
}

TEST_F(CollectionTest, MovesKeepKeysOnTheirItems) {
  abc();
  EXPECT_EQ(c.MoveItem(Variant(int32_t(1)), Variant(int32_t(3))), 3);
  EXPECT_EQ(order(c), "BCA");
  EXPECT_EQ(c.KeyExists("ka"), 3);
  EXPECT_EQ(c.KeyExists("kb"), 1);
  EXPECT_EQ(c.MoveItem(Variant("KA"), Variant(1.0)), 1);
  EXPECT_EQ(order(c), "ABC");
  EXPECT_EQ(c.KeyExists("kc"), 3);
  EXPECT_EQ(c.MoveItem(Variant("kb"), Variant("kb")), 2);
  EXPECT_EQ(errorOf([&] { c.MoveItem(Variant("nope"), Variant(int32_t(1))); }), kErrKeyNotFound);
  EXPECT_EQ(errorOf([&] { c.MoveItem(Variant(int32_t(1)), Variant(int32_t(4))); }), 9);
  EXPECT_EQ(errorOf([&] { c.MoveItem(Variant(true), Variant(int32_t(1))); }), kErrInvalidDatatype);
}

TEST_F(CollectionTest, RemoveByKeyAndPosition) {
  abc();
  c.Remove(Variant("KB"));
  EXPECT_EQ(c.Count(), 2);
  EXPECT_EQ(c.KeyExists("kc"), 2);
  EXPECT_EQ(c.KeyExists("kb"), kNotFoundMark);
  EXPECT_EQ(errorOf([&] { c.Remove(Variant(int32_t(3))); }), 9);
  EXPECT_EQ(messageOf([&] { c.Remove(Variant(true)); }), "Invalid datatype");
  EXPECT_EQ(messageOf([&] { c.Remove(Variant("kb")); }), "Key not found.");
  // Positions round half to even.
  c.Remove(Variant(1.5));
  EXPECT_EQ(order(c), "A");
  c.Remove(Variant(int16_t(1)));
  EXPECT_EQ(c.Count(), 0);
  c.Add(Variant("again"), "ka");
  EXPECT_EQ(c.KeyExists("ka"), 1);
}

TEST_F(CollectionTest, ItemLookupAndAssignment) {
  abc();
  EXPECT_EQ(automation::CStr(c.Item(Variant(2.4))), "B");
  EXPECT_TRUE(c.Item(Variant(int32_t(7))).isEmpty());
  EXPECT_TRUE(c.Item(Variant("none")).isEmpty());
  EXPECT_EQ(errorOf([&] { c.Item(Variant()); }), kErrInvalidDatatype);
  EXPECT_EQ(errorOf([&] { c.setItem(Variant(int32_t(5)), Variant("x")); }), 438);
  c.setAllowItemAsignments(true);
  EXPECT_EQ(errorOf([&] { c.setItem(Variant(int32_t(5)), Variant("x")); }), kErrKeyNotFound);
  c.setItem(Variant("kb"), Variant("b2"));
  EXPECT_EQ(order(c), "Ab2C");
  EXPECT_EQ(c.KeyExists("kb"), 2);
}

TEST_F(CollectionTest, ObjectsAreSharedNotCopied) {
  auto obj = makeRef<Named>("one");
  c.Add(Variant(obj), "one");
  EXPECT_EQ(obj->refCount(), 2);
  EXPECT_EQ(c.Item(Variant("ONE")).asObject(), obj.get());
  c.Clear();
  EXPECT_EQ(obj->refCount(), 1);
  EXPECT_EQ(c.Count(), 0);
}

TEST_F(CollectionTest, ChangeKeyRenamesTheObject) {
  auto a = makeRef<Named>("alpha");
  auto b = makeRef<Named>("beta");
  c.Add(Variant(a), "alpha");
  c.Add(Variant(b), "beta");
  c.ChangeKey("alpha", "ALPHA");
  EXPECT_EQ(a->key, "ALPHA");
  EXPECT_EQ(c.Key(1), "ALPHA");
  EXPECT_EQ(c.Keys()->list().front().first, "ALPHA");
  EXPECT_EQ(errorOf([&] { c.ChangeKey("alpha", "Beta"); }), 457);
  EXPECT_EQ(a->key, "ALPHA");
  EXPECT_EQ(errorOf([&] { c.ChangeKey("gamma", "delta"); }), kErrKeyNotFound);
  c.ChangeKey("alpha", "gamma");
  EXPECT_EQ(c.KeyExists("gamma"), 1);
  EXPECT_EQ(c.KeyExists("alpha"), kNotFoundMark);
  c.ChangeKey("gamma", "");
  EXPECT_EQ(c.Key(1), "");
  EXPECT_EQ(c.Keys()->Count(), 1);
}

TEST_F(CollectionTest, ChangeKeyRefusedByTheObjectChangesNothing) {
  c.Add(Variant(makeRef<cKey>("k", 1)), "k"); // cKey has no writable Key
  EXPECT_EQ(errorOf([&] { c.ChangeKey("k", "other"); }), 438);
  EXPECT_EQ(c.KeyExists("k"), 1);
  EXPECT_EQ(c.Key(1), "k");
}

TEST_F(CollectionTest, ChangeKeyForIndex) {
  c.Add(Variant("A"));
  c.Add(Variant("B"), "kb");
  c.ChangeKeyForIndex("1", "ka");
  EXPECT_EQ(c.KeyExists("KA"), 1);
  EXPECT_EQ(errorOf([&] { c.ChangeKeyForIndex("1", "kb"); }), 457);
  EXPECT_EQ(errorOf([&] { c.ChangeKeyForIndex("2", "kb"); }), 457);
  c.ChangeKeyForIndex("9", "zz"); // outside: nothing happens
  c.ChangeKeyForIndex("x", "zz");
  EXPECT_EQ(c.KeyExists("zz"), kNotFoundMark);
}

TEST_F(CollectionTest, KeysInAscendingOrder) {
  c.Add(Variant(1), "delta");
  c.Add(Variant(2), "Alpha");
  c.Add(Variant(3));
  c.Add(Variant(4), "charlie");
  auto keys = c.Keys()->list();
  ASSERT_EQ(keys.size(), 3u);
  EXPECT_EQ(keys[0], (std::pair<std::string, int32_t>{"Alpha", 2}));
  EXPECT_EQ(keys[1], (std::pair<std::string, int32_t>{"charlie", 4}));
  EXPECT_EQ(keys[2], (std::pair<std::string, int32_t>{"delta", 1}));
  // Through the enumerator, as scripts see them.
  auto e = c.Keys()->NewEnum();
  Variant v;
  ASSERT_TRUE(e->next(v));
  EXPECT_EQ(automation::CStr(automation::get(v, "Name")), "Alpha");
  EXPECT_EQ(automation::CLng(automation::get(v, "AssociatedIndex")), 2);
}

TEST_F(CollectionTest, RemovingEveryItemDuringAWalk) {
  abc();
  auto it = c.NewEnum();
  Variant v;
  int visited = 0;
  while (it->next(v)) {
    ++visited;
    c.Remove(Variant(int32_t(1)));
  }
  EXPECT_EQ(visited, 3);
  EXPECT_EQ(c.Count(), 0);
}

TEST_F(CollectionTest, RemovingByKeyAheadOfTheWalkSkipsTheItem) {
  abc();
  auto it = c.NewEnum();
  Variant v;
  std::string seen;
  while (it->next(v)) {
    seen += automation::CStr(v);
    if (seen == "A") c.Remove(Variant("kb"));
  }
  EXPECT_EQ(seen, "AC");
}

TEST_F(CollectionTest, AppendsDuringAWalkAreVisitedMovesRefused) {
  abc();
  auto it = c.NewEnum();
  Variant v;
  std::string seen;
  while (it->next(v)) {
    seen += automation::CStr(v);
    if (seen.size() == 1) c.Add(Variant("D"), "kd");
    if (seen.size() == 2) {
      EXPECT_EQ(messageOf([&] { c.MoveItem(Variant(int32_t(1)), Variant(int32_t(2))); }),
                "Move not allowed while in For...Each loop.");
      // A positional insert is refused before anything changes.
      EXPECT_EQ(errorOf([&] { c.Add(Variant("E"), "ke", 3); }), kErrMoveInLoop);
      EXPECT_EQ(c.KeyExists("ke"), kNotFoundMark);
    }
  }
  EXPECT_EQ(seen, "ABCD");
  EXPECT_EQ(order(c), "ABCD");
  it.reset();
  EXPECT_FALSE(c.iterating());
  EXPECT_EQ(c.MoveItem(Variant(int32_t(4)), Variant(int32_t(1))), 1);
}

TEST_F(CollectionTest, RemovedLastItemIsNotConfusedWithANewOne) {
  abc();
  auto it = c.NewEnum();
  Variant v;
  ASSERT_TRUE(it->next(v)); // A
  c.Remove(Variant("kc"));
  c.Add(Variant("N"), "kn");
  std::string rest;
  while (it->next(v))
    rest += automation::CStr(v);
  EXPECT_EQ(rest, "BN");
}

TEST_F(CollectionTest, EnumeratorCloneSkipResetAndLifetime) {
  abc();
  auto it = c.NewEnum();
  it->Skip(1);
  auto clone = it->Clone();
  std::vector<Variant> got;
  EXPECT_EQ(clone->Next(5, got), 2);
  EXPECT_EQ(automation::CStr(got[0]), "B");
  it->Reset();
  got.clear();
  EXPECT_EQ(it->Next(1, got), 1);
  EXPECT_EQ(automation::CStr(got[0]), "A");

  auto owned = std::make_unique<CSuperCollection>();
  owned->Add(Variant("x"));
  auto walk = owned->NewEnum();
  owned.reset();
  Variant v;
  EXPECT_FALSE(walk->next(v));
}

} // namespace
} // namespace quillet::core
