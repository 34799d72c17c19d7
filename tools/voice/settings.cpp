// The default settings file of the installation: voice/taviro.ini, in the
// settings file's own form (Latin-1, CR LF line ends).
#include "platform/latin1.h"
#include "tools/voice/steps.h"

namespace voice {

void WriteSettings(Build& b) {
  std::string text = ReadText(b, "taviro.ini");
  Output(b, std::string(kWindowsDir) + "/TAVIRO.INI", "settings " + text, [&] {
    std::string out;
    for (char c : Utf8ToLatin1(text)) {
      if (c == '\r') continue;
      if (c == '\n') out += '\r';
      out += c;
    }
    return out;
  });
}

}  // namespace voice
