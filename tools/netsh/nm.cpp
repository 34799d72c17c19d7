#include "tools/netsh/nm.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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
  // Untranslated values and UTF-8 names whatever the user's locale; gettext
  // reads LANGUAGE before LC_ALL unless it is empty.
  return RunProgram(argv, input, {"LC_ALL=C.UTF-8", "LANGUAGE="}, 25000);
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

// What a refusal of NetworkManager's looks like: polkit said no.
bool NotAllowed(const std::string& why) {
  std::string w = Lower(why);
  return w.find("not authorized") != std::string::npos || w.find("insufficient privileges") != std::string::npos ||
         w.find("permission denied") != std::string::npos;
}

// nmcli's failure told in words the user can act on where we know them.
std::string Reason(const RunResult& r) {
  std::string why = r.err.empty() ? r.out : r.err;
  if (r.timed_out) return NmTimeoutText();
  if (NotAllowed(why)) return NotAllowedText();
  if (Lower(why).find("psk: property is invalid") != std::string::npos) return KeyInvalidText();
  return FirstLine(why);
}

// A folder of the user's own, closed to others, for the lock and the note
// that pass between two netsh runs; empty when there is none.
std::string PrivateFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const char* home = std::getenv("HOME");
  std::string dir;
  if (runtime && *runtime) dir = std::string(runtime) + "/zelnar";
  else if (home && *home) dir = std::string(home) + "/.local/state/zelnar";
  else return "";
  for (size_t i = 1; i <= dir.size(); ++i)
    if (i == dir.size() || dir[i] == '/') mkdir(dir.substr(0, i).c_str(), 0700);
  struct stat st;
  if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid()) return "";
  return dir;
}

// The program starts connect while add profile may still run: every command
// waits for the one before it.
void LockCommands() {
  std::string dir = PrivateFolder();
  if (dir.empty()) return;
  int fd = open((dir + "/netsh-nm.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return;
  while (flock(fd, LOCK_EX) != 0 && errno == EINTR) {
  }
  // Held until the process ends.
}

// Why the last add profile of a network failed, kept for the connect that
// follows it: the program reads only the connect's answer.
std::string NotePath() {
  std::string dir = PrivateFolder();
  return dir.empty() ? "" : dir + "/netsh-nm-add.failed";
}

void WriteNote(const std::string& name, const std::string& reason) {
  std::string path = NotePath();
  if (!path.empty()) ReplaceFile(path, name + "\n" + reason);
}

// The reason noted for NAME, once; empty when there is none.
std::string TakeNote(const std::string& name) {
  std::string path = NotePath();
  if (path.empty()) return "";
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return "";
  std::string text;
  char buf[4096];
  ssize_t n;
  while ((n = read(fd, buf, sizeof buf)) > 0) text.append(buf, static_cast<size_t>(n));
  close(fd);
  size_t nl = text.find('\n');
  if (nl == std::string::npos || text.substr(0, nl) != name) return "";
  unlink(path.c_str());
  return text.substr(nl + 1);
}

void ForgetNote() {
  std::string path = NotePath();
  if (!path.empty()) unlink(path.c_str());
}

std::string StableUuid(const std::string& ssid);

// Of the saved connections shown as NAME, the one we added ourselves is
// started when there is one: when the user typed a key again for a network
// whose older connection (another tool's) holds a wrong one, the new key is
// the one used.
Answer Connect(const NmDevice& dev, const std::string& name) {
  std::vector<NmConnection> named;
  for (const NmConnection& c : ListWifiConnections())
    if (ShownName(c.name) == name) named.push_back(c);
  const std::string ours = StableUuid(Latin1ToUtf8(name));
  auto chosen = std::find_if(named.begin(), named.end(), [&](const NmConnection& c) { return c.uuid == ours; });
  if (chosen == named.end()) chosen = named.begin();
  if (chosen != named.end()) {
    const NmConnection& c = *chosen;
    RunResult r = Nmcli({"-w", "20", "connection", "up", "uuid", c.uuid, "ifname", dev.name});
    if (r.status == 0) return {ConnectedText(), "", 0};
    std::string why = Lower(r.err + r.out);
    if (why.find("secrets") != std::string::npos || why.find("password") != std::string::npos)
      return {WrongKeyText(name), "", 1};
    if (why.find("no network with ssid") != std::string::npos || why.find("not available") != std::string::npos ||
        why.find("not found") != std::string::npos)
      return {OutOfRangeText(name), "", 1};
    return {ConnectFailedText(Reason(r)), "", 1};
  }
  std::string noted = TakeNote(name);
  if (!noted.empty()) return {ConnectFailedText(noted), "", 1};
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
    if (r.status != 0) return {DeleteFailedText(Reason(r)), "", 1};
  }
  if (!found) return {ProfileNotFoundText(name), "", 1};
  return {ProfileDeletedText(name, dev.name), "", 0};
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

// A key nmcli's editor would read otherwise than typed: a line end would
// start another editor command, and blanks at either end are dropped.
bool KeyFitsEditor(const std::string& key) {
  for (unsigned char c : key)
    if (c < 0x20 || c == 0x7F) return false;
  return !key.empty() && key.front() != ' ' && key.back() != ' ';
}

Answer AddFailed(const std::string& name, const std::string& reason) {
  WriteNote(name, reason);
  return {ProfileFailedText(reason), "", 1};
}

// The connection is added through NetworkManager, owned by the user who runs
// us (polkit lets a local user change connections of his own without a
// password). The key goes to nmcli's editor on its standard input, never on a
// command line, and the connection starts on its own only once it holds it.
Answer AddProfile(const std::string& device, const std::string& file) {
  WlanProfile wp;
  Answer refused;
  if (RefuseProfile(ReadWlanProfile(file, &wp), &refused)) return refused;
  // A hidden network shows no name, and NetworkManager joins a network by it.
  if (wp.ssid.empty()) return AddFailed(wp.name, HiddenNetworkText());
  // The program knows the SSID as netsh showed it; a network in range shown
  // the same way gives back the exact bytes (names Latin-1 cannot hold).
  std::string ssid, security;
  bool found = false;
  for (const NmAp& ap : ListAps(device))
    if (ShownName(ap.ssid) == wp.ssid) {
      ssid = ap.ssid;
      security = ap.security;
      found = true;
      break;
    }
  if (!found) ssid = Latin1ToUtf8(wp.ssid);
  if (ssid.empty() || ssid.size() > 32 || ssid.find('\0') != std::string::npos)
    return AddFailed(wp.name, SsidUnusableText());
  std::string key = Latin1ToUtf8(wp.key);
  if (!wp.open && !KeyFitsEditor(key)) return AddFailed(wp.name, KeyInvalidText());
  std::string id = IsValidUtf8(ssid) && Utf8ToLatin1(ssid) == wp.name ? ssid : Latin1ToUtf8(wp.name);
  std::string uuid = StableUuid(ssid);
  bool updated = false;
  for (const NmConnection& c : ListWifiConnections())
    if (c.uuid == uuid) updated = true;
  if (updated) {
    RunResult r = Nmcli({"connection", "delete", "uuid", uuid});
    if (r.status != 0) return AddFailed(wp.name, Reason(r));
  }
  std::vector<std::string> add = {"connection", "add", "type", "wifi", "con-name", id, "ssid", ssid,
                                  "connection.uuid", uuid, "connection.autoconnect", wp.open ? "yes" : "no"};
  if (geteuid() != 0)
    if (passwd* pw = getpwuid(geteuid())) {
      add.push_back("connection.permissions");
      add.push_back(std::string("user:") + pw->pw_name);
    }
  if (!wp.open) {
    // A WPA3-only router takes SAE alone; one that also speaks WPA2 takes the
    // pre-shared key, which every driver knows.
    bool saeOnly = security.find("WPA3") != std::string::npos && security.find("WPA2") == std::string::npos &&
                   security.find("WPA1") == std::string::npos;
    add.push_back("wifi-sec.key-mgmt");
    add.push_back(saeOnly ? "sae" : "wpa-psk");
  }
  RunResult r = Nmcli(add);
  if (r.status != 0) return AddFailed(wp.name, Reason(r));
  if (!wp.open) {
    // The editor asks whether to save a connection that now starts on its
    // own: the "yes" answers it.
    RunResult e = Nmcli({"connection", "edit", "uuid", uuid},
                        "set 802-11-wireless-security.psk " + key + "\nset connection.autoconnect yes\n"
                        "save persistent\nyes\nquit\n");
    // The editor ends with status 0 whatever happened; it says whether it saved.
    if (e.out.find("successfully updated") == std::string::npos) {
      Nmcli({"connection", "delete", "uuid", uuid});
      size_t at = e.out.find("Error:");
      if (at != std::string::npos) e.err = e.out.substr(at);
      return AddFailed(wp.name, Reason(e));
    }
  }
  ForgetNote();
  return {ProfileAddedText(wp.name, device.empty() ? "Wi-Fi" : device, updated), "", 0};
}
}  // namespace

Answer RunNm(const std::vector<std::string>& args) {
  Command cmd = ParseCommand(args);
  if (cmd.kind == CommandKind::kUnknown) return {"", UnknownCommandText(cmd.words), 1};
  // Without NetworkManager there is no wireless service to answer.
  if (cmd.kind == CommandKind::kAddProfile || cmd.kind == CommandKind::kConnect ||
      cmd.kind == CommandKind::kDeleteProfile || cmd.kind == CommandKind::kShowProfiles)
    LockCommands();
  std::vector<NmDevice> devices;
  if (FindOnPath("nmcli").empty() || !ListDevices(&devices)) return {ServiceStoppedText(), "", 1};
  if (devices.empty()) {
    if (cmd.kind == CommandKind::kAddProfile) return AddProfile("", cmd.filename);
    return {NoInterfaceText(), "", 1};
  }
  // With two adapters (a USB one beside an internal one that is switched off
  // or left to another tool) the one NetworkManager can use is the interface.
  auto usable = std::find_if(devices.begin(), devices.end(), [](const NmDevice& d) {
    return d.state != "unavailable" && d.state != "unmanaged";
  });
  const NmDevice& dev = usable != devices.end() ? *usable : devices.front();
  bool connected = dev.state.rfind("connected", 0) == 0;
  // NetworkManager's "unavailable": the radio is off (airplane mode, the
  // radio key), so nothing can be seen or joined until it is switched on.
  if (dev.state == "unavailable" && NeedsRadio(cmd)) return {RadioOffText(), "", 1};
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
      if (!cmd.named) return {MissingNameText("connect"), "", 1};  // the empty name is the hidden network's
      return Connect(dev, cmd.name);
    case CommandKind::kDisconnect: {
      if (!connected) return {DisconnectedText(dev.name), "", 0};
      RunResult r = Nmcli({"device", "disconnect", dev.name});
      if (r.status == 0) return {DisconnectedText(dev.name), "", 0};
      return {DisconnectFailedText(Reason(r)), "", 1};
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
