// Time to turn text into speech with the recorded-voice translator (text to
// phonetic string, then the segments joined and handed to the sound output,
// here the capture double) per second of speech produced, beside espeak-ng
// synthesising the same text in the same run. Text: voice/corpus.txt.
//   build/bench/translator_speech [rounds]
#include <espeak-ng/speak_lib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/latin1.h"
#include "platform/waveout_capture.h"
#include "speech/speech.h"
#include "translator/files.h"
#include "translator/phonetic.h"
#include "translator/player.h"

namespace {
using Clock = std::chrono::steady_clock;

size_t gEspeakSamples = 0;
int Count(short* wav, int n, espeak_EVENT*) {
  if (wav) gEspeakSamples += static_cast<size_t>(n);
  return 0;
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

size_t CapturedSamples() {
  size_t n = 0;
  for (const CapturedBlock& b : WaveCapture().blocks) n += b.bytes.size();
  return n;
}
}  // namespace

int main(int argc, char** argv) {
  int rounds = argc > 1 ? std::atoi(argv[1]) : 3;
  setenv("ZELNAR_DRIVES", ZELNAR_BUILD_DIR "/drives", 0);
  setenv("ZELNAR_TIME_SCALE", "0", 1);
  std::ifstream in(ZELNAR_SOURCE_DIR "/voice/corpus.txt");
  std::vector<std::string> lines;
  size_t words = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.empty()) continue;
    std::istringstream w(line);
    for (std::string x; w >> x;) ++words;
    lines.push_back(line);
  }

  StartWaveCapture();
  InitSpeechModule();
  StartSpeech(0, "");
  std::printf("corpus: %zu lines, %zu words; database %s, %zu segments\n", lines.size(), words,
              DatabaseName().c_str(), DiphoneIndex().size());

  double best = 1e9, speech = 0;
  for (int r = 0; r < rounds; ++r) {
    ClearWaveCaptureLog();
    Clock::time_point t0 = Clock::now();
    for (const std::string& line : lines) SpeakPhonetic(TextToPhonetic(Utf8ToLatin1(line)));
    double t = Seconds(Clock::now() - t0);
    speech = static_cast<double>(CapturedSamples()) / 11025.0;
    if (t < best) best = t;
  }
  FinishSpeech();

  int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT);
  espeak_SetSynthCallback(Count);
  espeak_SetVoiceByName("pt-br");
  double espeakBest = 1e9, espeakSpeech = 0;
  for (int r = 0; r < rounds; ++r) {
    gEspeakSamples = 0;
    Clock::time_point t0 = Clock::now();
    for (const std::string& line : lines) {
      espeak_Synth(line.c_str(), line.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, nullptr);
      espeak_Synchronize();
    }
    double t = Seconds(Clock::now() - t0);
    espeakSpeech = static_cast<double>(gEspeakSamples) / rate;
    if (t < espeakBest) espeakBest = t;
  }

  std::printf("%-28s %10s %12s %16s\n", "", "time (s)", "speech (s)", "ms per second");
  std::printf("%-28s %10.4f %12.1f %16.4f\n", "translator (text+assembly)", best, speech, 1000 * best / speech);
  std::printf("%-28s %10.4f %12.1f %16.4f\n", "espeak-ng pt-br", espeakBest, espeakSpeech,
              1000 * espeakBest / espeakSpeech);
  return 0;
}
