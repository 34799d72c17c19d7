// The number words: one file each in the letters directory, 8-bit unsigned
// mono 11,025 Hz, trimmed close so that words joined in one image follow
// each other without gaps.
#include "tools/voice/steps.h"

namespace voice {

void WriteNumberWords(Build& b) {
  for (const auto& [file, said] : ReadTable(b, "numeros.txt")) {
    Output(b, std::string(kLettersDir) + "/_" + file + ".wav", "word trim5 peak0.9 8/11025 " + SynthesizerVersion() + " " + said,
           [&, said = said] { return EncodeWav(Normalize(Resample(Trim(Synthesize(said), 5), 11025), 0.9f), 8); });
  }
}

}  // namespace voice
