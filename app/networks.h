// The network scan: what netsh reports, turned into the menu and the list of
// raw network names.
#pragma once
#include <string>
#include <vector>

void ScanNetworks();
// One raw name per network (the name with the CR LF that ended its line).
const std::vector<std::string>& NetworkList();
// The whole output of "netsh wlan show interfaces" of the last scan.
const std::string& InterfacesText();
