#pragma once
// Intrusive reference counting: an object lives exactly as long as its last reference.
// Everything is per thread, so the count is a plain integer.
#include <cstdint>
#include <utility>

namespace quillet::platform::automation {

class RefCounted {
public:
  RefCounted() = default;
  RefCounted(const RefCounted&) : refs_(0) {}
  RefCounted& operator=(const RefCounted&) { return *this; }
  virtual ~RefCounted() = default;

  void addRef() const noexcept { ++refs_; }
  void release() const noexcept {
    if (--refs_ == 0) const_cast<RefCounted*>(this)->lastReleased();
  }
  int32_t refCount() const noexcept { return refs_; }

protected:
  // Called when the last reference goes. Script classes override it to run their
  // terminate handler first; it must end by deleting the object (or resurrecting it).
  virtual void lastReleased() noexcept { delete this; }

private:
  mutable int32_t refs_ = 0;
};

template <class T> class Ref {
public:
  Ref() noexcept = default;
  Ref(std::nullptr_t) noexcept {}
  Ref(T* p) noexcept : p_(p) {
    if (p_) p_->addRef();
  }
  Ref(const Ref& o) noexcept : Ref(o.p_) {}
  Ref(Ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  template <class U> Ref(const Ref<U>& o) noexcept : Ref(static_cast<T*>(o.get())) {}
  template <class U> Ref(Ref<U>&& o) noexcept : p_(static_cast<T*>(o.detach())) {}
  ~Ref() {
    if (p_) p_->release();
  }
  Ref& operator=(Ref o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }

  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  T& operator*() const noexcept { return *p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  T* detach() noexcept { return std::exchange(p_, nullptr); }
  void reset() noexcept { Ref().swap(*this); }
  void swap(Ref& o) noexcept { std::swap(p_, o.p_); }

  friend bool operator==(const Ref& a, const Ref& b) { return a.p_ == b.p_; }
  friend bool operator==(const Ref& a, std::nullptr_t) { return a.p_ == nullptr; }

private:
  T* p_ = nullptr;
};

template <class T, class... A> Ref<T> makeRef(A&&... args) {
  return Ref<T>(new T(std::forward<A>(args)...));
}

// A Ref to the object of a dynamic type, or an empty Ref.
template <class T, class U> Ref<T> refCast(const Ref<U>& r) {
  return Ref<T>(dynamic_cast<T*>(r.get()));
}

} // namespace quillet::platform::automation
