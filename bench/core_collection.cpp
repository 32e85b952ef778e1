// Keyed collection: adds and key lookups at 10,000 items, as the property bags and element
// collections use it (text-mode keys).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "core/collection.h"
#include "core/properties.h"
#include "platform/automation/context.h"

namespace {

using quillet::core::CSuperCollection;
using quillet::platform::automation::Variant;

std::vector<std::string> makeKeys(int n) {
  std::vector<std::string> keys;
  keys.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i)
    keys.push_back("FieldSetting" + std::to_string(i));
  return keys;
}

// n items in text mode, keyed by `keys` when it is not empty.
void fill(CSuperCollection& c, int n, const std::vector<std::string>& keys) {
  c.setCompareMode(1);
  for (int i = 0; i < n; ++i) {
    if (keys.empty())
      c.Add(Variant(int32_t(i)));
    else
      c.Add(Variant(int32_t(i)), keys[static_cast<size_t>(i)]);
  }
}

void BM_AddKeyed(benchmark::State& state) {
  quillet::platform::automation::Context::Scope scope;
  const int n = static_cast<int>(state.range(0));
  auto keys = makeKeys(n);
  for (auto _ : state) {
    CSuperCollection c;
    fill(c, n, keys);
    benchmark::DoNotOptimize(c.Count());
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_AddKeyed)->Arg(10000);

void BM_KeyExists(benchmark::State& state) {
  quillet::platform::automation::Context::Scope scope;
  const int n = static_cast<int>(state.range(0));
  auto keys = makeKeys(n);
  CSuperCollection c;
  fill(c, n, keys);
  // Looked up in other letter case, as callers usually spell names.
  std::vector<std::string> probes;
  for (auto& k : keys) {
    std::string p = k;
    p[0] = 'f';
    probes.push_back(p);
  }
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(c.KeyExists(probes[i]));
    if (++i == probes.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_KeyExists)->Arg(10000);

void BM_ItemByKey(benchmark::State& state) {
  quillet::platform::automation::Context::Scope scope;
  const int n = static_cast<int>(state.range(0));
  auto keys = makeKeys(n);
  CSuperCollection c;
  fill(c, n, keys);
  std::vector<Variant> probes;
  for (auto& k : keys)
    probes.emplace_back(k);
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(c.Item(probes[i]));
    if (++i == probes.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ItemByKey)->Arg(10000);

void BM_ItemByPosition(benchmark::State& state) {
  quillet::platform::automation::Context::Scope scope;
  const int n = static_cast<int>(state.range(0));
  CSuperCollection c;
  fill(c, n, {});
  int32_t pos = 1;
  for (auto _ : state) {
    benchmark::DoNotOptimize(c.Item(Variant(pos)));
    if (++pos > n) pos = 1;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ItemByPosition)->Arg(10000);

void BM_RemoveFirstAndAppend(benchmark::State& state) {
  quillet::platform::automation::Context::Scope scope;
  const int n = static_cast<int>(state.range(0));
  auto keys = makeKeys(n);
  CSuperCollection c;
  fill(c, n, keys);
  size_t i = 0;
  for (auto _ : state) {
    c.Remove(Variant(int32_t(1)));
    c.Add(Variant(int32_t(0)), keys[i]);
    if (++i == keys.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RemoveFirstAndAppend)->Arg(10000);

void BM_PropertyBagItem(benchmark::State& state) {
  quillet::platform::automation::Context::Scope scope;
  auto bag = quillet::platform::automation::makeRef<quillet::core::AGProperties>();
  auto keys = makeKeys(121);
  for (auto& k : keys)
    bag->Add(k, "String", false, 0, true, true);
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(bag->Item(keys[i]));
    if (++i == keys.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PropertyBagItem);

} // namespace
