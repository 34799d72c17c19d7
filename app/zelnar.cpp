#include "app/zelnar.h"

#include <string>

#include "app/connect.h"
#include "app/messages.h"
#include "app/networks.h"
#include "app/settings.h"
#include "console/console.h"
#include "console/menu.h"
#include "console/picture.h"
#include "platform/clock.h"
#include "speech/speak.h"
#include "speech/sounds.h"
#include "speech/speech.h"

namespace {
std::string gSoundDirectory;
}

void ShowSplash() {
  ClearScreen();
  RemovePicture();
  LoadPicture(gSoundDirectory + "\\" + "BRENIQ.BMP");  // a missing picture shows nothing
  ShowPicture(650, 10);
  SetBackground(1);
  WriteLn("Zelnar - Gerenciador de redes Wi-Fi");
  RestoreColours();
  MoveCursor(6, 3);
  // Short lines: the picture stands to their right.
  WriteLn("Setas para ouvir, Enter escolhe");
  MoveCursor(6, 4);
  WriteLn("Equipe Zelnar, 2026");
  MoveCursor(4, 8);
}

void EndProgram() {
  SayMessage("ZLFIM");
  SleepMs(300);
  FinishSpeech();
  DoneConsole();
}

void MainPass() {
  ShowSplash();
  SayMessage("ZLLISTA");
  ScanNetworks();
  int n = 0;
  if (!WirelessUnavailable()) {  // the scan has said why there is no menu
    n = RunMenu();
    SpeakWriteLn("Saiu");
  }
  if (n != 0) {
    PlayNamedSound("menu_selected");
    const std::vector<std::string>& list = NetworkList();
    // The menu holds exactly the scanned networks; a number beyond them
    // would be a menu fault, and connects nothing.
    if (n >= 1 && static_cast<size_t>(n) <= list.size()) ConnectNetwork(list[static_cast<size_t>(n) - 1]);
    ScanNetworks();
    return;
  }
  SayMessage("ZLCONFIM");
  unsigned char key = ReadKeySpoken();
  if (key >= 'a' && key <= 'z') key = static_cast<unsigned char>(key - 32);
  if (key == 'S') EndProgram();
}

void RunZelnar() {
  gSoundDirectory = ReadSetting("ZELNAR", "DIRZELNAR");
  if (gSoundDirectory.empty()) gSoundDirectory = "C:\\kelmar\\som\\zelnar";
  StartSpeech(0, gSoundDirectory);
  ClearScreen();
  ConsoleTitle("Zelnar");
  SayMessage("ZLINIC");
  ShowSplash();
  for (;;) MainPass();
}
