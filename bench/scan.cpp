// One network scan (both netsh queries, parsing, the menu filled) against the
// simulated radio, next to the 3,000 ms of fixed waits the scan was written for;
// and the parse alone of a hostile answer of 44,000 networks (about 10 MB),
// which must stay well under a second: the parse is linear in the answer.
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

// netsh's layout, two access points a network as dual-band routers show.
std::string ManyNetworks(int count) {
  std::string t = "Nome da interface : Wi-Fi\r\nH\xE1 " + std::to_string(count) + " redes vis\xEDveis no momento.\r\n\r\n";
  for (int n = 1; n <= count; ++n) {
    t += "SSID " + std::to_string(n) + " : Rede Gerada " + std::to_string(n) + "\r\n";
    t += "    Tipo de rede            : Infraestrutura\r\n";
    t += "    Autentica\xE7\xE3o            : WPA2-Personal\r\n";
    t += "    Criptografia            : CCMP\r\n";
    for (int k = 1; k <= 2; ++k) {
      t += "    BSSID " + std::to_string(k) + "                 : 02:5a:00:00:00:0" + std::to_string(k) + "\r\n";
      t += "         Sinal             : 61%\r\n";
      t += "         Tipo de r\xE1" "dio      : 802.11n\r\n";
    }
  }
  return t;
}

void BM_Parse44000Networks(benchmark::State& state) {
  const std::string networks = ManyNetworks(44000);
  const std::string interfaces = "    SSID                   : Rede Gerada 43999\r\n";
  size_t listed = 0;
  for (auto _ : state) listed = ParseNetworks(interfaces, networks).items.size();
  if (listed != 44000) state.SkipWithError("not every network was listed");
  state.counters["answer_MB"] = static_cast<double>(networks.size()) / 1e6;
  state.counters["networks"] = static_cast<double>(listed);
}
BENCHMARK(BM_Parse44000Networks)->Unit(benchmark::kMillisecond)->Iterations(5);
}  // namespace

BENCHMARK_MAIN();
