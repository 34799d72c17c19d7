// The scan: the answers of "netsh wlan show interfaces" and "netsh wlan show
// networks mode=bssid" parsed into the menu and the network list.
#include <cstdint>

#include "app/networks.h"
#include "fuzz/fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> parts = FuzzParts(data, size, 2);
  ParseNetworks(parts[0], parts[1]);
  return 0;
}
