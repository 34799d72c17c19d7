// Small helpers of the netsh stand-in: hex, text encodings, child programs.
#pragma once
#include <string>
#include <string_view>
#include <vector>

int HexDigit(char c);
std::string ToHex(std::string_view bytes);  // two upper-case digits a byte
bool FromHex(std::string_view hex, std::string* out);
bool IsValidUtf8(std::string_view s);
// Text from a file or another program that may be UTF-8 or Latin-1: valid
// UTF-8 is converted to Latin-1 ('?' for what Latin-1 cannot hold), anything
// else is taken as Latin-1 bytes already.
std::string Latin1FromFileText(std::string_view s);

// The full path of an executable found on PATH, or empty.
std::string FindOnPath(const std::string& name);

struct RunResult {
  bool started = false;
  int status = -1;  // exit status; -1 when killed or not started
  bool timed_out = false;
  std::string out;
  std::string err;
};
// Runs argv directly (no shell), feeding `input` on its standard input, with
// extra environment entries ("NAME=value") added to ours; a child still
// running after timeout_ms is killed.
RunResult RunProgram(const std::vector<std::string>& argv, const std::string& input = "",
                     const std::vector<std::string>& extra_env = {}, int timeout_ms = 30000);

void SleepMs(int ms);

// Writes text to a new file beside path (mode 0600) and renames it over
// path, so that a reader sees the old file or the new one, never half of
// either. False with errno set when it failed.
bool ReplaceFile(const std::string& path, const std::string& text);
