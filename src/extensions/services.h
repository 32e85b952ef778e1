#pragma once
// What this layer needs of the template engine and the generation run, which sit above it:
// they install their own implementation in the thread's context; until then the defaults
// below answer.
#include <memory>
#include <string>

#include "platform/automation/object.h"

namespace quillet::extensions {

namespace automation = ::quillet::platform::automation;

class TemplateServices {
public:
  virtual ~TemplateServices() = default;
  // Whether an extension level's condition holds for the project, whose current table and
  // field the table and field clauses read. The default holds for every condition.
  virtual bool EvalCondition(const std::string& condition, automation::Object* project);
  // Output text tidied for a file of that extension. The default only makes every line end
  // in CR LF (a line feed after a carriage return belongs to the break).
  virtual std::string TidyOutput(const std::string& extension, const std::string& text);
};

// The thread's services (the defaults until a higher layer installs its own).
TemplateServices& templateServices();
void installTemplateServices(std::shared_ptr<TemplateServices> services);

} // namespace quillet::extensions
