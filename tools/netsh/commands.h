// The wlan command words, as netsh takes them (keywords in any letter case).
#pragma once
#include <string>
#include <vector>

enum class CommandKind {
  kUnknown,
  kShowInterfaces,
  kShowNetworks,
  kShowProfiles,
  kConnect,
  kDisconnect,
  kAddProfile,
  kDeleteProfile
};

struct Command {
  CommandKind kind = CommandKind::kUnknown;
  bool bssid = false;     // show networks mode=bssid
  std::string name;       // connect: name= or the first plain word; delete profile: name=;
                          // line end trimmed
  bool named = false;     // a name was given, the empty one (name=) too
  std::string filename;   // add profile filename=
  std::string words;      // "wlan ..." as typed, for the unknown-command text
};

// args: every word of the command line after the program's name.
Command ParseCommand(const std::vector<std::string>& args);
// The commands a switched-off radio refuses: seeing networks and joining one.
inline bool NeedsRadio(const Command& c) { return c.kind == CommandKind::kShowNetworks || c.kind == CommandKind::kConnect; }
