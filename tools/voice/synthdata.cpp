// The synthesizer's data files: the authored texts of voice/synth in the
// files' own Latin-1, and the diphone list.
#include <sstream>

#include "platform/latin1.h"
#include "tools/voice/steps.h"

namespace voice {
namespace {
constexpr const char* kSynthDir = "c/kelmar/davuridi";

// The phoneme names of the inventory, in its order.
std::vector<std::string> PhonemeNames(const Build& b) {
  std::istringstream in(ReadText(b, "synth/fonemas.txt"));
  std::vector<std::string> names;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == ';') continue;
    std::istringstream fields(line);
    std::string name;
    if (fields >> name) names.push_back(name);
  }
  return names;
}

// Every pair of the inventory, until the diphone voice lists its own.
std::string DiphoneList(const Build& b) {
  std::string out;
  for (const std::string& a : PhonemeNames(b))
    for (const std::string& c : PhonemeNames(b)) out += a + "-" + c + "\r\n";
  return out;
}
}  // namespace

void WriteSynthData(Build& b) {
  for (const char* name : {"portug.nrl", "portug.exc", "portug.abr", "portug.pro"}) {
    std::string text = ReadText(b, std::string("synth/") + name);
    Output(b, std::string(kSynthDir) + "/" + name, std::string("synthdata ") + text,
           [&] { return Utf8ToLatin1(text); });
  }
  std::string list = DiphoneList(b);
  Output(b, std::string(kSynthDir) + "/portug.dfn", "synthdata " + list, [&] { return list; });
}

}  // namespace voice
