#include "app/networks.h"

#include "app/pipe.h"
#include "console/menu.h"

namespace {
std::vector<std::string> gList;
std::vector<std::string> gNames;
std::vector<bool> gOpen;
std::string gInterfaces;

// Positions follow the netsh text's own rules: an empty text never occurs.
bool Occurs(const std::string& needle, const std::string& hay) {
  return !needle.empty() && hay.find(needle) != std::string::npos;
}

// A copy from 0-based index i, at most c characters; empty when out of range.
std::string Copy(const std::string& s, size_t i, long c) {
  if (c <= 0 || i >= s.size()) return std::string();
  return s.substr(i, static_cast<size_t>(c));
}

std::string Label(int n) { return "SSID " + std::to_string(n); }

// Open when the network's own authentication line says "Aberta". The name's
// line (the stretch's first) is not looked at: a secured network called, say,
// "Rede Aberta" must still get its key prompt.
bool OpenAuthentication(const std::string& stretch) {
  static const std::string kLabel = "Autentica\xE7\xE3o";
  size_t end = stretch.find("\r\n");
  while (end != std::string::npos) {
    size_t start = end + 2;
    end = stretch.find("\r\n", start);
    std::string line = stretch.substr(start, end == std::string::npos ? std::string::npos : end - start);
    size_t label = line.find_first_not_of(' ');
    if (label == std::string::npos || line.compare(label, kLabel.size(), kLabel) != 0) continue;
    size_t colon = line.find(':', label);
    if (colon == std::string::npos) return false;
    size_t value = line.find_first_not_of(' ', colon + 1);
    size_t last = line.find_last_not_of(' ');
    return value != std::string::npos && line.substr(value, last + 1 - value) == "Aberta";
  }
  return false;
}

std::string RunQuery(const char* command) {
  StartCommand(command);
  WaitCommand(1500);
  std::string text = ReadCommandOutput();
  EndCommand();
  return text;
}
}  // namespace

ScanResult ParseNetworks(const std::string& interfaces, const std::string& networks) {
  ScanResult r;
  // Taken once for the whole text: every name is cut with the same count.
  size_t deRede = networks.find("de rede");
  long c = deRede == std::string::npos ? 0 : static_cast<long>(deRede) + 1;
  int n = 1;
  size_t p = networks.find(Label(n));
  while (p != std::string::npos) {
    std::string raw = Copy(networks, p + 9, c);  // 9 characters after the label's start
    size_t tipo = raw.find("Tipo de rede");
    if (tipo != std::string::npos) raw.erase(tipo);
    while (!raw.empty() && raw.back() == ' ') raw.pop_back();
    std::string shown = Copy(raw, 0, static_cast<long>(raw.size()) - 2);
    r.rawNames.push_back(raw);
    // The name itself starts after "SSID n : ", however many digits n has.
    size_t own = Label(n).size() + 3;
    r.names.push_back(own > 9 && shown.size() >= own - 9 ? shown.substr(own - 9) : shown);
    if (Occurs(raw, interfaces)) shown += ", conectado";

    size_t next = networks.find(Label(n + 1), p);
    std::string stretch = networks.substr(p, next == std::string::npos ? std::string::npos : next - p);
    if (stretch.find("CCMP") != std::string::npos) shown += ", segura";
    r.open.push_back(OpenAuthentication(stretch));

    std::string signal;
    size_t sinal = networks.find("Sinal", p);
    if (sinal != std::string::npos && sinal + 20 < networks.size()) {
      size_t end = networks.find("\r\n", sinal + 20);
      signal = networks.substr(sinal + 20, end == std::string::npos ? std::string::npos : end - (sinal + 20));
    }
    shown += ", sinal " + signal;
    r.items.push_back(shown);
    ++n;
    p = networks.find(Label(n));
  }
  return r;
}

void ScanNetworks() {
  OpenMenu(5, 10, 40, 10, 1);
  gList.clear();
  gNames.clear();
  gOpen.clear();
  gInterfaces = RunQuery("netsh wlan show interfaces");
  std::string networks = RunQuery("netsh wlan show networks mode=bssid");
  ScanResult r = ParseNetworks(gInterfaces, networks);
  gList = std::move(r.rawNames);
  gNames = std::move(r.names);
  gOpen = std::move(r.open);
  for (const std::string& item : r.items) AddMenuItem("", item);
}

const std::vector<std::string>& NetworkList() { return gList; }
const std::string& InterfacesText() { return gInterfaces; }

bool IsOpenNetwork(std::string_view rawName) {
  for (size_t i = 0; i < gList.size(); ++i)
    if (gList[i] == rawName) return gOpen[i];
  return false;
}

std::string NetworkName(std::string_view rawName) {
  for (size_t i = 0; i < gList.size(); ++i)
    if (gList[i] == rawName) return gNames[i];
  return std::string(rawName.size() >= 2 ? rawName.substr(0, rawName.size() - 2) : std::string_view());
}
