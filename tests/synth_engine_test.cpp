// The synthesizer engine (code 3) over our MBROLA library and the built
// voice: start, its failures, the pieces handed to the WAV output, the
// factors, MBROLA errors, and a key that cuts the speech.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/messagebox.h"
#include "platform/waveout_capture.h"
#include "speech/dispatch.h"
#include "speech/wavout.h"
#include "synth/didibrisa.h"
#include "synth/mbrola.h"
#include "tests/support/soundtest.h"
#include "tests/support/testenv.h"

namespace {
namespace m = synth::mbrola;
const std::string kData = std::string(ZELNAR_BUILD_DIR) + "/drives/c/kelmar/davuridi/";

int gWrites = 0, gResets = 0, gFailAtWrite = -1;
int (*gRealWrite)(char*) = nullptr;
int (*gRealLastError)() = nullptr;
int (*gRealReset)() = nullptr;

int CountingWrite(char* line) {
  ++gWrites;
  return gRealWrite(line);
}
int FailingLastError() { return gWrites == gFailAtWrite ? -2 : gRealLastError(); }
int CountingReset() {
  ++gResets;
  return gRealReset();
}
// Ten samples once, then nothing.
int gShortReads = 0;
int ShortRead(short* buffer, int wanted) {
  if (gShortReads++ > 0 || wanted < 10) return 0;
  for (int i = 0; i < 10; ++i) buffer[i] = static_cast<short>(1000 + i);
  return 10;
}

void Quiet(std::string_view) {}

std::vector<int16_t> Samples() {
  std::vector<int16_t> out;
  for (const CapturedBlock& b : WaveCapture().blocks) {
    size_t at = out.size();
    out.resize(at + b.bytes.size() / 2);
    std::memcpy(out.data() + at, b.bytes.data(), b.bytes.size() / 2 * 2);
  }
  return out;
}

// The pitch of 40 ms of speech by normalised autocorrelation (60 to 300 Hz):
// the shortest period nearly as alike as the best one; 0 when quiet.
double Pitch(const std::vector<int16_t>& s, size_t at) {
  const size_t n = 640;
  const int lo = 16000 / 300, hi = 16000 / 60;
  if (at + n + hi > s.size()) return 0;
  auto dot = [&](size_t a, size_t b) {
    double c = 0;
    for (size_t i = 0; i < n; ++i) c += double(s[a + i]) * s[b + i];
    return c;
  };
  double e0 = dot(at, at);
  if (e0 / n < 250000) return 0;
  std::vector<double> r(hi + 1, 0);
  double best = 0;
  for (int l = lo; l <= hi; ++l) {
    r[l] = dot(at, at + l) / std::sqrt(e0 * dot(at + l, at + l) + 1);
    best = std::max(best, r[l]);
  }
  for (int l = lo + 1; l < hi; ++l)
    if (r[l] >= 0.9 * best && r[l] >= r[l - 1] && r[l] >= r[l + 1]) return 16000.0 / l;
  return 0;
}

// The pitch at the end of the last voiced stretch, and the median of the utterance.
std::pair<double, double> EndAndMedian(const std::vector<int16_t>& s) {
  std::vector<double> voiced;
  for (size_t at = 0; at + 640 < s.size(); at += 160)
    if (double p = Pitch(s, at); p > 0) voiced.push_back(p);
  if (voiced.size() < 5) return {0, 0};
  double end = voiced[voiced.size() - 3];
  std::sort(voiced.begin(), voiced.end());
  return {end, voiced[voiced.size() / 2]};
}

class SynthEngineTest : public ::testing::Test {
 protected:
  SynthEngineTest() { SetMessageBoxObserver(Quiet); }
  ~SynthEngineTest() override {
    EngineFinish();
    SetMessageBoxObserver(nullptr);
  }
  bool Start(const std::string& skip = "") {
    auto file = [&](const char* name) { return name == skip ? kData + "absent." + name : kData + name; };
    return synth::SynthStart(kData + "br4", file("portug.nrl"), file("portug.exc"), file("portug.abr"),
                             file("portug.pro"), file("portug.dfn"));
  }
  SoundTestEnv env;
};
}  // namespace

TEST_F(SynthEngineTest, EachMissingDataFileFailsTheStartWithItsText) {
  const std::pair<const char*, const char*> cases[] = {
      {"portug.nrl", "Erro na base de dados de portugu\xEAs"},
      {"portug.exc", "Erro na base de dados de portugu\xEAs"},
      {"portug.abr", "Erro no arquivo de abreviaturas"},
      {"portug.pro", "Erro no arquivo de pros\xF3" "dia"},
      {"portug.dfn", "Erro no arquivo de pros\xF3" "dia"},
  };
  for (auto [file, text] : cases) {
    EXPECT_FALSE(Start(file)) << file;
    EXPECT_EQ(synth::SynthErrorText(), text) << file;
  }
  EXPECT_TRUE(Start());
  synth::SynthClose();
}

TEST_F(SynthEngineTest, SpeaksInPiecesOfAtMostHalfASecondWithItsOwnFormat) {
  ASSERT_TRUE(EngineStart(1, 0, 0, "", 3));
  SetQuickFlag(true);
  SetCutFlag(true);
  EngineSpeak("Bom dia, voc\xEA est\xE1 ouvindo o Zelnar, o gerenciador de redes sem fio que fala.");
  EXPECT_TRUE(QuickFlag());  // the user's options come back after the utterance
  EXPECT_TRUE(CutFlag());
  ASSERT_GT(WaveCapture().blocks.size(), 3u);
  size_t total = 0;
  for (const CapturedBlock& b : WaveCapture().blocks) {
    EXPECT_EQ(b.format, (WaveFormat{16000, 16, 1}));  // neither faster nor shortened
    EXPECT_LE(b.bytes.size(), 32000u);
    total += b.bytes.size();
  }
  EXPECT_GT(total, 32000u * 3);  // several seconds of speech
}

TEST_F(SynthEngineTest, ABlankTextCallsNothing) {
  ASSERT_TRUE(Start());
  gRealWrite = m::write_MBR;
  gWrites = 0;
  m::write_MBR = CountingWrite;
  EXPECT_TRUE(synth::SynthSpeak(" \t\r\n "));
  EXPECT_EQ(gWrites, 0);
  EXPECT_TRUE(WaveCapture().blocks.empty());
  synth::SynthClose();
}

TEST_F(SynthEngineTest, AShortUtteranceIsPaddedWithSilenceTo256Bytes) {
  ASSERT_TRUE(Start());
  gShortReads = 0;
  m::read_MBR = ShortRead;
  EXPECT_TRUE(synth::SynthSpeak("a"));
  ASSERT_EQ(WaveCapture().blocks.size(), 1u);
  const std::vector<uint8_t>& b = WaveCapture().blocks[0].bytes;
  ASSERT_EQ(b.size(), 256u);
  EXPECT_EQ(b[0] | (b[1] << 8), 1000);
  EXPECT_EQ(b[18] | (b[19] << 8), 1009);
  for (size_t i = 20; i < b.size(); ++i) ASSERT_EQ(b[i], 0) << i;
  synth::SynthClose();
}

TEST_F(SynthEngineTest, AnMbrolaErrorResetsAndTheUtteranceGoesOn) {
  ASSERT_TRUE(Start());
  gRealWrite = m::write_MBR;
  gRealLastError = m::lastError_MBR;
  gRealReset = m::reset_MBR;
  gWrites = gResets = 0;
  gFailAtWrite = 3;
  m::write_MBR = CountingWrite;
  m::lastError_MBR = FailingLastError;
  m::reset_MBR = CountingReset;
  EXPECT_FALSE(synth::SynthSpeak("Casa azul."));
  gFailAtWrite = -1;
  EXPECT_GT(gWrites, 6);      // every line after the error was written too
  EXPECT_EQ(gResets, 2);      // the utterance's own and the error's
  EXPECT_FALSE(WaveCapture().blocks.empty());
  synth::SynthClose();
}

TEST_F(SynthEngineTest, SpeedAndPitchGiveTheFactors) {
  ASSERT_TRUE(EngineStart(1, 10, -11, "", 3));
  EXPECT_NEAR(synth::SynthRateFactor(), 0.8 - 10 / 15.0, 1e-12);
  EXPECT_EQ(synth::SynthPitchFactor(), 0.5);  // not 0: the voice stays audible
  EngineFinish();
  ASSERT_TRUE(EngineStart(1, 0, 1000, "", 3));
  EXPECT_EQ(synth::SynthPitchFactor(), 2.0);
  EngineFinish();
  ASSERT_TRUE(EngineStart(1, 0, 0, "", 3));
  EXPECT_EQ(synth::SynthRateFactor(), 0.8);
  EXPECT_EQ(synth::SynthPitchFactor(), 1.0);
  EngineFinish();
  // Beyond 10 the phonemes would vanish, then have negative lengths.
  ASSERT_TRUE(EngineStart(1, 40, 0, "", 3));
  EXPECT_EQ(synth::SynthRateFactor(), 0.1);
}

TEST_F(SynthEngineTest, TheRegistryNamesTheDatabase) {
  TempDir dir;
  ScopedEnv windir("WINDIR", dir.path());
  dir.Write("zelnar.reg",
            "[HKLM\\SOFTWARE\\TCTS\\Mbrola\\databases\\br4]\r\n@=\"\"\r\n"
            "[HKLM\\SOFTWARE\\TCTS\\Mbrola\\databases\\br1]\r\n@=\"d:\\vozes\\br1\"\r\n");
  EXPECT_EQ(synth::SynthDatabase("br4"), "c:\\kelmar\\davuridi\\br4");
  EXPECT_EQ(synth::SynthDatabase("br1"), "d:\\vozes\\br1");
  EXPECT_EQ(synth::SynthDatabase("br9"), "br9");
}

TEST_F(SynthEngineTest, QuestionsRiseAndStatementsFall) {
  ASSERT_TRUE(EngineStart(1, 0, 0, "", 3));
  EngineSpeak("Voc\xEA est\xE1 conectado?");
  auto [questionEnd, questionMedian] = EndAndMedian(Samples());
  ClearWaveCaptureLog();
  EngineSpeak("Voc\xEA est\xE1 conectado.");
  auto [statementEnd, statementMedian] = EndAndMedian(Samples());
  EXPECT_GT(questionEnd, questionMedian * 1.15) << questionEnd << " " << questionMedian;
  EXPECT_LT(statementEnd, statementMedian * 0.9) << statementEnd << " " << statementMedian;
}

TEST_F(SynthEngineTest, AKeyCutsTheSpeech) {
  ASSERT_TRUE(EngineStart(1, 0, 0, "", 3));
  SetCaptureAutoComplete(false);
  EngineSpeak("Uma frase curta.");  // fewer pieces than the device holds: none waits
  ASSERT_TRUE(EngineBusy(false));
  PressKey('x');
  EXPECT_FALSE(EngineBusy(false));
  EXPECT_EQ(CapturedBlocksQueued(), 0);
  EXPECT_EQ(WaveCapture().calls.back(), "close");
  DropKeys();
}
