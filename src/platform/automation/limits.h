#pragma once
// Bounds on how much a running script can make the process hold. The script engine arms
// them for the time it runs; native code that builds large values checks them, so a script
// that grows text or arrays without end fails with Out of memory instead of taking the
// machine's memory. (The time-out is published through interrupt.h.)
#include <cstddef>
#include <cstdint>

namespace quillet::platform::automation {

// The longest text a script may build, in bytes (VB strings hold up to 2^31 characters).
inline constexpr size_t kMaxStringBytes = (size_t(1) << 31) - 1;
// The most elements an array may have (its count is a Long).
inline constexpr size_t kMaxArrayElements = (size_t(1) << 31) - 1;

// The memory a script may take when its engine names no ceiling: half the machine's RAM,
// so a runaway script fails with Out of memory before the machine starts to swap.
size_t defaultMemoryCeiling();

// The memory ceiling of the script running on this thread, for as long as this object
// lives. Nested scopes (a script driving another engine) keep the smaller ceiling.
class ScriptLimits {
public:
  // memoryCeiling 0: the default ceiling.
  explicit ScriptLimits(size_t memoryCeiling);
  ~ScriptLimits();
  ScriptLimits(const ScriptLimits&) = delete;
  ScriptLimits& operator=(const ScriptLimits&) = delete;

  struct State {
    bool active = false;
    size_t ceiling = 0;
    size_t baseline = 0;    // heap in use when the outermost scope began
    size_t checkedUpTo = 0; // the largest request the heap was looked at for, plus a quarter
  };

private:
  State saved_;
};

// Raises 7 (Out of memory) when `bytes` more would take the running script past its
// memory ceiling. Cheap for small requests and for repeated ones of about the same size:
// only a large request well past the last one looks at the heap.
void reserveMemory(size_t bytes);
// Raises 7 when the heap has grown past the running script's ceiling.
void checkMemory();
// Raises 7 for a text longer than a script may build, and checks the ceiling for large ones.
void checkLargeString(size_t bytes);
inline void checkStringSize(size_t bytes) {
  if (bytes >= (size_t(1) << 20)) checkLargeString(bytes);
}

// Sets the C allocator up for a process that runs scripts: large blocks (arrays that ReDim
// Preserve doubles, long texts) come from the heap instead of fresh mappings, and freed
// memory is kept for reuse instead of being returned to the system at once. Programs call
// it at start-up, before they allocate much; a library never calls it for them.
void tuneAllocatorForScripts();

// Asks for a large block just allocated (a long text, a big array) to be backed by huge
// pages where the system offers them on request: filling it then takes one page fault per
// 2 MB instead of one per 4 KB, which costs more than the copying on a virtual machine.
// Blocks under a few MB are left alone.
void preferHugePages(void* block, size_t bytes) noexcept;

} // namespace quillet::platform::automation
