// The project file's extension trees, custom scripts and the code base.
#include "project/project_file.h"
#include "project/ruz.h"

namespace quillet::project {

void writeExtensions(std::string&) {}
void writeCustomScripts(std::string&) {}
void readCustomScript(RUZ&, const platform::xml::Node&, const Attributes&) {}
void readExtensionElements(RUZ&, const platform::xml::Node&) {}
std::shared_ptr<void> takeExtensions() {
  return {};
}
void restoreExtensions(const std::shared_ptr<void>&) {}
void addInstalledExtensions(RUZ&) {}
void loadCodeBase(RUZ&) {}

} // namespace quillet::project
