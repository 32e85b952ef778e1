// Baseline costs of the value rules and of calls by name, which every script operation pays.
#include <benchmark/benchmark.h>

#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/automation/members.h"
#include "platform/automation/operators.h"

using namespace quillet::platform::automation;

namespace {

class Point : public Object {
  QUILLET_OBJECT(Point)
public:
  int32_t x() const { return x_; }
  void setX(int32_t v) { x_ = v; }
  int32_t Move(int32_t dx, int32_t dy) { return x_ += dx + dy; }

private:
  int32_t x_ = 0;
};

QUILLET_DEFINE_CLASS(Point) {
  b.prop("X", &Point::x, &Point::setX).method("Move", &Point::Move);
}

void BM_AddIntegers(benchmark::State& state) {
  Context::Scope scope;
  Variant sum(int32_t(0));
  Variant one(int16_t(1));
  for (auto _ : state) {
    sum = opAdd(sum, one);
    if (sum.asLong() > 1000000) sum = Variant(int32_t(0));
  }
  benchmark::DoNotOptimize(sum);
}
BENCHMARK(BM_AddIntegers);

void BM_MulDoubles(benchmark::State& state) {
  Context::Scope scope;
  Variant v(1.0);
  Variant f(1.0000001);
  for (auto _ : state)
    v = opMul(v, f);
  benchmark::DoNotOptimize(v);
}
BENCHMARK(BM_MulDoubles);

void BM_ConcatShortTexts(benchmark::State& state) {
  Context::Scope scope;
  Variant piece("<td>cell</td>");
  for (auto _ : state) {
    Variant s("");
    for (int i = 0; i < 100; ++i)
      s = opConcat(s, piece);
    benchmark::DoNotOptimize(s);
  }
}
BENCHMARK(BM_ConcatShortTexts);

void BM_ConcatNumber(benchmark::State& state) {
  Context::Scope scope;
  Variant n(3.25);
  Variant t("value: ");
  for (auto _ : state)
    benchmark::DoNotOptimize(opConcat(t, n));
}
BENCHMARK(BM_ConcatNumber);

void BM_CompareText(benchmark::State& state) {
  Context::Scope scope;
  Variant a("CustomerName"), b("customername");
  for (auto _ : state)
    benchmark::DoNotOptimize(compare(a, b, CompareMode::Text));
}
BENCHMARK(BM_CompareText);

void BM_InvokePropertyGet(benchmark::State& state) {
  Context::Scope scope;
  Variant p(makeRef<Point>());
  for (auto _ : state)
    benchmark::DoNotOptimize(invoke(p, "X", kPropertyGet));
}
BENCHMARK(BM_InvokePropertyGet);

void BM_InvokeMethod(benchmark::State& state) {
  Context::Scope scope;
  Variant p(makeRef<Point>());
  Variant args[] = {Variant(int16_t(1)), Variant(int16_t(2))};
  for (auto _ : state)
    benchmark::DoNotOptimize(invoke(p, "move", kMethod, ArgList(args)));
}
BENCHMARK(BM_InvokeMethod);

} // namespace
