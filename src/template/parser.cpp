#include "template/parser.h"

#include "core/state.h"
#include "core/status.h"
#include "core/text_helpers.h"
#include "platform/automation/context.h"
#include "platform/text/ascii.h"
#include "platform/text/utf8.h"

namespace quillet::templating {

namespace {

constexpr std::string_view kOpen = "<!--##";
constexpr std::string_view kClose = "##-->";
constexpr std::string_view kSessionOpen = "<!--##session";
constexpr std::string_view kSessionClose = "<!--##/session##-->";
constexpr std::string_view kInclude = "<!--##include";

char lowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Markers are ASCII, so a byte-wise search that folds ASCII letters finds them in any case.
size_t findNoCase(std::string_view text, std::string_view what, size_t from) {
  if (what.size() > text.size()) return std::string_view::npos;
  for (size_t i = from; i + what.size() <= text.size(); ++i) {
    size_t k = 0;
    while (k < what.size() && lowerAscii(text[i + k]) == lowerAscii(what[k]))
      ++k;
    if (k == what.size()) return i;
  }
  return std::string_view::npos;
}

std::string_view trimBlanks(std::string_view s) {
  return platform::text::trim(s, platform::text::kWhitespace);
}

// The position just after a text, continuing from an origin.
TextOrigin advance(TextOrigin at, std::string_view text) {
  size_t last = text.rfind("\r\n");
  if (last == std::string_view::npos) {
    at.column += static_cast<int32_t>(platform::text::countChars(text));
    return at;
  }
  size_t lines = 0;
  for (size_t i = text.find("\r\n"); i != std::string_view::npos; i = text.find("\r\n", i + 2))
    ++lines;
  at.line += static_cast<int32_t>(lines);
  at.column = 1 + static_cast<int32_t>(platform::text::countChars(text.substr(last + 2)));
  return at;
}

struct FileCacheHolder {
  Ref<RUZFileCache> cache = automation::makeRef<RUZFileCache>();
};

} // namespace

std::string normalizeLineEnds(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 32);
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

// ---- AGParser -----------------------------------------------------------------------------

std::string AGParser::BlockValue() const {
  const Block* b = current();
  return b ? text_.substr(b->start, b->length) : std::string();
}

void AGParser::setBlockID(int32_t id) {
  if (id >= 1 && id <= Count()) blockId_ = id;
}

void AGParser::fail(const char* what, size_t markerPos) {
  // Lines are CR LF separated and counted from 1; the column counts characters up to and
  // including the marker's "<".
  std::string_view upTo(text_.data(), markerPos + 1);
  std::vector<std::string_view> lines;
  size_t from = 0;
  for (;;) {
    size_t br = upTo.find("\r\n", from);
    if (br == std::string_view::npos) {
      lines.push_back(upTo.substr(from));
      break;
    }
    lines.push_back(upTo.substr(from, br - from));
    from = br + 2;
  }
  size_t n = lines.size() - 1;
  errorLine_ = static_cast<int32_t>(n + 1);
  errorColumn_ = static_cast<int32_t>(platform::text::countChars(lines[n]));
  std::string msg = std::string("***") + what + " at line " + std::to_string(n + 1) + " column " +
                    std::to_string(platform::text::countChars(lines[n])) +
                    "! Generation failed!\r\nError lines:";
  for (size_t i = n >= 10 ? n - 10 : 0; i <= n; ++i) {
    msg += "\r\n";
    msg += lines[i];
  }
  core::state().ProjErr = msg;
}

void AGParser::Parse(const std::string& sSrc) {
  text_ = sSrc;
  blocks_.clear();
  blockId_ = 0;
  errorLine_ = errorColumn_ = 0;
  auto append = [this](Block b) {
    blocks_.push_back(std::move(b));
    blockId_ = Count();
  };
  std::string_view text = text_;
  size_t e = 0; // end of the previous block
  size_t p = text.find(kOpen);
  while (p != std::string_view::npos) {
    if (p > e) append({agc_Block_Content, "", e, p - e, ""});
    size_t c = text.find(kClose, p);
    // A close that starts inside the opening marker ("<!--##-->") leaves the block without
    // an end of its own.
    if (c == std::string_view::npos || c < p + kOpen.size()) {
      fail("Incomplete Block", p);
      return;
    }
    size_t q = text.find(kOpen, p + kOpen.size());
    if (q != std::string_view::npos && q < c) {
      fail("Nested Blocks found", q);
      return;
    }
    char kind = p + kOpen.size() < text.size() ? text[p + kOpen.size()] : '\0';
    int32_t type = kind == '='   ? agc_Block_Function
                   : kind == '~' ? agc_Block_FunctionIndent
                   : kind == '@' ? agc_Block_Language
                   : kind == '$' ? agc_Block_LanguageDynamic
                                 : agc_Block_Script;
    if (type == agc_Block_Script) {
      append({type, "", p + kOpen.size(), c - (p + kOpen.size()), ""});
    } else {
      size_t start = p + kOpen.size() + 1;
      if (c < start) {
        fail("Incomplete Block", p);
        return;
      }
      Block b{type, std::string(trimBlanks(text.substr(start, c - start))), start, c - start, ""};
      if (type == agc_Block_FunctionIndent && !blocks_.empty() &&
          blocks_.back().kind == agc_Block_Content) {
        std::string_view prev = text.substr(blocks_.back().start, blocks_.back().length);
        size_t k = prev.size();
        while (k > 0 && (prev[k - 1] == ' ' || prev[k - 1] == '\t'))
          --k;
        b.indent = std::string(prev.substr(k));
      }
      append(std::move(b));
    }
    e = c + kClose.size();
    p = q;
  }
  if (e < text.size()) append({agc_Block_Content, "", e, text.size() - e, ""});
}

bool AGParser::checkLeftMarkers() {
  auto startsWord = [](std::string_view v, std::string_view word) {
    if (v.size() < word.size() || findNoCase(v.substr(0, word.size()), word, 0) != 0) return false;
    return v.size() == word.size() || v[word.size()] == ' ' || v[word.size()] == '\t' ||
           v[word.size()] == '\r' || v[word.size()] == '\n';
  };
  for (const Block& b : blocks_) {
    if (b.kind != agc_Block_Script) continue;
    std::string_view v = std::string_view(text_).substr(b.start, b.length);
    bool left = startsWord(v, "session") || startsWord(trimBlanks(v), "/session");
    if (!left && startsWord(v, "include")) {
      std::string_view target = trimBlanks(v.substr(7));
      left = target.find('/') != std::string_view::npos &&
             target.find_first_of("\"()") == std::string_view::npos;
    }
    if (left) {
      fail("Session or include marker out of place", b.start - kOpen.size());
      return false;
    }
  }
  return true;
}

std::vector<std::string> AGParser::GetSession(const std::string& sFileID,
                                              const std::string& sSessID) {
  std::vector<std::string> out;
  std::vector<std::string> chain;
  origins_.clear();
  expand(sFileID, sSessID, out, chain);
  if (out.empty()) {
    out.emplace_back();
    origins_.push_back({sFileID, 1, 1});
  }
  return out;
}

void AGParser::expand(const std::string& file, const std::string& session,
                      std::vector<std::string>& out, std::vector<std::string>& chain) {
  std::string id = file + "/" + session;
  for (const auto& link : chain)
    if (link == id) {
      std::string path;
      for (const auto& l : chain)
        path += l + " -> ";
      core::state().appendProjErr("Include cycle: " + path + id);
      return;
    }
  const std::string* found = SharedFileCache().find(file, session);
  if (!found) return;
  // The cache may grow while the session expands; keep this session's text.
  const std::string text = *found;
  // Pieces come in text order, so each origin counts on from the one before.
  TextOrigin at = SharedFileCache().origin(file, session);
  size_t counted = 0;
  auto piece = [&](size_t from, size_t count) {
    out.push_back(text.substr(from, count));
    at = advance(at, std::string_view(text).substr(counted, from - counted));
    counted = from;
    origins_.push_back(at);
  };
  chain.push_back(id);
  size_t s = 0;
  for (;;) {
    size_t p = findNoCase(text, kInclude, s);
    if (p == std::string::npos) break;
    core::SharedStatus().Refresh();
    piece(s, p - s);
    size_t c = text.find(kClose, p + kInclude.size());
    if (c == std::string::npos) {
      s = p;
      break;
    }
    std::string_view target =
        trimBlanks(std::string_view(text).substr(p + kInclude.size(), c - p - kInclude.size()));
    size_t slash = target.find('/');
    if (slash != std::string_view::npos && target.find('/', slash + 1) == std::string_view::npos)
      expand(std::string(trimBlanks(target.substr(0, slash))),
             std::string(trimBlanks(target.substr(slash + 1))), out, chain);
    s = c + kClose.size();
  }
  piece(s, std::string::npos);
  chain.pop_back();
}

// ---- RUZFileCache -------------------------------------------------------------------------

void RUZFileCache::AddFile(const std::string& FilePath, const std::string& FileName) {
  Variant text = core::ReadTextFile(Variant(FilePath));
  if (!text.isString()) return;
  addText(std::string(text.asString()), FileName);
}

void RUZFileCache::addText(const std::string& raw, const std::string& FileName) {
  const std::string text = normalizeLineEnds(raw);
  size_t p = findNoCase(text, kSessionOpen, 0);
  // Positions are counted on from the last session, so a file is walked once.
  TextOrigin at{FileName, 1, 1};
  size_t counted = 0;
  while (p != std::string::npos) {
    core::SharedStatus().Refresh();
    size_t c = text.find(kClose, p + kSessionOpen.size());
    if (c == std::string::npos) return;
    std::string name(trimBlanks(
        std::string_view(text).substr(p + kSessionOpen.size(), c - p - kSessionOpen.size())));
    size_t end = findNoCase(text, kSessionClose, c + kClose.size());
    if (end != std::string::npos) {
      std::string body = text.substr(c + kClose.size(), end - c - kClose.size());
      at = advance(at, std::string_view(text).substr(counted, c + kClose.size() - counted));
      counted = c + kClose.size();
      bool replaced = false;
      for (auto& row : rows_)
        if (row.file == FileName && row.session == name) {
          row.text = std::move(body);
          row.line = at.line;
          row.column = at.column;
          replaced = true;
          break;
        }
      if (!replaced)
        rows_.push_back({FileName, std::move(name), std::move(body), at.line, at.column});
    }
    p = findNoCase(text, kSessionOpen, c + kClose.size());
  }
}

const std::string* RUZFileCache::find(const std::string& FileName,
                                      const std::string& SessName) const {
  for (const auto& row : rows_)
    if (row.file == FileName && row.session == SessName) return &row.text;
  return nullptr;
}

TextOrigin RUZFileCache::origin(const std::string& FileName, const std::string& SessName) const {
  for (const auto& row : rows_)
    if (row.file == FileName && row.session == SessName) return {FileName, row.line, row.column};
  return {FileName, 1, 1};
}

std::string RUZFileCache::GetSession(const std::string& FileName,
                                     const std::string& SessName) const {
  const std::string* t = find(FileName, SessName);
  return t ? *t : std::string();
}

RUZFileCache& SharedFileCache() {
  return *automation::Context::current().shared<FileCacheHolder>().cache;
}

// ---- Member tables ------------------------------------------------------------------------

QUILLET_DEFINE_CLASS(AGParser) {
  using C = AGParser;
  b.get("BlockType", &C::BlockType)
      .get("BlockName", &C::BlockName)
      .get("BlockValue", &C::BlockValue)
      .get("BlockIndent", &C::BlockIndent)
      .prop(
          "BlockID", [](C& c) { return c.BlockID(); }, [](C& c, int32_t id) { c.setBlockID(id); })
      .get("Count", &C::Count)
      .method("Parse", [](C& c, const std::string& s) { c.Parse(s); })
      .method("GetSession", [](C& c, const std::string& f, const std::string& s) {
        std::vector<Variant> pieces;
        for (auto& p : c.GetSession(f, s))
          pieces.emplace_back(std::move(p));
        return Variant(automation::SafeArray::fromValues(std::move(pieces)));
      });
}

QUILLET_DEFINE_CLASS(RUZFileCache) {
  using C = RUZFileCache;
  b.method("Clear", &C::Clear).method("AddFile", &C::AddFile).method("GetSession", &C::GetSession);
}

} // namespace quillet::templating
