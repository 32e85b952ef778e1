#include "platform/automation/factory.h"

#include <map>

#include "platform/text/casefold.h"

namespace quillet::platform::automation {
namespace {

struct Entry {
  std::string progId;
  ObjectCreator creator;
};

// Registrations happen at start-up and by explicit calls; the table is process-wide
// because classes are the same on every thread.
std::map<std::string, Entry>& table() {
  static std::map<std::string, Entry> t;
  return t;
}

} // namespace

void registerClass(std::string progId, ObjectCreator creator) {
  std::string key = text::foldCase(progId);
  table()[key] = Entry{std::move(progId), std::move(creator)};
}

bool isRegistered(std::string_view progId) {
  return table().count(text::foldCase(progId)) != 0;
}

Ref<Object> create(std::string_view progId) {
  auto it = table().find(text::foldCase(progId));
  if (it == table().end()) raise(err::kCannotCreateObject);
  Ref<Object> obj = it->second.creator();
  if (!obj) raise(err::kCannotCreateObject);
  return obj;
}

std::vector<std::string> registeredClasses() {
  std::vector<std::string> r;
  for (const auto& [key, e] : table())
    r.push_back(e.progId);
  return r;
}

} // namespace quillet::platform::automation
