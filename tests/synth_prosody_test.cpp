// The synthesizer's prosody: its file, the tokens and pitch codes, the
// durations and pitch points of the phoneme lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/messagebox.h"
#include "support/testenv.h"
#include "synth/excessoes.h"
#include "synth/inic.h"
#include "synth/portug.h"
#include "synth/preproc.h"
#include "synth/prosodia.h"

namespace {
using Lines = std::vector<std::string>;

Lines gBoxes;
void Record(std::string_view text) { gBoxes.emplace_back(text); }

const std::string kDuration = "[DURA\xC7\xC3O]\n";
const std::string kProsody = "[PROS\xD3" "DIA]\n";
const std::string kFaultyPhoneme = "Configura\xE7\xE3o da pros\xF3" "dia: fonema errado: ";
const std::string kFaultyKey = "Configura\xE7\xE3o da pros\xF3" "dia: chave errada: ";

class SynthProsody : public ::testing::Test {
 protected:
  void SetUp() override {
    gBoxes.clear();
    SetMessageBoxObserver(Record);
    synth::ResetProsodyState();
    ASSERT_TRUE(synth::LoadDiphones(dir.Write("d.dfn", "_-_\n_-a\na-_\na-a\n")));
  }
  void TearDown() override { SetMessageBoxObserver(nullptr); }
  bool Load(const std::string& text) { return synth::LoadProsody(dir.Write("p.pro", text)); }
  // A file with one duration, one key and the given pitch lines.
  bool LoadWith(const std::string& pitch) {
    return Load(kDuration + "a=100\n[CHAVES]\nde=PR\n" + kProsody + "HERTZ=230\nTABHERTZ=0,10,20,30,40,100,60,70,80,90\n" + pitch);
  }
  TempDir dir;
};

TEST_F(SynthProsody, EveryFailureOfTheLoadHasItsMessage) {
  EXPECT_FALSE(synth::LoadProsody(dir.path() + "/missing.pro"));
  EXPECT_FALSE(Load("[CHAVES]\n" + kProsody));
  EXPECT_FALSE(Load(kDuration + "a 90\n"));
  EXPECT_FALSE(Load(kDuration + "a=90\n" + kProsody));
  EXPECT_FALSE(Load(kDuration + "[CHAVES]\nde PR\n"));
  EXPECT_FALSE(Load(kDuration + "[CHAVES]\nde=PR\n"));
  EXPECT_FALSE(Load(kDuration + "[CHAVES]\n" + kProsody + "XX|XX|XX 555\n"));
  EXPECT_EQ(gBoxes, (Lines{"Configura\xE7\xE3o da pros\xF3" "dia n\xE3o foi achada",
                           "Dura\xE7\xE3o dos difones errada ou ausente", kFaultyPhoneme + "a 90",
                           "Pros\xF3" "dia: palavras chaves ausentes", kFaultyKey + "de PR",
                           "Pros\xF3" "dia: especifica\xE7\xF5" "es ausentes", kFaultyKey + "XX|XX|XX 555"}));
}

TEST_F(SynthProsody, ADurationThatIsNoNumberLastsOneHundredAndTheLoadGoesOn) {
  EXPECT_TRUE(Load(kDuration + "a=90\r\nb=x9\r\n;c=1\r\n[CHAVES]\r\n" + kProsody));
  EXPECT_EQ(gBoxes, (Lines{kFaultyPhoneme + "b=x9"}));
  EXPECT_EQ(synth::DurationOf("a"), 90);
  EXPECT_EQ(synth::DurationOf("b"), 100);
  EXPECT_EQ(synth::DurationOf("c"), 100);
  EXPECT_EQ(synth::BaseFrequency(), 230);
}

TEST_F(SynthProsody, PitchValuesMustBeWholeAndTen) {
  EXPECT_FALSE(LoadWith("HERTZ=12.5\n"));
  EXPECT_FALSE(LoadWith("TABHERTZ=1,2,3,4,5,6,7,8,9\n"));
  EXPECT_FALSE(LoadWith("XX|XX|--=12\n"));
  EXPECT_EQ(gBoxes.size(), 3u);
  EXPECT_TRUE(LoadWith("hertz=200\n"));
  EXPECT_EQ(synth::BaseFrequency(), 200);
  EXPECT_EQ(synth::PitchTable(5), 100);
}

TEST_F(SynthProsody, TablesBeyondTheirCapacityAreCut) {
  std::string durations, keys;
  for (int i = 0; i < synth::kMaxDurations + 5; ++i) durations += "q" + std::to_string(i) + "=7\n";
  for (int i = 0; i < synth::kMaxKeys + 5; ++i) keys += "w" + std::to_string(i) + "=PR\n";
  std::string rules;
  for (int i = 0; i < synth::kMaxProsodyRules + 5; ++i) rules += "|XX|=555\n";
  EXPECT_TRUE(Load(kDuration + durations + "[CHAVES]\n" + keys + kProsody + rules));
  EXPECT_EQ(synth::ProsodyRules().size(), static_cast<size_t>(synth::kMaxProsodyRules));
  EXPECT_EQ(synth::ClassCode("w0"), "PR");
  EXPECT_EQ(synth::ClassCode("w1004"), "");
}

TEST_F(SynthProsody, TokensAndTheirClasses) {
  ASSERT_TRUE(LoadWith(""));
  EXPECT_EQ(synth::Tokenise("de casa ... fim?"),
            (Lines{"[--]", "[PR]de", "[XX]casa", "[.-].", "[--]", "[XX]fim", "[??]?", "[--]"}));
  EXPECT_EQ(synth::Tokenise("a,b!"), (Lines{"[--]", "[XX]a", "[,,],", "[XX]b", "[!!]!", "[--]"}));
  EXPECT_EQ(synth::Tokenise("   "), (Lines{"[--]"}));
}

TEST_F(SynthProsody, AQuestionMarkCodeContinuesTheWordBefore) {
  ASSERT_TRUE(LoadWith("XX|XX|--=?12\n|XX|=337\n"));
  EXPECT_EQ(synth::AssignPitchCodes({"[--]", "[XX]um", "[XX]dois", "[--]"}, true),
            (Lines{"555|", "337|um", "712|dois", "555|"}));
  EXPECT_EQ(synth::AssignPitchCodes({"[XX]um", "", "[XX]dois"}, false), (Lines{"555|um", "555|dois"}));
}

TEST_F(SynthProsody, DurationsWithTheRateAndTheStress) {
  ASSERT_TRUE(LoadWith(""));
  EXPECT_EQ(synth::Prosody({";555|casa", "a", ">a", "a", ""}, 1.0, 0.8),
            (Lines{";casa", "a 80 50 230", "a 116 80 230", "a 116 50 230", ""}));
}

TEST_F(SynthProsody, LongWordsShortenBeforeTheirStress) {
  ASSERT_TRUE(LoadWith(""));
  EXPECT_EQ(synth::Prosody({";555|abcdefghi", "a", ">a", ""}, 1.0, 1.0), (Lines{";abcdefghi", "a 90 50 230", "a 145 80 230", ""}));
  EXPECT_EQ(synth::Prosody({";555|abcdefghijkl", "a", ""}, 1.0, 1.0), (Lines{";abcdefghijkl", "a 90 50 230", ""}));
  EXPECT_EQ(synth::Prosody({";555|abcdefghijklm", "a", "a", ""}, 1.0, 1.0), (Lines{";abcdefghijklm", "a 80 50 230", "a 80", ""}));
}

TEST_F(SynthProsody, PausesAndPitchPoints) {
  ASSERT_TRUE(LoadWith(""));
  EXPECT_EQ(synth::Prosody({"_", "_ 300"}, 1.0, 0.8), (Lines{"_ 80 50 230", "_ 240"}));
  // Digit 0 of the pitch table is 0: no point; a letter is no digit either.
  EXPECT_EQ(synth::Prosody({";0X5|a", "a", ">a", "a"}, 1.0, 1.0), (Lines{";a", "a 100", "a 145", "a 145 50 230"}));
  EXPECT_EQ(synth::Prosody({";519|a", "a", ">\xA8" "a", "\xA8" "a"}, 0.5, 1.0),
            (Lines{";a", "a 100 50 115", "a 145 80 11", "a 100 50 103"}));
}

TEST_F(SynthProsody, PitchRoundsHalvesToEven) {
  ASSERT_TRUE(Load(kDuration + "[CHAVES]\n" + kProsody + "HERTZ=199\nTABHERTZ=1,1,1,1,1,1,1,1,1,1\n"));
  EXPECT_EQ(synth::Prosody({"_"}, 0.5, 1.0), (Lines{"_ 100 50 1"}));  // 99.5 rounds to 100
  ASSERT_TRUE(Load(kDuration + "[CHAVES]\n" + kProsody + "HERTZ=197\nTABHERTZ=1,1,1,1,1,1,1,1,1,1\n"));
  EXPECT_EQ(synth::Prosody({"_"}, 0.5, 1.0), (Lines{"_ 100 50 0"}));  // 98.5 rounds to 98
}

TEST_F(SynthProsody, AbsurdDurationsAndPitchesStayAtTheLargestNumber) {
  ASSERT_TRUE(Load(kDuration + "a=2147483647\n[CHAVES]\n" + kProsody + "HERTZ=2147483647\nTABHERTZ=" +
                   "2147483647,2147483647,2147483647,2147483647,2147483647,2147483647,2147483647,2147483647,2147483647,2147483647\n"));
  EXPECT_EQ(synth::Prosody({";555|abcdefghijklmn", "a", ">a", ""}, 1.0, 1.0),
            (Lines{";abcdefghijklmn", "a 21474836 50 21474836", "a 21474836 80 21474836", ""}));
}

TEST_F(SynthProsody, MissingDiphonesGetATransition) {
  ASSERT_TRUE(LoadWith(""));
  ASSERT_TRUE(synth::LoadDiphones(dir.Write("d.dfn", "; list\n_-_\n_-a\n*x\n a-Y  30\n!y\nr2-_\n_-r2\n")));
  EXPECT_TRUE(synth::HasDiphone("A-y"));
  EXPECT_EQ(synth::Prosody({"a", "b", "_"}, 1.0, 1.0), (Lines{"a 100 50 230", "y 50", "b 100", "_ 50", "_ 100"}));
  EXPECT_EQ(synth::Prosody({"r2", "b"}, 1.0, 1.0), (Lines{"r2 100 50 230", "_ 50", "b 100"}));
}

TEST_F(SynthProsody, ThePhonemeNameCarriesOverToTheNextUtterance) {
  ASSERT_TRUE(LoadWith(""));
  ASSERT_TRUE(synth::LoadDiphones(dir.Write("d.dfn", "_-_\n")));
  synth::Prosody({"b"}, 1.0, 1.0);
  EXPECT_EQ(synth::Prosody({";555|x"}, 1.0, 1.0), (Lines{"_ 50", ";x"}));
  synth::ResetProsodyState();
  EXPECT_EQ(synth::Prosody({";555|x"}, 1.0, 1.0), (Lines{";x"}));
  EXPECT_FALSE(synth::LoadDiphones(dir.path() + "/missing.dfn"));
}

TEST_F(SynthProsody, TheInstalledVoiceReadsAnyText) {
  const std::string base = ZELNAR_BUILD_DIR "/drives/c/kelmar/davuridi/portug";
  ASSERT_TRUE(synth::LoadRules(base + ".nrl"));
  ASSERT_TRUE(synth::LoadExceptions(base + ".exc"));
  ASSERT_TRUE(synth::LoadAbbreviations(base + ".abr"));
  ASSERT_TRUE(synth::LoadProsody(base + ".pro"));
  ASSERT_TRUE(synth::LoadDiphones(base + ".dfn"));
  EXPECT_TRUE(gBoxes.empty());
  EXPECT_EQ(synth::ClassCode("n\xE3o"), "NG");
  std::string bytes;
  for (int c = 1; c < 256; ++c) bytes += static_cast<char>(c);
  for (const std::string& text : {std::string(100000, 'a') + " casa", std::string(30, '7'), std::string(2000, '-'),
                                  std::string("?!.,;:()..."), bytes, std::string()}) {
    Lines pho = synth::Prosody(synth::LetterToSound(synth::AssignPitchCodes(synth::Tokenise(synth::Normalise(text)), true)),
                               1.0, 0.8);
    ASSERT_FALSE(pho.empty());
    EXPECT_EQ(pho.back().substr(0, 4), "_ 48");  // every utterance ends in its phrase pause
  }
}

}  // namespace
