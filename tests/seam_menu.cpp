// What the menu says while the user moves through it: the menu module alone,
// with the console, the key queue and the speech replaced by recording doubles.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "console/console.h"
#include "console/keyboard.h"
#include "console/menu.h"
#include "speech/sounds.h"
#include "speech/speak.h"

namespace {
std::vector<std::string> gHeard;       // speech, sounds, beeps and cuts in order
std::deque<unsigned char> gKeys;       // what TakeKey gives
std::vector<std::string> gSoundFiles;  // names SoundExists knows
int gColumn = 1, gRow = 1;
unsigned char gAttribute = 0x0F;
}  // namespace

// Console double: a cursor that text moves, nothing shown.
void MoveCursor(int column, int row) {
  gColumn = column;
  gRow = row;
}
int CursorColumn() { return gColumn; }
int CursorRow() { return gRow; }
void Write(std::string_view text) { gColumn += static_cast<int>(text.size()); }
void SetForeground(int colour) { gAttribute = static_cast<unsigned char>((gAttribute & 0xF0) | (colour & 15)); }
void SetBackground(int colour) { gAttribute = static_cast<unsigned char>((gAttribute & 0x0F) | (colour << 4)); }
unsigned char CurrentAttribute() { return gAttribute; }
void SetCurrentAttribute(unsigned char attribute) { gAttribute = attribute; }
Cell ReadScreenCell(int, int) { return Cell{' ', 0x07}; }

unsigned char TakeKey() {
  if (gKeys.empty()) {
    ADD_FAILURE() << "the menu asked for more keys than the test gave";
    return 27;
  }
  unsigned char k = gKeys.front();
  gKeys.pop_front();
  return k;
}

void Speak(std::string_view text) { gHeard.push_back("speak " + std::string(text)); }
void Spell(std::string_view text) { gHeard.push_back("spell " + std::string(text)); }
void ErrorBeep() { gHeard.push_back("beep"); }
void CutSpeech() { gHeard.push_back("cut"); }
bool SoundExists(std::string_view name) {
  for (const std::string& s : gSoundFiles)
    if (s == name) return true;
  return false;
}
void PlayNamedSound(std::string_view name) { gHeard.push_back("sound " + std::string(name)); }

namespace {

using Heard = std::vector<std::string>;

class MenuSpeech : public ::testing::Test {
 protected:
  void SetUp() override {
    gHeard.clear();
    gKeys.clear();
    gSoundFiles.clear();
    gColumn = gRow = 1;
  }
  void TearDown() override { EXPECT_TRUE(gKeys.empty()) << "keys left unread"; }
  void Keys(std::initializer_list<int> codes) {
    for (int c : codes) gKeys.push_back(static_cast<unsigned char>(c));
  }
  void Open(std::initializer_list<const char*> texts) {
    OpenMenu(5, 10, 40, 10, 1);
    for (const char* t : texts) AddMenuItem("", t);
  }
};

TEST_F(MenuSpeech, EachItemReachedIsSpokenAfterTheCut) {
  Open({"Casa", "Carro", "Barco"});
  Keys({0, 80, 0, 80, 0, 72, 13});
  EXPECT_EQ(RunMenu(), 2);
  EXPECT_EQ(gHeard, (Heard{"speak Casa", "cut", "speak Carro", "cut", "speak Barco", "cut",
                           "speak Carro", "cut"}));
}

TEST_F(MenuSpeech, RecordedSoundIsPlayedInsteadOfTheText) {
  gSoundFiles = {"rede1"};
  OpenMenu(5, 10, 40, 10, 1);
  AddMenuItem("rede1", "Rede um");
  AddMenuItem("rede2", "Rede dois");  // no such file: spoken
  Keys({0, 80, 27});
  EXPECT_EQ(RunMenu(), 0);
  EXPECT_EQ(gHeard, (Heard{"sound rede1", "cut", "speak Rede dois", "cut"}));
}

TEST_F(MenuSpeech, RightSpellsLeftAnnouncesAgain) {
  Open({"Wifi casa", "Outra"});
  Keys({0, 77, 0, 75, 13});
  EXPECT_EQ(RunMenu(), 1);
  EXPECT_EQ(gHeard, (Heard{"speak Wifi casa", "cut", "spell Wifi casa", "cut",
                           "speak Wifi casa", "cut"}));
}

TEST_F(MenuSpeech, MovingPastEitherEndBeepsAndComesBack) {
  Open({"Um", "Dois"});
  Keys({0, 72, 0, 72, 0, 80, 0, 79, 0, 80, 13});
  EXPECT_EQ(RunMenu(), 0);  // Enter just past the end
  EXPECT_EQ(gHeard, (Heard{"speak Um", "cut", "beep", "cut", "beep", "cut", "speak Um", "cut",
                           "speak Dois", "cut", "beep", "cut", "beep"}));
}

TEST_F(MenuSpeech, PageDownPastTheEndThenUpReachesTheLastItem) {
  Open({"Um", "Dois", "Tres", "Quatro", "Cinco"});
  Keys({0, 80, 0, 80, 0, 81, 0, 72, 13});
  EXPECT_EQ(RunMenu(), 5);
  EXPECT_EQ(gHeard, (Heard{"speak Um", "cut", "speak Dois", "cut", "speak Tres", "cut", "beep",
                           "cut", "speak Cinco", "cut"}));
}

TEST_F(MenuSpeech, FirstLetterSkipsLeadingBlanksAndNeverWraps) {
  Open({"Casa", "  Carro", "Barco"});
  Keys({'c', 'c', 'b', 'B', 13});
  EXPECT_EQ(RunMenu(), 0);  // Enter past the end
  // c from Casa finds "  Carro"; c again runs off the end instead of wrapping
  // to Casa; from past the end, b starts at the top and finds Barco; B again
  // runs off the end.
  EXPECT_EQ(gHeard, (Heard{"speak Casa", "cut", "speak   Carro", "cut", "beep", "cut",
                           "speak Barco", "cut", "beep", "cut", "beep"}));
}

TEST_F(MenuSpeech, EmptyMenuBeepsAndGivesZero) {
  Open({});
  Keys({0, 80, 13});
  EXPECT_EQ(RunMenu(), 0);
  EXPECT_EQ(gHeard, (Heard{"beep", "cut", "beep", "cut", "beep"}));
  Open({});
  Keys({27});
  EXPECT_EQ(RunMenu(), 0);
}

TEST_F(MenuSpeech, EscGivesZeroOnAValidItemAndIsNotAnnounced) {
  Open({"Um", "Dois"});
  Keys({0, 80, 27});
  EXPECT_EQ(RunMenu(), 0);
  EXPECT_EQ(gHeard, (Heard{"speak Um", "cut", "speak Dois", "cut"}));
}

TEST_F(MenuSpeech, OtherKeysMoveNothingButAnnounceAgain) {
  Open({"Um", "Dois"});
  Keys({0, 59, '!', 13});  // F1, then a character that does not search
  EXPECT_EQ(RunMenu(), 1);
  EXPECT_EQ(gHeard, (Heard{"speak Um", "cut", "speak Um", "cut", "speak Um", "cut"}));
}

TEST_F(MenuSpeech, ItemsAreReleasedAfterTheRun) {
  Open({"Um", "Dois"});
  Keys({13});
  EXPECT_EQ(RunMenu(), 1);
  gHeard.clear();
  Keys({13});  // no OpenMenu or AddMenuItem since: an empty menu
  EXPECT_EQ(RunMenu(), 0);
  EXPECT_EQ(gHeard, (Heard{"beep", "cut", "beep"}));
}

}  // namespace
