#pragma once
// Compile errors of the script language: numbers 1001-1058 with their standard texts, and the
// exception that carries one with its place in the code chunk.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace quillet::platform::vbscript {

// Every compile error once: its constant, number and standard text.
#define QUILLET_COMPILE_ERRORS(X)                                                                  \
  X(kOutOfMemory, 1001, "Out of memory")                                                           \
  X(kSyntaxError, 1002, "Syntax error")                                                            \
  X(kExpectedColon, 1003, "Expected ':'")                                                          \
  X(kExpectedLParen, 1005, "Expected '('")                                                         \
  X(kExpectedRParen, 1006, "Expected ')'")                                                         \
  X(kExpectedRBracket, 1007, "Expected ']'")                                                       \
  X(kExpectedIdentifier, 1010, "Expected identifier")                                              \
  X(kExpectedEqual, 1011, "Expected '='")                                                          \
  X(kExpectedIf, 1012, "Expected 'If'")                                                            \
  X(kExpectedTo, 1013, "Expected 'To'")                                                            \
  X(kExpectedEnd, 1014, "Expected 'End'")                                                          \
  X(kExpectedFunction, 1015, "Expected 'Function'")                                                \
  X(kExpectedSub, 1016, "Expected 'Sub'")                                                          \
  X(kExpectedThen, 1017, "Expected 'Then'")                                                        \
  X(kExpectedWend, 1018, "Expected 'Wend'")                                                        \
  X(kExpectedLoop, 1019, "Expected 'Loop'")                                                        \
  X(kExpectedNext, 1020, "Expected 'Next'")                                                        \
  X(kExpectedCase, 1021, "Expected 'Case'")                                                        \
  X(kExpectedSelect, 1022, "Expected 'Select'")                                                    \
  X(kExpectedExpression, 1023, "Expected expression")                                              \
  X(kExpectedStatement, 1024, "Expected statement")                                                \
  X(kExpectedEndOfStatement, 1025, "Expected end of statement")                                    \
  X(kExpectedIntegerConstant, 1026, "Expected integer constant")                                   \
  X(kExpectedWhileOrUntil, 1027, "Expected 'While' or 'Until'")                                    \
  X(kExpectedWhileUntilOrEnd, 1028, "Expected 'While', 'Until' or end of statement")               \
  X(kExpectedWith, 1029, "Expected 'With'")                                                        \
  X(kIdentifierTooLong, 1030, "Identifier too long")                                               \
  X(kInvalidNumber, 1031, "Invalid number")                                                        \
  X(kInvalidCharacter, 1032, "Invalid character")                                                  \
  X(kUnterminatedString, 1033, "Unterminated string constant")                                     \
  X(kUnterminatedComment, 1034, "Unterminated comment")                                            \
  X(kInvalidUseOfMe, 1037, "Invalid use of 'Me' keyword")                                          \
  X(kLoopWithoutDo, 1038, "'loop' without 'do'")                                                   \
  X(kInvalidExit, 1039, "Invalid 'exit' statement")                                                \
  X(kInvalidForControl, 1040, "Invalid 'for' loop control variable")                               \
  X(kNameRedefined, 1041, "Name redefined")                                                        \
  X(kMustBeFirstStatement, 1042, "Must be first statement on the line")                            \
  X(kCannotAssignToNonByVal, 1043, "Cannot assign to non-ByVal argument")                          \
  X(kCannotUseParens, 1044, "Cannot use parentheses when calling a Sub")                           \
  X(kExpectedLiteralConstant, 1045, "Expected literal constant")                                   \
  X(kExpectedIn, 1046, "Expected 'In'")                                                            \
  X(kExpectedClass, 1047, "Expected 'Class'")                                                      \
  X(kMustBeInsideClass, 1048, "Must be defined inside a Class")                                    \
  X(kExpectedLetSetGet, 1049, "Expected Let or Set or Get in property declaration")                \
  X(kExpectedProperty, 1050, "Expected 'Property'")                                                \
  X(kInconsistentArgCount, 1051,                                                                   \
    "Number of arguments must be consistent across properties specification")                      \
  X(kMultipleDefault, 1052, "Cannot have multiple default property/method in a Class")             \
  X(kClassInitNoArgs, 1053, "Class initialize or terminate do not have arguments")                 \
  X(kPropertyLetSetNeedsArg, 1054, "Property set or let must have at least one argument")          \
  X(kUnexpectedNext, 1055, "Unexpected 'Next'")                                                    \
  X(kDefaultOnProperty, 1056,                                                                      \
    "'Default' can be specified only on 'Property' or 'Function' or 'Sub'")                        \
  X(kDefaultMustBePublic, 1057, "'Default' specification must also specify 'Public'")              \
  X(kDefaultOnlyOnGet, 1058, "'Default' specification can only be on Property Get")

namespace cerr {
#define QUILLET_COMPILE_ERROR_NUMBER(name, number, text) inline constexpr int32_t name = number;
QUILLET_COMPILE_ERRORS(QUILLET_COMPILE_ERROR_NUMBER)
#undef QUILLET_COMPILE_ERROR_NUMBER
} // namespace cerr

// The standard text of a compile error number, or an empty text.
std::string compileErrorMessage(int32_t number);

// A compile error with its 1-based line and 0-based column within the code chunk, and the
// text of the offending line.
class CompileError : public std::runtime_error {
public:
  CompileError(int32_t number, int line, int column, std::string lineText)
      : std::runtime_error(compileErrorMessage(number)), number_(number), line_(line),
        column_(column), lineText_(std::move(lineText)) {}
  int32_t number() const { return number_; }
  int line() const { return line_; }
  int column() const { return column_; }
  const std::string& lineText() const { return lineText_; }

private:
  int32_t number_;
  int line_;
  int column_;
  std::string lineText_;
};

} // namespace quillet::platform::vbscript
