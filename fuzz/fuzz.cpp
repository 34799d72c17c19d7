#include "fuzz/fuzz.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

std::vector<std::string> FuzzParts(const uint8_t* data, size_t size, size_t count) {
  static const std::string kMark = "\n#--#\n";
  std::string all(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> parts;
  size_t from = 0;
  for (;;) {
    size_t at = all.find(kMark, from);
    if (at == std::string::npos) break;
    parts.push_back(all.substr(from, at - from));
    from = at + kMark.size();
  }
  parts.push_back(all.substr(from));
  while (parts.size() < count) parts.emplace_back();
  return parts;
}

const std::string& FuzzDir() {
  // Never destroyed, so that the removal at exit can still name it.
  static const std::string* dir = [] {
    char pattern[] = "/tmp/zelnar-fuzz-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (!made) std::abort();
    std::atexit([] { std::error_code ec; std::filesystem::remove_all(FuzzDir(), ec); });
    return new std::string(made);
  }();
  return *dir;
}

std::string FuzzWrite(const std::string& name, const std::string& bytes) {
  std::string path = FuzzDir() + "/" + name;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  return path;
}

