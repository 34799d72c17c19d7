// Time the synthesizer engine takes per second of speech, text to samples
// (normalisation, letter-to-sound, prosody, our MBROLA library, the pieces
// handed to the WAV output), beside espeak-ng saying the same text in the
// same run. The text is voice/corpus.txt; the sound device is a stand-in that
// takes every block at once, so only the work is timed. Target: 0.003 s per
// second of speech or less, and faster than espeak-ng.
//   build/bench/synth_engine [rounds]
#include <espeak-ng/speak_lib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "console/console.h"
#include "platform/latin1.h"
#include "platform/messages.h"
#include "platform/waveout.h"
#include "synth/didibrisa.h"

namespace {
using Clock = std::chrono::steady_clock;
constexpr const char* kData = "\\kelmar\\davuridi\\";

size_t gBytes = 0;
WaveNotify gNotify = nullptr;
int Open(const WaveFormat&, WaveNotify n) {
  gNotify = n;
  return kWaveOk;
}
void Write(WaveHeader* h) {
  gBytes += h->length;
  h->flags |= kWaveHeaderDone;
  gNotify(kMsgWaveDone, 0, reinterpret_cast<intptr_t>(h));
}
void Nothing() {}
const WaveBackend kTaker{"taker", Open, Write, Nothing, Nothing};

size_t gEspeakSamples = 0;
int Count(short* wav, int n, espeak_EVENT*) {
  if (wav) gEspeakSamples += static_cast<size_t>(n);
  return 0;
}

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }
}  // namespace

int main(int argc, char** argv) {
  int rounds = argc > 1 ? std::atoi(argv[1]) : 3;
  setenv("ZELNAR_VIDEO", "headless", 1);
  setenv("ZELNAR_DRIVES", ZELNAR_BUILD_DIR "/drives", 0);
  std::vector<std::string> lines;
  std::ifstream in(ZELNAR_SOURCE_DIR "/voice/corpus.txt");
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) lines.push_back(line);
  std::printf("corpus: %zu lines\n", lines.size());

  InitConsole();
  SetWaveBackend(&kTaker);
  const std::string d = kData;
  if (!synth::SynthStart(d + "br4", d + "portug.nrl", d + "portug.exc", d + "portug.abr", d + "portug.pro",
                         d + "portug.dfn")) {
    std::fprintf(stderr, "the synthesizer did not start: %s\n", synth::SynthErrorText().c_str());
    return 1;
  }
  synth::SynthSetFactors(1.0, 0.8);  // the program's defaults: speed 0, pitch 0
  double best = 1e9, speech = 0;
  for (int r = 0; r < rounds; ++r) {
    gBytes = 0;
    auto t = Clock::now();
    for (const std::string& line : lines) synth::SynthSpeak(Utf8ToLatin1(line));
    double s = Seconds(t);
    speech = static_cast<double>(gBytes) / 32000.0;
    if (s < best) best = s;
  }
  synth::SynthClose();

  int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT);
  espeak_SetSynthCallback(Count);
  espeak_SetVoiceByName("pt-br");
  double bestEspeak = 1e9, speechEspeak = 0;
  for (int r = 0; r < rounds; ++r) {
    gEspeakSamples = 0;
    auto t = Clock::now();
    for (const std::string& line : lines)
      espeak_Synth(line.c_str(), line.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, nullptr);
    espeak_Synchronize();
    double s = Seconds(t);
    speechEspeak = static_cast<double>(gEspeakSamples) / rate;
    if (s < bestEspeak) bestEspeak = s;
  }
  espeak_Terminate();
  std::printf("synthesizer engine: %.1f s of speech in %.3f s, %.5f s per second of speech\n", speech, best,
              best / speech);
  std::printf("espeak-ng:          %.1f s of speech in %.3f s, %.5f s per second of speech\n", speechEspeak,
              bestEspeak, bestEspeak / speechEspeak);
  return 0;
}
