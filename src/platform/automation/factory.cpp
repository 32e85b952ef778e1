#include "platform/automation/factory.h"

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

} // namespace

void registerClass(std::string progId, ObjectCreator creator) {
  std::string key = text::foldCase(progId);
  std::unique_lock lock(tableMutex());
  table()[key] = Entry{std::move(progId), std::move(creator)};
}

bool isRegistered(std::string_view progId) {
  std::shared_lock lock(tableMutex());
  return table().count(text::foldCase(progId)) != 0;
}

Ref<Object> create(std::string_view progId) {
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
  std::vector<std::string> r;
  std::shared_lock lock(tableMutex());
  for (const auto& [key, e] : table())
    r.push_back(e.progId);
  return r;
}

} // namespace quillet::platform::automation
