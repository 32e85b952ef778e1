#include "platform/automation/context.h"

#include <algorithm>
#include <atomic>

namespace quillet::platform::automation {
namespace {

thread_local Context* currentContext = nullptr;

// A thread that never installs a context gets this one; it is destroyed when the thread
// ends, after any Scope has been left.
Context& threadDefault() {
  thread_local Context ctx;
  return ctx;
}

} // namespace

Context::Context() {
  locale = Locale::invariant();
}

Context::~Context() {
  // Shared objects go in reverse order of creation: later ones may use earlier ones.
  // A destructor that reaches the context may create a shared object anew; it goes too.
  while (!order_.empty()) {
    const size_t slot = order_.back();
    order_.pop_back();
    auto keep = std::move(slots_[slot]);
    keep.reset();
  }
}

Context& Context::current() {
  if (currentContext) return *currentContext;
  return threadDefault();
}

Context::Scope::Scope() : ctx_(std::make_unique<Context>()), previous_(currentContext) {
  currentContext = ctx_.get();
}

Context::Scope::~Scope() {
  // Objects destroyed with the context may still look at Context::current().
  ctx_.reset();
  currentContext = previous_;
}

size_t Context::nextSlot() {
  static std::atomic<size_t> next{0};
  return next++;
}

void Context::install(size_t slot, std::shared_ptr<void> object) {
  if (slot >= slots_.size()) slots_.resize(slot + 1);
  auto keep = std::move(slots_[slot]); // destroy after the lists are consistent
  const bool occupied = keep != nullptr;
  slots_[slot] = std::move(object);
  if (occupied && !slots_[slot]) {
    order_.erase(std::find(order_.begin(), order_.end(), slot));
  } else if (!occupied && slots_[slot]) {
    order_.push_back(slot);
  }
}

} // namespace quillet::platform::automation
