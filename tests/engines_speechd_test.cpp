// The SAPI 5.4 engine through the real libspeechd, talking to a private
// speech-dispatcher daemon that the test starts: its own socket and
// configuration, the espeak-ng output module, and an ALSA null device in the
// daemon's HOME so that no sound card is needed.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/clock.h"
#include "platform/messages.h"
#include "platform/spvoice.h"
#include "platform/waveout_capture.h"
#include "speech/dispatch.h"
#include "tests/support/pump.h"
#include "tests/support/soundtest.h"
#include "tests/support/speechd_daemon.h"
#include "tests/support/testenv.h"

namespace {
std::string LongText() {
  std::string text;
  for (int i = 0; i < 20; ++i) text += "Bom dia, voc\xEA est\xE1 ouvindo o Zelnar. ";
  return text;
}

}  // namespace

// Each start lists the daemon's voices, which takes seconds with espeak-ng's
// thousands of variants: one start here.
TEST(SpeechdEngineTest, SpeaksUntilTheEndAndStopCancels) {
  SoundTestEnv env;
  PrivateSpeechd daemon;
  ASSERT_TRUE(daemon.Ready()) << "speech-dispatcher did not start";
  ASSERT_TRUE(EngineStart(1, 3, 0, "", 54));
  EngineSpeak("Bom dia, voc\xEA est\xE1 ouvindo o Zelnar.");
  ASSERT_TRUE(Within(10000, [] { return !EngineBusy(false); }));

  EngineSpeak(LongText());
  EngineSpeak(LongText());
  EXPECT_TRUE(EngineBusy(false));
  EngineStop();
  EXPECT_FALSE(EngineBusy(false));
  EngineSpeak("Ol\xE1.");  // speaking goes on after a cut
  ASSERT_TRUE(Within(10000, [] { return !EngineBusy(false); }));
  EngineFinish();
  EXPECT_TRUE(WaveCapture().blocks.empty());  // no beep, and nothing through the program's output
}

TEST(SpeechdAbsentTest, NoDaemonAnsweringMeansNoEngine) {
  TempDir dir;
  ScopedEnv address("SPEECHD_ADDRESS", "unix_socket:" + dir.path() + "/none.sock");
  EXPECT_FALSE(EngineStart(1, 0, 0, "", 54));
}

TEST(SpeechdGoneTest, ADaemonThatDiesWhileSpeakingIsLeftBehind) {
  SoundTestEnv env;
  PrivateSpeechd daemon;
  ASSERT_TRUE(daemon.Ready());
  ASSERT_TRUE(EngineStart(1, 0, 0, "", 54));
  EngineSpeak(LongText());
  daemon.Kill();
  ASSERT_TRUE(Within(3000, [] { return !EngineBusy(false); }));
  EngineSpeak("Ol\xE1.");  // refused: one beep, and the program goes on
  EXPECT_EQ(WaveCapture().blocks.size(), 1u);
  EngineFinish();
  alarm(0);
}

// A daemon that takes the connection and never answers (one whose sound never
// came up stays so): the start gives up and the translator speaks.
TEST(SpeechdHungTest, ADaemonThatNeverAnswersIsNoEngine) {
  alarm(30);  // a wait without end fails here, not at the suite's limit
  TempDir dir;
  std::string path = dir.path() + "/mute.sock";
  int listener = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 4), 0);
  ScopedEnv env("SPEECHD_ADDRESS", "unix_socket:" + path);
  EXPECT_FALSE(EngineStart(1, 0, 0, "", 54));
  close(listener);
  alarm(0);
}

TEST(SpeechdHungTest, ADaemonThatStopsAnsweringWhileSpeakingIsLeftBehind) {
  SoundTestEnv env;
  PrivateSpeechd daemon;
  ASSERT_TRUE(daemon.Ready());
  ASSERT_TRUE(EngineStart(1, 0, 0, "", 54));
  EngineSpeak(LongText());
  daemon.Freeze();
  alarm(30);
  EngineStop();
  EXPECT_FALSE(EngineBusy(false));
  EngineSpeak("Ol\xE1.");  // refused: one beep, and the program goes on
  EXPECT_EQ(WaveCapture().blocks.size(), 1u);
  EngineFinish();
  alarm(0);
}
