// The video settings from TAVIRO.INI and what they do to the window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/console.h"
#include "console/keyboard.h"
#include "console/video.h"
#include "platform/messages.h"
#include "platform/window.h"
#include "platform/window_headless.h"
#include "tests/support/testenv.h"

namespace {
std::vector<int> gTones;

class Video_ : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetMessages();
    ResetConsole();
    SelectWindowBackend("headless");
    gTones.clear();
  }
  void TearDown() override {
    ResetConsole();
    ResetMessages();
  }
  void Settings(const std::string& lines) { windows_.Write("TAVIRO.INI", lines); }
  TempDir windows_;
  ScopedEnv windowsDir_{"WINDIR", windows_.path()};
  ScopedEnv timeScale_{"ZELNAR_TIME_SCALE", "0"};
};

TEST_F(Video_, NoSettingsFileGivesTheDefaults) {
  ReadVideoSettings(1024, 734);
  const VideoSettings& v = Video();
  for (int i = 0; i < 16; ++i) EXPECT_EQ(v.palette[i], i);
  EXPECT_TRUE(v.coloursEnabled);
  EXPECT_FALSE(v.smoothScroll);
  EXPECT_EQ(v.attribute, 0x0F);
  EXPECT_EQ(v.brailleMode, 0);
  EXPECT_EQ(v.magnifier, 2);
  EXPECT_EQ(v.fontFace, "Lucida Console");
  EXPECT_FALSE(v.maximised);
}

TEST_F(Video_, FontSizeFollowsTheWorkArea) {
  ReadVideoSettings(1024, 734);
  EXPECT_EQ(Video().fontWidth, 13);
  EXPECT_EQ(Video().fontHeight, 28);
  ReadVideoSettings(1920, 1040);
  EXPECT_EQ(Video().fontWidth, 24);
  EXPECT_EQ(Video().fontHeight, 40);
  Settings("[VIDEO]\r\nLARGURALETRA=10\r\nALTURALETRA=0x14\r\n");
  ReadVideoSettings(1920, 1040);
  EXPECT_EQ(Video().fontWidth, 10);
  EXPECT_EQ(Video().fontHeight, 20);
}

TEST_F(Video_, BackgroundAndForegroundMakeTheAttribute) {
  Settings("[VIDEO]\nCORFUNDO=1\nCORLETRA=14\n");
  ReadVideoSettings(1024, 734);
  EXPECT_EQ(Video().attribute, 30);
  // Empty values keep the start colours (grey on black).
  Settings("[VIDEO]\nCORFUNDO=\nCORLETRA=\n");
  ReadVideoSettings(1024, 734);
  EXPECT_EQ(Video().attribute, 0x07);
  Settings("[VIDEO]\nCORFUNDO=2x\nCORLETRA=abc\n");
  ReadVideoSettings(1024, 734);
  EXPECT_EQ(Video().attribute, 0x20);
}

TEST_F(Video_, PaletteFromTabcores) {
  unsigned char p[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  ReadPalette("15,14", p);
  EXPECT_EQ(p[0], 15);
  EXPECT_EQ(p[1], 14);
  for (int i = 2; i < 16; ++i) EXPECT_EQ(p[i], i);
  // A blank after a comma: that entry is stored and the reading stops.
  unsigned char q[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  ReadPalette("9,10, 11,12", q);
  EXPECT_EQ(q[0], 9);
  EXPECT_EQ(q[1], 10);
  EXPECT_EQ(q[2], 11);
  EXPECT_EQ(q[3], 3);
  // A value that is not a number stops the reading after storing its start.
  unsigned char r[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  ReadPalette("4x,5", r);
  EXPECT_EQ(r[0], 4);
  EXPECT_EQ(r[1], 1);
  unsigned char t[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  ReadPalette("300,$A", t);
  EXPECT_EQ(t[0], 300 & 0xFF);
  EXPECT_EQ(t[1], 10);
}

TEST_F(Video_, PaletteChangesTheDrawnColours) {
  Settings("[VIDEO]\nTABCORES=15,14\nCORFUNDO=0\nCORLETRA=1\n");
  Write("A");
  DrawnCell cell = HeadlessDrawnCell(0, 0);
  EXPECT_EQ(cell.fg, 0xFFFF00u);  // index 1 drawn as yellow
  EXPECT_EQ(cell.bg, 0xFFFFFFu);  // index 0 drawn as white
  SetForeground(4);
  Write("B");
  EXPECT_EQ(HeadlessDrawnCell(1, 0).fg, 0xFF0000u);
}

TEST_F(Video_, ColoursDisabledIgnoreSetForegroundAndSetBackground) {
  Settings("[VIDEO]\nCORESFIXAS=sim\nCORFUNDO=1\nCORLETRA=14\n");
  InitConsole();
  SetForeground(4);
  SetBackground(2);
  EXPECT_EQ(CurrentAttribute(), 30);
  Write("x");
  EXPECT_EQ(ReadScreenCell(1, 1).attr, 30);
}

TEST_F(Video_, CantotelaChoosesTheWindowPlacement) {
  Settings("[VIDEO]\nCANTOTELA=NAO\n");
  InitConsole();
  EXPECT_TRUE(HeadlessMaximised());
  ResetConsole();
  Settings("[VIDEO]\nCANTOTELA=sim\n");
  InitConsole();
  EXPECT_FALSE(HeadlessMaximised());
}

TEST_F(Video_, MagnifierFactorFromTheFirstCharacter) {
  Settings("[VIDEO]\nAMPLIF=0\n");
  ReadVideoSettings(1024, 734);
  EXPECT_EQ(Video().magnifier, 2);
  Settings("[VIDEO]\nAMPLIF=35\n");
  ReadVideoSettings(1024, 734);
  EXPECT_EQ(Video().magnifier, 3);
  Settings("[VIDEO]\nAMPLIF=7\n");
  ReadVideoSettings(1024, 734);
  EXPECT_EQ(Video().magnifier, 7);
}

TEST_F(Video_, BrailleModeFromTheSettingsStartsWithItsTones) {
  Settings("[BRAILLE]\nMODO=2\n[VIDEO]\nLENTO=S\n");
  SetToneOutput([](int f, const uint8_t*, size_t) {
    if (f) gTones.push_back(f);
  });
  InitConsole();
  EXPECT_EQ(BrailleMode(), 2);
  EXPECT_EQ(gTones, (std::vector<int>{800, 400}));
  EXPECT_TRUE(Video().smoothScroll);
  ResetConsole();
  Settings("[BRAILLE]\nMODO=3\n");
  InitConsole();
  EXPECT_EQ(BrailleMode(), 1);
}

TEST_F(Video_, WholeNumbers) {
  bool whole = false;
  EXPECT_EQ(ReadWholeNumber("  -12", &whole), -12);
  EXPECT_TRUE(whole);
  EXPECT_EQ(ReadWholeNumber("$1f", &whole), 31);
  EXPECT_TRUE(whole);
  EXPECT_EQ(ReadWholeNumber("0x10", &whole), 16);
  EXPECT_EQ(ReadWholeNumber("12ab", &whole), 12);
  EXPECT_FALSE(whole);
  EXPECT_EQ(ReadWholeNumber("", &whole), 0);
  EXPECT_FALSE(whole);
}

TEST_F(Video_, SmoothScrollMovesTheDrawnRows) {
  Settings("[VIDEO]\nLENTO=S\n");
  InitConsole();
  PumpMessages();  // the window has the focus
  MoveCursor(1, 2);
  Write("kept");
  int before = HeadlessDrawCalls();
  MoveCursor(1, 25);
  Write("\n");
  EXPECT_EQ(HeadlessDrawnCell(0, 0).ch, 'k');
  // No full repaint: only the pixels moved.
  EXPECT_LT(HeadlessDrawCalls() - before, 5);
}
}  // namespace
