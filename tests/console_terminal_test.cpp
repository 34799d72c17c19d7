// The text-terminal window driven through tmux: the list appears, a key moves
// the highlight, ESC and "s" end the program, and the terminal is as before.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/clock.h"
#include "tests/support/testenv.h"

namespace {

const char* kRadio =
    "interface Wi-Fi\n"
    "network \"CasaAzul\" WPA2-Personal CCMP key=azul2024casa\n"
    "ap 00:11:22:33:44:55 88 802.11n 6\n"
    "network \"Biblioteca\" Aberta Nenhuma\n"
    "ap 66:77:88:99:aa:bb 40 802.11g 1\n"
    "connected \"CasaAzul\"\n"
    "profile \"CasaAzul\"\n";

constexpr const char* kYellow = "38;2;255;255;0m";

class Terminal : public ::testing::Test {
 protected:
  void SetUp() override {
    if (ShellOutput("command -v tmux") .empty()) GTEST_SKIP() << "tmux is not installed";
    if (access(ZELNAR_BUILD_DIR "/netsh", X_OK) != 0) GTEST_SKIP() << "build/netsh is not built";
    server_ = "tmux -L zelnar-term-" + std::to_string(getpid());
    std::string scenario = dir_.Write("radio.scenario", kRadio);
    // The translator must start: the build's letters and diphones, speed 3's database.
    dir_.Write("windows/TAVIRO.INI", "[SINTETIZADOR]\r\nDIFONES3=DIFONES3\r\n");
    dir_.Write("drives/c/kelmar/som/zelnar/.keep", "");
    for (const char* d : {"letras", "difones"})
      ShellOutput(std::string("ln -s " ZELNAR_BUILD_DIR "/drives/c/kelmar/som/") + d + " " + dir_.path() + "/drives/c/kelmar/som/" + d);
    std::string command = "cd " ZELNAR_BUILD_DIR " && env ZELNAR_VIDEO=terminal ZELNAR_AUDIO=null"
                          " ZELNAR_TIME_SCALE=0.01 ZELNAR_WIFI=sim:" + scenario +
                          " ZELNAR_WIFI_STATE=" + dir_.path() + "/wifi.state WINDIR=" + dir_.path() +
                          "/windows ZELNAR_DRIVES=" + dir_.path() + "/drives ./zelnar; echo EXIT=\\$?; sleep 60";
    ShellOutput(server_ + " -f /dev/null new-session -d -s t -x 100 -y 30 \"" + command + "\"");
  }
  void TearDown() override {
    if (!server_.empty()) ShellOutput(server_ + " kill-server 2>/dev/null");
  }
  std::string Pane(bool colours = false) {
    return ShellOutput(server_ + " capture-pane -p " + (colours ? "-e " : "") + "-t t");
  }
  std::string Format(const std::string& format) {
    std::string s = ShellOutput(server_ + " display -p -t t '" + format + "'");
    while (!s.empty() && s.back() == '\n') s.pop_back();
    return s;
  }
  void Keys(const std::string& keys) { ShellOutput(server_ + " send-keys -t t " + keys); }
  // Waits (bounded) until the pane shows `text`; the pane's text then.
  std::string WaitFor(const std::string& text, bool colours = false) {
    std::string pane;
    for (int i = 0; i < 100; ++i) {
      pane = Pane(colours);
      if (pane.find(text) != std::string::npos) break;
      usleep(50000);
    }
    return pane;
  }
  // The pane line (with colours) that holds `text`.
  std::string LineWith(const std::string& pane, const std::string& text) {
    size_t at = pane.find(text);
    if (at == std::string::npos) return "";
    size_t start = pane.rfind('\n', at);
    start = start == std::string::npos ? 0 : start + 1;
    return pane.substr(start, pane.find('\n', at) - start);
  }
  bool Highlighted(const std::string& pane, const std::string& item) {
    std::string line = LineWith(pane, item);
    size_t at = line.find(item);
    // The last foreground colour set before the item's text is yellow.
    size_t last = line.rfind("38;2;", at);
    return at != std::string::npos && last != std::string::npos && line.compare(last, 15, kYellow) == 0;
  }
  TempDir dir_;
  std::string server_;
};

TEST_F(Terminal, ListKeysEndAndTheTerminalRestored) {
  std::string pane = WaitFor("Biblioteca", true);
  ASSERT_NE(pane.find("Zelnar - Gerenciador de redes Wi-Fi"), std::string::npos) << pane;
  // UTF-8 on the wire for the Latin-1 inside.
  EXPECT_NE(Pane().find("Lista de redes dispon\xC3\xAD" "veis"), std::string::npos);
  EXPECT_EQ(Format("#{alternate_on}"), "1");
  EXPECT_TRUE(Highlighted(pane, "CasaAzul"));
  Keys("Down");
  for (int i = 0; i < 100 && !Highlighted(pane, "Biblioteca"); ++i) {
    usleep(50000);
    pane = Pane(true);
  }
  EXPECT_TRUE(Highlighted(pane, "Biblioteca"));
  EXPECT_FALSE(Highlighted(pane, "CasaAzul"));
  Keys("Escape");
  pane = WaitFor("Confirma fim ?");
  ASSERT_NE(pane.find("Confirma fim ?"), std::string::npos) << pane;
  Keys("s");
  pane = WaitFor("EXIT=");
  EXPECT_NE(pane.find("EXIT=0"), std::string::npos) << pane;
  // Back on the normal screen, the cursor shown, the line discipline cooked.
  EXPECT_EQ(Format("#{alternate_on}"), "0");
  EXPECT_EQ(Format("#{cursor_flag}"), "1");
  std::string modes = ShellOutput("stty -a -F " + Format("#{pane_tty}"));
  EXPECT_NE(modes.find(" icanon"), std::string::npos) << modes;
  EXPECT_NE(modes.find(" echo "), std::string::npos) << modes;
  EXPECT_EQ(modes.find("-icanon"), std::string::npos) << modes;
}

TEST_F(Terminal, ASignalLeavesTheTerminalAsItWas) {
  std::string pane = WaitFor("Biblioteca");
  ASSERT_NE(pane.find("Biblioteca"), std::string::npos) << pane;
  std::string pid = ShellOutput("pgrep -P " + Format("#{pane_pid}") + " -x zelnar");
  ASSERT_FALSE(pid.empty());
  ShellOutput("kill -TERM " + pid);
  pane = WaitFor("EXIT=");
  EXPECT_NE(pane.find("EXIT=143"), std::string::npos) << pane;  // ended by the signal
  EXPECT_EQ(Format("#{alternate_on}"), "0");
  EXPECT_EQ(Format("#{cursor_flag}"), "1");
  std::string modes = ShellOutput("stty -a -F " + Format("#{pane_tty}"));
  EXPECT_EQ(modes.find("-icanon"), std::string::npos) << modes;
  EXPECT_EQ(modes.find("-echo "), std::string::npos) << modes;
}
TEST_F(Terminal, CtrlCEndsTheProgramAsCtrlBreak) {
  std::string pane = WaitFor("Biblioteca");
  ASSERT_NE(pane.find("Biblioteca"), std::string::npos) << pane;
  Keys("C-c");
  pane = WaitFor("EXIT=");
  EXPECT_NE(pane.find("EXIT=255"), std::string::npos) << pane;
  EXPECT_EQ(Format("#{alternate_on}"), "0");
  std::string modes = ShellOutput("stty -a -F " + Format("#{pane_tty}"));
  EXPECT_EQ(modes.find("-icanon"), std::string::npos) << modes;
}
TEST_F(Terminal, ClosingTheTerminalEndsTheProgram) {
  std::string pane = WaitFor("Biblioteca");
  ASSERT_NE(pane.find("Biblioteca"), std::string::npos) << pane;
  std::string pid = ShellOutput("pgrep -P " + Format("#{pane_pid}") + " -x zelnar");
  while (!pid.empty() && pid.back() == '\n') pid.pop_back();
  ASSERT_FALSE(pid.empty());
  ShellOutput(server_ + " kill-server");  // the terminal hangs up
  server_.clear();
  bool ended = false;
  for (int i = 0; i < 100 && !ended; ++i) {
    ended = ShellOutput("kill -0 " + pid + " 2>/dev/null || echo gone") == "gone\n";
    if (!ended) usleep(50000);
  }
  EXPECT_TRUE(ended);
  if (!ended) ShellOutput("kill -9 " + pid);
}
}  // namespace
