#include "synth/minireg.h"

#include <fstream>

#include "platform/paths.h"

namespace synth {
namespace {
std::string Upper(std::string_view s) {
  std::string u(s);
  for (char& c : u)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return u;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// "ROOT\key\path" in one spelling: full root name, upper case, no trailing
// backslashes.
std::string KeyName(std::string_view root, std::string_view key) {
  static const std::pair<const char*, const char*> kShort[] = {
      {"HKLM", "HKEY_LOCAL_MACHINE"}, {"HKCU", "HKEY_CURRENT_USER"}, {"HKCR", "HKEY_CLASSES_ROOT"}, {"HKU", "HKEY_USERS"}};
  std::string r = Upper(Trim(root));
  for (auto [shortName, longName] : kShort)
    if (r == shortName) r = longName;
  std::string k = Upper(Trim(key));
  while (!k.empty() && k.back() == '\\') k.pop_back();
  return k.empty() ? r : r + "\\" + k;
}
}  // namespace

// The user's Windows directory may be a settings folder of their own
// (~/.config/taviro): the installation's registry is the one beside the
// installation's TAVIRO.INI when that folder has none.
std::string RegistryFile() {
  std::string own = WindowsDirectory() + "/zelnar.reg";
  if (std::ifstream(own).good()) return own;
  return ResolvePath("c:\\windows") + "/zelnar.reg";
}

bool ReadRegistryString(std::string_view root, std::string_view path, std::string& out) {
  size_t slash = path.rfind('\\');
  if (slash == std::string_view::npos) return false;
  const std::string wantKey = KeyName(root, path.substr(0, slash));
  const std::string wantName = Upper(path.substr(slash + 1));
  std::ifstream f(RegistryFile(), std::ios::binary);
  std::string raw;
  bool inKey = false;
  while (std::getline(f, raw)) {
    std::string_view line = Trim(raw);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      size_t close = line.rfind(']');
      std::string_view inside = close == std::string_view::npos ? "" : line.substr(1, close - 1);
      size_t sep = inside.find('\\');
      inKey = close != std::string_view::npos &&
              KeyName(inside.substr(0, sep), sep == std::string_view::npos ? "" : inside.substr(sep + 1)) == wantKey;
      continue;
    }
    if (!inKey) continue;
    std::string_view name, value;
    if (line[0] == '"') {
      size_t q = line.find('"', 1);
      if (q == std::string_view::npos) continue;
      std::string_view rest = Trim(line.substr(q + 1));
      if (rest.empty() || rest[0] != '=') continue;
      name = line.substr(1, q - 1);
      value = Trim(rest.substr(1));
    } else {
      size_t eq = line.find('=');
      if (eq == std::string_view::npos) continue;
      name = Trim(line.substr(0, eq));
      value = Trim(line.substr(eq + 1));
    }
    if (name == "@") name = "";
    if (Upper(name) != wantName) continue;
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      out.assign(value.substr(1, value.size() - 2));
      return true;
    }
    std::string type = Upper(value);
    if (type.rfind("DWORD:", 0) == 0 || type.rfind("HEX", 0) == 0) return false;
    out.assign(value);
    return true;
  }
  return false;
}

}  // namespace synth
