#include "platform/paths.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <vector>

namespace {
std::string gStartup;
bool gStartupTaken = false;

bool IsDir(const std::string& p) {
  struct stat st;
  return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::string& p) {
  struct stat st;
  return stat(p.c_str(), &st) == 0;
}

// Finds an entry of dir whose name equals name without regard to case.
bool MatchCase(const std::string& dir, const std::string& name, std::string& found) {
  DIR* d = opendir(dir.empty() ? "/" : dir.c_str());
  if (!d) return false;
  bool ok = false;
  while (dirent* e = readdir(d)) {
    if (strcasecmp(e->d_name, name.c_str()) == 0) {
      found = e->d_name;
      ok = true;
      break;
    }
  }
  closedir(d);
  return ok;
}

// Walks the components of an absolute or relative POSIX path and replaces
// each one that does not exist by an entry that differs only in case.
std::string FoldCase(const std::string& path) {
  if (path.empty() || Exists(path)) return path;
  std::vector<std::string> parts;
  size_t i = 0;
  bool absolute = path[0] == '/';
  while (i <= path.size()) {
    size_t j = path.find('/', i);
    if (j == std::string::npos) j = path.size();
    if (j > i) parts.push_back(path.substr(i, j - i));
    i = j + 1;
  }
  std::string cur = absolute ? "" : ".";
  std::string out = absolute ? "" : "";
  bool first = true;
  bool lost = false;
  for (const std::string& part : parts) {
    std::string next = part;
    if (!lost && part != "." && part != "..") {
      std::string probe = cur + "/" + part;
      if (!Exists(probe)) {
        std::string found;
        if (MatchCase(cur, part, found)) next = found;
        else lost = true;  // the rest does not exist either: keep it as written
      }
    }
    cur += "/" + next;
    if (first && !absolute) out = next;
    else out += "/" + next;
    first = false;
  }
  return out.empty() ? path : out;
}
}  // namespace

std::string ExecutableDir() {
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  std::string p(buf, static_cast<size_t>(n));
  size_t slash = p.rfind('/');
  return slash == std::string::npos ? "." : p.substr(0, slash);
}

std::string InstallationRoot() {
  std::string exe = ExecutableDir();
  size_t slash = exe.rfind('/');
  if (slash == std::string::npos || exe.compare(slash, std::string::npos, "/bin") != 0) return "";
  std::string root = exe.substr(0, slash);
  return IsDir(root + "/share/zelnar") ? (root.empty() ? "/" : root) : "";
}

std::string HelperDirectory() {
  std::string root = InstallationRoot();
  return root.empty() ? ExecutableDir() : root + "/libexec/zelnar";
}

bool InsideInstallation(std::string_view path) {
  std::string root = InstallationRoot();
  if (root.empty() || path.empty()) return false;
  // The deepest folder of the path that exists, links resolved, so that
  // neither ".." nor a link leads a write back in.
  std::string p(path);
  char real[PATH_MAX];
  while (!p.empty() && !realpath(p.c_str(), real)) {
    size_t slash = p.rfind('/');
    p = slash == std::string::npos || slash == 0 ? std::string(slash == 0 ? "/" : "") : p.substr(0, slash);
    if (p == "/") break;
  }
  if (p.empty() || !realpath(p.c_str(), real)) return false;
  std::string have = real;
  for (const char* own : {"/share/zelnar", "/libexec/zelnar"}) {
    char mine[PATH_MAX];
    if (!realpath((root + own).c_str(), mine)) continue;
    std::string m = mine;
    if (have == m || have.compare(0, m.size() + 1, m + "/") == 0) return true;
  }
  return false;
}

std::string DrivesRoot() {
  const char* env = std::getenv("ZELNAR_DRIVES");
  if (env && *env) return env;
  // The build tree keeps it beside the program (and above its tests and
  // benchmarks); an installation keeps it in its share folder.
  std::string exe = ExecutableDir();
  if (IsDir(exe + "/drives")) return exe + "/drives";
  if (IsDir(exe + "/../drives")) return exe + "/../drives";
  return exe + "/../share/zelnar/drives";
}

std::string ResolvePath(std::string_view path) {
  std::string p(path);
  for (char& c : p)
    if (c == '\\') c = '/';
  std::string out;
  if (p.size() >= 2 && p[1] == ':' && ((p[0] >= 'a' && p[0] <= 'z') || (p[0] >= 'A' && p[0] <= 'Z'))) {
    char drive = static_cast<char>(p[0] | 0x20);
    std::string rest = p.substr(2);
    while (!rest.empty() && rest[0] == '/') rest.erase(0, 1);
    out = DrivesRoot() + "/" + drive + (rest.empty() ? "" : "/" + rest);
  } else if (path.size() >= 1 && path[0] == '\\' && (path.size() < 2 || path[1] != '\\')) {
    out = DrivesRoot() + "/c" + p;
  } else {
    out = p;
  }
  // Doubled separators (a directory setting that ends in a backslash) are harmless here.
  return FoldCase(out);
}

bool FileExists(std::string_view path) { return Exists(ResolvePath(path)); }

std::string WindowsDirectory() {
  const char* env = std::getenv("WINDIR");
  if (env && *env) return ResolvePath(env);
  std::string config;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  if (xdg && *xdg) config = std::string(xdg) + "/taviro";
  else if (home && *home) config = std::string(home) + "/.config/taviro";
  if (!config.empty() && Exists(FoldCase(config + "/TAVIRO.INI"))) return config;
  return ResolvePath("c:\\windows");
}

void TakeStartupDirectory() {
  char buf[PATH_MAX];
  if (getcwd(buf, sizeof buf)) gStartup = buf;
  else gStartup = ".";
  while (gStartup.size() > 1 && gStartup.back() == '/') gStartup.pop_back();
  gStartupTaken = true;
}

std::string StartupDirectory() {
  if (!gStartupTaken) TakeStartupDirectory();
  return gStartup;
}
