#include "app/netshtext.h"

#include <algorithm>
#include <functional>

namespace {
// Calls f with each line (no CR LF) until it returns true; whether it did.
bool AnyLine(std::string_view text, const std::function<bool(std::string_view)>& f) {
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (f(line)) return true;
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return false;
}
}  // namespace

std::string_view LineLabel(std::string_view line) {
  size_t colon = line.find(':');
  if (colon == std::string_view::npos) return {};
  size_t start = line.find_first_not_of(' ');
  size_t last = line.find_last_not_of(' ', colon - (colon > 0 ? 1 : 0));
  if (colon == 0 || start >= colon || last == std::string_view::npos || last < start) return {};
  return line.substr(start, last + 1 - start);
}

std::string_view LineValue(std::string_view line) {
  size_t colon = line.find(':');
  if (colon == std::string_view::npos) return {};
  line.remove_prefix(colon + 1);
  if (!line.empty() && line.front() == ' ') line.remove_prefix(1);
  return line;
}

std::vector<std::string_view> SsidValues(std::string_view interfaces) {
  std::vector<std::string_view> values;
  AnyLine(interfaces, [&values](std::string_view line) {
    if (LineLabel(line) == "SSID") values.push_back(LineValue(line));
    return false;
  });
  return values;
}

bool ShowsSsid(std::string_view interfaces, std::string_view name) {
  std::vector<std::string_view> values = SsidValues(interfaces);
  return std::find(values.begin(), values.end(), name) != values.end();
}

bool ShowsConnected(std::string_view interfaces, std::string_view name) {
  return !name.empty() && ShowsSsid(interfaces, name);
}

bool ProfileListed(std::string_view profiles, std::string_view name) {
  return AnyLine(profiles, [name](std::string_view line) {
    return LineLabel(line).substr(0, 6) == "Perfil" && LineValue(line) == name;
  });
}
