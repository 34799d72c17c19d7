// Speaking any text on the translator path: runs of words, numbers, zeros,
// marks, the repeat click, punctuation and its pauses, and the key that cuts.
#include "speech/speak.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "console/keyboard.h"
#include "platform/waveout_capture.h"
#include "speech/sounds.h"
#include "speech/speech.h"
#include "speech/wavout.h"
#include "tests/support/soundtest.h"
#include "tests/support/translatortest.h"
#include "translator/files.h"
#include "translator/player.h"

namespace {

constexpr int kUnit = 300;     // every recorded sound of the test is this long
constexpr int kTranslator = 200;  // the value of the translator's one segment

class SpeakTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetTranslator();
    ResetPlayer();
    ResetSpeechModule();
    // Every letter is a unit of its own, played as the segment "$X".
    std::string rules;
    for (char c = 'A'; c <= 'Z'; ++c) rules += std::string("(") + c + ")= x|\n";
    install_.Rules(rules);
    install_.Database({{"$X", std::string(kUnit, static_cast<char>(kTranslator))}});
    install_.Settings("[SINTETIZADOR]\r\nDIFONES3=T\r\nINTERPAL3=0\r\nPAUSAPONTO3=120\r\nPAUSAVIRG3=100\r\n"
                      "PAUSADOISPONTOS3=49\r\n");
    int value = 1;
    auto sound = [&](const std::string& name) {
      names_[value] = name;
      install_.Letter(name, std::string(kUnit, static_cast<char>(value++)));
    };
    for (const char* w : {"_zero", "_MENOS", "_um", "_dois", "_tres", "_quatro", "_cinco", "_seis", "_sete",
                          "_oito", "_nove", "_dez", "_onze", "_doze", "_vinte", "_cem", "_cento", "_mil", "_e",
                          "_quatroc", "_cinquen"})
      sound(w);
    for (int c : {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', '.', ',', ':', '/', '=', '-', 'w', 'W', 'x', 's', 'c', 'g'})
      sound("_" + std::to_string(c));
    StartSpeech(0, install_.path());
    ClearWaveCaptureLog();
  }
  void TearDown() override {
    FinishSpeech();
    ResetTranslator();
  }

  // What was heard, block by block: recorded sounds by name, the
  // translator's letters as T and their count, the click.
  std::string Heard() {
    std::string out;
    const uint8_t* click = ClickImage() + 44;
    for (const CapturedBlock& b : WaveCapture().blocks) {
      const auto& x = b.bytes;
      if (x.size() == 256 && std::equal(x.begin(), x.end() - 1, click)) {
        out += "click ";
        continue;
      }
      for (size_t i = 0; i < x.size();) {
        size_t j = i;
        while (j < x.size() && x[j] == x[i]) ++j;
        int count = static_cast<int>((j - i + kUnit / 2) / kUnit);
        if (x[i] == kTranslator) out += "T" + std::to_string(count) + " ";
        else if (x[i] != 128)
          for (int k = 0; k < count; ++k) out += names_[x[i]] + " ";
        i = j;
      }
    }
    if (!out.empty()) out.pop_back();
    return out;
  }
  std::string Said(const std::string& text) {
    ClearWaveCaptureLog();
    Speak(text);
    return Heard();
  }

  SoundTestEnv env_;
  TranslatorInstall install_;
  std::map<int, std::string> names_;
};

TEST_F(SpeakTest, LeadingZerosThenTheNumber) { EXPECT_EQ(Said("007"), "_zero _zero _sete"); }

TEST_F(SpeakTest, WordsAndNumbersInTurn) {
  EXPECT_EQ(Said("Rua 25 de Maio"), "T3 _vinte _e _cinco T6");
  EXPECT_EQ(PhoneticText(), "[ x/ x][ x/ x/ x/ x]");  // the last run said by the translator
}

TEST_F(SpeakTest, SevenDigitsAreSpelledSixAreWords) {
  EXPECT_EQ(Said("1234567"), "_49 _50 _51 _52 _53 _54 _55");
  EXPECT_EQ(Said("123456"), "_cento _e _vinte _e _tres _mil _quatroc _e _cinquen _e _seis");
}

TEST_F(SpeakTest, MarksInsideNumbers) {
  EXPECT_EQ(Said("1.000"), "_um _46 _zero _zero _zero");
  EXPECT_EQ(Said("12,5"), "_doze _44 _cinco");
}

TEST_F(SpeakTest, MinusSignAndHyphenatedNumbers) {
  EXPECT_EQ(Said("-3"), "_MENOS _tres");
  EXPECT_EQ(Said("3-4"), "_51 _45 _52");
  EXPECT_EQ(Said("10-2000"), "_49 _48 _45 _50 _48 _48 _48");
  EXPECT_EQ(Said("a - e"), "T1 _45 T1");  // a lone hyphen is punctuation
}

TEST_F(SpeakTest, HyphenBetweenWordsIsNotSaid) { EXPECT_EQ(Said("guarda-chuva"), "T6 T5"); }

TEST_F(SpeakTest, HyphenBetweenALetterAndADigitIsNotAMinus) {
  EXPECT_EQ(Said("Vivo-Fibra-3A7C"), "T4 T5 _tres T1 _sete _99");
  EXPECT_EQ(Said("Casa-2G"), "T4 _dois _103");  // a lone consonant is spelled
  EXPECT_EQ(Said("AP-5"), "T2 _cinco");
  EXPECT_EQ(Said("a -3"), "T1 _MENOS _tres");   // after a blank
  EXPECT_EQ(Said("(-3)"), "_MENOS _tres");      // after "("
  EXPECT_EQ(Said("a:-3"), "T1 _58 _45 _tres");  // after another mark: the hyphen's sound
}

TEST_F(SpeakTest, CharactersAndNumberWordsComeFromTheTranslatorsLettersDirectory) {
  SetLettersDirectory(install_.path() + "/nowhere");  // the speech's own copy differs
  EXPECT_EQ(Said("= 7"), "_61 _sete");
  EXPECT_EQ(Said("-3"), "_tres");  // a named sound still comes from the speech's copy
}

TEST_F(SpeakTest, WwwIsSpelled) {
  EXPECT_EQ(Said("www.x"), "_119 _119 _119 _46 _120");
  EXPECT_EQ(Said("WwW.x"), "_87 _119 _87 _46 _120");
  EXPECT_EQ(Said("www"), "T3");  // the appended blank joins the run: not exactly WWW
}

TEST_F(SpeakTest, FullStopAfterAWord) { EXPECT_EQ(Said("Fim."), "T3 _46"); }

TEST_F(SpeakTest, ColonBeforeTwoSlashesIsASymbol) { EXPECT_EQ(Said("a://e"), "T1 _58 _47 _47 T1"); }

TEST_F(SpeakTest, FifthRepeatOfAMarkIsAClick) {
  EXPECT_EQ(Said("====="), "_61 _61 _61 _61 click");
  EXPECT_EQ(Said("=== ==="), "_61 _61 _61 _61 click click");
  EXPECT_EQ(Said("==,=="), "_61 _61 _44 _61 _61");
}

TEST_F(SpeakTest, PausesInRoundsOf50) {
  EXPECT_EQ(SpeechPause(120), 2);
  EXPECT_EQ(SpeechPause(49), 0);
  EXPECT_EQ(SpeechPause(-100), 0);
  EXPECT_EQ(SpeakPunctuation(". "), 2);   // PAUSAPONTO3=120
  EXPECT_EQ(SpeakPunctuation(".0"), 0);   // inside a number: no pause
  EXPECT_EQ(SpeakPunctuation(", "), 2);   // PAUSAVIRG3=100
  EXPECT_EQ(SpeakPunctuation(","), 0);
  EXPECT_EQ(SpeakPunctuation(":x"), 0);   // PAUSADOISPONTOS3=49
  EXPECT_EQ(Heard(), "_46 _46 _44 _44 _58");
  PressKey('k');
  EXPECT_EQ(SpeechPause(500), 0);  // a pressed key lets the rounds pass
  EXPECT_EQ(SpeakPunctuation(". "), 0);
  DropKeys();
}

TEST_F(SpeakTest, AKeyCutsEverythingAndStaysQueued) {
  PressKey('k');
  EXPECT_EQ(Said("casa 123 ... fim"), "");
  EXPECT_TRUE(CutRequested());
  EXPECT_TRUE(KeyWaiting());
  EXPECT_EQ(TakeKey(), 'k');
  EXPECT_EQ(Said("sol"), "T3");
  EXPECT_FALSE(CutRequested());
}

TEST_F(SpeakTest, ReadKeySpokenSaysTheKey) {
  PressKey('s');
  EXPECT_EQ(ReadKeySpoken(), 115);
  EXPECT_EQ(Heard(), "_115");
}

TEST_F(SpeakTest, SpellStopsAtAKey) {
  Spell("1,");
  EXPECT_EQ(Heard(), "_49 _44");
  ClearWaveCaptureLog();
  PressKey('k');
  Spell("123");
  EXPECT_EQ(Heard(), "");
  DropKeys();
}

TEST_F(SpeakTest, ErrorBeepIsTheToneAndEmptiesTheKeys) {
  PressKey('a');
  PressKey('b');
  ErrorBeep();
  EXPECT_FALSE(KeyWaiting());
  ASSERT_EQ(WaveCapture().blocks.size(), 1u);
  const auto& tone = WaveCapture().blocks[0].bytes;
  ASSERT_EQ(tone.size(), 512u);
  const uint8_t cycle[8] = {128, 112, 96, 80, 64, 80, 96, 112};
  for (size_t i = 0; i < 511; ++i) ASSERT_EQ(tone[i], cycle[i % 8]) << i;
  EXPECT_EQ(tone[511], 128);
}

TEST_F(SpeakTest, RepeatClickLeavesTheCutFlagAsItWas) {
  SetCutFlag(true);
  RepeatClick();
  EXPECT_TRUE(CutFlag());
  EXPECT_EQ(Heard(), "click");
  const uint8_t* click = ClickImage() + 44;
  for (int i = 0; i < 64; ++i) {
    EXPECT_GE(click[i], 128);
    EXPECT_LE(click[i], 187);
  }
  for (int i = 64; i < 256; ++i) EXPECT_EQ(click[i], 128);
  SetCutFlag(false);
}

TEST_F(SpeakTest, UpperLatinRaisesLatin1SmallLetters) {
  EXPECT_EQ(UpperLatin("www a\xE7\xE3o \xFF!"), "WWW A\xC7\xC3O \xDF!");
  EXPECT_EQ(UpperLatin("\xDF\xB5"), "\xDF\xB5");
}

TEST_F(SpeakTest, AnyBytesAndLongTextsAreSafe) {
  std::string any;
  for (int i = 0; i < 100000; ++i) any += static_cast<char>((i * 131 + i / 7) & 0xFF);
  ClearWaveCaptureLog();
  Speak(any);
  EXPECT_GT(WaveCapture().blocks.size(), 0u);
  std::string words(5000, 'a');
  for (size_t i = 7; i < words.size(); i += 8) words[i] = ' ';
  std::string heard = Said(words);
  int letters = 0;
  for (size_t at = heard.find('T'); at != std::string::npos; at = heard.find('T', at + 1))
    letters += std::stoi(heard.substr(at + 1));
  EXPECT_EQ(letters, 4375);  // every letter of the run, in pieces cut at blanks
}

TEST_F(SpeakTest, ARunLongerThanTheTranslatorTakesIsSaidWhole) {
  // 1,200 letters without a blank: cut at the translator's size.
  auto letters = [](const std::string& heard) {
    int n = 0;
    for (size_t at = heard.find('T'); at != std::string::npos; at = heard.find('T', at + 1))
      n += std::stoi(heard.substr(at + 1));
    return n;
  };
  EXPECT_EQ(letters(Said(std::string(1200, 'a'))), 1200);
  // Words of 11 letters across the translator's size: the last piece
  // starts at a blank, so it holds whole words only.
  std::string words;
  for (int i = 0; i < 150; ++i) words += "abcdefghijk ";
  EXPECT_EQ(letters(Said(words)), 1650);
  std::string word = "[";
  for (int i = 0; i < 11; ++i) word += i ? "/ x" : " x";
  word += "]";
  std::string last;
  for (int i = 0; i < 67; ++i) last += word;
  EXPECT_EQ(PhoneticText(), last);
}

}  // namespace
