#include "platform/automation/variant.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <limits>

#include "platform/automation/error.h"
#include "platform/automation/limits.h"
#include "platform/automation/object.h"

namespace quillet::platform::automation {

Variant::Variant(Object* o) noexcept {
  setHeader(VarType::Object);
  obj_ = o;
  if (o) {
    o->addRef();
    meta_ = kOwns;
  }
}

Variant::Variant(Ref<SafeArray> a) noexcept {
  setEmpty();
  if (SafeArray* p = a.detach()) {
    type_ = VarType::Array;
    meta_ = kOwns;
    arr_ = p;
  }
}

Variant Variant::fromInt64(int64_t v) noexcept {
  if (v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max())
    return Variant(static_cast<int32_t>(v));
  return Variant(static_cast<double>(v));
}

namespace {
// The room a growable box of at least `capacity` bytes is given: what the allocator's block
// holds anyway (blocks of 16n bytes keep 16n - 8 for the caller), so appends use all of it.
size_t roomFor(size_t capacity) {
  const size_t block = 2 * sizeof(uint32_t) + capacity;
  return ((block + 8 + 15) & ~size_t(15)) - 8 - 2 * sizeof(uint32_t);
}
} // namespace

Variant::TextBox* Variant::allocBox(size_t capacity, bool growable) {
  if (capacity > kMaxStringBytes) raise(err::kOutOfMemory);
  if (growable) capacity = roomFor(capacity);
  const size_t front = growable ? sizeof(uint32_t) : 0;
  char* p = static_cast<char*>(std::malloc(front + sizeof(TextBox) + capacity));
  if (!p) raise(err::kOutOfMemory);
  preferHugePages(p, front + sizeof(TextBox) + capacity);
  TextBox* box = reinterpret_cast<TextBox*>(p + front);
  box->refs = growable ? kGrowable | 1 : 1;
  if (growable) roomOf(box) = static_cast<uint32_t>(capacity);
  return box;
}

void Variant::freeBox(TextBox* box) noexcept {
  std::free(box->refs & kGrowable ? reinterpret_cast<char*>(box) - sizeof(uint32_t)
                                  : reinterpret_cast<char*>(box));
}

void Variant::growBox(size_t capacity) {
  if (box_->refs & kGrowable) {
    capacity = roomFor(capacity);
    void* p = std::realloc(reinterpret_cast<char*>(box_) - sizeof(uint32_t),
                           sizeof(uint32_t) + sizeof(TextBox) + capacity);
    if (!p) raise(err::kOutOfMemory);
    preferHugePages(p, sizeof(uint32_t) + sizeof(TextBox) + capacity);
    box_ = reinterpret_cast<TextBox*>(static_cast<char*>(p) + sizeof(uint32_t));
    roomOf(box_) = static_cast<uint32_t>(capacity);
    return;
  }
  // A text made at its exact size that starts to grow moves to a growable box once.
  TextBox* box = allocBox(capacity, true);
  std::memcpy(box->chars(), box_->chars(), head_);
  std::free(box_);
  box_ = box;
}

void Variant::initBoxed(const char* chars, size_t size, size_t capacity, bool growable) {
  // Allocated before anything of this value is set: a failure leaves it unmade.
  TextBox* box = allocBox(capacity, growable);
  if (size) std::memcpy(box->chars(), chars, size);
  setHeader(VarType::String);
  meta_ = kOwns;
  small_ = kBoxed;
  head_ = static_cast<uint32_t>(size);
  box_ = box;
}

Variant Variant::concat(std::string_view a, std::string_view b) {
  const std::string_view parts[2] = {a, b};
  return joined(parts, 2, a.size() + b.size());
}

Variant Variant::joined(const std::string_view* parts, size_t n, size_t total) {
  Variant v;
  char* out;
  if (total <= kInlineChars) {
    v.type_ = VarType::String;
    v.small_ = static_cast<uint8_t>(total);
    out = v.inlineChars();
  } else {
    v.initBoxed(nullptr, 0, total, false);
    v.head_ = static_cast<uint32_t>(total);
    out = v.box_->chars();
  }
  for (size_t i = 0; i < n; ++i) {
    const char* from = parts[i].data();
    const size_t k = parts[i].size();
    // The parts of a chain are mostly a few bytes: two overlapping fixed-size moves each,
    // without a call.
    if (k >= 8 && k <= 16) {
      uint64_t head, tail;
      std::memcpy(&head, from, 8);
      std::memcpy(&tail, from + k - 8, 8);
      std::memcpy(out, &head, 8);
      std::memcpy(out + k - 8, &tail, 8);
    } else if (k >= 4 && k < 8) {
      uint32_t head, tail;
      std::memcpy(&head, from, 4);
      std::memcpy(&tail, from + k - 4, 4);
      std::memcpy(out, &head, 4);
      std::memcpy(out + k - 4, &tail, 4);
    } else if (k > 0) {
      std::memcpy(out, from, k);
    }
    out += k;
  }
  return v;
}

void Variant::appendSlow(std::string_view s) {
  if (s.empty()) return;
  noteTextKind(kTextUnknown);
  const size_t old = small_ == kBoxed ? head_ : small_;
  const size_t n = old + s.size();
  if (n > kMaxStringBytes) raise(err::kOutOfMemory);
  if (small_ != kBoxed) {
    if (n <= kInlineChars) {
      // The view may be of our own bytes: they lie before the ones written.
      std::memcpy(inlineChars() + old, s.data(), s.size());
      small_ = static_cast<uint8_t>(n);
      return;
    }
    // Room to spare: a text that has grown once is likely to grow again.
    TextBox* box = allocBox(std::max(n, size_t(2) * kInlineChars), true);
    std::memcpy(box->chars(), inlineChars(), old);
    std::memcpy(box->chars() + old, s.data(), s.size());
    meta_ |= kOwns;
    small_ = kBoxed;
    head_ = static_cast<uint32_t>(n);
    box_ = box;
    return;
  }
  if ((box_->refs & kHolders) == 1) {
    if (!(box_->refs & kGrowable) || n > roomOf(box_)) {
      const size_t capacity = std::min(std::max(n, old + old / 2 + 16), kMaxStringBytes);
      const char* base = box_->chars();
      const bool own = s.data() >= base && s.data() < base + old;
      const size_t at = own ? static_cast<size_t>(s.data() - base) : 0;
      growBox(capacity);
      if (own) s = std::string_view(box_->chars() + at, s.size());
    }
    std::memcpy(box_->chars() + old, s.data(), s.size());
    head_ = static_cast<uint32_t>(n);
    return;
  }
  // Shared: the others keep the text as it is. The view may be of that text; it stays alive
  // until we let it go, after the copy.
  TextBox* box = allocBox(std::min(std::max(n, old + old / 2 + 16), kMaxStringBytes), true);
  std::memcpy(box->chars(), box_->chars(), old);
  std::memcpy(box->chars() + old, s.data(), s.size());
  --box_->refs;
  box_ = box;
  head_ = static_cast<uint32_t>(n);
}

void Variant::reserveString(size_t n) {
  const size_t old = small_ == kBoxed ? head_ : small_;
  if (n <= old || n <= kInlineChars) return;
  if (n > kMaxStringBytes) raise(err::kOutOfMemory);
  if (small_ == kBoxed && (box_->refs & kHolders) == 1) {
    if (!(box_->refs & kGrowable) || n > roomOf(box_)) growBox(n);
    return;
  }
  Variant grown;
  grown.initBoxed(asString().data(), old, n, true);
  grown.meta_ = static_cast<uint8_t>(grown.meta_ | (meta_ & kKindMask));
  *this = std::move(grown);
}

void Variant::truncateString(size_t n) {
  if (small_ != kBoxed) {
    if (n < small_) small_ = static_cast<uint8_t>(n);
  } else if (n < head_) {
    // Other holders keep their own length, so the shared bytes need not change.
    head_ = static_cast<uint32_t>(n);
  }
  noteTextKind(kTextUnknown);
}

void Variant::addRefCounted() const noexcept {
  switch (type_) {
  case VarType::Object:
    obj_->addRef();
    break;
  case VarType::Array:
    arr_->addRef();
    break;
  default:
    break;
  }
}

Variant& Variant::assignSlow(const Variant& o) noexcept {
  if (this != &o) {
    // As in the move: the old value goes last, when this already holds the new one.
    Variant tmp(o);
    Variant old(std::move(*this));
    copyBits(tmp);
    tmp.setEmpty();
  }
  return *this;
}

Variant& Variant::moveAssignSlow(Variant& o) noexcept {
  if (this != &o) {
    // Releasing the old value may run arbitrary code (an object's last release); take the
    // new value first so that code sees a consistent variable.
    Variant old(std::move(*this));
    copyBits(o);
    o.setEmpty();
  }
  return *this;
}

void Variant::swap(Variant& o) noexcept {
  Variant tmp(std::move(o));
  o.copyBits(*this);
  copyBits(tmp);
  tmp.setEmpty();
}

bool Variant::isNumber() const noexcept {
  switch (type_) {
  case VarType::Integer:
  case VarType::Long:
  case VarType::Byte:
  case VarType::Single:
  case VarType::Double:
  case VarType::Currency:
    return true;
  default:
    return false;
  }
}

void Variant::reset() noexcept {
  // Called only while the value owns its payload.
  switch (type_) {
  case VarType::String:
    if ((--box_->refs & kHolders) == 0) freeBox(box_);
    break;
  case VarType::Object:
    obj_->release();
    break;
  case VarType::Array:
    arr_->release();
    break;
  default:
    break;
  }
  setEmpty();
}

SafeArray& Variant::arrayForWrite() {
  if (arr_->refCount() > 1) {
    Ref<SafeArray> copy = arr_->clone();
    arr_->release();
    arr_ = copy.detach();
  }
  return *arr_;
}

// ---------------------------------------------------------------------------------------

namespace {

struct ReleaseQueue {
  std::vector<Variant> items;
  bool draining = false;
};
thread_local ReleaseQueue releaseQueue;

// Whether clearing the value frees a container (ours is the last reference to it).
bool freesContainer(const Variant& v) {
  if (v.isArray()) return v.asArray().refCount() == 1;
  if (v.isObject()) return v.asObject() && v.asObject()->refCount() == 1;
  return false;
}

} // namespace

void releaseValues(std::span<Variant> values) noexcept {
  ReleaseQueue& q = releaseQueue;
  const size_t base = q.items.size();
  // Pushed last to first, so the first value is freed first, as a plain release would.
  for (auto it = values.rbegin(); it != values.rend(); ++it) {
    Variant& v = *it;
    if (!freesContainer(v)) {
      v.clear();
      continue;
    }
    try {
      q.items.push_back(std::move(v));
    } catch (...) {
      v.clear(); // no room for the list: release in place
    }
  }
  if (q.draining) return; // the release further up the stack goes on with the list
  q.draining = true;
  while (q.items.size() > base) {
    Variant v = std::move(q.items.back());
    q.items.pop_back();
    v.clear();
  }
  q.draining = false;
}

ReleaseBarrier::ReleaseBarrier() noexcept : draining_(releaseQueue.draining) {
  releaseQueue.draining = false;
}

ReleaseBarrier::~ReleaseBarrier() {
  releaseQueue.draining = draining_;
}

SafeArray::~SafeArray() {
  releaseValues(data_);
}

SafeArray::Bound SafeArray::Bound::fromUpper(int32_t upper) {
  if (upper < -1) raise(err::kSubscriptOutOfRange);
  if (upper == std::numeric_limits<int32_t>::max()) raise(err::kOutOfMemory);
  return Bound{0, upper + 1};
}

size_t SafeArray::elementCount(const std::vector<Bound>& bounds) {
  if (bounds.empty()) return 0;
  size_t n = 1;
  for (const Bound& b : bounds) {
    if (b.count < 0) raise(err::kSubscriptOutOfRange);
    if (__builtin_mul_overflow(n, static_cast<size_t>(b.count), &n)) raise(err::kOutOfMemory);
  }
  if (n > kMaxArrayElements) raise(err::kOutOfMemory);
  size_t bytes = 0;
  if (__builtin_mul_overflow(n, sizeof(Variant), &bytes)) raise(err::kOutOfMemory);
  reserveMemory(bytes);
  return n;
}

SafeArray::SafeArray(std::vector<Bound> bounds) : bounds_(std::move(bounds)) {
  const size_t count = elementCount(bounds_);
  data_.reserve(count);
  preferHugePages(data_.data(), count * sizeof(Variant));
  data_.resize(count);
}

Ref<SafeArray> SafeArray::create(std::vector<Bound> bounds) {
  return Ref<SafeArray>(new SafeArray(std::move(bounds)));
}

Ref<SafeArray> SafeArray::fromValues(std::vector<Variant> values) {
  Ref<SafeArray> a(new SafeArray());
  a->bounds_.push_back(Bound{0, static_cast<int32_t>(values.size())});
  a->data_ = std::move(values);
  return a;
}

const SafeArray::Bound& SafeArray::bound(int dimension) const {
  if (dimension < 1 || dimension > dimensions()) raise(err::kSubscriptOutOfRange);
  return bounds_[static_cast<size_t>(dimension - 1)];
}

size_t SafeArray::offset(std::span<const int32_t> indices) const {
  if (indices.size() != bounds_.size()) raise(err::kSubscriptOutOfRange);
  size_t off = 0;
  size_t stride = 1;
  for (size_t d = 0; d < bounds_.size(); ++d) {
    int64_t i = int64_t(indices[d]) - bounds_[d].lower;
    if (i < 0 || i >= bounds_[d].count) raise(err::kSubscriptOutOfRange);
    off += static_cast<size_t>(i) * stride;
    stride *= static_cast<size_t>(bounds_[d].count);
  }
  return off;
}

Variant& SafeArray::at(std::span<const int32_t> indices) {
  return data_[offset(indices)];
}

const Variant& SafeArray::at(std::span<const int32_t> indices) const {
  return data_[offset(indices)];
}

void SafeArray::redim(std::vector<Bound> bounds, bool preserve) {
  if (locked() || fixed_) raise(err::kArrayFixedOrLocked);
  if (preserve && !bounds_.empty()) {
    if (bounds.size() != bounds_.size()) raise(err::kSubscriptOutOfRange);
    for (size_t d = 0; d + 1 < bounds.size(); ++d)
      if (bounds[d].lower != bounds_[d].lower || bounds[d].count != bounds_[d].count)
        raise(err::kSubscriptOutOfRange);
    if (bounds.back().lower != bounds_.back().lower) raise(err::kSubscriptOutOfRange);
    // The last dimension is the slowest, so the kept elements are a prefix: resizing the
    // storage in place keeps them, and growing step by step stays amortised.
    size_t n = elementCount(bounds);
    // Elements dropped by a shrink are released last, when the array is whole again: their
    // terminate handlers may look at it or replace it.
    std::vector<Variant> dropped;
    if (n < data_.size()) {
      dropped.reserve(data_.size() - n);
      std::move(data_.begin() + static_cast<ptrdiff_t>(n), data_.end(),
                std::back_inserter(dropped));
    }
    if (n > data_.capacity()) {
      // Grown as the vector would grow itself, with the new block advised before it is filled.
      data_.reserve(std::max(n, 2 * data_.size()));
      preferHugePages(data_.data(), data_.capacity() * sizeof(Variant));
    }
    data_.resize(n);
    bounds_ = std::move(bounds);
    releaseValues(dropped);
    return;
  } else {
    SafeArray fresh(std::move(bounds));
    bounds_.swap(fresh.bounds_);
    data_.swap(fresh.data_);
    // `fresh` now holds the old elements and releases them on the way out.
  }
}

Ref<SafeArray> SafeArray::clone() const {
  Ref<SafeArray> a(new SafeArray());
  a->bounds_ = bounds_;
  a->data_ = data_;
  a->fixed_ = fixed_;
  return a;
}

} // namespace quillet::platform::automation
