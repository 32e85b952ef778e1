#pragma once
// The user's advanced filters: named filter expressions in groups, kept per user in the
// registry under "AdvancedFilters\<group>\<option>" with the values "EvalString" (the
// expression) and "Order" (its place within the group). Scripts see them as "FILTERS" and
// walk groups and options by 1-based position; the engine never reads an expression itself.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/automation/members.h"

namespace quillet::templating {

namespace automation = ::quillet::platform::automation;
using automation::Ref;
using automation::Variant;

class RUZFilter : public automation::Object {
  QUILLET_OBJECT(RUZFilter)
public:
  int32_t GroupCount() const { return static_cast<int32_t>(groups_.size()); }
  // The group at a 1-based position; "" outside 1..GroupCount.
  std::string GroupName(const Variant& Order) const;
  // Group names are compared lower-cased.
  int32_t OptionCount(const Variant& GroupName) const;
  // The option of the group at a position from 1 (its Order after Load); "" when none.
  std::string OptionName(const Variant& GroupName, const Variant& Order) const;
  std::string Expression(const Variant& GroupName, const Variant& Order) const;
  // Reads the filters of the current user afresh: groups in the registry's order, each
  // group's options sorted by their "Order" and then numbered 1, 2, ... An option whose
  // "Order" is missing or not a whole number goes after those that have one.
  void Load();
  // Reads from another key than the product's "AdvancedFilters" (the path below the
  // current user's root).
  void Load(const std::string& keyPath);

private:
  struct Option {
    std::string group, groupLower, name, expression;
    int64_t order = 0;
  };
  const Option* find(const Variant& GroupName, const Variant& Order) const;

  std::vector<std::string> groups_;
  std::vector<Option> options_;
};

} // namespace quillet::templating
