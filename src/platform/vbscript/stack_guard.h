#pragma once
// How deep the engine may recurse on this thread. The outermost entry into an engine sets a
// floor a reserve above the end of the thread's stack; the parser, the compiler and the
// interpreter all check it, so a script that has used up the stack with calls still has room
// left for an Eval, a terminate handler or an error report.
namespace quillet::platform::vbscript {

extern thread_local char* stackFloor;

// The frame address, not a local's: with sanitizers locals may live off the stack.
[[gnu::always_inline]] inline bool stackExhausted() {
  char* here = static_cast<char*>(__builtin_frame_address(0));
  return here < stackFloor;
}

// Raises 28 (Out of stack space).
[[noreturn]] void raiseOutOfStack();

} // namespace quillet::platform::vbscript
