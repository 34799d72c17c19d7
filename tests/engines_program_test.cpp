// The whole program with each engine chosen in TAVIRO.INI: the main cycle
// is spoken by the engine, a key cuts it, ESC and "s" end it.
#include <gtest/gtest.h>

#include <string>

#include "console/console.h"
#include "platform/window.h"
#include "speech/speech.h"
#include "tests/support/e2e.h"
#include "tests/support/screen.h"
#include "tests/support/speechd_daemon.h"

namespace {
const char* kRadio =
    "interface Wi-Fi\n"
    "network \"CasaAzul\" WPA2-Personal CCMP key=azul2024casa\n"
    "ap 00:11:22:33:44:55 88 802.11n 6\n"
    "network \"Padaria\" WPA2-Personal CCMP key=paoquente77\n"
    "ap 18:0f:76:5e:01:9a 54 802.11n 11\n";

bool OnScreen(const std::string& part) { return ScreenText().find(part) != std::string::npos; }

// Two passes of the menu spoken by the engine, the second left with ESC and "s".
int RunWithEngine(int code) {
  std::string settings = "[TRADUTOR]\r\nSAPI=S\r\n[SERVFALA]\r\nVOZ=1\r\nTIPOSAPI=" + std::to_string(code) + "\r\n";
  ProgramDriver run(kRadio, settings);
  run.Then(
         [code] {
           EXPECT_TRUE(EngineActive());
           EXPECT_EQ(EngineSettings().type, code);
           EXPECT_TRUE(OnScreen("CasaAzul, segura, sinal 88%"));
         },
         Press(kKeyDown))
      .Then([] { EXPECT_TRUE(OnScreen("Padaria")); }, PressEscape())
      .Then([] { EXPECT_TRUE(OnScreen("Confirma fim ?")); }, TypeText("s"));
  int exit = run.Run();
  EXPECT_EQ(run.StepsDone(), 3);
  return exit;
}
}  // namespace

TEST(EnginesInTheProgram, Sapi4) {
  if (!ProgramDriver::NetshAvailable()) GTEST_SKIP() << "build/netsh is not built";
  EXPECT_EQ(RunWithEngine(4), 0);
}

TEST(EnginesInTheProgram, Sapi5) {
  if (!ProgramDriver::NetshAvailable()) GTEST_SKIP() << "build/netsh is not built";
  EXPECT_EQ(RunWithEngine(5), 0);
}

TEST(EnginesInTheProgram, Sapi54) {
  if (!ProgramDriver::NetshAvailable()) GTEST_SKIP() << "build/netsh is not built";
  PrivateSpeechd daemon;
  ASSERT_TRUE(daemon.Ready());
  EXPECT_EQ(RunWithEngine(54), 0);
}

TEST(EnginesInTheProgram, Synthesizer) {
  if (!ProgramDriver::NetshAvailable()) GTEST_SKIP() << "build/netsh is not built";
  EXPECT_EQ(RunWithEngine(3), 0);
}
