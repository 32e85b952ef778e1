#include "core/collection.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/automation/convert.h"
#include "platform/automation/error.h"
#include "platform/text/casefold.h"

namespace quillet::core {

namespace text = ::quillet::platform::text;
using automation::raise;
using detail::CollectionNode;
using detail::CollectionStore;

namespace {

[[noreturn]] void raiseKeyNotFound() {
  raise(kErrKeyNotFound, "Key not found.");
}
[[noreturn]] void raiseInvalidDatatype() {
  raise(kErrInvalidDatatype, "Invalid datatype");
}
[[noreturn]] void raiseMoveInLoop() {
  raise(kErrMoveInLoop, "Move not allowed while in For...Each loop.");
}

// How a Variant index argument is read: a position, a key, or neither.
struct IndexArg {
  bool isKey = false;
  int64_t position = 0;
  std::string_view key;
};

IndexArg readIndex(const Variant& v) {
  IndexArg r;
  double d;
  switch (v.type()) {
  case automation::VarType::String:
    r.isKey = true;
    r.key = v.asString();
    return r;
  case automation::VarType::Integer:
    r.position = v.asInteger();
    return r;
  case automation::VarType::Long:
    r.position = v.asLong();
    return r;
  case automation::VarType::Byte:
    r.position = v.asByte();
    return r;
  case automation::VarType::Single:
    d = v.asSingle();
    break;
  case automation::VarType::Double:
    d = v.asDouble();
    break;
  default:
    raiseInvalidDatatype();
  }
  d = automation::roundHalfEven(d);
  // Anything beyond 32 bits is simply out of range.
  if (std::isnan(d) || d > 4e9 || d < -4e9) d = -4e9;
  r.position = static_cast<int64_t>(d);
  return r;
}

} // namespace

// ---- store ----

namespace {
CollectionNode* const kRemoved = reinterpret_cast<CollectionNode*>(alignof(CollectionNode));

// Equal in ASCII letter case; text beyond ASCII is left to full case folding (false here).
bool asciiEqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = a[i], y = b[i];
    if ((x | y) >= 0x80) return false;
    if (x >= 'A' && x <= 'Z') x += 32;
    if (y >= 'A' && y <= 'Z') y += 32;
    if (x != y) return false;
  }
  return true;
}

size_t fnv(size_t h, unsigned char c) {
  return (h ^ c) * 1099511628211ull;
}
} // namespace

size_t detail::foldedKeyHash(std::string_view key) {
  constexpr size_t kBasis = 14695981039346656037ull;
  size_t h = kBasis;
  // The folded form of ASCII text is its lower case: hashed without making it.
  for (unsigned char c : key) {
    if (c >= 0x80) {
      h = kBasis;
      for (unsigned char f : text::foldCase(key))
        h = fnv(h, f);
      return h;
    }
    h = fnv(h, c >= 'A' && c <= 'Z' ? c + 32 : c);
  }
  return h;
}

bool detail::sameFoldedKey(std::string_view a, std::string_view b) {
  return asciiEqualNoCase(a, b) || text::foldCase(a) == text::foldCase(b);
}

size_t detail::CollectionStore::keyHash(std::string_view key) const {
  if (compareMode != 0) return foldedKeyHash(key);
  size_t h = 14695981039346656037ull;
  for (unsigned char c : key)
    h = fnv(h, c);
  return h;
}

bool detail::CollectionStore::sameKey(std::string_view a, std::string_view b) const {
  return compareMode == 0 ? a == b : sameFoldedKey(a, b);
}

size_t detail::CollectionStore::probe(std::string_view key, size_t h, bool& found) const {
  const size_t mask = slots.size() - 1;
  size_t free = SIZE_MAX;
  for (size_t i = h & mask;; i = (i + 1) & mask) {
    CollectionNode* s = slots[i];
    if (!s) {
      found = false;
      return free != SIZE_MAX ? free : i;
    }
    if (s == kRemoved) {
      if (free == SIZE_MAX) free = i;
    } else if (s->hash == h && sameKey(s->key, key)) {
      found = true;
      return i;
    }
  }
}

void detail::CollectionStore::rehash(size_t capacity) {
  std::vector<CollectionNode*> old;
  old.swap(slots);
  slots.assign(capacity, nullptr);
  const size_t mask = capacity - 1;
  for (CollectionNode* n : old) {
    if (!n || n == kRemoved) continue;
    size_t i = n->hash & mask;
    while (slots[i])
      i = (i + 1) & mask;
    slots[i] = n;
  }
  occupied = keyed;
}

void detail::CollectionStore::indexReserve(size_t count) {
  size_t capacity = slots.empty() ? 8 : slots.size();
  while (capacity * 3 < (count + 1) * 4)
    capacity *= 2;
  if (capacity > slots.size()) rehash(capacity);
}

bool detail::CollectionStore::indexAdd(CollectionNode* node) {
  // At most three quarters full, markers included, so that every probe ends.
  if (slots.empty())
    rehash(8);
  else if ((occupied + 1) * 4 > slots.size() * 3)
    // Doubled when the live entries need it, else rebuilt at its size without the markers.
    rehash((keyed + 1) * 2 > slots.size() ? slots.size() * 2 : slots.size());
  const size_t h = keyHash(node->key);
  bool found = false;
  size_t at = probe(node->key, h, found);
  if (found) return false;
  node->hash = h;
  if (!slots[at]) ++occupied;
  slots[at] = node;
  ++keyed;
  return true;
}

void detail::CollectionStore::indexPut(CollectionNode* node) {
  if (indexAdd(node)) return;
  const size_t h = keyHash(node->key);
  bool found = false;
  size_t at = probe(node->key, h, found);
  node->hash = h;
  slots[at] = node;
}

void detail::CollectionStore::indexRemove(const CollectionNode* node) {
  if (slots.empty()) return;
  const size_t mask = slots.size() - 1;
  for (size_t i = node->hash & mask; slots[i]; i = (i + 1) & mask) {
    if (slots[i] == node) {
      slots[i] = kRemoved;
      --keyed;
      return;
    }
  }
}

void detail::CollectionStore::indexClear() {
  std::vector<CollectionNode*>().swap(slots);
  keyed = occupied = 0;
}

CollectionNode* detail::CollectionStore::find(std::string_view key) const {
  if (key.empty() || keyed == 0) return nullptr;
  bool found = false;
  size_t at = probe(key, keyHash(key), found);
  return found ? slots[at] : nullptr;
}

// ---- collection ----

CSuperCollection::CSuperCollection() : store_(automation::makeRef<CollectionStore>()) {}

CSuperCollection::~CSuperCollection() {
  store_->gone = true;
  Clear();
}

void CSuperCollection::setCompareMode(int32_t mode) {
  if (mode != 0 && mode != 1) raise(automation::err::kSubscriptOutOfRange);
  if (Count() > 0) raise(kErrAlreadyInitialized, "Collection already initialized");
  store_->compareMode = mode;
}

void CSuperCollection::setBaseIndex(int32_t base) {
  if (Count() > 0) raise(kErrAlreadyInitialized, "Collection already initialized");
  store_->baseIndex = base;
}

Ref<CKeys> CSuperCollection::Keys() const {
  return automation::makeRef<CKeys>(store_);
}

void CSuperCollection::checkPosition(int32_t position) const {
  int64_t p = static_cast<int64_t>(position) - store_->baseIndex;
  if (p < 0 || p >= Count()) raise(automation::err::kSubscriptOutOfRange);
}

std::string CSuperCollection::Key(int32_t index) const {
  checkPosition(index);
  return store_->items[index - store_->baseIndex]->key;
}

int32_t CSuperCollection::KeyExists(std::string_view key) const {
  CollectionNode* n = store_->find(key);
  return n ? static_cast<int32_t>(n->pos + store_->baseIndex) : kNotFoundMark;
}

void CSuperCollection::renumber(size_t from, size_t to) {
  auto& items = store_->items;
  to = std::min(to, items.size());
  for (size_t i = from; i < to; ++i)
    items[i]->pos = i;
  ++store_->generation;
}

void CSuperCollection::moveNode(size_t from, size_t to) {
  auto& items = store_->items;
  if (from == to) return;
  if (from < to)
    std::rotate(items.begin() + from, items.begin() + from + 1, items.begin() + to + 1);
  else
    std::rotate(items.begin() + to, items.begin() + from, items.begin() + from + 1);
  renumber(std::min(from, to), std::max(from, to) + 1);
}

void CSuperCollection::rekey(CollectionNode& node, const std::string& newKey) {
  if (!node.key.empty()) store_->indexRemove(&node);
  node.key = newKey;
  if (!newKey.empty()) store_->indexPut(&node);
}

void CSuperCollection::assignObjectKey(CollectionNode& node, const std::string& key) {
  // Element classes keep their key in a setting of their own; tell them first, so that a
  // refusal leaves the collection unchanged.
  if (node.item.isObject() && !node.item.isNothing())
    automation::let(node.item, "Key", Variant(key));
}

void CSuperCollection::Add(const Variant& item, const std::string& key, int32_t insertMode,
                           int32_t position) {
  auto& items = store_->items;
  const size_t n = items.size();
  const int32_t base = store_->baseIndex;
  if (position != kNotFoundMark) {
    int64_t last = n == 0 ? base : static_cast<int64_t>(base) + static_cast<int64_t>(n) - 1;
    if (position < base || position > last) raise(automation::err::kSubscriptOutOfRange);
    if (insertMode == kInsertBefore && position == base)
      insertMode = kInsertFirst;
    else if (insertMode == kInsertAfter && position == last)
      insertMode = kInsertLast;
  } else if (insertMode == kInsertBefore || insertMode == kInsertAfter) {
    raise(kErrNoPosition, "No position supplied.");
  }
  if (!key.empty() && store_->find(key)) raise(automation::err::kDuplicateKey);

  size_t target = n;
  if (insertMode == kInsertBefore)
    target = static_cast<size_t>(position - base);
  else if (insertMode == kInsertAfter)
    target = static_cast<size_t>(position - base) + 1;
  else if (insertMode == kInsertFirst)
    target = 0;
  // A walk in progress may see appended items but must not see the order change.
  if (target != n && store_->activeIterations > 0) raiseMoveInLoop();

  auto node = automation::makeRef<CollectionNode>();
  node->item = item;
  node->key = key;
  CollectionNode* raw = node.get();
  items.insert(items.begin() + static_cast<ptrdiff_t>(target), std::move(node));
  renumber(target, items.size());
  if (!key.empty()) store_->indexAdd(raw);
}

CollectionNode* CSuperCollection::resolve(const Variant& indexOrKey, bool keyMissingRaises,
                                          int32_t outOfRangeError) const {
  IndexArg a = readIndex(indexOrKey);
  if (a.isKey) {
    CollectionNode* n = store_->find(a.key);
    if (!n && keyMissingRaises) raiseKeyNotFound();
    return n;
  }
  int64_t p = a.position - store_->baseIndex;
  if (p < 0 || p >= Count()) {
    if (outOfRangeError == kErrKeyNotFound) raiseKeyNotFound();
    if (outOfRangeError != 0) raise(outOfRangeError);
    return nullptr;
  }
  return store_->items[static_cast<size_t>(p)].get();
}

void CSuperCollection::Remove(const Variant& indexOrKey) {
  CollectionNode* n = resolve(indexOrKey, true, automation::err::kSubscriptOutOfRange);
  auto& items = store_->items;
  Ref<CollectionNode> keep = items[n->pos];
  if (!n->key.empty()) store_->indexRemove(n);
  size_t at = n->pos;
  items.erase(items.begin() + static_cast<ptrdiff_t>(at));
  renumber(at, items.size());
  n->alive = false;
  n->key.clear();
  // The item goes last, once the collection is consistent again.
  Variant released;
  released.swap(n->item);
}

Variant CSuperCollection::Item(const Variant& indexOrKey) const {
  CollectionNode* n = resolve(indexOrKey, false, 0);
  return n ? n->item : Variant();
}

void CSuperCollection::setItem(const Variant& indexOrKey, const Variant& newItem) {
  if (!store_->allowItemAssignments) raise(automation::err::kNoSuchMember);
  CollectionNode* n = resolve(indexOrKey, true, kErrKeyNotFound);
  Variant old = std::move(n->item);
  n->item = newItem;
}

Ref<cEnumerationObject> CSuperCollection::NewEnum() const {
  return automation::makeRef<cEnumerationObject>(store_);
}

Variant CSuperCollection::Clear() {
  std::vector<Ref<CollectionNode>> old;
  old.swap(store_->items);
  store_->indexClear();
  ++store_->generation;
  for (auto& n : old) {
    n->alive = false;
    n->key.clear();
  }
  // Items are released after the collection is empty, in position order.
  for (auto& n : old) {
    Variant released;
    released.swap(n->item);
  }
  return Variant();
}

int32_t CSuperCollection::MoveItem(const Variant& moved, const Variant& target) {
  if (store_->activeIterations > 0) raiseMoveInLoop();
  auto position = [&](const Variant& v) -> int64_t {
    IndexArg a = readIndex(v);
    if (a.isKey) {
      CollectionNode* n = store_->find(a.key);
      if (!n) raiseKeyNotFound();
      return static_cast<int64_t>(n->pos) + store_->baseIndex;
    }
    return a.position;
  };
  int64_t from = position(moved);
  int64_t to = position(target);
  int64_t base = store_->baseIndex;
  if (from < base || from >= base + Count() || to < base || to >= base + Count())
    raise(automation::err::kSubscriptOutOfRange);
  moveNode(static_cast<size_t>(from - base), static_cast<size_t>(to - base));
  return static_cast<int32_t>(to);
}

void CSuperCollection::ChangeKey(const std::string& oldKey, const std::string& newKey) {
  CollectionNode* holder = store_->find(newKey);
  CollectionNode* node = store_->find(oldKey);
  if (holder && holder != node) raise(automation::err::kDuplicateKey);
  if (!node) raiseKeyNotFound();
  assignObjectKey(*node, newKey);
  // A change of letter case only is stored too, so Keys and Key(n) spell it alike.
  rekey(*node, newKey);
}

void CSuperCollection::ChangeKeyForIndex(const std::string& nIndex, const std::string& newKey) {
  auto number = automation::parseNumber(nIndex);
  if (!number) return;
  double d = automation::roundHalfEven(*number);
  int64_t p = static_cast<int64_t>(std::clamp(d, -4e9, 4e9)) - store_->baseIndex;
  if (p < 0 || p >= Count()) return;
  if (!newKey.empty() && store_->find(newKey)) raise(automation::err::kDuplicateKey);
  CollectionNode& node = *store_->items[static_cast<size_t>(p)];
  assignObjectKey(node, newKey);
  rekey(node, newKey);
}

const Variant* CSuperCollection::at(int32_t position) const {
  int64_t p = static_cast<int64_t>(position) - store_->baseIndex;
  if (p < 0 || p >= Count()) return nullptr;
  return &store_->items[static_cast<size_t>(p)]->item;
}

const Variant* CSuperCollection::find(std::string_view key) const {
  CollectionNode* n = store_->find(key);
  return n ? &n->item : nullptr;
}

std::vector<Variant> CSuperCollection::items() const {
  std::vector<Variant> out;
  out.reserve(store_->items.size());
  for (const auto& n : store_->items)
    out.push_back(n->item);
  return out;
}

// ---- keys ----

QUILLET_DEFINE_CLASS(cKey) {
  b.get("Name", &cKey::Name).get("AssociatedIndex", &cKey::AssociatedIndex);
}

QUILLET_DEFINE_CLASS(CKeys) {
  b.get("Count", &CKeys::Count).enumerator(&CKeys::NewEnum);
}

std::vector<std::pair<std::string, int32_t>> CKeys::list() const {
  std::vector<std::pair<std::string, int32_t>> out;
  if (store_->gone) return out;
  for (const auto& n : store_->items)
    if (!n->key.empty()) out.emplace_back(n->key, static_cast<int32_t>(n->pos) + store_->baseIndex);
  if (store_->compareMode == 0) {
    std::sort(out.begin(), out.end());
  } else {
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) {
      int c = text::compareNoCase(a.first, b.first);
      return c != 0 ? c < 0 : a.first < b.first;
    });
  }
  return out;
}

int32_t CKeys::Count() const {
  if (store_->gone) return 0;
  return static_cast<int32_t>(store_->keyed);
}

Ref<automation::Enumerator> CKeys::NewEnum() const {
  std::vector<Variant> keys;
  for (auto& [name, pos] : list())
    keys.emplace_back(automation::makeRef<cKey>(name, pos));
  return automation::makeRef<automation::VectorEnumerator>(std::move(keys));
}

// ---- iteration ----

cEnumerationObject::cEnumerationObject(Ref<CollectionStore> store) : store_(std::move(store)) {
  ++store_->activeIterations;
  takeSnapshot();
}

cEnumerationObject::cEnumerationObject(const cEnumerationObject& other)
    : automation::Enumerator(), store_(other.store_), snapshot_(other.snapshot_), pos_(other.pos_) {
  ++store_->activeIterations;
}

cEnumerationObject::~cEnumerationObject() {
  --store_->activeIterations;
}

void cEnumerationObject::takeSnapshot() {
  snapshot_ = store_->items;
}

bool cEnumerationObject::next(Variant& out) {
  for (;;) {
    if (store_->gone) return false;
    if (pos_ >= snapshot_.size()) {
      // Moves and positional inserts are refused during a walk, so whatever the live table
      // holds after the last surviving snapshot item was appended since: visit it too.
      size_t start = 0;
      for (size_t i = snapshot_.size(); i-- > 0;)
        if (snapshot_[i]->alive) {
          start = snapshot_[i]->pos + 1;
          break;
        }
      const auto& live = store_->items;
      if (start >= live.size()) return false;
      snapshot_.insert(snapshot_.end(), live.begin() + static_cast<ptrdiff_t>(start), live.end());
      if (pos_ >= snapshot_.size()) return false;
    }
    const Ref<CollectionNode>& n = snapshot_[pos_++];
    if (n->alive) {
      out = n->item;
      return true;
    }
  }
}

int32_t cEnumerationObject::Next(int32_t n, std::vector<Variant>& out) {
  int32_t got = 0;
  Variant v;
  while (got < n && next(v)) {
    out.push_back(v);
    ++got;
  }
  return got;
}

void cEnumerationObject::Skip(int32_t n) {
  if (n > 0) pos_ += static_cast<size_t>(n);
}

void cEnumerationObject::Reset() {
  pos_ = 0;
}

Ref<cEnumerationObject> cEnumerationObject::Clone() const {
  return automation::makeRef<cEnumerationObject>(*this);
}

} // namespace quillet::core
