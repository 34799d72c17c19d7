// The whole program run in this process for end-to-end tests: the headless
// window, the simulated netsh, null audio and waits scaled to almost nothing.
// A script of steps plays the user: each time the program waits for a key,
// the next step looks at the screen and types its keys.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/testenv.h"

struct Keystroke {
  int key = 0;      // platform key number (platform/window.h)
  int ch = -1;      // the character the key types, -1 for none
  unsigned mods = 0;
};
// Every character of a Latin-1 text, typed.
std::vector<Keystroke> TypeText(const std::string& latin1);
std::vector<Keystroke> Press(int key, unsigned mods = 0);  // a key without a character
std::vector<Keystroke> PressEnter();
std::vector<Keystroke> PressEscape();

class ProgramDriver {
 public:
  // scenario: the simulated radio (netsh scenario text); settings: the text
  // of TAVIRO.INI in the Windows directory.
  ProgramDriver(const std::string& scenario, const std::string& settings = "");
  ~ProgramDriver();
  ProgramDriver(const ProgramDriver&) = delete;
  ProgramDriver& operator=(const ProgramDriver&) = delete;

  // When the program next waits for a key: run `check`, then type `keys`.
  ProgramDriver& Then(std::function<void()> check, std::vector<Keystroke> keys);
  // Runs the program until it ends: its exit code, or -1 when it still waited
  // for a key after the last step.
  int Run();
  // Ends the run from inside a check (Run then gives -1).
  [[noreturn]] static void Stop();
  // Steps that ran.
  int StepsDone() const { return done_; }
  // The sound directory (POSIX path).
  std::string SoundDirectory() const;

  // Whether build/netsh is there (the simulated radio needs it).
  static bool NetshAvailable();

 private:
  struct Step {
    std::function<void()> check;
    std::vector<Keystroke> keys;
  };
  TempDir root_;
  std::vector<std::unique_ptr<ScopedEnv>> env_;
  std::vector<Step> steps_;
  size_t next_ = 0;
  int done_ = 0;
};
