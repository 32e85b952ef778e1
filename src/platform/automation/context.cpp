#include "platform/automation/context.h"

namespace quillet::platform::automation {
namespace {

thread_local Context* currentContext = nullptr;

// A thread that never installs a context gets this one; it is destroyed when the thread
// ends, after any Scope has been left.
Context& threadDefault() {
  thread_local Context ctx;
  return ctx;
}

} // namespace

Context::Context()
    : VersionMajor(QUILLET_VERSION_MAJOR), VersionMinor(QUILLET_VERSION_MINOR),
      VersionRevision(QUILLET_VERSION_PATCH) {
  locale = Locale::invariant();
  ProductRegistryPath = "Software\\" + ProductKey + "\\" + versionText();
  SettingsKey = ProductRegistryPath + "\\Settings";
  DatabaseDefaultsKey = sectionKey("Database");
  TableDefaultsKey = sectionKey("Table");
  FieldDefaultsKey = sectionKey("Field");
  ChartDefaultsKey = sectionKey("Chart");
  TrendlineDefaultsKey = sectionKey("Trendline");
}

Context::~Context() {
  // Shared objects go in reverse order of creation: later ones may use earlier ones.
  while (!shared_.empty()) {
    auto keep = std::move(shared_.back().object);
    shared_.pop_back();
    keep.reset();
  }
}

Context& Context::current() {
  if (currentContext) return *currentContext;
  return threadDefault();
}

Context::Scope::Scope() : ctx_(std::make_unique<Context>()), previous_(currentContext) {
  currentContext = ctx_.get();
}

Context::Scope::~Scope() {
  // Objects destroyed with the context may still look at Context::current().
  ctx_.reset();
  currentContext = previous_;
}

std::string Context::versionText() const {
  return std::to_string(VersionMajor) + "." + std::to_string(VersionMinor);
}

std::string Context::fullVersionText() const {
  return versionText() + ".0." + std::to_string(VersionRevision);
}

std::string Context::sectionKey(const std::string& section) const {
  return SettingsKey + "\\" + section;
}

void Context::setProjErr(const std::string& message) {
  ProjErr = DisplayName + ": " + message;
}

void Context::appendProjErr(const std::string& message) {
  if (!ProjErr.empty()) ProjErr += "\r\n";
  ProjErr += DisplayName + ": " + message;
}

} // namespace quillet::platform::automation
