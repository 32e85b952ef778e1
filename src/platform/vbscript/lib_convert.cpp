// Conversion, number, math, array and type-information functions. The conversion rules
// themselves live in the automation layer; these functions add VB's subtype preservation
// (Fix, Int, Abs, Round keep the subtype of their argument) and Null propagation.
#include <bit>
#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>

#include "platform/automation/context.h"
#include "platform/automation/object.h"
#include "platform/vbscript/lib_common.h"

namespace quillet::platform::vbscript::lib {
namespace {

using am::Variant;
using am::VarType;

Variant fnCBool(BuiltinCall& c) {
  return Variant(am::CBool(value(c, 0)));
}
Variant fnCByte(BuiltinCall& c) {
  Variant v = value(c, 0);
  // True is all bits set, which as a Byte is 255.
  if (v.type() == VarType::Boolean) return Variant(static_cast<uint8_t>(v.asBool() ? 255 : 0));
  return Variant(am::CByte(v));
}
Variant fnCCur(BuiltinCall& c) {
  return Variant(am::CCur(value(c, 0)));
}
Variant fnCDate(BuiltinCall& c) {
  Variant v = value(c, 0);
  if (v.isString()) {
    // Text that is no date but a number is read as the number of days: CDate("1").
    if (!am::parseDate(v.asString(), callLocale(c)))
      if (auto n = am::parseNumber(v.asString())) return Variant(am::CDate(Variant(*n)));
  }
  return Variant(am::CDate(v));
}
Variant fnCDbl(BuiltinCall& c) {
  return Variant(am::CDbl(value(c, 0)));
}
Variant fnCInt(BuiltinCall& c) {
  return Variant(am::CInt(value(c, 0)));
}
Variant fnCLng(BuiltinCall& c) {
  return Variant(am::CLng(value(c, 0)));
}
Variant fnCSng(BuiltinCall& c) {
  return Variant(am::CSng(value(c, 0)));
}
Variant fnCStr(BuiltinCall& c) {
  return Variant(am::CStr(value(c, 0)));
}

// Hex and Oct show Integer-sized values (Integer, Byte, Boolean) in 16 bits and everything
// else, rounded to a Long, in 32 bits: Hex(-1) is "FFFF", Hex(-1&) "FFFFFFFF".
Variant radixText(BuiltinCall& c, int bitsPerDigit) {
  Variant v = value(c, 0);
  if (v.isNull()) return Variant::null();
  uint32_t bits;
  switch (v.type()) {
  case VarType::Integer:
    bits = static_cast<uint16_t>(v.asInteger());
    break;
  case VarType::Byte:
    bits = v.asByte();
    break;
  case VarType::Boolean:
    bits = v.asBool() ? 0xFFFFu : 0u;
    break;
  default:
    bits = static_cast<uint32_t>(am::CLng(v));
    break;
  }
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  uint32_t mask = (1u << bitsPerDigit) - 1;
  do {
    out.insert(out.begin(), digits[bits & mask]);
    bits >>= bitsPerDigit;
  } while (bits != 0);
  return Variant(std::move(out));
}
Variant fnHex(BuiltinCall& c) {
  return radixText(c, 4);
}
Variant fnOct(BuiltinCall& c) {
  return radixText(c, 3);
}

// Applies a whole-number operation keeping the argument's subtype.
template <class F> Variant wholeKeepingType(const Variant& v, F op) {
  switch (v.type()) {
  case VarType::Null:
    return Variant::null();
  case VarType::Empty:
    return Variant(int16_t{0});
  case VarType::Boolean:
    return Variant(static_cast<int16_t>(v.asBool() ? -1 : 0));
  case VarType::Byte:
  case VarType::Integer:
  case VarType::Long:
    return v;
  case VarType::Single:
    return Variant(static_cast<float>(op(static_cast<double>(v.asSingle()))));
  case VarType::Double:
    return Variant(op(v.asDouble()));
  case VarType::Currency: {
    double whole = op(v.asCurrency().toDouble());
    return Variant(am::Currency{static_cast<int64_t>(whole) * am::Currency::kScale});
  }
  case VarType::Date:
    return Variant::fromDate(op(v.asDate().serial));
  default:
    return Variant(op(am::toNumber(v)));
  }
}

Variant fnFix(BuiltinCall& c) {
  return wholeKeepingType(value(c, 0), [](double x) { return std::trunc(x); });
}
Variant fnInt(BuiltinCall& c) {
  return wholeKeepingType(value(c, 0), [](double x) { return std::floor(x); });
}

double roundTo(double x, int digits) {
  if (digits == 0) return am::roundHalfEven(x);
  double scale = std::pow(10.0, digits);
  double y = x * scale;
  if (!std::isfinite(y)) return x;
  return am::roundHalfEven(y) / scale;
}

Variant fnRound(BuiltinCall& c) {
  Variant v = value(c, 0);
  int32_t digits = optLong(c, 1, 0);
  if (digits < 0) invalidCall();
  switch (v.type()) {
  case VarType::Null:
    return Variant::null();
  case VarType::Empty:
    return Variant(int16_t{0});
  case VarType::Boolean:
  case VarType::Byte:
  case VarType::Integer:
  case VarType::Long:
    return v;
  case VarType::Single:
    return Variant(static_cast<float>(roundTo(static_cast<double>(v.asSingle()), digits)));
  case VarType::Currency: {
    if (digits >= 4) return v;
    int64_t step = 1;
    for (int i = digits; i < 4; ++i)
      step *= 10;
    double units = am::roundHalfEven(static_cast<double>(v.asCurrency().scaled) / step);
    return Variant(am::Currency{static_cast<int64_t>(units) * step});
  }
  default:
    return Variant(roundTo(am::toNumber(v), digits));
  }
}

Variant fnAbs(BuiltinCall& c) {
  Variant v = value(c, 0);
  switch (v.type()) {
  case VarType::Null:
    return Variant::null();
  case VarType::Empty:
    return Variant(int16_t{0});
  case VarType::Boolean:
    return Variant(static_cast<int16_t>(v.asBool() ? 1 : 0));
  case VarType::Byte:
    return v;
  case VarType::Integer:
    if (v.asInteger() == INT16_MIN) return Variant(int32_t{32768});
    return Variant(static_cast<int16_t>(std::abs(v.asInteger())));
  case VarType::Long:
    if (v.asLong() == INT32_MIN) return Variant(2147483648.0);
    return Variant(std::abs(v.asLong()));
  case VarType::Single:
    return Variant(std::fabs(v.asSingle()));
  case VarType::Currency:
    return Variant(am::Currency{std::abs(v.asCurrency().scaled)});
  default:
    return Variant(std::fabs(am::toNumber(v)));
  }
}

Variant fnSgn(BuiltinCall& c) {
  Variant v = value(c, 0);
  double x = am::toNumber(v);
  return Variant(static_cast<int16_t>(x > 0 ? 1 : x < 0 ? -1 : 0));
}

template <double (*F)(double)> Variant math(BuiltinCall& c) {
  Variant v = value(c, 0);
  if (v.isNull()) return Variant::null();
  return Variant(F(am::toNumber(v)));
}
double atnOf(double x) {
  return std::atan(x);
}
double cosOf(double x) {
  return std::cos(x);
}
double sinOf(double x) {
  return std::sin(x);
}
double tanOf(double x) {
  return std::tan(x);
}
double expOf(double x) {
  double r = std::exp(x);
  if (!std::isfinite(r)) am::raise(am::err::kOverflow);
  return r;
}
double logOf(double x) {
  if (x <= 0) invalidCall();
  return std::log(x);
}
double sqrOf(double x) {
  if (x < 0) invalidCall();
  return std::sqrt(x);
}

// VB's random number generator: a 24-bit linear congruential sequence, per script thread.
struct RandomState {
  uint32_t seed = 327680;
};

RandomState& randomState() {
  return am::Context::current().shared<RandomState>();
}

double secondsSinceMidnight() {
  auto now = std::chrono::system_clock::now();
  std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm tm{};
  localtime_r(&t, &tm);
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
  return tm.tm_hour * 3600.0 + tm.tm_min * 60.0 + tm.tm_sec + ms.count() / 1000.0;
}

Variant fnRnd(BuiltinCall& c) {
  RandomState& st = randomState();
  if (c.has(0)) {
    float n = am::CSng(value(c, 0));
    if (n == 0) return Variant(static_cast<float>(st.seed / 16777216.0));
    if (n < 0) {
      uint32_t bits = std::bit_cast<uint32_t>(n);
      st.seed = (bits + (bits >> 24)) & 0xFFFFFF;
    }
  }
  st.seed = (st.seed * 1140671485u + 12820163u) & 0xFFFFFF;
  return Variant(static_cast<float>(st.seed / 16777216.0));
}

Variant fnRandomize(BuiltinCall& c) {
  double n = c.has(0) ? am::CDbl(value(c, 0)) : secondsSinceMidnight();
  uint64_t bits = std::bit_cast<uint64_t>(n);
  uint32_t high = static_cast<uint32_t>(bits >> 32);
  uint32_t mixed = (high ^ (high >> 16)) & 0xFFFF;
  RandomState& st = randomState();
  st.seed = (st.seed & 0xFF0000FFu) | (mixed << 8);
  st.seed &= 0xFFFFFF;
  return Variant();
}

// --- Arrays ---------------------------------------------------------------------------------

Variant fnArray(BuiltinCall& c) {
  std::vector<Variant> values;
  values.reserve(c.count());
  for (size_t i = 0; i < c.count(); ++i)
    values.push_back(c.arg(i));
  return Variant(am::SafeArray::fromValues(std::move(values)));
}

const am::SafeArray::Bound& boundOf(BuiltinCall& c) {
  const Variant& v = c.arg(0);
  if (!v.isArray()) am::raise(am::err::kTypeMismatch);
  int32_t dim = optLong(c, 1, 1);
  const am::SafeArray& a = v.asArray();
  if (dim < 1 || dim > a.dimensions()) am::raise(am::err::kSubscriptOutOfRange);
  return a.bound(dim);
}
Variant fnLBound(BuiltinCall& c) {
  return Variant(boundOf(c).lower);
}
Variant fnUBound(BuiltinCall& c) {
  return Variant(boundOf(c).upper());
}
Variant fnIsArray(BuiltinCall& c) {
  return Variant(c.arg(0).isArray());
}

// --- Type information -----------------------------------------------------------------------

Variant fnIsEmpty(BuiltinCall& c) {
  return Variant(c.arg(0).isEmpty());
}
Variant fnIsNull(BuiltinCall& c) {
  return Variant(c.arg(0).isNull());
}
Variant fnIsObject(BuiltinCall& c) {
  return Variant(c.arg(0).isObject());
}

bool isNumericValue(const Variant& v, const am::Locale& loc) {
  switch (v.type()) {
  case VarType::Empty:
  case VarType::Boolean:
  case VarType::Byte:
  case VarType::Integer:
  case VarType::Long:
  case VarType::Single:
  case VarType::Double:
  case VarType::Currency:
    return true;
  case VarType::String:
    return am::parseNumber(v.asString(), loc).has_value();
  case VarType::Object:
    if (v.isNothing()) return false;
    try {
      return isNumericValue(am::valueOf(v), loc);
    } catch (const am::Error&) {
      return false;
    }
  default:
    return false;
  }
}
Variant fnIsNumeric(BuiltinCall& c) {
  return Variant(isNumericValue(c.arg(0), callLocale(c)));
}

Variant fnVarType(BuiltinCall& c) {
  return Variant(static_cast<int16_t>(c.arg(0).varType()));
}

std::string typeNameOf(const Variant& v) {
  switch (v.type()) {
  case VarType::Empty:
    return "Empty";
  case VarType::Null:
    return "Null";
  case VarType::Integer:
    return "Integer";
  case VarType::Long:
    return "Long";
  case VarType::Single:
    return "Single";
  case VarType::Double:
    return "Double";
  case VarType::Currency:
    return "Currency";
  case VarType::Date:
    return "Date";
  case VarType::String:
    return "String";
  case VarType::Object:
    return v.isNothing() ? "Nothing" : v.asObject()->typeName();
  case VarType::Error:
    return "Error";
  case VarType::Boolean:
    return "Boolean";
  case VarType::Byte:
    return "Byte";
  case VarType::Array:
    return "Variant()";
  default:
    return "Unknown";
  }
}
Variant fnTypeName(BuiltinCall& c) {
  return Variant(typeNameOf(c.arg(0)));
}

const Builtin kConversionBuiltins[] = {
    {"CBool", 1, 1, fnCBool, kValueOnly},
    {"CByte", 1, 1, fnCByte, kValueOnly},
    {"CCur", 1, 1, fnCCur, kValueOnly},
    {"CDate", 1, 1, fnCDate, kValueOnly},
    {"CDbl", 1, 1, fnCDbl, kValueOnly},
    {"CInt", 1, 1, fnCInt, kValueOnly},
    {"CLng", 1, 1, fnCLng, kValueOnly},
    {"CSng", 1, 1, fnCSng, kValueOnly},
    {"CStr", 1, 1, fnCStr, kValueOnly},
    {"Hex", 1, 1, fnHex},
    {"Oct", 1, 1, fnOct},
    {"Fix", 1, 1, fnFix},
    {"Int", 1, 1, fnInt},
    {"Round", 1, 2, fnRound},
    {"Abs", 1, 1, fnAbs},
    {"Sgn", 1, 1, fnSgn},
    {"Atn", 1, 1, math<atnOf>},
    {"Cos", 1, 1, math<cosOf>},
    {"Sin", 1, 1, math<sinOf>},
    {"Tan", 1, 1, math<tanOf>},
    {"Exp", 1, 1, math<expOf>},
    {"Log", 1, 1, math<logOf>},
    {"Sqr", 1, 1, math<sqrOf>},
    {"Rnd", 0, 1, fnRnd},
    {"Randomize", 0, 1, fnRandomize, kStatementOnly},
    {"Array", 0, -1, fnArray},
    {"LBound", 1, 2, fnLBound},
    {"UBound", 1, 2, fnUBound},
    {"IsArray", 1, 1, fnIsArray},
    {"IsEmpty", 1, 1, fnIsEmpty},
    {"IsNull", 1, 1, fnIsNull},
    {"IsObject", 1, 1, fnIsObject},
    {"IsNumeric", 1, 1, fnIsNumeric},
    {"VarType", 1, 1, fnVarType},
    {"TypeName", 1, 1, fnTypeName},
};

} // namespace

std::span<const Builtin> conversionBuiltins() {
  return kConversionBuiltins;
}

double timerSeconds() {
  return secondsSinceMidnight();
}

} // namespace quillet::platform::vbscript::lib
