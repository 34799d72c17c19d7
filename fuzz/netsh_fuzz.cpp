// The netsh stand-in's scenario file and state file, read to answer the show
// commands. Parts: scenario, state; "@ID@" in the state stands for the
// scenario's own identity (its real path in hexadecimal), so that seeds can
// name it.
#include <cstdint>
#include <cstdlib>

#include "fuzz/fuzz.h"
#include "tools/netsh/scenario.h"
#include "tools/netsh/sim.h"
#include "tools/netsh/util.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> parts = FuzzParts(data, size, 2);
  Scenario sc;
  std::string error;
  // A scenario that asks for a slow tool would only make the fuzzer wait.
  if (!ParseScenario(parts[0], &sc, &error) || sc.delay_ms != 0) return 0;
  std::string scenario = FuzzWrite("t.scenario", parts[0]);
  char* real = realpath(scenario.c_str(), nullptr);
  std::string id = ToHex(real ? real : scenario);
  std::free(real);
  std::string state = parts[1];
  for (size_t at; (at = state.find("@ID@")) != std::string::npos;) state.replace(at, 4, id);
  setenv("ZELNAR_WIFI_STATE", FuzzWrite("t.state", state).c_str(), 1);
  RunSim(scenario, {"show", "interfaces"});
  RunSim(scenario, {"show", "networks", "mode=bssid"});
  RunSim(scenario, {"show", "profiles"});
  return 0;
}
