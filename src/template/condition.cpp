#include "template/condition.h"

#include <optional>
#include <vector>

#include "core/state.h"
#include "extensions/services.h"
#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/automation/operators.h"
#include "platform/text/ascii.h"
#include "platform/text/casefold.h"

namespace quillet::templating {

namespace {

using platform::text::toLower;

std::string_view trimSpaces(std::string_view s) {
  return platform::text::trim(s);
}

std::vector<std::string> split(std::string_view text, char sep) {
  std::vector<std::string> parts;
  size_t from = 0;
  for (;;) {
    size_t at = text.find(sep, from);
    if (at == std::string_view::npos) {
      parts.emplace_back(text.substr(from));
      return parts;
    }
    parts.emplace_back(text.substr(from, at - from));
    from = at + 1;
  }
}

class CannotDecide : public std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Text of a value for "in" and "ni"; Null reads as "".
std::string textOf(const Variant& d) {
  return d.isNull() ? std::string() : automation::CStr(d);
}

bool numeric(const Variant& v) {
  return v.isNumber() || v.type() == automation::VarType::Boolean ||
         v.type() == automation::VarType::Date;
}

// VB's comparison of two values: numbers numerically, texts by code, Empty as 0 or "". A
// number against a text compares numerically when the text is a number, else as texts.
std::optional<int> compareValues(const Variant& a, const Variant& b) {
  if (a.isNull() || b.isNull()) return std::nullopt;
  auto sign = [](double x, double y) { return x < y ? -1 : x > y ? 1 : 0; };
  auto number = [](const Variant& v) { return v.isEmpty() ? 0.0 : automation::CDbl(v); };
  bool an = numeric(a) || (a.isEmpty() && !b.isString());
  bool bn = numeric(b) || (b.isEmpty() && !a.isString());
  if (an && bn) return sign(number(a), number(b));
  if (!an && !bn) return automation::compareBinary(textOf(a), textOf(b));
  const Variant& text = an ? b : a;
  if (auto n = automation::parseNumber(textOf(text)))
    return an ? sign(number(a), *n) : sign(*n, number(b));
  int c = automation::compareBinary(textOf(a), textOf(b));
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

size_t inStrText(const std::string& value, const std::string& item) {
  if (value.empty()) return 0;
  if (item.empty()) return 1;
  size_t at = platform::text::foldCase(value).find(platform::text::foldCase(item));
  return at == std::string::npos ? 0 : at + 1;
}

bool satisfies(const std::string& op, const Variant& value, const Variant& item) {
  if (op == "in") return inStrText(textOf(value), textOf(item)) > 0;
  if (op == "ni") return inStrText(textOf(value), textOf(item)) == 0;
  if (op != "eq" && op != "ne" && op != "gt" && op != "ge" && op != "lt" && op != "le") return true;
  std::optional<int> c = compareValues(value, item);
  if (!c) return false;
  if (op == "eq") return *c == 0;
  if (op == "ne") return *c != 0;
  if (op == "gt") return *c > 0;
  if (op == "ge") return *c >= 0;
  if (op == "lt") return *c < 0;
  return *c <= 0;
}

std::optional<Variant> controlAttribute(const RUZControl& c, const std::string& name) {
  static const std::pair<const char*, std::string RUZControl::*> texts[] = {
      {"ctrlid", &RUZControl::CtrlID},
      {"ctrltype", &RUZControl::CtrlType},
      {"ctrlofile", &RUZControl::CtrlOFile},
      {"ctrlofilecompat", &RUZControl::CtrlOFileCompat},
      {"ctrloext", &RUZControl::CtrlOExt},
      {"ctrlofolder", &RUZControl::CtrlOFolder},
      {"ctrlofolderid", &RUZControl::CtrlOFolderID},
      {"ctrlifiles", &RUZControl::CtrlIFiles},
      {"ctrlifolder", &RUZControl::CtrlIFolder},
      {"ctrlcond", &RUZControl::CtrlCond},
      {"ctrltagext", &RUZControl::CtrlTagExt},
      {"ctrlparm", &RUZControl::CtrlParm},
      {"ctrlext", &RUZControl::CtrlExt},
      {"ctrlaction", &RUZControl::CtrlAction},
  };
  for (const auto& [key, member] : texts)
    if (name == key) return Variant(c.*member);
  if (name == "ctrlspace") return Variant(c.CtrlSpace);
  if (name == "ctrlgen") return Variant(c.CtrlGen);
  if (name == "ctrloverwrite") return Variant(c.CtrlOverwrite);
  return std::nullopt;
}

// Whether one clause holds; a clause of the wrong shape holds.
bool clauseHolds(std::string_view raw, const ConditionScope& scope) {
  std::string_view clause = trimSpaces(raw);
  bool isFunction = clause.size() >= 9 && toLower(clause.substr(0, 9)) == "function/";
  if (isFunction) clause = trimSpaces(clause.substr(9));
  std::vector<std::string> parts = split(clause, '/');
  if (parts.size() != 4) return true;
  std::vector<std::string> list;
  if (!parts[3].empty()) list = split(parts[3], '|');
  const std::string op = toLower(parts[2]);

  if (isFunction) {
    Variant value;
    if (scope.runFunction) {
      try {
        value = scope.runFunction(parts[0]);
      } catch (const automation::Error& e) {
        throw CannotDecide("the function " + parts[0] + " failed: " + e.description());
      }
    }
    value = core::ConvertValue(value, parts[1]);
    for (const auto& v : list)
      if (satisfies(op, value, core::ConvertValue(Variant(v), parts[1]))) return true;
    return false;
  }

  const std::string object = toLower(parts[0]);
  if (object == "ctrl") {
    Ref<RUZControl> ctrl = scope.controls ? scope.controls->current() : Ref<RUZControl>();
    std::optional<Variant> probe = controlAttribute(RUZControl(), toLower(parts[1]));
    if (!probe) return true;
    if (!ctrl) throw CannotDecide("there is no current control");
    Variant value = *controlAttribute(*ctrl, toLower(parts[1]));
    for (const auto& v : list)
      if (satisfies(op, value, Variant(core::StripQuotes(v)))) return true;
    return false;
  }

  Ref<core::AGProperties> bag;
  if (object == "proj") {
    if (!scope.project) throw CannotDecide("there is no project");
    if (!scope.project->PropertyExist(Variant(parts[1]))) {
      // A setting of the custom setting file: its value, compared with the plain texts.
      Variant value = scope.getV ? scope.getV(parts[1]) : Variant();
      for (const auto& v : list)
        if (satisfies(op, value, Variant(core::StripQuotes(v)))) return true;
      return false;
    }
    bag = scope.project;
  } else if (object == "db") {
    if (!scope.database) throw CannotDecide("there is no database");
    bag = scope.database;
  } else if (object == "table") {
    if (!scope.table) return true;
    bag = scope.table;
  } else if (object == "field") {
    if (!scope.field) throw CannotDecide("there is no current field");
    bag = scope.field;
  } else {
    return true;
  }
  Ref<core::AGProperty> setting = bag->Item(parts[1]);
  if (!setting) throw CannotDecide("the setting " + parts[1] + " cannot be read");
  for (const auto& v : list) {
    Variant value = setting->Value();
    Variant item = ConditionValue(*bag, v, setting->DataType());
    if (value.type() == automation::VarType::Boolean &&
        item.type() == automation::VarType::Boolean) {
      value = Variant(std::string(value.asBool() ? "1" : "0"));
      item = Variant(std::string(item.asBool() ? "1" : "0"));
    }
    if (satisfies(op, value, item)) return true;
  }
  return false;
}

class ConditionServices : public extensions::TemplateServices {
public:
  explicit ConditionServices(std::function<ConditionScope(automation::Object*)> scopeOf)
      : scopeOf_(std::move(scopeOf)) {}
  bool EvalCondition(const std::string& condition, automation::Object* project) override {
    return templating::EvalCondition(condition, scopeOf_(project));
  }

private:
  std::function<ConditionScope(automation::Object*)> scopeOf_;
};

} // namespace

Variant ConditionValue(core::AGProperties& bag, const std::string& item,
                       const std::string& dataType) {
  std::string_view trimmed = trimSpaces(item);
  Variant value(item);
  if (!trimmed.empty() && trimmed.front() == '%') {
    Ref<core::AGProperty> other = bag.Item(std::string(trimmed.substr(1)));
    value = other ? other->Value() : Variant();
  }
  return core::ConvertValue(value, dataType);
}

ConditionResult evaluateCondition(const std::string& cond, const ConditionScope& scope) {
  ConditionResult r;
  if (cond.empty()) return r;
  try {
    for (const auto& clause : split(cond, ','))
      if (!clauseHolds(clause, scope)) {
        r.holds = false;
        return r;
      }
  } catch (const CannotDecide& e) {
    r.holds = false;
    r.error = e.what();
  } catch (const automation::Error& e) {
    r.holds = false;
    r.error = e.description();
  }
  return r;
}

bool EvalCondition(const std::string& cond, const ConditionScope& scope) {
  ConditionResult r = evaluateCondition(cond, scope);
  if (!r.error.empty())
    core::state().appendProjErr("The condition \"" + cond + "\" cannot be decided: " + r.error);
  return r.holds;
}

void installConditionEvaluator(std::function<ConditionScope(automation::Object*)> scopeOf) {
  extensions::installTemplateServices(std::make_shared<ConditionServices>(std::move(scopeOf)));
}

} // namespace quillet::templating
