// One network scan (both netsh queries, parsing, the menu filled) against the
// simulated radio, next to the 3,000 ms of fixed waits the scan was written for.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "app/networks.h"

namespace {
void UseSimulatedRadio(const char* scenario) {
  std::string path = std::string(ZELNAR_BUILD_DIR) + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "");
  setenv("PATH", path.c_str(), 1);
  setenv("ZELNAR_WIFI", scenario, 1);
  setenv("ZELNAR_WIFI_STATE", "/tmp/zelnar-bench-scan.state", 1);
}

void BM_ScanDemo(benchmark::State& state) {
  UseSimulatedRadio(("sim:" + std::string(ZELNAR_SOURCE_DIR) + "/tools/netsh/demo.scenario").c_str());
  for (auto _ : state) {
    ScanNetworks();
    if (NetworkList().size() < 8) state.SkipWithError("the demo scan listed too few networks");
  }
  state.counters["fixed_waits_ms"] = 3000;
  state.counters["networks"] = static_cast<double>(NetworkList().size());
}
BENCHMARK(BM_ScanDemo)->Unit(benchmark::kMillisecond)->Iterations(20);
}  // namespace

BENCHMARK_MAIN();
