// Reading and writing the text of a registry hive: many sibling keys, and one key nested
// very deeply. Both should grow linearly with the number of keys.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/registry/registry.h"

namespace {

using namespace quillet::platform::registry;

std::string wideHive(int keys) {
  std::string text;
  for (int i = 0; i < keys; ++i)
    text += "[Software\\Wide\\Key" + std::to_string(i) + "]\n\"v\"=dword:00000001\n";
  return text;
}

void ParseSiblingKeys(benchmark::State& state) {
  const std::string text = wideHive(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    Key root;
    benchmark::DoNotOptimize(Hive::parse(text, root));
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(ParseSiblingKeys)->RangeMultiplier(4)->Range(1'000, 256'000)->Complexity();

void SerialiseDeepKey(benchmark::State& state) {
  Key root;
  Key* k = &root;
  for (int64_t i = 0; i < state.range(0); ++i)
    k = &k->childOrCreate("k");
  k->setValue("leaf", Value::string("deep"));
  for (auto _ : state)
    benchmark::DoNotOptimize(Hive::serialise(root));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(SerialiseDeepKey)->RangeMultiplier(10)->Range(1'000, 1'000'000)->Complexity();

} // namespace
