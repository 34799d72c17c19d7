// The translator's voice: its rules and exceptions copied beside the diphone
// database, and one database per speed (.IND/.DIF, 8-bit unsigned mono
// 11,025 Hz). The segments are every name the player forms from the pieces
// the rules can output; each is
// recorded by espeak-ng from its phonemes, at one monotone pitch and the
// speed's rate, trimmed at zero crossings with short fades so that joins do
// not click.
#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>

#include "platform/latin1.h"
#include "tools/voice/steps.h"
#include "translator/files.h"
#include "translator/phonetic.h"
#include "translator/player.h"

namespace voice {
namespace {
constexpr const char* kDiphoneDir = "c/kelmar/som/difones";
constexpr int kRate = 11025;
// Words per minute of each speed's database, slowest first: with the cuts
// and pauses of the default TAVIRO.INI, about 4, 5, 6, 7.5 and 9 syllables a
// second, every phoneme kept (espeak-ng shortens its phonemes evenly).
constexpr int kSpeedRates[5] = {140, 165, 195, 245, 300};
// espeak-ng's pitch setting for the monotone recording: a base of about
// 115 Hz, the middle of a man's relaxed speaking voice (espeak-ng's own 89 Hz
// sounds low and tired once the intonation is taken away), the same at every
// speed.
constexpr int kPitch = 75;
// The level of every database: the median RMS of its segments, so that all
// speeds sound equally loud; peaks above full scale are limited softly.
constexpr float kLevel = 0.17f;

std::set<std::string>* gNames = nullptr;
void Collect(std::string_view name, bool, int depth) {
  if (depth == 0 && !name.empty() && name[0] == '$') gNames->insert(std::string(name));
}

// The pieces the rules can output, joined into every unit shape a syllable
// can take; the player names the segments.
void NamesOfUnits(std::set<std::string>& names) {
  const char* onsets[] = {"", "p", "b", "t", "d", "k", "g", "f", "v", "s", "z", "x", "j", "m", "n", "nh",
                          "l", "lh", "r", "rr", "tch", "dj", "ks", "kw", "gw", "pr", "br", "tr", "dr", "kr",
                          "gr", "fr", "vr", "pl", "bl", "tl", "kl", "gl", "fl"};
  const char* nuclei[] = {"a", "e", "i", "o", "u", "a^", "e^", "o^", "i^", "u^", "a~", "e~", "i~", "o~", "u~",
                          "ay", "aw", "ey", "ew", "e^y", "e^w", "oy", "o^y", "uy", "iw", "ow", "o^w", "a^y",
                          "a^w", "a~w", "a~y", "e~y", "o~y", "u~y", "yw", "iy", "uw"};
  const char* codas[] = {"", "s", "z", "r", "m", "n", "rs", "ns"};
  for (const char* o : onsets)
    for (const char* v : nuclei)
      for (const char* c : codas) SplitUnit(std::string(o) + v + c, 1.0);
  for (const char* c : {"s", "r", "m", "n", "p", "b", "t", "d", "k", "g", "f", "v", "z", "x", "j", "l"})
    SplitUnit(c, 1.0);
  names.insert("$nn");  // the nasal tail of the fallbacks
}

// How one segment is recorded: espeak-ng phonemes said in a short carrier,
// and the part kept, from the start of phoneme number `from` up to the start
// of the last phoneme named `until`.
struct Recipe {
  std::string phonemes;
  size_t from = 0;
  std::string until;
};

// The recipe of one name: "$" + onset + vowel [+ glide] [+ CIRC/TIL], or a
// lone consonant (the end of a syllable, or the head of a cluster).
Recipe RecipeOf(std::string name) {
  name = name.substr(1);
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  std::string mark;
  for (const char* m : {"CIRC", "TIL"})
    if (name.size() > std::strlen(m) && name.compare(name.size() - std::strlen(m), std::string::npos, m) == 0) {
      mark = m;
      name.resize(name.size() - mark.size());
    }
  static const std::pair<const char*, const char*> kOnsets[] = {
      {"TCH", "tS"}, {"DJ", "dZ"}, {"NH", "n^"}, {"LH", "l^"}, {"RR", "x"}, {"KS", "ks"}, {"KW", "kw"},
      {"GW", "gw"}, {"P", "p"},   {"B", "b"},   {"T", "t"},   {"D", "d"},   {"K", "k"},   {"G", "g"},
      {"F", "f"},   {"V", "v"},   {"S", "s"},   {"Z", "z"},   {"X", "S"},   {"J", "Z"},   {"M", "m"},
      {"N", "n"},   {"L", "l"},   {"R", "*"},   {"Y", "j"},   {"W", "w"},   {"C", "k"},   {"Q", "k"}};
  std::string onset;
  size_t at = 0;
  bool vowelFirst = !name.empty() && std::strchr("AEIOU", name[0]);
  if (!vowelFirst)
    for (const auto& [spelling, ph] : kOnsets)
      if (name.compare(0, std::strlen(spelling), spelling) == 0) {
        onset = ph;
        at = std::strlen(spelling);
        break;
      }
  std::string rest = name.substr(at);
  if (rest.empty()) {
    if (name == "NN") return {"'anta", 1, "t"};
    if (name == "R") return {"'arta", 1, "t"};
    if (std::strchr("PBTDKGFVCQ", name[0])) return {onset + "*'a", 0, "*"};
    if (name == "L") return {"l'a", 0, "a"};
    return {"'a" + onset + "ta", 1, "t"};
  }
  char v = rest[0];
  char glide = rest.size() > 1 ? rest[1] : 0;
  if (glide == 'Z') {  // a syllable of one vowel closed by a voiced s: "es" of "esmeralda"
    static const std::pair<char, const char*> kVowels[] = {{'A', "a"}, {'E', "e"}, {'I', "i"}, {'O', "o"}, {'U', "u"}};
    for (const auto& [letter, ph] : kVowels)
      if (v == letter) return {"'" + std::string(ph) + "zma", 0, "m"};
  }
  std::string vowel;
  bool closed = mark == "CIRC", nasal = mark == "TIL";
  switch (v) {
    case 'A': vowel = closed ? "&" : nasal ? "&~" : "a"; break;
    case 'E': vowel = closed ? "e" : nasal ? "e~" : "E"; break;
    case 'I': vowel = nasal ? "i~" : "i"; break;
    case 'O': vowel = closed ? "o" : nasal ? "o~" : "O"; break;
    case 'U': vowel = nasal ? "u~" : "u"; break;
    case 'Y': vowel = "j"; break;
    case 'W': vowel = "w"; break;
    default: vowel = "@";
  }
  std::string off;
  if (glide == 'Y') off = nasal ? "j" : "I";
  if (glide == 'W') off = nasal ? "w" : "U";
  if (nasal && glide == 'W' && v == 'A') vowel = "&", off = "U~";
  return {onset + "'" + vowel + off + "ta", 0, "t"};
}

Sound Record(const Recipe& r) {
  std::vector<PhonemeMark> marks;
  Sound s = Synthesize("[[" + r.phonemes + "]]", &marks);
  size_t begin = 0, end = s.samples.size();
  if (r.from < marks.size()) begin = static_cast<size_t>(marks[r.from].ms) * static_cast<size_t>(s.rate) / 1000;
  for (size_t i = marks.size(); i-- > r.from + 1;)
    if (marks[i].name == r.until) {
      end = static_cast<size_t>(marks[i].ms) * static_cast<size_t>(s.rate) / 1000;
      break;
    }
  begin = std::min(begin, s.samples.size());
  end = std::clamp(end, begin, s.samples.size());
  Sound part;
  part.rate = s.rate;
  part.samples.assign(s.samples.begin() + static_cast<long>(begin), s.samples.begin() + static_cast<long>(end));
  return part;
}

// espeak-ng's rate, pitch and pitch range for the databases, put back afterwards.
struct VoiceSettings {
  int rate, pitch, range;
  VoiceSettings(int wpm)
      : rate(espeak_GetParameter(espeakRATE, 1)),
        pitch(espeak_GetParameter(espeakPITCH, 1)),
        range(espeak_GetParameter(espeakRANGE, 1)) {
    espeak_SetParameter(espeakRATE, wpm, 0);
    espeak_SetParameter(espeakPITCH, kPitch, 0);
    espeak_SetParameter(espeakRANGE, 0, 0);  // monotone
  }
  ~VoiceSettings() {
    espeak_SetParameter(espeakRATE, rate, 0);
    espeak_SetParameter(espeakPITCH, pitch, 0);
    espeak_SetParameter(espeakRANGE, range, 0);
  }
};

// Silence cut at both ends, each end moved to a zero crossing, with fades
// of a few milliseconds so that segments join without clicks.
Sound Cut(const Sound& s) {
  const float kQuiet = 0.015f;
  const std::vector<float>& x = s.samples;
  size_t first = 0, last = x.size();
  while (first < last && std::fabs(x[first]) < kQuiet) ++first;
  while (last > first && std::fabs(x[last - 1]) < kQuiet) --last;
  while (first > 0 && !(x[first - 1] <= 0 && x[first] >= 0)) --first;
  while (last < x.size() && !(x[last - 1] >= 0 && x[last] <= 0)) ++last;
  Sound t;
  t.rate = s.rate;
  t.samples.assign(x.begin() + static_cast<long>(first), x.begin() + static_cast<long>(last));
  size_t in = std::min(t.samples.size() / 4, static_cast<size_t>(s.rate * 2 / 1000));
  size_t out = std::min(t.samples.size() / 4, static_cast<size_t>(s.rate * 6 / 1000));
  for (size_t i = 0; i < in; ++i) t.samples[i] *= static_cast<float>(i) / static_cast<float>(in);
  for (size_t i = 0; i < out; ++i) t.samples[t.samples.size() - 1 - i] *= static_cast<float>(i) / static_cast<float>(out);
  return t;
}

std::string Le(uint32_t v, int n) {
  std::string o;
  for (int i = 0; i < n; ++i) o += static_cast<char>(v >> (8 * i));
  return o;
}

// The index and data file of one speed.
std::pair<std::string, std::string> Database(const std::set<std::string>& names, int wpm) {
  Synthesize("a");  // the synthesizer started, so that its settings hold
  VoiceSettings settings(wpm);
  std::map<std::string, Sound> sounds;  // upper-case name -> 11,025 Hz samples
  std::vector<float> levels;
  for (const std::string& name : names) {
    std::string key = name;
    for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (key.size() > 8 || sounds.count(key)) continue;
    // libsoxr's steep low-pass is the filter before the resampling: the band
    // up to 5 kHz is kept, nothing above 5.5 kHz folds back.
    Sound s = Resample(Cut(Record(RecipeOf(key))), kRate);
    s = Cut(s);  // again at the new rate: the resampler's edges
    double sum = 0;
    for (float v : s.samples) sum += double(v) * v;
    if (!s.samples.empty()) levels.push_back(static_cast<float>(std::sqrt(sum / double(s.samples.size()))));
    sounds[key] = std::move(s);
  }
  std::nth_element(levels.begin(), levels.begin() + static_cast<long>(levels.size() / 2), levels.end());
  const float median = levels.empty() ? 0 : levels[levels.size() / 2];
  const float gain = median > 0 ? kLevel / median : 1.0f;
  // Above 0.8 of full scale the peaks bend smoothly towards 1 instead of clipping.
  auto limit = [](float v) {
    float a = std::fabs(v);
    if (a <= 0.8f) return v;
    float bent = 0.8f + 0.2f * std::tanh((a - 0.8f) / 0.2f);
    return v < 0 ? -bent : bent;
  };
  std::string index, data;
  for (const auto& [key, s] : sounds) {  // std::map: ascending byte order
    size_t n = std::min<size_t>(s.samples.size(), 65535);
    index += static_cast<char>(key.size());
    index += key + std::string(8 - key.size(), '\0');
    index += Le(static_cast<uint32_t>(n), 2) + Le(static_cast<uint32_t>(data.size()), 4);
    for (size_t i = 0; i < n; ++i) {
      int v = static_cast<int>(std::lrint(limit(s.samples[i] * gain) * 127.0f)) + 128;
      data += static_cast<char>(std::clamp(v, 1, 255));
    }
  }
  return {index, data};
}
}  // namespace

void WriteDiphones(Build& b) {
  std::string rules = ReadText(b, "regras.rgr"), exceptions = ReadText(b, "portug.exc");
  std::string dir = std::string(kDiphoneDir) + "/";
  Output(b, dir + "regras.rgr", "rules " + rules, [&] { return rules; });
  Output(b, dir + "portug.exc", "exceptions " + exceptions, [&] { return exceptions; });

  ResetTranslator();
  ResetPlayer();
  if (!LoadTranslatorRules(b.voiceDir + "/regras.rgr") || !LoadTranslatorExceptions(b.voiceDir + "/portug.exc")) {
    std::fprintf(stderr, "zelnar-voice: cannot read the translator's rules\n");
    std::exit(1);
  }
  std::set<std::string> names;
  gNames = &names;
  SetSegmentObserver(Collect);
  NamesOfUnits(names);
  SetSegmentObserver(nullptr);
  ResetTranslator();

  std::string list;
  for (const std::string& n : names) list += n + " ";
  for (int speed = 1; speed <= 5; ++speed) {
    int wpm = kSpeedRates[speed - 1];
    std::string base = dir + "DIFONES" + std::to_string(speed);
    std::string recipe = "diphones 5 " + std::to_string(kPitch) + " " + std::to_string(kLevel) + " " + SynthesizerVersion() + " " + std::to_string(wpm) + " " + list;
    std::pair<std::string, std::string> db;
    bool made = false;
    auto make = [&] {
      if (!made) db = Database(names, wpm);
      made = true;
    };
    Output(b, base + ".IND", recipe, [&] { make(); return db.first; });
    Output(b, base + ".DIF", recipe, [&] { make(); return db.second; });
  }
}

}  // namespace voice
