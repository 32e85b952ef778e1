#pragma once
// "Scripting.Dictionary": items by key in insertion order. Keys are compared by value
// (numbers of any subtype by their numeric value, text by CompareMode, objects by
// identity). Reading the Item of a missing key adds the key with an Empty item.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/automation/members.h"

namespace quillet::platform::vbscript {

class Dictionary : public automation::Object {
  QUILLET_OBJECT(Dictionary)
public:
  using Variant = automation::Variant;
  Dictionary() = default;
  ~Dictionary() override;

  void Add(const Variant& key, const Variant& item);
  bool Exists(const Variant& key) const;
  Variant Item(const Variant& key);
  void setItem(const Variant& key, const Variant& item);
  // Renames a key: 32811 when it is missing, 457 when the new key is taken.
  void setKey(const Variant& key, const Variant& newKey);
  Variant Items() const;
  Variant Keys() const;
  void Remove(const Variant& key);
  void RemoveAll();
  int32_t Count() const { return static_cast<int32_t>(live_); }
  // 0 binary, 1 text, 2 database (text); changeable only while the dictionary is empty.
  int32_t compareMode() const { return compareMode_; }
  void setCompareMode(int32_t mode);
  automation::Ref<automation::Enumerator> enumerate() const;

  // For C++ callers: the item of a key without adding it, or nullptr.
  const Variant* find(const Variant& key) const;

  Variant invokeDefault(int kind, automation::Args args) override;

private:
  // Entries stay in insertion order; a removed one leaves a hole (an Empty key marked dead)
  // until the holes outnumber the entries and the list is closed up.
  struct Entry {
    Variant key;
    Variant item;
    uint32_t hash = 0; // the low half of the key's hash: the index is never larger
    bool live = true;
  };
  // Entries in chunks that never move: adding one copies none of the others, and the list
  // never exists twice while it grows.
  class EntryList {
  public:
    EntryList() = default;
    EntryList(const EntryList&) = delete;
    EntryList& operator=(const EntryList&) = delete;
    ~EntryList() { clear(); }
    size_t size() const { return size_; }
    Entry& operator[](size_t i) { return chunks_[i / kChunk][i % kChunk]; }
    const Entry& operator[](size_t i) const { return chunks_[i / kChunk][i % kChunk]; }
    void push_back(Entry&& e);
    // Drops the entries from position n on.
    void shrink(size_t n) noexcept;
    void clear() noexcept { shrink(0); }
    void swap(EntryList& o) noexcept {
      chunks_.swap(o.chunks_);
      std::swap(size_, o.size_);
    }

  private:
    static constexpr size_t kChunk = 1024;
    std::vector<Entry*> chunks_;
    size_t size_ = 0;
  };
  // The For Each walk: it gives the keys as they were when it began. It reads them in place
  // until the keys change, and is handed the keys it has still to give just before they do.
  class KeyWalk;
  void detachWalks();
  std::vector<KeyWalk*> walks_; // walks reading the entries in place

  struct Probe; // a key made ready for hashing and comparison
  Probe probeOf(const Variant& key) const;
  bool matches(const Entry& e, const Probe& p) const;
  static bool matchesOther(const Variant& key, const Probe& p); // a key other than text
  // The index slot holding the key, or the slot where it would go (its value is kEmpty).
  size_t lookup(const Probe& p) const;
  size_t findPos(const Variant& key) const; // entry position, or npos
  void insert(const Variant& key, const Variant& item, const Probe& p, size_t slot);
  void rebuildIndex(size_t capacity);
  void compact();
  // Releases values already taken out of the dictionary: terminate handlers of what they
  // hold may use the dictionary, so they run only once it is consistent again.
  static void releaseTaken(std::vector<Variant>& taken) noexcept;

  static constexpr uint32_t kEmpty = 0;     // index slot never used
  static constexpr uint32_t kRemoved = ~0u; // index slot whose entry went
  // A slot keeps its entry's hash beside the position, so a probe passes other keys without
  // reading their entries: in a large dictionary each entry read is a cache miss.
  struct Slot {
    uint32_t pos; // entry position + 1, kEmpty or kRemoved
    uint32_t hash;
  };
  EntryList entries_;
  std::vector<Slot> index_; // size a power of 2
  size_t live_ = 0;
  size_t removedSlots_ = 0; // kRemoved slots in the index
  int32_t compareMode_ = 0;
};

} // namespace quillet::platform::vbscript
