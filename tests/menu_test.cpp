// The option-list menu on the headless console: what it draws, how it moves
// and scrolls, and what it leaves behind. Keys are typed into the window as a
// user would type them; the screen is read back cell by cell.
#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <functional>
#include <string>

#include "console/console.h"
#include "console/menu.h"
#include "platform/window.h"
#include "platform/window_headless.h"
#include "tests/support/soundtest.h"
#include "tests/support/testenv.h"

namespace {

constexpr unsigned char kItem = 0x1F;       // white on blue
constexpr unsigned char kHighlight = 0x1E;  // yellow on blue

void Down() { InjectKeyPress(kKeyDown, -1); }
void Up() { InjectKeyPress(kKeyUp, -1); }
void Enter() { InjectKeyPress(kKeyEnter, 13); }
void Esc() { InjectKeyPress(kKeyEscape, 27); }
void Letter(char c) { InjectKeyPress(kKeyA + (c | 0x20) - 'a', c); }

// The characters of `count` cells from (column, row).
std::string TextAt(int column, int row, int count) {
  std::string s;
  for (int c = column; c < column + count; ++c) s += static_cast<char>(ReadScreenCell(c, row).ch);
  return s;
}
unsigned char AttrAt(int column, int row) { return ReadScreenCell(column, row).attr; }
// Whether every cell of the span has the attribute.
bool SpanHasAttr(int column, int row, int count, unsigned char attr) {
  for (int c = column; c < column + count; ++c)
    if (AttrAt(c, row) != attr) return false;
  return true;
}

std::string Padded(std::string text, size_t width) {
  text.resize(width, ' ');
  return text;
}

std::string ItemText(int n) {
  char s[16];
  std::snprintf(s, sizeof s, "Item %02d", n);
  return s;
}

// A whole screen of text whose characters and colours change along each row
// and from row to row, so that anything put back wrongly shows.
struct Screen {
  Cell cells[kScreenRows][kScreenColumns];
  static Screen Take() {
    Screen s;
    for (int r = 0; r < kScreenRows; ++r)
      for (int c = 0; c < kScreenColumns; ++c) s.cells[r][c] = ReadScreenCell(c + 1, r + 1);
    return s;
  }
  bool SameAt(int column, int row) const {
    Cell now = ReadScreenCell(column, row);
    const Cell& was = cells[row - 1][column - 1];
    return now.ch == was.ch && now.attr == was.attr;
  }
};

void FillPattern() {
  for (int r = 1; r <= kScreenRows; ++r) {
    MoveCursor(1, r);
    for (int c = 1; c <= kScreenColumns; c += 8) {
      SetForeground((r + c / 8) % 16);
      SetBackground((r * 3 + c / 8) % 8);
      std::string chunk;
      for (int i = 0; i < 8; ++i) chunk += static_cast<char>('!' + (r * 7 + c + i) % 90);
      Write(chunk);
    }
  }
}

class MenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetConsole();
    SelectWindowBackend("headless");
    InitConsole();
    SetHeadlessIdleHook([this] { NextStep(); });
  }
  void TearDown() override {
    SetHeadlessIdleHook(nullptr);
    EXPECT_TRUE(steps_.empty()) << steps_.size() << " steps not reached";
    ResetConsole();
  }
  // Sounds (the error tone) go to the capture double and end at once, so
  // that a wait for them is never taken for a wait for a key.
  SoundTestEnv sound_;
  // What the test does each time the menu waits for a key.
  void Then(std::function<void()> step) { steps_.push_back(std::move(step)); }
  void NextStep() {
    if (steps_.empty()) {
      ADD_FAILURE() << "the menu waited for a key the test did not give";
      Esc();
      return;
    }
    auto step = std::move(steps_.front());
    steps_.pop_front();
    step();
  }
  void OpenTwenty() {
    OpenMenu(5, 10, 40, 10, 1);
    for (int n = 1; n <= 20; ++n) AddMenuItem("", ItemText(n));
  }

  TempDir windir_;
  ScopedEnv env_{"WINDIR", windir_.path()};
  std::deque<std::function<void()>> steps_;
};

TEST_F(MenuTest, TwentyItemsFromRowTenAndWhatComesBack) {
  FillPattern();
  MoveCursor(7, 3);
  SetForeground(2);
  SetBackground(0);
  const Screen before = Screen::Take();
  OpenTwenty();
  Then([] {
    // Items 1 to 16 reach the last row, whatever the height; item 1 is lit.
    for (int n = 1; n <= 16; ++n) {
      const int row = 9 + n;
      EXPECT_EQ(TextAt(5, row, 40), Padded(ItemText(n), 40)) << "row " << row;
      if (n == 1) {
        EXPECT_TRUE(SpanHasAttr(5, row, 7, kHighlight));
        EXPECT_TRUE(SpanHasAttr(12, row, 33, kItem));
      } else {
        EXPECT_TRUE(SpanHasAttr(5, row, 40, kItem)) << "row " << row;
      }
    }
    EXPECT_EQ(CursorColumn(), 5);
    EXPECT_EQ(CursorRow(), 10);
    Esc();
  });
  EXPECT_EQ(RunMenu(), 0);

  // Everything comes back, also the rows below the height given that the
  // list ran down to.
  for (int row = 1; row <= kScreenRows; ++row)
    for (int column = 1; column <= kScreenColumns; ++column)
      EXPECT_TRUE(before.SameAt(column, row)) << column << "," << row;
  EXPECT_EQ(CursorColumn(), 7);
  EXPECT_EQ(CursorRow(), 3);
  EXPECT_EQ(CurrentAttribute(), 0x02);
}

TEST_F(MenuTest, DownFromItemSixteenScrollsByOne) {
  OpenTwenty();
  Then([] { for (int i = 0; i < 15; ++i) Down(); });
  Then([] {
    EXPECT_EQ(TextAt(5, 10, 7), "Item 01");
    EXPECT_EQ(TextAt(5, 25, 7), "Item 16");
    EXPECT_TRUE(SpanHasAttr(5, 25, 7, kHighlight));
    EXPECT_TRUE(SpanHasAttr(5, 24, 7, kItem));
    Down();
  });
  Then([] {
    for (int row = 10; row <= 25; ++row) EXPECT_EQ(TextAt(5, row, 40), Padded(ItemText(row - 8), 40));
    EXPECT_TRUE(SpanHasAttr(5, 25, 7, kHighlight));
    EXPECT_TRUE(SpanHasAttr(5, 24, 7, kItem));
    Up();  // item 16, one row up, no scroll
  });
  Then([] {
    EXPECT_EQ(TextAt(5, 10, 7), "Item 02");
    EXPECT_TRUE(SpanHasAttr(5, 24, 7, kHighlight));
    InjectKeyPress(kKeyHome, -1);  // back to item 1: the list scrolls up
  });
  Then([] {
    EXPECT_EQ(TextAt(5, 10, 7), "Item 01");
    EXPECT_TRUE(SpanHasAttr(5, 10, 7, kHighlight));
    EXPECT_EQ(TextAt(5, 25, 7), "Item 16");
    InjectKeyPress(kKeyEnd, -1);
  });
  Then([] {
    EXPECT_EQ(TextAt(5, 10, 7), "Item 05");
    EXPECT_EQ(TextAt(5, 25, 7), "Item 20");
    EXPECT_TRUE(SpanHasAttr(5, 25, 7, kHighlight));
    Enter();
  });
  EXPECT_EQ(RunMenu(), 20);
}

TEST_F(MenuTest, FirstLetterSkipsLeadingBlanksAndNeverWraps) {
  OpenMenu(5, 10, 40, 10, 1);
  AddMenuItem("", "Casa");
  AddMenuItem("", "  Carro");
  AddMenuItem("", "Barco");
  Then([] { Letter('c'); });
  Then([] {
    EXPECT_TRUE(SpanHasAttr(5, 10, 4, kItem));
    EXPECT_TRUE(SpanHasAttr(5, 11, 7, kHighlight));
    Letter('C');
  });
  Then([] {
    // Past the end: nothing is lit, and Casa was not found again.
    for (int row = 10; row <= 12; ++row) EXPECT_TRUE(SpanHasAttr(5, row, 40, kItem)) << row;
    Letter('b');
  });
  Then([] {
    EXPECT_TRUE(SpanHasAttr(5, 12, 5, kHighlight));
    Enter();
  });
  EXPECT_EQ(RunMenu(), 3);
}

TEST_F(MenuTest, PageDownPastTheEndThenUp) {
  OpenMenu(5, 10, 40, 10, 1);
  for (const char* t : {"Um", "Dois", "Tres", "Quatro", "Cinco"}) AddMenuItem("", t);
  Then([] {
    Down();
    Down();
  });
  Then([] {
    EXPECT_TRUE(SpanHasAttr(5, 12, 4, kHighlight));
    InjectKeyPress(kKeyPageDown, -1);
  });
  Then([] {
    for (int row = 10; row <= 14; ++row) EXPECT_TRUE(SpanHasAttr(5, row, 40, kItem)) << row;
    Up();
  });
  Then([] {
    EXPECT_TRUE(SpanHasAttr(5, 14, 5, kHighlight));
    InjectKeyPress(kKeyPageUp, -1);  // 5 - 10: before the first item
  });
  Then([] {
    for (int row = 10; row <= 14; ++row) EXPECT_TRUE(SpanHasAttr(5, row, 40, kItem)) << row;
    Enter();
  });
  EXPECT_EQ(RunMenu(), 0);
}

TEST_F(MenuTest, RightAndLeftStayOnTheItem) {
  OpenMenu(5, 10, 40, 10, 1);
  AddMenuItem("", "Um");
  AddMenuItem("", "Dois");
  Then([] {
    Down();
    InjectKeyPress(kKeyRight, -1);
    InjectKeyPress(kKeyLeft, -1);
  });
  Then([] {
    EXPECT_TRUE(SpanHasAttr(5, 11, 4, kHighlight));
    EXPECT_TRUE(SpanHasAttr(5, 10, 2, kItem));
    Enter();
  });
  EXPECT_EQ(RunMenu(), 2);
}

TEST_F(MenuTest, RectanglePastTheEdgesMovesIn) {
  FillPattern();
  const Screen before = Screen::Take();
  OpenMenu(75, 20, 40, 10, 1);
  AddMenuItem("", "Um");
  AddMenuItem("", "Dois");
  Then([] {
    EXPECT_EQ(TextAt(40, 16, 40), Padded("Um", 40));
    EXPECT_TRUE(SpanHasAttr(40, 16, 2, kHighlight));
    EXPECT_EQ(TextAt(40, 17, 40), Padded("Dois", 40));
    Esc();
  });
  EXPECT_EQ(RunMenu(), 0);
  for (int row = 1; row <= kScreenRows; ++row)
    for (int column = 1; column <= kScreenColumns; ++column)
      EXPECT_TRUE(before.SameAt(column, row)) << column << "," << row;
}

TEST_F(MenuTest, EscGivesZeroOnAValidItemAndEnterTheNumber) {
  OpenMenu(5, 10, 40, 10, 1);
  AddMenuItem("", "Um");
  AddMenuItem("", "Dois");
  Then([] { Down(); });
  Then([] { Esc(); });
  EXPECT_EQ(RunMenu(), 0);

  OpenMenu(5, 10, 40, 10, 1);
  AddMenuItem("", "Um");
  AddMenuItem("", "Dois");
  Then([] {
    Down();
    Enter();
  });
  EXPECT_EQ(RunMenu(), 2);
}

TEST_F(MenuTest, ALongItemWidensTheMenuAndLeavesNothingBehind) {
  FillPattern();
  const Screen before = Screen::Take();
  const std::string cafe = "Caf\xE9 Central, conectado, segura, sinal 72%";
  const std::string sixty = "Biblioteca Municipal do Jardim, conectado, segura, sinal 72%";
  ASSERT_EQ(sixty.size(), 60u);
  OpenMenu(5, 10, 40, 10, 1);
  AddMenuItem("", "Curta, sinal 40%");
  AddMenuItem("", cafe);
  AddMenuItem("", sixty);
  Then([&] {
    // Every item whole, on a menu as wide as the longest one.
    EXPECT_EQ(TextAt(5, 10, 60), Padded("Curta, sinal 40%", 60));
    EXPECT_EQ(TextAt(5, 11, 60), Padded(cafe, 60));
    EXPECT_EQ(TextAt(5, 12, 60), sixty);
    EXPECT_TRUE(SpanHasAttr(5, 12, 60, kItem));
    Down();
    Down();
  });
  Then([&] {
    EXPECT_TRUE(SpanHasAttr(5, 12, 60, kHighlight));
    EXPECT_EQ(AttrAt(65, 12), before.cells[11][64].attr);
    Enter();
  });
  EXPECT_EQ(RunMenu(), 3);
  for (int row = 1; row <= kScreenRows; ++row)
    for (int column = 1; column <= kScreenColumns; ++column)
      EXPECT_TRUE(before.SameAt(column, row)) << column << "," << row;
}

TEST_F(MenuTest, AnItemWiderThanTheScreenIsCutAtABlankOnTheLastRow) {
  FillPattern();
  const Screen before = Screen::Take();
  OpenMenu(5, 25, 40, 1, 1);
  // 76 characters of words, then one that would pass column 80.
  const std::string words = std::string(70, 'x') + " sinal " + "72%-e-mais";
  AddMenuItem("", words);
  Then([&] {
    // The whole screen's width, cut where the partial word began.
    EXPECT_EQ(TextAt(1, 25, 80), Padded(std::string(70, 'x') + " sinal", 80));
    EXPECT_TRUE(SpanHasAttr(1, 25, 76, kHighlight));
    EXPECT_TRUE(SpanHasAttr(77, 25, 4, kItem));
    Enter();
  });
  EXPECT_EQ(RunMenu(), 1);
  // Nothing scrolled, nothing left.
  for (int row = 1; row <= kScreenRows; ++row)
    for (int column = 1; column <= kScreenColumns; ++column)
      EXPECT_TRUE(before.SameAt(column, row)) << column << "," << row;
}

TEST_F(MenuTest, ControlBytesInANameStayOnTheirRow) {
  FillPattern();
  const Screen before = Screen::Take();
  OpenMenu(5, 25, 40, 1, 1);
  AddMenuItem("", "Rede\nnova\b\r, sinal 9%");
  Then([] {
    EXPECT_EQ(TextAt(5, 25, 20), "Rede?nova??, sinal 9");
    Enter();
  });
  EXPECT_EQ(RunMenu(), 1);
  for (int row = 1; row <= kScreenRows; ++row)
    for (int column = 1; column <= kScreenColumns; ++column)
      EXPECT_TRUE(before.SameAt(column, row)) << column << "," << row;
}
}  // namespace
