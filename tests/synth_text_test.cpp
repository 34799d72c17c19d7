// The synthesizer's text normalisation, exceptions and abbreviations.
#include <gtest/gtest.h>

#include <string>

#include "support/testenv.h"
#include "synth/excessoes.h"
#include "synth/preproc.h"

namespace {

class SynthText : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(synth::LoadAbbreviations(dir.Write("portug.abr", "; comment\nSr=senhor\n CPF = cadastro de pessoa\r\n")));
  }
  TempDir dir;
};

TEST_F(SynthText, SignsAndHyphens) {
  EXPECT_EQ(synth::Normalise("-5"), "menos cinco ");
  EXPECT_EQ(synth::Normalise("a - e"), "a , e");
  EXPECT_EQ(synth::Normalise("a-e"), "a-e");
  EXPECT_EQ(synth::Normalise("2222-3333"), " dois dois dois dois tra\xE7o tr\xEAs tr\xEAs tr\xEAs tr\xEAs ");
}

TEST_F(SynthText, DecimalsAndThousands) {
  EXPECT_EQ(synth::Normalise("3,14"), "tr\xEAs v\xEDrgula quatorze ");
  EXPECT_EQ(synth::Normalise("1.5"), "um ponto cinco ");
  EXPECT_EQ(synth::Normalise("1.000"), "mil  ");  // the scale word's blank, then the number's
  EXPECT_EQ(synth::Normalise("1.000 reais"), "mil   reais");
  EXPECT_EQ(synth::Normalise("1.0000"), "um ponto zero zero zero zero ");
}

TEST_F(SynthText, LeadingZerosAndLongNumbers) {
  EXPECT_EQ(synth::Normalise("007"), "zero zero sete ");
  EXPECT_EQ(synth::Normalise("1234567890123456"),
            "cento e vinte e tr\xEAs trilh\xF5" "es quatrocentos e cinq\xFC" "enta e seis bilh\xF5" "es "
            "setecentos e oitenta e nove milh\xF5" "es doze mil e trezentos e quarenta e cinco seis ");
}

TEST_F(SynthText, Cardinals) {
  EXPECT_EQ(synth::Cardinal(21), "vinte e um");
  EXPECT_EQ(synth::Cardinal(110), "cento e dez");
  EXPECT_EQ(synth::Cardinal(100), "cem");
  EXPECT_EQ(synth::Cardinal(1001), "mil e um");
  EXPECT_EQ(synth::Cardinal(1100), "mil e cem");
  EXPECT_EQ(synth::Cardinal(2000), "dois mil ");
  EXPECT_EQ(synth::Cardinal(1000000), "um milh\xE3o ");
  EXPECT_EQ(synth::Cardinal(2000000), "dois milh\xF5" "es ");
  EXPECT_EQ(synth::Cardinal(0), "zero");
}

TEST_F(SynthText, Ordinals) {
  EXPECT_EQ(synth::Normalise("1\xBA"), "primeiro ");
  EXPECT_EQ(synth::Normalise("1o."), "primeiro ");
  EXPECT_EQ(synth::Normalise("2\xAA"), "segunda ");
  EXPECT_EQ(synth::Normalise("3as."), "terceiras ");
  EXPECT_EQ(synth::Normalise("2500\xBA"), "dois mil e quinhentos ");
  EXPECT_EQ(synth::Ordinal('m', 21), "vig\xE9simo primeiro");
  EXPECT_EQ(synth::Ordinal('m', 1121), "mil\xE9simo cent\xE9simo vig\xE9simo primeiro");
}

TEST_F(SynthText, AbbreviationsNeedAFullStopAndABlank) {
  EXPECT_EQ(synth::Normalise("Sr. Silva"), "senhor Silva");
  EXPECT_EQ(synth::Normalise("o Sr."), "o Sr.");
  EXPECT_EQ(synth::Normalise("CPF. dele"), "cadastro de pessoa dele");
  EXPECT_EQ(synth::Normalise("BR"), "b\xEA\xE9rre");
}

TEST_F(SynthText, SymbolsAndControlCharacters) {
  EXPECT_EQ(synth::Normalise("fim.txt"), "fim ponto t\xEAxist\xEA");
  EXPECT_EQ(synth::Normalise("a\te\r\n"), "ae");
  EXPECT_EQ(synth::Normalise("a#e"), "a sustenido e");
  EXPECT_EQ(synth::Normalise("\xA7"), "par\xE1grafo");
  EXPECT_EQ(synth::Normalise("?"), "interroga\xE7\xE3o");
  EXPECT_EQ(synth::Normalise("cd"), " s\xEA d\xEA");
  EXPECT_EQ(synth::Normalise("a\x01" "e"), "a  e");
}

TEST_F(SynthText, SymbolNames) {
  EXPECT_EQ(synth::SymbolName(0xE0), "A grave");
  EXPECT_EQ(synth::SymbolName(0xE7), "C\xEA cedilha");
  EXPECT_EQ(synth::SymbolName(0xF7), "vezes");
  EXPECT_EQ(synth::SymbolName(0xFD), "");
  EXPECT_EQ(synth::SymbolName(0xDD), "");
  EXPECT_EQ(synth::SymbolName(127), "");
  EXPECT_EQ(synth::SymbolName(31), "");
}

TEST_F(SynthText, AbbreviationWrittenWithItsFullStopNeverMatches) {
  ASSERT_TRUE(synth::LoadAbbreviations(dir.Write("b.abr", "Sr. = Senhor\nsem igual\n")));
  EXPECT_EQ(synth::Abbreviation("Sr"), "");
  EXPECT_EQ(synth::Abbreviation(""), "");
  EXPECT_EQ(synth::AbbreviationCount(), 2);
}

TEST_F(SynthText, AbbreviationsBeyondTheTableAreIgnored) {
  std::string file;
  for (int i = 1; i <= synth::kMaxAbbreviations + 1; ++i) file += "A" + std::to_string(i) + "=x" + std::to_string(i) + "\n";
  ASSERT_TRUE(synth::LoadAbbreviations(dir.Write("big.abr", file)));
  EXPECT_EQ(synth::AbbreviationCount(), synth::kMaxAbbreviations);
  EXPECT_EQ(synth::Abbreviation("a2000"), "x2000");
  EXPECT_EQ(synth::Abbreviation("a2001"), "");
  EXPECT_FALSE(synth::LoadAbbreviations(dir.path() + "/missing.abr"));
}

TEST_F(SynthText, ExceptionsKeepTheirPluralAndNasalEndings) {
  ASSERT_TRUE(synth::LoadExceptions(dir.Write("e.exc", "casa=kaza|note\r\nlar=lah\n\nsem igual\n")));
  std::string w = "CASAS";
  synth::ExceptionLookup(w);
  EXPECT_EQ(w, "KAZAS");
  w = "LARSMS";
  synth::ExceptionLookup(w);
  EXPECT_EQ(w, "LAHSMS");
  w = "CASO";
  synth::ExceptionLookup(w);
  EXPECT_EQ(w, "CASO");
  ASSERT_EQ(synth::ExceptionTable().size(), 3u);
  EXPECT_EQ(synth::ExceptionTable()[2].word, "SEM IGUAL|");
  EXPECT_EQ(synth::ExceptionTable()[2].replacement, "");
}

TEST_F(SynthText, AWordThatIsAnEntryTakesItsOwn) {
  ASSERT_TRUE(synth::LoadExceptions(dir.Write("e.exc", "CASAS=KAZES\nCASA=KAZA\n")));
  std::string w = "CASAS";
  synth::ExceptionLookup(w);
  EXPECT_EQ(w, "KAZES");
}

TEST_F(SynthText, ExceptionsStopAtTheTableAndLongLinesEndWithin) {
  std::string file(1000, 'Q');
  file += "=LONG\n";
  for (int i = 2; i <= synth::kMaxExceptions + 1; ++i) file += "W" + std::to_string(i) + "=R" + std::to_string(i) + "\n";
  ASSERT_TRUE(synth::LoadExceptions(dir.Write("big.exc", file)));
  ASSERT_EQ(synth::ExceptionTable().size(), static_cast<size_t>(synth::kMaxExceptions));
  std::string last = "W15000", beyond = "W15001";
  synth::ExceptionLookup(last);
  synth::ExceptionLookup(beyond);
  EXPECT_EQ(last, "R15000");
  EXPECT_EQ(beyond, "W15001");
  EXPECT_EQ(synth::ExceptionTable().front().word, std::string(252, 'Q') + "|");
  EXPECT_FALSE(synth::LoadExceptions(dir.path() + "/missing.exc"));
}

TEST_F(SynthText, AnyBytesNormaliseWithoutHarm) {
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  std::string huge(100000, 'a');
  std::string out = synth::Normalise(all + std::string(30, '9') + std::string(2000, '-') + "!?.,;:" + huge);
  EXPECT_NE(out.find(huge), std::string::npos);
}

}  // namespace
