#include "tools/netsh/util.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/latin1.h"

extern char** environ;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string ToHex(std::string_view bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

bool FromHex(std::string_view hex, std::string* out) {
  if (hex.size() % 2 != 0) return false;
  out->clear();
  for (size_t i = 0; i < hex.size(); i += 2) {
    int hi = HexDigit(hex[i]), lo = HexDigit(hex[i + 1]);
    if (hi < 0 || lo < 0) return false;
    *out += static_cast<char>(hi * 16 + lo);
  }
  return true;
}

bool IsValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + len > s.size()) return false;
    if (len == 2 && c < 0xC2) return false;  // overlong
    for (int k = 1; k < len; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += len;
  }
  return true;
}

std::string Latin1FromFileText(std::string_view s) {
  return IsValidUtf8(s) ? Utf8ToLatin1(s) : std::string(s);
}

std::string FindOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string p = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= p.size()) {
    size_t end = p.find(':', start);
    if (end == std::string::npos) end = p.size();
    std::string dir = p.substr(start, end - start);
    std::string full = (dir.empty() ? std::string(".") : dir) + "/" + name;
    struct stat st;
    if (stat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(full.c_str(), X_OK) == 0)
      return full;
    start = end + 1;
  }
  return "";
}

RunResult RunProgram(const std::vector<std::string>& argv, const std::string& input,
                     const std::vector<std::string>& extra_env, int timeout_ms) {
  RunResult r;
  std::string exe = FindOnPath(argv.at(0));
  if (exe.empty()) return r;
  int in[2], out[2], err[2];
  if (pipe2(in, O_CLOEXEC) != 0) return r;
  if (pipe2(out, O_CLOEXEC) != 0) return r;
  if (pipe2(err, O_CLOEXEC) != 0) return r;
  std::vector<std::string> env_store;
  for (char** e = environ; *e; ++e) {
    std::string entry = *e;
    bool replaced = false;
    for (const std::string& x : extra_env)
      if (entry.compare(0, x.find('=') + 1, x, 0, x.find('=') + 1) == 0) replaced = true;
    if (!replaced) env_store.push_back(entry);
  }
  for (const std::string& x : extra_env) env_store.push_back(x);
  std::vector<char*> envp, args;
  for (std::string& e : env_store) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<std::string> argv_copy = argv;
  for (std::string& a : argv_copy) args.push_back(a.data());
  args.push_back(nullptr);
  pid_t pid = fork();
  if (pid < 0) return r;
  if (pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    execve(exe.c_str(), args.data(), envp.data());
    _exit(127);
  }
  r.started = true;
  close(in[0]);
  close(out[1]);
  close(err[1]);
  // The input is small (a few lines); a child that does not read it must not
  // block us, so it is written alongside the reads.
  signal(SIGPIPE, SIG_IGN);
  size_t written = 0;
  int in_fd = in[1];
  if (input.empty()) {
    close(in_fd);
    in_fd = -1;
  }
  bool out_open = true, err_open = true;
  timespec start;
  clock_gettime(CLOCK_MONOTONIC, &start);
  while (out_open || err_open || in_fd >= 0) {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    long long left = timeout_ms - ((now.tv_sec - start.tv_sec) * 1000LL + (now.tv_nsec - start.tv_nsec) / 1000000);
    if (left <= 0) {
      // A child that hangs must not hang us with it.
      kill(pid, SIGKILL);
      r.timed_out = true;
      break;
    }
    pollfd fds[3];
    int n = 0;
    int out_i = -1, err_i = -1, in_i = -1;
    if (out_open) { out_i = n; fds[n++] = {out[0], POLLIN, 0}; }
    if (err_open) { err_i = n; fds[n++] = {err[0], POLLIN, 0}; }
    if (in_fd >= 0) { in_i = n; fds[n++] = {in_fd, POLLOUT, 0}; }
    if (poll(fds, n, static_cast<int>(left)) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    char buf[65536];
    if (out_i >= 0 && fds[out_i].revents) {
      ssize_t got = read(out[0], buf, sizeof buf);
      if (got > 0) r.out.append(buf, got); else out_open = false;
    }
    if (err_i >= 0 && fds[err_i].revents) {
      ssize_t got = read(err[0], buf, sizeof buf);
      if (got > 0) r.err.append(buf, got); else err_open = false;
    }
    if (in_i >= 0 && fds[in_i].revents) {
      ssize_t put = (fds[in_i].revents & POLLOUT) ? write(in_fd, input.data() + written, input.size() - written) : -1;
      if (put > 0) written += put;
      if (put <= 0 || written == input.size()) {
        close(in_fd);
        in_fd = -1;
      }
    }
  }
  if (in_fd >= 0) close(in_fd);
  close(out[0]);
  close(err[0]);
  int wstatus = 0;
  while (waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
  }
  r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
  return r;
}

void SleepMs(int ms) {
  if (ms <= 0) return;
  timespec ts{ms / 1000, (ms % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

bool ReplaceFile(const std::string& path, const std::string& text) {
  std::string tmp = path + ".tmp." + std::to_string(getpid());
  unlink(tmp.c_str());  // a leftover of a process that had our number; never followed
  int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  fchmod(fd, 0600);
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  bool ok = done == text.size() && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (ok && rename(tmp.c_str(), path.c_str()) == 0) return true;
  int saved = errno;
  unlink(tmp.c_str());
  errno = saved;
  return false;
}
