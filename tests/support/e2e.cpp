#include "tests/support/e2e.h"

#include <unistd.h>

#include <cstdlib>

#include "app/zelnar.h"
#include "console/console.h"
#include "platform/messages.h"
#include "platform/window.h"
#include "platform/window_headless.h"
#include "speech/speech.h"

namespace {
struct ProgramEnded {
  int code;
};
struct ScriptEnded {};

void EndProgram(int code) { throw ProgramEnded{code}; }
}  // namespace

std::vector<Keystroke> TypeText(const std::string& latin1) {
  std::vector<Keystroke> keys;
  for (unsigned char c : latin1) {
    Keystroke k;
    k.ch = c;
    if (c >= 'a' && c <= 'z') k.key = c - 32;
    else if (c >= 'A' && c <= 'Z') { k.key = c; k.mods = kModShift; }
    else if (c >= '0' && c <= '9') k.key = c;
    else if (c == ' ') k.key = kKeySpace;
    else if (c == 13) k.key = kKeyEnter;
    else if (c == 27) k.key = kKeyEscape;
    else if (c == 8) k.key = kKeyBackspace;
    else k.key = 0xDE;
    keys.push_back(k);
  }
  return keys;
}

std::vector<Keystroke> Press(int key, unsigned mods) { return {Keystroke{key, -1, mods}}; }
std::vector<Keystroke> PressEnter() { return {Keystroke{kKeyEnter, 13, 0}}; }
std::vector<Keystroke> PressEscape() { return {Keystroke{kKeyEscape, 27, 0}}; }

ProgramDriver::ProgramDriver(const std::string& scenario, const std::string& settings) {
  auto set = [&](const char* name, const std::string& value) {
    env_.push_back(std::make_unique<ScopedEnv>(name, value));
  };
  std::string scenarioPath = root_.Write("radio.scenario", scenario);
  // The build's voice installation, so that speech starts as in the program;
  // the test's sections come first (the first section of a name wins), and
  // the sound directory, which receives the profile, is the test's own.
  const std::string build = ZELNAR_BUILD_DIR;
  root_.Write("som/.keep", "");
  root_.Write("windows/TAVIRO.INI", "[ZELNAR]\r\nDIRZELNAR=" + root_.path() + "/som\r\n" + settings + "\r\n" +
                                        ReadFileBytes(build + "/drives/c/windows/TAVIRO.INI"));
  const char* path = std::getenv("PATH");
  set("PATH", build + ":" + (path ? path : "/usr/bin:/bin"));
  set("ZELNAR_DRIVES", build + "/drives");
  set("WINDIR", root_.path() + "/windows");
  set("ZELNAR_WIFI", "sim:" + scenarioPath);
  set("ZELNAR_WIFI_STATE", root_.path() + "/wifi.state");
  set("ZELNAR_AUDIO", "null");
  set("ZELNAR_VIDEO", "headless");
  set("ZELNAR_TIME_SCALE", "0.001");
}

ProgramDriver::~ProgramDriver() {
  SetHeadlessIdleHook(nullptr);
  SetConsoleExitAction(nullptr);
}

ProgramDriver& ProgramDriver::Then(std::function<void()> check, std::vector<Keystroke> keys) {
  steps_.push_back(Step{std::move(check), std::move(keys)});
  return *this;
}

std::string ProgramDriver::SoundDirectory() const { return root_.path() + "/som"; }

void ProgramDriver::Stop() { throw ScriptEnded{}; }

bool ProgramDriver::NetshAvailable() { return access((std::string(ZELNAR_BUILD_DIR) + "/netsh").c_str(), X_OK) == 0; }

int ProgramDriver::Run() {
  ResetMessages();
  ResetConsole();
  SelectWindowBackend("headless");
  SetConsoleExitAction(EndProgram);
  SetHeadlessIdleHook([this] {
    if (!AwaitingKey()) return;  // a speech wait: the program goes on by itself
    if (next_ >= steps_.size()) throw ScriptEnded{};
    Step& step = steps_[next_++];
    if (step.check) step.check();
    ++done_;
    for (const Keystroke& k : step.keys) InjectKeyPress(k.key, k.ch, k.mods);
  });
  int code = -1;
  try {
    InitSpeechModule();
    RunZelnar();
  } catch (const ProgramEnded& e) {
    code = e.code;
  } catch (const ScriptEnded&) {
    code = -1;
  }
  SetHeadlessIdleHook(nullptr);
  SetConsoleExitAction(nullptr);
  return code;
}
