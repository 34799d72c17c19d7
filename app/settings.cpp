#include "app/settings.h"

#include "platform/paths.h"
#include "platform/profile.h"

std::string SettingsFile() {
  if (FileExists(WindowsDirectory() + "/TAVIRO.INI")) return "TAVIRO.INI";
  return StartupDirectory() + "/TAVIRO.INI";
}

namespace {
// PGMTAVIRO, or the start-up directory when it is empty or begins with "@",
// so that a replacement can never bring in another leading "@".
std::string ProgramDirectory(const std::string& file) {
  std::string dir = GetProfileString("TAVIRO", "PGMTAVIRO", "", kSettingRoom, file);
  if (dir.empty() || dir[0] == '@') dir = StartupDirectory();
  return dir;
}
}  // namespace

std::string ReadSetting(std::string_view section, std::string_view key) {
  std::string file = SettingsFile();
  std::string value =
      GetProfileString(section.empty() ? std::string_view("TAVIRO") : section, key, "", kSettingRoom, file);
  // Each "@" of the value as read (the first character, or one before a
  // backslash) is replaced once, left to right; what a replacement brings in
  // is never looked at again.
  size_t from = 0;
  if (!value.empty() && value[0] == '@') {
    std::string dir = ProgramDirectory(file);
    value.replace(0, 1, dir);
    from = dir.size();
  }
  for (;;) {
    size_t at = value.find("@\\", from);
    if (at == std::string::npos) break;
    std::string dir = ProgramDirectory(file);
    value.replace(at, 1, dir);
    from = at + dir.size();
  }
  return value;
}
