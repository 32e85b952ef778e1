#pragma once
// The VB value. Subtypes and VarType numbers are the ones scripts see; strings are UTF-8.
// Arrays have value semantics (copy on write), objects are shared by intrusive reference.
#include <bit>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/automation/ref.h"

namespace quillet::platform::automation {

class Object;
class SafeArray;

enum class VarType : uint16_t {
  Empty = 0,
  Null = 1,
  Integer = 2,
  Long = 3,
  Single = 4,
  Double = 5,
  Currency = 6,
  Date = 7,
  String = 8,
  Object = 9,
  Error = 10,
  Boolean = 11,
  Variant = 12,
  Byte = 17,
  // An array of Variants: the VarType scripts see (0x2000 + 12).
  Array = 0x200C,
};
inline constexpr int kArrayFlag = 0x2000;

// Currency: a fixed-point number with four decimals, stored scaled by 10,000.
struct Currency {
  int64_t scaled = 0;
  static constexpr int64_t kScale = 10000;
  double toDouble() const { return static_cast<double>(scaled) / kScale; }
  friend bool operator==(Currency a, Currency b) { return a.scaled == b.scaled; }
};

// Date: days since 30 December 1899, the fraction being the time of day.
struct DateTime {
  double serial = 0;
  friend bool operator==(DateTime a, DateTime b) { return a.serial == b.serial; }
};

// The Error subtype's code for an omitted optional argument (IsMissing is true for it).
inline constexpr int32_t kParamNotFound = static_cast<int32_t>(0x80020004u);

class Variant {
public:
  Variant() noexcept { setEmpty(); }
  // Narrow values are stored as the whole payload word: a copy that follows reads all eight
  // bytes, and reading a wide word over a pending narrow store stalls the processor (the
  // For counter and every small result are copied right after they are made).
  Variant(bool v) noexcept { setHeader(VarType::Boolean); i64_ = v; }
  Variant(uint8_t v) noexcept { setHeader(VarType::Byte); i64_ = v; }
  Variant(int16_t v) noexcept { setHeader(VarType::Integer); i64_ = v; }
  Variant(int32_t v) noexcept { setHeader(VarType::Long); i64_ = v; }
  Variant(float v) noexcept { setHeader(VarType::Single); i64_ = std::bit_cast<uint32_t>(v); }
  Variant(double v) noexcept { setHeader(VarType::Double); f64_ = v; }
  Variant(Currency v) noexcept { setHeader(VarType::Currency); i64_ = v.scaled; }
  Variant(DateTime v) noexcept { setHeader(VarType::Date); f64_ = v.serial; }
  Variant(std::string_view v) {
    if (v.size() <= kInlineChars) {
      setHeader(VarType::String);
      i64_ = 0;
      small_ = static_cast<uint8_t>(v.size());
      if (!v.empty()) std::memcpy(inlineChars(), v.data(), v.size());
    } else {
      initBoxed(v.data(), v.size(), v.size(), false);
    }
  }
  Variant(const std::string& v) : Variant(std::string_view(v)) {}
  Variant(const char* v) : Variant(std::string_view(v)) {}
  Variant(Object* o) noexcept; // an Object subtype; nullptr is Nothing
  template <class T> Variant(const Ref<T>& o) noexcept : Variant(static_cast<Object*>(o.get())) {}
  Variant(Ref<SafeArray> a) noexcept;

  static Variant null() noexcept {
    Variant v;
    v.type_ = VarType::Null;
    return v;
  }
  static Variant nothing() noexcept { return Variant(static_cast<Object*>(nullptr)); }
  static Variant error(int32_t code) noexcept {
    Variant v;
    v.type_ = VarType::Error;
    v.i64_ = static_cast<uint32_t>(code);
    return v;
  }
  static Variant missing() noexcept { return error(kParamNotFound); }
  // A Long when the value fits, else a Double (VB has no 64-bit subtype).
  static Variant fromInt64(int64_t v) noexcept;
  static Variant fromDate(double serial) noexcept { return Variant(DateTime{serial}); }
  // The String a & b, made in one piece.
  static Variant concat(std::string_view a, std::string_view b);
  // The String of `n` texts one after another, `total` bytes in all, copied once.
  static Variant joined(const std::string_view* parts, size_t n, size_t total);

  // Copies, moves and destruction of values that hold no counted reference (numbers,
  // dates, short texts, Empty, Null) are a copy of the 16 bytes: the
  // script engine does them on every operation.
  Variant(const Variant& o) noexcept {
    copyBits(o);
    if (o.owns()) addRefPayload();
  }
  Variant(Variant&& o) noexcept {
    copyBits(o);
    o.setEmpty();
  }
  Variant& operator=(const Variant& o) noexcept {
    if (!owns()) {
      copyBits(o);
      if (o.owns()) addRefPayload();
      return *this;
    }
    return assignSlow(o);
  }
  Variant& operator=(Variant&& o) noexcept {
    if (!owns() && this != &o) {
      copyBits(o);
      o.setEmpty();
      return *this;
    }
    return moveAssignSlow(o);
  }
  ~Variant() {
    if (owns()) reset();
  }

  VarType type() const noexcept { return type_; }
  // The VarType number scripts see.
  int varType() const noexcept { return static_cast<int>(type_); }
  bool isEmpty() const noexcept { return type_ == VarType::Empty; }
  bool isNull() const noexcept { return type_ == VarType::Null; }
  bool isString() const noexcept { return type_ == VarType::String; }
  bool isObject() const noexcept { return type_ == VarType::Object; }
  bool isNothing() const noexcept { return type_ == VarType::Object && obj_ == nullptr; }
  bool isArray() const noexcept { return type_ == VarType::Array; }
  bool isMissing() const noexcept { return type_ == VarType::Error && i32_ == kParamNotFound; }
  // Integer, Long, Byte, Single, Double, Currency (not Boolean, not Date).
  bool isNumber() const noexcept;

  // Unchecked accessors: the subtype must match.
  bool asBool() const noexcept { return b_; }
  uint8_t asByte() const noexcept { return u8_; }
  int16_t asInteger() const noexcept { return i16_; }
  int32_t asLong() const noexcept { return i32_; }
  // An Integer or a Long read as the whole payload word, which both fill sign-extended: one
  // load with no look at which of the two it is.
  int64_t asWhole() const noexcept { return i64_; }
  float asSingle() const noexcept { return f32_; }
  double asDouble() const noexcept { return f64_; }
  Currency asCurrency() const noexcept { return Currency{i64_}; }
  DateTime asDate() const noexcept { return DateTime{f64_}; }
  int32_t asErrorCode() const noexcept { return i32_; }
  // The text of a String value; valid until this value changes.
  std::string_view asString() const noexcept {
    if (small_ == kBoxed) return std::string_view(box_->chars(), head_);
    return std::string_view(inlineChars(), small_);
  }
  // Appends to a String value. The text grows in place when this value is its only holder
  // (amortised, as a loop of `s = s & x` needs); a text other values share is copied first,
  // so they keep what they had. `s` may be a view of this value's own text.
  void appendString(std::string_view s) {
    // The common case, growing a text only this value holds within its room, stays inline.
    if (small_ == kBoxed && box_->refs == (kGrowable | 1) && s.size() <= roomOf(box_) - head_ &&
        !s.empty()) {
      std::memcpy(box_->chars() + head_, s.data(), s.size());
      head_ += static_cast<uint32_t>(s.size());
      noteTextKind(kTextUnknown);
      return;
    }
    appendSlow(s);
  }
  // Cuts a String value back to its first `n` bytes (n at most its length), as appendString
  // does: other holders of the text keep it whole.
  void truncateString(size_t n);
  // Makes room for a String value to grow to `n` bytes without moving again.
  void reserveString(size_t n);

  // What is known of a String value's characters. Functions that measure text note it on
  // the value (a variable passed by reference), and it holds until the text changes, so a
  // loop of searches in one long text does not count its characters again.
  enum TextKind : uint8_t { kTextUnknown = 0, kTextAscii = 1, kTextWide = 2 };
  TextKind textKind() const noexcept {
    return type_ == VarType::String ? static_cast<TextKind>(meta_ & kKindMask) : kTextUnknown;
  }
  void noteTextKind(TextKind k) const noexcept {
    meta_ = static_cast<uint8_t>((meta_ & ~kKindMask) | k);
  }
  Object* asObject() const noexcept { return obj_; }
  const SafeArray& asArray() const noexcept { return *arr_; }
  // The array for writing; a shared array is copied first, so other holders keep their values.
  SafeArray& arrayForWrite();

  void clear() noexcept {
    if (owns()) reset();
    setEmpty();
  }
  void swap(Variant& o) noexcept;

private:
  // A text too long to sit in the value: one block holding the count and the bytes. Each
  // holder keeps the length in its own value (head_). Texts are shared between values and
  // changed only by their sole holder.
  struct TextBox {
    uint32_t refs; // the holders, and kGrowable
    char* chars() noexcept { return reinterpret_cast<char*>(this + 1); }
    const char* chars() const noexcept { return reinterpret_cast<const char*>(this + 1); }
  };
  // A box made to grow (by appends, or reserved) keeps its room in the four bytes before it,
  // where an append reads it next to the count it looks at anyway. Most texts never grow and
  // have no such field: their blocks stay as small as the allocator makes them.
  static constexpr uint32_t kGrowable = 0x80000000u;
  static constexpr uint32_t kHolders = ~kGrowable;
  static uint32_t& roomOf(TextBox* box) noexcept {
    return *reinterpret_cast<uint32_t*>(reinterpret_cast<char*>(box) - sizeof(uint32_t));
  }
  static void freeBox(TextBox* box) noexcept;
  void appendSlow(std::string_view s);
  // Moves the box of a text this value alone holds to one with room for `capacity` bytes.
  void growBox(size_t capacity);
  static constexpr uint8_t kKindMask = 0x03;
  // Set while the value holds a counted reference (a boxed text, an object, an array).
  static constexpr uint8_t kOwns = 0x80;
  // small_ of a String whose text is in a box; otherwise the length of the text in place.
  static constexpr uint8_t kBoxed = 0xFF;
  // A String of up to 12 bytes sits in the value itself, from byte 4 on.
  static constexpr size_t kInlineOffset = 4;
  static constexpr size_t kInlineChars = 12;

  bool owns() const noexcept { return meta_ & kOwns; }
  // The header as one eight-byte store: the copy that mostly follows reads it as one word,
  // which a single store forwards and four narrow ones do not.
  void setHeader(VarType t) noexcept {
    static_assert(std::endian::native == std::endian::little, "the type is the header's low bytes");
    uint64_t head = static_cast<uint16_t>(t);
    std::memcpy(static_cast<void*>(this), &head, 8);
  }
  void setEmpty() noexcept {
    setHeader(VarType::Empty);
    i64_ = 0;
  }
  // Two eight-byte moves through general registers, never one sixteen-byte move: a value is
  // mostly copied right after it was made by two separate stores (header and payload, as a
  // function returning it writes them), and a wide load over two pending narrow stores
  // cannot be forwarded from them, which stalls the copy for a dozen cycles.
  void copyBits(const Variant& o) noexcept {
    uint64_t head, payload;
    std::memcpy(&head, static_cast<const void*>(&o), 8);
    std::memcpy(&payload, reinterpret_cast<const char*>(&o) + 8, 8);
    // Keeps the compiler from fusing the two moves back into one vector move.
    asm("" : "+r"(head), "+r"(payload));
    std::memcpy(static_cast<void*>(this), &head, 8);
    std::memcpy(reinterpret_cast<char*>(this) + 8, &payload, 8);
  }
  char* inlineChars() noexcept { return reinterpret_cast<char*>(this) + kInlineOffset; }
  const char* inlineChars() const noexcept {
    return reinterpret_cast<const char*>(this) + kInlineOffset;
  }
  // Makes this a String holding a new box of `size` bytes copied from `chars` and room for
  // `capacity`; a growable one when it is meant to grow.
  void initBoxed(const char* chars, size_t size, size_t capacity, bool growable);
  static TextBox* allocBox(size_t capacity, bool growable);
  void addRefPayload() const noexcept {
    if (type_ == VarType::String)
      ++box_->refs;
    else
      addRefCounted();
  }
  void addRefCounted() const noexcept; // an object or an array
  Variant& assignSlow(const Variant& o) noexcept;
  Variant& moveAssignSlow(Variant& o) noexcept;
  void reset() noexcept;

  VarType type_;
  mutable uint8_t meta_; // the text kind and kOwns
  uint8_t small_;
  uint32_t head_; // the first bytes of a text in place, or the length of a boxed one
  union {
    bool b_;
    uint8_t u8_;
    int16_t i16_;
    int32_t i32_;
    float f32_;
    double f64_;
    int64_t i64_;
    Object* obj_;
    SafeArray* arr_;
    TextBox* box_;
  };
};
static_assert(sizeof(Variant) == 16, "array slots and arguments are 16 bytes");

// Text built straight into a String value's own block, so a long result (a joined page) is
// never copied once more into the value that returns it.
class TextBuilder {
public:
  explicit TextBuilder(size_t capacity = 0) : text_("") { text_.reserveString(capacity); }
  void reserve(size_t n) { text_.reserveString(n); }
  TextBuilder& append(std::string_view s) {
    text_.appendString(s);
    return *this;
  }
  TextBuilder& operator+=(std::string_view s) { return append(s); }
  size_t size() const noexcept { return text_.asString().size(); }
  std::string_view view() const noexcept { return text_.asString(); }
  Variant take() noexcept { return std::move(text_); }

private:
  Variant text_;
};

// The arguments of a call, one pointer per argument: a variable passed by reference is the
// caller's own, anything else a temporary the caller owns. Native code reads and writes them
// alike; a write to a temporary changes nothing the caller keeps.
class Args {
public:
  class iterator {
  public:
    using value_type = Variant;
    using difference_type = std::ptrdiff_t;
    iterator() = default;
    explicit iterator(Variant* const* p) noexcept : p_(p) {}
    Variant& operator*() const noexcept { return **p_; }
    Variant* operator->() const noexcept { return *p_; }
    iterator& operator++() noexcept {
      ++p_;
      return *this;
    }
    iterator operator++(int) noexcept { return iterator(p_++); }
    friend bool operator==(iterator a, iterator b) noexcept { return a.p_ == b.p_; }

  private:
    Variant* const* p_ = nullptr;
  };

  Args() noexcept = default;
  Args(Variant* const* refs, size_t n) noexcept : refs_(refs), n_(n) {}
  size_t size() const noexcept { return n_; }
  bool empty() const noexcept { return n_ == 0; }
  Variant& operator[](size_t i) const noexcept { return *refs_[i]; }
  Variant& front() const noexcept { return *refs_[0]; }
  Variant& back() const noexcept { return *refs_[n_ - 1]; }
  Args first(size_t k) const noexcept { return Args(refs_, k); }
  Args subspan(size_t from) const noexcept { return Args(refs_ + from, n_ - from); }
  Args subspan(size_t from, size_t k) const noexcept { return Args(refs_ + from, k); }
  iterator begin() const noexcept { return iterator(refs_); }
  iterator end() const noexcept { return iterator(refs_ + n_); }
  // The pointers themselves: where each argument lives.
  Variant* const* refs() const noexcept { return refs_; }

private:
  Variant* const* refs_ = nullptr;
  size_t n_ = 0;
};

// Arguments laid side by side (a host's own values), all passed by reference to them.
class ArgList {
public:
  ArgList(Variant* values, size_t n) : n_(n) {
    if (n > std::size(inline_)) {
      heap_ = std::make_unique<Variant*[]>(n);
      refs_ = heap_.get();
    }
    for (size_t i = 0; i < n; ++i)
      refs_[i] = values + i;
  }
  ArgList(std::span<Variant> values) : ArgList(values.data(), values.size()) {}
  ArgList(const ArgList&) = delete;
  ArgList& operator=(const ArgList&) = delete;
  operator Args() const noexcept { return Args(refs_, n_); }
  Args args() const noexcept { return Args(refs_, n_); }

private:
  Variant* inline_[4];
  std::unique_ptr<Variant*[]> heap_;
  Variant** refs_ = inline_;
  size_t n_;
};

// Empties the values. Containers that this frees (arrays, script objects, dictionaries)
// hand their own elements to the same work list instead of releasing them in place, so a
// structure of any depth is freed without deep native recursion.
void releaseValues(std::span<Variant> values) noexcept;

// Held while code runs inside a release (a terminate handler): what that code releases is
// freed before it goes on, not after the outer release has finished.
class ReleaseBarrier {
public:
  ReleaseBarrier() noexcept;
  ~ReleaseBarrier();
  ReleaseBarrier(const ReleaseBarrier&) = delete;
  ReleaseBarrier& operator=(const ReleaseBarrier&) = delete;

private:
  bool draining_;
};

// An array of Variants with any number of dimensions, each with its own lower bound.
// Elements are stored with the first index varying fastest, so ReDim Preserve of the last
// dimension keeps every element in place.
class SafeArray : public RefCounted {
public:
  struct Bound {
    int32_t lower = 0;
    int32_t count = 0;
    int32_t upper() const { return lower + count - 1; }
    // The bound of a dimension declared as (upper): 9 below -1, 7 when the count is no Long.
    static Bound fromUpper(int32_t upper);
  };

  SafeArray() = default;
  explicit SafeArray(std::vector<Bound> bounds);
  ~SafeArray() override;
  // A one-dimensional array with lower bound 0 holding these values (the Array function).
  static Ref<SafeArray> fromValues(std::vector<Variant> values);
  static Ref<SafeArray> create(std::vector<Bound> bounds);

  int dimensions() const { return static_cast<int>(bounds_.size()); }
  // Bounds by dimension number from 1; error 9 outside.
  const Bound& bound(int dimension) const;
  const std::vector<Bound>& bounds() const { return bounds_; }
  size_t size() const { return data_.size(); }

  // Element by indices, one per dimension; error 9 when the count or a value is out of range.
  Variant& at(std::span<const int32_t> indices);
  const Variant& at(std::span<const int32_t> indices) const;
  Variant& at1(int32_t index) { return at(std::span<const int32_t>(&index, 1)); }
  const Variant& at1(int32_t index) const { return at(std::span<const int32_t>(&index, 1)); }
  // Elements in storage order (first index fastest), for For Each.
  std::vector<Variant>& data() { return data_; }
  const std::vector<Variant>& data() const { return data_; }

  // ReDim: new bounds; with preserve only the last dimension's upper bound may change
  // (error 9 otherwise) and existing elements are kept.
  void redim(std::vector<Bound> bounds, bool preserve);
  // Locked while For Each walks it or a by-reference element is bound; ReDim/Erase then
  // raise error 10.
  void lock() { ++locks_; }
  void unlock() { --locks_; }
  bool locked() const { return locks_ > 0; }
  void setFixed(bool fixed) { fixed_ = fixed; }
  bool fixed() const { return fixed_; }

  Ref<SafeArray> clone() const;

private:
  // The element count of these bounds; 7 when it does not fit, before anything is allocated.
  static size_t elementCount(const std::vector<Bound>& bounds);
  size_t offset(std::span<const int32_t> indices) const;
  std::vector<Bound> bounds_;
  std::vector<Variant> data_;
  int locks_ = 0;
  bool fixed_ = false;
};

} // namespace quillet::platform::automation
