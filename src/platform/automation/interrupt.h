#pragma once
// Native work that a script starts (copying a folder tree, waiting on a database server) has
// to stop when the script's time-out passes, as the script's own statements do. The script
// engine publishes its deadline on the thread it runs on; loops in native code call
// interruptPoint(), and code that blocks inside a library reads the deadline to arrange its
// own cancellation.
#include <chrono>
#include <optional>

namespace quillet::platform::automation {

using DeadlineClock = std::chrono::steady_clock;

class InterruptSource {
public:
  virtual DeadlineClock::time_point deadline() const = 0;
  // Raises the error that the owner of the deadline reports when it has passed.
  [[noreturn]] virtual void expired() const = 0;

protected:
  ~InterruptSource() = default;
};

// Makes source the current thread's interrupt source for its lifetime (nullptr: none).
class InterruptScope {
public:
  explicit InterruptScope(const InterruptSource* source);
  ~InterruptScope();
  InterruptScope(const InterruptScope&) = delete;
  InterruptScope& operator=(const InterruptScope&) = delete;

private:
  const InterruptSource* previous_;
};

// The deadline of the current thread, when a script with a time-out runs on it.
std::optional<DeadlineClock::time_point> currentDeadline();
// Raises the script's time-out error when its deadline has passed.
void interruptPoint();
// Raises the time-out error now (for work that was cancelled because the deadline passed).
[[noreturn]] void raiseExpired();
// True when a deadline exists and has passed.
bool deadlinePassed();
// interruptPoint() for the inner loops of long native work: looks at the clock only every
// few thousand calls, where a look per step would cost more than the step.
void pollInterrupt();
// Sleeps for ms milliseconds, or until the deadline passes (then raises its error).
void sleepInterruptibly(int64_t ms);

} // namespace quillet::platform::automation
