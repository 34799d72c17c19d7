// Connecting, disconnecting and the key prompt, against a scripted netsh on
// the search path; the console and speech are doubles that record calls.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <deque>
#include <fstream>
#include <string>
#include <vector>

#include "app/connect.h"
#include "app/messages.h"
#include "app/networks.h"
#include "console/console.h"
#include "console/keyboard.h"
#include "speech/speak.h"
#include "speech/sounds.h"
#include "speech/speech.h"
#include "tests/support/calllog.h"
#include "tests/support/testenv.h"

namespace {
std::vector<std::string> gCalls;
std::deque<std::string> gLines;
std::string gInterfaces, gSoundDir;
std::vector<std::string> gOpenNetworks;
struct ScriptRanOut {};
void Record(const std::string& c) { gCalls.push_back(c); }
}  // namespace

void Write(std::string_view text) { Record("Write:" + std::string(text)); }
void WriteLn(std::string_view text) { Record("WriteLn:" + std::string(text)); }
void FlushOutput() {}
void HideText() { Record("HideText"); }
void RestoreColours() { Record("RestoreColours"); }
std::string ReadLine() {
  if (gLines.empty()) throw ScriptRanOut();
  std::string l = gLines.front();
  gLines.pop_front();
  Record("ReadLine:" + l);
  return l;
}
const std::string& InterfacesText() { return gInterfaces; }
bool IsOpenNetwork(std::string_view raw) {
  for (const std::string& n : gOpenNetworks)
    if (n == raw) return true;
  return false;
}
// As the scan gives it for networks one to nine: the raw name less its CR LF.
std::string NetworkName(std::string_view raw) {
  return std::string(raw.size() >= 2 ? raw.substr(0, raw.size() - 2) : std::string_view());
}
void Speak(std::string_view text) { Record("Speak:" + std::string(text)); }
void SpeakWriteLn(std::string_view text) { Record("SpeakWriteLn:" + std::string(text)); }
void PlayNamedSound(std::string_view name) { Record("Play:" + std::string(name)); }
void PlayImageAndWait(const uint8_t*) { Record("Tone"); }
void MakeWavHeader(uint8_t*, int, int, int, int) {}
void PumpMessages() {}
bool KeyWaiting() { return false; }
unsigned char TakeKey() { return 0; }
const std::string& SoundDirectory() { return gSoundDir; }

namespace {

// A netsh that logs its arguments (one per line, a blank line after each
// call) and answers from files of the test's folder.
const char* kFakeNetsh = R"sh(#!/bin/sh
d=$(dirname "$0")
for a in "$@"; do printf '%s\n' "$a" >> "$d/args.log"; done
echo >> "$d/args.log"
case "$2 $3" in
  "show profiles") [ -f "$d/profiles.slow" ] && sleep 1.2; cat "$d/profiles" 2>/dev/null ;;
  "add profile") cp "${4#filename=}" "$d/added.xml"; sleep 0.3; touch "$d/added.done" ;;
  "show interfaces") cat "$d/interfaces" 2>/dev/null ;;
  "connect "*) [ -f "$d/added.xml" ] && [ ! -f "$d/added.done" ] && echo "profile addition unfinished"
    [ -f "$d/connect.delay" ] && sleep "$(cat "$d/connect.delay")"
    cat "$d/connect"
    [ -f "$d/lies" ] || printf '    SSID                   : %s\r\n' "${3#name=}" > "$d/interfaces" ;;
  "disconnect "*|"disconnect") cat "$d/disconnect"; [ -f "$d/lies" ] || : > "$d/interfaces" ;;
  "delete profile") echo "O perfil foi excluido." ;;
esac
)sh";

class Connect : public ::testing::Test {
 protected:
  void SetUp() override {
    gCalls.clear();
    gLines.clear();
    gOpenNetworks.clear();
    std::string netsh = bin_.Write("netsh", kFakeNetsh);
    chmod(netsh.c_str(), 0755);
    mkdir((sound_.path() + "/som").c_str(), 0755);
    gSoundDir = sound_.path() + "/som";
    gInterfaces = "    SSID                   : CasaAzul\r\n";
    bin_.Write("connect", "A solicita\xE7\xE3o de conex\xE3o foi conclu\xED" "da com \xEAxito.\r\n");
    bin_.Write("disconnect", "A solicita\xE7\xE3o de desconex\xE3o foi conclu\xED" "da com \xEAxito.\r\n");
  }
  std::string Args() const { return ReadFileBytes(bin_.path() + "/args.log"); }
  size_t Find(const std::string& call, size_t from = 0) const { return FindCall(gCalls, call, from); }
  void ExpectInOrder(const std::vector<std::string>& calls) const { ExpectCallsInOrder(gCalls, calls); }
  TempDir bin_, sound_, state_;
  ScopedEnv path_{"PATH", bin_.path() + ":/usr/bin:/bin"};
  ScopedEnv scale_{"ZELNAR_TIME_SCALE", "0.01"};
  ScopedEnv xdg_{"XDG_STATE_HOME", state_.path()};
};

const std::string kConnected = "Conex\xE3o estabelecida";
const std::string kAskKey = "Digite a chave de seguran\xE7" "a da rede sem fio";
const std::string kShortKey = "A chave d\xE9ve ter mais de 5 caract\xE9res.";

TEST_F(Connect, ChoosingTheConnectedNetworkDisconnects) {
  bin_.Write("profiles", "    Perfil de Todos os Usu\xE1rios : CasaAzul\r\n");
  ConnectNetwork("CasaAzul\r\n");
  EXPECT_EQ(Args(), "wlan\nshow\nprofiles\n\nwlan\ndisconnect\n\nwlan\nshow\ninterfaces\n\n");
  ExpectInOrder({"Write:Solicitando desconex\xE3o de rede ", "Play:ZLSOLDCO", "SpeakWriteLn:CasaAzul\r\n", "Play:ok",
                 "Write:Rede desconectada", "Play:ZLDESCON"});
}

TEST_F(Connect, StoredProfileConnectsWithoutAKey) {
  bin_.Write("profiles", "    Perfil de Todos os Usu\xE1rios : Biblioteca\r\n");
  ConnectNetwork("Biblioteca\r\n");
  // The name reaches netsh as name=, then the interface is read again.
  EXPECT_EQ(Args(), "wlan\nshow\nprofiles\n\nwlan\nconnect\nname=Biblioteca\n\nwlan\nshow\ninterfaces\n\n");
  EXPECT_EQ(Find("Write:" + kAskKey), std::string::npos);
  ExpectInOrder({"Write:Solicitando conex\xE3o de ", "Play:ZLSOLCON", "SpeakWriteLn:Biblioteca\r\n", "Play:ok",
                 "Write:" + kConnected, "Play:ZLESTABE"});
}

TEST_F(Connect, ASlowProfileListIsWaitedFor) {
  // NetworkManager can take over a second to list its connections: a list
  // cut short would ask again for the key of a network it already knows.
  bin_.Write("profiles", "    Perfil de Todos os Usu\xE1rios : Biblioteca\r\n");
  bin_.Write("profiles.slow", "");
  ConnectNetwork("Biblioteca\r\n");
  EXPECT_EQ(Find("Write:" + kAskKey), std::string::npos);
  ExpectInOrder({"Play:ZLSOLCON", "Write:" + kConnected});
}

TEST_F(Connect, RefusalIsReadOutAndSilenceIsTakenAsSuccess) {
  bin_.Write("profiles", "    Perfil de Todos os Usu\xE1rios : Biblioteca\r\n");
  bin_.Write("connect", "A rede especificada n\xE3o est\xE1 dispon\xEDvel.\r\n");
  ConnectNetwork("Biblioteca\r\n");
  ExpectInOrder({"Play:ok", "Write:Erro na opera\xE7\xE3o, c\xF3" "digo: ", "Play:ZLERRO",
                 "SpeakWriteLn:A rede especificada n\xE3o est\xE1 dispon\xEDvel.\r\n\r\n\r\n"});
  gCalls.clear();
  bin_.Write("connect", "");
  ConnectNetwork("Biblioteca\r\n");
  ExpectInOrder({"Play:ok", "Write:A opera\xE7\xE3o foi realizada com sucesso.", "Play:ZLSUCESS"});
}

// The word of success inside the network's own name is not netsh's.
TEST_F(Connect, ARefusalNamingTheNetworkIsReadOut) {
  bin_.Write("profiles", "    Perfil de Todos os Usu\xE1rios : \xCAxito Total\r\n");
  bin_.Write("connect", "Falha ao conectar \xE0 rede \"\xCAxito Total\".\r\n");
  ConnectNetwork("\xCAxito Total\r\n");
  ExpectInOrder({"Play:ZLERRO", "SpeakWriteLn:Falha ao conectar \xE0 rede \"\xCAxito Total\".\r\n\r\n\r\n"});
}

TEST_F(Connect, SilenceWithTheInterfaceDisconnectedIsAnError) {
  bin_.Write("profiles", "    Perfil de Todos os Usu\xE1rios : Biblioteca\r\n");
  bin_.Write("connect", "");
  bin_.Write("lies", "");
  ConnectNetwork("Biblioteca\r\n");
  ExpectInOrder({"Play:ok", "Write:Erro na opera\xE7\xE3o, c\xF3" "digo: ", "Play:ZLERRO",
                 "SpeakWriteLn:a interface n\xE3o mostra a rede conectada."});
  EXPECT_EQ(Find("Play:ZLSUCESS"), std::string::npos);
}

TEST_F(Connect, SuccessThatLeavesTheInterfaceDisconnectedIsAnErrorAndForgetsTheKey) {
  bin_.Write("lies", "");
  gLines = {"chave-nova"};
  ConnectNetwork("Nova\r\n");
  ExpectInOrder({"Play:ok", "Write:Erro na opera\xE7\xE3o, c\xF3" "digo: ", "Play:ZLERRO",
                 "SpeakWriteLn:a interface n\xE3o mostra a rede conectada."});
  EXPECT_EQ(Find("Play:ZLESTABE"), std::string::npos);
  EXPECT_NE(Args().find("wlan\ndelete\nprofile\nname=Nova\n\n"), std::string::npos) << Args();
}

TEST_F(Connect, AnswerAfterMoreThanTheOldSecondIsWaitedFor) {
  ScopedEnv realTime("ZELNAR_TIME_SCALE", "1");
  bin_.Write("profiles", "    Perfil de Todos os Usu\xE1rios : Biblioteca\r\n");
  bin_.Write("connect.delay", "1.2");
  ConnectNetwork("Biblioteca\r\n");
  ExpectInOrder({"Play:ZLSOLCON", "Play:ok", "Write:" + kConnected, "Play:ZLESTABE"});
}

TEST_F(Connect, NoAnswerWithinTheLimitIsAnErrorWithTonesMeanwhileAndForgetsTheKey) {
  // Scaled down, the 30 s limit is the one second netsh always had.
  bin_.Write("connect.delay", "40");
  gLines = {"chave-nova"};
  ConnectNetwork("Nova\r\n");
  ExpectInOrder({"Play:ZLSOLCON", "Tone", "Tone", "Tone", "Play:ok", "Write:Erro na opera\xE7\xE3o, c\xF3" "digo: ",
                 "Play:ZLERRO", "SpeakWriteLn:a conex\xE3o n\xE3o terminou em 30 segundos."});
  EXPECT_NE(Args().find("wlan\ndelete\nprofile\nname=Nova\n\n"), std::string::npos) << Args();
  EXPECT_EQ(Args().find("wlan\nshow\ninterfaces"), std::string::npos) << "a connect with no answer is not checked";
}

TEST_F(Connect, NamesAreMatchedWholeAndNeverBecomeOptions) {
  // "Rede" is not connected because "MinhaRede" is; "Nova" has no profile because "CasaNova" has.
  gInterfaces = "    SSID                   : MinhaRede\r\n";
  bin_.Write("profiles", "    Perfil de Todos os Usu\xE1rios : CasaNova\r\n    Perfil de Todos os Usu\xE1rios : Rede\r\n");
  ConnectNetwork("Rede\r\n");
  ExpectInOrder({"Play:ZLSOLCON", "Write:" + kConnected});
  gCalls.clear();
  gLines = {"chave-nova"};
  ConnectNetwork("Nova\r\n");
  ExpectInOrder({"Write:" + kAskKey, "Play:ZLSOLCON", "Write:" + kConnected});
  // A name that looks like the command's own words stays one name.
  gCalls.clear();
  bin_.Write("profiles", "    Perfil de Todos os Usu\xE1rios : name=CasaAzul\r\n"
                         "    Perfil de Todos os Usu\xE1rios : ssid=x interface=y\r\n");
  ConnectNetwork("name=CasaAzul\r\n");
  ConnectNetwork("ssid=x interface=y\r\n");
  EXPECT_NE(Args().find("wlan\nconnect\nname=name=CasaAzul\n\n"), std::string::npos) << Args();
  EXPECT_NE(Args().find("wlan\nconnect\nname=ssid=x interface=y\n\n"), std::string::npos) << Args();
}

TEST_F(Connect, TheHiddenNetworkIsNeverTakenForTheConnectedOne) {
  // Its raw name is only a line end, which every interfaces and profiles text holds.
  bin_.Write("profiles", "    Perfil de Todos os Usu\xE1rios : CasaAzul\r\n");
  gLines = {"rede-oculta"};
  ConnectNetwork("\r\n");
  EXPECT_EQ(Find("Play:ZLSOLDCO"), std::string::npos);
  ExpectInOrder({"Write:" + kAskKey, "Play:ZLSOLCON", "Write:" + kConnected});
  EXPECT_NE(Args().find("wlan\nconnect\nname=\n\n"), std::string::npos) << Args();
}

TEST_F(Connect, KeyRulesShortThenEmptyWithdraws) {
  gLines = {"12345", ""};
  ConnectNetwork("Nova\r\n");
  // The key typed hidden, the refusal in the user's colours.
  ExpectInOrder({"Write:" + kAskKey, "Play:ZLCHSFIO", "HideText", "ReadLine:12345", "RestoreColours",
                 "Write:" + kShortKey, "Play:ZLCHINV", "HideText", "ReadLine:", "RestoreColours",
                 "Write:" + kShortKey, "RestoreColours", "Write:Cancelado", "Play:ZLDESIST"});
  // Withdrawn: no profile, no connect.
  EXPECT_EQ(Args(), "wlan\nshow\nprofiles\n\n");
  EXPECT_EQ(Find("Write:" + kAskKey, Find("ReadLine:12345")), std::string::npos) << "the prompt is not repeated";
}

TEST_F(Connect, EveryKeyOfOneToFiveCharactersIsRefused) {
  gLines = {"1", "12", "123", "1234", "12345", "\xE7\xE3o\xE9!", ""};
  ConnectNetwork("Nova\r\n");
  size_t refused = 0;
  for (const std::string& c : gCalls) refused += c == "Play:ZLCHINV";
  EXPECT_EQ(refused, 7u);  // six short lines, then the empty one that withdraws
  EXPECT_NE(Find("Play:ZLDESIST"), std::string::npos);
  EXPECT_EQ(Find("Play:ZLAGUARD"), std::string::npos);
}

TEST_F(Connect, SixCharacterKeyWritesTheProfileAndConnects) {
  gLines = {"abc123"};
  ConnectNetwork("CasaAzul2\r\n");
  ExpectInOrder({"ReadLine:abc123", "RestoreColours", "Write:Por favor, aguarde.", "Play:ZLAGUARD",
                 "Play:ZLSOLCON", "Write:" + kConnected});
  std::string path = sound_.path() + "/som/zelnar.xml";
  EXPECT_EQ(ProfilePath(), path);
  EXPECT_EQ(Args(), "wlan\nshow\nprofiles\n\nwlan\nadd\nprofile\nfilename=" + path + "\n\nwlan\nconnect\nname=CasaAzul2\n\nwlan\nshow\ninterfaces\n\n");
  // The addition finished before the connect started.
  EXPECT_EQ(Find("SpeakWriteLn:profile addition unfinished\r\n"), std::string::npos);
  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(ReadFileBytes(bin_.path() + "/added.xml"), ProfileText("CasaAzul2\r\n", "abc123", false));
}

TEST_F(Connect, OpenNetworkGetsAnOpenProfileWithoutAKey) {
  gOpenNetworks = {"Praca\r\n"};
  ConnectNetwork("Praca\r\n");
  EXPECT_EQ(Find("Write:" + kAskKey), std::string::npos);
  std::string xml = ReadFileBytes(sound_.path() + "/som/zelnar.xml");
  EXPECT_NE(xml.find(" <authentication>open</authentication>\r\n"), std::string::npos);
  EXPECT_NE(xml.find(" <encryption>none</encryption>\r\n"), std::string::npos);
  EXPECT_EQ(xml.find("sharedKey"), std::string::npos);
  ExpectInOrder({"Play:ZLAGUARD", "Play:ZLSOLCON", "Write:" + kConnected});
}

TEST_F(Connect, ProfileFallsBackToAPrivateFolderThenReportsFailure) {
  gSoundDir = sound_.path() + "/missing";
  gLines = {"segredo1"};
  ConnectNetwork("Nova\r\n");
  std::string fallback = state_.path() + "/zelnar/zelnar.xml";
  EXPECT_EQ(ProfilePath(), fallback);
  struct stat st;
  ASSERT_EQ(stat((state_.path() + "/zelnar").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  ExpectInOrder({"Play:ZLSOLCON", "Write:" + kConnected});

  gCalls.clear();
  gLines = {"segredo1"};
  ScopedEnv noState("XDG_STATE_HOME", "/proc/zelnar-cannot-be-here");
  ConnectNetwork("Outra\r\n");
  ExpectInOrder({"Play:ZLAGUARD", "Write:Erro na opera\xE7\xE3o, c\xF3" "digo: ", "Play:ZLERRO"});
  EXPECT_EQ(Find("Play:ZLSOLCON"), std::string::npos) << "nothing is connected without a profile";
}

TEST_F(Connect, AFallbackFolderOfAnotherUserIsNotUsed) {
  if (geteuid() != 0) GTEST_SKIP() << "making a folder of another user needs root";
  gSoundDir = sound_.path() + "/missing";
  std::string other = state_.path() + "/zelnar";
  ASSERT_EQ(mkdir(other.c_str(), 0777), 0);
  ASSERT_EQ(chown(other.c_str(), 65534, 65534), 0);
  ASSERT_EQ(chmod(other.c_str(), 0777), 0);
  gLines = {"segredo1"};
  ConnectNetwork("Nova\r\n");
  // The key is never written where someone else can replace or read it.
  EXPECT_NE(access((other + "/zelnar.xml").c_str(), F_OK), 0);
  ExpectInOrder({"Play:ZLAGUARD", "Write:Erro na opera\xE7\xE3o, c\xF3" "digo: ", "Play:ZLERRO"});
  EXPECT_EQ(Find("Play:ZLSOLCON"), std::string::npos);
}

TEST_F(Connect, HostileNameConnectsToItselfAndRunsNothing) {
  std::string pwned = bin_.path() + "/pwned";
  std::string name = "a\" & touch " + pwned + " & \"";
  gLines = {"chave-secreta"};
  ConnectNetwork(name + "\r\n");
  EXPECT_NE(access(pwned.c_str(), F_OK), 0);
  std::string args = Args();
  EXPECT_NE(args.find("wlan\nconnect\nname=" + name + "\n\n"), std::string::npos) << args;
  // The profile stays well-formed: the name is escaped in both name elements.
  std::string xml = ReadFileBytes(ProfilePath());
  EXPECT_NE(xml.find("<name>a&quot; &amp; touch "), std::string::npos);
  EXPECT_EQ(xml.find("<name>a\""), std::string::npos);
}

TEST(Profile, EveryLineWithItsBlanks) {
  const std::string b8(8, ' '), b16(16, ' '), b24(24, ' '), b32(32, ' ');
  const std::vector<std::string> lines = {
      "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>",
      "<WLANProfile xmlns=\"http://www.microsoft.com/networking/WLAN/profile/v1\">",
      b8 + "<name>CasaAzul", "</name>",
      b8 + "<SSIDConfig>",
      b16 + "<SSID>",
      b24 + "<hex>43617361417A756C</hex>",
      b24 + "<name>CasaAzul", "</name>",
      b16 + "</SSID>",
      b8 + "</SSIDConfig>",
      b8 + "<connectionType>ESS</connectionType>",
      b8 + "<connectionMode>auto</connectionMode>",
      b8 + "<MSM>",
      b16 + "<security>",
      b24 + "<authEncryption>",
      " <authentication>WPA2PSK</authentication>",
      " <encryption>AES</encryption>",
      b32 + "<useOneX>false</useOneX>",
      b24 + "</authEncryption>",
      b24 + "<sharedKey>",
      "<keyType>passPhrase</keyType>",
      " <protected>false</protected>",
      "<keyMaterial>segredo</keyMaterial>",
      b24 + "</sharedKey>",
      b16 + "</security>",
      b8 + "</MSM>",
      b8 + "<MacRandomization xmlns=\"http://www.microsoft.com/networking/WLAN/profile/v3\">",
      " <enableRandomization>false</enableRandomization>",
      b8 + "</MacRandomization>",
      "</WLANProfile>"};
  std::string expected;
  for (const std::string& l : lines) expected += l + "\r\n";
  EXPECT_EQ(ProfileText("CasaAzul\r\n", "segredo", false), expected);
}

TEST(Profile, LinesAndBlanksAsNetshExpects) {
  std::string t = ProfileText("CasaAzul\r\n", "k<&>y", false);
  std::vector<std::string> lines;
  for (size_t at = 0; at < t.size();) {
    size_t end = t.find("\r\n", at);
    lines.push_back(t.substr(at, end - at));
    at = end + 2;
  }
  // The raw name's own line end puts each closing name tag on a line of its own.
  ASSERT_EQ(lines.size(), 31u);
  EXPECT_EQ(lines[0], "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>");
  EXPECT_EQ(lines[1], "<WLANProfile xmlns=\"http://www.microsoft.com/networking/WLAN/profile/v1\">");
  EXPECT_EQ(lines[2], "        <name>CasaAzul");
  EXPECT_EQ(lines[3], "</name>");
  EXPECT_EQ(lines[6], std::string(24, ' ') + "<hex>43617361417A756C</hex>");
  EXPECT_EQ(lines[7], "                        <name>CasaAzul");
  EXPECT_EQ(lines[16], " <authentication>WPA2PSK</authentication>");
  EXPECT_EQ(lines[17], " <encryption>AES</encryption>");
  EXPECT_EQ(lines[18], std::string(32, ' ') + "<useOneX>false</useOneX>");
  EXPECT_EQ(lines[21], "<keyType>passPhrase</keyType>");
  EXPECT_EQ(lines[22], " <protected>false</protected>");
  EXPECT_EQ(lines[23], "<keyMaterial>k&lt;&amp;&gt;y</keyMaterial>");
  EXPECT_EQ(lines[27], "        <MacRandomization xmlns=\"http://www.microsoft.com/networking/WLAN/profile/v3\">");
  EXPECT_EQ(lines[28], " <enableRandomization>false</enableRandomization>");
  EXPECT_EQ(lines[30], "</WLANProfile>");
  // Latin-1 bytes as two upper-case digits each.
  EXPECT_NE(ProfileText("Caf\xE9\r\n", "x", false).find("<hex>436166E9</hex>"), std::string::npos);
}

}  // namespace
