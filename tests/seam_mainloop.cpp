// The start-up, the main cycle, the end and the message catalogue, with the
// console, speech, scan and connection replaced by doubles that record calls.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <deque>
#include <string>
#include <vector>

#include "app/connect.h"
#include "app/messages.h"
#include "app/networks.h"
#include "app/zelnar.h"
#include "console/console.h"
#include "console/keyboard.h"
#include "console/menu.h"
#include "console/picture.h"
#include "platform/clock.h"
#include "speech/speak.h"
#include "speech/sounds.h"
#include "speech/speech.h"
#include "tests/support/calllog.h"
#include "tests/support/testenv.h"

namespace {
std::vector<std::string> gCalls;
std::deque<int> gMenuResults;
std::deque<unsigned char> gKeys;
std::vector<std::string> gNetworks;
std::string gSound;
bool gUnavailable = false;

struct ProgramEnded {};
struct ScriptRanOut {};

void Record(const std::string& call) { gCalls.push_back(call); }
}  // namespace

// The doubles.
void Write(std::string_view text) { Record("Write:" + std::string(text)); }
void WriteLn(std::string_view text) { Record("WriteLn:" + std::string(text)); }
void FlushOutput() { Record("Flush"); }
void ClearScreen() { Record("ClearScreen"); }
void MoveCursor(int c, int r) { Record("MoveCursor:" + std::to_string(c) + "," + std::to_string(r)); }
void SetBackground(int c) { Record("SetBackground:" + std::to_string(c)); }
void RestoreColours() { Record("RestoreColours"); }
void ConsoleTitle(std::string_view t) { Record("ConsoleTitle:" + std::string(t)); }
void DoneConsole(int) {
  Record("DoneConsole");
  throw ProgramEnded();
}
bool LoadPicture(std::string_view path) {
  Record("LoadPicture:" + std::string(path));
  return false;
}
void ShowPicture(int x, int y) { Record("ShowPicture:" + std::to_string(x) + "," + std::to_string(y)); }
void RemovePicture() { Record("RemovePicture"); }
int RunMenu() {
  Record("RunMenu");
  if (gMenuResults.empty()) throw ScriptRanOut();
  int n = gMenuResults.front();
  gMenuResults.pop_front();
  return n;
}
void ScanNetworks() { Record("ScanNetworks"); }
bool WirelessUnavailable() { return gUnavailable; }
const std::vector<std::string>& NetworkList() { return gNetworks; }
void ConnectNetwork(std::string_view raw) { Record("ConnectNetwork:" + std::string(raw)); }
void StartSpeech(int speed, std::string_view dir) {
  gSound = dir;
  Record("StartSpeech:" + std::to_string(speed) + "," + std::string(dir));
}
void FinishSpeech() { Record("FinishSpeech"); }
// The plain sleep is recorded, not slept: the pause of the end is seen in its place.
void SleepMs(int64_t ms) { Record("SleepMs:" + std::to_string(ms)); }
const std::string& SoundDirectory() { return gSound; }
void Speak(std::string_view text) { Record("Speak:" + std::string(text)); }
void SpeakWriteLn(std::string_view text) { Record("SpeakWriteLn:" + std::string(text)); }
unsigned char ReadKeySpoken() {
  if (gKeys.empty()) throw ScriptRanOut();
  unsigned char k = gKeys.front();
  gKeys.pop_front();
  Record(std::string("ReadKeySpoken:") + static_cast<char>(k));
  return k;
}
void PlayNamedSound(std::string_view name) { Record("PlayNamedSound:" + std::string(name)); }

namespace {

class MainCycle : public ::testing::Test {
 protected:
  void SetUp() override {
    gCalls.clear();
    gMenuResults.clear();
    gKeys.clear();
    gNetworks.clear();
    gUnavailable = false;
    mkdir((dir_.path() + "/windows").c_str(), 0755);
  }
  // Runs the program until it ends; true when it ended through DoneConsole.
  bool RunProgram() {
    try {
      RunZelnar();
    } catch (const ProgramEnded&) {
      return true;
    } catch (const ScriptRanOut&) {
    }
    return false;
  }
  size_t Count(const std::string& call) const {
    size_t n = 0;
    for (const std::string& c : gCalls) n += c == call;
    return n;
  }
  size_t Find(const std::string& call, size_t from = 0) const { return FindCall(gCalls, call, from); }
  void ExpectInOrder(const std::vector<std::string>& calls) const { ExpectCallsInOrder(gCalls, calls); }

  TempDir dir_;
  ScopedEnv windir_{"WINDIR", dir_.path() + "/windows"};
};

TEST_F(MainCycle, StartUpOrderThenEndOnS) {
  gMenuResults = {0};
  gKeys = {'s'};
  ASSERT_TRUE(RunProgram());
  const std::string title = "Zelnar - Gerenciador de redes Wi-Fi";
  const std::vector<std::string> expected = {
      "StartSpeech:0,C:\\kelmar\\som\\zelnar", "ClearScreen", "ConsoleTitle:Zelnar", "Write:" + title, "WriteLn:",
      "PlayNamedSound:ZLINIC",
      // the splash
      "ClearScreen", "RemovePicture", "LoadPicture:C:\\kelmar\\som\\zelnar\\BRENIQ.BMP", "ShowPicture:650,10",
      "SetBackground:1", "WriteLn:" + title, "RestoreColours", "MoveCursor:6,3"};
  ASSERT_GE(gCalls.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(gCalls[i], expected[i]) << "call " << i;
  EXPECT_EQ(gCalls[expected.size() + 1], "MoveCursor:6,4");
  EXPECT_EQ(gCalls[expected.size() + 3], "MoveCursor:4,8");
  ExpectInOrder({"MoveCursor:4,8", "ClearScreen", "MoveCursor:4,8", "Write:Lista de redes dispon\xEDveis",
                 "PlayNamedSound:ZLLISTA", "ScanNetworks", "RunMenu", "SpeakWriteLn:Saiu", "Write:Confirma fim ? ",
                 "PlayNamedSound:ZLCONFIM", "ReadKeySpoken:s", "Write:At\xE9 a pr\xF3xima pessoal!",
                 "PlayNamedSound:ZLFIM", "FinishSpeech", "DoneConsole"});
  // The end: the farewell, the 300 ms pause, then speech and console finish.
  const std::vector<std::string> end = {"Write:At\xE9 a pr\xF3xima pessoal!", "WriteLn:", "PlayNamedSound:ZLFIM",
                                        "SleepMs:300", "FinishSpeech", "DoneConsole"};
  ASSERT_GE(gCalls.size(), end.size());
  EXPECT_EQ(std::vector<std::string>(gCalls.end() - static_cast<long>(end.size()), gCalls.end()), end);
}

TEST_F(MainCycle, CapitalSEndsAndOtherKeysStartANewPass) {
  gMenuResults = {0, 0, 0};
  gKeys = {'n', 0xF3, 'S'};  // only a to z fold: an accented key is just another key
  ASSERT_TRUE(RunProgram());
  EXPECT_EQ(Count("ScanNetworks"), 3u);
  EXPECT_EQ(Count("RunMenu"), 3u);
  EXPECT_EQ(Count("SpeakWriteLn:Saiu"), 3u);
  EXPECT_EQ(Count("PlayNamedSound:ZLFIM"), 1u);
  // Each pass starts from the splash.
  EXPECT_EQ(Count("LoadPicture:C:\\kelmar\\som\\zelnar\\BRENIQ.BMP"), 4u);
}

TEST_F(MainCycle, ChoosingConnectsAndScansAgainBeforeTheNextPass) {
  gNetworks = {"CasaAzul\r\n", "Biblioteca\r\n"};
  gMenuResults = {2, 0};
  gKeys = {'s'};
  ASSERT_TRUE(RunProgram());
  ExpectInOrder({"ScanNetworks", "RunMenu", "SpeakWriteLn:Saiu", "PlayNamedSound:menu_selected",
                 "ConnectNetwork:Biblioteca\r\n", "ScanNetworks", "ClearScreen", "PlayNamedSound:ZLLISTA",
                 "ScanNetworks", "RunMenu", "SpeakWriteLn:Saiu", "PlayNamedSound:ZLCONFIM"});
  EXPECT_EQ(Count("ScanNetworks"), 3u);
  EXPECT_EQ(Count("SpeakWriteLn:Saiu"), 2u);
  // No end question after a choice.
  EXPECT_LT(Find("PlayNamedSound:ZLCONFIM"), gCalls.size());
  EXPECT_GT(Find("PlayNamedSound:ZLCONFIM"), Find("ConnectNetwork:Biblioteca\r\n"));
}

TEST_F(MainCycle, WithoutWirelessTheEndQuestionFollowsTheScanWithoutAMenu) {
  gUnavailable = true;  // the scan has said why
  gKeys = {'s'};
  ASSERT_TRUE(RunProgram());
  ExpectInOrder({"PlayNamedSound:ZLLISTA", "ScanNetworks", "Write:Confirma fim ? ", "PlayNamedSound:ZLCONFIM"});
  EXPECT_EQ(Count("RunMenu"), 0u);
  EXPECT_EQ(Count("SpeakWriteLn:Saiu"), 0u);
}

TEST_F(MainCycle, SoundDirectoryFromTheSettingsUsedAsItStands) {
  dir_.Write("windows/TAVIRO.INI", "[ZELNAR]\r\nDIRZELNAR=D:\\som\\\r\n");
  gMenuResults = {0};
  gKeys = {'s'};
  ASSERT_TRUE(RunProgram());
  EXPECT_EQ(gCalls[0], "StartSpeech:0,D:\\som\\");
  EXPECT_NE(Find("LoadPicture:D:\\som\\\\BRENIQ.BMP"), std::string::npos);  // doubled, never trimmed
}

// The catalogue, through SayMessage.
TEST(Catalogue, EveryCodeItsTextAndLineEnd) {
  struct Row {
    const char* code;
    const char* text;
    bool lineEnd;
  };
  const Row rows[] = {
      {"ZLINIC", "Zelnar - Gerenciador de redes Wi-Fi", true},
      {"ZLDESIST", "Cancelado", true},
      {"ZLCANCEL", "Cancelado", true},
      {"ZLESTABE", "Conex\xE3o estabelecida", true},
      {"ZLAGUARD", "Por favor, aguarde.", true},
      {"ZLCHINV", "A chave d\xE9ve ter mais de 5 caract\xE9res.", true},
      {"ZLCHSFIO", "Digite a chave de seguran\xE7" "a da rede sem fio", true},
      {"ZLDESCON", "Rede desconectada", true},
      {"ZLERRO", "Erro na opera\xE7\xE3o, c\xF3" "digo: ", false},
      {"ZLLISTA", "Lista de redes dispon\xEDveis", true},
      {"ZLSOLCON", "Solicitando conex\xE3o de ", false},
      {"ZLSOLDCO", "Solicitando desconex\xE3o de rede ", false},
      {"ZLSUCESS", "A opera\xE7\xE3o foi realizada com sucesso.", true},
      {"ZLCONFIM", "Confirma fim ? ", true},
      {"ZLSEMSRV", "O servi\xE7o de rede sem fio n\xE3o est\xE1 funcionando; n\xE3o h\xE1 redes para listar.", true},
      {"ZLSEMADP", "Nenhum adaptador de rede sem fio foi encontrado; n\xE3o h\xE1 redes para listar.", true},
      {"ZLSEMRAD", "A rede sem fio est\xE1 desligada; ligue-a ou saia do modo avi\xE3o e abra o Zelnar.", true},
      {"ZLFIM", "At\xE9 a pr\xF3xima pessoal!", true},
  };
  for (const Row& row : rows) {
    gCalls.clear();
    SayMessage(row.code);
    // Printed first, then played; nothing spoken for a listed code.
    std::vector<std::string> expected = {std::string("Write:") + row.text, row.lineEnd ? "WriteLn:" : "Flush",
                                         std::string("PlayNamedSound:") + row.code};
    EXPECT_EQ(gCalls, expected) << row.code;
  }
}

TEST(Catalogue, UnlistedCodesArePrintedSpokenAndAskedFor) {
  gCalls.clear();
  SayMessage("zlfim");
  const std::string text = "--- Mensagem inv\xE1lida: zlfim ---";
  EXPECT_EQ(gCalls, (std::vector<std::string>{"Write:" + text, "WriteLn:", "Speak:" + text, "PlayNamedSound:zlfim"}));
  gCalls.clear();
  SayMessage("");
  const std::string empty = "--- Mensagem inv\xE1lida:  ---";
  EXPECT_EQ(gCalls, (std::vector<std::string>{"Write:" + empty, "WriteLn:", "Speak:" + empty, "PlayNamedSound:"}));
}

}  // namespace
