#pragma once
// The per-thread state of the engine: the locale and the shared objects that are created on
// first use. The layers above keep their own state here as shared objects (the product and
// project state is core::State, reached by core::state()). Code reaches the context through
// Context::current(); each test installs a fresh one with Context::Scope, so tests never
// share state.
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/automation/locale.h"

namespace quillet::platform::automation {

class Context {
public:
  Context();
  ~Context();
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;

  // The thread's context. A thread that never installed one gets a default context that
  // lives until the thread ends.
  static Context& current();

  // Installs a fresh context for the current thread while it lives, then restores the
  // previous one.
  class Scope {
  public:
    Scope();
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
    Context& context() { return *ctx_; }

  private:
    std::unique_ptr<Context> ctx_;
    Context* previous_;
  };

  // The regional settings for number and date text.
  Locale locale;

  // Shared objects: one instance per context, created on first use with T's default
  // constructor (or installed beforehand), destroyed with the context in reverse order.
  // Each type has a fixed slot, so a lookup is an index, not a search: the engine's state
  // is reached this way on hot paths.
  template <class T> T& shared() {
    if (T* p = findShared<T>()) return *p;
    auto owned = std::make_shared<T>();
    T& ref = *owned;
    setShared<T>(std::move(owned));
    return ref;
  }
  template <class T> T* findShared() const {
    const size_t slot = slotOf<T>();
    return slot < slots_.size() ? static_cast<T*>(slots_[slot].get()) : nullptr;
  }
  // Installs (or replaces) the instance of T, e.g. a hook implementation of a higher layer.
  template <class T> void setShared(std::shared_ptr<T> object) {
    install(slotOf<T>(), std::move(object));
  }
  template <class T> void resetShared() { install(slotOf<T>(), nullptr); }

private:
  static size_t nextSlot();
  template <class T> static size_t slotOf() {
    static const size_t slot = nextSlot();
    return slot;
  }
  void install(size_t slot, std::shared_ptr<void> object);

  std::vector<std::shared_ptr<void>> slots_;
  std::vector<size_t> order_; // occupied slots, in order of installation
};

} // namespace quillet::platform::automation
