#include "platform/automation/operators.h"

#include <cmath>
#include <limits>

#include "platform/automation/convert.h"
#include "platform/automation/error.h"
#include "platform/automation/limits.h"
#include "platform/automation/object.h"
#include "platform/text/casefold.h"

namespace quillet::platform::automation {
namespace {

// An operand read for an operator: objects replaced by their default value.
struct Operand {
  Variant holder;
  const Variant* v;
  explicit Operand(const Variant& d) {
    if (d.type() == VarType::Object) {
      if (d.isNothing()) raise(err::kObjectNotSet);
      holder = valueOf(d);
      v = &holder;
    } else {
      v = &d;
    }
  }
  const Variant& operator*() const { return *v; }
  const Variant* operator->() const { return v; }
};

// Precision ranks for arithmetic results.
enum Rank { RByte = 1, RInteger, RLong, RSingle, RCurrency, RDouble, RDate, RString };

Rank rankOf(const Variant& v) {
  switch (v.type()) {
  case VarType::Byte:
    return RByte;
  case VarType::Empty:
  case VarType::Boolean:
  case VarType::Integer:
    return RInteger;
  case VarType::Long:
    return RLong;
  case VarType::Single:
    return RSingle;
  case VarType::Currency:
    return RCurrency;
  case VarType::Double:
    return RDouble;
  case VarType::Date:
    return RDate;
  case VarType::String:
    return RDouble; // numeric text takes part as a Double
  default:
    raise(err::kTypeMismatch);
  }
}

Variant fitInteger(int64_t r, Rank start) {
  if (start <= RByte && r >= 0 && r <= 255) return Variant(static_cast<uint8_t>(r));
  if (start <= RInteger && r >= -32768 && r <= 32767) return Variant(static_cast<int16_t>(r));
  if (r >= std::numeric_limits<int32_t>::min() && r <= std::numeric_limits<int32_t>::max())
    return Variant(static_cast<int32_t>(r));
  return Variant(static_cast<double>(r));
}

Variant fitDouble(double r, Rank rank) {
  if (std::isinf(r) || std::isnan(r)) raise(err::kOverflow);
  if (rank == RSingle && std::fabs(r) <= std::numeric_limits<float>::max())
    return Variant(static_cast<float>(r));
  return Variant(r);
}

Variant fitDate(double r) {
  if (!(r >= -657434.0 && r < 2958466.0)) raise(err::kOverflow);
  return Variant::fromDate(r);
}

int64_t intOf(const Variant& v) {
  switch (v.type()) {
  case VarType::Byte:
    return v.asByte();
  case VarType::Integer:
    return v.asInteger();
  case VarType::Long:
    return v.asLong();
  case VarType::Boolean:
    return v.asBool() ? -1 : 0;
  case VarType::Empty:
    return 0;
  default:
    return static_cast<int64_t>(toNumber(v));
  }
}

Currency curOf(const Variant& v) {
  return CCur(v);
}

enum class Arith { Add, Sub, Mul };

template <class T> T apply(Arith op, T x, T y) {
  switch (op) {
  case Arith::Add:
    return x + y;
  case Arith::Sub:
    return x - y;
  case Arith::Mul:
    return x * y;
  }
  return T{};
}

Variant arith(Arith op, const Variant& ain, const Variant& bin) {
  Operand a(ain), b(bin);
  if (a->isNull() || b->isNull()) return Variant::null();
  if (op == Arith::Add) {
    if (a->isString() && b->isString()) return Variant::concat(a->asString(), b->asString());
    if (a->isEmpty() && b->isEmpty()) return Variant(int16_t(0));
    if (a->isEmpty())
      return b->type() == VarType::Boolean ? Variant(int16_t(b->asBool() ? -1 : 0)) : *b;
    if (b->isEmpty())
      return a->type() == VarType::Boolean ? Variant(int16_t(a->asBool() ? -1 : 0)) : *a;
  }
  Rank ra = rankOf(*a), rb = rankOf(*b);
  if (ra == RDate || rb == RDate) {
    double x = toNumber(*a), y = toNumber(*b);
    if (op == Arith::Mul || (op == Arith::Sub && ra == RDate && rb == RDate))
      return fitDouble(apply(op, x, y), RDouble);
    return fitDate(apply(op, x, y));
  }
  Rank r = std::max(ra, rb);
  if ((ra == RSingle && rb == RLong) || (ra == RLong && rb == RSingle)) r = RDouble;
  if (r <= RLong) return fitInteger(apply(op, intOf(*a), intOf(*b)), r);
  if (r == RCurrency) {
    Currency x = curOf(*a), y = curOf(*b);
    __int128 res;
    if (op == Arith::Mul) {
      __int128 p = (__int128)x.scaled * y.scaled;
      res = p / Currency::kScale;
      __int128 rem = p % Currency::kScale;
      if (rem * 2 > Currency::kScale || (rem * 2 == Currency::kScale && (res & 1)))
        ++res;
      else if (rem * 2 < -Currency::kScale || (rem * 2 == -Currency::kScale && (res & 1)))
        --res;
    } else {
      res = apply(op, (__int128)x.scaled, (__int128)y.scaled);
    }
    if (res > std::numeric_limits<int64_t>::max() || res < std::numeric_limits<int64_t>::min())
      raise(err::kOverflow);
    return Variant(Currency{static_cast<int64_t>(res)});
  }
  return fitDouble(apply(op, toNumber(*a), toNumber(*b)), r);
}

// Integer operands of \ and Mod, and of the logical operators: Byte, Integer or Long.
Rank integerRank(const Variant& v) {
  switch (v.type()) {
  case VarType::Byte:
    return RByte;
  case VarType::Empty:
  case VarType::Boolean:
  case VarType::Integer:
    return RInteger;
  default:
    return RLong;
  }
}

int64_t integerValue(const Variant& v) {
  switch (v.type()) {
  case VarType::Byte:
  case VarType::Integer:
  case VarType::Long:
  case VarType::Boolean:
  case VarType::Empty:
    return intOf(v);
  default:
    return CLng(v);
  }
}

Variant integerResult(int64_t r, Rank rank) {
  if (rank == RByte) return Variant(static_cast<uint8_t>(r));
  if (rank == RInteger) return Variant(static_cast<int16_t>(r));
  return Variant(static_cast<int32_t>(r));
}

enum class Logic { And, Or, Xor, Eqv, Imp };

int64_t applyLogic(Logic op, int64_t x, int64_t y) {
  switch (op) {
  case Logic::And:
    return x & y;
  case Logic::Or:
    return x | y;
  case Logic::Xor:
    return x ^ y;
  case Logic::Eqv:
    return ~(x ^ y);
  case Logic::Imp:
    return (~x) | y;
  }
  return 0;
}

Variant logic(Logic op, const Variant& ain, const Variant& bin) {
  Operand a(ain), b(bin);
  bool an = a->isNull(), bn = b->isNull();
  if (an || bn) {
    if (an && bn) return Variant::null();
    const Variant& other = an ? *b : *a;
    int64_t o = integerValue(other);
    switch (op) {
    case Logic::And:
      if (o == 0)
        return other.type() == VarType::Boolean ? Variant(false)
                                                : integerResult(0, integerRank(other));
      return Variant::null();
    case Logic::Or:
      if (o == -1)
        return other.type() == VarType::Boolean ? Variant(true)
                                                : integerResult(-1, integerRank(other));
      return Variant::null();
    case Logic::Imp:
      if (an && o == -1)
        return other.type() == VarType::Boolean ? Variant(true)
                                                : integerResult(-1, integerRank(other));
      if (bn && o == 0)
        return other.type() == VarType::Boolean ? Variant(true)
                                                : integerResult(-1, integerRank(other));
      return Variant::null();
    default:
      return Variant::null();
    }
  }
  int64_t r = applyLogic(op, integerValue(*a), integerValue(*b));
  if (a->type() == VarType::Boolean && b->type() == VarType::Boolean) return Variant(r != 0);
  Rank ra = integerRank(*a), rb = integerRank(*b);
  Rank rank = std::max(ra, rb);
  if (rank == RByte) r &= 0xFF;
  return integerResult(r, rank);
}

} // namespace

Variant opAdd(const Variant& a, const Variant& b) {
  return arith(Arith::Add, a, b);
}
Variant opSub(const Variant& a, const Variant& b) {
  return arith(Arith::Sub, a, b);
}
Variant opMul(const Variant& a, const Variant& b) {
  return arith(Arith::Mul, a, b);
}

Variant opDiv(const Variant& ain, const Variant& bin) {
  Operand a(ain), b(bin);
  if (a->isNull() || b->isNull()) return Variant::null();
  double x = toNumber(*a), y = toNumber(*b);
  if (y == 0) raise(x == 0 ? err::kOverflow : err::kDivisionByZero);
  bool single = (a->type() == VarType::Single || b->type() == VarType::Single) &&
                rankOf(*a) <= RSingle && rankOf(*b) <= RSingle && rankOf(*a) != RLong &&
                rankOf(*b) != RLong;
  return fitDouble(x / y, single ? RSingle : RDouble);
}

Variant opIntDiv(const Variant& ain, const Variant& bin) {
  Operand a(ain), b(bin);
  if (a->isNull() || b->isNull()) return Variant::null();
  Rank rank = std::max(integerRank(*a), integerRank(*b));
  int64_t x = integerValue(*a), y = integerValue(*b);
  if (y == 0) raise(err::kDivisionByZero);
  return fitInteger(x / y, rank);
}

Variant opMod(const Variant& ain, const Variant& bin) {
  Operand a(ain), b(bin);
  if (a->isNull() || b->isNull()) return Variant::null();
  Rank rank = std::max(integerRank(*a), integerRank(*b));
  int64_t x = integerValue(*a), y = integerValue(*b);
  if (y == 0) raise(err::kDivisionByZero);
  return fitInteger(x % y, rank);
}

Variant opPow(const Variant& ain, const Variant& bin) {
  Operand a(ain), b(bin);
  if (a->isNull() || b->isNull()) return Variant::null();
  double x = toNumber(*a), y = toNumber(*b);
  if (x == 0 && y < 0) raise(err::kInvalidProcedureCall);
  if (x < 0 && y != std::trunc(y)) raise(err::kInvalidProcedureCall);
  return fitDouble(std::pow(x, y), RDouble);
}

namespace {
// The text an operand of & contributes, read in place or, for a whole number, written into
// `digits`.
std::string_view concatText(const Variant& v, std::span<char, 12> digits, std::string& hold) {
  if (v.isString()) return v.asString();
  if (v.isNull()) return {};
  if (auto whole = wholeNumberText(v, digits)) return *whole;
  hold = CStr(v);
  return hold;
}
} // namespace

Variant opConcat(const Variant& ain, const Variant& bin) {
  Operand a(ain), b(bin);
  if (a->isNull() && b->isNull()) return Variant::null();
  // Texts are read in place and the result is made in one piece.
  char da[12], db[12];
  std::string ha, hb;
  std::string_view sa = concatText(*a, da, ha), sb = concatText(*b, db, hb);
  checkStringSize(sa.size() + sb.size());
  return Variant::concat(sa, sb);
}

Variant opNeg(const Variant& ain) {
  Operand a(ain);
  switch (a->type()) {
  case VarType::Null:
    return Variant::null();
  case VarType::Empty:
    return Variant(int16_t(0));
  case VarType::Boolean:
    return Variant(int16_t(a->asBool() ? 1 : 0));
  case VarType::Byte:
    return Variant(static_cast<int16_t>(-a->asByte()));
  case VarType::Integer:
    return fitInteger(-int64_t(a->asInteger()), RInteger);
  case VarType::Long:
    return fitInteger(-int64_t(a->asLong()), RLong);
  case VarType::Single:
    return Variant(-a->asSingle());
  case VarType::Double:
    return Variant(-a->asDouble());
  case VarType::Currency:
    if (a->asCurrency().scaled == std::numeric_limits<int64_t>::min()) raise(err::kOverflow);
    return Variant(Currency{-a->asCurrency().scaled});
  case VarType::Date:
    return fitDate(-a->asDate().serial);
  case VarType::String:
    return Variant(-toNumber(*a));
  default:
    raise(err::kTypeMismatch);
  }
}

Variant opNot(const Variant& ain) {
  Operand a(ain);
  switch (a->type()) {
  case VarType::Null:
    return Variant::null();
  case VarType::Boolean:
    return Variant(!a->asBool());
  case VarType::Byte:
    return Variant(static_cast<uint8_t>(~a->asByte()));
  case VarType::Empty:
    return Variant(int16_t(-1));
  case VarType::Integer:
    return Variant(static_cast<int16_t>(~a->asInteger()));
  case VarType::String:
    // Text that is no number may still be a truth value: Not "#FALSE#" is True.
    if (!parseNumber(a->asString())) return Variant(!CBool(*a));
    return Variant(static_cast<int32_t>(~CLng(*a)));
  default:
    return Variant(static_cast<int32_t>(~CLng(*a)));
  }
}

Variant opAnd(const Variant& a, const Variant& b) {
  return logic(Logic::And, a, b);
}
Variant opOr(const Variant& a, const Variant& b) {
  return logic(Logic::Or, a, b);
}
Variant opXor(const Variant& a, const Variant& b) {
  return logic(Logic::Xor, a, b);
}
Variant opEqv(const Variant& a, const Variant& b) {
  return logic(Logic::Eqv, a, b);
}
Variant opImp(const Variant& a, const Variant& b) {
  return logic(Logic::Imp, a, b);
}

int compareBinary(std::string_view a, std::string_view b) {
  int c = a.compare(b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int compareText(std::string_view a, std::string_view b) {
  int c = text::compareNoCase(a, b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

std::optional<int> compare(const Variant& ain, const Variant& bin, CompareMode mode) {
  Operand a(ain), b(bin);
  if (a->isNull() || b->isNull()) return std::nullopt;
  if (a->isArray() || b->isArray() || a->type() == VarType::Error || b->type() == VarType::Error)
    raise(err::kTypeMismatch);
  bool as = a->isString(), bs = b->isString();
  if (as || bs) {
    if (as && bs) {
      return mode == CompareMode::Text ? compareText(a->asString(), b->asString())
                                       : compareBinary(a->asString(), b->asString());
    }
    const Variant& other = as ? *b : *a;
    if (other.isEmpty()) {
      std::string_view s = as ? a->asString() : b->asString();
      int c = s.empty() ? 0 : 1;
      return as ? c : -c;
    }
    // A number is less than any text.
    return as ? 1 : -1;
  }
  auto cmp = [](auto x, auto y) { return x < y ? -1 : (x > y ? 1 : 0); };
  Rank ra = a->isEmpty() ? RInteger : rankOf(*a), rb = b->isEmpty() ? RInteger : rankOf(*b);
  if (ra <= RLong && rb <= RLong) return cmp(intOf(*a), intOf(*b));
  if (ra == RCurrency && rb == RCurrency)
    return cmp(a->asCurrency().scaled, b->asCurrency().scaled);
  return cmp(toNumber(*a), toNumber(*b));
}

namespace {
template <class Pred>
Variant relation(const Variant& a, const Variant& b, CompareMode mode, Pred pred) {
  auto c = compare(a, b, mode);
  if (!c) return Variant::null();
  return Variant(static_cast<bool>(pred(*c)));
}
} // namespace

Variant opEq(const Variant& a, const Variant& b, CompareMode m) {
  return relation(a, b, m, [](int c) { return c == 0; });
}
Variant opNe(const Variant& a, const Variant& b, CompareMode m) {
  return relation(a, b, m, [](int c) { return c != 0; });
}
Variant opLt(const Variant& a, const Variant& b, CompareMode m) {
  return relation(a, b, m, [](int c) { return c < 0; });
}
Variant opLe(const Variant& a, const Variant& b, CompareMode m) {
  return relation(a, b, m, [](int c) { return c <= 0; });
}
Variant opGt(const Variant& a, const Variant& b, CompareMode m) {
  return relation(a, b, m, [](int c) { return c > 0; });
}
Variant opGe(const Variant& a, const Variant& b, CompareMode m) {
  return relation(a, b, m, [](int c) { return c >= 0; });
}

bool opIs(const Variant& a, const Variant& b) {
  if (!a.isObject() || !b.isObject()) raise(err::kObjectRequired);
  return a.asObject() == b.asObject();
}

bool isTrue(const Variant& d) {
  if (d.type() == VarType::Boolean) return d.asBool();
  if (d.isNull()) return false;
  return CBool(d);
}

} // namespace quillet::platform::automation
