// Runs build/netsh as a child process, the way the program does: argument
// words handed over directly, standard output and error captured whole.
#pragma once
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>
#include <vector>

extern char** environ;

struct NetshResult {
  std::string out;
  std::string err;
  int status = -1;
};

// env: NAME=value entries that replace or add to the test's environment.
inline NetshResult RunNetsh(const std::vector<std::string>& args, const std::vector<std::string>& env) {
  std::string exe = std::string(ZELNAR_BUILD_DIR) + "/netsh";
  std::vector<std::string> store;
  for (char** e = environ; *e; ++e) {
    std::string entry = *e;
    bool replaced = false;
    for (const std::string& x : env)
      if (entry.compare(0, x.find('=') + 1, x, 0, x.find('=') + 1) == 0) replaced = true;
    if (!replaced) store.push_back(entry);
  }
  store.insert(store.end(), env.begin(), env.end());
  std::vector<std::string> argv_store = {"netsh"};
  argv_store.insert(argv_store.end(), args.begin(), args.end());
  std::vector<char*> envp, argv;
  for (std::string& s : store) envp.push_back(s.data());
  envp.push_back(nullptr);
  for (std::string& s : argv_store) argv.push_back(s.data());
  argv.push_back(nullptr);
  int out[2], err[2];
  NetshResult r;
  if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return r;
  pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], 1);
    dup2(err[1], 2);
    int devnull = open("/dev/null", O_RDONLY);
    dup2(devnull, 0);
    execve(exe.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  close(out[1]);
  close(err[1]);
  bool out_open = true, err_open = true;
  while (out_open || err_open) {
    pollfd fds[2] = {{out_open ? out[0] : -1, POLLIN, 0}, {err_open ? err[0] : -1, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    char buf[65536];
    for (int i = 0; i < 2; ++i) {
      if (!fds[i].revents) continue;
      ssize_t n = read(i == 0 ? out[0] : err[0], buf, sizeof buf);
      if (n > 0) (i == 0 ? r.out : r.err).append(buf, n);
      else (i == 0 ? out_open : err_open) = false;
    }
  }
  close(out[0]);
  close(err[0]);
  int ws = 0;
  while (waitpid(pid, &ws, 0) < 0 && errno == EINTR) {
  }
  r.status = WIFEXITED(ws) ? WEXITSTATUS(ws) : -1;
  return r;
}

// The text of a WLAN profile file as the program writes it, with the SSID in
// hex (exact bytes) and the name elements escaped.
inline std::string XmlEscape(const std::string& s) {
  std::string esc;
  for (char c : s) {
    if (c == '&') esc += "&amp;";
    else if (c == '<') esc += "&lt;";
    else if (c == '>') esc += "&gt;";
    else if (c == '"') esc += "&quot;";
    else esc += c;
  }
  return esc;
}

inline std::string ProfileXml(const std::string& ssid, const std::string& key, bool open = false) {
  static const char* digits = "0123456789ABCDEF";
  std::string hex, esc = XmlEscape(ssid);
  for (unsigned char c : ssid) {
    hex += digits[c >> 4];
    hex += digits[c & 15];
  }
  std::string t = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n";
  t += "<WLANProfile xmlns=\"http://www.microsoft.com/networking/WLAN/profile/v1\">\r\n";
  t += "        <name>" + esc + "\r\n</name>\r\n";
  t += "        <SSIDConfig>\r\n                <SSID>\r\n";
  t += "                        <hex>" + hex + "</hex>\r\n";
  t += "                        <name>" + esc + "\r\n</name>\r\n";
  t += "                </SSID>\r\n        </SSIDConfig>\r\n";
  t += "        <connectionType>ESS</connectionType>\r\n        <connectionMode>auto</connectionMode>\r\n";
  t += "        <MSM>\r\n                <security>\r\n                        <authEncryption>\r\n";
  t += std::string(" <authentication>") + (open ? "open" : "WPA2PSK") + "</authentication>\r\n";
  t += std::string(" <encryption>") + (open ? "none" : "AES") + "</encryption>\r\n";
  t += "                                <useOneX>false</useOneX>\r\n                        </authEncryption>\r\n";
  if (!open) {
    t += "                        <sharedKey>\r\n<keyType>passPhrase</keyType>\r\n <protected>false</protected>\r\n";
    t += "<keyMaterial>" + XmlEscape(key) + "</keyMaterial>\r\n                        </sharedKey>\r\n";
  }
  t += "                </security>\r\n        </MSM>\r\n</WLANProfile>\r\n";
  return t;
}
