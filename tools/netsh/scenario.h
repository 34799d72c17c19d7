// The simulated radio: a scenario file (format in README.md) read into the
// networks in range, the starting connection and profiles, and the switches
// that make the tool slow, silent or failing.
#pragma once
#include <string>
#include <vector>

#include "tools/netsh/wlan.h"

struct SimProfile {
  std::string name;
  std::string ssid;
  bool open = false;
  std::string key;
};

enum class SimFailure { kNone, kServiceStopped, kNoInterface, kRadioOff };

struct Scenario {
  std::string iface = "Wi-Fi";
  std::vector<Network> networks;
  std::vector<std::string> keys;  // passphrase of networks[i]; empty when open
  bool connected = false;
  std::string connected_ssid;
  std::vector<SimProfile> profiles;
  int delay_ms = 0;
  int associate_ms = 0;  // connect answers this much later again
  bool silent = false;
  SimFailure failure = SimFailure::kNone;
};

// Parses scenario text; false with a message naming the line on a fault.
bool ParseScenario(const std::string& text, Scenario* out, std::string* error);
// The demo scenario built into the tool ("sim:" with no path).
const std::string& EmbeddedDemoScenario();
