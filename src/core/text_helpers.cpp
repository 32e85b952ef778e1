#include "core/text_helpers.h"

#include <sys/utsname.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/automation/error.h"
#include "platform/automation/text_settings.h"
#include "platform/files/textfile.h"
#include "platform/text/ascii.h"
#include "platform/text/casefold.h"
#include "platform/text/encoding.h"

namespace quillet::core {

namespace text = ::quillet::platform::text;

namespace {

SystemCharsetInfo& charsetState() {
  return automation::Context::current().shared<SystemCharsetInfo>();
}

std::string textOf(const Variant& v) {
  try {
    return automation::CStr(v);
  } catch (const automation::Error&) {
    return {};
  }
}

// The first bytes of a file (fewer when it is shorter); nullopt when it cannot be read.
std::optional<std::string> readBytes(const std::string& path, size_t max) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes(max, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(max));
  bytes.resize(static_cast<size_t>(in.gcount()));
  return bytes;
}

} // namespace

const SystemCharsetInfo& SystemCharsetValues() {
  return charsetState();
}

void InitSystemCharset() {
  SystemCharsetInfo& s = charsetState();
  s.SystemCodePage = std::to_string(::quillet::platform::automation::ansiEncoding().codePage());
  s.SystemCharset = CodePageToCharset(Variant(s.SystemCodePage));
}

std::string CodePageToCharset(const Variant& codePage) {
  static const std::pair<const char*, std::vector<const char*>> table[] = {
      {"iso-8859-1", {"29001", "20106", "20277", "1142",  "20278", "1143",  "1147",  "20273",
                      "1141",  "20871", "1149",  "1148",  "20280", "1144",  "20284", "1145",
                      "20285", "1146",  "37",    "1140",  "861",   "10079", "20108", "437",
                      "20107", "20127", "850",   "20105", "28591", "10000", "1252"}},
      {"iso-8859-2", {"852", "28592", "10029", "1250", "870"}},
      {"iso-8859-3", {"28593"}},
      {"iso-8859-4", {"775", "28594", "1257"}},
      {"iso-8859-5", {"866", "28595", "20866", "21866", "10007", "1251", "20880", "21025", "1026"}},
      {"iso-8859-6", {"708", "720", "28596", "10004", "1256", "20420"}},
      {"iso-8859-7", {"737", "28597", "10006", "1253", "869", "875", "20423"}},
      {"iso-8859-8", {"862", "38598", "28598", "10005", "1255", "20424"}},
      {"iso-8859-9", {"20905", "857", "28599", "10081", "1254"}},
      {"iso-8859-15", {"28605"}},
      {"gb2312", {"51936", "936", "52936", "10008", "50935"}},
      {"big5", {"950", "20000", "20002", "10002", "50937"}},
      {"shift_jis",
       {"50930", "20290", "50931", "51932", "50220", "50222", "50221", "10001", "932", "50939"}},
      {"euc-kr", {"50933", "20833", "949", "51949", "50225", "1361", "10003"}},
      {"windows-874", {"20838", "874"}},
      {"windows-1258", {"1258"}},
      {"utf-16", {"1200", "1201"}},
      {"utf-7", {"65000"}},
      {"utf-8", {"65001"}},
  };
  std::string s = textOf(codePage);
  std::erase(s, '\0');
  std::string_view key = text::trim(s);
  for (const auto& [name, pages] : table)
    for (const char* p : pages)
      if (key == p) return name;
  return {};
}

std::string SplitWordCase(std::string_view word) {
  auto marker = [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '<' || c == '(' || c == '[' ||
           c == '{';
  };
  std::string out;
  for (size_t i = 0; i < word.size(); ++i) {
    if (i > 0 && marker(word[i]) && !marker(word[i - 1])) out += ' ';
    out += word[i];
  }
  return out;
}

std::string NameToCaption(std::string_view name) {
  std::string s(text::trim(name));
  for (char& c : s)
    if (c == '-' || c == '_') c = ' ';
  std::string out;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && s[i] == ' ')
      ++i;
    size_t start = i;
    while (i < s.size() && s[i] != ' ')
      ++i;
    if (i > start) {
      if (!out.empty()) out += ' ';
      out += SplitWordCase(std::string_view(s).substr(start, i - start));
    }
  }
  return out;
}

std::string CompactName(std::string_view textIn) {
  std::string out;
  for (char c : textIn)
    if (c != '/' && c != ' ') out += c;
  return out;
}

std::string GetSpecialFolderPath(int32_t, int32_t folderId) {
  if (folderId != kFolderDocuments) return {};
  const char* docs = std::getenv("XDG_DOCUMENTS_DIR");
  if (docs && *docs == '/') return docs;
  const char* home = std::getenv("HOME");
  if (!home || !*home) return {};
  return std::string(home) + "/Documents";
}

int16_t CalcPercent(int32_t done, int32_t total) {
  if (total == 0) total = 1;
  if (done > total) done = total;
  double p = automation::roundHalfEven(static_cast<double>(done) / total * 100.0);
  return static_cast<int16_t>(p);
}

std::string ZeroPad(const Variant& value, int32_t width) {
  std::string s = textOf(value);
  int64_t pad = static_cast<int64_t>(width) - static_cast<int64_t>(text::charCount(s));
  if (pad < 0) automation::raise(automation::err::kInvalidProcedureCall);
  return std::string(static_cast<size_t>(pad), '0') + s;
}

std::string FormatTimestamp(const Variant& v) {
  std::string result = textOf(v);
  std::optional<double> serial;
  if (v.type() == automation::VarType::Date)
    serial = v.asDate().serial;
  else if (v.isString())
    serial = automation::parseDate(v.asString(), automation::currentLocale());
  if (!serial) return result;
  automation::DateParts d = automation::splitDate(*serial);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%02d", d.year, d.month, d.day, d.hour,
                d.minute, d.second);
  return buf;
}

std::string SortTextLines(std::string_view input) {
  if (text::trim(input).empty()) return {};
  std::vector<std::string> lines;
  size_t start = 0;
  while (true) {
    size_t end = input.find("\r\n", start);
    if (end == std::string_view::npos) {
      lines.emplace_back(input.substr(start));
      break;
    }
    lines.emplace_back(input.substr(start, end - start));
    start = end + 2;
  }
  // An exchange sort: exchanged lines are stored trimmed, equal lines keep their order.
  for (size_t i = lines.size() - 1; i-- > 0;) {
    for (size_t j = 0; j <= i; ++j) {
      std::string_view a = text::trim(lines[j]), b = text::trim(lines[j + 1]);
      if (a > b) {
        std::string ta(a), tb(b);
        lines[j] = std::move(tb);
        lines[j + 1] = std::move(ta);
      }
    }
  }
  std::string out;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i) out += "\r\n";
    out += lines[i];
  }
  return out;
}

std::string AddBackslash(std::string_view path) {
  std::string s(text::trim(path));
  if (s.empty() || s.back() == '\\' || s.back() == '/') return s;
  bool windows = s.find('\\') != std::string::npos && s.find('/') == std::string::npos;
  s += windows ? '\\' : '/';
  return s;
}

std::string BytesToHex(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size() && bytes[i] == '\0')
    ++i;
  if (i == bytes.size()) return "0";
  std::string out;
  char buf[4];
  std::snprintf(buf, sizeof buf, "%X", static_cast<unsigned char>(bytes[i]));
  out += buf;
  for (++i; i < bytes.size(); ++i) {
    std::snprintf(buf, sizeof buf, "%02X", static_cast<unsigned char>(bytes[i]));
    out += buf;
  }
  return out;
}

std::string DetectFileEncoding(const Variant& path) {
  auto bytes = readBytes(textOf(path), 3);
  if (!bytes) return {};
  std::string hex = BytesToHex(*bytes);
  if (hex == "EFBBBF") return "UTF-8";
  if (hex.substr(0, 4) == "FEFF") return "UNICODE BIG";
  if (hex.substr(0, 4) == "FFFE") return "UNICODE";
  return {};
}

std::string ReadUtf8File(const Variant& path) {
  std::ifstream in(textOf(path), std::ios::binary);
  if (!in) return {};
  std::optional<std::string> bytes(std::string(std::istreambuf_iterator<char>(in), {}));
  std::string_view b(*bytes);
  if (b.substr(0, 3) == "\xEF\xBB\xBF") b.remove_prefix(3);
  return text::Encoding::utf8().decode(b);
}

Variant ReadTextFile(const Variant& path) {
  // UTF-16 with a byte-order mark is decoded as UTF-16, not read byte by byte; the files
  // layer finds the file with either separator and in other letter case.
  try {
    return Variant(::quillet::platform::files::readTextFile(textOf(path)));
  } catch (const automation::Error&) {
    return Variant();
  }
}

void GetWinVersion(WinVersionInfo& info) {
  struct utsname u;
  if (::uname(&u) != 0) return;
  int major = 0, minor = 0, build = 0;
  std::sscanf(u.release, "%d.%d.%d", &major, &minor, &build);
  info.PlatformId = 2;
  info.Name = u.sysname;
  info.Version = std::to_string(major) + "." + std::to_string(minor);
  info.ServicePack.clear();
  info.Build = std::to_string(build & 0xFFFF);
}

} // namespace quillet::core
