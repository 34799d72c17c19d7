// Time of the synthesizer's front end (normalisation, tokens and pitch codes,
// phonemes, prosody) per second of speech its phoneme lines describe, on the
// translator's corpus (voice/corpus.txt), with the installed voice data at
// the default speed. Target: under 0.5 ms per second of speech.
//   build/bench/synth_front [rounds]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/latin1.h"
#include "synth/excessoes.h"
#include "synth/inic.h"
#include "synth/portug.h"
#include "synth/preproc.h"
#include "synth/prosodia.h"

namespace {
using Clock = std::chrono::steady_clock;

// The milliseconds of the phoneme lines ("a 87 50 230": the second field).
long SpeechMs(const std::vector<std::string>& pho) {
  long ms = 0;
  for (const std::string& l : pho) {
    size_t blank = l.find(' ');
    if (l.empty() || l[0] == ';' || blank == std::string::npos) continue;
    ms += std::atol(l.c_str() + blank + 1);
  }
  return ms;
}
}  // namespace

int main(int argc, char** argv) {
  int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
  const std::string base = ZELNAR_BUILD_DIR "/drives/c/kelmar/davuridi/portug";
  if (!synth::LoadRules(base + ".nrl") || !synth::LoadExceptions(base + ".exc") ||
      !synth::LoadAbbreviations(base + ".abr") || !synth::LoadProsody(base + ".pro") ||
      !synth::LoadDiphones(base + ".dfn")) {
    std::fprintf(stderr, "the synthesizer's data is not installed under %s.*\n", base.c_str());
    return 1;
  }
  std::ifstream in(ZELNAR_SOURCE_DIR "/voice/corpus.txt");
  std::vector<std::string> lines;
  size_t bytes = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.empty()) continue;
    lines.push_back(Utf8ToLatin1(line));
    bytes += line.size();
  }

  double best = 1e9;
  long speechMs = 0;
  for (int r = 0; r < rounds; ++r) {
    speechMs = 0;
    Clock::time_point t0 = Clock::now();
    for (const std::string& line : lines) {
      std::vector<std::string> tokens = synth::AssignPitchCodes(synth::Tokenise(synth::Normalise(line)), true);
      speechMs += SpeechMs(synth::Prosody(synth::LetterToSound(tokens), 1.0, 0.8));
    }
    double t = std::chrono::duration<double>(Clock::now() - t0).count();
    if (t < best) best = t;
  }
  std::printf("corpus: %zu lines, %zu bytes; best of %d rounds\n", lines.size(), bytes, rounds);
  std::printf("front end: %.4f s for %.1f s of speech: %.4f ms per second of speech\n", best, speechMs / 1000.0,
              1000 * best / (speechMs / 1000.0));
  return 0;
}
