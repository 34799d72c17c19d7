// Connecting to, and disconnecting from, the chosen network.
#pragma once
#include <string>
#include <string_view>

void ConnectNetwork(std::string_view rawName);
// Asks the key (none for an open network), writes the profile and hands it
// to netsh; false when the user withdrew or the profile could not be written.
bool AddProfile(std::string_view rawName);

// The 29 lines of the WLAN profile (fewer for an open network), CR LF ended.
std::string ProfileText(std::string_view rawName, std::string_view key, bool open);
// Where the last profile was written.
const std::string& ProfilePath();
