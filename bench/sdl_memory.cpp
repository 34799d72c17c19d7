// Resident memory of the program in its desktop window, idle in the network
// menu: build/zelnar against the practice networks on an X display (a
// private Xvfb when there is none), silent sound, read from /proc when its
// CPU time has stopped moving. The target is at most 40 MB.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv) {
  std::vector<std::string> env = extraEnv;
  for (char** e = environ; *e; ++e) env.push_back(*e);  // the extra ones come first and win
  std::vector<char*> argv, envp;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  argv.push_back(nullptr);
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

void End(pid_t pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  for (int i = 0; i < 100; ++i) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return;
    usleep(50000);
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

// User and system CPU ticks of a process; -1 when it is gone.
long long CpuTicks(pid_t pid) {
  std::ifstream f("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(f, line)) return -1;
  std::istringstream rest(line.substr(line.rfind(')') + 2));
  std::string field;
  long long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && rest >> field; ++i) {
    if (i == 14) utime = std::atoll(field.c_str());
    if (i == 15) stime = std::atoll(field.c_str());
  }
  return utime + stime;
}

// A line of /proc/PID/status in kB ("VmRSS", "VmHWM").
long StatusKb(pid_t pid, const std::string& key) {
  std::ifstream f("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(f, line))
    if (line.rfind(key + ":", 0) == 0) return std::atol(line.c_str() + key.size() + 1);
  return -1;
}

void BM_SdlWindowIdleInTheMenu(benchmark::State& state) {
  pid_t xvfb = -1;
  std::string display;
  if (const char* d = std::getenv("DISPLAY"); d && *d) {
    display = d;
  } else {
    display = ":" + std::to_string(90 + getpid() % 100);
    xvfb = Spawn({"/usr/bin/Xvfb", display, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"}, {});
    std::string socket = "/tmp/.X11-unix/X" + display.substr(1);
    struct stat st;
    for (int i = 0; i < 100 && stat(socket.c_str(), &st) != 0; ++i) usleep(50000);
  }
  char dir[] = "/tmp/zelnar-memory-XXXXXX";
  if (!mkdtemp(dir)) std::abort();
  for (auto _ : state) {
    pid_t zelnar = Spawn({ZELNAR_BUILD_DIR "/zelnar"},
                         {"DISPLAY=" + display, "ZELNAR_VIDEO=sdl", "ZELNAR_AUDIO=null", "ZELNAR_TIME_SCALE=0.1",
                          "ZELNAR_WIFI=sim:" ZELNAR_SOURCE_DIR "/tools/netsh/demo.scenario",
                          "ZELNAR_WIFI_STATE=" + std::string(dir) + "/wifi.state"});
    // Idle: no CPU time spent for a whole second, after the greeting.
    usleep(2000000);
    long long last = CpuTicks(zelnar);
    int still = 0;
    for (int i = 0; i < 120 && still < 4 && last >= 0; ++i) {
      usleep(250000);
      long long now = CpuTicks(zelnar);
      still = now == last ? still + 1 : 0;
      last = now;
    }
    const long rss = StatusKb(zelnar, "VmRSS"), peak = StatusKb(zelnar, "VmHWM");
    End(zelnar);
    if (still < 4 || rss <= 0) {
      state.SkipWithError("the program did not come to rest in the menu");
      break;
    }
    state.counters["idle_rss_MB"] = double(rss) / 1024.0;
    state.counters["peak_rss_MB"] = double(peak) / 1024.0;
  }
  std::remove((std::string(dir) + "/wifi.state").c_str());
  rmdir(dir);
  End(xvfb);
}
BENCHMARK(BM_SdlWindowIdleInTheMenu)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
