// The network scan: what netsh reports, turned into the menu and the list of
// raw network names.
#pragma once
#include <string>
#include <string_view>
#include <vector>

void ScanNetworks();
// One raw name per network (the name with the CR LF that ended its line).
const std::vector<std::string>& NetworkList();
// The whole output of "netsh wlan show interfaces" of the last scan.
const std::string& InterfacesText();
// Whether the last scan showed the network with open authentication.
bool IsOpenNetwork(std::string_view rawName);

// The menu texts and raw names the scan makes of the two netsh answers.
struct ScanResult {
  std::vector<std::string> items;
  std::vector<std::string> rawNames;
  std::vector<bool> open;
};
ScanResult ParseNetworks(const std::string& interfacesText, const std::string& networksText);
