// The network scan: what netsh reports, turned into the menu and the list of
// raw network names.
#pragma once
#include <string>
#include <string_view>
#include <vector>

// Fills the menu from netsh's answers; when netsh says there is no wireless
// service or adapter, says so instead and opens no menu.
void ScanNetworks();
// Whether the last scan found no wireless service or adapter to ask.
bool WirelessUnavailable();
// One raw name per network (the name with the CR LF that ended its line).
const std::vector<std::string>& NetworkList();
// The whole output of "netsh wlan show interfaces" of the last scan.
const std::string& InterfacesText();
// Whether the last scan showed the network with open authentication.
bool IsOpenNetwork(std::string_view rawName);
// The network's own name for a raw name of the last scan: from the tenth
// network on the raw name begins with a blank of netsh's label layout, which
// is not part of the name. A raw name the scan did not give loses its last
// two characters (its CR LF).
std::string NetworkName(std::string_view rawName);

// The menu texts and raw names the scan makes of the two netsh answers.
struct ScanResult {
  std::vector<std::string> items;
  std::vector<std::string> rawNames;
  std::vector<std::string> names;  // each network's own name, no CR LF
  std::vector<bool> open;
};
ScanResult ParseNetworks(const std::string& interfacesText, const std::string& networksText);
