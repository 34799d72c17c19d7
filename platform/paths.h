// Windows-style paths on a POSIX file system. A backslash separates; a path
// that starts with a drive letter and a colon lives under the drives folder
// ($ZELNAR_DRIVES/<letter>); one that starts with a single backslash lives on
// drive c. Names match without regard to letter case when the exact spelling
// is not there, as they would on the platform the settings were written for.
#pragma once
#include <string>
#include <string_view>

// The folder of the running program (a POSIX path, no trailing slash).
std::string ExecutableDir();

// The folder that holds one folder per drive letter.
std::string DrivesRoot();
// The POSIX path for a Windows or POSIX path.
std::string ResolvePath(std::string_view path);
bool FileExists(std::string_view path);

// The folder that plays the part of the Windows directory (a POSIX path).
std::string WindowsDirectory();

// The process's current directory as it was at start-up, no trailing slash.
std::string StartupDirectory();
// Takes the current directory again (start-up, and tests).
void TakeStartupDirectory();

// The installation's top folder, PREFIX of PREFIX/bin/zelnar, when the program
// runs from an installation (PREFIX/share/zelnar is there); empty when it runs
// from its build tree.
std::string InstallationRoot();
// The folder of the program's helper programs (the netsh stand-in):
// PREFIX/libexec/zelnar when installed, the program's own folder otherwise.
std::string HelperDirectory();
// Whether a POSIX path lies in the installation's own folders, which the
// program never writes into (also not as root).
bool InsideInstallation(std::string_view path);
