// The family's settings file, TAVIRO.INI, with its location rule and the
// program-directory notation ("@").
#pragma once
#include <string>
#include <string_view>

// Room of ReadSetting's reader: values are cut to 254 characters.
constexpr size_t kSettingRoom = 255;

// The value of key in section (empty section: "TAVIRO"), "@" expanded; empty
// when absent. The file is read again at every call.
std::string ReadSetting(std::string_view section, std::string_view key);

// The file ReadSetting reads: the bare name when the Windows directory holds
// TAVIRO.INI, else the one in the start-up directory.
std::string SettingsFile();
