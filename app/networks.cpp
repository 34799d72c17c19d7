#include "app/networks.h"

#include <unordered_set>

#include "app/messages.h"
#include "app/netshtext.h"
#include "app/pipe.h"
#include "console/menu.h"

namespace {
std::vector<std::string> gList;
std::vector<std::string> gNames;
std::vector<bool> gOpen;
std::string gInterfaces;
const char* gUnavailable = nullptr;

// One line of the text at a time, CR LF (or LF) not included.
struct Lines {
  std::string_view rest;
  bool Next(std::string_view* line) {
    if (rest.empty()) return false;
    size_t end = rest.find('\n');
    *line = rest.substr(0, end);
    if (!line->empty() && line->back() == '\r') line->remove_suffix(1);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    return true;
  }
};

// Where the line's network label "SSID n" starts (after the indent), or npos.
// The number must end there: "SSID 1" is not the start of "SSID 12".
size_t LabelAt(std::string_view line, const std::string& label) {
  size_t start = line.find_first_not_of(' ');
  if (start == std::string_view::npos || line.compare(start, label.size(), label) != 0) return std::string_view::npos;
  size_t after = start + label.size();
  if (after < line.size() && line[after] >= '0' && line[after] <= '9') return std::string_view::npos;
  return start;
}

std::string_view TrimEnd(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

std::string Label(int n) { return "SSID " + std::to_string(n); }

// What netsh answers when there is no wireless service, no adapter to ask, or
// the adapter's radio is off.
const char* UnavailableMessage(const std::string& answer) {
  if (answer.find("(wlansvc)") != std::string::npos) return "ZLSEMSRV";
  if (answer.find("N\xE3o h\xE1 nenhuma interface sem fio") != std::string::npos) return "ZLSEMADP";
  if (answer.find("sem fio est\xE1 desligada") != std::string::npos) return "ZLSEMRAD";
  return nullptr;
}

}  // namespace

// One pass over the lines: each label is looked for from where the previous
// one was found, so the work grows with the text, not with its square.
ScanResult ParseNetworks(const std::string& interfaces, const std::string& networks) {
  ScanResult r;
  std::vector<std::string> signals;
  std::vector<bool> hasSignal, ccmp;
  std::string next = Label(1);
  Lines lines{networks};
  std::string_view line;
  while (lines.Next(&line)) {
    size_t at = LabelAt(line, next);
    if (at != std::string_view::npos) {
      // 9 characters after the label's start: from the tenth network on this
      // keeps a blank of the layout, which the network's own name does not.
      std::string raw = std::string(at + 9 <= line.size() ? line.substr(at + 9) : std::string_view()) + "\r\n";
      r.rawNames.push_back(raw);
      r.names.emplace_back(LineValue(line));
      r.open.push_back(false);
      signals.emplace_back();
      hasSignal.push_back(false);
      ccmp.push_back(false);
      next = Label(static_cast<int>(r.rawNames.size()) + 1);
      continue;
    }
    if (r.rawNames.empty()) continue;
    // The network's other lines: each field from its own line, never the name's.
    std::string_view label = LineLabel(line);
    if (label == "Autentica\xE7\xE3o") r.open.back() = TrimEnd(LineValue(line)) == "Aberta";
    if (line.find("CCMP") != std::string_view::npos) ccmp.back() = true;
    if (label == "Sinal" && !hasSignal.back()) {
      size_t value = line.find("Sinal") + 20;  // the value's column
      signals.back() = std::string(value < line.size() ? line.substr(value) : std::string_view());
      hasSignal.back() = true;
    }
  }
  // A network without a signal line takes the next one's that has one.
  for (size_t i = signals.size(); i-- > 1;)
    if (!hasSignal[i - 1] && hasSignal[i]) {
      signals[i - 1] = signals[i];
      hasSignal[i - 1] = true;
    }
  // Read once: every name is compared with the whole values of the SSID lines.
  std::vector<std::string_view> ssids = SsidValues(interfaces);
  std::unordered_set<std::string_view> connected(ssids.begin(), ssids.end());
  for (size_t i = 0; i < r.rawNames.size(); ++i) {
    const std::string& raw = r.rawNames[i];
    std::string shown = raw.substr(0, raw.size() - 2);
    // The hidden network's empty name is never the connected one.
    if (!r.names[i].empty() && connected.count(r.names[i])) shown += ", conectado";
    if (ccmp[i]) shown += ", segura";
    r.items.push_back(shown + ", sinal " + signals[i]);
  }
  return r;
}

void ScanNetworks() {
  gList.clear();
  gNames.clear();
  gOpen.clear();
  gInterfaces = RunQuery("netsh wlan show interfaces");
  std::string networks = RunQuery("netsh wlan show networks mode=bssid");
  ScanResult r = ParseNetworks(gInterfaces, networks);
  // Without a wireless service there is nothing to choose from: the user is
  // told why, instead of being left in an empty menu.
  gUnavailable = r.rawNames.empty() ? UnavailableMessage(networks + gInterfaces) : nullptr;
  if (gUnavailable) {
    SayMessage(gUnavailable);
    return;
  }
  OpenMenu(5, 10, 40, 10, 1);
  gList = std::move(r.rawNames);
  gNames = std::move(r.names);
  gOpen = std::move(r.open);
  for (const std::string& item : r.items) AddMenuItem("", item);
}

const std::vector<std::string>& NetworkList() { return gList; }
bool WirelessUnavailable() { return gUnavailable != nullptr; }
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
