#include "app/pipe.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/clock.h"
#include "platform/paths.h"

extern char** environ;

namespace {
constexpr size_t kReadMax = 65535;
// What one run may write (output and error together) before it is ended:
// far beyond any real answer, small enough that no child can fill memory.
constexpr size_t kOutputCap = kCommandOutputCap;
// How long a run that was never ended (the profile addition) may still take
// before the next command starts; it is left running, not killed, after that.
constexpr int kUnendedRunLimitMs = 5000;

struct Run {
  pid_t pid = -1;
  int inWrite = -1;  // the child's standard input; never written
  int outRead = -1;
  int errRead = -1;
  bool outEof = false, errEof = false;
  bool exited = false;
  size_t taken = 0;     // bytes read over the whole run
  bool capped = false;  // the cap was reached and the child ended
  std::string out, err;  // drained but not yet collected
};

Run gRun;
std::vector<pid_t> gLeftRunning;  // children of runs let go, reaped when done

void CloseFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

void ReapLeftRunning() {
  for (size_t i = 0; i < gLeftRunning.size();) {
    if (waitpid(gLeftRunning[i], nullptr, WNOHANG) != 0) gLeftRunning.erase(gLeftRunning.begin() + long(i));
    else ++i;
  }
}

// Whether the child has exited. It is left unreaped (a zombie) until the run
// ends, so that its process group's number stays its own until then and
// EndCommand can end what it started without hitting a stranger.
bool Exited(Run& r) {
  if (r.pid < 0 || r.exited) return true;
  siginfo_t info{};
  int rc = waitid(P_PID, static_cast<id_t>(r.pid), &info, WEXITED | WNOHANG | WNOWAIT);
  if ((rc == 0 && info.si_pid == r.pid) || (rc != 0 && errno == ECHILD)) r.exited = true;
  return r.exited;
}

// The run's child and what it started: ended as a whole. The number is kept
// for a fatal signal, which ends the group too.
volatile sig_atomic_t gRunningGroup = 0;

void EndGroup(Run& r) {
  if (r.pid > 0) kill(-r.pid, SIGKILL);
}

// Moves what is waiting in one pipe into its buffer; notes the end of data.
// The deadline is checked on every read, so a child that writes without end
// cannot hold the program; at the cap the child is ended and reading stops.
void Drain(Run& r, int fd, bool& eof, std::string& into, int64_t deadline) {
  if (fd < 0 || eof || r.capped) return;
  char buf[4096];
  for (;;) {
    size_t room = kOutputCap - r.taken;
    ssize_t n = read(fd, buf, std::min(sizeof buf, room));
    if (n > 0) {
      into.append(buf, static_cast<size_t>(n));
      r.taken += static_cast<size_t>(n);
      if (r.taken >= kOutputCap) {
        r.capped = true;
        EndGroup(r);
        break;
      }
      if (NowMs() >= deadline) break;
      continue;
    }
    if (n == 0) eof = true;
    break;  // EAGAIN: nothing more now
  }
}

void DrainBoth(Run& r, int64_t deadline) {
  Drain(r, r.outRead, r.outEof, r.out, deadline);
  Drain(r, r.errRead, r.errEof, r.err, deadline);
}

bool Finished(Run& r) {
  bool pipesDone = r.capped || ((r.outRead < 0 || r.outEof) && (r.errRead < 0 || r.errEof));
  return pipesDone && Exited(r);
}

// Drains the run until its child has exited and both pipes ended, or the
// time is up. Returns whether it finished.
bool DrainUntil(Run& r, int64_t deadline) {
  for (;;) {
    DrainBoth(r, deadline);
    if (Finished(r)) return true;
    int64_t left = deadline - NowMs();
    if (left <= 0) return false;
    pollfd fds[2];
    int n = 0;
    if (r.outRead >= 0 && !r.outEof && !r.capped) fds[n++] = {r.outRead, POLLIN, 0};
    if (r.errRead >= 0 && !r.errEof && !r.capped) fds[n++] = {r.errRead, POLLIN, 0};
    // With both pipes at their end only the exit is awaited: look again soon.
    int slice = n == 0 ? 1 : static_cast<int>(left > 1000 ? 1000 : left);
    if (n == 0) usleep(static_cast<useconds_t>(slice) * 1000);
    else poll(fds, static_cast<nfds_t>(n), slice);
  }
}

void CloseRun(Run& r) {
  if (gRunningGroup == r.pid) gRunningGroup = 0;
  CloseFd(r.inWrite);
  CloseFd(r.outRead);
  CloseFd(r.errRead);
  r = Run();  // what was read and not collected is freed with it
}

// Lets a run that nobody ended (the profile addition) finish before the next
// command, so that the connect that follows finds the profile in place.
void LetGo(Run& r) {
  if (r.pid < 0) return;
  DrainUntil(r, NowMs() + kUnendedRunLimitMs);
  if (Exited(r)) waitpid(r.pid, nullptr, WNOHANG);
  else gLeftRunning.push_back(r.pid);
  CloseRun(r);
}

constexpr int kFatalSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL};
struct sigaction gPrevious[NSIG];

// A fatal signal ends the running child's group, which lives in a group of
// its own and would not get the signal, then goes on as it would have.
void EndGroupOnSignal(int sig, siginfo_t* info, void* context) {
  pid_t group = gRunningGroup;
  if (group > 0) kill(-group, SIGKILL);
  const struct sigaction& prev = gPrevious[sig];
  if (prev.sa_flags & SA_SIGINFO) {
    prev.sa_sigaction(sig, info, context);
  } else if (prev.sa_handler != SIG_DFL && prev.sa_handler != SIG_IGN) {
    prev.sa_handler(sig);
  } else {
    signal(sig, SIG_DFL);
    raise(sig);  // delivered once this handler returns
  }
}

// Put in front of whatever handles each fatal signal now (a window backend
// may install its own later or earlier); an ignored signal stays ignored.
void WatchFatalSignals() {
  for (int sig : kFatalSignals) {
    struct sigaction now {};
    if (sigaction(sig, nullptr, &now) != 0) continue;
    if ((now.sa_flags & SA_SIGINFO) && now.sa_sigaction == EndGroupOnSignal) continue;
    if (!(now.sa_flags & SA_SIGINFO) && now.sa_handler == SIG_IGN) continue;
    gPrevious[sig] = now;
    struct sigaction mine {};
    mine.sa_sigaction = EndGroupOnSignal;
    mine.sa_flags = SA_SIGINFO | SA_RESTART;
    sigemptyset(&mine.sa_mask);
    sigaction(sig, &mine, nullptr);
  }
}

// The platform's command-line rules: blanks separate words, double quotes
// group, 2n backslashes before a quote give n and the quote groups, 2n+1
// give n and a literal quote; other backslashes are plain. Line ends never
// reach the program.
std::vector<std::string> SplitWords(std::string_view line) {
  std::vector<std::string> words;
  std::string cur;
  bool inQuotes = false, have = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == '\r' || c == '\n') continue;
    if (c == '\\') {
      size_t n = 0;
      while (i < line.size() && line[i] == '\\') ++n, ++i;
      if (i < line.size() && line[i] == '"') {
        cur.append(n / 2, '\\');
        if (n % 2) cur += '"';
        else inQuotes = !inQuotes;
      } else {
        cur.append(n, '\\');
        --i;
      }
      have = true;
    } else if (c == '"') {
      inQuotes = !inQuotes;
      have = true;
    } else if ((c == ' ' || c == '\t') && !inQuotes) {
      if (have) words.push_back(cur);
      cur.clear();
      have = false;
    } else {
      cur += c;
      have = true;
    }
  }
  if (have) words.push_back(cur);
  return words;
}

bool Executable(const std::string& p) {
  struct stat st;
  return stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(p.c_str(), X_OK) == 0;
}

// The program's own helpers come first, so its netsh stand-in wins over any
// netsh on the user's PATH.
std::string FindProgram(const std::string& name) {
  if (name.find('/') != std::string::npos) return name;
  std::string helpers = HelperDirectory();
  if (Executable(helpers + "/" + name)) return helpers + "/" + name;
  const char* path = std::getenv("PATH");
  std::string_view rest = path ? path : "/usr/local/bin:/usr/bin:/bin";
  while (!rest.empty()) {
    size_t colon = rest.find(':');
    std::string dir(colon == 0 ? std::string_view(".") : rest.substr(0, colon));
    if (Executable(dir + "/" + name)) return dir + "/" + name;
    if (colon == std::string_view::npos) break;
    rest.remove_prefix(colon + 1);
  }
  return "";
}
}  // namespace

std::string QuoteArgument(std::string_view text) {
  std::string out;
  size_t backslashes = 0;
  for (char c : text) {
    if (c == '\\') {
      ++backslashes;
    } else if (c == '"') {
      out.append(backslashes + 1, '\\');  // the ones before it doubled, and its own
      backslashes = 0;
    } else {
      backslashes = 0;
    }
    out += c;
  }
  out.append(backslashes, '\\');  // before the closing quote
  return out;
}

std::string SplitCommandLineForTest(std::string_view commandLine) {
  std::string joined;
  for (const std::string& w : SplitWords(commandLine)) joined += "[" + w + "]";
  return joined;
}

bool StartCommand(std::string_view commandLine) {
  LetGo(gRun);
  ReapLeftRunning();
  std::string_view line = commandLine;
  if (line.size() >= 7 && (line.substr(0, 7) == "cmd /c " || line.substr(0, 7) == "CMD /C ")) line.remove_prefix(7);
  std::vector<std::string> words = SplitWords(line);
  if (words.empty()) return false;
  std::string program = FindProgram(words[0]);
  if (program.empty()) return false;

  int in[2], out[2], err[2];
  if (pipe2(in, O_CLOEXEC) != 0) return false;
  if (pipe2(out, O_CLOEXEC) != 0) {
    close(in[0]), close(in[1]);
    return false;
  }
  if (pipe2(err, O_CLOEXEC) != 0) {
    close(in[0]), close(in[1]), close(out[0]), close(out[1]);
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  // Nothing else of the program's (a wake pipe, a sound or speech socket)
  // reaches the child, whoever opened it without close-on-exec.
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);
  posix_spawnattr_setpgroup(&attr, 0);  // its own group: ended as a whole
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attr, &none);

  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  WatchFatalSignals();
  pid_t pid = -1;
  int rc = posix_spawn(&pid, program.c_str(), &actions, &attr, argv.data(), environ);
  if (rc == 0) gRunningGroup = pid;
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  // The child holds its own ends; ours are closed so that the end of its
  // output is seen as soon as it has exited.
  close(in[0]);
  close(out[1]);
  close(err[1]);
  if (rc != 0) {
    close(in[1]), close(out[0]), close(err[0]);
    return false;
  }
  fcntl(out[0], F_SETFL, O_NONBLOCK);
  fcntl(err[0], F_SETFL, O_NONBLOCK);
  gRun.pid = pid;
  gRun.inWrite = in[1];
  gRun.outRead = out[0];
  gRun.errRead = err[0];
  return true;
}

bool WaitCommand(int ms) {
  if (gRun.pid < 0) {
    SleepMs(ms);  // nothing to wait for: the caller's fixed wait as it stands
    return true;
  }
  return DrainUntil(gRun, NowMs() + ms);
}

std::string ReadPipe(int fd) {
  if (fd < 0) return std::string();
  int avail = 0;
  if (ioctl(fd, FIONREAD, &avail) != 0 || avail <= 0) return std::string();
  char buf[kReadMax + 1];
  ssize_t n = read(fd, buf, kReadMax);
  if (n <= 0) return std::string();
  buf[n] = '\0';
  return std::string(buf);  // up to the first zero byte
}

namespace {
// Everything drained so far and whatever is waiting now, cut at its first zero byte.
std::string TakeCollected(std::string& drained, int fd, bool& eof) {
  // What is waiting now: the cap bounds it, no deadline is needed.
  Drain(gRun, fd, eof, drained, INT64_MAX);
  std::string all;
  all.swap(drained);
  size_t zero = all.find('\0');
  if (zero != std::string::npos) all.resize(zero);
  return all;
}
}  // namespace

std::string ReadCommandOutput() {
  std::string out = TakeCollected(gRun.out, gRun.outRead, gRun.outEof);
  std::string err = TakeCollected(gRun.err, gRun.errRead, gRun.errEof);
  std::string result = out.empty() ? err : out + "\r\n" + err;
  if (!result.empty()) result += "\r\n";
  return result;
}

void EndCommand() {
  if (gRun.pid > 0) {
    // The whole group: the child and anything it started and left behind.
    EndGroup(gRun);
    waitpid(gRun.pid, nullptr, 0);
  }
  CloseRun(gRun);
}

std::string RunQuery(std::string_view commandLine) {
  StartCommand(commandLine);
  WaitCommand(5000);
  std::string text = ReadCommandOutput();
  EndCommand();
  return text;
}
