// Tidying of generated pages: the blank lines that template script blocks leave behind are
// dropped, single blank lines come back where the code's structure asks for them, and the
// generator meta line goes before every closing head tag.
#include <array>
#include <cctype>

#include "core/state.h"
#include "generation/generator.h"
#include "platform/automation/context.h"
#include "platform/text/casefold.h"

namespace quillet::generation {

namespace text = ::quillet::platform::text;
using automation::Context;

namespace {

struct TidyState {
  int32_t lineCount = 0;
  int32_t codeRun = 0;
  int32_t commentRun = 0;
  std::string marker;
  std::string language;
  std::string out;
};

constexpr std::array<std::string_view, 6> kDeclarations = {"Class",    "Private",  "Public",
                                                           "Property", "Function", "Sub"};

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(s[i])) !=
        std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  return true;
}

void TidyOutputLine(TidyState& st, const std::string& line, const std::string& programLanguage) {
  if (st.language != "js") st.language = text::toLower(programLanguage) == "vb" ? "vb" : "c#";
  size_t first = line.find_first_not_of(" \t");
  if (first == std::string::npos) return;
  std::string_view visible = std::string_view(line).substr(first);
  bool comment = false;
  if (st.language == "vb") {
    if (visible.starts_with("'")) {
      comment = true;
      st.marker = "'";
    }
  } else if (visible.starts_with("/*")) {
    comment = true;
    st.commentRun = 0;
    st.marker = "/*";
  } else if (visible.starts_with("//")) {
    comment = true;
    if (st.marker != "//") st.commentRun = 0;
    st.marker = "//";
  }
  if (comment) {
    if (st.commentRun == 0 && st.lineCount > 1) st.out += "\r\n";
    ++st.commentRun;
    st.codeRun = 0;
    st.out += line + "\r\n";
    return;
  }
  bool declaration = false;
  for (std::string_view kw : kDeclarations)
    if (visible.size() > kw.size() && startsWithNoCase(visible, kw) && visible[kw.size()] == ' ')
      declaration = true;
  if (declaration) {
    if (st.commentRun == 0) st.out += "\r\n";
    st.commentRun = 0;
    st.codeRun = 0;
    st.out += line + "\r\n";
    return;
  }
  if (st.codeRun == 0 && st.commentRun >= 2) st.out += "\r\n";
  st.commentRun = 0;
  ++st.codeRun;
  st.out += line + "\r\n";
}

} // namespace

std::string GeneratorMetaLine() {
  core::State& ctx = core::state();
  return "<meta name=\"generator\" content=\"" + ctx.DisplayName + " v" + ctx.fullVersionText() +
         "\" />\r\n";
}

std::string TidyOutput(const std::string& extension, const std::string& input,
                       const std::string& programLanguage) {
  TidyState st;
  st.language = extension == "js" ? "js" : "";
  size_t pos = 0;
  while (pos < input.size()) {
    size_t cr = input.find('\r', pos);
    if (cr == std::string::npos) {
      ++st.lineCount;
      TidyOutputLine(st, input.substr(pos), programLanguage);
      break;
    }
    std::string line = input.substr(pos, cr - pos);
    pos = cr + 1;
    if (pos < input.size() && input[pos] == '\n') ++pos;
    if (line.empty()) continue;
    ++st.lineCount;
    TidyOutputLine(st, line, programLanguage);
  }
  // Every closing head tag, in any letter case, gets the meta line and comes out lower-case.
  const std::string meta = GeneratorMetaLine();
  std::string result;
  result.reserve(st.out.size() + meta.size());
  size_t from = 0;
  for (;;) {
    size_t hit = std::string::npos;
    for (size_t i = from; i + 7 <= st.out.size(); ++i)
      if (st.out[i] == '<' && startsWithNoCase(std::string_view(st.out).substr(i), "</head>")) {
        hit = i;
        break;
      }
    if (hit == std::string::npos) break;
    result.append(st.out, from, hit - from);
    result += meta + "</head>";
    from = hit + 7;
  }
  result.append(st.out, from, std::string::npos);
  return result;
}

std::string StripLeadingBlankLines(const std::string& input) {
  size_t start = 0;
  for (size_t i = 0; i < input.size(); ++i) {
    char c = input[i];
    if (c == '\r' || c == '\n')
      start = i + 1;
    else if (c != ' ' && c != '\t')
      break;
  }
  return input.substr(start);
}

} // namespace quillet::generation
