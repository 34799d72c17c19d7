// The whole program on the headless window against the simulated radio: the
// user's road from the greeting to a connection and out again.
#include <gtest/gtest.h>

#include <signal.h>

#include <string>

#include "app/connect.h"
#include "console/console.h"
#include "platform/window.h"
#include "tests/support/e2e.h"
#include "tests/support/screen.h"
#include "tests/support/testenv.h"

namespace {
const char* kRadio =
    "interface Wi-Fi\n"
    "network \"CasaAzul\" WPA2-Personal CCMP key=azul2024casa\n"
    "ap 00:11:22:33:44:55 88 802.11n 6\n"
    "network \"Biblioteca\" Aberta Nenhuma\n"
    "ap 66:77:88:99:aa:bb 40 802.11g 1\n"
    "network \"Padaria\" WPA2-Personal CCMP key=paoquente77\n"
    "ap 18:0f:76:5e:01:9a 54 802.11n 11\n"
    "connected \"CasaAzul\"\n"
    "profile \"CasaAzul\"\n";

// Down twice and Enter: the third network chosen.
std::vector<Keystroke> ChooseThird() {
  auto keys = Press(kKeyDown);
  keys.push_back(keys[0]);
  keys.push_back(PressEnter()[0]);
  return keys;
}
// A line typed and Enter.
std::vector<Keystroke> TypeLine(const std::string& latin1) {
  auto keys = TypeText(latin1);
  keys.push_back(PressEnter()[0]);
  return keys;
}

// CORFUNDO=1 and CORLETRA=14.
const unsigned char kYellowOnBlue = 0x1E;

// The menu's list starts at column 5, row 10, on blue.
constexpr int kListColumn = 5, kListRow = 10;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Where a text begins on the screen (1-based); false when it is not there.
bool Locate(const std::string& text, int* column, int* row) {
  const std::string flat = ScreenFlat();
  size_t at = flat.find(text);
  if (at == std::string::npos) return false;
  *column = static_cast<int>(at % 80) + 1;
  *row = static_cast<int>(at / 80) + 1;
  return true;
}

int Foreground(int column, int row) { return ReadScreenCell(column, row).attr & 0x0F; }
int Background(int column, int row) { return ReadScreenCell(column, row).attr >> 4; }

// The title on blue; after it the user's colours (white on black unless the
// settings say otherwise), also after a connection.
void ExpectSplash(unsigned char user = 0x0F) {
  EXPECT_EQ(ScreenRow(1).substr(0, 35), "Zelnar - Gerenciador de redes Wi-Fi");
  for (int c : {1, 20, 35}) EXPECT_EQ(ReadScreenCell(c, 1).attr, 0x10 | (user & 0x0F)) << c;
  EXPECT_EQ(ReadScreenCell(36, 1).attr, user);
  for (int c : {6, 20}) EXPECT_EQ(ReadScreenCell(c, 3).attr, user) << c;
  EXPECT_EQ(ReadScreenCell(70, 24).attr, user);
  EXPECT_EQ(ScreenRow(3).substr(5, 31), "Setas para ouvir, Enter escolhe");
  EXPECT_EQ(ScreenRow(4).substr(5, 13), "Equipe Zelnar");
}

// The item on a row: its text and whether it is the highlighted one.
void ExpectItem(int row, const std::string& text, bool highlighted) {
  EXPECT_EQ(ScreenRow(row).substr(kListColumn - 1, text.size()), text) << "row " << row;
  EXPECT_EQ(Foreground(kListColumn, row), highlighted ? 14 : 15) << "row " << row;
  EXPECT_EQ(Background(kListColumn, row), 1) << "row " << row;
}

TEST(EndToEnd, GreetingListConnectionAndEnd) {
  if (!ProgramDriver::NetshAvailable()) GTEST_SKIP() << "build/netsh is not built";
  ProgramDriver run(kRadio);
  run.Then(
         [] {
           // The first wait: the splash and the list, item 1 highlighted.
           ExpectSplash();
           EXPECT_TRUE(Contains(ScreenText(), "Lista de redes dispon\xED" "veis"));
           ExpectItem(kListRow, "CasaAzul, conectado, segura, sinal 88%", true);
           ExpectItem(kListRow + 1, "Biblioteca, sinal 40%", false);
           ExpectItem(kListRow + 2, "Padaria, segura, sinal 54%", false);
         },
         Press(kKeyDown))
      .Then(
          [] {
            ExpectItem(kListRow, "CasaAzul", false);
            ExpectItem(kListRow + 1, "Biblioteca", true);
          },
          Press(kKeyDown))
      .Then([] { ExpectItem(kListRow + 2, "Padaria", true); }, PressEscape())
      .Then([] { EXPECT_TRUE(Contains(ScreenText(), "Confirma fim ?")); }, TypeText("n"))
      .Then(
          [] {
            // A new pass: the splash again, the list from its first item.
            ExpectSplash();
            EXPECT_FALSE(Contains(ScreenText(), "Confirma fim"));
            ExpectItem(kListRow, "CasaAzul", true);
            ExpectItem(kListRow + 2, "Padaria", false);
          },
          ChooseThird())
      .Then([] { EXPECT_TRUE(Contains(ScreenText(), "Digite a chave de seguran\xE7" "a da rede sem fio")); },
            TypeText("paoquente77"))
      .Then(
          [] {
            // The key was echoed black on black: there, but not readable.
            std::string screen = ScreenText();
            size_t at = screen.find("paoquente77");
            ASSERT_NE(at, std::string::npos);
            int row = static_cast<int>(std::count(screen.begin(), screen.begin() + static_cast<long>(at), '\n')) + 1;
            int column = static_cast<int>(at - screen.rfind('\n', at)) ;
            for (int c = column; c < column + 11; ++c) {
              EXPECT_EQ(Foreground(c, row), 0) << c;
              EXPECT_EQ(Background(c, row), 0) << c;
            }
          },
          PressEnter())
      .Then(
          [] {
            // Connected, and the list scanned again shows it.
            ExpectSplash();
            ExpectItem(kListRow, "CasaAzul, segura, sinal 88%", true);
            ExpectItem(kListRow + 2, "Padaria, conectado, segura, sinal 54%", false);
          },
          PressEscape())
      .Then([] { EXPECT_TRUE(Contains(ScreenText(), "Confirma fim ?")); }, TypeText("s"));
  int code = run.Run();
  EXPECT_EQ(code, 0);
  EXPECT_EQ(run.StepsDone(), 9);
}

TEST(EndToEnd, TheUsersColoursHoldThroughAKeyRefusedAndAConnection) {
  if (!ProgramDriver::NetshAvailable()) GTEST_SKIP() << "build/netsh is not built";
  ProgramDriver run(kRadio, "[VIDEO]\r\nCORFUNDO=1\r\nCORLETRA=14\r\n");
  run.Then([] { ExpectSplash(kYellowOnBlue); },
           ChooseThird())
      .Then([] {}, TypeLine("abc"))
      .Then(
          [] {
            // The refusal readable in the user's colours; the short key typed
            // in the background's colour.
            int column = 0, row = 0;
            ASSERT_TRUE(Locate("A chave d\xE9ve ter mais de 5 caract\xE9res.", &column, &row));
            for (int c = column; c < column + 38; ++c) EXPECT_EQ(ReadScreenCell(c, row).attr, kYellowOnBlue) << c;
            ASSERT_TRUE(Locate("abc", &column, &row));
            for (int c = column; c < column + 3; ++c) EXPECT_EQ(ReadScreenCell(c, row).attr, 0x11) << c;
          },
          TypeLine("paoquente77"))
      .Then(
          [] {
            ExpectSplash(kYellowOnBlue);
            ExpectItem(kListRow + 2, "Padaria, conectado, segura, sinal 54%", false);
          },
          PressEscape())
      .Then([] { ExpectSplash(kYellowOnBlue); }, TypeText("s"));
  EXPECT_EQ(run.Run(), 0);
  EXPECT_EQ(run.StepsDone(), 5);
}
TEST(EndToEnd, SigtermEndsTheRunAndLeavesTheFilesWhole) {
  if (!ProgramDriver::NetshAvailable()) GTEST_SKIP() << "build/netsh is not built";
  ProgramDriver run(kRadio);
  run.Then([] {},
           ChooseThird())
      .Then([] {}, TypeLine("paoquente77"))
      .Then([] { raise(SIGTERM); }, {});  // at the menu after the connection
  EXPECT_EQ(run.Run(), 128 + SIGTERM);
  EXPECT_EQ(run.StepsDone(), 3);
  EXPECT_EQ(ReadFileBytes(run.SoundDirectory() + "/zelnar.xml"), ProfileText("Padaria\r\n", "paoquente77", false));
  // The simulated radio still reads its state: connected to Padaria.
  EXPECT_NE(ShellOutput("netsh wlan show interfaces").find("Padaria"), std::string::npos);
}

TEST(EndToEnd, TimeoutEndsAHeadlessRunWithSoundOn) {
  if (!ProgramDriver::NetshAvailable()) GTEST_SKIP() << "build/netsh is not built";
  ProgramDriver run(kRadio);  // its settings and radio, for the program started below
  // SDL's sound would catch SIGTERM for an event loop the headless window
  // never reads; timeout must still end the run, without its KILL.
  std::string status = ShellOutput("cd " + run.SoundDirectory() +
                                   " && SDL_AUDIODRIVER=dummy ZELNAR_AUDIO=sdl ZELNAR_TIME_SCALE=0.1 "
                                   "timeout -k 5 4 " ZELNAR_BUILD_DIR "/zelnar </dev/null >/dev/null 2>&1; echo $?");
  EXPECT_EQ(status, "124\n");
}
}  // namespace
