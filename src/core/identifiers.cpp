#include "core/identifiers.h"

#include <cstdio>

#include "core/state.h"
#include "core/text_helpers.h"
#include "platform/automation/context.h"
#include "platform/automation/error.h"
#include "platform/text/casefold.h"
#include "platform/text/utf8.h"
#include "platform/ui/ui.h"
#include "platform/xml/xml.h"

namespace quillet::core {

namespace text = ::quillet::platform::text;
namespace xml = ::quillet::platform::xml;
namespace ui = ::quillet::platform::ui;

// ---- keyword list ----

QUILLET_DEFINE_CLASS(RUZKeyword) {
  b.get("curIndex", &RUZKeyword::curIndex)
      .get("Count", &RUZKeyword::Count)
      .method("IsKeyword", [](RUZKeyword& self, const std::string& l,
                              const std::string& k) { return self.IsKeyword(l, k); })
      .method("Load", [](RUZKeyword& self, const std::string& file) { return self.Load(file); });
}

bool RUZKeyword::IsKeyword(const std::string& l, const std::string& k) const {
  bool vb = text::toLower(l) == "vb";
  for (const auto& [lang, word] : entries_) {
    if (lang != "*" && !text::equalsNoCase(lang, l)) continue;
    if (vb ? text::equalsNoCase(word, k) : word == k) return true;
  }
  return false;
}

void RUZKeyword::addKeyword(std::string lang, std::string word) {
  for (const auto& e : entries_)
    if (e.first == lang && e.second == word) return;
  entries_.emplace_back(std::move(lang), std::move(word));
}

bool RUZKeyword::Load(const std::string& file) {
  core::State& ctx = core::state();
  xml::Document doc;
  try {
    doc = xml::Document::load(file);
  } catch (const automation::Error&) {
    if (loadError_.empty())
      ui::current().messageBox("Load keyword file \"" + file +
                                   "\" failed. Please check your keyword file.",
                               ui::kExclamation, ctx.DisplayName);
    loadError_ = "Load keyword file failed!";
    return false;
  }
  loadError_.clear();
  std::string expected = text::toLower(CompactName(ctx.ProductKey)) + ".keyword";
  xml::Node root = doc.documentElement();
  if (!root || text::toLower(root.localName()) != expected) {
    loadError_ = "Keyword file is invalid!";
    return false;
  }
  for (const xml::Node& child : root.childElements()) {
    if (text::toLower(child.name()) != "keyword") continue;
    std::string lang, word;
    for (const auto& [name, value] : child.attributes()) {
      std::string n = text::toLower(name);
      if (n == "lang")
        lang = value;
      else if (n == "value")
        word = value;
    }
    addKeyword(std::move(lang), std::move(word));
  }
  return true;
}

RUZKeyword& SharedKeywords() {
  struct Holder {
    automation::Ref<RUZKeyword> list = automation::makeRef<RUZKeyword>();
  };
  return *automation::Context::current().shared<Holder>().list;
}

// ---- identifiers and literals ----

namespace {

bool isLetter(char32_t c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char32_t c) {
  return c >= '0' && c <= '9';
}
} // namespace

std::string MakeVarName(std::string_view name, std::string_view prefix) {
  core::State& ctx = core::state();
  RUZKeyword& keywords = SharedKeywords();
  // The keyword test sees the name as given, before any character is replaced.
  std::string s(name);
  while (keywords.IsKeyword(ctx.CurrentProgramLanguage, s))
    s.insert(0, 1, 'z');
  std::string body;
  for (size_t pos = 0; pos < s.size();) {
    char32_t c = text::decodeChar(s, pos);
    if (isLetter(c) || isDigit(c) || c == '_') {
      body += static_cast<char>(c);
    } else if (c == ' ') {
      body += '_';
    } else {
      // Stored project files carry names made this way, so the code is the UTF-16 unit's
      // (a character beyond the basic plane gives both halves of its pair).
      char buf[8];
      for (char16_t unit : text::utf16Units(c)) {
        std::snprintf(buf, sizeof buf, "%X", static_cast<unsigned>(unit));
        body += buf;
      }
    }
  }
  if (!body.empty() && !isLetter(static_cast<unsigned char>(body.front()))) body.insert(0, 1, 'z');
  return std::string(prefix) + body;
}

std::string DoubleQuotes(std::string_view textIn, int32_t level) {
  auto trim = [](std::string_view s) {
    while (!s.empty() && s.front() == ' ')
      s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
      s.remove_suffix(1);
    return s;
  };
  std::string_view s = trim(textIn);
  while (s.size() > 1 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front())
    s = trim(s.substr(1, s.size() - 2));
  if (level <= 0) return std::string(s);
  std::string q(static_cast<size_t>(level), '"');
  std::string out = q;
  for (char c : s) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + q;
}

std::string ToScriptString(std::string_view textIn, std::string_view indent) {
  std::string out;
  size_t pos = 0;
  while (true) {
    // The next line break: CR LF, or a lone CR or LF, each kept as what it was.
    size_t br = textIn.find_first_of("\r\n", pos);
    std::string_view line = textIn.substr(pos, br == std::string_view::npos ? br : br - pos);
    if (!out.empty()) out += '&';
    out += '"';
    for (char c : line) {
      out += c;
      if (c == '"') out += '"';
    }
    out += '"';
    if (br == std::string_view::npos) break;
    size_t len = 1;
    if (textIn[br] == '\r' && br + 1 < textIn.size() && textIn[br + 1] == '\n') {
      out += "&vbCrLf";
      len = 2;
    } else {
      out += textIn[br] == '\r' ? "&vbCr" : "&vbLf";
    }
    if (!indent.empty()) {
      out += '&';
      out += indent;
    }
    pos = br + len;
  }
  if (textIn.empty()) return {};
  return out;
}

} // namespace quillet::core
