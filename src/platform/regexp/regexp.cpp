#include "platform/regexp/regexp.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cctype>
#include <list>
#include <utility>

#include "platform/automation/error.h"
#include "platform/automation/interrupt.h"
#include "platform/automation/limits.h"
#include "platform/text/utf8.h"

namespace quillet::platform::regexp {

namespace err = automation::err;

namespace {

[[noreturn]] void syntaxError(int32_t number) {
  automation::raise(number);
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Length of a "{n}", "{n,}" or "{n,m}" quantifier at pos, 0 when the brace is a literal.
size_t braceQuantifierLength(std::string_view p, size_t pos) {
  size_t i = pos + 1;
  size_t digits = 0;
  while (i < p.size() && isDigit(p[i]))
    ++i, ++digits;
  if (digits == 0) return 0;
  if (i < p.size() && p[i] == ',') {
    ++i;
    while (i < p.size() && isDigit(p[i]))
      ++i;
  }
  if (i < p.size() && p[i] == '}') return i + 1 - pos;
  return 0;
}

// Length of a quantifier at pos (with its lazy "?"), 0 when there is none.
size_t quantifierLength(std::string_view p, size_t pos) {
  if (pos >= p.size()) return 0;
  size_t len = 0;
  if (p[pos] == '*' || p[pos] == '+' || p[pos] == '?')
    len = 1;
  else if (p[pos] == '{')
    len = braceQuantifierLength(p, pos);
  if (len && pos + len < p.size() && p[pos + len] == '?') ++len;
  return len;
}

// Escapes an ECMAScript letter escape has; every other escaped letter stands for itself.
bool isScriptEscapeLetter(char c) {
  switch (c) {
  case 'd':
  case 'D':
  case 'w':
  case 'W':
  case 's':
  case 'S':
  case 'b':
  case 'B':
  case 'f':
  case 'n':
  case 'r':
  case 't':
  case 'v':
  case 'c':
  case 'x':
  case 'u':
    return true;
  default:
    return false;
  }
}

// Rewrites an ECMAScript pattern where the library reads the same text differently.
std::string translate(std::string_view p) {
  std::string out;
  out.reserve(p.size() + 8);
  bool inClass = false;
  size_t i = 0;
  while (i < p.size()) {
    const char c = p[i];
    if (c == '\\') {
      if (i + 1 >= p.size()) syntaxError(err::kRegExpSyntaxError);
      const char d = p[i + 1];
      const size_t len = text::charLengthAt(p, i + 1);
      if (d == 'v') {
        out += "\\x0B"; // a vertical tab, not the library's vertical-space class
      } else if (d == 'c') {
        if (i + 2 < p.size() && std::isalpha(static_cast<unsigned char>(p[i + 2]))) {
          out.append(p.substr(i, 3));
          i += 3;
          continue;
        }
        out += "\\\\c"; // "\c" not followed by a letter is a backslash and a "c"
      } else if (std::isalpha(static_cast<unsigned char>(d))) {
        if (isScriptEscapeLetter(d) && !(inClass && d == 'B')) {
          out += '\\';
          out += d;
        } else {
          out += d;
        }
      } else {
        out += '\\';
        out.append(p.substr(i + 1, len));
      }
      i += 1 + len;
      // A quantifier after an escape is checked with the next character.
      continue;
    }
    if (inClass) {
      if (c == ']') inClass = false;
      if (c == '[')
        out += "\\["; // no POSIX "[:alpha:]" classes in script patterns
      else
        out += c;
      ++i;
      continue;
    }
    switch (c) {
    case '[':
      inClass = true;
      out += '[';
      ++i;
      if (i < p.size() && p[i] == '^') out += p[i++];
      // "[]" and "[^]" are complete classes here (the empty class and any character).
      if (i < p.size() && p[i] == ']') {
        out += ']';
        ++i;
        inClass = false;
      }
      continue;
    case '(':
      if (i + 1 < p.size() && p[i + 1] == '?') {
        if (i + 2 >= p.size() || (p[i + 2] != ':' && p[i + 2] != '=' && p[i + 2] != '!'))
          syntaxError(err::kRegExpSyntaxError);
      }
      out += c;
      ++i;
      continue;
    case '*':
    case '+':
    case '?':
    case '{': {
      size_t q = quantifierLength(p, i);
      if (q == 0) { // a literal brace
        out += c;
        ++i;
        continue;
      }
      out.append(p.substr(i, q));
      i += q;
      // A quantifier of a quantifier (the library would read "a*+" as possessive).
      if (quantifierLength(p, i) != 0) syntaxError(err::kUnexpectedQuantifier);
      continue;
    }
    default: {
      size_t len = text::charLengthAt(p, i);
      out.append(p.substr(i, len));
      i += len;
    }
    }
  }
  return out;
}

int32_t errorNumberFor(int code) {
  switch (code) {
  case PCRE2_ERROR_MISSING_SQUARE_BRACKET:
    return err::kExpectedBracketInRegExp;
  case PCRE2_ERROR_MISSING_CLOSING_PARENTHESIS:
    return err::kExpectedParenInRegExp;
  case PCRE2_ERROR_CLASS_RANGE_ORDER:
    return err::kInvalidRangeInCharSet;
  case PCRE2_ERROR_QUANTIFIER_INVALID:
    return err::kUnexpectedQuantifier;
  default:
    return err::kRegExpSyntaxError;
  }
}

} // namespace

struct RegExp::Compiled {
  pcre2_code* code = nullptr;
  uint32_t groups = 0;
  // The same pattern with a callout at every item, made when a match runs past the step
  // limit: it is slower, but lets a match that backtracks for long stop at the time-out.
  mutable pcre2_code* watched = nullptr;
  std::string translated;
  uint32_t options = 0;
  ~Compiled() {
    pcre2_code_free(code);
    pcre2_code_free(watched);
  }
};

namespace {

using CompiledPtr = std::shared_ptr<const RegExp::Compiled>;

CompiledPtr compile(const std::string& pattern, bool ignoreCase, bool multiline) {
  const std::string translated = translate(pattern);
  uint32_t options = PCRE2_UTF | PCRE2_MATCH_INVALID_UTF | PCRE2_ALT_BSUX |
                     PCRE2_ALLOW_EMPTY_CLASS | PCRE2_MATCH_UNSET_BACKREF;
  options |= multiline ? PCRE2_MULTILINE : PCRE2_DOLLAR_ENDONLY;
  if (ignoreCase) options |= PCRE2_CASELESS;
  pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
  pcre2_set_newline(context, PCRE2_NEWLINE_ANYCRLF);
  int code = 0;
  PCRE2_SIZE offset = 0;
  pcre2_code* re = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(translated.data()), translated.size(),
                                 options, &code, &offset, context);
  pcre2_compile_context_free(context);
  if (!re) syntaxError(errorNumberFor(code));
  pcre2_jit_compile(re, PCRE2_JIT_COMPLETE); // optional: interpreted matching otherwise
  auto compiled = std::make_shared<RegExp::Compiled>();
  compiled->code = re;
  compiled->translated = translated;
  compiled->options = options;
  pcre2_pattern_info(re, PCRE2_INFO_CAPTURECOUNT, &compiled->groups);
  return compiled;
}

// Scripts often build a RegExp per call with the same pattern; keep the recent ones.
CompiledPtr cachedCompile(const std::string& pattern, bool ignoreCase, bool multiline) {
  constexpr size_t kCacheSize = 64;
  thread_local std::list<std::pair<std::string, CompiledPtr>> cache;
  std::string key = pattern;
  key += '\0';
  key += ignoreCase ? 'i' : '-';
  key += multiline ? 'm' : '-';
  for (auto it = cache.begin(); it != cache.end(); ++it) {
    if (it->first == key) {
      cache.splice(cache.begin(), cache, it);
      return cache.front().second;
    }
  }
  CompiledPtr compiled = compile(pattern, ignoreCase, multiline);
  cache.emplace_front(std::move(key), compiled);
  if (cache.size() > kCacheSize) cache.pop_back();
  return compiled;
}

struct MatchDataCloser {
  void operator()(pcre2_match_data* m) const { pcre2_match_data_free(m); }
};

// Backtracking steps one match may take from one starting position before it is run again
// under watch. Ordinary patterns stay far below; a pattern that backtracks catastrophically
// passes it within milliseconds.
constexpr uint32_t kFastStepLimit = 1'000'000;

pcre2_code* watchedCode(const RegExp::Compiled& c) {
  if (!c.watched) {
    pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
    pcre2_set_newline(context, PCRE2_NEWLINE_ANYCRLF);
    int code = 0;
    PCRE2_SIZE offset = 0;
    c.watched =
        pcre2_compile(reinterpret_cast<PCRE2_SPTR>(c.translated.data()), c.translated.size(),
                      c.options | PCRE2_AUTO_CALLOUT, &code, &offset, context);
    pcre2_compile_context_free(context);
    if (!c.watched) syntaxError(errorNumberFor(code));
  }
  return c.watched;
}

// Called at every item of a watched match: looks at the clock now and then, and stops the
// match (the caller then raises the time-out) when the script's time is up.
int watchCallout(pcre2_callout_block*, void* data) {
  auto* calls = static_cast<uint32_t*>(data);
  if ((++*calls & 0xFFFu) != 0) return 0;
  return automation::deadlinePassed() ? PCRE2_ERROR_CALLOUT : 0;
}

struct MatchContext {
  MatchContext() {
    fast = pcre2_match_context_create(nullptr);
    pcre2_set_match_limit(fast, kFastStepLimit);
    watched = pcre2_match_context_create(nullptr);
    pcre2_set_callout(watched, watchCallout, &calls);
  }
  ~MatchContext() {
    pcre2_match_context_free(fast);
    pcre2_match_context_free(watched);
  }
  MatchContext(const MatchContext&) = delete;
  MatchContext& operator=(const MatchContext&) = delete;
  pcre2_match_context* fast;
  pcre2_match_context* watched;
  uint32_t calls = 0;
};

// One match from offset: quickly with a step limit, and when that is not enough, again with
// callouts that watch the time-out.
int matchAt(const RegExp::Compiled& c, PCRE2_SPTR data, size_t size, size_t offset,
            pcre2_match_data* md, MatchContext& mc) {
  automation::pollInterrupt();
  int rc = pcre2_match(c.code, data, size, offset, 0, md, mc.fast);
  if (rc != PCRE2_ERROR_MATCHLIMIT) return rc;
  rc = pcre2_match(watchedCode(c), data, size, offset, 0, md, mc.watched);
  if (rc == PCRE2_ERROR_CALLOUT) automation::interruptPoint();
  return rc;
}

struct RawMatch {
  size_t start, end; // bytes
};

// Calls visit(ovector) for the first match, or for every match when global; stops early
// when visit returns false.
template <class Visit>
void forEachMatch(const RegExp::Compiled& c, std::string_view subject, bool global, Visit&& visit) {
  std::unique_ptr<pcre2_match_data, MatchDataCloser> md(
      pcre2_match_data_create_from_pattern(c.code, nullptr));
  const auto* data = reinterpret_cast<PCRE2_SPTR>(subject.data());
  MatchContext mc;
  size_t offset = 0;
  while (offset <= subject.size()) {
    int rc = matchAt(c, data, subject.size(), offset, md.get(), mc);
    if (rc == PCRE2_ERROR_NOMATCH) return;
    if (rc == PCRE2_ERROR_NOMEMORY || rc == PCRE2_ERROR_HEAPLIMIT)
      automation::raise(err::kOutOfMemory);
    if (rc < 0) {
      automation::raise(err::kOutOfStackSpace,
                        "Out of stack space: the regular expression is too complex");
    }
    const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(md.get());
    if (!visit(ov) || !global) return;
    size_t end = ov[1];
    if (end == ov[0]) {
      if (end >= subject.size()) return;
      offset = end + text::charLengthAt(subject, end);
    } else {
      offset = end;
    }
  }
}

} // namespace

RegExp::RegExp() = default;
RegExp::RegExp(std::string pattern, bool ignoreCase, bool global, bool multiline)
    : pattern_(std::move(pattern)), ignoreCase_(ignoreCase), global_(global),
      multiline_(multiline) {}
RegExp::~RegExp() = default;
RegExp::RegExp(const RegExp&) = default;
RegExp& RegExp::operator=(const RegExp&) = default;

void RegExp::setPattern(std::string pattern) {
  if (pattern != pattern_) compiled_.reset();
  pattern_ = std::move(pattern);
}
void RegExp::setIgnoreCase(bool on) {
  if (on != ignoreCase_) compiled_.reset();
  ignoreCase_ = on;
}
void RegExp::setGlobal(bool on) {
  global_ = on;
}
void RegExp::setMultiline(bool on) {
  if (on != multiline_) compiled_.reset();
  multiline_ = on;
}

const RegExp::Compiled& RegExp::compiled() const {
  if (!compiled_) compiled_ = cachedCompile(pattern_, ignoreCase_, multiline_);
  return *compiled_;
}

void RegExp::validate() const {
  compiled();
}

bool RegExp::test(std::string_view subject) const {
  bool found = false;
  forEachMatch(compiled(), subject, false, [&](const PCRE2_SIZE*) {
    found = true;
    return false;
  });
  return found;
}

std::vector<Match> RegExp::execute(std::string_view subject) const {
  const Compiled& c = compiled();
  std::vector<Match> matches;
  size_t cursorByte = 0, cursorChar = 0; // matches move forward, so count on from the last
  forEachMatch(c, subject, global_, [&](const PCRE2_SIZE* ov) {
    Match m;
    cursorChar += text::countChars(subject.substr(cursorByte, ov[0] - cursorByte));
    cursorByte = ov[0];
    m.firstIndex = cursorChar;
    m.value.assign(subject.substr(ov[0], ov[1] - ov[0]));
    m.length = text::countChars(m.value);
    m.subMatches.reserve(c.groups);
    for (uint32_t g = 1; g <= c.groups; ++g) {
      if (ov[2 * g] == PCRE2_UNSET)
        m.subMatches.emplace_back(std::nullopt);
      else
        m.subMatches.emplace_back(
            std::string(subject.substr(ov[2 * g], ov[2 * g + 1] - ov[2 * g])));
    }
    matches.push_back(std::move(m));
    automation::pollInterrupt();
    return true;
  });
  return matches;
}

std::string RegExp::replace(std::string_view subject, std::string_view replacement) const {
  const Compiled& c = compiled();
  std::string out;
  size_t last = 0;
  forEachMatch(c, subject, global_, [&](const PCRE2_SIZE* ov) {
    // "$`" and "$'" copy up to the whole subject per match: the result can outgrow memory.
    automation::checkStringSize(out.size() + subject.size());
    out.append(subject.substr(last, ov[0] - last));
    auto group = [&](size_t g) {
      if (ov[2 * g] != PCRE2_UNSET)
        out.append(subject.substr(ov[2 * g], ov[2 * g + 1] - ov[2 * g]));
    };
    const std::string_view r = replacement;
    for (size_t i = 0; i < r.size(); ++i) {
      if (r[i] != '$' || i + 1 >= r.size()) {
        out += r[i];
        continue;
      }
      const char d = r[i + 1];
      if (d == '$') {
        out += '$';
        ++i;
      } else if (d == '&') {
        group(0);
        ++i;
      } else if (d == '`') {
        out.append(subject.substr(0, ov[0]));
        ++i;
      } else if (d == '\'') {
        out.append(subject.substr(ov[1]));
        ++i;
      } else if (isDigit(d)) {
        // Two digits when they name a group, else one; "$0" and unknown groups stay text.
        size_t n1 = static_cast<size_t>(d - '0');
        if (i + 2 < r.size() && isDigit(r[i + 2])) {
          size_t n2 = n1 * 10 + static_cast<size_t>(r[i + 2] - '0');
          if (n2 >= 1 && n2 <= c.groups) {
            group(n2);
            i += 2;
            continue;
          }
        }
        if (n1 >= 1 && n1 <= c.groups) {
          group(n1);
          ++i;
        } else {
          out += '$';
        }
      } else {
        out += '$';
      }
    }
    last = ov[1];
    return true;
  });
  out.append(subject.substr(last));
  return out;
}

} // namespace quillet::platform::regexp
