// The SAPI 4 and SAPI 5 engines speaking through the real espeak-ng library,
// their sound taken by the capture double of the wave output.
#include <gtest/gtest.h>

#include <string>

#include "platform/clock.h"
#include "platform/espeak.h"
#include "platform/messages.h"
#include "platform/waveout_capture.h"
#include "speech/dispatch.h"
#include "tests/support/calllog.h"
#include "tests/support/pump.h"
#include "tests/support/soundtest.h"

namespace {
const char* kSentence = "Bom dia, voc\xEA est\xE1 ouvindo o Zelnar.";

size_t BytesWritten(size_t fromBlock = 0) {
  size_t n = 0;
  for (size_t i = fromBlock; i < WaveCapture().blocks.size(); ++i) n += WaveCapture().blocks[i].bytes.size();
  return n;
}

class EspeakEnginesTest : public ::testing::Test {
 protected:
  ~EspeakEnginesTest() override { EngineFinish(); }
  SoundTestEnv env;
};
}  // namespace

TEST_F(EspeakEnginesTest, VoicesBeginWithBrazilianPortuguese) {
  const auto& voices = EspeakVoices();
  ASSERT_GT(voices.size(), 1u);
  EXPECT_EQ(voices.front().language, "pt-br");
  for (const auto& v : voices) EXPECT_NE(v.identifier.rfind("mb/", 0), 0u) << v.identifier;
}

TEST_F(EspeakEnginesTest, Sapi5SpeaksASentenceThroughTheWaveOutput) {
  ASSERT_TRUE(EngineStart(1, 0, 0, "", 5));
  EngineSpeak(kSentence);
  ASSERT_TRUE(Within(5000, [] { return !EngineBusy(false); }));
  ASSERT_FALSE(WaveCapture().blocks.empty());
  for (const CapturedBlock& b : WaveCapture().blocks) EXPECT_EQ(b.format, (WaveFormat{22050, 16, 1}));
  EXPECT_GT(BytesWritten(), 22050u * 2);  // more than a second of speech
  EXPECT_EQ(WaveCapture().calls.back(), "close");  // the device is free for recorded sounds
}

TEST_F(EspeakEnginesTest, Sapi5StopCutsTheSoundAtOnce) {
  ASSERT_TRUE(EngineStart(1, 0, 0, "", 5));
  SetCaptureAutoComplete(false);
  std::string text;
  for (int i = 0; i < 20; ++i) text += kSentence + std::string(" ");
  EngineSpeak(text);
  ASSERT_TRUE(Within(5000, [] { return !WaveCapture().blocks.empty(); }));
  EXPECT_TRUE(EngineBusy(false));  // as the cut asks first; its wake-up message still waits
  SetCaptureAutoComplete(true);    // for the space that stop speaks
  size_t before = WaveCapture().blocks.size();
  EngineStop();
  EXPECT_FALSE(EngineBusy(false));
  size_t reset = FindCall(WaveCapture().calls, "reset");
  ASSERT_NE(reset, std::string::npos);
  // After the cut only the space that stop speaks: a few milliseconds.
  EXPECT_LT(BytesWritten(before), 22050u * 2 / 20);
}

TEST_F(EspeakEnginesTest, Sapi4TellsTextDoneBeforeTheSoundEnds) {
  ASSERT_TRUE(EngineStart(1, 0, 0, "", 4));
  SetCaptureAutoComplete(false);
  EngineSpeak("Bom dia.");  // shorter than the two seconds the synthesis runs ahead
  EXPECT_TRUE(EngineBusy(true));  // counted at once: a wait right after it does not slip through
  ASSERT_TRUE(Within(5000, [] { return !WaveCapture().blocks.empty() && !EngineBusy(true); }));
  EXPECT_TRUE(EngineBusy(false));  // the sound is still queued
  CompleteCapturedBlocks();
  ASSERT_TRUE(Within(5000, [] { return !EngineBusy(false); }));
  EXPECT_GT(BytesWritten(), 22050u / 2);
}
