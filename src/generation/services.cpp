// The thread's template services and the stand-in used while no template engine is
// registered: every run it starts reports that, and nothing is written.
#include "generation/services.h"

#include "core/state.h"
#include "platform/automation/context.h"
#include "platform/automation/error.h"

namespace quillet::generation {

namespace automation = ::quillet::platform::automation;

namespace {

constexpr const char* kUnavailable = "No template engine is available to this program";

class UnavailableEngine : public PageScriptEngine {
public:
  bool IsInitialized() override { return false; }
  void Initialize(project::RUZ&, templating::RUZControls&) override {}
  void AddUserCode(const std::string&) override {}
  void Validate() override {}
  automation::Variant RunModule(const std::string&) override {
    automation::raise(automation::err::kInvalidProcedureCall, kUnavailable);
  }
  std::optional<std::string> BuildNewCode(const std::string&, const std::string&, int,
                                          int32_t) override {
    core::state().setProjErr(kUnavailable);
    return std::nullopt;
  }
  std::string RunTemplateAsFunction(const std::string&) override { return {}; }
  void Reset() override {}
};

class UnavailableServices : public TemplateServices {
public:
  std::unique_ptr<PageScriptEngine> createEngine() override {
    return std::make_unique<UnavailableEngine>();
  }
  void openCache(const std::string&) override {}
  void releaseCache() override {}
  int CheckCachedFile(const std::string&, const std::string&, const std::string&) override {
    fail();
    return -1;
  }
  void AddCacheFile(const std::string&, const std::string&, const std::string&) override {}
  bool MatchCacheGroup(const std::string&, const std::string&) override { return false; }
  void DeleteCacheGroup(const std::string&) override {}
  void DeleteCache(const std::string&, const std::string&) override {}
  void WriteCacheFile() override {}
  std::string ExtractTemplate(const std::string&, const std::string&, bool, bool,
                              bool) override {
    fail();
    return {};
  }
  std::string CacheFolder() override { return {}; }
  std::string ExtensionsWorkFolder() override { return {}; }
  bool ExtensionFilesCached(const std::string&) override { return false; }
  void CacheExtensionFiles(const std::string&) override {}
  bool MergeExtensionControls(const std::string&) override { return false; }
  std::string extensionControlVersion() override { return {}; }
  bool ValidateTemplateFiles(templating::RUZControl&) override { return false; }
  void clearFileCache() override {}
  void LoadTemplateFiles(templating::RUZControl&) override {}
  std::string TemplateFileName(templating::RUZControl&) override { return {}; }
  std::string GetScriptFuncName(templating::RUZControl&) override { return {}; }
  void BuildControlScript(templating::RUZControl&, const std::string&) override { fail(); }
  void LoadFunctionScripts(PageScriptEngine&) override {}

private:
  static void fail() {
    core::State& st = core::state();
    if (st.ProjErr.empty()) st.setProjErr(kUnavailable);
  }
};

struct ServicesSlot {
  std::shared_ptr<TemplateServices> services;
};

std::function<std::shared_ptr<TemplateServices>()>& factory() {
  static std::function<std::shared_ptr<TemplateServices>()> f;
  return f;
}

} // namespace

TemplateServices& templateServices() {
  ServicesSlot& slot = automation::Context::current().shared<ServicesSlot>();
  if (!slot.services) {
    if (factory()) slot.services = factory()();
    if (!slot.services) slot.services = std::make_shared<UnavailableServices>();
  }
  return *slot.services;
}

void installTemplateServices(std::shared_ptr<TemplateServices> services) {
  automation::Context::current().shared<ServicesSlot>().services = std::move(services);
}

void registerTemplateServicesFactory(std::function<std::shared_ptr<TemplateServices>()> f) {
  factory() = std::move(f);
}

} // namespace quillet::generation
