#pragma once
// The error raised across every automation boundary: a VB error number, its text and the
// component that raised it. Script code sees these through the Err object.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quillet::platform::automation {

namespace err {
// The numbers callers test for; the texts live in standardMessage().
inline constexpr int32_t kReturnWithoutGoSub = 3;
inline constexpr int32_t kInvalidProcedureCall = 5;
inline constexpr int32_t kOverflow = 6;
inline constexpr int32_t kOutOfMemory = 7;
inline constexpr int32_t kSubscriptOutOfRange = 9;
inline constexpr int32_t kArrayFixedOrLocked = 10;
inline constexpr int32_t kDivisionByZero = 11;
inline constexpr int32_t kTypeMismatch = 13;
inline constexpr int32_t kOutOfStringSpace = 14;
inline constexpr int32_t kOutOfStackSpace = 28;
inline constexpr int32_t kSubNotDefined = 35;
inline constexpr int32_t kInternalError = 51;
inline constexpr int32_t kBadFileNameOrNumber = 52;
inline constexpr int32_t kFileNotFound = 53;
inline constexpr int32_t kBadFileMode = 54;
inline constexpr int32_t kFileAlreadyOpen = 55;
inline constexpr int32_t kDeviceIoError = 57;
inline constexpr int32_t kFileAlreadyExists = 58;
inline constexpr int32_t kDiskFull = 61;
inline constexpr int32_t kInputPastEndOfFile = 62;
inline constexpr int32_t kPermissionDenied = 70;
inline constexpr int32_t kPathFileAccessError = 75;
inline constexpr int32_t kPathNotFound = 76;
inline constexpr int32_t kObjectNotSet = 91;
inline constexpr int32_t kForLoopNotInitialized = 92;
inline constexpr int32_t kInvalidUseOfNull = 94;
inline constexpr int32_t kObjectRequired = 424;
inline constexpr int32_t kCannotCreateObject = 429;
inline constexpr int32_t kNoAutomation = 430;
inline constexpr int32_t kClassNameNotFound = 432;
inline constexpr int32_t kNoSuchMember = 438;
inline constexpr int32_t kAutomationError = 440;
inline constexpr int32_t kActionNotSupported = 445;
inline constexpr int32_t kNamedArgsNotSupported = 446;
inline constexpr int32_t kArgumentNotOptional = 449;
inline constexpr int32_t kWrongArgumentCount = 450;
inline constexpr int32_t kNotACollection = 451;
inline constexpr int32_t kDuplicateKey = 457;
inline constexpr int32_t kUnsupportedType = 458;
inline constexpr int32_t kVariableUndefined = 500;
inline constexpr int32_t kIllegalAssignment = 501;
inline constexpr int32_t kClassNotDefined = 506;
inline constexpr int32_t kExceptionOccurred = 507;
inline constexpr int32_t kElementNotFound = 32811;
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
