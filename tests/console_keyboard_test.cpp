// Key events become key codes; line input; braille chords; tones.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/console.h"
#include "console/keyboard.h"
#include "platform/messages.h"
#include "platform/window.h"
#include "platform/window_headless.h"
#include "tests/support/testenv.h"

namespace {
std::vector<int> gTones;

class Keyboard : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetMessages();
    ResetConsole();
    SelectWindowBackend("headless");
    gTones.clear();
    SetToneOutput([](int frequency, const uint8_t*, size_t) {
      if (frequency != 0) gTones.push_back(frequency);
    });
    InitConsole();
  }
  void TearDown() override {
    SetHeadlessIdleHook(nullptr);
    ResetConsole();
    ResetMessages();
  }
  TempDir windows_;
  ScopedEnv windowsDir_{"WINDIR", windows_.path()};
  ScopedEnv timeScale_{"ZELNAR_TIME_SCALE", "0"};
};

// Every code queued after the events injected so far.
std::vector<int> Codes() {
  std::vector<int> codes;
  while (KeyWaiting()) codes.push_back(TakeKey());
  return codes;
}

using V = std::vector<int>;

TEST_F(Keyboard, KeysWithoutACharacterQueueZeroAndTheirNumber) {
  InjectKeyPress(kKeyUp, -1);
  EXPECT_EQ(Codes(), (V{0, 72}));
  InjectKeyPress(kKeyUp, -1, kModCtrl);
  EXPECT_EQ(Codes(), (V{0, 113}));
  InjectKeyPress(kKeyInsert, -1, kModShift);
  EXPECT_EQ(Codes(), (V{0, 254}));
  InjectKeyPress(kKeyInsert, -1, kModCtrl);
  EXPECT_EQ(Codes(), (V{0, 255}));
  InjectKeyPress(kKeyF1, -1);
  InjectKeyPress(kKeyF1 + 9, -1, kModCtrl);
  InjectKeyPress(kKeyF12, -1);
  InjectKeyPress(kKeyPageUp, -1, kModCtrl);
  InjectKeyPress(kKeyDelete, -1, kModCtrl);
  EXPECT_EQ(Codes(), (V{0, 59, 0, 103, 0, 70, 0, 132, 0, 83}));
}

TEST_F(Keyboard, CtrlChangesEnterAndBackspace) {
  InjectKeyPress(kKeyEnter, 13, kModCtrl);
  InjectKeyPress(kKeyBackspace, 8, kModCtrl);
  InjectKeyPress(kKeyEnter, 13);
  InjectKeyPress(kKeyBackspace, 8);
  InjectKeyPress(kKeyEscape, 27);
  InjectKeyPress(kKeyA + 2, 3, kModCtrl);
  EXPECT_EQ(Codes(), (V{10, 127, 13, 8, 27, 3}));
}

TEST_F(Keyboard, AltLettersNeedCtrlOrBreakCheckingOff) {
  InjectKeyPress('X', -1, kModAlt);
  EXPECT_EQ(Codes(), V{});
  InjectKeyPress('X', -1, kModAlt | kModCtrl);
  EXPECT_EQ(Codes(), (V{0, 45}));
  SetCheckBreak(false);
  InjectKeyPress('X', -1, kModAlt);
  InjectKeyPress('0', -1, kModAlt);
  InjectKeyPress('1', -1, kModAlt);
  EXPECT_EQ(Codes(), (V{0, 45, 0, 129, 0, 120}));
  SetCheckBreak(true);
  // Alt+Left and Alt+Right are taken even with break checking on.
  InjectKeyPress(kKeyLeft, -1, kModAlt);
  EXPECT_EQ(Codes(), (V{0, 75}));
}

TEST_F(Keyboard, CtrlBreakAbortsTheProgram) {
  static int code = -1;
  struct Ended {};
  SetConsoleExitAction([](int c) {
    code = c;
    throw Ended{};
  });
  InjectKeyDown(kKeyBreak, kModCtrl);
  EXPECT_THROW(KeyWaiting(), Ended);
  EXPECT_EQ(code, 255);
}

TEST_F(Keyboard, AltF4ClosesTheWindow) {
  static int code = -1;
  struct Ended {};
  SetConsoleExitAction([](int c) {
    code = c;
    throw Ended{};
  });
  InjectKeyDown(kKeyF1 + 3, kModAlt);
  EXPECT_THROW(KeyWaiting(), Ended);
  EXPECT_EQ(code, 0);
}

TEST_F(Keyboard, AFullQueueDropsKeysAndNeverOverflows) {
  for (int i = 0; i < 70; ++i) InjectChar('a' + i % 26);
  InjectKeyPress(kKeyUp, -1);
  std::vector<int> codes = Codes();
  ASSERT_EQ(codes.size(), 64u);
  EXPECT_EQ(codes[63], 'a' + 63 % 26);
  // A two-code key needs two free places.
  for (int i = 0; i < 63; ++i) InjectChar('b');
  InjectKeyPress(kKeyDown, -1);
  codes = Codes();
  EXPECT_EQ(codes.size(), 63u);
  // So does an Alt letter; with two places free both codes go in.
  for (int i = 0; i < 63; ++i) InjectChar('b');
  InjectKeyPress('X', -1, kModAlt | kModCtrl);
  codes = Codes();
  ASSERT_EQ(codes.size(), 63u);
  EXPECT_EQ(codes.back(), 'b');
  for (int i = 0; i < 62; ++i) InjectChar('b');
  InjectKeyPress('X', -1, kModAlt | kModCtrl);
  codes = Codes();
  ASSERT_EQ(codes.size(), 64u);
  EXPECT_EQ(codes[62], 0);
  EXPECT_EQ(codes[63], 45);
}

TEST_F(Keyboard, ABrailleCharacterNeedsAFreePlace) {
  SetBrailleMode(1);
  for (int i = 0; i < 64; ++i) InjectChar('1');
  InjectKeyDown('F');
  InjectKeyUp('F');
  std::vector<int> codes = Codes();
  ASSERT_EQ(codes.size(), 64u);
  EXPECT_EQ(codes.back(), '1');
  for (int i = 0; i < 63; ++i) InjectChar('1');
  InjectKeyDown('F');
  InjectKeyUp('F');
  codes = Codes();
  ASSERT_EQ(codes.size(), 64u);
  EXPECT_EQ(codes.back(), 'a');
}

TEST_F(Keyboard, TakeKeyWaitsWithTheCaretShown) {
  static int caretColumn = -1, caretRow = -1;
  static bool caretShown = false;
  MoveCursor(5, 7);
  SetHeadlessIdleHook([] {
    caretShown = HeadlessCaretShown(&caretColumn, &caretRow);
    InjectKeyPress('Q', 'q');
  });
  EXPECT_EQ(TakeKey(), 'q');
  EXPECT_TRUE(caretShown);
  EXPECT_EQ(caretColumn, 4);
  EXPECT_EQ(caretRow, 6);
  EXPECT_FALSE(HeadlessCaretShown(nullptr, nullptr));
}

TEST_F(Keyboard, ReadLineKeeps126CharactersAndIgnoresEscape) {
  std::string typed;
  for (int i = 0; i < 130; ++i) typed += static_cast<char>('a' + i % 26);
  // Typed one key at a time, as a person does, so that no key is dropped.
  static std::string script;
  script = typed.substr(0, 10) + "\x1B\t" + typed.substr(10) + "\r";
  SetHeadlessIdleHook([] {
    if (script.empty()) return;
    InjectText(script.substr(0, 1));
    script.erase(0, 1);
  });
  std::string line = ReadLine();
  EXPECT_EQ(line, typed.substr(0, 126));
  // Echoed: 80 on the first row, the rest on the second, then CR LF.
  EXPECT_EQ(ReadScreenCell(1, 1).ch, 'a');
  EXPECT_EQ(ReadScreenCell(46, 2).ch, typed[125]);
  EXPECT_EQ(ReadScreenCell(47, 2).ch, ' ');
  EXPECT_EQ(CursorRow(), 3);
  EXPECT_EQ(CursorColumn(), 1);
}

TEST_F(Keyboard, ReadLineBackspaceEditsAndArrowsBecomeLetters) {
  InjectText("abc\b\bx");
  InjectKeyPress(kKeyUp, -1);
  InjectText("\r");
  EXPECT_EQ(ReadLine(), "axH");
  EXPECT_EQ(ReadScreenCell(1, 1).ch, 'a');
  EXPECT_EQ(ReadScreenCell(2, 1).ch, 'x');
  EXPECT_EQ(ReadScreenCell(3, 1).ch, 'H');
  EXPECT_EQ(ReadScreenCell(4, 1).ch, ' ');
}

// A chord: every key down, then every key up.
void Chord(std::initializer_list<int> keys) {
  for (int k : keys) InjectKeyDown(k);
  for (int k : keys) InjectKeyUp(k);
}

std::string Typed() {
  std::string s;
  for (int c : Codes()) s += static_cast<char>(c);
  return s;
}

TEST_F(Keyboard, BrailleModeOneTurnsChordsIntoCharacters) {
  SetBrailleMode(1);
  EXPECT_EQ(gTones, (V{800, 1600}));
  // The letter keys' own characters do not reach the queue.
  InjectKeyDown('F');
  InjectChar('f');
  InjectKeyDown('D');
  InjectChar('d');
  InjectKeyUp('F');
  EXPECT_EQ(Typed(), "");
  InjectKeyUp('D');
  EXPECT_EQ(Typed(), "b");
  Chord({'F', 'J'});
  Chord({'S', 'J', 'L'});  // dots 3-4-6: an accented o
  Chord({'J', 'L'});       // the capital sign is itself in mode 1
  EXPECT_EQ(Typed(), "c\xF3{");
}

TEST_F(Keyboard, SpaceWithDotsGivesControlCodes) {
  SetBrailleMode(1);
  Chord({kKeySpace, 'F', 'D', 'K'});
  Chord({kKeySpace, 'F', 'S', 'J'});
  Chord({kKeySpace});
  Chord({'G'});  // a letter that is not a dot key: a blank
  EXPECT_EQ(Codes(), (V{8, 13, ' ', ' '}));
}

TEST_F(Keyboard, BrailleModeTwoSigns) {
  SetBrailleMode(2);
  EXPECT_EQ(gTones, (V{800, 400}));
  Chord({'J', 'L'});  // capital sign
  Chord({'F'});
  Chord({'F'});
  EXPECT_EQ(Typed(), "Aa");
  Chord({'S', 'J', 'K', 'L'});  // number sign
  Chord({'F', 'D'});
  Chord({'F', 'J'});
  Chord({'D', 'J', 'K'});  // j: 0
  Chord({'S'});            // apostrophe: full stop
  EXPECT_EQ(Typed(), "230.");
  Chord({kKeySpace});  // ends number mode
  Chord({'F'});
  EXPECT_EQ(Typed(), " a");
}

TEST_F(Keyboard, TwoCapitalSignsLockAndTheSpaceBarUnlocks) {
  SetBrailleMode(2);
  Chord({'J', 'L'});
  Chord({'J', 'L'});
  Chord({'F'});
  Chord({'F', 'D'});
  Chord({'F', 'J'});
  EXPECT_EQ(Typed(), "ABC");
  Chord({kKeySpace});
  Chord({'F'});
  EXPECT_EQ(Typed(), " a");
}

TEST_F(Keyboard, AltCtrlF11AndF12ChangeTheModeWithTones) {
  SetBrailleMode(2);
  gTones.clear();
  InjectKeyDown(kKeyF11, kModAlt | kModCtrl);
  KeyWaiting();
  EXPECT_EQ(BrailleMode(), 1);
  EXPECT_EQ(gTones, (V{800, 1600}));
  gTones.clear();
  InjectKeyDown(kKeyF12, kModAlt | kModCtrl);
  KeyWaiting();
  EXPECT_EQ(BrailleMode(), 0);
  EXPECT_EQ(gTones, (V{100}));
  gTones.clear();
  SetBrailleMode(0);
  EXPECT_EQ(gTones, V{});
  // Off again: letters are letters.
  InjectKeyPress('F', 'f');
  EXPECT_EQ(Typed(), "f");
}

TEST_F(Keyboard, CtrlShiftF11AndF12AreTheSameWhereTheDesktopTakesCtrlAlt) {
  InjectKeyDown(kKeyF11, kModShift | kModCtrl);
  KeyWaiting();
  EXPECT_EQ(BrailleMode(), 1);
  EXPECT_EQ(gTones, (V{800, 1600}));
  InjectKeyDown(kKeyF12, kModShift | kModCtrl);
  KeyWaiting();
  EXPECT_EQ(BrailleMode(), 0);
  EXPECT_EQ(Codes(), V{});  // and nothing queued
}

TEST_F(Keyboard, CtrlWithADotKeyIsNotAChord) {
  SetBrailleMode(1);
  InjectKeyDown('F', kModCtrl);
  InjectChar(6, kModCtrl);
  InjectKeyUp('F', kModCtrl);
  EXPECT_EQ(Codes(), (V{6}));
}

TEST_F(Keyboard, ToneImageBytes) {
  std::vector<uint8_t> image = MakeToneImage(1000);
  ASSERT_EQ(image.size(), kToneImageSize);
  auto u32 = [&](size_t at) {
    return image[at] | image[at + 1] << 8 | image[at + 2] << 16 | static_cast<uint32_t>(image[at + 3]) << 24;
  };
  EXPECT_EQ(std::string(image.begin(), image.begin() + 4), "RIFF");
  EXPECT_EQ(std::string(image.begin() + 8, image.begin() + 16), "WAVEfmt ");
  EXPECT_EQ(u32(16), 16u);
  EXPECT_EQ(image[20] | image[21] << 8, 1);   // PCM
  EXPECT_EQ(image[22] | image[23] << 8, 1);   // mono
  EXPECT_EQ(u32(24), 11025u);
  EXPECT_EQ(u32(28), 11025u);
  EXPECT_EQ(image[32] | image[33] << 8, 1);
  EXPECT_EQ(image[34] | image[35] << 8, 8);
  EXPECT_EQ(std::string(image.begin() + 36, image.begin() + 40), "data");
  // p = 11 samples a period; periods start at 44 + k * 11.025 while the start
  // is at most 11014: k runs to 995 (10,013 + 44 = ...), the data ends at the
  // start of k = 996.
  const int end = 44 + (996 * 11025) / 1000;  // 11024
  EXPECT_EQ(u32(40), static_cast<uint32_t>(end - 44));
  EXPECT_EQ(u32(4), static_cast<uint32_t>(end - 44 + 36));
  // The first period: 5 samples low, then high up to the second start (55).
  for (int i = 44; i < 49; ++i) EXPECT_EQ(image[i], 96) << i;
  for (int i = 49; i < 55; ++i) EXPECT_EQ(image[i], 160) << i;
  EXPECT_EQ(image[55], 96);
  EXPECT_EQ(image[end - 1], 128);
  EXPECT_EQ(image[end], 0);
}

TEST_F(Keyboard, ToneImageOfAnImpossibleFrequencyIsEmpty) {
  EXPECT_TRUE(MakeToneImage(0).empty());
  EXPECT_TRUE(MakeToneImage(-5).empty());
  EXPECT_TRUE(MakeToneImage(2000000000).empty());
  EXPECT_FALSE(MakeToneImage(11025).empty());
}
}  // namespace
