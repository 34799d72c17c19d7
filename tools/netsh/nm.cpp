#include "tools/netsh/nm.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "platform/latin1.h"
#include "tools/netsh/commands.h"
#include "tools/netsh/profile_xml.h"
#include "tools/netsh/util.h"

namespace {
struct NmDevice {
  std::string name;
  std::string state;
  std::string connection;
};

// One access point as nmcli lists it; ssid holds the exact bytes.
struct NmAp {
  std::string ssid;
  std::string bssid;
  std::string mode;
  int channel = 0;
  int signal = 0;
  std::string security;
  bool active = false;
};

struct NmConnection {
  std::string name;  // UTF-8, as NetworkManager keeps it
  std::string uuid;
  std::string type;
};

RunResult Nmcli(const std::vector<std::string>& args, const std::string& input = "") {
  std::vector<std::string> argv = {"nmcli"};
  argv.insert(argv.end(), args.begin(), args.end());
  // Untranslated values and UTF-8 names whatever the user's locale.
  return RunProgram(argv, input, {"LC_ALL=C.UTF-8"});
}

// A terse line: fields split at ':' with "\:" and "\\" escaped.
std::vector<std::string> SplitTerse(const std::string& line) {
  std::vector<std::string> fields(1);
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\\' && i + 1 < line.size()) {
      fields.back() += line[++i];
    } else if (line[i] == ':') {
      fields.emplace_back();
    } else {
      fields.back() += line[i];
    }
  }
  return fields;
}

std::vector<std::vector<std::string>> TerseLines(const std::string& out, size_t min_fields) {
  std::vector<std::vector<std::string>> rows;
  size_t pos = 0;
  while (pos < out.size()) {
    size_t end = out.find('\n', pos);
    if (end == std::string::npos) end = out.size();
    std::string line = out.substr(pos, end - pos);
    pos = end + 1;
    if (line.empty()) continue;
    std::vector<std::string> f = SplitTerse(line);
    if (f.size() >= min_fields) rows.push_back(f);
  }
  return rows;
}

int ToInt(const std::string& s) { return std::atoi(s.c_str()); }

// How netsh shows an SSID: UTF-8 names in Latin-1 ('?' for what it cannot
// hold); names that are not UTF-8 are taken as Latin-1 already. A line end or
// zero byte inside a name would break the line layout the program reads.
std::string ShownName(const std::string& ssid) {
  std::string shown = Latin1FromFileText(ssid);
  for (char& c : shown)
    if (c == '\r' || c == '\n' || c == '\0') c = '?';
  return shown;
}

bool ListDevices(std::vector<NmDevice>* wifi) {
  RunResult r = Nmcli({"-t", "-f", "DEVICE,TYPE,STATE,CONNECTION", "device"});
  if (!r.started || r.status != 0) return false;
  for (const auto& f : TerseLines(r.out, 4))
    if (f[1] == "wifi") wifi->push_back({f[0], f[2], f[3]});
  return true;
}

std::vector<NmAp> ListAps(const std::string& device) {
  std::vector<std::string> args = {"-t", "-f", "ACTIVE,SSID-HEX,BSSID,MODE,CHAN,SIGNAL,SECURITY",
                                   "device", "wifi", "list", "--rescan", "no"};
  if (!device.empty()) {
    args.push_back("ifname");
    args.push_back(device);
  }
  RunResult r = Nmcli(args);
  std::vector<NmAp> aps;
  if (!r.started || r.status != 0) return aps;
  for (const auto& f : TerseLines(r.out, 7)) {
    NmAp ap;
    ap.active = f[0] == "yes";
    std::string hex = f[1];
    if (hex.rfind("0x", 0) == 0 || hex.rfind("0X", 0) == 0) hex = hex.substr(2);
    if (!FromHex(hex, &ap.ssid)) continue;
    ap.bssid = f[2];
    for (char& c : ap.bssid) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    ap.mode = f[3];
    ap.channel = ToInt(f[4]);
    ap.signal = ToInt(f[5]);
    ap.security = f[6];
    aps.push_back(ap);
  }
  return aps;
}

std::vector<NmConnection> ListWifiConnections() {
  RunResult r = Nmcli({"-t", "-f", "NAME,UUID,TYPE", "connection", "show"});
  std::vector<NmConnection> list;
  if (!r.started || r.status != 0) return list;
  for (const auto& f : TerseLines(r.out, 3))
    if (f[2] == "802-11-wireless" || f[2] == "wifi") list.push_back({f[0], f[1], f[2]});
  return list;
}

void Security(const std::string& sec, std::string* auth, std::string* cipher) {
  auto has = [&](const char* w) { return sec.find(w) != std::string::npos; };
  if (has("802.1X")) {
    *auth = "WPA2-Enterprise";
    *cipher = "CCMP";
  } else if (has("WPA3")) {
    *auth = "WPA3-Personal";
    *cipher = "CCMP";
  } else if (has("WPA2")) {
    *auth = "WPA2-Personal";
    *cipher = "CCMP";
  } else if (has("WPA1") || has("WPA")) {
    *auth = "WPA-Personal";
    *cipher = "TKIP";
  } else if (has("WEP")) {
    *auth = "Aberta";
    *cipher = "WEP";
  } else {
    *auth = "Aberta";
    *cipher = "Nenhuma";
  }
}

// Access points grouped into networks by their SSID's bytes, in the order
// nmcli lists them (strongest first).
std::vector<Network> Networks(const std::vector<NmAp>& aps, std::vector<std::string>* ssids) {
  std::vector<Network> nets;
  for (const NmAp& ap : aps) {
    size_t i = 0;
    while (i < ssids->size() && (*ssids)[i] != ap.ssid) ++i;
    if (i == ssids->size()) {
      Network n;
      n.name = ShownName(ap.ssid);
      Security(ap.security, &n.auth, &n.cipher);
      nets.push_back(n);
      ssids->push_back(ap.ssid);
    }
    nets[i].aps.push_back({ap.bssid, ap.signal, ap.channel > 14 ? "802.11ac" : "802.11n", ap.channel});
  }
  return nets;
}

std::string FirstLine(const std::string& s) {
  std::string line = s.substr(0, s.find('\n'));
  return ShownName(TrimLineEnd(line));
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

Answer Connect(const NmDevice& dev, const std::string& name) {
  for (const NmConnection& c : ListWifiConnections()) {
    if (ShownName(c.name) != name) continue;
    RunResult r = Nmcli({"-w", "20", "connection", "up", "uuid", c.uuid, "ifname", dev.name});
    if (r.status == 0) return {ConnectedText(), "", 0};
    std::string why = Lower(r.err + r.out);
    if (why.find("secrets") != std::string::npos || why.find("password") != std::string::npos)
      return {WrongKeyText(name), "", 1};
    if (why.find("no network with ssid") != std::string::npos || why.find("not available") != std::string::npos ||
        why.find("not found") != std::string::npos)
      return {OutOfRangeText(name), "", 1};
    return {ConnectFailedText(FirstLine(r.err.empty() ? r.out : r.err)), "", 1};
  }
  return {NoProfileText(name, dev.name), "", 1};
}

// Every saved Wi-Fi connection shown as NAME goes (two can show alike), each
// by its UUID so no name ever reaches nmcli's command line.
Answer DeleteProfile(const NmDevice& dev, const std::string& name) {
  bool found = false;
  for (const NmConnection& c : ListWifiConnections()) {
    if (ShownName(c.name) != name) continue;
    found = true;
    RunResult r = Nmcli({"connection", "delete", "uuid", c.uuid});
    if (r.status != 0) return {DeleteFailedText(FirstLine(r.err.empty() ? r.out : r.err)), "", 1};
  }
  if (!found) return {ProfileNotFoundText(name), "", 1};
  return {ProfileDeletedText(name, dev.name), "", 0};
}

// GLib key-file value escaping.
std::string KeyfileValue(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c == '\\') out += "\\\\";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t') out += "\\t";
    else if (c == ' ' && i == 0) out += "\\s";
    else out += c;
  }
  return out;
}

// The SSID as a list of byte values: keeps any bytes exactly.
std::string SsidBytes(const std::string& ssid) {
  std::string out;
  for (unsigned char c : ssid) out += std::to_string(c) + ";";
  return out;
}

// The same SSID always gets the same UUID, so adding it again replaces it.
std::string StableUuid(const std::string& ssid) {
  unsigned long long h1 = 1469598103934665603ULL, h2 = 1099511628211ULL * 31;
  for (unsigned char c : ssid) {
    h1 = (h1 ^ c) * 1099511628211ULL;
    h2 = (h2 ^ c) * 6364136223846793005ULL + 1442695040888963407ULL;
  }
  std::string hex = ToHex(std::string(reinterpret_cast<const char*>(&h1), 8) +
                          std::string(reinterpret_cast<const char*>(&h2), 8));
  for (char& c : hex) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  hex[12] = '4';
  hex[16] = "89ab"[HexDigit(hex[16]) & 3];
  return hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" + hex.substr(12, 4) + "-" + hex.substr(16, 4) + "-" +
         hex.substr(20);
}

std::string ConnectionsDir() {
  const char* env = std::getenv("ZELNAR_NM_CONNECTIONS_DIR");
  return env && *env ? env : "/etc/NetworkManager/system-connections";
}

// Writes the keyfile readable by its owner only; the key goes nowhere else.
bool WriteKeyfile(const std::string& path, const std::string& text, std::string* why) {
  if (ReplaceFile(path, text)) return true;
  *why = ShownName(std::string(strerror(errno))) + ".";
  return false;
}

Answer AddProfile(const std::string& device, const std::string& file) {
  WlanProfile wp;
  Answer refused;
  if (RefuseProfile(ReadWlanProfile(file, &wp), &refused)) return refused;
  if (wp.ssid.empty()) return {ProfileCorruptText(), "", 1};  // NetworkManager has no empty SSID
  // The program knows the SSID as netsh showed it; a network in range shown
  // the same way gives back the exact bytes (names Latin-1 cannot hold).
  std::string ssid;
  bool found = false;
  for (const NmAp& ap : ListAps(device))
    if (ShownName(ap.ssid) == wp.ssid) {
      ssid = ap.ssid;
      found = true;
      break;
    }
  if (!found) ssid = Latin1ToUtf8(wp.ssid);
  std::string id = IsValidUtf8(ssid) && Utf8ToLatin1(ssid) == wp.name ? ssid : Latin1ToUtf8(wp.name);
  std::string text = "[connection]\nid=" + KeyfileValue(id) + "\nuuid=" + StableUuid(ssid) +
                     "\ntype=wifi\nautoconnect=true\n\n[wifi]\nmode=infrastructure\nssid=" + SsidBytes(ssid) +
                     "\n\n";
  if (!wp.open) text += "[wifi-security]\nkey-mgmt=wpa-psk\npsk=" + KeyfileValue(Latin1ToUtf8(wp.key)) + "\n\n";
  text += "[ipv4]\nmethod=auto\n\n[ipv6]\nmethod=auto\n";
  std::string path = ConnectionsDir() + "/zelnar-" + ToHex(ssid) + ".nmconnection";
  bool updated = access(path.c_str(), F_OK) == 0;
  std::string why;
  if (!WriteKeyfile(path, text, &why)) return {ProfileFailedText(why), "", 1};
  RunResult r = Nmcli({"connection", "load", path});
  if (r.status != 0) return {ProfileFailedText(FirstLine(r.err.empty() ? r.out : r.err)), "", 1};
  return {ProfileAddedText(wp.name, device.empty() ? "Wi-Fi" : device, updated), "", 0};
}
}  // namespace

Answer RunNm(const std::vector<std::string>& args) {
  Command cmd = ParseCommand(args);
  if (cmd.kind == CommandKind::kUnknown) return {"", UnknownCommandText(cmd.words), 1};
  // Without NetworkManager there is no wireless service to answer.
  std::vector<NmDevice> devices;
  if (FindOnPath("nmcli").empty() || !ListDevices(&devices)) return {ServiceStoppedText(), "", 1};
  if (devices.empty()) {
    if (cmd.kind == CommandKind::kAddProfile) return AddProfile("", cmd.filename);
    return {NoInterfaceText(), "", 1};
  }
  const NmDevice& dev = devices.front();
  bool connected = dev.state.rfind("connected", 0) == 0;
  switch (cmd.kind) {
    case CommandKind::kShowInterfaces: {
      InterfaceInfo info;
      info.name = dev.name;
      info.mac.clear();
      if (connected) {
        std::vector<NmAp> aps = ListAps(dev.name);
        for (const NmAp& ap : aps)
          if (ap.active) {
            std::vector<std::string> ssids;
            info.network = Networks({ap}, &ssids).front();
            info.connected = true;
            info.profile = ShownName(dev.connection);
            break;
          }
      }
      return {InterfacesText(info), "", 0};
    }
    case CommandKind::kShowNetworks: {
      std::vector<std::string> ssids;
      return {NetworksText(dev.name, Networks(ListAps(dev.name), &ssids), cmd.bssid), "", 0};
    }
    case CommandKind::kShowProfiles: {
      std::vector<std::string> names;
      for (const NmConnection& c : ListWifiConnections()) names.push_back(ShownName(c.name));
      return {ProfilesText(dev.name, names), "", 0};
    }
    case CommandKind::kConnect:
      if (cmd.name.empty()) return {MissingNameText("connect"), "", 1};
      return Connect(dev, cmd.name);
    case CommandKind::kDisconnect: {
      if (!connected) return {DisconnectedText(dev.name), "", 0};
      RunResult r = Nmcli({"device", "disconnect", dev.name});
      if (r.status == 0) return {DisconnectedText(dev.name), "", 0};
      return {DisconnectFailedText(FirstLine(r.err.empty() ? r.out : r.err)), "", 1};
    }
    case CommandKind::kAddProfile:
      return AddProfile(dev.name, cmd.filename);
    case CommandKind::kDeleteProfile:
      if (cmd.name.empty()) return {MissingNameText("delete profile"), "", 1};
      return DeleteProfile(dev, cmd.name);
    case CommandKind::kUnknown:
      break;
  }
  return {};
}
