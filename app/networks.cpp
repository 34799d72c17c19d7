// Interim scan: no networks until the command runner lands.
#include "app/networks.h"

#include "console/menu.h"

namespace {
std::vector<std::string> gList;
std::string gInterfaces;
}

void ScanNetworks() {
  OpenMenu(5, 10, 40, 10, 1);
  gList.clear();
}
const std::vector<std::string>& NetworkList() { return gList; }
const std::string& InterfacesText() { return gInterfaces; }
