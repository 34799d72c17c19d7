// Connecting to, and disconnecting from, the chosen network.
#pragma once
#include <string_view>

void ConnectNetwork(std::string_view rawName);
// Asks the key, writes the profile and hands it to netsh; false when the
// user withdrew or the profile could not be written.
bool AddProfile(std::string_view rawName);
