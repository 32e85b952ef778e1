#pragma once
// Whole text files in whatever encoding they were saved: reading tells the encoding by the
// byte-order mark, by UTF-8 validity or by the ANSI code page (see text::decodeText()); writing
// encodes UTF-8 text and replaces the file atomically. Paths follow this layer's
// policy (either separator, letter case of names found on disk); failures raise its errors
// (53 File not found, 76 Path not found, 70 Permission denied).
#include <string>
#include <string_view>

#include "platform/text/encoding.h"

namespace quillet::platform::files {

// The text of a file, with the encoding it was read in.
text::DecodedText readTextFileDecoded(std::string_view path);
// The UTF-8 text of a file (without its byte-order mark).
std::string readTextFile(std::string_view path);
// Writes UTF-8 text in an encoding, with the encoding's byte-order mark when asked.
void writeTextFile(std::string_view path, std::string_view utf8,
                   const text::Encoding& encoding = text::Encoding::utf8(), bool withBom = false);

} // namespace quillet::platform::files
