// The character recordings: the Portuguese name of each character from 32 to
// 255, as the letters directory needs them (8-bit unsigned mono 11,025 Hz).
#include <cstdio>
#include <cstdlib>
#include <set>

#include "tools/voice/steps.h"

namespace voice {

void WriteCharacters(Build& b) {
  std::set<int> done;
  for (const auto& [key, name] : ReadTable(b, "caracteres.txt")) {
    int code = std::stoi(key);
    if (code < 32 || code > 255 || !done.insert(code).second) {
      std::fprintf(stderr, "zelnar-voice: voice/caracteres.txt: bad or repeated code %s\n", key.c_str());
      std::exit(1);
    }
    Output(b, std::string(kLettersDir) + "/_" + std::to_string(code) + ".wav",
           "letter trim10 peak0.9 8/11025 " + SynthesizerVersion() + " " + name,
           [&, name = name] { return EncodeWav(Normalize(Resample(Trim(Synthesize(name), 10), 11025), 0.9f), 8); });
  }
  if (done.size() != 224) {
    std::fprintf(stderr, "zelnar-voice: voice/caracteres.txt names %zu of the 224 characters\n", done.size());
    std::exit(1);
  }
}

}  // namespace voice
