// The silent and file backends of the wave output, and SDL on its dummy
// driver: blocks complete, the WAV file holds what was played.
#include "platform/waveout.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "platform/clock.h"
#include "platform/messages.h"
#include "speech/wavout.h"
#include "tests/support/soundtest.h"

namespace {
std::string Sine(int rate, int bits, double seconds, double hz) {
  std::string s;
  int n = static_cast<int>(rate * seconds);
  for (int i = 0; i < n; ++i) {
    double v = 0.5 * std::sin(2 * M_PI * hz * i / rate);
    if (bits == 8) s += static_cast<char>(static_cast<uint8_t>(128 + std::lrint(v * 127)));
    else s += Le16(static_cast<uint16_t>(static_cast<int16_t>(std::lrint(v * 32767))));
  }
  return s;
}

void PlayAndWait(const std::string& samples, int rate, int bits) {
  PlayPcmBlock(reinterpret_cast<const uint8_t*>(samples.data()), static_cast<int>(samples.size()), rate, 1, bits);
  while (WavBusy()) WaitMessage();
}

class Backends : public ::testing::Test {
 protected:
  SoundTestEnv env;  // then the backend under test replaces the capture double
  TempDir dir;
};
}  // namespace

// First, before any test brings SDL's audio up.
TEST_F(Backends, WithoutADeviceTheNullBackendTakesOver) {
  ScopedEnv driver("SDL_AUDIODRIVER", "no-such-driver");
  SetWaveBackend(nullptr);
  ScopedEnv audio("ZELNAR_AUDIO", "sdl");
  PlayAndWait(Sine(11025, 8, 0.1, 300), 11025, 8);
  EXPECT_FALSE(WavBusy());
  EXPECT_STREQ(CurrentWaveBackend().name, "null");
}

TEST_F(Backends, TheWavFileHoldsWhatWasPlayedInOneFormat) {
  std::string path = dir.path() + "/out.wav";
  SetWaveBackend(&WavFileWaveBackend(path));
  PlayAndWait(Sine(11025, 8, 1.0, 440), 11025, 8);
  PlayAndWait(Sine(22050, 16, 0.5, 660), 22050, 16);
  FinishWavFile();
  std::string f = ReadFileBytes(path);
  ASSERT_GE(f.size(), 44u);
  EXPECT_EQ(f.substr(0, 4), "RIFF");
  auto u32 = [&](size_t o) { return uint8_t(f[o]) | (uint8_t(f[o + 1]) << 8) | (uint8_t(f[o + 2]) << 16) | (uint32_t(uint8_t(f[o + 3])) << 24); };
  EXPECT_EQ(u32(24), 22050u);
  EXPECT_EQ(u32(40), f.size() - 44);
  double seconds = double(f.size() - 44) / 2 / 22050;
  EXPECT_NEAR(seconds, 1.5, 0.05);  // 8-bit 11,025 Hz and 16-bit 22,050 Hz in one format
  int16_t top = 0;
  for (size_t i = 44; i + 1 < f.size(); i += 2) top = std::max<int16_t>(top, static_cast<int16_t>(uint8_t(f[i]) | (uint8_t(f[i + 1]) << 8)));
  EXPECT_GT(top, 12000);
}

namespace {
// Runs of sound and silence in a 16-bit mono file, in 10 ms steps: the
// length in seconds of each, starting with sound.
std::vector<double> Runs(const std::string& f) {
  std::vector<double> runs;
  bool loud = true;
  double length = 0;
  constexpr size_t kStep = 2 * 220;
  for (size_t at = 44; at + kStep <= f.size(); at += kStep) {
    int top = 0;
    for (size_t i = at; i < at + kStep; i += 2)
      top = std::max(top, std::abs(static_cast<int16_t>(uint8_t(f[i]) | (uint8_t(f[i + 1]) << 8))));
    bool now = top > 1000;
    if (now != loud) {
      runs.push_back(length);
      loud = now;
      length = 0;
    }
    length += 0.01;
  }
  runs.push_back(length);
  return runs;
}
}  // namespace

TEST_F(Backends, TheWavFileKeepsThePausesAndCutsWhereTheCutWasHeard) {
  ScopedEnv realTime("ZELNAR_TIME_SCALE", "1");
  std::string path = dir.path() + "/pauses.wav";
  SetWaveBackend(&WavFileWaveBackend(path));
  PlayAndWait(Sine(11025, 8, 0.3, 440), 11025, 8);
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  std::string longer = Sine(22050, 16, 3.0, 660);
  PlayPcmBlock(reinterpret_cast<const uint8_t*>(longer.data()), static_cast<int>(longer.size()), 22050, 1, 16);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  CloseWavDevice();
  FinishWavFile();
  std::string f = ReadFileBytes(path);
  ASSERT_GE(f.size(), 44u);
  uint32_t size = uint8_t(f[40]) | (uint8_t(f[41]) << 8) | (uint8_t(f[42]) << 16) | (uint32_t(uint8_t(f[43])) << 24);
  EXPECT_EQ(size, f.size() - 44);
  std::vector<double> runs = Runs(f);
  ASSERT_EQ(runs.size(), 3u) << ::testing::PrintToString(runs);
  EXPECT_NEAR(runs[0], 0.3, 0.03);  // the first sound, from the file's start
  EXPECT_GE(runs[1], 0.38);         // the pause between the two
  EXPECT_LT(runs[1], 10.0);
  EXPECT_GE(runs[2], 0.48);         // the second sound up to the cut, not beyond
  EXPECT_LT(runs[2], 2.9);
}

TEST_F(Backends, WithoutATimeScaleTheWavFileKeepsTheFixedWaitsAsSilence) {
  ScopedEnv noWaits("ZELNAR_TIME_SCALE", "0");
  std::string path = dir.path() + "/waits.wav";
  SetWaveBackend(&WavFileWaveBackend(path));
  PlayAndWait(Sine(11025, 8, 0.3, 440), 11025, 8);
  SleepMs(250);
  SleepMs(150);
  PlayAndWait(Sine(11025, 8, 0.2, 440), 11025, 8);
  FinishWavFile();
  std::vector<double> runs = Runs(ReadFileBytes(path));
  ASSERT_EQ(runs.size(), 3u) << ::testing::PrintToString(runs);
  EXPECT_NEAR(runs[0], 0.3, 0.02);
  EXPECT_NEAR(runs[1], 0.4, 0.02);  // both waits, though none was waited
  EXPECT_NEAR(runs[2], 0.2, 0.02);
}

TEST_F(Backends, NullBlocksComplete) {
  SetWaveBackend(&NullWaveBackend());
  PlayAndWait(Sine(11025, 8, 2.0, 300), 11025, 8);
  EXPECT_FALSE(WavBusy());
}

TEST_F(Backends, SdlOnItsDummyDriverCompletesAndResets) {
  ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
  SetWaveBackend(&SdlWaveBackend());
  PlayAndWait(Sine(11025, 8, 0.2, 300), 11025, 8);
  EXPECT_FALSE(WavBusy());
  std::string longer = Sine(22050, 16, 3.0, 300);
  PlayPcmBlock(reinterpret_cast<const uint8_t*>(longer.data()), static_cast<int>(longer.size()), 22050, 1, 16);
  EXPECT_TRUE(WavBusy());
  CloseWavDevice();  // every block comes back at once
  EXPECT_FALSE(WavBusy());
}

