// Text to phonetic alone, with the project's own rules and exceptions.
#include <cstdint>
#include <cstdlib>

#include "fuzz/fuzz.h"
#include "translator/files.h"
#include "translator/phonetic.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (!LoadTranslatorRules(ZELNAR_SOURCE_DIR "/voice/regras.rgr")) std::abort();
  if (!LoadTranslatorExceptions(ZELNAR_SOURCE_DIR "/voice/portug.exc")) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TextToPhonetic(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
