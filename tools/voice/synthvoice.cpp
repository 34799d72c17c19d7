// The synthesizer's diphone voice "br4" and its diphone list "portug.dfn".
// Every pair of the phoneme inventory (voice/synth/fonemas.txt) is said by
// espeak-ng in a short nonsense word, at one steady pitch and rate; espeak-ng's
// phoneme events give the boundaries. A diphone is cut from the middle of its
// first phoneme to the middle of its second (a stop or affricate is cut early
// in its closure, a pause 40 ms away from the sound), kept with 20 ms of
// context on both sides for the overlap-add grains. Pitch marks go on the
// largest peak of every period of the voiced stretches. Each diphone's level
// is brought to the typical level of its two phonemes, so that neighbours
// from different recordings meet at the same loudness.
#include <espeak-ng/speak_lib.h>
#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>

#include "synth/mbrola/database.h"
#include "tools/voice/steps.h"

namespace voice {
namespace {
constexpr const char* kSynthDir = "c/kelmar/davuridi";
constexpr int kRate = 16000;
constexpr int kPitch = 80;  // espeak-ng's pitch setting: about 125 Hz, held flat, amid the prosody's range
constexpr int kWpm = 140;
constexpr int kMargin = kRate / 50;     // 20 ms of context
constexpr int kPauseCut = kRate / 25;   // 40 ms into a pause
constexpr int kPad = kRate / 10;        // silence put around every recording

// Our phoneme names -> espeak-ng's Brazilian Portuguese phoneme mnemonics.
// espeak-ng has no nasal w glide of its own ("U~" only comes inside the unit
// "&U~"): wn is its w, nasal by the nasal vowel that leads into it.
const std::map<std::string, std::string> kEspeak = {
    {"a", "a"},   {"a2", "&"},  {"e", "e"},   {"e2", "E"},  {"i", "i"},    {"o", "o"},   {"o2", "O"},
    {"u", "u"},   {"an", "&~"}, {"en", "e~"}, {"in", "i~"}, {"on", "o~"},  {"un", "u~"}, {"y", "j"},
    {"w", "w"},   {"yn", "y"},  {"wn", "w"}, {"p", "p"},   {"b", "b"},    {"t", "t"},   {"d", "d"},
    {"k", "k"},   {"g", "g"},   {"tx", "tS"}, {"dj", "dZ"}, {"f", "f"},    {"v", "v"},   {"s", "s"},
    {"z", "z"},   {"x", "S"},   {"j", "Z"},   {"rr", "x"},  {"m", "m"},    {"n", "n"},   {"nh", "n^"},
    {"l", "l"},   {"lh", "l^"}, {"r", "*"},   {"r2", "x"},  {"s2", "s"}};

bool IsVowel(const std::string& p) {
  static const char* const kVowels[] = {"a", "a2", "e", "e2", "i", "o", "o2", "u", "an", "en", "in", "on", "un"};
  return std::find_if(std::begin(kVowels), std::end(kVowels), [&](const char* v) { return p == v; }) != std::end(kVowels);
}
bool IsStop(const std::string& p) {
  return p == "p" || p == "b" || p == "t" || p == "d" || p == "k" || p == "g" || p == "tx" || p == "dj";
}

std::vector<std::string> Inventory(const Build& b) {
  std::istringstream in(ReadText(b, "synth/fonemas.txt"));
  std::vector<std::string> names;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string name;
    if (!(words >> name) || name[0] == ';') continue;
    if (name != "_" && !kEspeak.count(name)) {
      std::fprintf(stderr, "zelnar-voice: phoneme %s of voice/synth/fonemas.txt has no espeak-ng phoneme\n", name.c_str());
      std::exit(1);
    }
    names.push_back(name);
  }
  return names;
}

// One recorded diphone: samples at 16 kHz with context, and its three cuts.
struct Take {
  std::vector<float> x;
  size_t begin = 0, boundary = 0, end = 0;
  std::vector<uint32_t> marks;
  bool held = false;
};

// The carrier word of a-b: a neutral syllable before a and after b so that
// both are said whole; the first vowel carries the stress.
Take Record(const std::string& a, const std::string& b) {
  Take t;
  if (a == "_" && b == "_") {  // silence, made rather than recorded
    t.x.assign(2 * kMargin + 2 * kPauseCut, 0.0f);
    t.begin = kMargin, t.boundary = kMargin + kPauseCut, t.end = kMargin + 2 * kPauseCut, t.held = true;
    return t;
  }
  std::vector<std::string> carrier;
  if (a != "_") {
    carrier.push_back("t");
    if (!IsVowel(a)) carrier.push_back("a");
    carrier.push_back(a);
  }
  size_t at = carrier.size();  // index of b, or of the end when b is a pause
  if (b != "_") {
    carrier.push_back(b);
    if (IsVowel(b)) carrier.push_back("t");
    carrier.push_back("a");
  }
  // espeak-ng reads its phonemes greedily ("t" "s" as "ts", "*" "*" as
  // "**") and swallows an l before a consonant; a syllable break ("-")
  // between a and b keeps them apart where that happens.
  std::vector<PhonemeMark> events;
  Sound s;
  bool found = false;
  for (const char* split : {"", "-"}) {
    std::string text = "[[";
    bool stressed = false;
    for (size_t i = 0; i < carrier.size(); ++i) {
      if (!stressed && IsVowel(carrier[i])) text += "'", stressed = true;
      text += kEspeak.at(carrier[i]);
      if (i + 1 == at) text += split;
    }
    text += "]]";
    s = Resample(Synthesize(text, &events), kRate);
    // espeak-ng ends with its pause phonemes; every phoneme before gets one
    // event, and a glide before a vowel a second one (";") that belongs to it.
    events.erase(std::remove_if(events.begin(), events.end(), [](const PhonemeMark& e) { return e.name == ";"; }),
                 events.end());
    while (events.size() > carrier.size() + 1 && events.back().name[0] == '_') events.pop_back();
    found = events.size() == carrier.size() + 1;
    for (size_t i = 0; found && i < carrier.size(); ++i) {
      const std::string& want = kEspeak.at(carrier[i]);
      found = (events[i].name == want || events[i].name == want + "-") && events[i + 1].ms > events[i].ms;
    }
    if (found) break;
  }
  if (!found) return t;
  std::vector<float> x(static_cast<size_t>(kPad), 0.0f);
  x.insert(x.end(), s.samples.begin(), s.samples.end());
  x.insert(x.end(), static_cast<size_t>(kPad), 0.0f);
  auto start = [&](size_t i) { return static_cast<size_t>(kPad) + static_cast<size_t>(events[i].ms) * kRate / 1000; };
  auto cut = [&](const std::string& p, size_t i) {
    size_t s0 = start(i), s1 = start(i + 1);
    return IsStop(p) ? s0 + (s1 - s0) * 3 / 10 : (s0 + s1) / 2;
  };
  size_t begin = a == "_" ? start(at) - kPauseCut : cut(a, at - 1);
  size_t boundary = start(at);
  size_t end = b == "_" ? boundary + kPauseCut : cut(b, at);
  if (!(begin < boundary && boundary < end && end + kMargin <= x.size() && begin >= static_cast<size_t>(kMargin))) return t;
  t.x.assign(x.begin() + static_cast<long>(begin - kMargin), x.begin() + static_cast<long>(end + kMargin));
  t.begin = kMargin, t.boundary = boundary - begin + kMargin, t.end = end - begin + kMargin;
  t.held = true;
  return t;
}

// The period (in samples) around n, 0 where the sound is not voiced.
std::vector<int> Periods(const std::vector<float>& x, int lo, int hi, int hop, int window) {
  std::vector<int> lags;
  for (size_t c = 0; c < x.size(); c += static_cast<size_t>(hop)) {
    long from = static_cast<long>(c) - window / 2;
    if (from < 0 || from + window + hi > static_cast<long>(x.size())) {
      lags.push_back(0);
      continue;
    }
    const float* f = x.data() + from;
    double e0 = 0;
    for (int n = 0; n < window; ++n) e0 += f[n] * f[n];
    int best = 0;
    double bestR = 0.55;  // voiced: the period repeats this closely
    if (e0 / window > 1e-4)
      for (int lag = lo; lag <= hi; ++lag) {
        double xy = 0, e1 = 0;
        for (int n = 0; n < window; ++n) xy += f[n] * f[n + lag], e1 += f[n + lag] * f[n + lag];
        double r = xy / std::sqrt(e0 * e1 + 1e-12);
        if (r > bestR) bestR = r, best = lag;
      }
    lags.push_back(best);
  }
  return lags;
}

// One mark on the largest peak of each period of every voiced stretch.
std::vector<uint32_t> Marks(const std::vector<float>& x, int period) {
  const int hop = kRate / 200, window = kRate / 50;
  std::vector<int> lags = Periods(x, period * 3 / 4, period * 4 / 3, hop, window);
  auto lagAt = [&](size_t n) { return lags[std::min(lags.size() - 1, n / static_cast<size_t>(hop))]; };
  auto peak = [&](size_t from, size_t to) {
    size_t best = from;
    for (size_t n = from; n < to && n < x.size(); ++n)
      if (x[n] > x[best]) best = n;
    return best;
  };
  std::vector<uint32_t> marks;
  size_t n = 0;
  while (n < x.size()) {
    int lag = lagAt(n);
    if (!lag) {
      n += static_cast<size_t>(hop);
      continue;
    }
    size_t m = peak(n, n + static_cast<size_t>(lag));
    if (!marks.empty() && m <= marks.back()) m = marks.back() + 1;
    if (m >= x.size()) break;
    marks.push_back(static_cast<uint32_t>(m));
    while (true) {
      int l = lagAt(m);
      if (!l) break;
      size_t from = m + static_cast<size_t>(l) * 4 / 5, to = m + static_cast<size_t>(l) * 6 / 5 + 1;
      if (to > x.size() || !lagAt(from)) break;
      m = peak(from, to);
      marks.push_back(static_cast<uint32_t>(m));
    }
    n = m + static_cast<size_t>(lagAt(m) ? lagAt(m) : hop);
  }
  return marks;
}

double Rms(const std::vector<float>& x, size_t from, size_t count) {
  double e = 0;
  size_t to = std::min(x.size(), from + count);
  for (size_t n = from; n < to; ++n) e += x[n] * x[n];
  return to > from ? std::sqrt(e / static_cast<double>(to - from)) : 0;
}

struct Voice {
  mbr::Database db;
  std::string list;  // portug.dfn
  int held = 0, total = 0;
};

// espeak-ng's pitch, range and rate for the recording, put back afterwards.
struct Steady {
  int pitch, range, rate;
  Steady()
      : pitch(espeak_GetParameter(espeakPITCH, 1)), range(espeak_GetParameter(espeakRANGE, 1)),
        rate(espeak_GetParameter(espeakRATE, 1)) {
    espeak_SetParameter(espeakPITCH, kPitch, 0);
    espeak_SetParameter(espeakRANGE, 0, 0);
    espeak_SetParameter(espeakRATE, kWpm, 0);
  }
  ~Steady() {
    espeak_SetParameter(espeakPITCH, pitch, 0);
    espeak_SetParameter(espeakRANGE, range, 0);
    espeak_SetParameter(espeakRATE, rate, 0);
  }
};

Voice Make(const std::vector<std::string>& names) {
  // Thousands of resamplings take and give back the same large buffers: the
  // heap keeps them rather than returning them to the system every time.
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
  mallopt(M_TOP_PAD, 64 << 20);
  Synthesize("a");  // the synthesizer started, so that its settings hold
  Steady steady;
  std::map<std::pair<std::string, std::string>, Take> takes;
  for (const std::string& a : names)
    for (const std::string& b : names) takes[{a, b}] = Record(a, b);

  // The recordings' period, from a long vowel.
  const Take& vowel = takes.at({"a", "a"});
  std::vector<int> lags = Periods(vowel.x, kRate / 400, kRate / 60, kRate / 200, kRate / 50);
  std::vector<int> voiced;
  for (int l : lags)
    if (l) voiced.push_back(l);
  std::sort(voiced.begin(), voiced.end());
  int period = voiced.empty() ? kRate / 150 : voiced[voiced.size() / 2];

  // Levels: each phoneme's typical loudness at the cuts.
  const size_t edge = kRate / 50;
  std::map<std::string, std::vector<double>> levels;
  auto counts = [](const std::string& p) { return p != "_" && !IsStop(p); };
  for (auto& [pair, t] : takes) {
    if (!t.held) continue;
    t.marks = Marks(t.x, period);
    if (counts(pair.first)) levels[pair.first].push_back(Rms(t.x, t.begin, edge));
    if (counts(pair.second)) levels[pair.second].push_back(Rms(t.x, t.end - edge, edge));
  }
  std::map<std::string, double> typical;
  for (auto& [p, v] : levels) {
    std::sort(v.begin(), v.end());
    typical[p] = v[v.size() / 2];
  }
  float peak = 0;
  for (auto& [pair, t] : takes) {
    if (!t.held) continue;
    double sum = 0;
    int n = 0;
    for (int side = 0; side < 2; ++side) {
      const std::string& p = side ? pair.second : pair.first;
      double level = side ? Rms(t.x, t.end - edge, edge) : Rms(t.x, t.begin, edge);
      if (counts(p) && level > 1e-3) sum += std::log(typical[p] / level), ++n;
    }
    float gain = n ? static_cast<float>(std::clamp(std::exp(sum / n), 0.5, 2.0)) : 1.0f;
    for (float& v : t.x) v *= gain, peak = std::max(peak, std::fabs(v));
  }

  Voice voice;
  voice.db.rate = kRate;
  voice.db.info = "Zelnar br4: Brazilian Portuguese diphones recorded from " + SynthesizerVersion();
  voice.list = "; Diphones of the voice br4, one a line, made with the voice.\n";
  const float scale = peak > 0 ? 0.9f * 32767.0f / peak : 1.0f;
  for (const auto& [pair, t] : takes) {
    ++voice.total;
    if (!t.held) {
      std::fprintf(stderr, "zelnar-voice: diphone %s-%s could not be recorded\n", pair.first.c_str(), pair.second.c_str());
      continue;
    }
    ++voice.held;
    mbr::Diphone d;
    d.left = pair.first, d.right = pair.second;
    d.first = static_cast<uint32_t>(voice.db.samples.size());
    d.count = static_cast<uint32_t>(t.x.size());
    d.begin = static_cast<uint32_t>(t.begin), d.boundary = static_cast<uint32_t>(t.boundary);
    d.end = static_cast<uint32_t>(t.end);
    d.firstMark = static_cast<uint32_t>(voice.db.marks.size());
    d.markCount = static_cast<uint32_t>(t.marks.size());
    voice.db.marks.insert(voice.db.marks.end(), t.marks.begin(), t.marks.end());
    for (float v : t.x) voice.db.samples.push_back(static_cast<int16_t>(std::lrint(std::clamp(v * scale, -32767.0f, 32767.0f))));
    voice.db.diphones.push_back(d);
    voice.list += pair.first + "-" + pair.second + "\n";
  }
  return voice;
}
}  // namespace

void WriteSynthVoice(Build& b) {
  std::vector<std::string> names = Inventory(b);
  std::string recipe = "synthvoice 4 " + SynthesizerVersion() + " " + std::to_string(kPitch) + " " + std::to_string(kWpm);
  for (const std::string& n : names) recipe += " " + n + "=" + (n == "_" ? "_" : kEspeak.at(n));
  Voice voice;
  bool made = false;
  auto make = [&] {
    if (made) return;
    voice = Make(names);
    made = true;
    std::printf("zelnar-voice: synthesizer voice br4 holds %d of %d diphones (%.1f %%)\n", voice.held, voice.total,
                100.0 * voice.held / voice.total);
  };
  std::string dir = std::string(kSynthDir) + "/";
  Output(b, dir + "br4", recipe, [&] { make(); return mbr::EncodeDatabase(voice.db); });
  Output(b, dir + "portug.dfn", recipe, [&] { make(); return voice.list; });
  // Where the voice is, as an MBROLA installation registers it (synth/minireg.h).
  const std::string registry =
      "; Registry entries of the installation, read by synth/minireg.\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\TCTS\\Mbrola\\databases\\br4]\n"
      "@=\"c:\\kelmar\\davuridi\\br4\"\n";
  Output(b, std::string(kWindowsDir) + "/zelnar.reg", "registry " + registry, [&] { return registry; });
}

}  // namespace voice
