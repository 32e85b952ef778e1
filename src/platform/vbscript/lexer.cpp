#include "platform/vbscript/lexer.h"

#include <cmath>
#include <cstring>

#include "platform/automation/convert.h"
#include "platform/automation/locale.h"
#include "platform/vbscript/compile_errors.h"

namespace quillet::platform::vbscript {

using automation::Variant;

namespace {

struct KeywordEntry {
  const char* name;
  Tok tok;
};

constexpr KeywordEntry kKeywords[] = {
    {"and", Tok::KwAnd},         {"byref", Tok::KwByRef},
    {"byval", Tok::KwByVal},     {"call", Tok::KwCall},
    {"case", Tok::KwCase},       {"class", Tok::KwClass},
    {"const", Tok::KwConst},     {"dim", Tok::KwDim},
    {"do", Tok::KwDo},           {"each", Tok::KwEach},
    {"else", Tok::KwElse},       {"elseif", Tok::KwElseIf},
    {"empty", Tok::KwEmpty},     {"end", Tok::KwEnd},
    {"eqv", Tok::KwEqv},         {"erase", Tok::KwErase},
    {"exit", Tok::KwExit},       {"false", Tok::KwFalse},
    {"for", Tok::KwFor},         {"function", Tok::KwFunction},
    {"if", Tok::KwIf},           {"imp", Tok::KwImp},
    {"in", Tok::KwIn},           {"is", Tok::KwIs},
    {"let", Tok::KwLet},         {"loop", Tok::KwLoop},
    {"me", Tok::KwMe},           {"mod", Tok::KwMod},
    {"new", Tok::KwNew},         {"next", Tok::KwNext},
    {"not", Tok::KwNot},         {"nothing", Tok::KwNothing},
    {"null", Tok::KwNull},       {"on", Tok::KwOn},
    {"option", Tok::KwOption},   {"or", Tok::KwOr},
    {"private", Tok::KwPrivate}, {"property", Tok::KwProperty},
    {"public", Tok::KwPublic},   {"redim", Tok::KwReDim},
    {"select", Tok::KwSelect},   {"set", Tok::KwSet},
    {"stop", Tok::KwStop},       {"sub", Tok::KwSub},
    {"then", Tok::KwThen},       {"to", Tok::KwTo},
    {"true", Tok::KwTrue},       {"until", Tok::KwUntil},
    {"wend", Tok::KwWend},       {"while", Tok::KwWhile},
    {"with", Tok::KwWith},       {"xor", Tok::KwXor},
};

// The keyword a lower-cased word is, or Tok::Ident.
Tok keywordOf(std::string_view lower) {
  for (const auto& k : kKeywords)
    if (lower == k.name) return k.tok;
  return Tok::Ident;
}

bool isIdentStart(unsigned char c) {
  return std::isalpha(c) || c >= 0x80;
}
bool isIdentChar(unsigned char c) {
  return std::isalnum(c) || c == '_' || c >= 0x80;
}

class Lexer {
public:
  explicit Lexer(std::string_view src) : s_(src) {}

  std::vector<Token> run() {
    std::vector<Token> out;
    bool space = false;
    while (true) {
      // blanks and continuations
      if (pos_ < s_.size()) {
        char c = s_[pos_];
        if (c == ' ' || c == '\t' || c == '\f' || c == '\v') {
          ++pos_;
          space = true;
          continue;
        }
        if (c == '_' && continuationFollows()) {
          space = true;
          continue;
        }
      }
      Token t;
      t.line = line_;
      t.col = static_cast<int>(pos_ - lineStart_);
      t.spaceBefore = space;
      space = false;
      if (pos_ >= s_.size()) {
        t.kind = Tok::End;
        out.push_back(std::move(t));
        break;
      }
      char c = s_[pos_];
      if (c == '\r' || c == '\n') {
        newline();
        t.kind = Tok::Newline;
        t.text = "\n";
        pushSeparator(out, std::move(t));
        continue;
      }
      if (c == ':') {
        ++pos_;
        t.kind = Tok::Newline;
        t.text = ":";
        t.colonFirst = true;
        pushSeparator(out, std::move(t));
        continue;
      }
      if (c == '\'') {
        skipComment();
        continue;
      }
      if (c == '"') {
        lexString(t);
      } else if (std::isdigit(static_cast<unsigned char>(c)) ||
                 (c == '.' && pos_ + 1 < s_.size() &&
                  std::isdigit(static_cast<unsigned char>(s_[pos_ + 1])))) {
        lexNumber(t);
      } else if (c == '&' && pos_ + 1 < s_.size() &&
                 (s_[pos_ + 1] == 'h' || s_[pos_ + 1] == 'H' || s_[pos_ + 1] == 'o' ||
                  s_[pos_ + 1] == 'O' || std::isdigit(static_cast<unsigned char>(s_[pos_ + 1])))) {
        if (!lexRadix(t)) {
          ++pos_;
          t.kind = Tok::Amp;
        }
      } else if (c == '#') {
        lexDate(t);
      } else if (c == '[') {
        size_t end = s_.find_first_of("]\r\n", pos_ + 1);
        if (end == std::string_view::npos || s_[end] != ']') fail(cerr::kExpectedRBracket, t);
        t.kind = Tok::Ident;
        t.text = std::string(s_.substr(pos_ + 1, end - pos_ - 1));
        pos_ = end + 1;
      } else if (isIdentStart(static_cast<unsigned char>(c))) {
        size_t start = pos_;
        while (pos_ < s_.size() && isIdentChar(static_cast<unsigned char>(s_[pos_])))
          ++pos_;
        t.text = std::string(s_.substr(start, pos_ - start));
        if (t.text.size() > 255) fail(cerr::kIdentifierTooLong, t);
        std::string lower = t.text;
        for (char& ch : lower)
          ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        // After a dot every word names a member, `rem` included.
        bool member = !out.empty() && out.back().kind == Tok::Dot;
        if (member) {
          t.kind = Tok::Ident;
        } else if (lower == "rem") {
          skipComment();
          continue;
        } else {
          t.kind = keywordOf(lower);
        }
      } else {
        lexOperator(t);
      }
      out.push_back(std::move(t));
    }
    return out;
  }

private:
  [[noreturn]] void fail(int32_t number, const Token& t) {
    throw CompileError(number, t.line, t.col, sourceLine(s_, t.line));
  }

  void pushSeparator(std::vector<Token>& out, Token t) {
    // A run of separators is one: the parser never needs empty statements.
    if (!out.empty() && out.back().kind == Tok::Newline) {
      // keep the first one's place; a real line end among them makes the run a line end
      if (t.text == "\n") out.back().text = "\n";
      return;
    }
    if (out.empty()) return; // leading separators carry nothing
    out.push_back(std::move(t));
  }

  void newline() {
    if (s_[pos_] == '\r' && pos_ + 1 < s_.size() && s_[pos_ + 1] == '\n') ++pos_;
    ++pos_;
    ++line_;
    lineStart_ = pos_;
  }

  // `_` followed by blanks and a line end joins the next line to this one.
  bool continuationFollows() {
    size_t p = pos_ + 1;
    while (p < s_.size() && (s_[p] == ' ' || s_[p] == '\t'))
      ++p;
    if (p < s_.size() && (s_[p] == '\r' || s_[p] == '\n')) {
      pos_ = p;
      newline();
      return true;
    }
    return false;
  }

  void skipComment() {
    while (pos_ < s_.size() && s_[pos_] != '\r' && s_[pos_] != '\n')
      ++pos_;
  }

  void lexString(Token& t) {
    ++pos_;
    std::string v;
    while (true) {
      if (pos_ >= s_.size() || s_[pos_] == '\r' || s_[pos_] == '\n')
        fail(cerr::kUnterminatedString, t);
      char c = s_[pos_++];
      if (c == '"') {
        if (pos_ < s_.size() && s_[pos_] == '"') {
          v.push_back('"');
          ++pos_;
          continue;
        }
        break;
      }
      v.push_back(c);
    }
    t.kind = Tok::String;
    t.text = std::move(v);
  }

  void lexNumber(Token& t) {
    size_t start = pos_;
    bool isFloat = false;
    while (pos_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_])))
      ++pos_;
    if (pos_ < s_.size() && s_[pos_] == '.') {
      isFloat = true;
      ++pos_;
      while (pos_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_])))
        ++pos_;
    }
    if (pos_ < s_.size() && (s_[pos_] == 'e' || s_[pos_] == 'E')) {
      size_t p = pos_ + 1;
      if (p < s_.size() && (s_[p] == '+' || s_[p] == '-')) ++p;
      if (p < s_.size() && std::isdigit(static_cast<unsigned char>(s_[p]))) {
        isFloat = true;
        pos_ = p;
        while (pos_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_])))
          ++pos_;
      } else {
        fail(cerr::kInvalidNumber, t);
      }
    }
    // A keyword may follow without a blank (`1or 2`); any other word may not.
    if (pos_ < s_.size() && isIdentStart(static_cast<unsigned char>(s_[pos_])) &&
        keywordOf(lowerWordAt(pos_)) == Tok::Ident)
      fail(cerr::kExpectedEndOfStatement, t);
    std::string text(s_.substr(start, pos_ - start));
    double d = std::strtod(text.c_str(), nullptr);
    t.kind = Tok::Number;
    if (!isFloat && d <= 32767)
      t.value = Variant(static_cast<int16_t>(d));
    else if (!isFloat && d <= 2147483647.0)
      t.value = Variant(static_cast<int32_t>(d));
    else {
      if (!std::isfinite(d)) fail(cerr::kInvalidNumber, t);
      t.value = Variant(d);
    }
  }

  // A `&H`/`&O` number; false (nothing consumed) when the text is a concatenation instead,
  // as in `a &hdr`.
  bool lexRadix(Token& t) {
    size_t start = pos_;
    ++pos_; // &
    int base = 8;
    if (s_[pos_] == 'h' || s_[pos_] == 'H') {
      base = 16;
      ++pos_;
    } else if (s_[pos_] == 'o' || s_[pos_] == 'O') {
      ++pos_;
    }
    uint64_t v = 0;
    int digits = 0;
    while (pos_ < s_.size()) {
      int d;
      char c = s_[pos_];
      if (c >= '0' && c <= '9')
        d = c - '0';
      else if (base == 16 && c >= 'a' && c <= 'f')
        d = c - 'a' + 10;
      else if (base == 16 && c >= 'A' && c <= 'F')
        d = c - 'A' + 10;
      else
        break;
      if (d >= base) {
        pos_ = start;
        return false;
      }
      v = v * base + d;
      if (v > 0xFFFFFFFFull) fail(cerr::kInvalidNumber, t);
      ++digits;
      ++pos_;
    }
    if (digits > 0 && pos_ < s_.size() && isIdentChar(static_cast<unsigned char>(s_[pos_]))) {
      // Digits run into a word: a keyword written against the number (`&h01or&h02`) ends
      // it, even when the keyword's first letters are hex digits themselves (`&h01and`).
      size_t digitsStart = pos_ - static_cast<size_t>(digits);
      size_t wordEnd = pos_;
      while (wordEnd < s_.size() && isIdentChar(static_cast<unsigned char>(s_[wordEnd])))
        ++wordEnd;
      size_t cut = pos_;
      while (cut > digitsStart &&
             keywordOf(lowerAscii(s_.substr(cut, wordEnd - cut))) == Tok::Ident)
        --cut;
      if (cut == digitsStart) {
        pos_ = start;
        return false;
      }
      v = 0;
      for (size_t i = digitsStart; i < cut; ++i) {
        char c = static_cast<char>(std::tolower(static_cast<unsigned char>(s_[i])));
        v = v * base + static_cast<uint64_t>(c <= '9' ? c - '0' : c - 'a' + 10);
      }
      pos_ = cut;
    } else if (digits == 0) {
      pos_ = start;
      return false;
    }
    bool longMark = pos_ < s_.size() && s_[pos_] == '&';
    if (longMark) ++pos_;
    t.kind = Tok::Number;
    // Four digits or fewer without the Long mark read as 16 bits (so &HFFFF is -1); the
    // value then takes the smallest of Integer and Long that holds it.
    int32_t value = !longMark && v <= 0xFFFF ? static_cast<int16_t>(static_cast<uint16_t>(v))
                                             : static_cast<int32_t>(static_cast<uint32_t>(v));
    if (value >= -32768 && value <= 32767)
      t.value = Variant(static_cast<int16_t>(value));
    else
      t.value = Variant(value);
    return true;
  }

  std::string lowerWordAt(size_t p) const {
    size_t e = p;
    while (e < s_.size() && isIdentChar(static_cast<unsigned char>(s_[e])))
      ++e;
    return lowerAscii(s_.substr(p, e - p));
  }

  static std::string lowerAscii(std::string_view w) {
    std::string r(w);
    for (char& ch : r)
      ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return r;
  }

  void lexDate(Token& t) {
    size_t end = s_.find_first_of("#\r\n", pos_ + 1);
    if (end == std::string_view::npos || s_[end] != '#') fail(cerr::kSyntaxError, t);
    std::string_view body = s_.substr(pos_ + 1, end - pos_ - 1);
    // Date literals are always read the US way, whatever the locale.
    const automation::Locale* us = automation::Locale::byLcid(1033);
    automation::Locale fallback;
    auto d = automation::parseDate(body, us ? *us : fallback);
    if (!d) fail(cerr::kSyntaxError, t);
    t.kind = Tok::Date;
    t.value = Variant::fromDate(*d);
    pos_ = end + 1;
  }

  void lexOperator(Token& t) {
    char c = s_[pos_++];
    auto next = [&](char want) {
      if (pos_ < s_.size() && s_[pos_] == want) {
        ++pos_;
        return true;
      }
      return false;
    };
    switch (c) {
    case '(':
      t.kind = Tok::LParen;
      break;
    case ')':
      t.kind = Tok::RParen;
      break;
    case ',':
      t.kind = Tok::Comma;
      break;
    case '.':
      t.kind = Tok::Dot;
      break;
    case '&':
      t.kind = Tok::Amp;
      break;
    case '+':
      t.kind = Tok::Plus;
      break;
    case '-':
      t.kind = Tok::Minus;
      break;
    case '*':
      t.kind = Tok::Star;
      break;
    case '/':
      t.kind = Tok::Slash;
      break;
    case '\\':
      t.kind = Tok::Backslash;
      break;
    case '^':
      t.kind = Tok::Caret;
      break;
    case '=':
      // `=>` and `=<` are accepted spellings of >= and <=.
      if (next('>'))
        t.kind = Tok::Ge;
      else if (next('<'))
        t.kind = Tok::Le;
      else
        t.kind = Tok::Eq;
      break;
    case '<':
      if (next('>'))
        t.kind = Tok::Ne;
      else if (next('='))
        t.kind = Tok::Le;
      else
        t.kind = Tok::Lt;
      break;
    case '>':
      if (next('='))
        t.kind = Tok::Ge;
      else if (next('<'))
        t.kind = Tok::Ne;
      else
        t.kind = Tok::Gt;
      break;
    default:
      --pos_;
      fail(cerr::kInvalidCharacter, t);
    }
  }

  std::string_view s_;
  size_t pos_ = 0;
  int line_ = 1;
  size_t lineStart_ = 0;
};

} // namespace

std::vector<Token> tokenize(std::string_view source) {
  // A UTF-8 byte-order mark is no part of the code (columns then count from after it).
  if (source.substr(0, 3) == "\xEF\xBB\xBF") source.remove_prefix(3);
  return Lexer(source).run();
}

std::string sourceLine(std::string_view source, int line) {
  size_t pos = 0;
  for (int l = 1; l < line; ++l) {
    size_t nl = source.find_first_of("\r\n", pos);
    if (nl == std::string_view::npos) return {};
    if (source[nl] == '\r' && nl + 1 < source.size() && source[nl + 1] == '\n') ++nl;
    pos = nl + 1;
  }
  size_t end = source.find_first_of("\r\n", pos);
  if (end == std::string_view::npos) end = source.size();
  return std::string(source.substr(pos, end - pos));
}

bool isKeyword(Tok t) {
  return t >= Tok::KwAnd;
}

} // namespace quillet::platform::vbscript
