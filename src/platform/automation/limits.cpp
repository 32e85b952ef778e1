#include "platform/automation/limits.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>

#include "platform/automation/error.h"

#if defined(__SANITIZE_ADDRESS__)
#define QUILLET_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUILLET_ASAN 1
#endif
#endif
#ifdef QUILLET_ASAN
// From the sanitizer runtime's allocator interface (its header is not always installed).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace quillet::platform::automation {

namespace {

thread_local ScriptLimits::State state;

// Bytes the program holds on the heap now. The sanitizer's allocator replaces malloc's, so
// it is asked instead when present.
size_t heapInUse() {
#ifdef QUILLET_ASAN
  return __sanitizer_get_current_allocated_bytes();
#else
  struct mallinfo2 mi = mallinfo2();
  return mi.uordblks + mi.hblkhd;
#endif
}

// Requests below this size are too small to matter one by one; the engine's periodic check
// catches many of them.
constexpr size_t kLargeRequest = size_t(1) << 20;

[[noreturn]] void outOfMemory() {
  raise(err::kOutOfMemory);
}

void checkMemoryFor(size_t bytes) {
  size_t now = heapInUse();
  size_t used = now > state.baseline ? now - state.baseline : 0;
  if (used + bytes > state.ceiling) outOfMemory();
}

} // namespace

void tuneAllocatorForScripts() {
#ifndef QUILLET_ASAN
  // Fixed values also stop glibc from adapting the mapping threshold as blocks are freed,
  // which would send each doubling of a growing array back to mmap and munmap.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
  mallopt(M_TOP_PAD, 4 << 20);
#endif
}

void preferHugePages(void* block, size_t bytes) noexcept {
  constexpr uintptr_t kHuge = uintptr_t(2) << 20;
  if (bytes < 2 * kHuge) return;
  // Only whole huge pages inside the block: the advice must not reach a neighbour's memory.
  const uintptr_t at = reinterpret_cast<uintptr_t>(block);
  const uintptr_t from = (at + kHuge - 1) & ~(kHuge - 1);
  const uintptr_t to = (at + bytes) & ~(kHuge - 1);
  // Advice only: where the kernel has none to give, the block stays as it is.
  if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

size_t defaultMemoryCeiling() {
  static const size_t ceiling = [] {
    long pages = sysconf(_SC_PHYS_PAGES);
    long size = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || size <= 0) return size_t(4) << 30;
    return static_cast<size_t>(pages) * static_cast<size_t>(size) / 2;
  }();
  return ceiling;
}

ScriptLimits::ScriptLimits(size_t memoryCeiling) : saved_(state) {
  State next = saved_;
  if (!next.active) {
    next.active = true;
    next.baseline = heapInUse();
    next.ceiling = defaultMemoryCeiling();
  }
  if (memoryCeiling) next.ceiling = std::min(next.ceiling, memoryCeiling);
  state = next;
}

ScriptLimits::~ScriptLimits() {
  state = saved_;
}

void reserveMemory(size_t bytes) {
  if (!state.active) {
    if (bytes > defaultMemoryCeiling()) outOfMemory();
    return;
  }
  if (bytes > state.ceiling) outOfMemory();
  // A text grown a piece at a time asks again and again with a slowly rising size: the
  // heap is looked at when the request has grown by a quarter since it was last looked at.
  if (bytes < kLargeRequest || bytes <= state.checkedUpTo) return;
  state.checkedUpTo = bytes + bytes / 4;
  checkMemoryFor(bytes);
}

void checkMemory() {
  if (state.active) checkMemoryFor(0);
}

void checkLargeString(size_t bytes) {
  if (bytes > kMaxStringBytes) outOfMemory();
  reserveMemory(bytes);
}

} // namespace quillet::platform::automation
