#include "platform/profile.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/paths.h"

namespace {
unsigned char Fold(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 32);
  return c;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Fold(static_cast<unsigned char>(a[i])) != Fold(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::string Cut(std::string_view v, size_t room) {
  if (room == 0) return std::string();
  if (v.size() > room - 1) v = v.substr(0, room - 1);
  return std::string(v);
}

// The value of key in section of an INI text; false when it is not there.
bool FindValue(const std::string& text, std::string_view section, std::string_view key, std::string_view* value) {
  std::string_view wantSection = Trim(section);
  std::string_view wantKey = Trim(key);
  bool inSection = false;
  bool sectionSeen = false;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string_view line = Trim(std::string_view(text).substr(pos, end - pos));
    pos = end + 1;
    // A section header runs from "[" to the line's last "]"; without one the
    // line is no header at all and is read like any other line.
    size_t close = line.empty() || line.front() != '[' ? std::string_view::npos : line.rfind(']');
    if (close != std::string_view::npos) {
      std::string_view name = Trim(line.substr(1, close - 1));
      // Only the first section of a name counts; a repeat of it is not read.
      if (inSection) return false;
      inSection = !sectionSeen && SameName(name, wantSection);
      if (inSection) sectionSeen = true;
      continue;
    }
    if (!inSection) continue;
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    if (!SameName(Trim(line.substr(0, eq)), wantKey)) continue;
    *value = Trim(line.substr(eq + 1));
    if (value->size() >= 2 && (value->front() == '"' || value->front() == '\'') && value->back() == value->front())
      *value = value->substr(1, value->size() - 2);
    return true;
  }
  return false;
}

bool ReadWhole(const std::string& path, std::string& out) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  char buf[8192];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}
}  // namespace

std::string GetProfileString(std::string_view section, std::string_view key,
                             std::string_view defaultValue, size_t room,
                             std::string_view fileName) {
  std::vector<std::string> paths;
  if (fileName.find('/') == std::string_view::npos && fileName.find('\\') == std::string_view::npos) {
    const std::string windows = WindowsDirectory();
    paths.push_back(ResolvePath(windows + "/" + std::string(fileName)));
    // A user's own copy in the config folder need hold only what it changes:
    // a key it lacks is read from the installation's copy beside the voice.
    const std::string installed = ResolvePath("c:\\windows");
    const char* windir = std::getenv("WINDIR");
    if (!(windir && *windir) && windows != installed) paths.push_back(ResolvePath(installed + "/" + std::string(fileName)));
  } else {
    paths.push_back(ResolvePath(fileName));
  }
  for (const std::string& path : paths) {
    std::string text;
    std::string_view value;
    if (ReadWhole(path, text) && FindValue(text, section, key, &value)) return Cut(value, room);
  }
  return Cut(Trim(defaultValue), room);
}
