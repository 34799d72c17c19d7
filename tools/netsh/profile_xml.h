// Reads a WLAN profile file (the XML the program hands to "add profile").
#pragma once
#include <string>

struct WlanProfile {
  std::string name;  // the profile's name, line end trimmed
  std::string ssid;  // exact bytes: from <hex>, else from the SSID's <name>; empty for a hidden network
  bool open = false; // authentication "open"; otherwise a passphrase network
  std::string key;   // keyMaterial
};

enum class ProfileRead { kOk, kMissing, kCorrupt };

ProfileRead ReadWlanProfile(const std::string& path, WlanProfile* out);

struct Answer;
// netsh's answer to a profile file it cannot use; false when the file was read.
bool RefuseProfile(ProfileRead read, Answer* answer);
