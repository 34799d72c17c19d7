// What the text-terminal window writes to a terminal: the window runs on a
// pseudo-terminal and every byte it sends is read back.
#include <gtest/gtest.h>

#include <pty.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <thread>

#include "console/console.h"
#include "console/keyboard.h"
#include "platform/messages.h"
#include "platform/window.h"
#include "tests/support/testenv.h"

namespace {
class TerminalOutput : public ::testing::Test {
 protected:
  void TearDown() override {
    ResetConsole();
    ResetMessages();
    SelectWindowBackend("headless");
  }
  // Runs `body` with the terminal window on a pseudo-terminal of 80 x 25 as
  // standard input, output and error, closes the window and runs `after`;
  // what was written.
  std::string Capture(const std::function<void()>& body, const std::function<void()>& after = [] {}) {
    int master = -1, slave = -1;
    winsize size{};
    size.ws_row = 25;
    size.ws_col = 80;
    if (openpty(&master, &slave, nullptr, nullptr, &size) != 0) return "openpty failed";
    static const std::string kEnd = "\x01end of capture\x01";
    std::string bytes;
    master_ = master;
    std::thread reader([&] {
      char buffer[4096];
      ssize_t n;
      while ((n = read(master, buffer, sizeof buffer)) > 0) {
        bytes.append(buffer, static_cast<size_t>(n));
        if (bytes.size() >= kEnd.size() && bytes.compare(bytes.size() - kEnd.size(), kEnd.size(), kEnd) == 0) break;
      }
    });
    const int in = dup(0), out = dup(1), err = dup(2);
    dup2(slave, 0);
    dup2(slave, 1);
    dup2(slave, 2);
    ResetMessages();
    ResetConsole();
    SelectWindowBackend("terminal");
    body();
    ResetConsole();  // the window closes: the terminal is put back
    after();
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    close(in);
    close(out);
    close(err);
    ssize_t ignored = write(slave, kEnd.data(), kEnd.size());
    (void)ignored;
    reader.join();
    close(slave);
    close(master);
    if (bytes.size() >= kEnd.size()) bytes.resize(bytes.size() - kEnd.size());
    return bytes;
  }
  // What the user types on the terminal (inside `body`).
  void Type(const std::string& keys) {
    ssize_t n = write(master_, keys.data(), keys.size());
    (void)n;
  }
  int master_ = -1;
  TempDir windows_;
  ScopedEnv windowsDir_{"WINDIR", windows_.path()};
  ScopedEnv timeScale_{"ZELNAR_TIME_SCALE", "0"};
};

TEST_F(TerminalOutput, TextGoesOutAsUtf8) {
  std::string bytes = Capture([] {
    Write("Dispon\xEDveis");
    PumpMessages();
  });
  EXPECT_NE(bytes.find("Dispon\xC3\xADveis"), std::string::npos);
}

// Bytes that are control characters in Unicode (a hostile network name can
// hold them) would take no column on a terminal and pull the rest of the row
// one place left; each is drawn as one visible stand-in instead.
TEST_F(TerminalOutput, ControlCharactersTakeTheirColumn) {
  std::string bytes = Capture([] {
    Write("AB\x85" "CD\x7F" "E\x9B" "2J");
    WriteScreenCell(10, 1, Cell{0x1B, 0x0F});
    PumpMessages();
  });
  EXPECT_NE(bytes.find("AB?CD?E?2J"), std::string::npos);
  EXPECT_EQ(bytes.find("\xC2\x85"), std::string::npos);
  EXPECT_EQ(bytes.find("\xC2\x9B"), std::string::npos);
  EXPECT_EQ(bytes.find('\x7F'), std::string::npos);
  // The cell at column 10 holds ESC: what is drawn there, colours skipped.
  size_t at = bytes.rfind("\x1b[1;10H");
  ASSERT_NE(at, std::string::npos);
  at += 7;
  while (bytes.compare(at, 2, "\x1b[") == 0) at = bytes.find('m', at) + 1;
  EXPECT_EQ(bytes.substr(at, 1), "?");
}

// A key typed in the hidden colour never reaches the terminal's text.
TEST_F(TerminalOutput, HiddenTextIsSentAsBlanks) {
  std::string bytes = Capture([] {
    HideText();
    Write("segredo123");
    PumpMessages();
  });
  EXPECT_EQ(bytes.find("segredo"), std::string::npos);
}

// The caret changes the terminal's cursor to an underline while a key is
// awaited; on the way out the user's own cursor shape comes back.
TEST_F(TerminalOutput, TheCursorShapeIsPutBackAtTheEnd) {
  std::string bytes = Capture([] {
    PumpMessages();  // the focus report of the opening
    BeginKeyWait();
    PumpMessages();
  });
  const size_t underline = bytes.rfind("\x1b[4 q");
  ASSERT_NE(underline, std::string::npos) << "the caret never showed";
  EXPECT_NE(bytes.find("\x1b[0 q", underline), std::string::npos);
  const size_t mainScreen = bytes.rfind("\x1b[?1049l");
  EXPECT_NE(mainScreen, std::string::npos);
  EXPECT_GT(mainScreen, underline);
}

// The window's title replaces the terminal's while the program runs; the
// terminal's own title is saved first and comes back at the end.
TEST_F(TerminalOutput, TheTerminalTitleIsPutBackAtTheEnd) {
  std::string bytes = Capture([] {
    ConsoleTitle("Zelnar");
    PumpMessages();
  });
  const size_t saved = bytes.find("\x1b[22;0t");
  const size_t firstTitle = bytes.find("\x1b]0;");
  const size_t ours = bytes.rfind("\x1b]0;Zelnar\x07");
  ASSERT_NE(saved, std::string::npos) << "the terminal's title was not saved";
  ASSERT_NE(ours, std::string::npos);
  EXPECT_LT(saved, firstTitle);
  const size_t restored = bytes.rfind("\x1b[23;0t");
  ASSERT_NE(restored, std::string::npos) << "the terminal's title was not put back";
  EXPECT_GT(restored, bytes.rfind("\x1b]0;"));
}

// Libraries write their complaints to standard error (the sound library
// does when it finds no card); on the terminal the window occupies they
// would land in the middle of the screen. While the window is open they go
// nowhere; afterwards standard error is the terminal again.
TEST_F(TerminalOutput, StandardErrorStaysOffTheScreen) {
  std::string bytes = Capture(
      [] {
        InitConsole();
        ssize_t n = write(2, "ALSA lib noise", 14);
        (void)n;
        Write("texto");
        PumpMessages();
      },
      [] {
        ssize_t n = write(2, "after the end", 13);
        (void)n;
      });
  EXPECT_NE(bytes.find("texto"), std::string::npos);
  EXPECT_EQ(bytes.find("ALSA lib noise"), std::string::npos);
  EXPECT_NE(bytes.find("after the end"), std::string::npos);
}

// Braille chords are read from key releases, which a terminal never reports:
// a braille mode from the settings would only swallow every letter typed.
TEST_F(TerminalOutput, BrailleModeFromTheSettingsLeavesLettersTyped) {
  windows_.Write("TAVIRO.INI", "[BRAILLE]\nMODO=1\n");
  static int mode = -1;
  static std::string typed;
  Capture([this] {
    InitConsole();
    mode = BrailleMode();
    Type("ab c\r");
    typed.clear();
    while (typed.empty() || typed.back() != '\r') typed += static_cast<char>(TakeKey());
  });
  EXPECT_EQ(mode, 0);
  EXPECT_EQ(typed, "ab c\r");
}
}  // namespace
