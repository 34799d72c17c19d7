// The simulated-radio backend: answers the wlan commands from a scenario and
// keeps what connect, disconnect and add profile change in a state file.
#pragma once
#include <string>
#include <vector>

#include "tools/netsh/wlan.h"

// scenario_path: the part of ZELNAR_WIFI after "sim:" (empty: the embedded demo).
// args: the words after "wlan".
Answer RunSim(const std::string& scenario_path, const std::vector<std::string>& args);

// Where the state lives when ZELNAR_WIFI_STATE is not set.
std::string DefaultSimStatePath();
