// Time of one automatic tolerance adjustment (199 growth steps) for 31
// active rows that never stop each other, so every row grows to 200 and
// every step compares every pair.
#include <benchmark/benchmark.h>

#include "logic/growth.h"

namespace {

using tavix::protocol::TeachTable;

// Centres 700 apart on a grid: circles of radius 200 never meet.
TeachTable FarApart() {
  TeachTable t{};
  for (int r = 0; r < 31; ++r) {
    t[r] = {static_cast<std::uint16_t>(200 + 700 * (r % 6)),
            static_cast<std::uint16_t>(200 + 700 * (r / 6)), 1, 2000, 100};
  }
  return t;
}

// All centres on one spot, intensity windows apart: every pair overlaps in
// X/Y, so every pair also compares its windows.
TeachTable SameSpotSeparateWindows() {
  TeachTable t{};
  for (int r = 0; r < 31; ++r) {
    t[r] = {1365, 1365, 1, static_cast<std::uint16_t>(100 + 130 * r), 60};
  }
  return t;
}

void Run(benchmark::State& state, const TeachTable& start) {
  for (auto _ : state) {
    TeachTable t = start;
    tavix::logic::GrowTolerances(t, 31);
    benchmark::DoNotOptimize(t);
    if (t[30][2] != 200) state.SkipWithError("a row stopped growing");
  }
}

void BM_GrowthFarApart(benchmark::State& state) {
  Run(state, FarApart());
}
void BM_GrowthSameSpotSeparateWindows(benchmark::State& state) {
  Run(state, SameSpotSeparateWindows());
}

}  // namespace

BENCHMARK(BM_GrowthFarApart)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GrowthSameSpotSeparateWindows)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
