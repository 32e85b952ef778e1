#include "platform/automation/text_settings.h"

#include <string>

#include "platform/automation/context.h"
#include "platform/automation/error.h"
#include "platform/text/collate.h"

namespace quillet::platform::automation {

namespace {

struct TextSettings {
  int ansiCodePage = text::kCodePageWindows1252;
};

} // namespace

text::Encoding encodingByCodePage(int codePage) {
  if (auto e = text::Encoding::fromCodePage(codePage)) return *e;
  raise(err::kInvalidProcedureCall, "Unknown code page " + std::to_string(codePage));
}

text::Encoding encodingByCharset(std::string_view name) {
  if (auto e = text::Encoding::fromCharset(name)) return *e;
  raise(err::kInvalidProcedureCall, "Unknown character set \"" + std::string(name) + "\"");
}

text::Encoding ansiEncoding() {
  auto* settings = Context::current().findShared<TextSettings>();
  int cp = settings ? settings->ansiCodePage : text::kCodePageWindows1252;
  if (auto e = text::Encoding::fromCodePage(cp)) return *e;
  return text::Encoding::windows1252();
}

void setAnsiCodePage(int codePage) {
  encodingByCodePage(codePage); // refuses an unknown one
  Context::current().shared<TextSettings>().ansiCodePage = codePage;
}

text::DecodedText decodeText(std::string_view bytes) {
  return text::decodeText(bytes, &ansiEncoding);
}

int compareUserLocale(std::string_view a, std::string_view b, bool ignoreCase) {
  return text::compareLocale(a, b, Context::current().locale.name, ignoreCase);
}

} // namespace quillet::platform::automation
