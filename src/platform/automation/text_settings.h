#pragma once
// The text settings a thread's context carries (its ANSI code page and its locale's
// collation) and the encoding look-ups that report failures as VB errors. The text layer
// itself knows nothing of contexts or error numbers; these bind it to them.
#include <string_view>

#include "platform/text/encoding.h"

namespace quillet::platform::automation {

// An encoding by Windows code page number or by charset name (see text::Encoding), raising
// error 5 (invalid procedure call) naming the code page or charset when there is none.
text::Encoding encodingByCodePage(int codePage);
text::Encoding encodingByCharset(std::string_view name);

// The ANSI code page of the current thread's context (windows-1252 unless configured):
// used for files without a byte-order mark that are not UTF-8, and wherever text is
// written "as ANSI".
text::Encoding ansiEncoding();
// Sets it; error 5 when the code page has no converter.
void setAnsiCodePage(int codePage);

// text::decodeText() with the thread's ANSI encoding for bytes that are neither marked nor
// valid UTF-8.
text::DecodedText decodeText(std::string_view bytes);

// text::compareLocale() with the locale of the current thread's context.
int compareUserLocale(std::string_view a, std::string_view b, bool ignoreCase = false);

} // namespace quillet::platform::automation
