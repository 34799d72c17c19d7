// The message recordings: each catalogue text said by the voice, 16-bit
// 22,050 Hz, and the two item sounds, short tones of their own.
#include <cmath>

#include "app/messages.h"
#include "platform/latin1.h"
#include "tools/voice/steps.h"

namespace voice {
namespace {
constexpr int kRate = 22050;

// Whole words of the text replaced as the pronunciation table says.
std::string Pronounce(std::string text, const std::vector<std::pair<std::string, std::string>>& table) {
  for (const auto& [word, said] : table) {
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + said.size())) {
      text.replace(at, word.size(), said);
    }
  }
  return text;
}

// Tones one after the other: (frequency Hz, milliseconds), each fading in
// and out so that it does not click.
Sound Tones(const std::vector<std::pair<double, int>>& tones) {
  Sound s;
  s.rate = kRate;
  for (const auto& [f, ms] : tones) {
    int n = kRate * ms / 1000;
    int edge = kRate / 200;
    for (int i = 0; i < n; ++i) {
      double env = std::min({1.0, double(i) / edge, double(n - i) / edge}) * std::exp(-2.0 * i / n);
      s.samples.push_back(static_cast<float>(0.6 * env * std::sin(2 * M_PI * f * i / kRate)));
    }
  }
  return s;
}
}  // namespace

void WriteMessages(Build& b) {
  auto table = ReadTable(b, "pronuncia.txt");
  std::string dir = std::string(kSoundDir) + "/";
  for (const std::string& code : MessageCodes()) {
    std::string said = Pronounce(Latin1ToUtf8(MessageText(code)), table);
    Output(b, dir + code + ".wav", "message trim40 peak0.8 16/22050 " + SynthesizerVersion() + " " + said,
           [&] { return EncodeWav(Normalize(Resample(Trim(Synthesize(said), 40), kRate), 0.8f), 16); });
  }
  // "ok": a rising pair of notes; "menu_selected": one short high click.
  Output(b, dir + "ok.wav", "tones ok 660/90 990/140", [] { return EncodeWav(Tones({{660, 90}, {990, 140}}), 16); });
  Output(b, dir + "menu_selected.wav", "tones menu_selected 1320/60",
         [] { return EncodeWav(Tones({{1320, 60}}), 16); });
}

}  // namespace voice
