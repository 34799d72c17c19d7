// The synthesizer's letter-to-sound rules and stress.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/testenv.h"
#include "synth/excessoes.h"
#include "synth/inic.h"
#include "synth/portug.h"
#include "synth/tonica.h"

namespace {
using Lines = std::vector<std::string>;

class SynthRules : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(synth::LoadExceptions(dir.Write("e.exc", "")));
    ASSERT_TRUE(synth::LoadRules(dir.Write("r.nrl",
                                           "; test rules\r\n"
                                           "(AJ)=a&j|\r\n"
                                           "(R)[=r2|\n"
                                           "(R)=r|\n"
                                           "(S)%=s2|\n"
                                           "#(S)#=z|\n"
                                           "(S)=s|\n"
                                           "(A)=a|\n(C)=k|\n(M)=m|\n(Z)=z|\n(U)=u|\n(L)=l|\n(D)=d|\n(O)=o|\n"
                                           "()=x|\nno centre here\n\n")));
  }
  Lines Word(const std::string& w, int stress) {
    Lines out;
    synth::ApplyRules(w, stress, out);
    return out;
  }
  TempDir dir;
};

TEST_F(SynthRules, StressPositions) {
  EXPECT_EQ(synth::StressPosition("FALA"), 2);
  EXPECT_EQ(synth::StressPosition("FALAR"), 4);
  EXPECT_EQ(synth::StressPosition("CANTAM"), 2);
  EXPECT_EQ(synth::StressPosition("JARDIM"), 5);
  EXPECT_EQ(synth::StressPosition("\xC1GUA"), 1);
  EXPECT_EQ(synth::StressPosition("QUASE"), 3);
  EXPECT_EQ(synth::StressPosition("CAF\xC9S"), 4);
  EXPECT_EQ(synth::StressPosition("PSST"), 0);
}

TEST_F(SynthRules, UnstressedWords) {
  EXPECT_TRUE(synth::IsUnstressedWord("DE"));
  EXPECT_TRUE(synth::IsUnstressedWord("POR"));
  EXPECT_TRUE(synth::IsUnstressedWord("N\xC3O"));
  EXPECT_FALSE(synth::IsUnstressedWord("SOL"));
}

TEST_F(SynthRules, TheMarkGoesOnTheFirstPhonemeFromTheStressedLetter) {
  EXPECT_EQ(Word("CASA", 2), (Lines{"k", ">a", "z", "a", ""}));
  EXPECT_EQ(Word("CASA", 0), (Lines{"k", "a", "z", "a", ""}));
}

TEST_F(SynthRules, AnAmpersandSeparatesPhonemesAndUnknownLettersAreSilent) {
  EXPECT_EQ(Word("HAJ", 0), (Lines{"a", "j", ""}));
  EXPECT_EQ(Word("\x01" "A", 0), (Lines{"a", ""}));
  EXPECT_EQ(synth::RuleBucket('(').size(), 0u);  // lines without a centre are ignored
}

TEST_F(SynthRules, LetterToSoundMarksWordsAndPauses) {
  Lines out = synth::LetterToSound({"555|", "555|sal", "555|de", "555|?", "555| "});
  EXPECT_EQ(out, (Lines{";555|", "__", "", ";555|sal", "s", ">a", "l", "", ";555|de", "d", "", ";555|?", "_?",
                        ";555| ", "__"}));
}

TEST_F(SynthRules, AFinalRJoinsTheVowelOfTheNextWord) {
  Lines out = synth::LetterToSound({"555|mar", "555|azul", "555|mar", "555|do", "555|mas", "555|ama"});
  EXPECT_EQ(out, (Lines{";555|mar", "m", ">a", "r", "", ";555|azul", "a", "z", ">u", "l", "", ";555|mar", "m", ">a",
                        "r2", "", ";555|do", "d", "o", "", ";555|mas", "m", ">a", "s2", "", ";555|ama", ">a", "m", "a",
                        "", "__"}));
}

TEST_F(SynthRules, ExceptionsComeBeforeTheRules) {
  ASSERT_TRUE(synth::LoadExceptions(dir.Write("e.exc", "SALA=ZALA\n")));
  Lines out = synth::LetterToSound({"555|salas"});
  EXPECT_EQ(out, (Lines{";555|salas", "z", ">a", "l", "a", "s2", "", "__"}));
}

TEST_F(SynthRules, LongFieldsAreCutAndElevenOutputCharactersApply) {
  ASSERT_TRUE(synth::LoadRules(dir.Write("l.nrl", "XXXXXXX(QQQQQQQ)YYYYYYY=abcdefghijklmnopqrstuvwxyz|\n(\xC7)=s\n" +
                                                     std::string(1000, '(') + "\n")));
  ASSERT_EQ(synth::RuleBucket('Q').size(), 1u);
  const synth::SynthRule& r = synth::RuleBucket('Q')[0];
  EXPECT_EQ(r.left, "XXXXX");
  EXPECT_EQ(r.centre, "QQQQQ");
  EXPECT_EQ(r.right, "YYYYY");
  EXPECT_EQ(r.output, "abcdefghijklmnopqrst");
  ASSERT_TRUE(synth::LoadRules(dir.Write("m.nrl", "(Q)=abcdefghijklmnopqrstuvwxyz|\n(\xC7)=s\n")));
  EXPECT_EQ(Word("Q\xC7", 0), (Lines{"abcdefghijk", "s", ""}));  // no final '|': the output runs to the line's end
}

TEST_F(SynthRules, RulesFileMissing) {
  EXPECT_FALSE(synth::LoadRules(dir.path() + "/missing.nrl"));
  EXPECT_TRUE(synth::RuleBucket('A').empty());
}

TEST_F(SynthRules, ContextsOfBothSides) {
  ASSERT_TRUE(synth::LoadRules(dir.Write("c.nrl",
                                         "%(B)=1|\n]|(B)=2|\n_(B)=3|\n(B)\\%=7|\n(B)+=5|\n(B)&=6|\n(B)[=8|\n(B)*=4|\n(B)=9|\n")));
  EXPECT_EQ(Word("B", 0), (Lines{"1", ""}));     // start of the word
  EXPECT_EQ(Word("ONB", 0), (Lines{"2", ""}));   // back vowel, then N R or S
  EXPECT_EQ(Word("EB", 0), (Lines{"3", ""}));    // a vowel before
  EXPECT_EQ(Word("XBI", 0), (Lines{"5", ""}));   // a front vowel after
  EXPECT_EQ(Word("XBL", 0), (Lines{"6", ""}));   // a liquid or nasal after
  EXPECT_EQ(Word("XBS", 0), (Lines{"7", ""}));   // an optional S, then the end
  EXPECT_EQ(Word("XB", 0), (Lines{"7", ""}));
  EXPECT_EQ(Word("XBT", 0), (Lines{"8", ""}));   // a consonant other than H after
  EXPECT_EQ(Word("XBH", 0), (Lines{"4", ""}));   // H: a consonant other than L, R
  EXPECT_EQ(Word("XBA", 0), (Lines{"9", ""}));
}

}  // namespace
