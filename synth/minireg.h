// minireg: the registry reader, read-only, over a small file of ours that
// plays the part of the platform's registry: "zelnar.reg" in the Windows
// directory (platform/paths.h), or, when that has none, in the
// installation's c:\windows. No file, no key or no value reads as absent.
//
// The file (Latin-1 text, LF or CR LF): a line "[ROOT\key\path]" opens a key
// (ROOT is HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT or
// HKEY_USERS, or HKLM, HKCU, HKCR, HKU; names match without regard to case,
// trailing backslashes do not count); the lines after it are its values,
// NAME=VALUE, where NAME is "@" for the key's default value or a name, in
// double quotes or not. A VALUE in double quotes, or plain, is a string
// (REG_SZ), taken as written, backslashes included; "dword:..." or "hex..."
// is a value of another type. Lines starting with ";" or "#", blank lines
// and lines of any other shape are ignored; the first matching value wins.
#pragma once
#include <string>
#include <string_view>

namespace synth {

constexpr const char* kLocalMachine = "HKEY_LOCAL_MACHINE";

// The string value at `path` under `root`: the path's part before its last
// backslash is the key, the part after it the value name (empty: the key's
// default value). False, with `out` unchanged, when the path has no
// backslash, the key or value is not there, or the value is not a string.
bool ReadRegistryString(std::string_view root, std::string_view path, std::string& out);

// Where the registry file is looked for.
std::string RegistryFile();

}  // namespace synth
