#pragma once
// Splits script text into tokens with their line (from 1) and column (from 0). Line
// continuations are joined, comments dropped, and `:` and line ends both become statement
// separators. Keywords are recognised without regard to case; their text is kept so that a
// keyword after `.` can serve as a member name.
#include <string>
#include <string_view>
#include <vector>

#include "platform/automation/variant.h"

namespace quillet::platform::vbscript {

enum class Tok : uint8_t {
  End,     // end of text
  Newline, // line end or ':'
  Ident,
  Number, // value holds the Integer, Long or Double
  String,
  Date,
  // punctuation and operators
  LParen,
  RParen,
  Comma,
  Dot,
  Amp,
  Plus,
  Minus,
  Star,
  Slash,
  Backslash,
  Caret,
  Eq,
  Ne,
  Lt,
  Le,
  Gt,
  Ge,
  // keywords
  KwAnd,
  KwByRef,
  KwByVal,
  KwCall,
  KwCase,
  KwClass,
  KwConst,
  KwDim,
  KwDo,
  KwEach,
  KwElse,
  KwElseIf,
  KwEmpty,
  KwEnd,
  KwEqv,
  KwErase,
  KwExit,
  KwFalse,
  KwFor,
  KwFunction,
  KwIf,
  KwImp,
  KwIn,
  KwIs,
  KwLet,
  KwLoop,
  KwMe,
  KwMod,
  KwNew,
  KwNext,
  KwNot,
  KwNothing,
  KwNull,
  KwOn,
  KwOption,
  KwOr,
  KwPrivate,
  KwProperty,
  KwPublic,
  KwReDim,
  KwSelect,
  KwSet,
  KwStop,
  KwSub,
  KwThen,
  KwTo,
  KwTrue,
  KwUntil,
  KwWend,
  KwWhile,
  KwWith,
  KwXor,
};

struct Token {
  Tok kind = Tok::End;
  int line = 1;
  int col = 0;
  bool spaceBefore = false;  // blank (or a continuation) right before the token
  bool colonFirst = false;   // a separator run that starts with ':'
  std::string text;          // identifier, keyword or string contents
  automation::Variant value; // numbers and dates
};

// Tokenizes a whole chunk; throws CompileError on a bad character, number or string.
std::vector<Token> tokenize(std::string_view source);

// The text of line `line` (from 1) of the chunk, for error reports.
std::string sourceLine(std::string_view source, int line);

bool isKeyword(Tok t);

} // namespace quillet::platform::vbscript
