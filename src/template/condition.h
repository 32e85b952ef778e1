#pragma once
// Conditions of controls, sessions and extension levels: clauses separated by "," that must
// all hold, each "object/name/operator/values" or "function/name/type/operator/values",
// where one of the "|"-separated values must satisfy the operator.
#include <functional>
#include <string>

#include "core/properties.h"
#include "template/controls.h"

namespace quillet::templating {

// What a condition reads: the project's state at the moment of the evaluation.
struct ConditionScope {
  // "proj": the project's settings; a name the bag lacks is read through getV.
  Ref<core::AGProperties> project;
  std::function<Variant(const std::string&)> getV;
  // "db", "table", "field": the current database, table and field (null when none).
  Ref<core::AGProperties> database;
  Ref<core::AGProperties> table;
  Ref<core::AGProperties> field;
  // "ctrl": the current control of this list.
  RUZControls* controls = nullptr;
  // "function": runs a script function of the generation run and gives its value; raises
  // on a script error. Null when no script host runs (the value is then Empty).
  std::function<Variant(const std::string&)> runFunction;
};

struct ConditionResult {
  bool holds = true;
  // Why the condition could not be decided; "" when it could.
  std::string error;
};

// Decides a condition. A clause of the wrong shape, an unknown object or control attribute,
// and a table clause without a current table hold, as templates rely on. Anything else that
// fails (a field clause without a current field, a failing script function) gives an error.
ConditionResult evaluateCondition(const std::string& cond, const ConditionScope& scope);

// As evaluateCondition, with a condition that cannot be decided reported into ProjErr (with
// the condition's text) and taken as not holding.
bool EvalCondition(const std::string& cond, const ConditionScope& scope);

// One list value of a setting clause: "%Name" stands for the current value of the setting
// Name of the same bag; the value is converted to the clause's setting's data type.
Variant ConditionValue(core::AGProperties& bag, const std::string& item,
                       const std::string& dataType);

// Makes EvalCondition the evaluator the extension layer calls; scopeOf gives the scope of
// the project object it receives.
void installConditionEvaluator(std::function<ConditionScope(automation::Object*)> scopeOf);

} // namespace quillet::templating
