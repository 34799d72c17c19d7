// What the netsh stand-in knows about the radio, and the texts it prints.
// Every text is Latin-1 with CR LF line ends, laid out as the Portuguese
// netsh lays it out: the program reads it by labels and column positions.
#pragma once
#include <string>
#include <string_view>
#include <vector>

struct AccessPoint {
  std::string bssid;   // "00:11:22:33:44:55"
  int signal = 0;      // percent
  std::string radio;   // "802.11n"
  int channel = 0;     // 0: unknown
};

struct Network {
  std::string name;    // the SSID's bytes as shown (Latin-1); empty when hidden
  std::string auth;    // "WPA2-Personal", "Aberta", ...
  std::string cipher;  // "CCMP", "Nenhuma", ...
  std::vector<AccessPoint> aps;
  bool Open() const { return auth == "Aberta"; }
};

struct InterfaceInfo {
  std::string name = "Wi-Fi";
  std::string description = "Adaptador de rede sem fio";
  std::string mac = "f4:8c:50:12:34:56";
  bool connected = false;
  Network network;     // the connected network, its first AP the one in use
  std::string profile;
};

// What a command answers: text for the standard output and the error stream,
// and the exit status.
struct Answer {
  std::string out;
  std::string err;
  int status = 0;
};

// Full answers of the show commands.
std::string InterfacesText(const InterfaceInfo& iface);
std::string NetworksText(const std::string& iface, const std::vector<Network>& nets, bool bssid);
std::string ProfilesText(const std::string& iface, const std::vector<std::string>& names);

// One-sentence answers. Success of connect and disconnect carries "\xEAxito".
std::string ConnectedText();
std::string DisconnectedText(const std::string& iface);
std::string ServiceStoppedText();
std::string NoInterfaceText();
// The Wi-Fi radio switched off (airplane mode, the radio key).
std::string RadioOffText();
std::string NoProfileText(const std::string& name, const std::string& iface);
std::string OutOfRangeText(const std::string& name);
std::string WrongKeyText(const std::string& name);
std::string ConnectFailedText(const std::string& reason);
std::string ProfileAddedText(const std::string& name, const std::string& iface, bool updated);
std::string ProfileFailedText(const std::string& reason);
// usage: the command the name belongs to ("connect", "delete profile").
std::string MissingNameText(const std::string& usage);
std::string ProfileDeletedText(const std::string& name, const std::string& iface);
std::string ProfileNotFoundText(const std::string& name);
std::string DeleteFailedText(const std::string& reason);
std::string UnknownCommandText(const std::string& words);

// A name received from the command line: one trailing CR LF (or lone CR or LF)
// is not part of it.
std::string TrimLineEnd(std::string name);

// Answers of "add profile" when the file is not there or not a profile.
std::string ProfileFileMissingText();
std::string ProfileCorruptText();
std::string DisconnectFailedText(const std::string& reason);

// Reasons of the NetworkManager backend, put after "Falha ...: ", in words a
// user can act on.
std::string NotAllowedText();     // polkit refused
std::string KeyInvalidText();     // NetworkManager cannot hold the key
std::string HiddenNetworkText();  // a hidden network, whose name nobody gave
std::string SsidUnusableText();   // the network's name cannot be given to NetworkManager
std::string NmTimeoutText();      // nmcli did not answer
