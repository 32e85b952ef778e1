#include "platform/automation/factory.h"

#include <atomic>
#include <map>
#include <mutex>
#include <shared_mutex>

#include "platform/text/casefold.h"

namespace quillet::platform::automation {
namespace {

struct Entry {
  std::string progId;
  ObjectCreator creator;
};

// Registrations happen at start-up and by explicit calls; the table is process-wide
// because classes are the same on every thread, and hosts on several threads may register
// while others create objects.
std::map<std::string, Entry>& table() {
  static std::map<std::string, Entry> t;
  return t;
}

std::shared_mutex& tableMutex() {
  static std::shared_mutex m;
  return m;
}

std::mutex& registrarMutex() {
  static std::mutex m;
  return m;
}
void (*pendingRegistrar)() = nullptr;
std::atomic<bool> registrarPending{false};

// Runs the deferred registrar once, before anything reads or changes the table; other
// threads wait for it. Its own registrations come back here and pass.
void registerPending() {
  if (!registrarPending.load(std::memory_order_acquire)) return;
  thread_local bool running = false;
  if (running) return;
  std::lock_guard lock(registrarMutex());
  if (!registrarPending.load(std::memory_order_relaxed)) return;
  running = true;
  struct Done {
    ~Done() { running = false; }
  } done;
  pendingRegistrar(); // a failure leaves it pending, to be tried again
  registrarPending.store(false, std::memory_order_release);
}

} // namespace

void registerClassesOnFirstUse(void (*registrar)()) {
  registerPending();
  std::lock_guard lock(registrarMutex());
  pendingRegistrar = registrar;
  registrarPending.store(true, std::memory_order_release);
}

void registerClass(std::string progId, ObjectCreator creator) {
  registerPending();
  std::string key = text::foldCase(progId);
  std::unique_lock lock(tableMutex());
  table()[key] = Entry{std::move(progId), std::move(creator)};
}

bool isRegistered(std::string_view progId) {
  registerPending();
  std::shared_lock lock(tableMutex());
  return table().count(text::foldCase(progId)) != 0;
}

Ref<Object> create(std::string_view progId) {
  registerPending();
  ObjectCreator creator;
  {
    std::shared_lock lock(tableMutex());
    auto it = table().find(text::foldCase(progId));
    if (it == table().end()) raise(err::kCannotCreateObject);
    creator = it->second.creator;
  }
  // Outside the lock: a class may create others while it is built.
  Ref<Object> obj = creator();
  if (!obj) raise(err::kCannotCreateObject);
  return obj;
}

std::vector<std::string> registeredClasses() {
  registerPending();
  std::vector<std::string> r;
  std::shared_lock lock(tableMutex());
  for (const auto& [key, e] : table())
    r.push_back(e.progId);
  return r;
}

} // namespace quillet::platform::automation
