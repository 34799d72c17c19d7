// Time our MBROLA library takes per second of speech it makes, beside
// espeak-ng saying the same text in the same run. The text is
// voice/corpus.txt; the phoneme lines for the library are espeak-ng's own
// phonemes of it, with espeak-ng's durations, mapped to the voice's names,
// and a falling pitch line over each sentence, so both say the same sounds
// for about the same time.
//   build/bench/mbrola_synthesis [rounds]
#include <espeak-ng/speak_lib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "synth/mbrola.h"

namespace {
using Clock = std::chrono::steady_clock;
namespace m = synth::mbrola;

struct Event {
  std::string name;
  int ms;
};
std::vector<Event> gEvents;
size_t gSamples = 0;
int Collect(short* wav, int n, espeak_EVENT* events) {
  if (wav) gSamples += static_cast<size_t>(n);
  for (espeak_EVENT* e = events; e && e->type != espeakEVENT_LIST_TERMINATED; ++e)
    if (e->type == espeakEVENT_PHONEME) {
      char name[9] = {};
      std::memcpy(name, e->id.string, 8);
      gEvents.push_back({name, e->audio_position});
    }
  return 0;
}

// espeak-ng's phoneme -> the voice's phonemes.
const std::map<std::string, std::vector<std::string>> kNames = {
    {"a", {"a"}},     {"&", {"a2"}},    {"e", {"e"}},       {"E", {"e2"}},       {"i", {"i"}},   {"I", {"i"}},
    {"o", {"o"}},     {"O", {"o2"}},    {"u", {"u"}},       {"U", {"u"}},        {"&~", {"an"}}, {"e~", {"en"}},
    {"i~", {"in"}},   {"o~", {"on"}},   {"u~", {"un"}},     {"j", {"y"}},        {"w", {"w"}},   {"y", {"yn"}},
    {"p", {"p"}},     {"b", {"b"}},     {"t", {"t"}},       {"d", {"d"}},        {"k", {"k"}},   {"g", {"g"}},
    {"tS", {"tx"}},   {"dZ", {"dj"}},   {"f", {"f"}},       {"v", {"v"}},        {"s", {"s"}},   {"z", {"z"}},
    {"S", {"x"}},     {"Z", {"j"}},     {"x", {"rr"}},      {"h", {"rr"}},       {"r", {"r2"}},  {"m", {"m"}},
    {"n", {"n"}},     {"N", {"n"}},     {"n^", {"nh"}},     {"l", {"l"}},        {"l^", {"lh"}}, {"*", {"r"}},
    {"aU", {"a", "w"}}, {"aI", {"a", "y"}}, {"eI", {"e", "y"}}, {"oI", {"o", "y"}}, {"&U~", {"an", "wn"}},
    {"_", {"_"}},     {"_:", {"_"}},    {"ts", {"t", "s"}}, {"dz", {"d", "z"}}};

std::string PhonemeLines(const std::vector<Event>& events, size_t end) {
  std::string lines;
  for (size_t i = 0; i < events.size(); ++i) {
    std::string name = events[i].name;
    while (!name.empty() && (name.back() == '-' || name.back() == ';')) name.pop_back();
    int ms = (i + 1 < events.size() ? events[i + 1].ms : static_cast<int>(end)) - events[i].ms;
    auto it = kNames.find(name);
    if (it == kNames.end() || ms <= 0) continue;
    const std::vector<std::string>& parts = it->second;
    double share = 100.0 * static_cast<double>(i) / static_cast<double>(events.size());
    for (const std::string& p : parts)
      lines += p + " " + std::to_string(ms / static_cast<int>(parts.size())) + " 50 " +
               std::to_string(static_cast<int>(220 - share * 0.6)) + "\n";
  }
  return lines;
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }
}  // namespace

int main(int argc, char** argv) {
  int rounds = argc > 1 ? std::atoi(argv[1]) : 3;
  std::ifstream in(ZELNAR_SOURCE_DIR "/voice/corpus.txt");
  std::vector<std::string> text;
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) text.push_back(line);

  int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr,
                               espeakINITIALIZE_DONT_EXIT | espeakINITIALIZE_PHONEME_EVENTS);
  espeak_SetSynthCallback(Collect);
  espeak_SetVoiceByName("pt-br");
  std::vector<std::string> pho;
  double espeakBest = 1e9, espeakSpeech = 0;
  for (int r = 0; r < rounds; ++r) {
    gSamples = 0;
    pho.clear();
    Clock::time_point t0 = Clock::now();
    for (const std::string& line : text) {
      gEvents.clear();
      size_t before = gSamples;
      espeak_Synth(line.c_str(), line.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, nullptr);
      espeak_Synchronize();
      pho.push_back(PhonemeLines(gEvents, (gSamples - before) * 1000 / static_cast<size_t>(rate)));
    }
    espeakBest = std::min(espeakBest, Seconds(Clock::now() - t0));
    espeakSpeech = static_cast<double>(gSamples) / rate;
  }
  espeak_Terminate();

  if (!m::LoadMbrola()) {
    std::fprintf(stderr, "mbrola_synthesis: libmbrola.so not found\n");
    return 1;
  }
  std::string voice = ZELNAR_BUILD_DIR "/drives/c/kelmar/davuridi/br4";
  if (m::init_MBR(voice.data()) < 0) {
    std::fprintf(stderr, "mbrola_synthesis: no voice at %s\n", voice.c_str());
    return 1;
  }
  m::setNoError_MBR(1);
  std::vector<short> buffer(16000);
  double best = 1e9, speech = 0;
  for (int r = 0; r < rounds; ++r) {
    size_t samples = 0;
    Clock::time_point t0 = Clock::now();
    for (std::string& lines : pho) {
      m::reset_MBR();
      m::write_MBR(lines.data());
      m::flush_MBR();
      while (int n = m::read_MBR(buffer.data(), 16000)) samples += static_cast<size_t>(n);
    }
    best = std::min(best, Seconds(Clock::now() - t0));
    speech = static_cast<double>(samples) / 16000.0;
  }
  m::close_MBR();
  m::UnloadMbrola();

  std::printf("corpus: %zu lines\n", text.size());
  std::printf("libmbrola:  %.2f s of speech in %.4f s: %.5f s per second of speech\n", speech, best, best / speech);
  std::printf("espeak-ng:  %.2f s of speech in %.4f s: %.5f s per second of speech\n", espeakSpeech, espeakBest,
              espeakBest / espeakSpeech);
  return 0;
}
