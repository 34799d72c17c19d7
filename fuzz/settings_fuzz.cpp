// The settings readers: the general one (ReadSetting, with its "@" notation
// and its search for the file), the bare-name profile reader and the
// console's video settings, all over one fuzzed TAVIRO.INI.
#include <cstdint>

#include "app/settings.h"
#include "console/video.h"
#include "fuzz/fuzz.h"
#include "platform/profile.h"
#include "speech/speech.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzQuietProgram();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzWrite("TAVIRO.INI", std::string(reinterpret_cast<const char*>(data), size));
  static const char* const kKeys[][2] = {{"ZELNAR", "DIRZELNAR"},   {"TAVIRO", "PGMTAVIRO"},
                                         {"TRADUTOR", "VELOCIDADE"}, {"SINTETIZADOR", "CORTEFON3"},
                                         {"SERVFALA", "TIPOSAPI"},  {"", "PGMTAVIRO"}};
  for (const auto& k : kKeys) SettingInteger(ReadSetting(k[0], k[1]));
  GetProfileString("TRADUTOR", "DIRLETRAS", "c:\\kelmar\\som\\letras\\", 255, "TAVIRO.INI");
  GetProfileString("TRADUTOR", "dirLetras", "", 80, "TAVIRO.INI");
  ReadVideoSettings(1024, 734);
  ResetVideo();
  return 0;
}
