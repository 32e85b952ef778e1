#pragma once
// Lexical handling of SQL text shared by the backends and the SELECT analyser: tokens with
// the quoting of every dialect ([..], "..", `..`, '..'), comments, and the read-only test.
#include <string>
#include <string_view>
#include <vector>

namespace quillet::platform::data {

struct SqlToken {
  enum Kind { Word, QuotedName, String, Number, Symbol } kind;
  std::string text;  // unquoted name for QuotedName, value for String, else as written
  size_t offset = 0; // position in the source text
  size_t length = 0; // length in the source text
  bool isWord(std::string_view upper) const;
  bool isSymbol(char c) const { return kind == Symbol && text.size() == 1 && text[0] == c; }
  bool isName() const { return kind == Word || kind == QuotedName; }
};

// Splits SQL text into tokens; comments and blanks are dropped. An unterminated quote or
// comment runs to the end of the text.
std::vector<SqlToken> tokenizeSql(std::string_view sql);

// Why a statement must not run on a read-only catalogue connection, or "" when it may: one
// statement only, beginning with SELECT, WITH, SHOW, VALUES, DESCRIBE or PRAGMA (without
// an assignment), no SELECT ... INTO, no data-changing statement inside WITH.
std::string readOnlyViolation(std::string_view sql);

// True for a query: SELECT, WITH or VALUES (after opening parentheses).
bool isQueryText(std::string_view sql);

// The first words of a statement, for messages.
std::string firstWords(std::string_view sql, size_t maxChars = 60);

} // namespace quillet::platform::data
