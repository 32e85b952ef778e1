#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/errors.h"

#include "platform/automation/context.h"
#include "platform/automation/error.h"
#include "platform/automation/limits.h"
#include "platform/automation/variant.h"

using namespace quillet::platform::automation;
using quillet::testing::errorOf;

namespace {

// Lengths on both sides of the texts kept inside the value and of a first boxed block.
const size_t kLengths[] = {0, 1, 11, 12, 13, 24, 25, 100, 5000};

std::string textOf(size_t n, char first = 'a') {
  std::string s(n, ' ');
  for (size_t i = 0; i < n; ++i)
    s[i] = static_cast<char>(first + i % 26);
  return s;
}

TEST(VariantTextTest, CopiesKeepTheirTextWhenOneChanges) {
  for (size_t n : kLengths) {
    SCOPED_TRACE(n);
    const std::string base = textOf(n);
    Variant a(base);
    Variant b = a;
    Variant c;
    c = b;
    b.appendString("xyz");
    c.truncateString(n / 2);
    c.appendString("!");
    EXPECT_EQ(a.asString(), base);
    EXPECT_EQ(b.asString(), base + "xyz");
    EXPECT_EQ(c.asString(), base.substr(0, n / 2) + "!");
    // The last holder appends to what it was left with, not to a longer shared text.
    a = Variant();
    b.truncateString(1);
    b.appendString("q");
    EXPECT_EQ(b.asString(), (base + "xyz").substr(0, 1) + "q");
    EXPECT_EQ(c.asString(), base.substr(0, n / 2) + "!");
  }
}

TEST(VariantTextTest, AppendGrowsInPlaceOnlyWhileUnshared) {
  Variant v(textOf(40));
  v.reserveString(1000);
  const char* at = v.asString().data();
  for (int i = 0; i < 50; ++i)
    v.appendString("0123456789");
  EXPECT_EQ(v.asString().data(), at);
  EXPECT_EQ(v.asString().size(), 540u);

  Variant keep = v;
  v.appendString("tail");
  EXPECT_NE(v.asString().data(), at);
  EXPECT_EQ(keep.asString().data(), at);
  EXPECT_EQ(keep.asString().size(), 540u);
  EXPECT_EQ(v.asString().substr(540), "tail");

  // Many small appends stay amortised: the block moves a logarithmic number of times.
  Variant grown("");
  int moves = 0;
  const char* last = nullptr;
  for (int i = 0; i < 100000; ++i) {
    grown.appendString("x");
    if (grown.asString().data() != last) ++moves;
    last = grown.asString().data();
  }
  EXPECT_EQ(grown.asString(), std::string(100000, 'x'));
  EXPECT_LT(moves, 60);
}

TEST(VariantTextTest, AppendOfItsOwnText) {
  for (size_t n : kLengths) {
    SCOPED_TRACE(n);
    const std::string base = textOf(n);
    Variant v(base);
    v.appendString(v.asString()); // may move the block it reads from
    EXPECT_EQ(v.asString(), base + base);
    Variant shared = v;
    v.appendString(shared.asString().substr(n));
    EXPECT_EQ(v.asString(), base + base + base);
    EXPECT_EQ(shared.asString(), base + base);
  }
}

TEST(VariantTextTest, ConcatAndConstruction) {
  for (size_t n : kLengths)
    for (size_t m : {size_t(0), size_t(1), size_t(12), size_t(30)}) {
      SCOPED_TRACE(std::to_string(n) + "+" + std::to_string(m));
      const std::string a = textOf(n), b = textOf(m, 'A');
      Variant v = Variant::concat(a, b);
      EXPECT_TRUE(v.isString());
      EXPECT_EQ(v.asString(), a + b);
      const std::string_view parts[] = {a, {}, b, a};
      Variant j = Variant::joined(parts, 4, 2 * n + m);
      EXPECT_EQ(j.asString(), a + b + a);
      // Room for exactly its text: the next append moves it, and still keeps every byte.
      j.appendString(b);
      EXPECT_EQ(j.asString(), a + b + a + b);
    }
  // Bytes are bytes: an embedded NUL and non-ASCII text survive the trip.
  const std::string odd("a\0b\xC3\xA9", 5);
  EXPECT_EQ(Variant(odd).asString(), odd);
  EXPECT_EQ(Variant::concat(odd, odd).asString(), odd + odd);
}

TEST(VariantTextTest, AppendForgetsWhatWasKnownOfTheCharacters) {
  Variant v("plain");
  v.noteTextKind(Variant::kTextAscii);
  Variant copy = v;
  EXPECT_EQ(copy.textKind(), Variant::kTextAscii);
  v.appendString("\xC3\xA9");
  EXPECT_EQ(v.textKind(), Variant::kTextUnknown);
  EXPECT_EQ(copy.textKind(), Variant::kTextAscii);
}

TEST(VariantTest, AssignmentsBetweenKindsReleaseWhatTheyReplace) {
  Context::Scope scope;
  Ref<SafeArray> arr = SafeArray::create({{0, 2}});
  const std::string longText = textOf(50);
  Variant a(arr), b(longText), c(int32_t(7));
  EXPECT_EQ(arr->refCount(), 2);
  Variant d = a;
  EXPECT_EQ(arr->refCount(), 3);
  d = b; // array replaced by a shared text
  EXPECT_EQ(arr->refCount(), 2);
  a = std::move(c);
  EXPECT_EQ(arr->refCount(), 1);
  EXPECT_EQ(a.asLong(), 7);
  EXPECT_TRUE(c.isEmpty());
  b.swap(a);
  EXPECT_EQ(b.asLong(), 7);
  EXPECT_EQ(a.asString(), longText);
  Variant& alias = a; // self-assignment keeps the value
  a = alias;
  a = std::move(alias);
  EXPECT_EQ(a.asString(), longText);
  a.clear();
  EXPECT_TRUE(a.isEmpty());
  EXPECT_EQ(d.asString(), longText);
  static_assert(sizeof(Variant) == 16);
}

// The interpreter reads Integer and Long operands as the payload word without looking at
// which one it holds, so every way of making or overwriting one must fill that word.
TEST(VariantTest, WholeNumbersFillThePayloadWord) {
  Variant text(std::string(40, 't'));
  Variant dbl(-1.5);
  for (int32_t n : {0, 1, -1, 32767, -32768, INT32_MAX, INT32_MIN}) {
    SCOPED_TRACE(n);
    Variant over = text; // a value whose payload word was a pointer, then a negative double
    over = Variant(n);
    EXPECT_EQ(over.asWhole(), n);
    over = dbl;
    over = Variant(n);
    EXPECT_EQ(over.asWhole(), n);
    if (n >= -32768 && n <= 32767) {
      Variant small = dbl;
      small = Variant(static_cast<int16_t>(n));
      EXPECT_EQ(small.asWhole(), n);
      EXPECT_EQ(Variant(small).asWhole(), n);
    }
  }
}

TEST(ArrayTest, RedimPreserveKeepsValuesWhileGrowingAndShrinking) {
  Context::Scope scope;
  Variant v(SafeArray::create({{0, 1}}));
  SafeArray& a = v.arrayForWrite();
  // Growing by one keeps room beyond the count: the elements move a logarithmic number of
  // times, not once per ReDim.
  int moves = 0;
  const Variant* last = nullptr;
  for (int32_t i = 0; i < 3000; ++i) {
    a.redim({{0, i + 1}}, true);
    a.at1(i) = i % 3 == 0 ? Variant(textOf(static_cast<size_t>(i % 40))) : Variant(i);
    if (a.data().data() != last) ++moves;
    last = a.data().data();
  }
  EXPECT_EQ(a.size(), 3000u);
  EXPECT_LT(moves, 30);
  a.redim({{0, 10}}, true);
  a.redim({{0, 20}}, true);
  for (int32_t i = 0; i < 10; ++i)
    EXPECT_EQ(i % 3 == 0 ? std::string(a.at1(i).asString()) : std::to_string(a.at1(i).asLong()),
              i % 3 == 0 ? textOf(static_cast<size_t>(i % 40)) : std::to_string(i));
  for (int32_t i = 10; i < 20; ++i)
    EXPECT_TRUE(a.at1(i).isEmpty()) << i; // regrown slots do not bring back dropped values
  a.redim({{0, 0}}, true);
  EXPECT_EQ(a.size(), 0u);
  EXPECT_EQ(errorOf([&] { a.at1(0); }), 9);
}

// The address ranges of this process's mappings that are advised for huge pages.
std::vector<std::pair<uintptr_t, uintptr_t>> hugePageRanges() {
  std::vector<std::pair<uintptr_t, uintptr_t>> out;
  std::ifstream smaps("/proc/self/smaps");
  std::string line;
  uintptr_t from = 0, to = 0;
  while (std::getline(smaps, line)) {
    if (line.rfind("VmFlags:", 0) == 0) {
      std::istringstream flags(line.substr(8));
      std::string f;
      while (flags >> f)
        if (f == "hg") out.emplace_back(from, to);
    } else if (line.find('-') != std::string::npos && line.find(':') > line.find(' ')) {
      from = std::stoull(line.substr(0, line.find('-')), nullptr, 16);
      to = std::stoull(line.substr(line.find('-') + 1), nullptr, 16);
    }
  }
  return out;
}

TEST(LargeBlockTest, HugePageAdviceStaysInsideTheBlock) {
  // A block that starts and ends off any 2 MB boundary, with memory of others on both sides.
  const size_t size = (size_t(9) << 20) + 12345;
  char* raw = static_cast<char*>(std::malloc(size + 2 * 4096));
  ASSERT_NE(raw, nullptr);
  char* block = raw + 4096 + 3;
  const auto before = hugePageRanges();
  preferHugePages(block, size);
  preferHugePages(raw, 4096); // a small block is left alone
  const uintptr_t lo = reinterpret_cast<uintptr_t>(block), hi = lo + size;
  const uintptr_t rawLo = reinterpret_cast<uintptr_t>(raw), rawHi = rawLo + size + 2 * 4096;
  bool advised = false;
  for (auto [from, to] : hugePageRanges()) {
    bool known = false;
    for (auto r : before)
      known = known || r == std::pair{from, to};
    if (known || to <= rawLo || from >= rawHi) continue;
    advised = true;
    EXPECT_GE(from, lo);
    EXPECT_LE(to, hi);
    EXPECT_EQ(from % (uintptr_t(2) << 20), 0u);
  }
  // Where the system gives huge pages on request, the whole 2 MB pages inside were advised.
  std::ifstream thp("/sys/kernel/mm/transparent_hugepage/enabled");
  std::string modes;
  std::getline(thp, modes);
  if (!modes.empty() && modes.find("[never]") == std::string::npos) {
    EXPECT_TRUE(advised);
  }
  // The block stays the caller's to use as before.
  std::memset(block, 'x', size);
  EXPECT_EQ(block[size - 1], 'x');
  std::free(raw);
}

TEST(ArrayTest, CopiesShareElementsUntilOneIsWritten) {
  Context::Scope scope;
  Variant a(SafeArray::create({{0, 3}}));
  const std::string longText = textOf(30);
  a.arrayForWrite().at1(0) = Variant(longText);
  a.arrayForWrite().at1(1) = Variant("short");
  Variant b = a;
  EXPECT_EQ(&a.asArray(), &b.asArray());
  b.arrayForWrite().at1(0).appendString("+");
  b.arrayForWrite().redim({{0, 5}}, true);
  EXPECT_NE(&a.asArray(), &b.asArray());
  EXPECT_EQ(a.asArray().at1(0).asString(), longText);
  EXPECT_EQ(b.asArray().at1(0).asString(), longText + "+");
  EXPECT_EQ(b.asArray().at1(1).asString(), "short");
  EXPECT_EQ(a.asArray().size(), 3u);
  EXPECT_EQ(b.asArray().size(), 5u);
}

} // namespace
