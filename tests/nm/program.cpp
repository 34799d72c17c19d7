// The whole program on the headless window with null sound, its netsh over
// the real nmcli against the NetworkManager that tests/nm/nm_test.py starts
// on a private bus; run only by that script.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/window.h"
#include "tests/support/e2e.h"
#include "tests/support/screen.h"

namespace {
// The menu's list starts at column 5, row 10.
void ExpectItem(int row, const std::string& text) { EXPECT_EQ(ScreenRow(row).substr(4, text.size()), text); }

TEST(NetworkManagerProgram, ListsTheNetworksOfNetworkManagerAndEnds) {
  ASSERT_NE(std::getenv("DBUS_SYSTEM_BUS_ADDRESS"), nullptr) << "run by tests/nm/nm_test.py";
  ProgramDriver run("");
  ScopedEnv wifi("ZELNAR_WIFI", "nm");
  run.Then(
         [] {
           ExpectItem(10, "CasaAzul, segura, sinal 80%");
           // The menu shows 40 columns of an item.
           ExpectItem(11, "Caf\xE9 Central, conectado, segura, sinal 7");
           ExpectItem(12, "Biblioteca, sinal 40%");
           // Every hostile byte of the fourth name arrives as a harmless character.
           ExpectItem(13, "???:\\\"$(rm -rf ~)\xFF, segura, sinal 30%");
         },
         PressEscape())
      .Then([] { EXPECT_NE(ScreenText().find("Confirma fim ?"), std::string::npos); }, TypeText("s"));
  EXPECT_EQ(run.Run(), 0);
  EXPECT_EQ(run.StepsDone(), 2);
}
}  // namespace
