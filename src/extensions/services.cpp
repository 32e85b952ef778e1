#include "extensions/services.h"

#include "platform/automation/context.h"

namespace quillet::extensions {

bool TemplateServices::EvalCondition(const std::string&, automation::Object*) {
  return true;
}

std::string TemplateServices::TidyOutput(const std::string&, const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  size_t start = 0;
  while (start < text.size()) {
    size_t cr = text.find('\r', start);
    size_t lf = text.find('\n', start);
    size_t brk = std::min(cr, lf);
    if (brk == std::string::npos) {
      out.append(text, start, std::string::npos);
      out += "\r\n";
      break;
    }
    out.append(text, start, brk - start);
    out += "\r\n";
    start = brk + 1;
    if (text[brk] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  return out;
}

TemplateServices& templateServices() {
  return automation::Context::current().shared<TemplateServices>();
}

void installTemplateServices(std::shared_ptr<TemplateServices> services) {
  automation::Context::current().setShared<TemplateServices>(std::move(services));
}

} // namespace quillet::extensions
