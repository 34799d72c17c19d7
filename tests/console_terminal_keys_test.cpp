// The bytes a terminal sends for keys, as the window's key events, and then as
// the console's key codes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/console.h"
#include "console/keyboard.h"
#include "platform/messages.h"
#include "platform/window_headless.h"
#include "platform/window_terminal.h"
#include "tests/support/testenv.h"

namespace {
// What the console queues for the bytes, through the headless window.
std::vector<int> CodesFor(const std::string& bytes) {
  for (const WindowEvent& e : ParseTerminalInput(bytes)) InjectWindowEvent(e);
  std::vector<int> codes;
  while (KeyWaiting()) codes.push_back(TakeKey());
  return codes;
}

class TerminalKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetMessages();
    ResetConsole();
    SelectWindowBackend("headless");
    InitConsole();
  }
  void TearDown() override {
    ResetConsole();
    ResetMessages();
  }
  TempDir windows_;
  ScopedEnv windowsDir_{"WINDIR", windows_.path()};
  ScopedEnv timeScale_{"ZELNAR_TIME_SCALE", "0"};
};

using V = std::vector<int>;

TEST_F(TerminalKeys, CursorAndEditingKeys) {
  EXPECT_EQ(CodesFor("\x1b[A\x1b[B\x1b[C\x1b[D"), (V{0, 72, 0, 80, 0, 77, 0, 75}));
  EXPECT_EQ(CodesFor("\x1bOA\x1b[H\x1b[F\x1b[1~\x1b[4~"), (V{0, 72, 0, 71, 0, 79, 0, 71, 0, 79}));
  EXPECT_EQ(CodesFor("\x1b[5~\x1b[6~\x1b[2~\x1b[3~"), (V{0, 73, 0, 81, 0, 82, 0, 83}));
}

TEST_F(TerminalKeys, FunctionKeys) {
  EXPECT_EQ(CodesFor("\x1bOP\x1bOS\x1b[15~\x1b[21~\x1b[23~\x1b[24~"), (V{0, 59, 0, 62, 0, 63, 0, 68, 0, 69, 0, 70}));
  // The Linux text console, where many braille and speech users work, sends
  // F1 to F5 as ESC [ [ and a letter: no letter may leak into the queue.
  EXPECT_EQ(CodesFor("\x1b[[A\x1b[[E\x1b[[Bx"), (V{0, 59, 0, 63, 0, 60, 'x'}));
}

TEST_F(TerminalKeys, ModifiersFromTheSequence) {
  EXPECT_EQ(CodesFor("\x1b[1;5A"), (V{0, 113}));        // Ctrl+Up
  EXPECT_EQ(CodesFor("\x1b[2;2~\x1b[2;5~"), (V{0, 254, 0, 255}));  // Shift+Insert, Ctrl+Insert
  EXPECT_EQ(CodesFor("\x1b[1;5P\x1b[5;5~"), (V{0, 94, 0, 132}));   // Ctrl+F1, Ctrl+PgUp
}

TEST_F(TerminalKeys, ControlCharactersAndEnter) {
  EXPECT_EQ(CodesFor("\r\x7f\t\x01\x1a"), (V{13, 8, 9, 1, 26}));
  EXPECT_EQ(CodesFor("\n\b"), (V{10, 127}));  // Ctrl+Enter, Ctrl+Backspace
  EXPECT_EQ(CodesFor("\x1b"), (V{27}));
  EXPECT_EQ(CodesFor("\x1b\x1b"), (V{27, 27}));
}

TEST_F(TerminalKeys, CtrlCAndCtrlBackslashAreTheBreakKey) {
  // With break checking off they are only characters.
  SetCheckBreak(false);
  EXPECT_EQ(CodesFor("\x03\x1c"), (V{3, 28}));
  SetCheckBreak(true);
  static int code = -1;
  struct Ended {};
  SetConsoleExitAction([](int c) {
    code = c;
    throw Ended{};
  });
  for (const char* bytes : {"\x03", "\x1c"}) {
    code = -1;
    for (const WindowEvent& e : ParseTerminalInput(bytes)) InjectWindowEvent(e);
    EXPECT_THROW(KeyWaiting(), Ended) << int(bytes[0]);
    EXPECT_EQ(code, 255);
  }
}

TEST_F(TerminalKeys, Utf8BecomesLatin1) {
  EXPECT_EQ(CodesFor("a\xC3\xA7\xC3\xA3Z"), (V{'a', 0xE7, 0xE3, 'Z'}));
  // A character Latin-1 cannot hold arrives as "?".
  EXPECT_EQ(CodesFor("\xE2\x82\xAC"), (V{'?'}));
}

TEST_F(TerminalKeys, AltLettersAsTheDesktopWindowGivesThem) {
  EXPECT_EQ(CodesFor("\x1bx"), V{});  // with break checking on, Alt+X is the platform's
  SetCheckBreak(false);
  EXPECT_EQ(CodesFor("\x1bx\x1b" "1"), (V{0, 45, 0, 120}));
}

TEST_F(TerminalKeys, FocusReports) {
  std::vector<WindowEvent> events = ParseTerminalInput("\x1b[O\x1b[I");
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].type, WindowEventType::kFocusOut);
  EXPECT_EQ(events[1].type, WindowEventType::kFocusIn);
  EXPECT_TRUE(ParseTerminalInput("\x1b[99~\x1b[").empty());  // unknown and broken: nothing
}
}  // namespace
