// The profile-string (INI) reader, with the platform reader's rules: section
// and key names match without regard to case, a section header runs from "["
// to the line's last "]" (a line without one is no header), the first
// matching section and key win, blanks around names and values are dropped,
// a value in matching quotes loses them, the value is cut to room - 1
// characters, lines may end in CR LF or LF, bytes are taken as they are
// (Latin-1). The file is read again
// at every call. A bare file name (no separator) is looked for in the Windows
// directory; when that is the user's config folder, a key the user's copy
// lacks is read from the installation's copy. Any other name goes through
// ResolvePath.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

std::string GetProfileString(std::string_view section, std::string_view key,
                             std::string_view defaultValue, size_t room,
                             std::string_view fileName);
