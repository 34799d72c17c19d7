#include "tools/netsh/commands.h"

#include "tools/netsh/wlan.h"

namespace {
std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// "key=value" with the key in any case; false when the word is not one.
bool Param(const std::string& word, const std::string& key, std::string* value) {
  if (word.size() <= key.size() || Lower(word.substr(0, key.size() + 1)) != key + "=") return false;
  *value = word.substr(key.size() + 1);
  return true;
}
}  // namespace

Command ParseCommand(const std::vector<std::string>& args) {
  Command c;
  for (const std::string& a : args) c.words += (c.words.empty() ? "" : " ") + TrimLineEnd(a);
  if (args.size() < 2 || Lower(args[0]) != "wlan") return c;
  std::string verb = Lower(args[1]);
  std::string what = args.size() > 2 ? Lower(args[2]) : "";
  std::string value;
  if (verb == "show" && what == "interfaces") {
    c.kind = CommandKind::kShowInterfaces;
  } else if (verb == "show" && what == "networks") {
    c.kind = CommandKind::kShowNetworks;
    for (size_t i = 3; i < args.size(); ++i)
      if (Param(args[i], "mode", &value) && Lower(value) == "bssid") c.bssid = true;
  } else if (verb == "show" && what == "profiles") {
    c.kind = CommandKind::kShowProfiles;
  } else if (verb == "connect") {
    c.kind = CommandKind::kConnect;
    bool& have = c.named;
    for (size_t i = 2; i < args.size() && !have; ++i) {
      if (Param(args[i], "name", &value)) {
        c.name = TrimLineEnd(value);
        have = true;
      } else if (!Param(args[i], "ssid", &value) && !Param(args[i], "interface", &value)) {
        // The program hands the name as a plain word of its own.
        c.name = TrimLineEnd(args[i]);
        have = true;
      }
    }
  } else if (verb == "disconnect") {
    c.kind = CommandKind::kDisconnect;
  } else if (verb == "add" && what == "profile") {
    for (size_t i = 3; i < args.size(); ++i)
      if (Param(args[i], "filename", &value)) {
        value = TrimLineEnd(value);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        c.filename = value;
      }
    if (!c.filename.empty()) c.kind = CommandKind::kAddProfile;
  } else if (verb == "delete" && what == "profile") {
    c.kind = CommandKind::kDeleteProfile;
    // Only name= names the profile: a plain word is not taken, as netsh does not.
    for (size_t i = 3; i < args.size(); ++i)
      if (Param(args[i], "name", &value)) {
        c.name = TrimLineEnd(value);
        c.named = true;
        break;
      }
  }
  return c;
}
