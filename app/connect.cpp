#include "app/connect.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "app/messages.h"
#include "app/netshtext.h"
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
  // The name and the key are Latin-1 bytes: the declaration says so, so that
  // every name is well-formed XML and reads back as the same bytes.
  line("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>");
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
      HideText();  // the key is not readable on the screen
      key = ReadLine();
      if (key.size() < 6) {
        RestoreColours();  // the refusal is read, the next try hidden again
        SayMessage("ZLCHINV");
      }
      if (key.size() > 5 || key.empty()) break;
    }
    RestoreColours();
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
// How long an association may take before the connect is given up, and how
// often a soft tone says that it is still going on.
constexpr int kAnswerLimitMs = 30000;
constexpr int kToneEveryMs = 2000;

// Networks whose saved key was refused in this run: choosing one again asks
// for the key and replaces the profile, instead of trying the refused key for
// ever. The saved profile is never deleted for it (it may be another tool's
// that only lacks its secret here): only a key typed here replaces it.
std::set<std::string> gRefusedKeys;

// A profile added for a connection that then failed holds a key that did not
// work: without it the next choice of the network asks the key again, instead
// of trying the wrong one for ever.
void ForgetProfile(std::string_view raw) {
  RunQuery("netsh wlan delete profile name=\"" + QuoteArgument(NetworkName(raw)) + "\"");
}

// 660 Hz for 60 ms, quiet and fading: softer than any message.
void ProgressTone() {
  constexpr int kRate = 11025, kSamples = 662;
  static uint8_t image[44 + kSamples];
  MakeWavHeader(image, kSamples, kRate, 1, 8);
  for (int i = 0; i < kSamples; ++i) {
    int level = 24 * (kSamples - i) / kSamples;
    bool high = (i * 660 * 2 / kRate) % 2 == 0;
    image[44 + i] = static_cast<uint8_t>(128 + (high ? level : -level));
  }
  PlayImageAndWait(image);  // a key cuts it
}

// Waits until the running command has answered (ended, all its output read),
// keeping the window alive and sounding the tone meanwhile; false when the
// limit came first. Never shorter than the one second netsh used to be given.
// A key pressed meanwhile only silences what sounds: it is taken here, so
// that it cuts neither the later tones nor the result the user waits for.
bool AwaitAnswer() {
  const int64_t limit = std::max<int64_t>(ScaledMs(kAnswerLimitMs), 1000);
  const int64_t every = std::max<int64_t>(ScaledMs(kToneEveryMs), 100);
  const int64_t start = NowMs();
  int64_t tone = start + every;
  for (;;) {
    int64_t now = NowMs();
    int64_t left = std::min<int64_t>(start + limit - now, 100);
    if (left <= 0) return WaitCommand(0);
    if (WaitCommand(static_cast<int>(std::min<int64_t>(left, std::max<int64_t>(tone - now, 1))))) return true;
    PumpMessages();
    while (KeyWaiting()) TakeKey();
    if (NowMs() >= tone) {
      ProgressTone();
      tone += every;
    }
  }
}

}  // namespace

void ConnectNetwork(std::string_view raw) {
  std::string profiles = RunQuery("netsh wlan show profiles");
  // netsh knows the network by its own name: whole lines are compared with
  // it, so "Nova" is not taken for "CasaNova".
  std::string name = NetworkName(raw);
  bool added = false;
  const bool listed = ProfileListed(profiles, name);
  if (!listed || gRefusedKeys.count(name)) {
    if (!AddProfile(raw)) return;
    added = !listed;
  }
  bool connected = ShowsConnected(InterfacesText(), name);
  // name= keeps any name a name: never a keyword or an option of netsh.
  std::string command = connected ? std::string("netsh wlan ") + "disconnect"
                                  : "netsh wlan connect name=\"" + QuoteArgument(name) + "\"";
  SayMessage(connected ? "ZLSOLDCO" : "ZLSOLCON");
  SpeakWriteLn(raw);
  StartCommand("cmd /c " + command);
  bool answered = AwaitAnswer();
  std::string result = ReadCommandOutput();
  EndCommand();
  PlayNamedSound("ok");
  // netsh's word of success, looked for outside the network's name: a
  // failure about "Êxito Total" does not say it.
  std::string said = result;
  if (!name.empty())
    for (size_t at; (at = said.find(name)) != std::string::npos;) said.erase(at, name.size());
  const bool success = said.find("xito") != std::string::npos;
  // Success is what the interface shows afterwards, not what netsh said or
  // left unsaid.
  std::string failure;
  if (!answered) {
    failure = L1("a conexão não terminou em 30 segundos.");
  } else if (!result.empty() && !success) {
    failure = result;
  } else if (ShowsSsid(RunQuery("netsh wlan show interfaces"), name) == connected) {
    failure = connected ? L1("a interface ainda mostra a rede conectada.")
                        : L1("a interface não mostra a rede conectada.");
  }
  if (!failure.empty()) {
    SayMessage("ZLERRO");
    SpeakWriteLn(failure);
    if (added) ForgetProfile(raw);
    if (said.find(L1("a chave de segurança da rede não está correta")) != std::string::npos) gRefusedKeys.insert(name);
    return;
  }
  gRefusedKeys.erase(name);
  SayMessage(success ? (connected ? "ZLDESCON" : "ZLESTABE") : "ZLSUCESS");
}
