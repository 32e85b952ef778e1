#pragma once
// Compile errors of the script language: numbers 1001-1058 with their standard texts, and the
// exception that carries one with its place in the code chunk.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace quillet::platform::vbscript {

namespace cerr {
inline constexpr int32_t kOutOfMemory = 1001;
inline constexpr int32_t kSyntaxError = 1002;
inline constexpr int32_t kExpectedColon = 1003;
inline constexpr int32_t kExpectedLParen = 1005;
inline constexpr int32_t kExpectedRParen = 1006;
inline constexpr int32_t kExpectedRBracket = 1007;
inline constexpr int32_t kExpectedIdentifier = 1010;
inline constexpr int32_t kExpectedEqual = 1011;
inline constexpr int32_t kExpectedIf = 1012;
inline constexpr int32_t kExpectedTo = 1013;
inline constexpr int32_t kExpectedEnd = 1014;
inline constexpr int32_t kExpectedFunction = 1015;
inline constexpr int32_t kExpectedSub = 1016;
inline constexpr int32_t kExpectedThen = 1017;
inline constexpr int32_t kExpectedWend = 1018;
inline constexpr int32_t kExpectedLoop = 1019;
inline constexpr int32_t kExpectedNext = 1020;
inline constexpr int32_t kExpectedCase = 1021;
inline constexpr int32_t kExpectedSelect = 1022;
inline constexpr int32_t kExpectedExpression = 1023;
inline constexpr int32_t kExpectedStatement = 1024;
inline constexpr int32_t kExpectedEndOfStatement = 1025;
inline constexpr int32_t kExpectedIntegerConstant = 1026;
inline constexpr int32_t kExpectedWhileOrUntil = 1027;
inline constexpr int32_t kExpectedWhileUntilOrEnd = 1028;
inline constexpr int32_t kExpectedWith = 1029;
inline constexpr int32_t kIdentifierTooLong = 1030;
inline constexpr int32_t kInvalidNumber = 1031;
inline constexpr int32_t kInvalidCharacter = 1032;
inline constexpr int32_t kUnterminatedString = 1033;
inline constexpr int32_t kUnterminatedComment = 1034;
inline constexpr int32_t kInvalidUseOfMe = 1037;
inline constexpr int32_t kLoopWithoutDo = 1038;
inline constexpr int32_t kInvalidExit = 1039;
inline constexpr int32_t kInvalidForControl = 1040;
inline constexpr int32_t kNameRedefined = 1041;
inline constexpr int32_t kMustBeFirstStatement = 1042;
inline constexpr int32_t kCannotAssignToNonByVal = 1043;
inline constexpr int32_t kCannotUseParens = 1044;
inline constexpr int32_t kExpectedLiteralConstant = 1045;
inline constexpr int32_t kExpectedIn = 1046;
inline constexpr int32_t kExpectedClass = 1047;
inline constexpr int32_t kMustBeInsideClass = 1048;
inline constexpr int32_t kExpectedLetSetGet = 1049;
inline constexpr int32_t kExpectedProperty = 1050;
inline constexpr int32_t kInconsistentArgCount = 1051;
inline constexpr int32_t kMultipleDefault = 1052;
inline constexpr int32_t kClassInitNoArgs = 1053;
inline constexpr int32_t kPropertyLetSetNeedsArg = 1054;
inline constexpr int32_t kUnexpectedNext = 1055;
inline constexpr int32_t kDefaultOnProperty = 1056;
inline constexpr int32_t kDefaultMustBePublic = 1057;
inline constexpr int32_t kDefaultOnlyOnGet = 1058;
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
