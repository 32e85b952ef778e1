#include "template/filters.h"

#include <limits>
#include <optional>

#include "core/registry.h"
#include "platform/automation/convert.h"
#include "platform/automation/error.h"
#include "platform/text/casefold.h"
#include "project/state.h"

namespace quillet::templating {

namespace {

// Positions and Orders come from scripts as any number or numeric text.
std::optional<int64_t> wholeNumber(const Variant& v) {
  try {
    double d = automation::CDbl(v);
    if (d != static_cast<double>(static_cast<int64_t>(d))) return std::nullopt;
    return static_cast<int64_t>(d);
  } catch (const automation::Error&) {
    return std::nullopt;
  }
}

// The stored "Order": a whole number, else after every numbered option.
int64_t storedOrder(const Variant& v) {
  if (v.isEmpty()) return std::numeric_limits<int64_t>::max();
  return wholeNumber(v).value_or(std::numeric_limits<int64_t>::max());
}

std::string lowerOf(const Variant& v) {
  return platform::text::toLower(automation::CStr(v));
}

} // namespace

std::string RUZFilter::GroupName(const Variant& Order) const {
  std::optional<int64_t> i = wholeNumber(Order);
  if (!i || *i < 1 || *i > GroupCount()) return {};
  return groups_[static_cast<size_t>(*i - 1)];
}

int32_t RUZFilter::OptionCount(const Variant& GroupName) const {
  std::string group = lowerOf(GroupName);
  int32_t n = 0;
  for (const auto& o : options_)
    if (o.groupLower == group) ++n;
  return n;
}

const RUZFilter::Option* RUZFilter::find(const Variant& GroupName, const Variant& Order) const {
  std::optional<int64_t> order = wholeNumber(Order);
  if (!order) return nullptr;
  std::string group = lowerOf(GroupName);
  for (const auto& o : options_)
    if (o.order == *order && o.groupLower == group) return &o;
  return nullptr;
}

std::string RUZFilter::OptionName(const Variant& GroupName, const Variant& Order) const {
  const Option* o = find(GroupName, Order);
  return o ? o->name : std::string();
}

std::string RUZFilter::Expression(const Variant& GroupName, const Variant& Order) const {
  const Option* o = find(GroupName, Order);
  return o ? o->expression : std::string();
}

void RUZFilter::Load() {
  Load(project::projectState().AdvancedFiltersKey);
}

void RUZFilter::Load(const std::string& keyPath) {
  groups_.clear();
  options_.clear();
  core::cRegistry reg;
  reg.ClassKey = core::kHkeyCurrentUser;
  reg.SectionKey = keyPath;
  int32_t count = 0;
  reg.EnumerateSections(groups_, count);
  for (const auto& group : groups_) {
    std::string groupKey = keyPath + "\\" + group;
    std::string groupLower = platform::text::toLower(group);
    reg.SectionKey = groupKey;
    std::vector<std::string> names;
    reg.EnumerateSections(names, count);
    size_t first = options_.size();
    for (const auto& name : names) {
      std::vector<Variant> values = core::RegGetValues(
          Variant("HKCU"), Variant(groupKey + "\\" + name), {"EvalString", "Order"});
      Variant expr = values[0];
      options_.push_back({group, groupLower, name,
                          expr.isEmpty() ? std::string() : automation::CStr(expr),
                          storedOrder(values[1])});
    }
    // The exchange sort of the stored filters: equal Orders keep their places relative to
    // each other only as far as the exchanges leave them.
    for (size_t i = first; i + 1 < options_.size(); ++i)
      for (size_t j = i + 1; j < options_.size(); ++j)
        if (options_[i].order > options_[j].order) std::swap(options_[i], options_[j]);
    for (size_t i = first; i < options_.size(); ++i)
      options_[i].order = static_cast<int64_t>(i - first + 1);
  }
}

QUILLET_DEFINE_CLASS(RUZFilter) {
  using C = RUZFilter;
  b.get("GroupCount", &C::GroupCount)
      .method("GroupName", [](C& c, const Variant& o) { return c.GroupName(o); })
      .method("OptionCount", [](C& c, const Variant& g) { return c.OptionCount(g); })
      .method("OptionName",
              [](C& c, const Variant& g, const Variant& o) { return c.OptionName(g, o); })
      .method("Expression",
              [](C& c, const Variant& g, const Variant& o) { return c.Expression(g, o); })
      .method("Load", [](C& c) { c.Load(); });
}

} // namespace quillet::templating
