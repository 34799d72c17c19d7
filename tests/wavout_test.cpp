// The WAV output device on the capture double: block sizes and padding, the
// quick and cut flags, the chunk walk, format changes, keys, a busy device
// and the device's refusals.
#include "speech/wavout.h"

#include <gtest/gtest.h>

#include "tests/support/screen.h"

#include <algorithm>
#include <numeric>

#include "console/console.h"
#include "console/keyboard.h"
#include "platform/messages.h"
#include "platform/window.h"

#include <unistd.h>
#include "platform/waveout_capture.h"
#include "tests/support/soundtest.h"

namespace {
class WavOutTest : public ::testing::Test {
 protected:
  SoundTestEnv env;
  TempDir dir;
  std::string File(const std::string& bytes, const std::string& name = "t.wav") { return dir.Write(name, bytes); }
  std::vector<uint32_t> Sizes() {
    std::vector<uint32_t> v;
    for (const CapturedBlock& b : WaveCapture().blocks) v.push_back(static_cast<uint32_t>(b.bytes.size()));
    return v;
  }
  std::string Played() {
    std::string s;
    for (const CapturedBlock& b : WaveCapture().blocks) s.append(b.bytes.begin(), b.bytes.end());
    return s;
  }
  std::vector<std::string> Opens() {
    std::vector<std::string> v;
    for (const std::string& c : WaveCapture().calls)
      if (c.rfind("open", 0) == 0) v.push_back(c);
    return v;
  }
};

// A voiced signal: a sawtooth with one clear peak at the start of each pitch
// period.
std::vector<uint8_t> Voiced(int count, int period) {
  std::vector<uint8_t> v(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) v[static_cast<size_t>(i)] = static_cast<uint8_t>(218 - 90 * (i % period) / period);
  return v;
}

// The lag in lo..hi at which the signal best matches itself.
int DominantPeriod(const uint8_t* s, int n, int lo, int hi) {
  int best = lo;
  double bestScore = -1e300;
  for (int lag = lo; lag <= hi; ++lag) {
    double score = 0;
    for (int i = 0; i + lag < n; ++i) score += (s[i] - 128.0) * (s[i + lag] - 128.0);
    score /= n - lag;
    if (score > bestScore) bestScore = score, best = lag;
  }
  return best;
}
}  // namespace

TEST_F(WavOutTest, DataIsCutIntoRingBlocksWithoutAShortLastBlock) {
  std::string data = Counting(65600);
  EXPECT_EQ(PlayWavFile(File(PcmWav(data, 22050, 16, 2))), 0);
  EXPECT_EQ(Sizes(), (std::vector<uint32_t>{65278, 322}));
  EXPECT_EQ(Played(), data);

  ClearWaveCaptureLog();
  data = Counting(200000, 7);
  EXPECT_EQ(PlayWavFile(File(PcmWav(data, 22050, 16, 2))), 0);
  EXPECT_EQ(Sizes(), (std::vector<uint32_t>{65534, 65534, 65534, 3398}));
  EXPECT_EQ(Played(), data);
  // The slots are used in turn.
  std::vector<uintptr_t> users;
  for (const CapturedBlock& b : WaveCapture().blocks) users.push_back(b.user);
  EXPECT_EQ(users, (std::vector<uintptr_t>{3, 4, 1, 2}));
}

TEST_F(WavOutTest, EightBitMonoBlocksEndOnTheCentreLine) {
  std::string data(100, '\x10');
  ASSERT_EQ(PlayPcmBlock(reinterpret_cast<const uint8_t*>(data.data()), 100, 11025, 1, 8), 0);
  ASSERT_EQ(WaveCapture().blocks.size(), 1u);
  const std::vector<uint8_t>& b = WaveCapture().blocks[0].bytes;
  ASSERT_EQ(b.size(), 256u);
  EXPECT_TRUE(std::all_of(b.begin(), b.begin() + 99, [](uint8_t x) { return x == 0x10; }));
  EXPECT_TRUE(std::all_of(b.begin() + 99, b.end(), [](uint8_t x) { return x == 128; }));

  // A full slot keeps its last byte; a shorter block loses it to 128.
  ClearWaveCaptureLog();
  std::string full(65534 + 1000, '\x20');
  PlayPcmBlock(reinterpret_cast<const uint8_t*>(full.data()), static_cast<int>(full.size()), 11025, 1, 8);
  ASSERT_EQ(Sizes(), (std::vector<uint32_t>{65534, 1000}));
  EXPECT_EQ(WaveCapture().blocks[0].bytes.back(), 0x20);
  EXPECT_EQ(WaveCapture().blocks[1].bytes.back(), 128);
}

TEST_F(WavOutTest, ShortBlocksOfOtherFormatsArePaddedWithSilence) {
  std::string data(100, '\x55');
  PlayPcmBlock(reinterpret_cast<const uint8_t*>(data.data()), 100, 22050, 1, 16);
  ASSERT_EQ(WaveCapture().blocks.size(), 1u);
  const std::vector<uint8_t>& b = WaveCapture().blocks[0].bytes;
  ASSERT_EQ(b.size(), 256u);
  EXPECT_EQ(std::string(b.begin(), b.begin() + 100), data);  // untouched
  EXPECT_TRUE(std::all_of(b.begin() + 100, b.end(), [](uint8_t x) { return x == 0; }));

  ClearWaveCaptureLog();
  PlayPcmBlock(reinterpret_cast<const uint8_t*>(data.data()), 100, 11025, 2, 8);
  const std::vector<uint8_t>& s = WaveCapture().blocks.at(0).bytes;
  EXPECT_EQ(std::string(s.begin(), s.begin() + 100), data);
  EXPECT_TRUE(std::all_of(s.begin() + 100, s.end(), [](uint8_t x) { return x == 128; }));
}

TEST_F(WavOutTest, QuickFlagPlaysHalfAgainAsFast) {
  SetQuickFlag(true);
  PlayWavFile(File(PcmWav(std::string(500, '\x80'), 11025, 8, 1)));
  PlayWavFile(File(PcmWav(std::string(500, '\0'), 22050, 16, 1)));
  EXPECT_EQ(Opens(), (std::vector<std::string>{"open 16538/8/1", "open 33075/16/1"}));
}

TEST_F(WavOutTest, CutFlagLeavesStereoAndShortBlocksWhole) {
  SetCutFlag(true);
  std::string stereo = Counting(40000);
  PlayWavFile(File(PcmWav(stereo, 11025, 16, 2)));
  EXPECT_EQ(Opens(), (std::vector<std::string>{"open 11025/16/2"}));
  EXPECT_EQ(Played(), stereo);

  // 16-bit mono becomes 8-bit on a device opened at 8 bits; 998 samples are
  // below the shortening threshold.
  ClearWaveCaptureLog();
  std::string pcm16;
  for (int i = 0; i < 998; ++i) pcm16 += Le16(static_cast<uint16_t>(static_cast<int16_t>((i % 50 - 25) * 1000)));
  PlayWavFile(File(PcmWav(pcm16, 11025, 16, 1)));
  EXPECT_EQ(Opens(), (std::vector<std::string>{"open 11025/8/1"}));
  ASSERT_EQ(Sizes(), (std::vector<uint32_t>{998}));
  const std::vector<uint8_t>& b = WaveCapture().blocks[0].bytes;
  for (int i = 0; i < 997; ++i)
    ASSERT_EQ(b[static_cast<size_t>(i)], static_cast<uint8_t>(static_cast<uint8_t>(pcm16[2 * i + 1]) ^ 0x80)) << i;
}

TEST_F(WavOutTest, ShortenSpeechDropsEveryOtherPitchPeriod) {
  constexpr int kPeriod = 100, kCount = 20000;
  std::vector<uint8_t> v = Voiced(kCount, kPeriod);
  int n = ShortenSpeech(v.data(), kCount, 8, 11025);
  EXPECT_GT(n, kCount * 4 / 10);
  EXPECT_LT(n, kCount * 6 / 10);
  // Each kept stretch is one whole period, peak to peak.
  int period = DominantPeriod(v.data() + 300, n - 600, 60, 150);
  EXPECT_GE(period, kPeriod - 2);
  EXPECT_LE(period, kPeriod + 2);

  // Fewer than 1,000 samples stay as they are.
  std::vector<uint8_t> small = Voiced(999, kPeriod), copy = small;
  EXPECT_EQ(ShortenSpeech(small.data(), 999, 8, 11025), 999);
  EXPECT_EQ(small, copy);
}

namespace {
// A flat line with single peaks (200) every `period` bytes from `first`.
std::vector<uint8_t> Peaks(int count, int first, int period) {
  std::vector<uint8_t> v(static_cast<size_t>(count), 128);
  for (int i = first; i < count; i += period) v[static_cast<size_t>(i)] = 200;
  return v;
}
std::vector<int> PeakPositions(const std::vector<uint8_t>& v, int n) {
  std::vector<int> at;
  for (int i = 0; i < n; ++i)
    if (v[static_cast<size_t>(i)] == 200) at.push_back(i);
  return at;
}
}  // namespace

TEST_F(WavOutTest, ShortenSpeechWalksWithTheParametersOfTheRate) {
  // 16,538 Hz (any rate but 11,025): offset 800, step 320, window 200. The
  // first peak after 800 is at 1,000; from there the periods 1,400-1,800,
  // 2,200-2,600, 3,000-3,400 and 3,800-4,200 are kept, peak to peak; the
  // walk stops once it passes 5,000 - 2 x 520. The tail copies on while the
  // byte at the write position is far from 128.
  std::vector<uint8_t> v = Peaks(5000, 1000, 400);
  for (int i = 2604; i < 2607; ++i) v[static_cast<size_t>(i)] = 60;
  int n = ShortenSpeech(v.data(), 5000, 8, 16538);
  EXPECT_EQ(n, 2607);
  EXPECT_EQ(PeakPositions(v, n), (std::vector<int>{1000, 1400, 1401, 1801, 1802, 2202, 2203, 2603, 2604}));
  EXPECT_EQ(v[2605], 128);
  EXPECT_EQ(v[2606], 128);

  // 11,025 Hz: offset 200, step 80, window 50, on periods of 100 from 250.
  v = Peaks(1500, 250, 100);
  n = ShortenSpeech(v.data(), 1500, 8, 11025);
  EXPECT_EQ(n, 755);
  EXPECT_EQ(PeakPositions(v, n), (std::vector<int>{250, 350, 351, 451, 452, 552, 553, 653, 654, 754}));

  // 16-bit samples are taken as their high byte with the sign bit turned.
  std::string pcm16;
  for (uint8_t b : Peaks(1500, 250, 100)) pcm16 += Le16(static_cast<uint16_t>(((b ^ 0x80) << 8) | 0x33));
  std::vector<uint8_t> w = Bytes(pcm16);
  EXPECT_EQ(ShortenSpeech(w.data(), 3000, 16, 11025), 755);
  EXPECT_EQ(std::vector<uint8_t>(w.begin(), w.begin() + 755), std::vector<uint8_t>(v.begin(), v.begin() + 755));
}

TEST_F(WavOutTest, ShortenSpeechSurvivesBlocksWithoutPeaks) {
  // All bytes 0 (a clipped signal) and a length just over the threshold with
  // the large parameters: the walk ends and stays inside the block.
  std::vector<uint8_t> flat(5000, 0);
  int n = ShortenSpeech(flat.data(), 5000, 8, 22050);
  EXPECT_GE(n, 0);
  EXPECT_LE(n, 5000);
  std::vector<uint8_t> shortish = Voiced(1100, 100);
  n = ShortenSpeech(shortish.data(), 1100, 8, 16538);
  EXPECT_LE(n, 1100);
}

TEST_F(WavOutTest, BothFlagsShortenWithTheLargeParameters) {
  SetCutFlag(true);
  SetQuickFlag(true);
  std::vector<uint8_t> v = Voiced(20000, 97);
  std::vector<uint8_t> large = v, small = v;
  int nLarge = ShortenSpeech(large.data(), 20000, 8, 16538);
  int nSmall = ShortenSpeech(small.data(), 20000, 8, 11025);
  ASSERT_NE(std::vector<uint8_t>(large.begin(), large.begin() + nLarge),
            std::vector<uint8_t>(small.begin(), small.begin() + nSmall));
  PlayPcmBlock(v.data(), 20000, 11025, 1, 8);
  EXPECT_EQ(Opens(), (std::vector<std::string>{"open 16538/8/1"}));
  ASSERT_EQ(WaveCapture().blocks.size(), 1u);
  std::vector<uint8_t> played = WaveCapture().blocks[0].bytes;
  large[static_cast<size_t>(nLarge - 1)] = 128;  // the last byte of an 8-bit mono block
  EXPECT_EQ(played, std::vector<uint8_t>(large.begin(), large.begin() + nLarge));
  // The caller's samples are not rewritten.
  EXPECT_EQ(v, Voiced(20000, 97));
}

TEST_F(WavOutTest, ChunkIdsInAnyCaseAndOtherChunksSkipped) {
  std::string data = Counting(3000);
  std::string fmt = FormatBody(22050, 16, 1);
  std::string list = Chunk("LIST", std::string(30, 'x'));
  EXPECT_EQ(PlayWavFile(File(Riff(Chunk("FmT ", fmt) + list + Chunk("DaTa", data), "rIfF", "XXXX"))), 0);
  EXPECT_EQ(Played(), data);

  // A skipped chunk larger than the read buffer is stepped over.
  ClearWaveCaptureLog();
  std::string big = Chunk("junk", std::string(100000, 'j'));
  EXPECT_EQ(PlayWavFile(File(Riff(Chunk("fmt ", fmt) + big + Chunk("data", data)))), 0);
  EXPECT_EQ(Played(), data);
}

TEST_F(WavOutTest, FilesThatAreNotPlayable) {
  std::string fmt = Chunk("fmt ", FormatBody(11025, 8, 1));
  std::string data = Chunk("data", std::string(400, 'a'));
  EXPECT_EQ(PlayWavFile(File(Riff(Chunk("LIST", "abcd") + fmt + data))), -1);  // chunk before "fmt "
  EXPECT_EQ(PlayWavFile(File(Riff(fmt + data, "RIFX"))), -1);
  EXPECT_EQ(PlayWavFile(dir.path() + "/missing.wav"), -1);
  EXPECT_EQ(PlayWavFile(File("RIFF")), -1);
  // A format body larger than the read buffer is refused, not read into it.
  EXPECT_EQ(PlayWavFile(File(Riff(Chunk("fmt ", FormatBody(11025, 8, 1) + std::string(70000, 'f')) + data))), -1);
  // A skipped chunk that runs past the end of the file.
  EXPECT_EQ(PlayWavFile(File(Riff(fmt) + "LIST" + Le32(500000) + "short")), -1);
  EXPECT_TRUE(WaveCapture().blocks.empty());
}

TEST_F(WavOutTest, ImpossibleFormatsAreRefusedAsCorrupt) {
  std::string data = Chunk("data", std::string(400, 'a'));
  struct Case { uint32_t rate; int bits, channels; };
  for (Case c : {Case{1, 8, 1}, Case{1u << 30, 16, 2}, Case{3999, 8, 1}, Case{192001, 16, 1}, Case{0xFFFFFFFFu, 8, 1},
                 Case{11025, 12, 1}, Case{11025, 0, 1}, Case{11025, 8, 0}, Case{11025, 8, 3}}) {
    std::string body = Le16(1) + Le16(static_cast<uint16_t>(c.channels)) + Le32(c.rate) + Le32(c.rate) +
                       Le16(4) + Le16(static_cast<uint16_t>(c.bits));
    std::string file = Riff(Chunk("fmt ", body) + data);
    EXPECT_EQ(PlayWavFile(File(file)), -1) << c.rate << " Hz " << c.bits << " bits " << c.channels;
    PlayWavImage(reinterpret_cast<const uint8_t*>(file.data()));
  }
  EXPECT_TRUE(Opens().empty());
  EXPECT_TRUE(WaveCapture().blocks.empty());
  // An image whose data size no length can hold.
  std::string huge = Riff(Chunk("fmt ", FormatBody(11025, 8, 1))) + "data" + Le32(0x80000000u) + std::string(400, 'a');
  PlayWavImage(reinterpret_cast<const uint8_t*>(huge.data()));
  EXPECT_TRUE(WaveCapture().blocks.empty());
  // The ends of the range play; the quick flag takes the highest to 288,000.
  EXPECT_EQ(PlayWavFile(File(PcmWav(std::string(400, 'a'), 4000, 8, 1))), 0);
  SetQuickFlag(true);
  EXPECT_EQ(PlayWavFile(File(PcmWav(std::string(400, 'a'), 192000, 16, 2))), 0);
  SetQuickFlag(false);
  EXPECT_EQ(Opens(), (std::vector<std::string>{"open 4000/8/1", "open 288000/16/2"}));
}

TEST_F(WavOutTest, ATruncatedDataChunkPlaysWhatIsThere) {
  std::string data = Counting(1000);
  std::string file = Riff(Chunk("fmt ", FormatBody(22050, 16, 1))) + "data" + Le32(5000) + data;
  EXPECT_EQ(PlayWavFile(File(file)), 0);
  EXPECT_EQ(Played(), data);
}

TEST_F(WavOutTest, ImagesPlayFromMemory) {
  std::string data = Counting(70000);
  std::string image = Riff(Chunk("fmt ", FormatBody(22050, 16, 1)) + Chunk("list", "ab") + Chunk("data", data));
  PlayWavImage(reinterpret_cast<const uint8_t*>(image.data()));
  EXPECT_EQ(Played(), data);
  ClearWaveCaptureLog();
  std::string bad = image;
  bad[0] = 'X';
  PlayWavImage(reinterpret_cast<const uint8_t*>(bad.data()));
  EXPECT_TRUE(WaveCapture().blocks.empty());
}

TEST_F(WavOutTest, AFormatChangeWaitsForTheOldBlocks) {
  std::string a = Riff(Chunk("fmt ", FormatBody(11025, 8, 1)) + Chunk("data", Counting(150000)));
  PlayWavImage(reinterpret_cast<const uint8_t*>(a.data()));
  std::string b(2000, '\0');
  PlayPcmBlock(reinterpret_cast<const uint8_t*>(b.data()), 2000, 22050, 1, 16);
  const std::vector<std::string>& calls = WaveCapture().calls;
  auto at = [&](const std::string& c) { return std::find(calls.begin(), calls.end(), c) - calls.begin(); };
  ptrdiff_t openB = at("open 22050/16/1"), close = at("close");
  ASSERT_LT(openB, static_cast<ptrdiff_t>(calls.size()));
  EXPECT_LT(at("open 11025/8/1"), close);
  EXPECT_LT(close, openB);
  // Every block of the first format was taken back before the device closed.
  EXPECT_EQ(std::count(calls.begin(), calls.begin() + close, "unprepare"), 3);
  EXPECT_EQ(calls.back(), "done");
  EXPECT_EQ(Sizes(), (std::vector<uint32_t>{65534, 65534, 18932, 2000}));
}

TEST_F(WavOutTest, AKeyDuringALongFileStopsIt) {
  SetCaptureAutoComplete(false);
  SetCaptureWriteHook([](size_t index) {
    if (index == 1) PressKey('k');
  });
  EXPECT_EQ(PlayWavFile(File(PcmWav(Counting(400000), 11025, 8, 1))), 0);
  EXPECT_EQ(WaveCapture().blocks.size(), 2u);  // the rest of the file is not read
  const std::vector<std::string>& calls = WaveCapture().calls;
  auto reset = std::find(calls.begin(), calls.end(), "reset");
  ASSERT_NE(reset, calls.end());
  EXPECT_NE(std::find(reset, calls.end(), "close"), calls.end());
  EXPECT_EQ(CapturedBlocksQueued(), 0);
  EXPECT_FALSE(WavBusy());
  // The key stays for the caller, and nothing plays while it waits.
  ASSERT_TRUE(KeyWaiting());
  EXPECT_EQ(PlayWavFile(File(PcmWav(Counting(400), 11025, 8, 1))), 0);
  EXPECT_EQ(WaveCapture().blocks.size(), 2u);
  EXPECT_EQ(TakeKey(), 'k');
}

TEST_F(WavOutTest, ABusyDeviceIsTriedAgain) {
  SetCaptureOpenResults({4, 4, 4});
  EXPECT_EQ(PlayWavFile(File(PcmWav(Counting(500), 11025, 8, 1))), 0);
  EXPECT_EQ(WaveCapture().opens, 4);
  EXPECT_EQ(WaveCapture().blocks.size(), 1u);

  ClearWaveCaptureLog();
  SetCaptureOpenResults(std::vector<int>(150, 4));
  EXPECT_EQ(PlayWavFile(File(PcmWav(Counting(500), 22050, 8, 1))), 4);
  EXPECT_EQ(WaveCapture().opens, 100);
  EXPECT_TRUE(WaveCapture().blocks.empty());
  // Another refusal is returned at once.
  ClearWaveCaptureLog();
  SetCaptureOpenResults({6});
  EXPECT_EQ(PlayWavFile(File(PcmWav(Counting(500), 8000, 8, 1))), 6);
  EXPECT_EQ(WaveCapture().opens, 1);
}

TEST_F(WavOutTest, AFailedPreparationFreesItsSlot) {
  SetCaptureAutoComplete(false);
  SetCapturePrepareFailures(1);
  std::string data(1000, '\x30');
  PlayPcmBlock(reinterpret_cast<const uint8_t*>(data.data()), 1000, 11025, 1, 8);
  EXPECT_TRUE(WaveCapture().blocks.empty());
  EXPECT_FALSE(WavBusy());  // nothing counted as in flight
  PlayPcmBlock(reinterpret_cast<const uint8_t*>(data.data()), 1000, 11025, 1, 8);
  ASSERT_EQ(WaveCapture().blocks.size(), 1u);
  EXPECT_EQ(WaveCapture().blocks[0].user, 1u);  // the ring goes on from the freed slot
  EXPECT_TRUE(WavBusy());
  CompleteCapturedBlocks();
  EXPECT_FALSE(WavBusy());
}

TEST_F(WavOutTest, AnUnprepareFailureIsShownAndWaitsForEnter) {
  const std::pair<int, const char*> failures[] = {
      {5, "Specified device handle is invalid."},
      {6, "No device driver is present."},
      {7, "Unable to allocate or lock memory."},
      {33, "The data block pointed to by the pwh parameter is still in queue"},
      {99, ""},  // no text, but the wait all the same
  };
  std::string data(300, '\x40');
  for (const auto& [code, text] : failures) {
    SCOPED_TRACE(code);
    ClearScreen();
    SetCaptureUnprepareResult(code);
    PressKey(13);
    // The Enter queued for the wait would also stop the sound: queue the
    // block directly, as the ring does once the device is open.
    ASSERT_EQ(OpenWavDevice(11025, 8, 1), 0);
    ASSERT_TRUE(QueueWavBlock(reinterpret_cast<const uint8_t*>(data.data()), 300));
    EXPECT_FALSE(WavBusy());  // the slot is freed after the wait
    std::string out = ScreenText();
    out.erase(std::remove_if(out.begin(), out.end(), [](char c) { return c == ' ' || c == '\n'; }), out.end());
    std::string want = text;
    want.erase(std::remove(want.begin(), want.end(), ' '), want.end());
    EXPECT_EQ(out, want);
    EXPECT_FALSE(KeyWaiting());  // the Enter was read by the wait
  }
}

TEST_F(WavOutTest, ACloseDropsQueuedBlocks) {
  SetCaptureAutoComplete(false);
  std::string data(100000, '\x40');
  PlayPcmBlock(reinterpret_cast<const uint8_t*>(data.data()), 100000, 11025, 1, 8);
  EXPECT_EQ(CapturedBlocksQueued(), 2);
  EXPECT_TRUE(WavBusy());
  CloseWavDevice();
  EXPECT_FALSE(WavBusy());
  EXPECT_EQ(WaveCapture().calls.back(), "close");
}

TEST_F(WavOutTest, ABlockDoneBehindAKeyThatPlaysTonesIsNotLost) {
  // The braille-mode key plays its tones from inside the pump that took it;
  // the done message of the block before it, taken in the same pump, must
  // still reach the ring, or the tones wait for that block for ever.
  SetToneOutput([](int, const uint8_t* image, size_t) {
    if (image) PlayWavImage(image);
    else CloseWavDevice();
  });  // as the program wires the tones
  SetCaptureAutoComplete(false);
  std::string speech(1000, '\0');
  PlayPcmBlock(reinterpret_cast<const uint8_t*>(speech.data()), 1000, 22050, 1, 16);
  PostMessage(kMsgKeyDown, kKeyF11, kModCtrl | kModAlt);
  CompleteCapturedBlocks();
  SetCaptureAutoComplete(true);
  alarm(20);  // a hang fails the test instead of stalling the run
  PumpMessages();
  alarm(0);
  EXPECT_FALSE(WavBusy());
  std::vector<std::string> opens = Opens();
  ASSERT_EQ(opens.size(), 3u);
  EXPECT_EQ(opens[1], "open 11025/8/1");  // the tones, after the speech's format
  EXPECT_EQ(opens[2], "open 11025/8/1");
}

TEST_F(WavOutTest, ARingFullForAllItsWaitsDropsTheBlock) {
  SetCaptureAutoComplete(false);
  std::string data(1000, '\x40');
  ASSERT_EQ(OpenWavDevice(11025, 8, 1), 0);
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(QueueWavBlock(reinterpret_cast<const uint8_t*>(data.data()), 1000));
  EXPECT_FALSE(QueueWavBlock(reinterpret_cast<const uint8_t*>(data.data()), 1000));
  EXPECT_EQ(WaveCapture().blocks.size(), 4u);
  // One slot back: the next block takes it, in turn.
  CompleteCapturedBlocks(1);
  ASSERT_TRUE(QueueWavBlock(reinterpret_cast<const uint8_t*>(data.data()), 1000));
  ASSERT_EQ(WaveCapture().blocks.size(), 5u);
  EXPECT_EQ(WaveCapture().blocks[4].user, 1u);
  CompleteCapturedBlocks();
  EXPECT_FALSE(WavBusy());
}
