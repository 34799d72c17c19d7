// The synthesizer's data files: the authored texts of voice/synth in the
// files' own Latin-1.
#include "platform/latin1.h"
#include "tools/voice/steps.h"

namespace voice {
namespace {
constexpr const char* kSynthDir = "c/kelmar/davuridi";
}  // namespace


void WriteSynthData(Build& b) {
  for (const char* name : {"portug.nrl", "portug.exc", "portug.abr", "portug.pro"}) {
    std::string text = ReadText(b, std::string("synth/") + name);
    Output(b, std::string(kSynthDir) + "/" + name, std::string("synthdata ") + text,
           [&] { return Utf8ToLatin1(text); });
  }
}

}  // namespace voice
