#include "app/connect.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "app/messages.h"
#include "app/networks.h"
#include "app/pipe.h"
#include "console/console.h"
#include "console/keyboard.h"
#include "platform/clock.h"
#include "platform/latin1.h"
#include "platform/paths.h"
#include "speech/speak.h"
#include "speech/sounds.h"
#include "speech/speech.h"

namespace {
constexpr const char* kNsV1 = "http://www.microsoft.com/networking/WLAN/profile/v1";
constexpr const char* kNsV3 = "http://www.microsoft.com/networking/WLAN/profile/v3";

std::string gProfilePath;

// Names and keys are plain bytes to XML, never markup.
std::string Escape(std::string_view s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string Hex(std::string_view s) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : s) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

bool Occurs(std::string_view needle, std::string_view hay) {
  return !needle.empty() && hay.find(needle) != std::string_view::npos;
}

// Writes the whole text readable and writable by the owner only; "" or the reason.
std::string WritePrivate(const std::string& path, const std::string& text) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return std::strerror(errno);
  std::string reason;
  if (fchmod(fd, 0600) != 0) reason = std::strerror(errno);
  size_t done = 0;
  while (reason.empty() && done < text.size()) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      reason = std::strerror(errno);
    } else {
      done += static_cast<size_t>(n);
    }
  }
  if (close(fd) != 0 && reason.empty()) reason = std::strerror(errno);
  return reason;
}

// A folder of the user's that nobody else can read, for when the sound
// directory cannot take the profile.
std::string PrivateDirectory() {
  std::string base;
  const char* state = std::getenv("XDG_STATE_HOME");
  const char* home = std::getenv("HOME");
  if (state && *state) base = state;
  else if (home && *home) base = std::string(home) + "/.local/state";
  else return "";
  std::string dir = base + "/zelnar";
  for (size_t i = 1; i <= dir.size(); ++i)
    if (i == dir.size() || dir[i] == '/') mkdir(dir.substr(0, i).c_str(), 0700);
  // Only a real folder of the user's own, closed to everyone else, takes the key.
  struct stat st;
  if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid()) return "";
  if ((st.st_mode & 077) != 0 && chmod(dir.c_str(), 0700) != 0) return "";
  return dir;
}

// Writes the profile to the sound directory, else to the private folder.
// Returns the reason of the failure, or "" with gProfilePath set.
std::string WriteProfile(const std::string& text) {
  std::string path = ResolvePath(SoundDirectory() + "\\" + "zelnar.xml");
  // Never into the installation, even where it could be written (as root).
  std::string reason = InsideInstallation(path) ? std::strerror(EROFS) : WritePrivate(path, text);
  if (reason.empty()) {
    gProfilePath = path;
    return "";
  }
  std::string dir = PrivateDirectory();
  if (dir.empty()) return reason;
  path = dir + "/zelnar.xml";
  std::string second = WritePrivate(path, text);
  if (!second.empty()) return second;
  gProfilePath = path;
  return "";
}
}  // namespace

const std::string& ProfilePath() { return gProfilePath; }

std::string ProfileText(std::string_view raw, std::string_view key, bool open) {
  std::string_view shown = raw.size() >= 2 ? raw.substr(0, raw.size() - 2) : std::string_view();
  std::string name = Escape(raw);
  std::string t;
  auto line = [&t](std::string_view s) {
    t += s;
    t += "\r\n";
  };
  line("<?xml version=\"1.0\"?>");
  line(std::string("<WLANProfile xmlns=\"") + kNsV1 + "\">");
  line("        <name>" + name + "</name>");
  line("        <SSIDConfig>");
  line("                <SSID>");
  line("                        <hex>" + Hex(shown) + "</hex>");
  line("                        <name>" + name + "</name>");
  line("                </SSID>");
  line("        </SSIDConfig>");
  line("        <connectionType>ESS</connectionType>");
  line("        <connectionMode>auto</connectionMode>");
  line("        <MSM>");
  line("                <security>");
  line("                        <authEncryption>");
  line(open ? " <authentication>open</authentication>" : " <authentication>WPA2PSK</authentication>");
  line(open ? " <encryption>none</encryption>" : " <encryption>AES</encryption>");
  line("                                <useOneX>false</useOneX>");
  line("                        </authEncryption>");
  if (!open) {
    line("                        <sharedKey>");
    line("<keyType>passPhrase</keyType>");
    line(" <protected>false</protected>");
    line("<keyMaterial>" + Escape(key) + "</keyMaterial>");
    line("                        </sharedKey>");
  }
  line("                </security>");
  line("        </MSM>");
  line(std::string("        <MacRandomization xmlns=\"") + kNsV3 + "\">");
  line(" <enableRandomization>false</enableRandomization>");
  line("        </MacRandomization>");
  line("</WLANProfile>");
  return t;
}

bool AddProfile(std::string_view raw) {
  // An open network has no key to ask for: one could never succeed.
  bool open = IsOpenNetwork(raw);
  std::string key;
  if (!open) {
    SayMessage("ZLCHSFIO");
    for (;;) {
      SetForeground(0);  // the key is not readable on the black background
      key = ReadLine();
      if (key.size() < 6) SayMessage("ZLCHINV");
      if (key.size() > 5 || key.empty()) break;
    }
    SetForeground(15);
    if (key.empty()) {
      SayMessage("ZLDESIST");
      return false;
    }
  }
  SayMessage("ZLAGUARD");
  SleepMs(2000);
  // The network's own name, with the line end the profile's layout expects.
  std::string reason = WriteProfile(ProfileText(NetworkName(raw) + "\r\n", key, open));
  if (!reason.empty()) {
    SayMessage("ZLERRO");
    SpeakWriteLn(L1("não foi possível gravar o perfil da rede: ") + reason);
    return false;
  }
  StartCommand("netsh wlan add profile filename=\"" + QuoteArgument(gProfilePath) + "\"");
  return true;
}

namespace {
// A profile added for a connection that then failed holds a key that did not
// work: without it the next choice of the network asks the key again, instead
// of trying the wrong one for ever.
void ForgetProfile(std::string_view raw) {
  StartCommand("netsh wlan delete profile name=\"" + QuoteArgument(NetworkName(raw)) + "\"");
  WaitCommand(1000);
  ReadCommandOutput();
  EndCommand();
}
}  // namespace

void ConnectNetwork(std::string_view raw) {
  StartCommand("netsh wlan show profiles");
  WaitCommand(550);
  std::string profiles = ReadCommandOutput();
  // The list has had its 550 ms; a netsh that still lingers is ended, so that
  // the next command does not wait for an answer nobody reads.
  EndCommand();
  bool added = false;
  if (!Occurs(raw, profiles)) {
    if (!AddProfile(raw)) return;
    added = true;
  }
  bool connected = Occurs(raw, InterfacesText());
  // The raw name is shown and spoken as it stands; netsh gets the network's own name.
  std::string command = connected ? std::string("netsh wlan ") + "disconnect"
                                  : std::string("netsh wlan ") + " connect \"" + QuoteArgument(NetworkName(raw)) + "\"";
  SayMessage(connected ? "ZLSOLDCO" : "ZLSOLCON");
  SpeakWriteLn(raw);
  StartCommand("cmd /c " + command);
  WaitCommand(1000);
  std::string result = ReadCommandOutput();
  EndCommand();
  PlayNamedSound("ok");
  if (result.find("xito") != std::string::npos) {
    SayMessage(connected ? "ZLDESCON" : "ZLESTABE");
  } else if (!result.empty()) {
    SayMessage("ZLERRO");
    SpeakWriteLn(result);
    if (added) ForgetProfile(raw);
  } else {
    SayMessage("ZLSUCESS");
  }
}
