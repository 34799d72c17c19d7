// The translator's rules and exceptions loaders, then text to phonetic with
// what they loaded. Parts: rules file, exceptions file, text.
#include <cstdint>

#include "fuzz/fuzz.h"
#include "translator/files.h"
#include "translator/phonetic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> parts = FuzzParts(data, size, 3);
  LoadTranslatorRules(FuzzWrite("regras.rgr", parts[0]));
  LoadTranslatorExceptions(FuzzWrite("portug.exc", parts[1]));
  TextToPhonetic(parts[2]);
  return 0;
}
