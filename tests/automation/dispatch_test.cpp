#include <gtest/gtest.h>

#include <thread>

#include "support/errors.h"

#include "platform/automation/context.h"
#include "platform/automation/factory.h"
#include "platform/automation/members.h"
#include "platform/automation/operators.h"

using namespace quillet::platform::automation;
using quillet::testing::errorOf;

namespace {

int liveCounters = 0;

class Counter : public Object {
  QUILLET_OBJECT(Counter)
public:
  Counter() { ++liveCounters; }
  ~Counter() override { --liveCounters; }

  int32_t value() const { return value_; }
  void setValue(int32_t v) { value_ = v; }
  int32_t Add(int32_t by, int16_t times) { return value_ += by * (times ? times : 1); }
  void Bump(Variant& target) { target = opAdd(target, Variant(int16_t(1))); }
  // Writes its optional by-reference argument, as an out parameter does.
  void Mark(Variant& target) { target = Variant("marked"); }
  std::string Item(const std::string& key) const { return "item:" + key; }
  Variant Sum(Args args) {
    Variant s(int16_t(0));
    for (Variant& a : args)
      s = opAdd(s, a);
    return s;
  }
  Variant describe(const Variant& v) { return Variant(v.isMissing() ? "missing" : "given"); }
  Ref<Counter> Self() { return Ref<Counter>(this); }
  Ref<Enumerator> items() {
    return makeRef<VectorEnumerator>(std::vector<Variant>{Variant("a"), Variant("b")});
  }

private:
  int32_t value_ = 0;
};

QUILLET_DEFINE_CLASS(Counter) {
  b.prop("Value", &Counter::value, &Counter::setValue)
      .method("Add", &Counter::Add, 1)
      .method("Bump", &Counter::Bump)
      .method("Mark", &Counter::Mark, 0)
      .get("Item", &Counter::Item)
      .method("Sum", &Counter::Sum)
      .method("Describe", &Counter::describe, 0)
      .method("Self", &Counter::Self)
      .defaultMember("Item")
      .enumerator(&Counter::items);
}

class DispatchTest : public ::testing::Test {
protected:
  Context::Scope scope;
};

TEST_F(DispatchTest, NamesAreCaseInsensitiveAndArgumentsConverted) {
  Ref<Counter> c = makeRef<Counter>();
  Variant obj(c);
  let(obj, "VALUE", Variant("41"));
  EXPECT_EQ(c->value(), 41);
  Variant args[] = {Variant(1.5)};
  EXPECT_EQ(CLng(invoke(obj, "add", kMethod, ArgList(args))), 43); // 1.5 rounds to 2
  Variant args2[] = {Variant(int16_t(1)), Variant(int16_t(3))};
  EXPECT_EQ(CLng(invoke(obj, "Add", kMethod, ArgList(args2))), 46);
  EXPECT_EQ(CLng(get(obj, "value")), 46);
}

TEST_F(DispatchTest, MissingMembersAndWrongArgumentCounts) {
  Variant obj(makeRef<Counter>());
  EXPECT_EQ(errorOf([&] { invoke(obj, "Nope", kGetOrCall); }), 438);
  EXPECT_EQ(errorOf([&] { invoke(obj, "Add", kMethod); }), 450);
  Variant three[] = {Variant(int16_t(1)), Variant(int16_t(1)), Variant(int16_t(1))};
  EXPECT_EQ(errorOf([&] { invoke(obj, "Add", kMethod, ArgList(three)); }), 450);
  Variant bad[] = {Variant("x")};
  EXPECT_EQ(errorOf([&] { invoke(obj, "Add", kMethod, ArgList(bad)); }), 13);
  EXPECT_EQ(errorOf([&] { invoke(Variant(int16_t(1)), "Add", kMethod); }), 424);
  EXPECT_EQ(errorOf([&] { invoke(Variant::nothing(), "Add", kMethod); }), 91);
  Variant value[] = {Variant("v")};
  EXPECT_EQ(errorOf([&] { invoke(obj, "Item", kPropertyLet, ArgList(value)); }), 450); // read-only
}

TEST_F(DispatchTest, OptionalByRefVariadicAndDefaultMembers) {
  Variant obj(makeRef<Counter>());
  EXPECT_EQ(CStr(invoke(obj, "Describe", kMethod)), "missing");
  Variant one[] = {Variant(int16_t(1))};
  EXPECT_EQ(CStr(invoke(obj, "Describe", kMethod, ArgList(one))), "given");

  Variant target(int16_t(5));
  invoke(obj, "Bump", kMethod, ArgList(&target, 1));
  EXPECT_EQ(CInt(target), 6);
  // An omitted out argument is written nowhere, and nothing else is written instead.
  EXPECT_NO_THROW(invoke(obj, "Mark", kMethod));
  invoke(obj, "Mark", kMethod, ArgList(&target, 1));
  EXPECT_EQ(CStr(target), "marked");

  Variant many[] = {Variant(int16_t(1)), Variant(2.5), Variant("3")};
  EXPECT_EQ(CStr(invoke(obj, "Sum", kMethod, ArgList(many))), "6.5");

  Variant key[] = {Variant("k")};
  EXPECT_EQ(CStr(obj.asObject()->invokeDefault(kPropertyGet, ArgList(key))), "item:k");
  EXPECT_EQ(obj.asObject()->typeName(), "Counter");
}

TEST_F(DispatchTest, EnumerationAndNotACollection) {
  Ref<Counter> c = makeRef<Counter>();
  Ref<Enumerator> e = c->newEnum();
  Variant v;
  std::string seen;
  while (e->next(v))
    seen += CStr(v);
  EXPECT_EQ(seen, "ab");
}

TEST_F(DispatchTest, AnObjectDiesWithItsLastReference) {
  liveCounters = 0;
  {
    Ref<Counter> a = makeRef<Counter>();
    Variant v(a);
    Variant copy = v;
    Variant self = invoke(v, "Self", kMethod); // a reference handed out by a member
    a.reset();
    v.clear();
    EXPECT_EQ(liveCounters, 1);
    copy = Variant(int16_t(1));
    EXPECT_EQ(liveCounters, 1);
    self.clear();
    EXPECT_EQ(liveCounters, 0);
  }
  EXPECT_EQ(liveCounters, 0);
}

// The variable an object dies out of already holds its new value when the object's last
// release runs (a script's terminate handler may read it).
class Watcher : public Object {
  QUILLET_OBJECT(Watcher)
public:
  explicit Watcher(const Variant* watched, std::string* seen) : watched_(watched), seen_(seen) {}
  ~Watcher() override { *seen_ = CStr(*watched_); }

private:
  const Variant* watched_;
  std::string* seen_;
};
QUILLET_DEFINE_CLASS(Watcher) {}

TEST_F(DispatchTest, AssignmentReleasesTheOldObjectLast) {
  std::string seen;
  Variant var;
  var = Variant(makeRef<Watcher>(&var, &seen));
  const Variant copied("copied");
  var = copied;
  EXPECT_EQ(seen, "copied");
  var = Variant(makeRef<Watcher>(&var, &seen));
  var = Variant("moved");
  EXPECT_EQ(seen, "moved");
}

// Calls itself through dispatch with text parameters, as a host method calling back into
// script code that calls natives again: each level's texts must stay its own.
class Nester : public Object {
  QUILLET_OBJECT(Nester)
public:
  std::string Walk(const std::string& word, const std::string& tail, int32_t depth) {
    std::string below;
    if (depth > 0) {
      Variant self(this);
      Variant args[] = {Variant(word + std::to_string(depth)), Variant(std::string(5000, 'z')),
                        Variant(depth - 1)};
      below = CStr(quillet::platform::automation::invoke(self, "Walk", kMethod, ArgList(args)));
    }
    return word + ":" + std::to_string(tail.size()) + "/" + below;
  }
};
QUILLET_DEFINE_CLASS(Nester) {
  b.method("Walk", &Nester::Walk, 1);
}

TEST_F(DispatchTest, TextParametersOfNestedCallsStayApart) {
  Variant obj(makeRef<Nester>());
  // Deeper than the strings kept for text parameters, and with texts long enough to be let
  // go after each call.
  Variant args[] = {Variant("word of the outer call"), Variant(int16_t(42)), Variant(int32_t(10))};
  std::string expected;
  for (int depth = 10; depth >= 0; --depth) {
    std::string word = "word of the outer call";
    for (int d = 10; d > depth; --d)
      word += std::to_string(d);
    expected += word + ":" + (depth == 10 ? "2" : "5000") + "/";
  }
  EXPECT_EQ(CStr(invoke(obj, "Walk", kMethod, ArgList(args))), expected);
  // An omitted text is empty, and a failed conversion leaves the next call whole.
  Variant one[] = {Variant("w")};
  EXPECT_EQ(CStr(invoke(obj, "Walk", kMethod, ArgList(one))), "w:0/");
  Variant bad[] = {Variant("w"), Variant::nothing()};
  EXPECT_NE(errorOf([&] { invoke(obj, "Walk", kMethod, ArgList(bad)); }), 0);
  for (int i = 0; i < 20; ++i)
    EXPECT_EQ(CStr(invoke(obj, "Walk", kMethod, ArgList(one))), "w:0/");
}

TEST_F(DispatchTest, FactoryCreatesByProgId) {
  registerClass("Test.Counter", [] { return Ref<Object>(new Counter()); });
  Ref<Object> o = create("test.COUNTER");
  ASSERT_TRUE(o);
  EXPECT_EQ(o->typeName(), "Counter");
  EXPECT_EQ(errorOf([] { create("No.Such"); }), 429);
}

int deferredRuns = 0;

void registerDeferred() {
  ++deferredRuns;
  registerClass("Test.Deferred", [] { return Ref<Object>(new Counter()); });
  registerClass("Test.Overridden", [] { return Ref<Object>(new Counter()); });
}

TEST_F(DispatchTest, FactoryMakesDeferredRegistrationsOnceBeforeItsFirstUse) {
  deferredRuns = 0;
  registerClassesOnFirstUse(&registerDeferred);
  EXPECT_EQ(deferredRuns, 0);
  // A registration made after the deferral still wins over the deferred one.
  registerClass("Test.Overridden", [] {
    Ref<Counter> c = makeRef<Counter>();
    c->setValue(7);
    return Ref<Object>(c);
  });
  EXPECT_EQ(deferredRuns, 1);
  Ref<Object> overridden = create("Test.Overridden");
  EXPECT_EQ(static_cast<Counter&>(*overridden).value(), 7);
  EXPECT_TRUE(isRegistered("Test.Deferred"));
  EXPECT_TRUE(create("Test.Deferred"));
  EXPECT_EQ(deferredRuns, 1);

  // Deferred on threads that all look up at once, it still runs once.
  deferredRuns = 0;
  registerClassesOnFirstUse(&registerDeferred);
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([] { EXPECT_TRUE(create("Test.Deferred")); });
  for (auto& t : threads)
    t.join();
  EXPECT_EQ(deferredRuns, 1);
}

TEST_F(DispatchTest, FactoryTakesRegistrationsFromSeveralThreads) {
  // Hosts on several threads each register their classes while others create objects.
  auto work = [](int id) {
    for (int i = 0; i < 200; ++i) {
      std::string progId = "Test.Thread" + std::to_string(id) + "." + std::to_string(i % 20);
      registerClass(progId, [] { return Ref<Object>(new Counter()); });
      EXPECT_TRUE(create(progId));
      EXPECT_TRUE(isRegistered("Test.Counter2"));
    }
  };
  registerClass("Test.Counter2", [] { return Ref<Object>(new Counter()); });
  std::vector<std::thread> threads;
  for (int id = 0; id < 4; ++id)
    threads.emplace_back(work, id);
  for (auto& t : threads)
    t.join();
  EXPECT_GE(registeredClasses().size(), 80u);
}

TEST(ArrayTest, BoundsRedimAndCopyOnWrite) {
  Context::Scope scope;
  Variant a(SafeArray::create({{1, 3}, {0, 2}})); // (1 To 3, 0 To 1)
  EXPECT_EQ(a.varType(), 0x200C);
  int32_t idx[] = {3, 1};
  a.arrayForWrite().at(idx) = Variant("x");
  Variant b = a; // value semantics
  b.arrayForWrite().at(idx) = Variant("y");
  EXPECT_EQ(CStr(a.asArray().at(idx)), "x");
  EXPECT_EQ(CStr(b.asArray().at(idx)), "y");
  int32_t outside[] = {0, 0};
  EXPECT_EQ(errorOf([&] { a.asArray().at(outside); }), 9);
  int32_t wrongRank[] = {1};
  EXPECT_EQ(errorOf([&] { a.asArray().at(wrongRank); }), 9);

  SafeArray& arr = a.arrayForWrite();
  arr.redim({{1, 3}, {0, 4}}, true); // only the last dimension may change
  EXPECT_EQ(CStr(arr.at(idx)), "x");
  EXPECT_EQ(arr.bound(2).upper(), 3);
  EXPECT_EQ(errorOf([&] { arr.redim({{1, 4}, {0, 4}}, true); }), 9);
  arr.lock();
  EXPECT_EQ(errorOf([&] { arr.redim({{0, 1}}, false); }), 10);
  arr.unlock();
  arr.redim({{0, 1}}, false);
  EXPECT_EQ(arr.dimensions(), 1);
  EXPECT_TRUE(arr.at1(0).isEmpty());
  EXPECT_EQ(errorOf([&] { arr.bound(2); }), 9);
}

} // namespace
