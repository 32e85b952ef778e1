#include "platform/data/sql_text.h"

#include <cctype>

#include "platform/text/casefold.h"

namespace quillet::platform::data {

bool SqlToken::isWord(std::string_view upper) const {
  if (kind != Word || text.size() != upper.size()) return false;
  for (size_t i = 0; i < text.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(text[i])) != upper[i]) return false;
  return true;
}

std::vector<SqlToken> tokenizeSql(std::string_view s) {
  std::vector<SqlToken> out;
  size_t i = 0;
  const size_t n = s.size();
  auto isWordChar = [](unsigned char c) {
    return std::isalnum(c) || c == '_' || c == '$' || c == '#' || c == '@' || c >= 0x80;
  };
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (std::isspace(c)) {
      ++i;
      continue;
    }
    if (c == '-' && i + 1 < n && s[i + 1] == '-') {
      while (i < n && s[i] != '\n')
        ++i;
      continue;
    }
    if (c == '/' && i + 1 < n && s[i + 1] == '*') {
      size_t end = s.find("*/", i + 2);
      i = end == std::string_view::npos ? n : end + 2;
      continue;
    }
    size_t start = i;
    if (c == '[' || c == '"' || c == '`' || c == '\'') {
      char close = c == '[' ? ']' : static_cast<char>(c);
      std::string value;
      ++i;
      while (i < n) {
        if (s[i] == close) {
          if (i + 1 < n && s[i + 1] == close && close != ']') {
            value += close;
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        value += s[i++];
      }
      out.push_back({c == '\'' ? SqlToken::String : SqlToken::QuotedName, value, start, i - start});
      continue;
    }
    if (std::isdigit(c) ||
        (c == '.' && i + 1 < n && std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
      while (i < n && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '.'))
        ++i;
      out.push_back({SqlToken::Number, std::string(s.substr(start, i - start)), start, i - start});
      continue;
    }
    if (isWordChar(c)) {
      while (i < n && isWordChar(static_cast<unsigned char>(s[i])))
        ++i;
      out.push_back({SqlToken::Word, std::string(s.substr(start, i - start)), start, i - start});
      continue;
    }
    // Two-character operators stay together.
    if (i + 1 < n) {
      std::string_view two = s.substr(i, 2);
      if (two == "<>" || two == "<=" || two == ">=" || two == "!=" || two == "||" || two == "::" ||
          two == ":=") {
        out.push_back({SqlToken::Symbol, std::string(two), start, 2});
        i += 2;
        continue;
      }
    }
    out.push_back({SqlToken::Symbol, std::string(1, static_cast<char>(c)), start, 1});
    ++i;
  }
  return out;
}

namespace {

size_t firstWordIndex(const std::vector<SqlToken>& t) {
  size_t i = 0;
  while (i < t.size() && t[i].isSymbol('('))
    ++i;
  return i;
}

} // namespace

std::string readOnlyViolation(std::string_view sql) {
  auto t = tokenizeSql(sql);
  // One statement: a ";" may only end the text.
  for (size_t i = 0; i < t.size(); ++i)
    if (t[i].isSymbol(';')) {
      for (size_t k = i + 1; k < t.size(); ++k)
        if (!t[k].isSymbol(';')) return "more than one statement: " + firstWords(sql);
      t.resize(i);
      break;
    }
  size_t f = firstWordIndex(t);
  if (f >= t.size()) return "the statement is empty";
  const SqlToken& w = t[f];
  bool select = w.isWord("SELECT");
  bool with = w.isWord("WITH");
  bool pragma = w.isWord("PRAGMA");
  if (!(select || with || pragma || w.isWord("SHOW") || w.isWord("VALUES") ||
        w.isWord("DESCRIBE") || w.isWord("DESC")))
    return "only statements that read (SELECT, SHOW...) are allowed: " + firstWords(sql);
  // PRAGMA name(argument) assigns as "=" does, except for the pragmas that take a table or
  // an index to describe.
  if (pragma && f + 2 < t.size() && (t[f + 2].isSymbol('(') || t[f + 2].isSymbol('.'))) {
    size_t name = t[f + 2].isSymbol('.') ? f + 3 : f + 1;
    static const char* const kDescribing[] = {"TABLE_INFO",       "TABLE_XINFO", "INDEX_LIST",
                                              "INDEX_INFO",       "INDEX_XINFO", "FOREIGN_KEY_LIST",
                                              "FOREIGN_KEY_CHECK"};
    bool describing = false;
    for (const char* d : kDescribing)
      describing = describing || (name < t.size() && t[name].isWord(d));
    bool hasArgument = false;
    for (size_t i = name + 1; i < t.size(); ++i)
      hasArgument = hasArgument || t[i].isSymbol('(') || t[i].isSymbol('=');
    if (hasArgument && !describing)
      return "a PRAGMA with a value changes the database: " + firstWords(sql);
  }
  for (size_t i = f + 1; i < t.size(); ++i) {
    if (pragma && t[i].isSymbol('='))
      return "a PRAGMA assignment changes the database: " + firstWords(sql);
    // Loads native code into the server process (SQLite).
    if (t[i].isWord("LOAD_EXTENSION") && i + 1 < t.size() && t[i + 1].isSymbol('('))
      return "loading an extension is not allowed: " + firstWords(sql);
    if ((select || with) && t[i].isWord("INTO"))
      return "SELECT ... INTO writes data: " + firstWords(sql);
    if (with && (t[i].isWord("INSERT") || t[i].isWord("UPDATE") || t[i].isWord("DELETE") ||
                 t[i].isWord("MERGE")))
      return "the statement changes data: " + firstWords(sql);
  }
  return {};
}

bool isQueryText(std::string_view sql) {
  auto t = tokenizeSql(sql);
  size_t f = firstWordIndex(t);
  return f < t.size() && (t[f].isWord("SELECT") || t[f].isWord("WITH") || t[f].isWord("VALUES"));
}

std::string firstWords(std::string_view sql, size_t maxChars) {
  std::string out;
  bool blank = false;
  for (char c : sql) {
    if (std::isspace(static_cast<unsigned char>(c))) {
      blank = !out.empty();
      continue;
    }
    if (blank) out += ' ';
    blank = false;
    out += c;
    if (out.size() >= maxChars) {
      out += "...";
      break;
    }
  }
  return out;
}

} // namespace quillet::platform::data
