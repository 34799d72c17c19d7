// Helpers for tests: a private temporary folder and environment overrides.
#pragma once
#include <string>
#include <vector>

// A fresh folder under /tmp, removed with everything in it when it goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  // Writes bytes to path()/name (folders created); returns the full path.
  std::string Write(const std::string& name, const std::string& bytes) const;
 private:
  std::string path_;
};

// Sets an environment variable for the life of the object, then restores it.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
 private:
  std::string name_;
  bool had_;
  std::string old_;
};

std::string ReadFileBytes(const std::string& path);

// What a shell command prints on its standard output (empty when it cannot run).
std::string ShellOutput(const std::string& command);
