#pragma once
// The keyed ordered collection behind every collection class of the engine.
//
// Items keep a caller-controlled order (positions counted from BaseIndex, 1 by default) and
// may carry a text key unique within the collection. Wrappers set CompareMode to 1 right after
// construction, so every keyed collection of the system compares keys without regard to case.
//
// Storage: each item lives in a reference-counted node; the position table is one contiguous
// vector of nodes, and every node knows its own position, so a key lookup is one hash probe
// (keys folded with the platform's case folding in text mode) and inserts, moves and removals
// shift one block of the table. Iterators hold a snapshot of nodes: a node removed during a
// walk is marked dead and skipped, and a node is never reused for another item, so a snapshot
// cannot alias a newer item.
//
// Errors (number, message): 9, 438 and 457 with the standard texts; kErrAlreadyInitialized
// "Collection already initialized", kErrKeyNotFound "Key not found.", kErrMoveInLoop
// "Move not allowed while in For...Each loop.", kErrInvalidDatatype "Invalid datatype",
// kErrNoPosition "No position supplied.". A raised error leaves the collection unchanged.
//
// Index arguments given as Variants: a number (Integer, Long, Single, Double, Byte) is a
// position, rounded half to even; text is a key; any other type raises "Invalid datatype".
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/automation/members.h"
#include "platform/automation/object.h"
#include "platform/automation/variant.h"

namespace quillet::core {

namespace automation = ::quillet::platform::automation;
using automation::Ref;
using automation::Variant;

// The result of KeyExists for an absent key, and the position argument meaning "none".
inline constexpr int32_t kNotFoundMark = 0x10000001;

inline constexpr int32_t kErrAlreadyInitialized = static_cast<int32_t>(0x80000500u);
inline constexpr int32_t kErrKeyNotFound = static_cast<int32_t>(0x80000501u);
inline constexpr int32_t kErrMoveInLoop = static_cast<int32_t>(0x80000502u);
inline constexpr int32_t kErrInvalidDatatype = static_cast<int32_t>(0x80000503u);
inline constexpr int32_t kErrNoPosition = static_cast<int32_t>(0x80000504u);

// Insert modes of CSuperCollection::Add.
enum InsertMode : int32_t {
  kInsertBefore = 1,
  kInsertAfter = 2,
  kInsertFirst = 3,
  kInsertLast = 4
};

namespace detail {
struct CollectionNode : automation::RefCounted {
  Variant item;
  std::string key; // "" = no key
  size_t pos = 0;  // 0-based index in the position table while alive
  size_t hash = 0; // of the key as the compare mode sees it, while indexed
  bool alive = true;
};

// The collection's storage, shared with its iterators and key views so that they can tell
// when the collection is gone.
struct CollectionStore : automation::RefCounted {
  std::vector<Ref<CollectionNode>> items;
  // Keys to nodes: open addressing over a power-of-two table (nullptr free, a marker for a
  // removed entry), so that adding a keyed item allocates nothing but the table's growth.
  // Element bags of a hundred settings are made by the thousand; a node per map entry and a
  // folded copy of every key were most of their cost.
  std::vector<CollectionNode*> slots;
  size_t keyed = 0;    // live entries
  size_t occupied = 0; // live entries and removal markers
  int32_t compareMode = 0;
  int32_t baseIndex = 1;
  bool allowItemAssignments = false;
  int32_t activeIterations = 0;
  bool gone = false;
  uint64_t generation = 0; // bumped on every change of the position table

  CollectionNode* find(std::string_view key) const;
  // Indexes the node under its key; false, changing nothing, when an equal key is there.
  bool indexAdd(CollectionNode* node);
  // Indexes the node under its key, replacing the entry of an equal key.
  void indexPut(CollectionNode* node);
  void indexRemove(const CollectionNode* node);
  void indexClear();
  void indexReserve(size_t count);

private:
  size_t keyHash(std::string_view key) const;
  bool sameKey(std::string_view a, std::string_view b) const;
  // The slot holding an entry equal to key (hash h), or the slot where it would go.
  size_t probe(std::string_view key, size_t h, bool& found) const;
  void rehash(size_t capacity);
};
} // namespace detail

namespace detail {
// The hash of a key as collections in text mode compare keys (Unicode case folding), and
// that comparison.
size_t foldedKeyHash(std::string_view key);
bool sameFoldedKey(std::string_view a, std::string_view b);
} // namespace detail

class cEnumerationObject;
class CKeys;

class CSuperCollection {
public:
  CSuperCollection();
  ~CSuperCollection();
  CSuperCollection(const CSuperCollection&) = delete;
  CSuperCollection& operator=(const CSuperCollection&) = delete;

  int32_t CompareMode() const { return store_->compareMode; }
  // 0 exact, 1 without regard to case; error 9 for other values, "Collection already
  // initialized" while items exist.
  void setCompareMode(int32_t mode);
  bool AllowItemAsignments() const { return store_->allowItemAssignments; }
  void setAllowItemAsignments(bool allow) { store_->allowItemAssignments = allow; }
  int32_t BaseIndex() const { return store_->baseIndex; }
  void setBaseIndex(int32_t base);

  Ref<CKeys> Keys() const;
  // The key of the item at a position ("" for a keyless item); error 9 outside.
  std::string Key(int32_t index) const;
  // The position of the item with this key, or kNotFoundMark ("" never has an item).
  int32_t KeyExists(std::string_view key) const;
  void ChangeKey(const std::string& oldKey, const std::string& newKey);
  // nIndex is the text of a position; a position outside the collection does nothing.
  void ChangeKeyForIndex(const std::string& nIndex, const std::string& newKey);
  // Inserts an item. Mode 1/2 insert before/after `position`, 3 first, anything else last.
  void Add(const Variant& item, const std::string& key = {}, int32_t insertMode = kInsertLast,
           int32_t position = kNotFoundMark);
  int32_t Count() const { return static_cast<int32_t>(store_->items.size()); }
  // Room for n items in all, so that filling a collection of known size does not regrow it.
  void reserve(size_t n) {
    store_->items.reserve(n);
    store_->indexReserve(n);
  }
  void Remove(const Variant& indexOrKey);
  // The item, or Empty when there is none.
  Variant Item(const Variant& indexOrKey) const;
  void setItem(const Variant& indexOrKey, const Variant& newItem);
  Ref<cEnumerationObject> NewEnum() const;
  Variant Clear();
  // Moves one item; returns its new position.
  int32_t MoveItem(const Variant& moved, const Variant& target);

  // Fast paths for C++ callers (no Variant index).
  // The item at a position, or nullptr outside.
  const Variant* at(int32_t position) const;
  // The item under a key, or nullptr.
  const Variant* find(std::string_view key) const;
  // The items in position order (a plain copy; no iteration is registered).
  std::vector<Variant> items() const;
  bool iterating() const { return store_->activeIterations > 0; }

private:
  friend class cEnumerationObject;
  friend class CKeys;
  detail::CollectionNode* resolve(const Variant& indexOrKey, bool keyMissingRaises,
                                  int32_t outOfRangeError) const;
  void checkPosition(int32_t position) const;
  void moveNode(size_t from, size_t to);
  void renumber(size_t from, size_t to);
  void assignObjectKey(detail::CollectionNode& node, const std::string& key);
  void rekey(detail::CollectionNode& node, const std::string& newKey);

  Ref<detail::CollectionStore> store_;
};

// One key of a collection with the position of its item.
class cKey : public automation::Object {
  QUILLET_OBJECT(cKey)
public:
  cKey(std::string name, int32_t index) : name_(std::move(name)), index_(index) {}
  const std::string& Name() const { return name_; }
  int32_t AssociatedIndex() const { return index_; }

private:
  std::string name_;
  int32_t index_;
};

// The keys of a collection in ascending order (under its compare mode).
class CKeys : public automation::Object {
  QUILLET_OBJECT(CKeys)
public:
  explicit CKeys(Ref<detail::CollectionStore> store) : store_(std::move(store)) {}
  int32_t Count() const;
  Ref<automation::Enumerator> NewEnum() const;
  // The keys as (name, position) pairs in ascending order.
  std::vector<std::pair<std::string, int32_t>> list() const;

private:
  Ref<detail::CollectionStore> store_;
};

// Walks a collection in position order over a snapshot: items removed during the walk are
// skipped, items appended during it are visited, moves are refused while it lives. It does
// not keep the collection alive: once the collection is gone the walk ends.
class cEnumerationObject : public automation::Enumerator {
public:
  explicit cEnumerationObject(Ref<detail::CollectionStore> store);
  cEnumerationObject(const cEnumerationObject& other);
  ~cEnumerationObject() override;

  bool next(Variant& out) override;
  // Up to n items; returns how many were given.
  int32_t Next(int32_t n, std::vector<Variant>& out);
  void Skip(int32_t n);
  void Reset();
  Ref<cEnumerationObject> Clone() const;

private:
  void takeSnapshot();
  Ref<detail::CollectionStore> store_;
  std::vector<Ref<detail::CollectionNode>> snapshot_;
  size_t pos_ = 0;
};

} // namespace quillet::core
