#include "platform/automation/lazy_library.h"

#include <dlfcn.h>

#include <string>

#include "platform/automation/error.h"

namespace quillet::platform::automation {

void* LazyLibrary::handle() {
  if (void* h = handle_.load(std::memory_order_acquire)) return h;
  std::lock_guard lock(opening_);
  if (void* h = handle_.load(std::memory_order_relaxed)) return h;
  // Never closed: the functions handed out stay valid for the life of the process.
  void* h = dlopen(soname_, RTLD_LAZY | RTLD_LOCAL);
  if (!h) {
    const char* why = dlerror();
    raise(err::kErrorLoadingDll,
          std::string("Cannot load ") + soname_ + (why ? ": " : "") + (why ? why : ""));
  }
  handle_.store(h, std::memory_order_release);
  return h;
}

void* LazyLibrary::function(const char* name) {
  void* h = handle();
  dlerror();
  void* f = dlsym(h, name);
  if (!f) raise(err::kDllFunctionNotFound, std::string(name) + " not found in " + soname_);
  return f;
}

} // namespace quillet::platform::automation
