// The SAPI 5.4 engine through the real libspeechd, talking to a private
// speech-dispatcher daemon that the test starts: its own socket and
// configuration, the espeak-ng output module, and an ALSA null device in the
// daemon's HOME so that no sound card is needed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/clock.h"
#include "platform/messages.h"
#include "platform/spvoice.h"
#include "platform/waveout_capture.h"
#include "speech/dispatch.h"
#include "tests/support/soundtest.h"
#include "tests/support/testenv.h"

namespace {
template <typename F>
bool Within(int64_t ms, F done) {
  int64_t end = NowMs() + ms;
  while (!done()) {
    if (NowMs() > end) return false;
    if (WaitMessageFor(20)) DispatchMessages();
  }
  return true;
}

class PrivateDaemon {
 public:
  PrivateDaemon() {
    dir_.Write("conf/speechd.conf",
               "LogLevel 1\nLogDir \"" + dir_.path() + "/log\"\nAudioOutputMethod \"alsa\"\n"
               "AddModule \"espeak-ng\" \"sd_espeak-ng\" \"espeak-ng.conf\"\nDefaultModule espeak-ng\n"
               "DefaultLanguage \"pt-BR\"\n");
    dir_.Write("conf/modules/espeak-ng.conf", "");
    dir_.Write("home/.asoundrc", "pcm.!default { type null }\nctl.!default { type hw card 0 }\n");
    dir_.Write("log/.keep", "");
    socket_ = dir_.path() + "/speechd.sock";
    pid_ = fork();
    if (pid_ == 0) {
      std::string out = dir_.path() + "/log/daemon.out";
      std::freopen(out.c_str(), "w", stdout);
      std::freopen(out.c_str(), "w", stderr);
      setenv("HOME", (dir_.path() + "/home").c_str(), 1);
      setenv("XDG_RUNTIME_DIR", dir_.path().c_str(), 1);
      execlp("speech-dispatcher", "speech-dispatcher", "-s", "-t", "0", "-c", "unix_socket", "-S", socket_.c_str(),
             "-C", (dir_.path() + "/conf").c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    address_ = std::make_unique<ScopedEnv>("SPEECHD_ADDRESS", "unix_socket:" + socket_);
  }
  ~PrivateDaemon() { Kill(); }
  // The daemon makes its socket once its output module is up.
  bool Ready() {
    int64_t end = NowMs() + 20000;
    while (access(socket_.c_str(), F_OK) != 0)
      if (NowMs() > end) return false;
      else SleepMs(50);
    return true;
  }
  void Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  TempDir dir_;
  std::string socket_;
  pid_t pid_ = -1;
  std::unique_ptr<ScopedEnv> address_;
};

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
  PrivateDaemon daemon;
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
  PrivateDaemon daemon;
  ASSERT_TRUE(daemon.Ready());
  ASSERT_TRUE(EngineStart(1, 0, 0, "", 54));
  EngineSpeak(LongText());
  daemon.Kill();
  ASSERT_TRUE(Within(3000, [] { return !EngineBusy(false); }));
  EngineSpeak("Ol\xE1.");  // refused: one beep, and the program goes on
  EXPECT_EQ(WaveCapture().blocks.size(), 1u);
  EngineFinish();
}
