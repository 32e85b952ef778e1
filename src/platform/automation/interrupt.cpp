#include "platform/automation/interrupt.h"

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

void raiseExpired() {
  if (current) current->expired();
  raise(err::kInvalidProcedureCall, "The operation was cancelled");
}

} // namespace quillet::platform::automation
