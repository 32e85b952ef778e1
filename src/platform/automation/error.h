#pragma once
// The error raised across every automation boundary: a VB error number, its text and the
// component that raised it. Script code sees these through the Err object.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quillet::platform::automation {

// Every standard error once: its constant, number and text (standardMessage()).
#define QUILLET_STANDARD_ERRORS(X)                                                                 \
  X(kReturnWithoutGoSub, 3, "Return without GoSub")                                                \
  X(kInvalidProcedureCall, 5, "Invalid procedure call or argument")                                \
  X(kOverflow, 6, "Overflow")                                                                      \
  X(kOutOfMemory, 7, "Out of memory")                                                              \
  X(kSubscriptOutOfRange, 9, "Subscript out of range")                                             \
  X(kArrayFixedOrLocked, 10, "This array is fixed or temporarily locked")                          \
  X(kDivisionByZero, 11, "Division by zero")                                                       \
  X(kTypeMismatch, 13, "Type mismatch")                                                            \
  X(kOutOfStringSpace, 14, "Out of string space")                                                  \
  X(kCannotPerformOperation, 17, "Can't perform requested operation")                              \
  X(kOutOfStackSpace, 28, "Out of stack space")                                                    \
  X(kSubNotDefined, 35, "Sub or Function not defined")                                             \
  X(kErrorLoadingDll, 48, "Error in loading DLL")                                                  \
  X(kInternalError, 51, "Internal error")                                                          \
  X(kBadFileNameOrNumber, 52, "Bad file name or number")                                           \
  X(kFileNotFound, 53, "File not found")                                                           \
  X(kBadFileMode, 54, "Bad file mode")                                                             \
  X(kFileAlreadyOpen, 55, "File already open")                                                     \
  X(kDeviceIoError, 57, "Device I/O error")                                                        \
  X(kFileAlreadyExists, 58, "File already exists")                                                 \
  X(kDiskFull, 61, "Disk full")                                                                    \
  X(kInputPastEndOfFile, 62, "Input past end of file")                                             \
  X(kTooManyFiles, 67, "Too many files")                                                           \
  X(kDeviceUnavailable, 68, "Device unavailable")                                                  \
  X(kPermissionDenied, 70, "Permission denied")                                                    \
  X(kDiskNotReady, 71, "Disk not ready")                                                           \
  X(kCannotRenameAcrossDrives, 74, "Can't rename with different drive")                            \
  X(kPathFileAccessError, 75, "Path/File access error")                                            \
  X(kPathNotFound, 76, "Path not found")                                                           \
  X(kObjectNotSet, 91, "Object variable not set")                                                  \
  X(kForLoopNotInitialized, 92, "For loop not initialized")                                        \
  X(kInvalidUseOfNull, 94, "Invalid use of Null")                                                  \
  X(kCannotCreateTempFile, 322, "Can't create necessary temporary file")                           \
  X(kObjectRequired, 424, "Object required")                                                       \
  X(kCannotCreateObject, 429, "ActiveX component can't create object")                             \
  X(kNoAutomation, 430, "Class doesn't support Automation")                                        \
  X(kClassNameNotFound, 432, "File name or class name not found during Automation operation")      \
  X(kNoSuchMember, 438, "Object doesn't support this property or method")                          \
  X(kAutomationError, 440, "Automation error")                                                     \
  X(kActionNotSupported, 445, "Object doesn't support this action")                                \
  X(kNamedArgsNotSupported, 446, "Object doesn't support named arguments")                         \
  X(kLocaleNotSupported, 447, "Object doesn't support current locale setting")                     \
  X(kNamedArgumentNotFound, 448, "Named argument not found")                                       \
  X(kArgumentNotOptional, 449, "Argument not optional")                                            \
  X(kWrongArgumentCount, 450, "Wrong number of arguments or invalid property assignment")          \
  X(kNotACollection, 451, "Object not a collection")                                               \
  X(kDllFunctionNotFound, 453, "Specified DLL function not found")                                 \
  X(kDuplicateKey, 457, "This key is already associated with an element of this collection")       \
  X(kUnsupportedType, 458, "Variable uses an Automation type not supported in VBScript")           \
  X(kRemoteServerUnavailable, 462, "The remote server machine does not exist or is unavailable")   \
  X(kVariableUndefined, 500, "Variable is undefined")                                              \
  X(kIllegalAssignment, 501, "Illegal assignment")                                                 \
  X(kNotSafeForScripting, 502, "Object not safe for scripting")                                    \
  X(kNotSafeForInitializing, 503, "Object not safe for initializing")                              \
  X(kNotSafeForCreating, 504, "Object not safe for creating")                                      \
  X(kInvalidReference, 505, "Invalid or unqualified reference")                                    \
  X(kClassNotDefined, 506, "Class not defined")                                                    \
  X(kExceptionOccurred, 507, "An exception occurred")                                              \
  X(kRegExpObjectExpected, 5016, "Regular Expression object expected")                             \
  X(kRegExpSyntaxError, 5017, "Syntax error in regular expression")                                \
  X(kUnexpectedQuantifier, 5018, "Unexpected quantifier")                                          \
  X(kExpectedBracketInRegExp, 5019, "Expected ']' in regular expression")                          \
  X(kExpectedParenInRegExp, 5020, "Expected ')' in regular expression")                            \
  X(kInvalidRangeInCharSet, 5021, "Invalid range in character set")                                \
  X(kElementNotFound, 32811, "Element not found")

namespace err {
#define QUILLET_STANDARD_ERROR_NUMBER(name, number, text) inline constexpr int32_t name = number;
QUILLET_STANDARD_ERRORS(QUILLET_STANDARD_ERROR_NUMBER)
#undef QUILLET_STANDARD_ERROR_NUMBER
} // namespace err

// The standard text for a VB/VBScript error number ("Type mismatch"), or an empty text for
// numbers that have none.
std::string standardMessage(int32_t number);

class Error : public std::exception {
public:
  // An empty description takes the standard text of the number.
  explicit Error(int32_t number, std::string description = {}, std::string source = {});

  int32_t number() const noexcept { return number_; }
  const std::string& description() const noexcept { return description_; }
  const std::string& source() const noexcept { return source_; }
  void setSource(std::string source) { source_ = std::move(source); }
  const char* what() const noexcept override { return description_.c_str(); }

private:
  int32_t number_;
  std::string description_;
  std::string source_;
};

[[noreturn]] void raise(int32_t number, std::string description = {}, std::string source = {});

} // namespace quillet::platform::automation
