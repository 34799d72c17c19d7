// How long build/netsh takes to answer the scan's two queries over the
// simulated radio: the demo scenario and 40 networks with two access points.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/netsh_child.h"

namespace {
std::string StateFile() { return "/tmp/zelnar-bench-" + std::to_string(getpid()) + ".state"; }

void Scan(benchmark::State& state, const std::string& backend) {
  std::vector<std::string> env = {"ZELNAR_WIFI=" + backend, "ZELNAR_WIFI_STATE=" + StateFile()};
  size_t bytes = 0;
  for (auto _ : state) {
    NetshResult a = RunNetsh({"wlan", "show", "interfaces"}, env);
    NetshResult b = RunNetsh({"wlan", "show", "networks", "mode=bssid"}, env);
    bytes = a.out.size() + b.out.size();
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["bytes"] = static_cast<double>(bytes);
  std::remove((StateFile() + ".lock").c_str());
}

void BM_ScanDemo(benchmark::State& state) { Scan(state, "sim:"); }

void BM_ScanForty(benchmark::State& state) {
  std::string path = "/tmp/zelnar-bench-" + std::to_string(getpid()) + ".scenario";
  std::ofstream(path) << "generate 40 2\n";
  Scan(state, "sim:" + path);
  std::remove(path.c_str());
}
}  // namespace

BENCHMARK(BM_ScanDemo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanForty)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
