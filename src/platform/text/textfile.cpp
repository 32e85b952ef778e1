#include "platform/text/textfile.h"

#include "platform/files/files.h"

namespace quillet::platform::text {

DecodedText readTextFileDecoded(std::string_view path) {
  return decodeText(files::readFile(path));
}

std::string readTextFile(std::string_view path) {
  return readTextFileDecoded(path).text;
}

void writeTextFile(std::string_view path, std::string_view utf8, const Encoding& encoding,
                   bool withBom) {
  files::writeFile(path, encodeText(utf8, encoding, withBom));
}

} // namespace quillet::platform::text
