#include "platform/vbscript/objects/dictionary.h"

#include <bit>
#include <cstring>
#include <new>

#include "platform/text/casefold.h"

namespace quillet::platform::vbscript {

namespace am = automation;
using am::Variant;
using am::VarType;

namespace {

// What a key is compared as: numbers of every subtype are one kind.
enum class KeyKind : uint8_t { Empty, Null, Text, Boolean, Number, Date, Error, Object };

KeyKind kindOf(const Variant& key) {
  switch (key.type()) {
  case VarType::Empty:
    return KeyKind::Empty;
  case VarType::Null:
    return KeyKind::Null;
  case VarType::String:
    return KeyKind::Text;
  case VarType::Boolean:
    return KeyKind::Boolean;
  case VarType::Byte:
  case VarType::Integer:
  case VarType::Long:
  case VarType::Single:
  case VarType::Double:
  case VarType::Currency:
    return KeyKind::Number;
  case VarType::Date:
    return KeyKind::Date;
  case VarType::Error:
    return KeyKind::Error;
  case VarType::Object:
    return KeyKind::Object;
  default:
    am::raise(am::err::kTypeMismatch); // arrays cannot be keys
  }
}

uint64_t mix(uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdULL;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53ULL;
  h ^= h >> 33;
  return h;
}

// ASCII letters of eight bytes of ASCII text lowered at once.
uint64_t lowerAscii8(uint64_t w) {
  constexpr uint64_t kOnes = 0x0101010101010101ULL, kHigh = kOnes * 0x80;
  uint64_t fromA = w + kOnes * (0x80 - 'A');     // high bit set from 'A' up
  uint64_t pastZ = w + kOnes * (0x80 - 'Z' - 1); // high bit set past 'Z'
  return w | ((fromA & ~pastZ & kHigh) >> 2);
}

// Eight bytes at a time: keys are mostly short texts hashed on every lookup. With `fold`
// (only for ASCII text) letters are lowered first, so keys that differ in case hash alike.
uint64_t hashBytes(std::string_view s, bool fold) {
  uint64_t h = 0x9e3779b97f4a7c15ULL ^ s.size();
  size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    uint64_t w;
    std::memcpy(&w, s.data() + i, 8);
    if (fold) w = lowerAscii8(w);
    h = (h ^ w) * 0xff51afd7ed558ccdULL;
    h ^= h >> 32;
  }
  if (i < s.size()) {
    uint64_t w = 0;
    std::memcpy(&w, s.data() + i, s.size() - i);
    if (fold) w = lowerAscii8(w);
    h = (h ^ w) * 0xc4ceb9fe1a85ec53ULL;
  }
  return mix(h);
}

// The first and the last word of two texts of n bytes (one word to two words long) alike:
// the two overlap in the middle, so they cover every byte.
template <class W> bool sameEnds(const char* p, const char* q, size_t n) {
  W x, y, x2, y2;
  std::memcpy(&x, p, sizeof(W));
  std::memcpy(&y, q, sizeof(W));
  std::memcpy(&x2, p + n - sizeof(W), sizeof(W));
  std::memcpy(&y2, q + n - sizeof(W), sizeof(W));
  return ((x ^ y) | (x2 ^ y2)) == 0;
}

// Keys are mostly short texts: equal ones are told in a few word loads, without a call.
bool sameText(std::string_view a, std::string_view b) {
  size_t n = a.size();
  if (n != b.size()) return false;
  const char *p = a.data(), *q = b.data();
  if (n > 16) return std::memcmp(p, q, n) == 0;
  if (n >= 8) return sameEnds<uint64_t>(p, q, n);
  if (n >= 4) return sameEnds<uint32_t>(p, q, n);
  for (size_t i = 0; i < n; ++i)
    if (p[i] != q[i]) return false;
  return true;
}

uint64_t doubleBits(double d) {
  if (d == 0) d = 0; // -0 and 0 are one key
  return std::bit_cast<uint64_t>(d);
}

} // namespace

struct Dictionary::Probe {
  KeyKind kind;
  uint64_t hash = 0;
  double number = 0;
  uint64_t bits = 0;
  std::string_view text;
  bool fold = false; // compared without regard to case
};

Dictionary::Probe Dictionary::probeOf(const Variant& keyIn) const {
  const Variant& key = keyIn;
  Probe p;
  p.kind = kindOf(key);
  switch (p.kind) {
  case KeyKind::Text: {
    p.text = key.asString();
    p.fold = compareMode_ != 0;
    if (p.fold && !text::isAscii(p.text))
      p.hash = hashBytes(text::foldCase(p.text), false);
    else
      p.hash = hashBytes(p.text, p.fold);
    break;
  }
  case KeyKind::Number:
    p.number = am::toNumber(key);
    p.bits = doubleBits(p.number);
    break;
  case KeyKind::Date:
    p.number = key.asDate().serial;
    p.bits = doubleBits(p.number);
    break;
  case KeyKind::Boolean:
    p.bits = key.asBool() ? 1 : 0;
    break;
  case KeyKind::Error:
    p.bits = static_cast<uint32_t>(key.asErrorCode());
    break;
  case KeyKind::Object:
    p.bits = reinterpret_cast<uintptr_t>(key.asObject());
    break;
  default:
    break;
  }
  if (p.kind != KeyKind::Text) p.hash = mix(p.bits * 31 + static_cast<uint64_t>(p.kind) + 1);
  return p;
}

void Dictionary::EntryList::push_back(Entry&& e) {
  if (size_ == chunks_.size() * kChunk) {
    chunks_.reserve(chunks_.size() + 1);
    chunks_.push_back(static_cast<Entry*>(::operator new(sizeof(Entry) * kChunk)));
  }
  new (&chunks_[size_ / kChunk][size_ % kChunk]) Entry(std::move(e));
  ++size_;
}

void Dictionary::EntryList::shrink(size_t n) noexcept {
  while (size_ > n) {
    --size_;
    (*this)[size_].~Entry();
  }
  size_t keep = (size_ + kChunk - 1) / kChunk;
  while (chunks_.size() > keep) {
    ::operator delete(chunks_.back());
    chunks_.pop_back();
  }
}

inline bool Dictionary::matches(const Entry& e, const Probe& p) const {
  if (!e.live) return false;
  const Variant& k = e.key;
  if (p.kind == KeyKind::Text) {
    if (!k.isString()) return false;
    return p.fold ? text::equalsNoCase(k.asString(), p.text) : sameText(k.asString(), p.text);
  }
  return matchesOther(k, p);
}

bool Dictionary::matchesOther(const Variant& k, const Probe& p) {
  if (kindOf(k) != p.kind) return false;
  switch (p.kind) {
  case KeyKind::Number:
    return am::toNumber(k) == p.number;
  case KeyKind::Date:
    return k.asDate().serial == p.number;
  case KeyKind::Boolean:
    return k.asBool() == (p.bits != 0);
  case KeyKind::Error:
    return static_cast<uint32_t>(k.asErrorCode()) == p.bits;
  case KeyKind::Object:
    return reinterpret_cast<uintptr_t>(k.asObject()) == p.bits;
  default:
    return true; // Empty, Null
  }
}

size_t Dictionary::lookup(const Probe& p) const {
  size_t mask = index_.size() - 1;
  size_t i = p.hash & mask;
  size_t firstFree = SIZE_MAX;
  const auto hash = static_cast<uint32_t>(p.hash);
  for (;;) {
    const Slot& s = index_[i];
    if (s.pos == kEmpty) return firstFree != SIZE_MAX ? firstFree : i;
    if (s.pos == kRemoved) {
      if (firstFree == SIZE_MAX) firstFree = i;
    } else if (s.hash == hash && matches(entries_[s.pos - 1], p)) {
      return i;
    }
    i = (i + 1) & mask;
  }
}

size_t Dictionary::findPos(const Variant& key) const {
  if (live_ == 0) {
    kindOf(key); // an array is no key even in an empty dictionary
    return SIZE_MAX;
  }
  size_t slot = lookup(probeOf(key));
  uint32_t v = index_[slot].pos;
  return v == kEmpty || v == kRemoved ? SIZE_MAX : v - 1;
}

void Dictionary::rebuildIndex(size_t capacity) {
  std::vector<Slot> fresh(capacity, Slot{kEmpty, 0});
  size_t mask = capacity - 1;
  for (size_t pos = 0; pos < entries_.size(); ++pos) {
    if (!entries_[pos].live) continue;
    size_t i = entries_[pos].hash & mask;
    while (fresh[i].pos != kEmpty)
      i = (i + 1) & mask;
    fresh[i] = Slot{static_cast<uint32_t>(pos + 1), entries_[pos].hash};
  }
  index_.swap(fresh);
  removedSlots_ = 0;
}

void Dictionary::compact() {
  size_t to = 0;
  for (size_t from = 0; from < entries_.size(); ++from) {
    if (!entries_[from].live) continue;
    if (to != from) entries_[to] = std::move(entries_[from]);
    ++to;
  }
  entries_.shrink(to); // only dead entries, holding nothing, go here
}

void Dictionary::insert(const Variant& key, const Variant& item, const Probe& p, size_t slot) {
  entries_.push_back({key, item, static_cast<uint32_t>(p.hash), true});
  if (index_[slot].pos == kRemoved) --removedSlots_;
  index_[slot] = Slot{static_cast<uint32_t>(entries_.size()), static_cast<uint32_t>(p.hash)};
  ++live_;
}

namespace {
constexpr size_t kMinIndex = 16;
}

void Dictionary::Add(const Variant& key, const Variant& item) {
  if (!walks_.empty()) detachWalks();
  if ((live_ + removedSlots_ + 1) * 4 >= index_.size() * 3) {
    if (entries_.size() > 2 * live_ + 16) compact();
    size_t cap = std::max(kMinIndex, index_.size());
    while ((live_ + 1) * 2 >= cap)
      cap *= 2;
    rebuildIndex(cap);
  }
  Probe p = probeOf(key);
  size_t slot = lookup(p);
  uint32_t v = index_[slot].pos;
  if (v != kEmpty && v != kRemoved) am::raise(am::err::kDuplicateKey);
  insert(key, item, p, slot);
}

bool Dictionary::Exists(const Variant& key) const {
  return findPos(key) != SIZE_MAX;
}

const Variant* Dictionary::find(const Variant& key) const {
  size_t pos = findPos(key);
  return pos == SIZE_MAX ? nullptr : &entries_[pos].item;
}

Variant Dictionary::Item(const Variant& key) {
  size_t pos = findPos(key);
  if (pos != SIZE_MAX) return entries_[pos].item;
  Add(key, Variant());
  return Variant();
}

Variant Dictionary::invokeDefault(int kind, am::Args args) {
  // `d(k)` is most of what scripts do with a dictionary: the item straight away, without the
  // member table's checks and conversions.
  if (!(kind & (am::kPropertyLet | am::kPropertySet)) && args.size() == 1 && !args[0].isMissing())
    return Item(args[0]);
  return Object::invokeDefault(kind, args);
}

void Dictionary::setItem(const Variant& key, const Variant& item) {
  size_t pos = findPos(key);
  if (pos != SIZE_MAX) {
    Variant old = std::move(entries_[pos].item);
    entries_[pos].item = item;
    return; // the old item goes now, when the dictionary holds the new one
  }
  Add(key, item);
}

void Dictionary::setKey(const Variant& key, const Variant& newKey) {
  size_t pos = findPos(key);
  if (pos == SIZE_MAX) am::raise(am::err::kElementNotFound);
  Probe np = probeOf(newKey);
  size_t at = findPos(newKey);
  if (at != SIZE_MAX && at != pos) am::raise(am::err::kDuplicateKey);
  if (!walks_.empty()) detachWalks();
  // The entry keeps its place in the order; only its index slot moves.
  Entry& e = entries_[pos];
  size_t oldSlot = lookup(probeOf(e.key));
  index_[oldSlot].pos = kRemoved;
  ++removedSlots_;
  Variant oldKey = std::move(e.key);
  e.key = newKey;
  e.hash = np.hash;
  size_t slot = lookup(np);
  if (index_[slot].pos == kRemoved) --removedSlots_;
  index_[slot] = Slot{static_cast<uint32_t>(pos + 1), e.hash};
  // Renames leave removed slots behind; the index never fills up with them.
  if ((live_ + removedSlots_) * 4 >= index_.size() * 3) rebuildIndex(index_.size());
}

Variant Dictionary::Items() const {
  std::vector<Variant> v;
  v.reserve(live_);
  for (size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].live) v.push_back(entries_[i].item);
  return Variant(am::SafeArray::fromValues(std::move(v)));
}

Variant Dictionary::Keys() const {
  std::vector<Variant> v;
  v.reserve(live_);
  for (size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].live) v.push_back(entries_[i].key);
  return Variant(am::SafeArray::fromValues(std::move(v)));
}

void Dictionary::releaseTaken(std::vector<Variant>& taken) noexcept {
  am::releaseValues(taken);
}

void Dictionary::Remove(const Variant& key) {
  if (live_ == 0) {
    kindOf(key);
    am::raise(am::err::kElementNotFound);
  }
  size_t slot = lookup(probeOf(key));
  uint32_t v = index_[slot].pos;
  if (v == kEmpty || v == kRemoved) am::raise(am::err::kElementNotFound);
  if (!walks_.empty()) detachWalks();
  Entry& e = entries_[v - 1];
  std::vector<Variant> taken;
  taken.reserve(2);
  taken.push_back(std::move(e.key));
  taken.push_back(std::move(e.item));
  e.live = false;
  index_[slot].pos = kRemoved;
  ++removedSlots_;
  --live_;
  if (live_ == 0) {
    entries_.clear();
    std::fill(index_.begin(), index_.end(), Slot{kEmpty, 0});
    removedSlots_ = 0;
  }
  releaseTaken(taken);
}

void Dictionary::RemoveAll() {
  if (!walks_.empty()) detachWalks();
  EntryList entries;
  entries.swap(entries_);
  index_.clear();
  live_ = 0;
  removedSlots_ = 0;
  // The dictionary is empty before the first value goes, so terminate handlers that run may
  // use it; the values go in order, without a second list of them.
  for (size_t i = 0; i < entries.size(); ++i) {
    am::releaseValues(std::span<Variant>(&entries[i].key, 1));
    am::releaseValues(std::span<Variant>(&entries[i].item, 1));
  }
}

Dictionary::~Dictionary() {
  RemoveAll();
}

void Dictionary::setCompareMode(int32_t mode) {
  if (mode < 0) am::raise(am::err::kInvalidProcedureCall);
  if (live_ != 0 && mode != compareMode_) am::raise(am::err::kInvalidProcedureCall);
  compareMode_ = mode;
}

class Dictionary::KeyWalk : public am::Enumerator {
public:
  explicit KeyWalk(Dictionary& d) : dict_(&d) { d.walks_.push_back(this); }
  ~KeyWalk() override { std::erase(dict_->walks_, this); }
  bool next(Variant& out) override {
    if (detached_) {
      if (pos_ >= rest_.size()) return false;
      out = rest_[pos_++];
      return true;
    }
    const EntryList& entries = dict_->entries_;
    while (pos_ < entries.size() && !entries[pos_].live)
      ++pos_;
    if (pos_ >= entries.size()) return false;
    out = entries[pos_++].key;
    return true;
  }
  // The keys change next: the walk keeps its own copy of those it has still to give.
  void detach() {
    if (detached_) return;
    const EntryList& entries = dict_->entries_;
    std::vector<Variant> rest;
    for (size_t i = pos_; i < entries.size(); ++i)
      if (entries[i].live) rest.push_back(entries[i].key);
    rest_.swap(rest);
    pos_ = 0;
    detached_ = true;
  }

private:
  am::Ref<Dictionary> dict_;
  size_t pos_ = 0;
  bool detached_ = false;
  std::vector<Variant> rest_;
};

void Dictionary::detachWalks() {
  for (KeyWalk* w : walks_)
    w->detach();
  walks_.clear();
}

am::Ref<am::Enumerator> Dictionary::enumerate() const {
  // A walk reads the dictionary, never changes it.
  return am::makeRef<KeyWalk>(const_cast<Dictionary&>(*this));
}

QUILLET_DEFINE_CLASS(Dictionary) {
  b.method("Add", &Dictionary::Add)
      .method("Exists", &Dictionary::Exists)
      .prop("Item", &Dictionary::Item, &Dictionary::setItem)
      .let("Key", &Dictionary::setKey)
      .method("Items", &Dictionary::Items)
      .method("Keys", &Dictionary::Keys)
      .method("Remove", &Dictionary::Remove)
      .method("RemoveAll", &Dictionary::RemoveAll)
      .get("Count", &Dictionary::Count)
      .prop("CompareMode", &Dictionary::compareMode, &Dictionary::setCompareMode)
      .defaultMember("Item")
      .enumerator(&Dictionary::enumerate);
}

} // namespace quillet::platform::vbscript
