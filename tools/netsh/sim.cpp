#include "tools/netsh/sim.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "tools/netsh/commands.h"
#include "tools/netsh/profile_xml.h"
#include "tools/netsh/scenario.h"
#include "tools/netsh/util.h"

namespace {
// What the calls change, on top of the scenario's starting point.
struct SimState {
  bool connected = false;
  std::string connected_ssid;
  std::vector<SimProfile> profiles;
};

std::string HexOrDash(const std::string& s) { return s.empty() ? "-" : ToHex(s); }
bool DashOrHex(const std::string& s, std::string* out) {
  if (s == "-") {
    out->clear();
    return true;
  }
  return FromHex(s, out);
}

std::string SerializeState(const std::string& scenario_id, const SimState& st) {
  std::string t = "zelnar-wifi-state 1\n";
  t += "scenario " + HexOrDash(scenario_id) + "\n";
  t += st.connected ? "connected " + HexOrDash(st.connected_ssid) + "\n" : "disconnected\n";
  for (const SimProfile& p : st.profiles)
    t += "profile " + HexOrDash(p.name) + " " + HexOrDash(p.ssid) +
         (p.open ? " open" : " psk " + HexOrDash(p.key)) + "\n";
  return t;
}

// False when the text is not a state of this scenario (then the scenario's
// own starting point holds).
bool ParseState(const std::string& text, const std::string& scenario_id, SimState* out) {
  std::istringstream in(text);
  std::string line;
  if (!std::getline(in, line) || line != "zelnar-wifi-state 1") return false;
  SimState st;
  bool scenario_ok = false;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string kw, a, b, c, d;
    words >> kw >> a >> b >> c >> d;
    if (kw == "scenario") {
      std::string id;
      scenario_ok = DashOrHex(a, &id) && id == scenario_id;
    } else if (kw == "connected") {
      st.connected = DashOrHex(a, &st.connected_ssid);
    } else if (kw == "profile") {
      SimProfile p;
      if (!DashOrHex(a, &p.name) || !DashOrHex(b, &p.ssid)) return false;
      p.open = c == "open";
      if (!p.open && !DashOrHex(d, &p.key)) return false;
      st.profiles.push_back(p);
    }
  }
  if (!scenario_ok) return false;
  *out = st;
  return true;
}

bool ReadWhole(const std::string& path, std::string* out) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return false;
  std::stringstream ss;
  ss << f.rdbuf();
  *out = ss.str();
  return true;
}

void MakeParentDirs(const std::string& path) {
  for (size_t i = 1; i < path.size(); ++i)
    if (path[i] == '/') mkdir(path.substr(0, i).c_str(), 0700);
}

const SimProfile* FindProfile(const std::vector<SimProfile>& profiles, const std::string& name) {
  for (const SimProfile& p : profiles)
    if (p.name == name) return &p;
  return nullptr;
}

int FindNetwork(const Scenario& sc, const std::string& ssid) {
  for (size_t i = 0; i < sc.networks.size(); ++i)
    if (sc.networks[i].name == ssid) return static_cast<int>(i);
  return -1;
}

struct Sim {
  Scenario sc;
  std::string scenario_id;
  std::string state_path;
  int lock_fd = -1;
  SimState st;
};

bool LoadScenario(const std::string& scenario_path, Sim* sim, std::string* error) {
  std::string text;
  if (scenario_path.empty()) {
    text = EmbeddedDemoScenario();
    sim->scenario_id = "embedded";
  } else {
    if (!ReadWhole(scenario_path, &text)) {
      *error = "n\xE3o foi poss\xEDvel ler o cen\xE1rio " + scenario_path;
      return false;
    }
    char* real = realpath(scenario_path.c_str(), nullptr);
    sim->scenario_id = real ? real : scenario_path;
    std::free(real);
  }
  if (!ParseScenario(text, &sim->sc, error)) {
    *error = "cen\xE1rio " + (scenario_path.empty() ? std::string("embutido") : scenario_path) + ", " + *error;
    return false;
  }
  return true;
}

// Takes the lock (exclusive when the call changes the state) and reads the
// state, or the scenario's starting point when there is none.
void OpenState(Sim* sim, bool exclusive) {
  const char* env = std::getenv("ZELNAR_WIFI_STATE");
  sim->state_path = env && *env ? env : DefaultSimStatePath();
  MakeParentDirs(sim->state_path);
  std::string lock_path = sim->state_path + ".lock";
  sim->lock_fd = open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (sim->lock_fd >= 0) {
    while (flock(sim->lock_fd, exclusive ? LOCK_EX : LOCK_SH) != 0 && errno == EINTR) {
    }
  }
  sim->st.connected = sim->sc.connected;
  sim->st.connected_ssid = sim->sc.connected_ssid;
  sim->st.profiles = sim->sc.profiles;
  std::string text;
  if (ReadWhole(sim->state_path, &text)) ParseState(text, sim->scenario_id, &sim->st);
}

bool SaveState(Sim* sim) { return ReplaceFile(sim->state_path, SerializeState(sim->scenario_id, sim->st)); }

InterfaceInfo Interface(const Sim& sim) {
  InterfaceInfo info;
  info.name = sim.sc.iface;
  int i = sim.st.connected ? FindNetwork(sim.sc, sim.st.connected_ssid) : -1;
  if (i >= 0) {
    info.connected = true;
    info.network = sim.sc.networks[i];
    info.profile = info.network.name;
    for (const SimProfile& p : sim.st.profiles)
      if (p.ssid == info.network.name) {
        info.profile = p.name;
        break;
      }
  }
  return info;
}

Answer Connect(Sim* sim, const std::string& name) {
  const SimProfile* p = FindProfile(sim->st.profiles, name);
  if (!p) return {NoProfileText(name, sim->sc.iface), "", 1};
  int i = FindNetwork(sim->sc, p->ssid);
  if (i < 0) return {OutOfRangeText(name), "", 1};
  const Network& net = sim->sc.networks[i];
  if (!net.Open() && (p->open || p->key != sim->sc.keys[i])) return {WrongKeyText(name), "", 1};
  sim->st.connected = true;
  sim->st.connected_ssid = net.name;
  if (!SaveState(sim)) return {ConnectFailedText("estado n\xE3o gravado."), "", 1};
  return {ConnectedText(), "", 0};
}

Answer AddProfile(Sim* sim, const std::string& path) {
  WlanProfile wp;
  Answer refused;
  if (RefuseProfile(ReadWlanProfile(path, &wp), &refused)) return refused;
  SimProfile p{wp.name, wp.ssid, wp.open, wp.key};
  bool updated = false;
  for (SimProfile& old : sim->st.profiles)
    if (old.name == p.name) {
      old = p;
      updated = true;
    }
  if (!updated) sim->st.profiles.push_back(p);
  if (!SaveState(sim)) return {ProfileFailedText("estado n\xE3o gravado."), "", 1};
  return {ProfileAddedText(p.name, sim->sc.iface, updated), "", 0};
}

// The connection in use is left alone: only the stored profile goes.
Answer DeleteProfile(Sim* sim, const std::string& name) {
  std::vector<SimProfile>& list = sim->st.profiles;
  size_t before = list.size();
  std::erase_if(list, [&](const SimProfile& p) { return p.name == name; });
  if (list.size() == before) return {ProfileNotFoundText(name), "", 1};
  if (!SaveState(sim)) return {DeleteFailedText("estado n\xE3o gravado."), "", 1};
  return {ProfileDeletedText(name, sim->sc.iface), "", 0};
}
}  // namespace

std::string DefaultSimStatePath() {
  const char* xdg = std::getenv("XDG_STATE_HOME");
  if (xdg && *xdg == '/') return std::string(xdg) + "/zelnar/wifi-sim.state";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : "/tmp") + "/.local/state/zelnar/wifi-sim.state";
}

Answer RunSim(const std::string& scenario_path, const std::vector<std::string>& args) {
  Sim sim;
  std::string error;
  if (!LoadScenario(scenario_path, &sim, &error)) return {"", "netsh: " + error + "\r\n", 2};
  Command cmd = ParseCommand(args);
  if (cmd.kind == CommandKind::kUnknown) return {"", UnknownCommandText(cmd.words), 1};
  SleepMs(sim.sc.delay_ms);
  // An association takes its time before connect answers, outside the lock.
  if (cmd.kind == CommandKind::kConnect) SleepMs(sim.sc.associate_ms);
  if (sim.sc.silent) return {};
  if (sim.sc.failure == SimFailure::kServiceStopped) return {ServiceStoppedText(), "", 1};
  if (sim.sc.failure == SimFailure::kNoInterface) return {NoInterfaceText(), "", 1};
  // With the radio off the interface and its profiles are still there.
  if (sim.sc.failure == SimFailure::kRadioOff && NeedsRadio(cmd)) return {RadioOffText(), "", 1};
  bool changes = cmd.kind == CommandKind::kConnect || cmd.kind == CommandKind::kDisconnect ||
                 cmd.kind == CommandKind::kAddProfile || cmd.kind == CommandKind::kDeleteProfile;
  OpenState(&sim, changes);
  switch (cmd.kind) {
    case CommandKind::kShowInterfaces:
      return {InterfacesText(Interface(sim)), "", 0};
    case CommandKind::kShowNetworks:
      return {NetworksText(sim.sc.iface, sim.sc.networks, cmd.bssid), "", 0};
    case CommandKind::kShowProfiles: {
      std::vector<std::string> names;
      for (const SimProfile& p : sim.st.profiles) names.push_back(p.name);
      return {ProfilesText(sim.sc.iface, names), "", 0};
    }
    case CommandKind::kConnect:
      if (!cmd.named) return {MissingNameText("connect"), "", 1};
      return Connect(&sim, cmd.name);  // the empty name is the hidden network's
    case CommandKind::kDisconnect:
      sim.st.connected = false;
      sim.st.connected_ssid.clear();
      if (!SaveState(&sim)) return {ConnectFailedText("estado n\xE3o gravado."), "", 1};
      return {DisconnectedText(sim.sc.iface), "", 0};
    case CommandKind::kAddProfile:
      return AddProfile(&sim, cmd.filename);
    case CommandKind::kDeleteProfile:
      if (!cmd.named) return {MissingNameText("delete profile"), "", 1};
      return DeleteProfile(&sim, cmd.name);
    case CommandKind::kUnknown:
      break;
  }
  return {};
}
