// Numbers said with recorded words: the words, the connector rule, the word
// files and the sound images they are played in.
#include "speech/numbers.h"

#include <gtest/gtest.h>

#include "platform/waveout_capture.h"
#include "speech/sounds.h"
#include "tests/support/soundtest.h"

TEST(NumberWords, Hundreds) {
  bool inner = true;
  EXPECT_EQ(HundredsToWords("000", &inner), "");
  EXPECT_FALSE(inner);
  EXPECT_EQ(HundredsToWords("100", &inner), "cem");
  EXPECT_FALSE(inner);
  EXPECT_EQ(HundredsToWords("105", &inner), "cento e cinco");
  EXPECT_TRUE(inner);
  EXPECT_EQ(HundredsToWords("110"), "cento e dez");
  EXPECT_EQ(HundredsToWords("250"), "duzentos e cinquenta");
  EXPECT_EQ(HundredsToWords("021", &inner), "vinte e um");
  EXPECT_FALSE(inner);  // the "e" is not after a hundreds word
  EXPECT_EQ(HundredsToWords("999", &inner), "novecentos e noventa e nove");
  EXPECT_TRUE(inner);
  EXPECT_EQ(HundredsToWords("010", &inner), "dez");
  EXPECT_FALSE(inner);
  EXPECT_EQ(HundredsToWords("001"), "um");
  EXPECT_EQ(HundredsToWords("300", &inner), "trezentos");
  EXPECT_FALSE(inner);
  EXPECT_EQ(HundredsToWords("999"), "novecentos e noventa e nove");
  EXPECT_EQ(HundredsToWords("017"), "dezessete");
}

TEST(NumberWords, Groups) {
  const std::string d = "001002003001000";
  EXPECT_EQ(GroupToWords(d, 0), "um trilh\xE3" "o ");
  EXPECT_EQ(GroupToWords(d, 1), "dois bilh\xF5" "es ");
  EXPECT_EQ(GroupToWords(d, 2), "tres milh\xF5" "es ");
  EXPECT_EQ(GroupToWords(d, 3), "um mil ");
  EXPECT_EQ(GroupToWords(d, 4), "");
}

TEST(NumberWords, Numbers) {
  EXPECT_EQ(NumberToWords(0), "zero");
  EXPECT_EQ(NumberToWords(17), "dezessete");
  EXPECT_EQ(NumberToWords(16), "dezesseis");
  EXPECT_EQ(NumberToWords(14), "quatorze");
  EXPECT_EQ(NumberToWords(21), "vinte e um");
  EXPECT_EQ(NumberToWords(100), "cem");
  EXPECT_EQ(NumberToWords(101), "cento e um");
  EXPECT_EQ(NumberToWords(1000), "mil ");
  EXPECT_EQ(NumberToWords(2000), "dois mil ");
  EXPECT_EQ(NumberToWords(100000), "cem mil ");
  EXPECT_EQ(NumberToWords(1000000), "um milh\xE3" "o ");
  EXPECT_EQ(NumberToWords(2000000), "dois milh\xF5" "es ");
}

TEST(NumberWords, TheConnectorBeforeTheLastGroup) {
  // Left out only when the last group has hundreds followed by more words.
  EXPECT_EQ(NumberToWords(1001), "mil e um");
  EXPECT_EQ(NumberToWords(1010), "mil e dez");
  EXPECT_EQ(NumberToWords(1100), "mil e cem");
  EXPECT_EQ(NumberToWords(1200), "mil e duzentos");
  EXPECT_EQ(NumberToWords(1234), "mil duzentos e trinta e quatro");
  EXPECT_EQ(NumberToWords(1021), "mil e vinte e um");
  EXPECT_EQ(NumberToWords(1105), "mil cento e cinco");
  EXPECT_EQ(NumberToWords(2099), "dois mil e noventa e nove");
  EXPECT_EQ(NumberToWords(500300), "quinhentos mil e trezentos");
  EXPECT_EQ(NumberToWords(1999), "mil novecentos e noventa e nove");
  EXPECT_EQ(NumberToWords(21005), "vinte e um mil e cinco");
  EXPECT_EQ(NumberToWords(999999), "novecentos e noventa e nove mil novecentos e noventa e nove");
  EXPECT_EQ(NumberToWords(1000001), "um milh\xE3" "o e um");
}

TEST(NumberWords, WordFiles) {
  SetLettersDirectory("C:\\letras");
  EXPECT_EQ(NumberWordFile("dezessete"), "C:\\letras\\_dezeset.wav");
  EXPECT_EQ(NumberWordFile("dezesseis"), "C:\\letras\\_dezesse.wav");
  EXPECT_EQ(NumberWordFile("quatorze"), "C:\\letras\\_quatorz.wav");
  EXPECT_EQ(NumberWordFile("milh\xE3" "o"), "C:\\letras\\_milhao.wav");
  EXPECT_EQ(NumberWordFile("milh\xF5" "es"), "C:\\letras\\_milhoes.wav");
  EXPECT_EQ(NumberWordFile("e"), "C:\\letras\\_e.wav");
  EXPECT_EQ(NumberWordFile("novecentos"), "C:\\letras\\_novecen.wav");
  ResetSounds();
}

namespace {
class PlayNumbers : public ::testing::Test {
 protected:
  PlayNumbers() { SetLettersDirectory(dir.path()); }
  // A word file of n samples, every one `mark`; 44-byte header.
  void Word(const std::string& file, char mark, int n = 300) {
    dir.Write("_" + file + ".wav", PcmWav(std::string(static_cast<size_t>(n), mark), 11025, 8, 1));
  }
  // What each image sounded: the marks of its samples, one letter per run.
  std::vector<std::string> Images() {
    std::vector<std::string> v;
    for (const CapturedBlock& b : WaveCapture().blocks) {
      std::string marks;
      for (size_t i = 0; i + 1 < b.bytes.size(); ++i)
        if (marks.empty() || marks.back() != static_cast<char>(b.bytes[i])) marks += static_cast<char>(b.bytes[i]);
      v.push_back(marks);
    }
    return v;
  }
  std::vector<size_t> Sizes() {
    std::vector<size_t> v;
    for (const CapturedBlock& b : WaveCapture().blocks) v.push_back(b.bytes.size());
    return v;
  }
  SoundTestEnv env;
  TempDir dir;
};
}  // namespace

TEST_F(PlayNumbers, OneFilePerWordInOneImage) {
  Word("dezeset", 'S');
  Word("dezesse", 's');
  Word("quatorz", 'q');
  Word("mil", 'M');
  Word("vinte", 'V');
  Word("e", 'e');
  Word("um", 'u');
  Word("cem", 'C');
  Word("cento", 'c');
  for (uint32_t n : {17u, 16u, 14u, 1000u, 21u, 100u, 101u, 1001u}) PlayNumberWords(NumberToWords(n));
  EXPECT_EQ(Images(), (std::vector<std::string>{"S", "s", "q", "M", "Veu", "C", "ceu", "Meu"}));
  EXPECT_EQ(Sizes()[4], 900u);  // three words, no gap
  for (const CapturedBlock& b : WaveCapture().blocks) EXPECT_EQ(b.format, (WaveFormat{11025, 8, 1}));
}

TEST_F(PlayNumbers, AMissingWordIsSilentAndTheOthersAreSaid) {
  Word("vinte", 'V');
  Word("um", 'u');
  PlayNumberWords("vinte e um");
  EXPECT_EQ(Images(), (std::vector<std::string>{"Vu"}));
  ClearWaveCaptureLog();
  PlayNumberWords("   ");
  PlayNumberWords("nada");
  EXPECT_TRUE(Images().empty());
}

TEST_F(PlayNumbers, LongNumbersSoundAsSeveralImages) {
  // 1,234 and 999,999 with words of 8,000 samples: an image is played each
  // time the next word would pass 30,000 bytes.
  Word("mil", 'M', 8000);
  Word("duzento", 'D', 8000);
  Word("e", 'e', 8000);
  Word("trinta", 'T', 8000);
  Word("quatro", 'Q', 8000);
  PlayNumberWords(NumberToWords(1234));
  EXPECT_EQ(Images(), (std::vector<std::string>{"MDe", "TeQ"}));
  ClearWaveCaptureLog();
  Word("novecen", 'N', 8000);
  Word("noventa", 'V', 8000);
  Word("nove", 'n', 8000);
  PlayNumberWords(NumberToWords(999999));
  EXPECT_EQ(Images(), (std::vector<std::string>{"NeV", "enM", "NeV", "en"}));
  EXPECT_EQ(Sizes(), (std::vector<size_t>{24000, 24000, 24000, 16000}));
}

TEST_F(PlayNumbers, OversizedAndHeaderlessWordFilesAreSafe) {
  Word("mil", 'M', 70000);  // more than the image and the 16-bit count
  Word("e", 'e', 100);
  dir.Write("_um.wav", "RIFF");  // shorter than a header
  PlayNumberWords("mil e um");
  EXPECT_EQ(Images(), (std::vector<std::string>{"M", "e\x80"}));  // the short image is padded
  EXPECT_EQ(Sizes(), (std::vector<size_t>{30000, 256}));
}
