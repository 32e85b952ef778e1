// FormatNumber, FormatCurrency, FormatPercent and FormatDateTime. Numbers are rounded half
// away from zero on their 15 significant decimal digits, the way the formatting functions
// round (unlike Round and CInt, which round half to even).
#include <charconv>
#include <cmath>

#include "platform/automation/object.h"
#include "platform/vbscript/lib_common.h"

namespace quillet::platform::vbscript::lib {
namespace {

using am::Variant;

struct NumberText {
  std::string whole; // digits before the decimal separator, without grouping
  std::string fraction;
  bool negative = false;
};

// `x` is finite.
NumberText roundDecimal(double x, int digits) {
  NumberText t;
  t.negative = std::signbit(x);
  double a = std::fabs(x);
  if (a == 0) {
    t.whole = "0";
    t.fraction.assign(static_cast<size_t>(digits), '0');
    t.negative = false;
    return t;
  }
  // Fifteen significant digits, correctly rounded (ties to even, as printf's %.14e gives
  // them) without going through printf's arbitrary-precision arithmetic.
  char buf[32];
  char* end = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, 14).ptr;
  std::string mant;
  const char* p = buf;
  for (; p != end && *p != 'e'; ++p)
    if (*p != '.') mant += *p;
  int exp = 0;
  std::from_chars(p + 1 + (p[1] == '+'), end, exp);
  // mant holds 15 digits; the value is 0.mant * 10^(exp + 1).
  int intDigits = exp + 1;
  int keep = intDigits + digits;
  if (keep < 0) {
    mant = "0";
    intDigits = 1;
  } else if (keep < static_cast<int>(mant.size())) {
    bool up = mant[static_cast<size_t>(keep)] >= '5';
    mant.resize(static_cast<size_t>(keep));
    if (up) {
      int i = keep - 1;
      for (; i >= 0; --i) {
        if (mant[static_cast<size_t>(i)] == '9')
          mant[static_cast<size_t>(i)] = '0';
        else {
          ++mant[static_cast<size_t>(i)];
          break;
        }
      }
      if (i < 0) {
        mant.insert(mant.begin(), '1');
        ++intDigits;
      }
    }
  }
  // Spread the digits over the whole and fractional parts.
  for (int i = 0; i < intDigits; ++i)
    t.whole += i < static_cast<int>(mant.size()) ? mant[static_cast<size_t>(i)] : '0';
  for (int i = 0; i < digits; ++i) {
    int at = intDigits + i;
    t.fraction +=
        at >= 0 && at < static_cast<int>(mant.size()) ? mant[static_cast<size_t>(at)] : '0';
  }
  if (t.whole.empty()) t.whole = "0";
  size_t nz = t.whole.find_first_not_of('0');
  t.whole = nz == std::string::npos ? "0" : t.whole.substr(nz);
  if (t.whole == "0" && t.fraction.find_first_not_of('0') == std::string::npos) t.negative = false;
  return t;
}

struct NumberStyle {
  int digits = 2;
  bool leading = true;
  bool parens = false;
  bool group = true;
};

// The digits with grouping and the decimal separator, without sign.
std::string digitsText(const NumberText& t, const NumberStyle& st, const am::Locale& loc) {
  std::string whole = t.whole;
  if (st.group && whole.size() > 3) {
    std::string g;
    size_t first = whole.size() % 3 == 0 ? 3 : whole.size() % 3;
    g = whole.substr(0, first);
    for (size_t i = first; i < whole.size(); i += 3)
      g += loc.group + whole.substr(i, 3);
    whole = g;
  }
  if (!st.leading && whole == "0" && !t.fraction.empty()) whole.clear();
  if (t.fraction.empty()) return whole;
  return whole + loc.decimal + t.fraction;
}

NumberStyle styleArgs(BuiltinCall& c, bool parensDefault) {
  NumberStyle st;
  int32_t d = optLong(c, 1, -1);
  if (!c.failed() && (d < -1 || d > 99)) invalidCall(c);
  st.digits = d == -1 ? 2 : d;
  st.leading = tristateArg(c, 2, true);
  st.parens = tristateArg(c, 3, parensDefault);
  st.group = tristateArg(c, 4, true);
  return st;
}

std::string signed_(const NumberText& t, const NumberStyle& st, std::string body) {
  if (!t.negative) return body;
  return st.parens ? "(" + body + ")" : "-" + body;
}

// The number to format (argument 0 times `scale`), or false with the error recorded.
bool formatArgs(BuiltinCall& c, double scale, bool parensDefault, NumberStyle& st, double& x) {
  st = styleArgs(c, parensDefault);
  if (c.failed()) return false;
  x = numArg(c, 0) * scale;
  if (c.failed()) return false;
  if (!std::isfinite(x)) return c.fail(am::err::kOverflow), false;
  return true;
}

Variant fnFormatNumber(BuiltinCall& c) {
  const am::Locale& loc = callLocale(c);
  NumberStyle st;
  double x;
  if (!formatArgs(c, 1.0, false, st, x)) return {};
  NumberText t = roundDecimal(x, st.digits);
  return Variant(signed_(t, st, digitsText(t, st, loc)));
}

Variant fnFormatPercent(BuiltinCall& c) {
  const am::Locale& loc = callLocale(c);
  NumberStyle st;
  double x;
  if (!formatArgs(c, 100.0, false, st, x)) return {};
  NumberText t = roundDecimal(x, st.digits);
  return Variant(signed_(t, st, digitsText(t, st, loc) + "%"));
}

Variant fnFormatCurrency(BuiltinCall& c) {
  const am::Locale& loc = callLocale(c);
  NumberStyle st;
  double x;
  if (!formatArgs(c, 1.0, loc.currencyNegativeParens, st, x)) return {};
  NumberText t = roundDecimal(x, st.digits);
  std::string body = digitsText(t, st, loc);
  std::string space = loc.currencySpace ? " " : "";
  body = loc.currencyBefore ? loc.currencySymbol + space + body : body + space + loc.currencySymbol;
  return Variant(signed_(t, st, body));
}

Variant fnFormatDateTime(BuiltinCall& c) {
  const am::Locale& loc = callLocale(c);
  int32_t kind = optLong(c, 1, 0);
  if (c.failed()) return {};
  am::DateTime date{};
  if (int32_t e = am::tryCDate(value(c, 0), date)) return c.fail(e);
  double serial = date.serial;
  switch (kind) {
  case 0:
    return Variant(am::formatDate(serial, loc));
  case 1:
    return Variant(longDateText(serial, loc));
  case 2:
    return Variant(shortDateText(serial, loc));
  case 3:
    return Variant(longTimeText(serial, loc));
  case 4:
    return Variant(shortTimeText(serial, loc));
  default:
    return invalidCall(c);
  }
}

const Builtin kFormatBuiltins[] = {
    {"FormatNumber", 1, 5, fnFormatNumber},
    {"FormatCurrency", 1, 5, fnFormatCurrency},
    {"FormatPercent", 1, 5, fnFormatPercent},
    {"FormatDateTime", 1, 2, fnFormatDateTime},
};

} // namespace

std::span<const Builtin> formatBuiltins() {
  return kFormatBuiltins;
}

} // namespace quillet::platform::vbscript::lib
