#include "tests/support/xdisplay.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

void PrivateDisplay::SetUp() {
  const char* display = std::getenv("DISPLAY");
  if (display && *display) return;
  int fds[2];
  if (pipe(fds) != 0) return;
  pid_ = fork();
  if (pid_ == 0) {
    close(fds[0]);
    std::string fd = std::to_string(fds[1]);
    // -noreset: the server would tell its number again when the last
    // window closes, and die of the closed pipe.
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-noreset", "-screen", "0", screen_.c_str(), "-nolisten",
           "tcp", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  // The number comes with a line feed, maybe in two writes: reading stops
  // at it, and the pipe stays open so that no write of the server fails.
  std::string number;
  char c;
  while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  pipe_ = fds[0];
  if (!number.empty()) setenv("DISPLAY", (":" + std::to_string(std::atoi(number.c_str()))).c_str(), 1);
}

void PrivateDisplay::TearDown() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
  close(pipe_);
}
