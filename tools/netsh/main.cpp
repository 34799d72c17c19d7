// netsh stand-in: answers the "netsh wlan" commands the program runs, in
// Portuguese and Latin-1, from a simulated radio (ZELNAR_WIFI=sim:SCENARIO)
// or from NetworkManager (ZELNAR_WIFI=nm, the default).
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/netsh/nm.h"
#include "tools/netsh/sim.h"

namespace {
void WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += n;
  }
}
}  // namespace

int main(int argc, char** argv) {
  signal(SIGPIPE, SIG_IGN);
  std::vector<std::string> args(argv + 1, argv + argc);
  const char* env = std::getenv("ZELNAR_WIFI");
  std::string backend = env ? env : "";
  Answer a;
  if (backend.rfind("sim:", 0) == 0) {
    a = RunSim(backend.substr(4), args);
  } else if (backend.empty() || backend == "nm") {
    a = RunNm(args);
  } else {
    a = {"", "netsh: ZELNAR_WIFI deve ser nm ou sim:CENARIO\r\n", 2};
  }
  WriteAll(1, a.out);
  WriteAll(2, a.err);
  return a.status;
}
