// The diphone database (index and data files) and a recorded character file,
// spoken by the phonetic player. Parts: index, data, phonetic string,
// character file (played for "_A").
#include <sys/stat.h>

#include <cstdint>

#include "fuzz/fuzz.h"
#include "platform/waveout_capture.h"
#include "translator/files.h"
#include "translator/player.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzQuietProgram();
  mkdir((FuzzDir() + "/dif").c_str(), 0700);
  mkdir((FuzzDir() + "/letras").c_str(), 0700);
  FuzzWrite("TAVIRO.INI", "[TRADUTOR]\r\ndirLetras=" + FuzzDir() + "/letras\r\nDIRDIFONES=" + FuzzDir() + "/dif\r\n");
  FuzzWrite("dif/regras.rgr", "");
  FuzzWrite("dif/portug.exc", "");
  SetDatabaseName("VOZ");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> parts = FuzzParts(data, size, 4);
  FuzzWrite("dif/VOZ.IND", parts[0]);
  FuzzWrite("dif/VOZ.DIF", parts[1]);
  FuzzWrite("letras/_65.wav", parts[3]);
  if (StartTranslator() == 0) SpeakPhonetic(parts[2]);
  EndTranslator();
  ClearWaveCaptureLog();
  return 0;
}
