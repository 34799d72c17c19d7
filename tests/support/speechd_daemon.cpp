#include "tests/support/speechd_daemon.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/clock.h"

PrivateSpeechd::PrivateSpeechd() {
  dir_.Write("conf/speechd.conf",
             "LogLevel 1\nLogDir \"" + dir_.path() + "/log\"\nAudioOutputMethod \"alsa\"\n"
             "AddModule \"espeak-ng\" \"sd_espeak-ng\" \"espeak-ng.conf\"\nDefaultModule espeak-ng\n"
             "DefaultLanguage \"pt-BR\"\n");
  dir_.Write("conf/modules/espeak-ng.conf", "");
  dir_.Write("home/.asoundrc", "pcm.!default { type null }\nctl.!default { type hw card 0 }\n");
  dir_.Write("log/.keep", "");
  socket_ = dir_.path() + "/speechd.sock";
  std::string out = dir_.path() + "/log/daemon.out";
  std::string home = dir_.path() + "/home";
  std::string conf = dir_.path() + "/conf";
  pid_ = fork();
  if (pid_ == 0) {
    std::freopen(out.c_str(), "w", stdout);
    std::freopen(out.c_str(), "w", stderr);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", dir_.path().c_str(), 1);
    execlp("speech-dispatcher", "speech-dispatcher", "-s", "-t", "0", "-c", "unix_socket", "-S", socket_.c_str(),
           "-C", conf.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  address_ = std::make_unique<ScopedEnv>("SPEECHD_ADDRESS", "unix_socket:" + socket_);
}

PrivateSpeechd::~PrivateSpeechd() { Kill(); }

bool PrivateSpeechd::Ready() {
  int64_t end = NowMs() + 20000;
  while (access(socket_.c_str(), F_OK) != 0) {
    if (NowMs() > end || pid_ <= 0 || waitpid(pid_, nullptr, WNOHANG) == pid_) return false;
    SleepMs(50);
  }
  return true;
}

void PrivateSpeechd::Freeze() {
  if (pid_ > 0) kill(pid_, SIGSTOP);
}

void PrivateSpeechd::Kill() {
  if (pid_ <= 0) return;
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}
