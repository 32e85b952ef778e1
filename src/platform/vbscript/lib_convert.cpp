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

// A C* function: the conversion of its argument as a Variant of the result type.
template <class T, int32_t (*Convert)(const Variant&, T&)> Variant converted(BuiltinCall& c) {
  T out{};
  // A plain argument converts where it is; only an object needs its default value read.
  const Variant& a = c.arg(0);
  int32_t e = c.has(0) && !a.isObject() ? Convert(a, out) : Convert(value(c, 0), out);
  if (e) return c.fail(e);
  return Variant(std::move(out));
}

Variant fnCByte(BuiltinCall& c) {
  Variant v = value(c, 0);
  // True is all bits set, which as a Byte is 255.
  if (v.type() == VarType::Boolean) return Variant(static_cast<uint8_t>(v.asBool() ? 255 : 0));
  uint8_t out;
  if (int32_t e = am::tryCByte(v, out)) return c.fail(e);
  return Variant(out);
}
Variant fnCDate(BuiltinCall& c) {
  Variant v = value(c, 0);
  if (v.isString()) {
    // Text that is no date but a number is read as the number of days: CDate("1").
    if (!am::parseDate(v.asString(), callLocale(c))) {
      double n;
      int32_t e = am::tryParseNumber(v.asString(), am::currentLocale(), n);
      if (e == am::err::kOverflow) return c.fail(e);
      if (e == 0) v = Variant(n);
    }
  }
  am::DateTime out{};
  if (int32_t e = am::tryCDate(v, out)) return c.fail(e);
  return Variant(out);
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
  default: {
    int32_t n;
    if (int32_t e = am::tryCLng(v, n)) return c.fail(e);
    bits = static_cast<uint32_t>(n);
    break;
  }
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
template <class F> Variant wholeKeepingType(BuiltinCall& c, const Variant& v, F op) {
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
  default: {
    double x;
    if (int32_t e = am::tryCDbl(v, x)) return c.fail(e);
    return Variant(op(x));
  }
  }
}

Variant fnFix(BuiltinCall& c) {
  return wholeKeepingType(c, value(c, 0), [](double x) { return std::trunc(x); });
}
Variant fnInt(BuiltinCall& c) {
  return wholeKeepingType(c, value(c, 0), [](double x) { return std::floor(x); });
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
  if (c.failed()) return {};
  if (digits < 0) return invalidCall(c);
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
  default: {
    double x;
    if (int32_t e = am::tryCDbl(v, x)) return c.fail(e);
    return Variant(roundTo(x, digits));
  }
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
  default: {
    double x;
    if (int32_t e = am::tryCDbl(v, x)) return c.fail(e);
    return Variant(std::fabs(x));
  }
  }
}

Variant fnSgn(BuiltinCall& c) {
  double x;
  if (int32_t e = am::tryCDbl(value(c, 0), x)) return c.fail(e);
  return Variant(static_cast<int16_t>(x > 0 ? 1 : x < 0 ? -1 : 0));
}

// A math function: 0 and its value in `out`, or the number of the error it raises.
template <int32_t (*F)(double, double&)> Variant math(BuiltinCall& c) {
  Variant v = value(c, 0);
  if (v.isNull()) return Variant::null();
  double x, r;
  if (int32_t e = am::tryCDbl(v, x)) return c.fail(e);
  if (int32_t e = F(x, r)) return c.fail(e);
  return Variant(r);
}
// The functions defined for every number.
template <double (*G)(double)> int32_t everywhere(double x, double& r) {
  r = G(x);
  return 0;
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
int32_t expOf(double x, double& r) {
  r = std::exp(x);
  return std::isfinite(r) ? 0 : am::err::kOverflow;
}
int32_t logOf(double x, double& r) {
  if (x <= 0) return am::err::kInvalidProcedureCall;
  r = std::log(x);
  return 0;
}
int32_t sqrOf(double x, double& r) {
  if (x < 0) return am::err::kInvalidProcedureCall;
  r = std::sqrt(x);
  return 0;
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
    float n;
    if (int32_t e = am::tryCSng(value(c, 0), n)) return c.fail(e);
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
  double n = secondsSinceMidnight();
  if (c.has(0))
    if (int32_t e = am::tryCDbl(value(c, 0), n)) return c.fail(e);
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

// The bounds of the dimension an LBound or UBound asks for, or null with the error recorded.
const am::SafeArray::Bound* boundOf(BuiltinCall& c) {
  const Variant& v = c.arg(0);
  if (!v.isArray()) return c.fail(am::err::kTypeMismatch), nullptr;
  int32_t dim = optLong(c, 1, 1);
  if (c.failed()) return nullptr;
  const am::SafeArray& a = v.asArray();
  if (dim < 1 || dim > a.dimensions()) return c.fail(am::err::kSubscriptOutOfRange), nullptr;
  return &a.bound(dim);
}
Variant fnLBound(BuiltinCall& c) {
  const am::SafeArray::Bound* b = boundOf(c);
  return b ? Variant(b->lower) : Variant();
}
Variant fnUBound(BuiltinCall& c) {
  const am::SafeArray::Bound* b = boundOf(c);
  return b ? Variant(b->upper()) : Variant();
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
    {"CBool", 1, 1, converted<bool, am::tryCBool>, kValueOnly},
    {"CByte", 1, 1, fnCByte, kValueOnly},
    {"CCur", 1, 1, converted<am::Currency, am::tryCCur>, kValueOnly},
    {"CDate", 1, 1, fnCDate, kValueOnly},
    {"CDbl", 1, 1, converted<double, am::tryCDbl>, kValueOnly},
    {"CInt", 1, 1, converted<int16_t, am::tryCInt>, kValueOnly},
    {"CLng", 1, 1, converted<int32_t, am::tryCLng>, kValueOnly},
    {"CSng", 1, 1, converted<float, am::tryCSng>, kValueOnly},
    {"CStr", 1, 1, converted<std::string, am::tryCStr>, kValueOnly},
    {"Hex", 1, 1, fnHex},
    {"Oct", 1, 1, fnOct},
    {"Fix", 1, 1, fnFix},
    {"Int", 1, 1, fnInt},
    {"Round", 1, 2, fnRound},
    {"Abs", 1, 1, fnAbs},
    {"Sgn", 1, 1, fnSgn},
    {"Atn", 1, 1, math<everywhere<atnOf>>},
    {"Cos", 1, 1, math<everywhere<cosOf>>},
    {"Sin", 1, 1, math<everywhere<sinOf>>},
    {"Tan", 1, 1, math<everywhere<tanOf>>},
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
