#include "platform/files/textfile.h"

#include "platform/automation/text_settings.h"
#include "platform/files/files.h"

namespace quillet::platform::files {

text::DecodedText readTextFileDecoded(std::string_view path) {
  return automation::decodeText(readFile(path));
}

std::string readTextFile(std::string_view path) {
  return readTextFileDecoded(path).text;
}

void writeTextFile(std::string_view path, std::string_view utf8, const text::Encoding& encoding,
                   bool withBom) {
  writeFile(path, text::encodeText(utf8, encoding, withBom));
}

} // namespace quillet::platform::files
