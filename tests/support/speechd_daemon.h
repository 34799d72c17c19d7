// A private speech-dispatcher daemon for tests and benchmarks: its own
// socket and configuration in a temporary folder, the espeak-ng output
// module, and an ALSA null device in the daemon's HOME, so that no sound card
// is needed. SPEECHD_ADDRESS names it while the object lives.
#pragma once
#include <sys/types.h>

#include <memory>
#include <string>

#include "tests/support/testenv.h"

class PrivateSpeechd {
 public:
  PrivateSpeechd();
  ~PrivateSpeechd();
  PrivateSpeechd(const PrivateSpeechd&) = delete;
  PrivateSpeechd& operator=(const PrivateSpeechd&) = delete;
  // Waits at most 20 seconds for the daemon's socket, which it makes once its
  // output module is up.
  bool Ready();
  void Kill();
  // Stops the daemon where it stands: it keeps its socket and answers nothing.
  void Freeze();

 private:
  TempDir dir_;
  std::string socket_;
  pid_t pid_ = -1;
  std::unique_ptr<ScopedEnv> address_;
};
