#pragma once
// Shared helpers of the function library: character-counted UTF-8 access, argument
// conversion with VB's rules, and the per-group function tables that builtins.cpp joins.
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/automation/convert.h"
#include "platform/automation/error.h"
#include "platform/automation/locale.h"
#include "platform/automation/operators.h"
#include "platform/vbscript/builtins.h"

namespace quillet::platform::vbscript::lib {

namespace am = quillet::platform::automation;

// --- UTF-8 text measured in characters (code points) -------------------------------------
size_t charLen(std::string_view s);
// Byte offset of character `chars` (clamped to the end).
size_t byteOffset(std::string_view s, size_t chars);
// Character index of a byte offset that lies on a character boundary.
size_t charIndex(std::string_view s, size_t bytes);
// Whether the text is all ASCII, so that character positions are byte positions.
bool isAsciiText(std::string_view s);
// The same for a String value, remembered on the value (the caller's variable when the
// argument was passed by reference) while its text is unchanged, so a loop of searches in
// one long text does not scan it again.
bool asciiText(const am::Variant& v);
// Code points; a byte that is no valid UTF-8 becomes U+DC00+byte and is restored by
// fromU32, so the round trip never loses data.
std::u32string toU32(std::string_view s);
std::string fromU32(std::u32string_view s);
void appendUtf8(std::string& out, char32_t c);
// Simple (length-keeping) case folding per code point, so indices match the original text.
std::u32string foldU32(std::string_view s);
// The character a code of the ANSI code page (windows-1252) stands for, and back
// (63 "?" for characters it lacks).
char32_t fromAnsi(uint8_t code);
int ansiOf(char32_t c);

// --- Arguments ------------------------------------------------------------------------------
// The readers that convert record a failed conversion in the call (BuiltinCall::fail) and
// return a neutral value: a function checks `c.failed()` before it uses what it read.
// The locale the script runs under.
const am::Locale& callLocale(const BuiltinCall& call);
// An argument that is missing counts as absent; Null is reported separately.
inline bool isNull(const BuiltinCall& call, size_t i) {
  return call.has(i) && call.arg(i).isNull();
}
// The value of an argument with objects read through their default member.
am::Variant value(const BuiltinCall& call, size_t i);
std::string strArg(BuiltinCall& call, size_t i);
// True when no argument from `from` to `to` is an object: reading them runs no script code,
// so a reference to a text argument stays valid while the function works.
bool plainArgs(const BuiltinCall& call, size_t from, size_t to);
// The text of an argument: the argument's own string, without a copy, when it is text and
// `plain` (see plainArgs); otherwise its conversion, kept in `hold`.
std::string_view textArg(BuiltinCall& call, size_t i, std::string& hold, bool plain);
int32_t longArg(BuiltinCall& call, size_t i);
double numArg(BuiltinCall& call, size_t i);
// An optional Long argument: `fallback` when omitted.
int32_t optLong(BuiltinCall& call, size_t i, int32_t fallback);
// vbBinaryCompare / vbTextCompare (vbDatabaseCompare reads as text); error 5 otherwise.
am::CompareMode compareArg(BuiltinCall& call, size_t i,
                           am::CompareMode fallback = am::CompareMode::Binary);
// A Tristate argument (vbTrue -1, vbFalse 0, vbUseDefault -2) resolved against a default.
bool tristateArg(BuiltinCall& call, size_t i, bool fallback);
// Error 5, recorded in the call.
inline am::Variant invalidCall(BuiltinCall& call) {
  return call.fail(am::err::kInvalidProcedureCall);
}

// --- Dates shared by the date and formatting groups -----------------------------------------
// Whole day number and seconds into the day of a serial (negative serials carry their time
// as a positive fraction), and back.
struct DayTime {
  int64_t day = 0;
  double seconds = 0;
};
DayTime splitSerial(double serial);
double joinSerial(int64_t day, double seconds);
std::string shortDateText(double serial, const am::Locale& loc);
std::string longDateText(double serial, const am::Locale& loc);
std::string longTimeText(double serial, const am::Locale& loc);
std::string shortTimeText(double serial, const am::Locale& loc);
// Seconds since local midnight, with milliseconds.
double timerSeconds();

// --- Groups of functions ----------------------------------------------------------------------
std::span<const Builtin> stringBuiltins();
std::span<const Builtin> conversionBuiltins();
std::span<const Builtin> dateBuiltins();
std::span<const Builtin> formatBuiltins();
std::span<const Builtin> miscBuiltins();

} // namespace quillet::platform::vbscript::lib
