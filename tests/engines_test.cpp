// The engine dispatch and the SAPI 4 and SAPI 5 engines over doubles of the
// platform's speech objects.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/messages.h"
#include "platform/sapi4.h"
#include "platform/spvoice.h"
#include "platform/waveout_capture.h"
#include "speech/dispatch.h"
#include "speech/sapi4.h"
#include "tests/support/calllog.h"
#include "tests/support/soundtest.h"

namespace {
std::vector<std::string> gCalls;
int gLive = 0;  // double objects not yet released

// ---- SAPI 4 doubles ----
int gModes = 3;
bool gRegisterFails = false, gAttributesFail = false, gTextDataFails = false;
TtsNotifySink* gSink = nullptr;
TtsBufNotifySink* gBufferSink = nullptr;

template <typename Base>
struct Counted : Base {
  unsigned long refs = 1;
  Counted() { ++gLive; }
  virtual ~Counted() { --gLive; }
  unsigned long AddRef() override { return ++refs; }
  unsigned long Release() override {
    unsigned long n = --refs;
    if (n == 0) delete this;
    return n;
  }
};

struct Audio : Counted<AudioMultiMediaDevice> {};

struct Attributes : Counted<TtsAttributes> {
  int SpeedSet(uint32_t v) override {
    gCalls.push_back("SpeedSet " + std::to_string(v));
    return 0;
  }
  int PitchSet(uint16_t v) override {
    gCalls.push_back("PitchSet " + std::to_string(v));
    return 0;
  }
};

struct Central : Counted<TtsCentral> {
  ~Central() override { gSink = nullptr; }
  int Register(TtsNotifySink* s, uint32_t* key) override {
    if (gRegisterFails) return kS4Fail;
    gSink = s;
    s->AddRef();
    *key = 7;
    return 0;
  }
  int UnRegister(uint32_t key) override {
    gCalls.push_back("UnRegister " + std::to_string(key));
    gSink->Release();
    return 0;
  }
  int TextData(int, uint32_t, const char* data, uint32_t size, TtsBufNotifySink* sink) override {
    gCalls.push_back("TextData " + std::string(data) + " " + std::to_string(size));
    gBufferSink = sink;
    return gTextDataFails ? kS4Fail : 0;
  }
  int AudioReset() override {
    gCalls.push_back("AudioReset");
    return 0;
  }
  int QueryAttributes(TtsAttributes** a) override {
    if (gAttributesFail) return kS4Fail;
    *a = new Attributes;
    return 0;
  }
};

struct Enumerator : Counted<TtsEnum> {
  int next = 0;
  int Reset() override {
    next = 0;
    return 0;
  }
  int Next(uint32_t, TtsModeInfo* mode, uint32_t*) override {
    if (next >= gModes) return kS4NoMore;
    mode->bytes[kModeIdOffset] = static_cast<uint8_t>(++next);
    return 0;
  }
  int Select(const uint8_t id[16], TtsCentral** central, AudioMultiMediaDevice*) override {
    gCalls.push_back("Select " + std::to_string(id[0]));
    if (id[0] == 0) return kS4Fail;
    *central = new Central;
    return 0;
  }
};

int MakeAudio(AudioMultiMediaDevice** a) {
  *a = new Audio;
  return 0;
}
int MakeEnumerator(TtsEnum** e) {
  gCalls.push_back("enumerator");
  *e = new Enumerator;
  return 0;
}
const Sapi4Factory kSapi4Doubles{MakeAudio, MakeEnumerator};

// ---- SAPI 5 double ----
int gVoices = 3;
int gBusyWaits = 0;  // waits that time out before the event is set
bool gSpeakRefused = false;

struct Voice : SpVoice {
  int code;
  explicit Voice(int c) : code(c) { ++gLive; }
  ~Voice() override {
    --gLive;
    gCalls.push_back("released " + std::to_string(code));
  }
  bool SetEventInterests(int i) override { return i == kAllVoiceEvents; }
  int VoiceCount() override { return gVoices; }
  bool SetVoice(int i) override {
    gCalls.push_back("voice " + std::to_string(i));
    return true;
  }
  bool SetRate(int r) override {
    gCalls.push_back("rate " + std::to_string(r));
    return true;
  }
  bool Speak(std::string_view text, int flags) override {
    gCalls.push_back("speak '" + std::string(text) + "' " + std::to_string(flags));
    return !gSpeakRefused;
  }
  int WaitSpeakComplete(int ms) override {
    gCalls.push_back("wait " + std::to_string(ms));
    if (gBusyWaits > 0) {
      --gBusyWaits;
      return kWaitTimeout;
    }
    return kWaitObject;
  }
};
std::unique_ptr<SpVoice> MakeVoice(int code) {
  gCalls.push_back("create " + std::to_string(code));
  return std::make_unique<Voice>(code);
}

std::vector<unsigned> gMessages;
void Record(const Message& m) { gMessages.push_back(m.code); }

class EnginesTest : public ::testing::Test {
 protected:
  EnginesTest() {
    gCalls.clear();
    gModes = 3;
    gVoices = 3;
    gBusyWaits = 0;
    gRegisterFails = gAttributesFail = gTextDataFails = gSpeakRefused = false;
    SetSapi4Factory(&kSapi4Doubles);
    SetSpVoiceFactory(MakeVoice);
  }
  ~EnginesTest() override {
    EngineFinish();
    SetSapi4Factory(nullptr);
    SetSpVoiceFactory(nullptr);
    EXPECT_EQ(gLive, 0);
  }
  // The messages posted so far, taken from the queue.
  std::vector<unsigned> Posted() {
    gMessages.clear();
    SetMessageHandler(Record);
    DispatchMessages();
    return gMessages;
  }
  SoundTestEnv env;
};
}  // namespace

TEST_F(EnginesTest, CodesRouteToTheirEngines) {
  ASSERT_TRUE(EngineStart(1, 0, 0, "", 3));  // the synthesizer: none of the SAPI objects
  EXPECT_TRUE(gCalls.empty());
  EngineFinish();
  for (int code : {0, 4, 7}) {
    gCalls.clear();
    ASSERT_TRUE(EngineStart(1, 0, 0, "", code));
    EXPECT_EQ(FindCall(gCalls, "enumerator"), 0u) << code;
    EngineFinish();
  }
  for (int code : {5, 54}) {
    gCalls.clear();
    ASSERT_TRUE(EngineStart(1, 0, 0, "", code));
    EXPECT_EQ(gCalls.front(), "create " + std::to_string(code));
    EngineFinish();
    EXPECT_EQ(gCalls.back(), "released " + std::to_string(code));
  }
}

TEST_F(EnginesTest, StartWaitsUntilNothingIsQueued) {
  gBusyWaits = 3;
  ASSERT_TRUE(EngineStart(1, 0, 0, "", 5));
  EXPECT_EQ(std::count(gCalls.begin(), gCalls.end(), "wait 20"), 4);
}

TEST_F(EnginesTest, Sapi4SelectsTheVoiceNumbersMode) {
  ASSERT_TRUE(EngineStart(0, 0, 0, "", 4));
  EXPECT_EQ(FindCall(gCalls, "Select 1"), 1u);
  EngineFinish();
  gCalls.clear();
  ASSERT_TRUE(EngineStart(3, 0, 0, "", 4));
  EXPECT_EQ(FindCall(gCalls, "Select 3"), 1u);
  EngineFinish();
  gCalls.clear();
  ASSERT_TRUE(EngineStart(9, 0, 0, "", 4));  // past the last mode: the last one
  EXPECT_EQ(FindCall(gCalls, "Select 3"), 1u);
  EngineFinish();
  gModes = 0;
  EXPECT_FALSE(EngineStart(1, 0, 0, "", 4));
}

TEST_F(EnginesTest, Sapi4SpeedAndPitchZeroLeaveTheDefaults) {
  ASSERT_TRUE(EngineStart(1, 0, 0, "", 4));
  EXPECT_EQ(FindCall(gCalls, "SpeedSet 0"), std::string::npos);
  EXPECT_EQ(FindCall(gCalls, "PitchSet 0"), std::string::npos);
  EngineFinish();
  ASSERT_TRUE(EngineStart(1, 150, -1, "", 4));
  ExpectCallsInOrder(gCalls, {"SpeedSet 150", "PitchSet 65535"});
}

TEST_F(EnginesTest, Sapi4FailingRegisterOrAttributesReleasesEverything) {
  gRegisterFails = true;
  EXPECT_FALSE(EngineStart(1, 0, 0, "", 4));
  EXPECT_EQ(gLive, 0);
  gRegisterFails = false;
  gAttributesFail = true;
  EXPECT_FALSE(EngineStart(1, 0, 0, "", 4));
  EXPECT_EQ(gLive, 0);
  EXPECT_EQ(FindCall(gCalls, "UnRegister 7"), gCalls.size() - 1);
}

TEST_F(EnginesTest, Sapi4SendsTrimmedTextsAndADigitWithAFullStop) {
  ASSERT_TRUE(EngineStart(1, 0, 0, "", 4));
  gCalls.clear();
  EngineSpeak(" \t5\r\n");
  EngineSpeak("   ");
  EngineSpeak("");
  EngineSpeak(" Ol\xE1, 25 ");
  EXPECT_EQ(gCalls, (std::vector<std::string>{"TextData 5. 3", "TextData Ol\xE1, 25 8"}));
}

TEST_F(EnginesTest, Sapi4QueuedOnlyIgnoresSoundStillPlaying) {
  ASSERT_TRUE(EngineStart(1, 0, 0, "", 4));
  EngineSpeak("Bom dia");
  gBufferSink->TextDataStarted(0);
  gSink->AudioStart(0);
  EXPECT_TRUE(EngineBusy(true));
  gBufferSink->TextDataDone(0, 0);
  EXPECT_FALSE(EngineBusy(true));
  EXPECT_TRUE(EngineBusy(false));
  gSink->AudioStop(0);
  EXPECT_FALSE(EngineBusy(false));
  gBufferSink->TextDataDone(0, 0);  // one too many stays at nothing queued
  gBufferSink->TextDataStarted(0);
  EXPECT_TRUE(EngineBusy(true));
}

TEST_F(EnginesTest, Sapi4StopResetsAudioOnlyWhilePlaying) {
  ASSERT_TRUE(EngineStart(1, 0, 0, "", 4));
  EngineSpeak("Bom dia");
  gBufferSink->TextDataStarted(0);
  EngineStop();
  EXPECT_EQ(FindCall(gCalls, "AudioReset"), std::string::npos);
  EXPECT_FALSE(EngineBusy(false));
  gBufferSink->TextDataStarted(0);
  gSink->AudioStart(0);
  EngineStop();
  EXPECT_NE(FindCall(gCalls, "AudioReset"), std::string::npos);
  EXPECT_FALSE(EngineBusy(false));
}

TEST_F(EnginesTest, Sapi4RefusedTextStopsTheEngine) {
  ASSERT_TRUE(EngineStart(1, 0, 0, "", 4));
  EngineSpeak("um");
  gBufferSink->TextDataStarted(0);
  gSink->AudioStart(0);
  gTextDataFails = true;
  EngineSpeak("dois");
  EXPECT_NE(FindCall(gCalls, "AudioReset"), std::string::npos);
  EXPECT_FALSE(EngineBusy(false));
}

TEST_F(EnginesTest, Sapi4LongTextGoesInPiecesCutAtBlanks) {
  ASSERT_TRUE(EngineStart(1, 0, 0, "", 4));
  std::string text;
  while (text.size() < 100000) text += "palavra" + std::to_string(text.size()) + " ";
  gCalls.clear();
  EngineSpeak(text);
  ASSERT_EQ(gCalls.size(), 2u);
  std::string first = gCalls[0].substr(9), second = gCalls[1].substr(9);
  first = first.substr(0, first.rfind(' '));
  second = second.substr(0, second.rfind(' '));
  EXPECT_LT(first.size(), kSapi4Buffer);
  EXPECT_EQ(first + " " + second, text.substr(0, text.size() - 1));
}

TEST_F(EnginesTest, Sapi5VoiceNumberAndRate) {
  ASSERT_TRUE(EngineStart(2, 4, 9, "", 5));
  ExpectCallsInOrder(gCalls, {"voice 1", "rate 4"});
  EngineFinish();
  for (int voice : {5, 0, -1}) {
    gCalls.clear();
    ASSERT_TRUE(EngineStart(voice, 4, 0, "", 54));
    ExpectCallsInOrder(gCalls, {"voice 0", "rate 0"});
    EngineFinish();
  }
  gVoices = 0;
  EXPECT_FALSE(EngineStart(1, 0, 0, "", 5));
}

TEST_F(EnginesTest, Sapi5SpeaksAsynchronouslyAndBeepsWhenRefused) {
  ASSERT_TRUE(EngineStart(1, 0, 0, "", 5));
  gCalls.clear();
  EngineSpeak("");
  EngineSpeak("Ol\xE1");
  EXPECT_EQ(gCalls, (std::vector<std::string>{"speak ' ' 17", "speak 'Ol\xE1' 17"}));
  EXPECT_TRUE(WaveCapture().blocks.empty());
  gSpeakRefused = true;
  EngineSpeak("nada");
  EXPECT_EQ(WaveCapture().blocks.size(), 1u);  // the beep
}

TEST_F(EnginesTest, Sapi5EveryBusyAnswerPostsAWakeUp) {
  ASSERT_TRUE(EngineStart(1, 0, 0, "", 5));
  Posted();
  gBusyWaits = 2;
  EXPECT_TRUE(EngineBusy(true));
  EXPECT_EQ(Posted(), (std::vector<unsigned>{kMsgEngineBusy}));
  EXPECT_TRUE(EngineBusy(false));
  EXPECT_EQ(Posted(), (std::vector<unsigned>{kMsgEngineBusy}));
  EXPECT_FALSE(EngineBusy(false));
  EXPECT_TRUE(Posted().empty());
}

TEST_F(EnginesTest, Sapi5StopPurgesWithASpace) {
  ASSERT_TRUE(EngineStart(1, 0, 0, "", 54));
  gCalls.clear();
  EngineStop();
  EXPECT_EQ(gCalls, (std::vector<std::string>{"speak ' ' 2"}));
}

TEST_F(EnginesTest, Sapi5FinishWaitsForTheEnd) {
  ASSERT_TRUE(EngineStart(1, 0, 0, "", 5));
  gBusyWaits = 2;
  gCalls.clear();
  EngineFinish();
  EXPECT_EQ(gCalls, (std::vector<std::string>{"wait 20", "wait 20", "wait 20", "released 5"}));
}
