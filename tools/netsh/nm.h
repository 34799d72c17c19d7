// The NetworkManager backend: answers the wlan commands through nmcli.
#pragma once
#include <string>
#include <vector>

#include "tools/netsh/wlan.h"

// args: every word after the program's name.
Answer RunNm(const std::vector<std::string>& args);
