#pragma once
// VB's operators on Variants with their result-type rules and Null propagation. Objects are
// read through their default property first.
#include <optional>

#include "platform/automation/variant.h"

namespace quillet::platform::automation {

enum class CompareMode { Binary = 0, Text = 1 };

Variant opAdd(const Variant& a, const Variant& b);
Variant opSub(const Variant& a, const Variant& b);
Variant opMul(const Variant& a, const Variant& b);
Variant opDiv(const Variant& a, const Variant& b);    // /
Variant opIntDiv(const Variant& a, const Variant& b); // backslash
Variant opMod(const Variant& a, const Variant& b);
Variant opPow(const Variant& a, const Variant& b);
Variant opConcat(const Variant& a, const Variant& b);
Variant opNeg(const Variant& a);
Variant opNot(const Variant& a);
Variant opAnd(const Variant& a, const Variant& b);
Variant opOr(const Variant& a, const Variant& b);
Variant opXor(const Variant& a, const Variant& b);
Variant opEqv(const Variant& a, const Variant& b);
Variant opImp(const Variant& a, const Variant& b);

// Three-way comparison: -1, 0, 1, or nullopt when either side is Null. Values compare by
// their subtypes: a number is less than any text, Empty equals 0 and "". (A script engine
// that compares a variable with a literal converts the literal to the variable's kind
// first, as VBScript does; that is the engine's business, not this rule's.)
std::optional<int> compare(const Variant& a, const Variant& b,
                           CompareMode mode = CompareMode::Binary);
// The comparison operators: Boolean results, Null when either side is Null.
Variant opEq(const Variant& a, const Variant& b, CompareMode mode = CompareMode::Binary);
Variant opNe(const Variant& a, const Variant& b, CompareMode mode = CompareMode::Binary);
Variant opLt(const Variant& a, const Variant& b, CompareMode mode = CompareMode::Binary);
Variant opLe(const Variant& a, const Variant& b, CompareMode mode = CompareMode::Binary);
Variant opGt(const Variant& a, const Variant& b, CompareMode mode = CompareMode::Binary);
Variant opGe(const Variant& a, const Variant& b, CompareMode mode = CompareMode::Binary);
// `Is`: the same object (Nothing Is Nothing); error 424 when a side is no object.
bool opIs(const Variant& a, const Variant& b);

// Text comparison that ignores case (Unicode case folding): <0, 0, >0.
int compareText(std::string_view a, std::string_view b);
int compareBinary(std::string_view a, std::string_view b);

// The truth of a condition (If, While): Null is False, other values through CBool.
bool isTrue(const Variant& v);

} // namespace quillet::platform::automation
