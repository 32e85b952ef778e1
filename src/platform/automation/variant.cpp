#include "platform/automation/variant.h"

#include <limits>

#include "platform/automation/error.h"
#include "platform/automation/object.h"

namespace quillet::platform::automation {

Variant::Variant(Object* o) noexcept : type_(VarType::Object) {
  obj_ = o;
  if (o) o->addRef();
}

Variant::Variant(Ref<SafeArray> a) noexcept : type_(VarType::Array) {
  arr_ = a.detach();
  if (!arr_) {
    type_ = VarType::Empty;
    i64_ = 0;
  }
}

Variant Variant::fromInt64(int64_t v) noexcept {
  if (v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max())
    return Variant(static_cast<int32_t>(v));
  return Variant(static_cast<double>(v));
}

Variant& Variant::assignSlow(const Variant& o) {
  if (this != &o) {
    // As in the move: the old value goes last, when this already holds the new one.
    Variant tmp(o);
    Variant old;
    old.moveFrom(*this);
    moveFrom(tmp);
  }
  return *this;
}

Variant& Variant::moveAssignSlow(Variant& o) noexcept {
  if (this != &o) {
    // Releasing the old value may run arbitrary code (an object's last release); take the
    // new value first so that code sees a consistent variable.
    Variant old;
    old.moveFrom(*this);
    moveFrom(o);
  }
  return *this;
}

void Variant::swap(Variant& o) noexcept {
  Variant tmp;
  tmp.moveFrom(o);
  o.moveFrom(*this);
  moveFrom(tmp);
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
  switch (type_) {
  case VarType::String:
    str_.~basic_string();
    break;
  case VarType::Object:
    if (obj_) obj_->release();
    break;
  case VarType::Array:
    arr_->release();
    break;
  default:
    break;
  }
  type_ = VarType::Empty;
  i64_ = 0;
}

void Variant::copyFrom(const Variant& o) {
  // Precondition: this holds nothing that needs releasing.
  switch (o.type_) {
  case VarType::String:
    new (&str_) std::string(o.str_);
    break;
  case VarType::Object:
    obj_ = o.obj_;
    if (obj_) obj_->addRef();
    break;
  case VarType::Array:
    arr_ = o.arr_;
    arr_->addRef();
    break;
  default:
    i64_ = o.i64_;
    break;
  }
  type_ = o.type_;
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

SafeArray::SafeArray(std::vector<Bound> bounds) : bounds_(std::move(bounds)) {
  size_t n = 1;
  for (const Bound& b : bounds_) {
    if (b.count < 0) raise(err::kSubscriptOutOfRange);
    n *= static_cast<size_t>(b.count);
  }
  if (bounds_.empty()) n = 0;
  if (n > (size_t(1) << 31)) raise(err::kOutOfMemory);
  data_.resize(n);
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
    size_t n = 1;
    for (const Bound& b : bounds) {
      if (b.count < 0) raise(err::kSubscriptOutOfRange);
      n *= static_cast<size_t>(b.count);
    }
    if (n > (size_t(1) << 31)) raise(err::kOutOfMemory);
    data_.resize(n);
    bounds_ = std::move(bounds);
  } else {
    SafeArray fresh(std::move(bounds));
    bounds_ = std::move(fresh.bounds_);
    data_ = std::move(fresh.data_);
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
