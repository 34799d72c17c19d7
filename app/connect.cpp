// Interim connection step: reports success until the command runner lands.
#include "app/connect.h"

#include "app/messages.h"
#include "speech/speak.h"

void ConnectNetwork(std::string_view rawName) {
  SayMessage("ZLSOLCON");
  SpeakWriteLn(rawName);
  SayMessage("ZLSUCESS");
}
bool AddProfile(std::string_view) { return false; }
