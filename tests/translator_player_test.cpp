// Speaking a phonetic string from recorded segments, on the capture double.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "platform/waveout_capture.h"
#include "tests/support/soundtest.h"
#include "tests/support/translatortest.h"
#include "translator/files.h"
#include "translator/player.h"

namespace {

std::string S(size_t n, int v) { return std::string(n, static_cast<char>(v)); }
const std::string kQuiet100 = S(100, 128);

std::vector<std::string> gAsked;
void Ask(std::string_view name, bool found, int depth) {
  gAsked.push_back(std::string(depth ? "+" : "") + std::string(name) + (found ? "" : "?"));
}

class Player : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetTranslator();
    ResetPlayer();
    gAsked.clear();
    SetSegmentObserver(Ask);
  }
  void TearDown() override {
    ResetPlayer();
    ResetTranslator();
  }
  void Start(const std::map<std::string, std::string>& segments, int cut = 400, int floor = 0, int pause = 100) {
    install_.Database(segments);
    SetDatabaseName("T");
    SetDiphoneTiming(cut, floor, pause);
    ASSERT_EQ(StartTranslator(), 0);
  }
  // What was played, as runs of equal bytes ("value x count").
  std::string Played() { return Runs(CapturedBytes()); }
  // What one block of these samples becomes: at least 256 bytes, its last
  // sample the centre line.
  static std::string Block(std::string s) {
    s.back() = static_cast<char>(128);
    if (s.size() < 256) s += S(256 - s.size(), 128);
    return Runs(s);
  }
  // A shortened segment as played: its last 33 samples (3 ms) fall in even
  // steps to the centre line.
  static std::string Faded(std::string s) {
    size_t m = std::min<size_t>(33, s.size() / 2);
    for (size_t i = 0; i < m; ++i) {
      char& v = s[s.size() - 1 - i];
      v = static_cast<char>(128 + (static_cast<unsigned char>(v) - 128) * static_cast<int>(i) / static_cast<int>(m));
    }
    return s;
  }
  static std::string Runs(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size();) {
      size_t j = i;
      while (j < s.size() && s[j] == s[i]) ++j;
      out += std::to_string(static_cast<unsigned char>(s[i])) + "x" + std::to_string(j - i) + " ";
      i = j;
    }
    return out;
  }

  SoundTestEnv env_;
  TranslatorInstall install_;
};

TEST_F(Player, EmptyStringPlaysNothing) {
  Start({{"$A", S(500, 10)}});
  SpeakPhonetic("");
  EXPECT_EQ(CapturedBlockCount(), 0);
}

TEST_F(Player, WalkOfTheWorkedExample) {
  Start({{"$KA", S(1000, 1)}, {"$ZA", S(1000, 2)}, {"$S", S(500, 3)}, {"$BO", S(1000, 4)}, {"$M", S(500, 5)}});
  SpeakPhonetic("[kA /zas][bOm]");
  EXPECT_EQ(gAsked, (std::vector<std::string>{"$kA", "$za", "$s", "$bO", "$m"}));
  // kA stressed and whole; za cut by 400; s whole (two characters); the
  // word pause; bO whole; m whole.
  std::string expected = S(1000, 1) + Faded(S(600, 2)) + S(500, 3) + kQuiet100 + S(1000, 4) + S(500, 5);
  EXPECT_EQ(Played(), Block(expected));
  EXPECT_EQ(CapturedBlockCount(), 1);
  EXPECT_EQ(WaveCapture().blocks[0].format, (WaveFormat{11025, 8, 1}));
}

TEST_F(Player, NasalFallbackPlaysTheClosedVowelAndTheNasalTail) {
  Start({{"$PACIRC", S(1000, 1)}, {"$AOCIRC", S(1000, 2)}, {"$NN", S(1000, 3)}});
  SpeakPhonetic("[pa~o]");
  EXPECT_EQ(gAsked, (std::vector<std::string>{"$paCIRC", "$aoTIL?", "+$aoCIRC", "+$nn"}));
  // pa^ at 0.6 after the cut; ao^ at stress 2 (uncut) and 0.9; nn at 0.9 after the cut.
  EXPECT_EQ(Played(), Block(Faded(S(360, 1)) + Faded(S(900, 2)) + Faded(S(540, 3))));
}

TEST_F(Player, MissingConsonantVowelFallsBackToItsParts) {
  Start({{"$K", S(300, 1)}, {"$A", S(300, 2)}});
  SpeakPhonetic("[kA]");
  EXPECT_EQ(gAsked, (std::vector<std::string>{"$kA?", "+$k", "+$A"}));
  EXPECT_EQ(Played(), Block(Faded(S(270, 1)) + S(300, 2)));  // the consonant at 0.9
}

TEST_F(Player, SpelledLetterPlaysItsCharacterFile) {
  Start({});
  install_.Letter("_75", S(400, 7));
  SpeakPhonetic("[ /_K]");
  EXPECT_EQ(gAsked, (std::vector<std::string>{"_75"}));
  EXPECT_EQ(Played(), Block(S(400, 7)));
}

TEST_F(Player, CharacterFileWithOtherChunksAndBrokenOnes) {
  Start({});
  install_.Letter("_65", "");
  std::string wav = Riff(Chunk("fmt ", FormatBody(11025, 8, 1)) + Chunk("LIST", "abcd") + Chunk("data", S(300, 9)));
  TempDir unused;
  std::FILE* f = std::fopen((install_.Letters() + "/_66.wav").c_str(), "wb");
  std::fwrite(wav.data(), 1, wav.size(), f);
  std::fclose(f);
  f = std::fopen((install_.Letters() + "/_67.wav").c_str(), "wb");
  std::string noData = Riff(Chunk("fmt ", FormatBody(11025, 8, 1)));
  std::fwrite(noData.data(), 1, noData.size(), f);
  std::fclose(f);
  SpeakPhonetic("[ /_A][ /_B][ /_C]");
  EXPECT_EQ(gAsked, (std::vector<std::string>{"_65?", "_66", "_67?"}));
  // An empty data chunk and a file without one play nothing, not even noise.
  EXPECT_EQ(Played(), Block(kQuiet100 + S(300, 9) + kQuiet100));  // a pause after each group but the last
}

TEST_F(Player, MissingCharacterFileGivesNothing) {
  Start({});
  SpeakPhonetic("[ /_a]");
  EXPECT_EQ(gAsked, (std::vector<std::string>{"_97?"}));
  EXPECT_EQ(CapturedBlockCount(), 0);
}

TEST_F(Player, MissingShortSegmentGivesLowNoise) {
  Start({});
  SpeakPhonetic("[s]");
  std::string played = CapturedBytes().substr(0, 299);
  ASSERT_EQ(CapturedBytes().size(), 300u);
  bool varied = false;
  for (unsigned char c : played) {
    EXPECT_GE(c, 88);
    EXPECT_LE(c, 167);
    varied |= c != static_cast<unsigned char>(played[0]);
  }
  EXPECT_TRUE(varied);
}

TEST_F(Player, UnitEndsAtTheSlashAfterNineCharactersWithAPause) {
  Start({});
  SpeakPhonetic("[p/p/p/p/p/p/p/p/p/p/p]");
  // The unit "ppppppppp" gives seven lone consonants and "pp"; then the word
  // pause; then the unit "pp". Missing: noise for the short names only.
  std::vector<std::string> top;
  for (const std::string& a : gAsked)
    if (a[0] != '+') top.push_back(a);
  EXPECT_EQ(top, (std::vector<std::string>{"$p?", "$p?", "$p?", "$p?", "$p?", "$p?", "$p?", "$pp?", "$pp?"}));
  std::string played = CapturedBytes();
  ASSERT_EQ(played.size(), 7 * 300u + 100);
  EXPECT_EQ(played.substr(2100), kQuiet100);  // the pause after the ninth
}

TEST_F(Player, WordPauseIsInWholeHundreds) {
  Start({{"$BO", S(300, 4)}}, 400, 0, 150);
  SpeakPhonetic("[bO][bO]");
  EXPECT_EQ(Played(), Block(S(300, 4) + kQuiet100 + S(300, 4)));
  ClearWaveCaptureLog();
  SetDiphoneTiming(400, 0, 99);
  SpeakPhonetic("[bO][bO]");
  EXPECT_EQ(Played(), Block(S(600, 4)));
}

TEST_F(Player, FixedPausesForPunctuationUnits) {
  Start({});
  SpeakPhonetic("[ /_,]");
  EXPECT_EQ(Played(), Block(S(4000, 128)));
  ClearWaveCaptureLog();
  SpeakPhonetic("[ /_.][ /_;]");
  EXPECT_EQ(Played(), Block(S(8000, 128) + kQuiet100 + S(6000, 128)));
}

TEST_F(Player, CutAndFloorArithmetic) {
  Start({{"$BA", S(1000, 1)}, {"$B", S(1000, 2)}});
  SpeakPhonetic("[ba]");
  EXPECT_EQ(Played(), Block(Faded(S(600, 1))));
  ClearWaveCaptureLog();
  SetDiphoneTiming(400, 800, 100);
  SpeakPhonetic("[ba]");
  EXPECT_EQ(Played(), Block(Faded(S(800, 1))));
  ClearWaveCaptureLog();
  SpeakPhonetic("[b]");
  EXPECT_EQ(Played(), Block(S(1000, 2)));  // two characters: never cut
  ClearWaveCaptureLog();
  SetDiphoneTiming(1200, 0, 100);
  SpeakPhonetic("[ba][b]");
  EXPECT_EQ(Played(), Block(kQuiet100 + S(1000, 2)));  // cut to nothing with no floor
}

TEST_F(Player, ShortenedSegmentEndsAtAZeroCrossing) {
  std::string wave;
  for (int i = 0; i < 1000; ++i) wave += static_cast<char>((i / 50) % 2 ? 100 : 156);  // crossings every 50
  Start({{"$BA", wave}});
  SpeakPhonetic("[ba]");  // 600 asked: the last crossing before is at 600 itself
  EXPECT_EQ(Played(), Block(Faded(wave.substr(0, 600))));
  ClearWaveCaptureLog();
  SetDiphoneTiming(375, 0, 100);
  SpeakPhonetic("[ba]");  // 625 asked: back to 600
  EXPECT_EQ(Played(), Block(Faded(wave.substr(0, 600))));
}

TEST_F(Player, AShortenedSegmentFadesToSilenceAWholeOneIsTheDatabasesBytes) {
  std::string wave;
  for (int i = 0; i < 2000; ++i) wave += static_cast<char>(128 + std::lrint(100 * std::sin(i * 2 * M_PI / 93)));
  Start({{"$BA", wave}}, 400, 0);
  SpeakPhonetic("[ba]");  // unstressed: cut, then ended at a crossing
  std::string played = CapturedBytes();
  size_t n = played.size();
  ASSERT_GT(n, 1400u);
  ASSERT_LT(n, 1600u);
  EXPECT_EQ(played.substr(0, n - 33), wave.substr(0, n - 33));  // untouched up to the fade
  for (size_t k = 0; k < 33; ++k) {  // the envelope of the last 3 ms falls to nothing
    int v = std::abs(static_cast<unsigned char>(played[n - 33 + k]) - 128);
    EXPECT_LE(v, 100 * static_cast<int>(33 - k) / 33 + 1) << k;
  }
  EXPECT_EQ(played.back(), static_cast<char>(128));
  ClearWaveCaptureLog();
  SpeakPhonetic("[bA][bA]");  // stressed: whole (the first, before the block's end)
  EXPECT_EQ(CapturedBytes().substr(0, wave.size()), wave);
}

TEST_F(Player, StringLongerThanOneBufferPlaysInSeveralBlocks) {
  Start({{"$BA", S(30000, 1)}});
  SpeakPhonetic("[bA][bA][bA]");
  ASSERT_EQ(CapturedBlockCount(), 2);
  EXPECT_EQ(WaveCapture().blocks[0].bytes.size(), 60200u);  // two segments and two pauses
  EXPECT_EQ(Played(), Block(S(30000, 1) + kQuiet100 + S(30000, 1) + kQuiet100) + Block(S(30000, 1)));
}

TEST_F(Player, SegmentLongerThanTheBufferIsSplitAcrossBlocks) {
  Start({{"$BA", S(65000, 1)}});
  SpeakPhonetic("[bA]");
  EXPECT_GE(CapturedBlockCount(), 2);
  for (const CapturedBlock& b : WaveCapture().blocks) EXPECT_LE(b.bytes.size(), 63956u);
  std::string all = CapturedBytes();
  EXPECT_EQ(all.size(), 65000u);
  EXPECT_EQ(std::count(all.begin(), all.end(), 1), static_cast<long>(65000 - CapturedBlockCount()));
}

TEST_F(Player, RecordsPastTheDataFileAndEmptySegmentsAreSafe) {
  install_.Database({{"$BA", S(10, 1)}, {"$BE", S(10, 2)}, {"$BO", ""}});
  std::string index = ReadFileBytes(install_.Diphones() + "/T.IND");
  for (int i = 11; i < 15; ++i) index[static_cast<size_t>(15 + i)] = static_cast<char>(0x7F);  // $BE far away
  std::FILE* f = std::fopen((install_.Diphones() + "/T.IND").c_str(), "wb");
  std::fwrite(index.data(), 1, index.size(), f);
  std::fclose(f);
  SetDatabaseName("T");
  ASSERT_EQ(StartTranslator(), 0);
  SpeakPhonetic("[bE][bO][bA]");
  EXPECT_EQ(gAsked, (std::vector<std::string>{"$bE", "$bO", "$bA"}));
  EXPECT_EQ(Played(), Block(kQuiet100 + kQuiet100 + S(10, 1)));
}

TEST_F(Player, ClosedVowelGlideAndClusterPieces) {
  Start({});
  SplitUnit("pe^w", 1.0);
  SplitUnit("pra", 1.0);
  SplitUnit("kays", 1.0);
  SplitUnit("tchi", 1.0);
  SplitUnit("djis", 1.0);
  SplitUnit("a~w", 1.0);
  std::vector<std::string> top;
  for (const std::string& a : gAsked)
    if (a[0] != '+') top.push_back(a);
  EXPECT_EQ(top, (std::vector<std::string>{"$peCIRC?", "$ewCIRC?", "$p?", "$ra?", "$ka?", "$ay?", "$s?", "$tchi?",
                                           "$dji?", "$s?", "$awTIL?"}));
}

TEST_F(Player, AnyBytesAreSafe) {
  Start({{"$A", S(100, 1)}, {"$KA", S(100, 2)}, {"$NN", S(100, 3)}});
  install_.Letter("_65", S(100, 4));
  uint32_t seed = 12345;
  std::string junk;
  const char alphabet[] = "[]/ _^~aAeEiIoOuUwykszrnmptdjgx$#\x01\xFF";
  for (int i = 0; i < 20000; ++i) {
    seed = seed * 1103515245u + 12345u;
    junk += (seed >> 20) % 3 ? alphabet[(seed >> 8) % (sizeof alphabet - 1)] : static_cast<char>(seed >> 16);
  }
  SpeakPhonetic(junk);
  SpeakPhonetic("_");
  SpeakPhonetic("[");
  SpeakPhonetic("~^~^");
  SpeakPhonetic(std::string(100, '/') + std::string(100, 'a'));
  for (const CapturedBlock& b : WaveCapture().blocks) EXPECT_LE(b.bytes.size(), 63956u);
}

TEST_F(Player, WithoutAStartNothingBreaks) {
  SpeakPhonetic("[kA /zas][ /_K]");
  EXPECT_EQ(CapturedBlockCount(), 0);
}

}  // namespace
