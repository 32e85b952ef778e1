#include "platform/automation/interrupt.h"

#include <cstdint>
#include <thread>

#include "platform/automation/error.h"

namespace quillet::platform::automation {

namespace {
thread_local const InterruptSource* current = nullptr;
}

InterruptScope::InterruptScope(const InterruptSource* source) : previous_(current) {
  current = source;
}

InterruptScope::~InterruptScope() {
  current = previous_;
}

std::optional<DeadlineClock::time_point> currentDeadline() {
  if (!current) return std::nullopt;
  return current->deadline();
}

bool deadlinePassed() {
  return current && DeadlineClock::now() >= current->deadline();
}

void interruptPoint() {
  if (deadlinePassed()) current->expired();
}

void pollInterrupt() {
  thread_local uint32_t polls = 0;
  if ((++polls & 4095u) == 0) interruptPoint();
}

void sleepInterruptibly(int64_t ms) {
  if (ms <= 0) return;
  auto until = DeadlineClock::now() + std::chrono::milliseconds(ms);
  if (current && current->deadline() < until) {
    std::this_thread::sleep_until(current->deadline());
    interruptPoint();
  }
  std::this_thread::sleep_until(until);
}

void raiseExpired() {
  if (current) current->expired();
  raise(err::kInvalidProcedureCall, "The operation was cancelled");
}

} // namespace quillet::platform::automation
