// The screen buffer: writing, wrapping, scrolling, cursor, colours, title.
#include <gtest/gtest.h>

#include <string>

#include "console/console.h"
#include "console/keyboard.h"
#include "platform/messages.h"
#include "platform/window.h"
#include "platform/window_headless.h"
#include "tests/support/testenv.h"

namespace {
class Screen : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetMessages();
    ResetConsole();
    SelectWindowBackend("headless");
  }
  void TearDown() override {
    ResetConsole();
    ResetMessages();
  }
  // An empty Windows directory: every video setting at its default.
  TempDir windows_;
  ScopedEnv windowsDir_{"WINDIR", windows_.path()};
  ScopedEnv timeScale_{"ZELNAR_TIME_SCALE", "0"};
};

std::string RowText(int row) {
  std::string s;
  for (int c = 1; c <= kScreenColumns; ++c) s += static_cast<char>(ReadScreenCell(c, row).ch);
  return s;
}

TEST_F(Screen, EightyCharactersLeaveTheCursorPastTheEdgeAndTheNextWraps) {
  std::string eighty(80, 'x');
  Write(eighty);
  EXPECT_EQ(CursorColumn(), 81);
  EXPECT_EQ(CursorRow(), 1);
  EXPECT_EQ(RowText(1), eighty);
  Write("y");
  EXPECT_EQ(CursorColumn(), 2);
  EXPECT_EQ(CursorRow(), 2);
  EXPECT_EQ(ReadScreenCell(1, 2).ch, 'y');
}

TEST_F(Screen, LineFeedOnTheLastRowScrollsUp) {
  MoveCursor(1, 1);
  Write("top");
  MoveCursor(1, 2);
  Write("second");
  MoveCursor(10, 25);
  Write("bottom\n");
  EXPECT_EQ(CursorRow(), 25);
  EXPECT_EQ(CursorColumn(), 1);
  EXPECT_EQ(RowText(1).substr(0, 6), "second");
  EXPECT_EQ(RowText(24).substr(9, 6), "bottom");
  EXPECT_EQ(RowText(25), std::string(80, ' '));
  // The window shows what the buffer holds after the scroll.
  EXPECT_EQ(HeadlessDrawnCell(0, 0).ch, 's');
  EXPECT_EQ(HeadlessDrawnCell(9, 23).ch, 'b');
}

TEST_F(Screen, BackspaceBlanksThePreviousCellExceptAtColumnOne) {
  Write("ab\b");
  EXPECT_EQ(CursorColumn(), 2);
  EXPECT_EQ(ReadScreenCell(2, 1).ch, ' ');
  EXPECT_EQ(ReadScreenCell(1, 1).ch, 'a');
  // At column 1 nothing moves and nothing is blanked, not even the end of
  // the row above.
  MoveCursor(80, 2);
  Write("z");
  MoveCursor(1, 3);
  Write("q\r\b");
  EXPECT_EQ(CursorColumn(), 1);
  EXPECT_EQ(CursorRow(), 3);
  EXPECT_EQ(ReadScreenCell(1, 3).ch, 'q');
  EXPECT_EQ(ReadScreenCell(80, 2).ch, 'z');
}

TEST_F(Screen, TabAndOtherControlBytesAreDropped) {
  Write("a\tb\x01" "c");
  EXPECT_EQ(RowText(1).substr(0, 4), "abc ");
  EXPECT_EQ(CursorColumn(), 4);
}

TEST_F(Screen, CarriageReturnAndBellDoNotPrint) {
  Write("abc\rX\a");
  EXPECT_EQ(RowText(1).substr(0, 3), "Xbc");
  EXPECT_EQ(CursorColumn(), 2);
}

TEST_F(Screen, MoveCursorClampsToTheScreen) {
  MoveCursor(0, 0);
  EXPECT_EQ(CursorColumn(), 1);
  EXPECT_EQ(CursorRow(), 1);
  MoveCursor(200, 200);
  EXPECT_EQ(CursorColumn(), 80);
  EXPECT_EQ(CursorRow(), 25);
  MoveCursor(7, 9);
  EXPECT_EQ(CursorColumn(), 7);
  EXPECT_EQ(CursorRow(), 9);
}

TEST_F(Screen, ColoursGoIntoTheAttributeOfWrittenText) {
  EXPECT_EQ(CurrentAttribute(), 0x0F);  // white on black by default
  SetForeground(20);
  EXPECT_EQ(CurrentAttribute() & 0x0F, 4);
  SetBackground(1);
  EXPECT_EQ(CurrentAttribute(), 0x14);
  Write("R");
  EXPECT_EQ(ReadScreenCell(1, 1).attr, 0x14);
  EXPECT_EQ(HeadlessDrawnCell(0, 0).fg, 0xFF0000u);
  EXPECT_EQ(HeadlessDrawnCell(0, 0).bg, 0x0000FFu);
}

TEST_F(Screen, ClearScreenFillsWithTheCurrentAttributeAndHomesTheCursor) {
  Write("hello");
  SetBackground(2);
  ClearScreen();
  EXPECT_EQ(CursorColumn(), 1);
  EXPECT_EQ(CursorRow(), 1);
  for (int r : {1, 13, 25})
    for (int c : {1, 40, 80}) {
      EXPECT_EQ(ReadScreenCell(c, r).ch, ' ');
      EXPECT_EQ(ReadScreenCell(c, r).attr, 0x2F);
    }
}

TEST_F(Screen, LongTitleIsCutTo140AndMarked) {
  ConsoleTitle("  " + std::string(150, 'T') + "  ");
  EXPECT_EQ(HeadlessTitle(), std::string(140, 'T') + "...");
  ConsoleTitle("  Zelnar ");
  EXPECT_EQ(HeadlessTitle(), "Zelnar");
}

TEST_F(Screen, WrittenCellsCanBeReadAndPutBack) {
  SetForeground(14);
  Write("M");
  Cell saved = ReadScreenCell(1, 1);
  WriteScreenCell(1, 1, Cell{'z', 0x70});
  EXPECT_EQ(ReadScreenCell(1, 1).ch, 'z');
  WriteScreenCell(1, 1, saved);
  EXPECT_EQ(ReadScreenCell(1, 1).ch, 'M');
  EXPECT_EQ(ReadScreenCell(1, 1).attr, 0x0E);
  EXPECT_EQ(HeadlessDrawnCell(0, 0).fg, 0xFFFF00u);
  EXPECT_EQ(CursorColumn(), 2);
}

TEST_F(Screen, WaveDoneAndMouseMessagesReachTheirHandlers) {
  static int waveDone = 0, mouse = 0, lastX = -1, lastY = -1;
  waveDone = mouse = 0;
  SetWaveDoneHandler([](const Message& m) { waveDone += static_cast<int>(m.wparam); });
  SetMouseHandler([](const Message& m) {
    ++mouse;
    lastX = MouseX(m);
    lastY = MouseY(m);
  });
  InitConsole();
  PostMessage(kMsgWaveDone, 5, 0);
  WindowEvent e;
  e.type = WindowEventType::kRightDown;
  e.x = 400;
  e.y = 300;
  InjectWindowEvent(e);
  PumpMessages();
  EXPECT_EQ(waveDone, 5);
  EXPECT_EQ(mouse, 1);
  EXPECT_EQ(lastX, 400);
  EXPECT_EQ(lastY, 300);
}

TEST_F(Screen, CloseBoxAndQuitMessageEndTheProgramWithTheirCodes) {
  static int code = -1;
  struct Ended {};
  SetConsoleExitAction([](int c) {
    code = c;
    throw Ended{};
  });
  InitConsole();
  InjectWindowEvent(WindowEvent{WindowEventType::kClose});
  EXPECT_THROW(PumpMessages(), Ended);
  EXPECT_EQ(code, 0);
  EXPECT_FALSE(WindowOpen());
  PostQuitMessage();
  EXPECT_THROW(PumpMessages(), Ended);
  EXPECT_EQ(code, 255);
}
TEST_F(Screen, AbortTakesTheCaretAwayAndDoneEmptiesTheKeyQueue) {
  static int code = -1;
  struct Ended {};
  SetConsoleExitAction([](int c) {
    code = c;
    throw Ended{};
  });
  PumpMessages();  // the window has the focus
  BeginKeyWait();
  EXPECT_TRUE(HeadlessCaretShown(nullptr, nullptr));
  EXPECT_THROW(AbortConsole(), Ended);
  EXPECT_EQ(code, 255);
  EXPECT_FALSE(HeadlessCaretShown(nullptr, nullptr));
  EndKeyWait();
  InjectKeyPress(kKeyEnter, 13);
  EXPECT_TRUE(KeyWaiting());
  EXPECT_THROW(DoneConsole(), Ended);
  EXPECT_EQ(code, 0);
  EXPECT_FALSE(WindowOpen());
  EXPECT_FALSE(KeyWaiting());  // a new window, and nothing left from the old one
}
}  // namespace
