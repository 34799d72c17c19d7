// Each phoneme of an utterance is made of two halves: the end of the diphone
// that leads into it and the start of the diphone that leads out of it, each
// stretched to its share of the phoneme's duration (shares in proportion to
// the recorded halves). Voiced stretches are rebuilt from two-period grains
// taken at the recorded pitch marks and laid at the requested pitch; unvoiced
// stretches (no marks) from 10 ms grains laid 5 ms apart, which changes their
// length and nothing else. Every grain is Hann-windowed and overlap-added, so
// joins between diphones have no steps.
//
// A phoneme is rendered once the next one is known (its second half comes
// from the diphone into the next) and a pitch point after it is known (the
// contour is interpolated between points), or when 100 phonemes wait.
#include "synth/mbrola/synthesis.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <deque>
#include <sstream>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "synth/mbrola/libmbrola.h"

namespace mbr {
namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr size_t kMaxLine = 1024;
constexpr double kMaxMs = 60000;   // one minute: longer is surely a mistake
constexpr size_t kMaxPoints = 64;  // pitch points per phoneme
constexpr double kMinHz = 20, kMaxHz = 2000;
constexpr size_t kMaxWaiting = 100;

struct Half {
  int diphone = -1;  // -1: silence
  double s0 = 0, s1 = 0;  // source range, relative to the diphone's first sample
  double Length() const { return diphone < 0 ? 0 : s1 - s0; }
};
// The diphone between two phonemes: its left half ends the first phoneme,
// its right half starts the second.
struct Junction {
  Half left, right;
};
struct Phoneme {
  std::string name;
  int64_t t0 = 0, len = 0;  // output samples
  Junction in;              // from the phoneme before
};
struct Point {
  double t, hz;
};

struct State {
  Database db;
  bool open = false;
  std::unordered_map<std::string, int> diphones;  // "left-right", lower case
  std::unordered_set<std::string> phonemes;
  std::unordered_map<std::string, std::string> alias;
  std::unordered_set<std::string> hidden;
  double naturalHz = 120;  // pitch when no point was given
  int maxPeriod = 320;     // longest gap between two marks of one voiced stretch (samples)

  int error = 0;
  std::string errorText;
  bool noError = false;
  int rate = 16000;
  float volume = 1;

  std::deque<Phoneme> waiting;
  std::string previous = "_";
  double ms = 0;
  int64_t end = 0;
  std::vector<Point> points;
  double nextMark = 0;
  std::vector<float> acc;  // samples from accBase on, still being added to
  int64_t accBase = 0;
  std::vector<int16_t> ready;
  size_t readAt = 0;
};
State g;

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

// The voice's name for a phoneme name, or "" when the voice has none.
std::string Canon(const std::string& name) {
  std::string n = Lower(name);
  auto a = g.alias.find(n);
  if (a != g.alias.end()) return a->second;
  if (g.hidden.count(n) || !g.phonemes.count(n)) return "";
  return n;
}

int Find(const std::string& a, const std::string& b) {
  auto it = g.diphones.find(a + "-" + b);
  return it == g.diphones.end() ? -1 : it->second;
}

Half LeftOf(int d) {
  if (d < 0) return {};
  const Diphone& x = g.db.diphones[static_cast<size_t>(d)];
  return {d, static_cast<double>(x.begin), static_cast<double>(x.boundary)};
}
Half RightOf(int d) {
  if (d < 0) return {};
  const Diphone& x = g.db.diphones[static_cast<size_t>(d)];
  return {d, static_cast<double>(x.boundary), static_cast<double>(x.end)};
}

// A missing diphone a-b is bridged through silence: a ends as it would
// before a pause (a-_) and b starts as after one (_-b).
Junction Join(const std::string& a, const std::string& b) {
  int d = Find(a, b);
  if (d >= 0) return {LeftOf(d), RightOf(d)};
  if (!g.noError) SetError(MBR_ERR_DIPHONE, "unknown diphone " + a + "-" + b);
  return {LeftOf(Find(a, "_")), RightOf(Find("_", b))};
}

double PitchAt(double t) {
  if (g.points.empty()) return g.naturalHz;
  auto it = std::lower_bound(g.points.begin(), g.points.end(), t, [](const Point& p, double v) { return p.t < v; });
  if (it == g.points.begin()) return it->hz;
  if (it == g.points.end()) return g.points.back().hz;
  const Point& a = *(it - 1);
  const Point& b = *it;
  if (b.t <= a.t) return b.hz;
  return a.hz + (b.hz - a.hz) * (t - a.t) / (b.t - a.t);
}

const std::vector<float>& Window(int half) {
  static std::vector<std::vector<float>> windows;
  if (windows.size() <= static_cast<size_t>(half)) windows.resize(static_cast<size_t>(half) + 1);
  std::vector<float>& w = windows[static_cast<size_t>(half)];
  if (w.empty()) {
    w.resize(2 * static_cast<size_t>(half) + 1);
    for (int n = -half; n <= half; ++n)
      w[static_cast<size_t>(n + half)] = static_cast<float>(0.5 + 0.5 * std::cos(kPi * n / half));
  }
  return w;
}

// A Hann-windowed grain of the diphone around `src`, added around `at`.
void AddGrain(const Diphone& d, int64_t src, int64_t at, int half) {
  if (half < 1) return;
  const std::vector<float>& w = Window(half);
  int64_t need = at + half + 1 - g.accBase;
  if (need > static_cast<int64_t>(g.acc.size())) g.acc.resize(static_cast<size_t>(need), 0.0f);
  for (int n = -half + 1; n < half; ++n) {
    int64_t s = src + n, o = at + n - g.accBase;
    if (s < 0 || s >= d.count || o < 0) continue;
    g.acc[static_cast<size_t>(o)] += w[static_cast<size_t>(n + half)] * g.db.samples[d.first + static_cast<size_t>(s)];
  }
}

int Hop() { return std::max(1, g.rate / 200); }  // 5 ms

void RenderHalf(const Half& h, int64_t t0, int64_t t1) {
  if (t1 <= t0) return;
  g.nextMark = std::max(g.nextMark, static_cast<double>(t0));
  while (g.nextMark < static_cast<double>(t1)) {
    double t = g.nextMark;
    if (h.diphone < 0) {
      g.nextMark += Hop();
      continue;
    }
    const Diphone& d = g.db.diphones[static_cast<size_t>(h.diphone)];
    double sp = h.s0 + (t - static_cast<double>(t0)) * (h.s1 - h.s0) / static_cast<double>(t1 - t0);
    const uint32_t* m = g.db.marks.data() + d.firstMark;
    size_t k = static_cast<size_t>(std::upper_bound(m, m + d.markCount, sp) - m);
    if (k > 0 && k < d.markCount && static_cast<int>(m[k] - m[k - 1]) <= g.maxPeriod) {
      double period = m[k] - m[k - 1];
      uint32_t mark = sp - m[k - 1] < m[k] - sp ? m[k - 1] : m[k];
      double target = g.rate / std::clamp(PitchAt(t), kMinHz, kMaxHz);
      AddGrain(d, mark, std::llround(t), static_cast<int>(std::min(period, target)));
      g.nextMark += target;
    } else {
      AddGrain(d, std::llround(sp), std::llround(t), Hop());
      g.nextMark += Hop();
    }
  }
}

void RenderPhoneme(const Phoneme& p, const Junction& out) {
  double a = p.in.right.Length(), b = out.left.Length();
  int64_t first = a + b > 0 ? std::llround(static_cast<double>(p.len) * a / (a + b)) : p.len;
  RenderHalf(a + b > 0 ? p.in.right : Half{}, p.t0, p.t0 + first);
  RenderHalf(out.left, p.t0 + first, p.t0 + p.len);
}

// Moves the finished samples before `upTo` to the readable queue.
void Commit(int64_t upTo) {
  int64_t n = std::min<int64_t>(upTo - g.accBase, static_cast<int64_t>(g.acc.size()));
  if (upTo <= g.accBase) return;
  if (g.ready.size() == g.readAt) g.ready.clear(), g.readAt = 0;
  for (int64_t i = 0; i < upTo - g.accBase; ++i) {
    float v = i < n ? g.acc[static_cast<size_t>(i)] * g.volume : 0.0f;
    g.ready.push_back(static_cast<int16_t>(std::lrint(std::clamp(v, -32768.0f, 32767.0f))));
  }
  g.acc.erase(g.acc.begin(), g.acc.begin() + n);
  g.accBase = upTo;
}

void Render(bool final) {
  while (!g.waiting.empty() && (final || g.waiting.size() >= 2)) {
    const Phoneme& p = g.waiting.front();
    int64_t stop = p.t0 + p.len;
    bool pitchKnown = !g.points.empty() && g.points.back().t >= static_cast<double>(stop);
    if (!final && !pitchKnown && g.waiting.size() <= kMaxWaiting) break;
    Junction out = g.waiting.size() >= 2 ? g.waiting[1].in : Join(p.name, "_");
    RenderPhoneme(p, out);
    g.waiting.pop_front();
    while (g.points.size() >= 2 && g.points[1].t <= g.nextMark) g.points.erase(g.points.begin());
    // Later grains start at most one period (or hop) before the next mark.
    Commit(std::min<int64_t>(stop, static_cast<int64_t>(g.nextMark) - std::max(g.maxPeriod, Hop()) - 1));
  }
  if (final) {
    Commit(g.end);
    g.acc.clear();
    g.accBase = 0;
    g.end = 0;
    g.ms = 0;
    g.nextMark = 0;
    g.points.clear();
    g.previous = "_";
  }
}

bool Number(const std::string& token, double& v) {
  auto r = std::from_chars(token.data(), token.data() + token.size(), v);
  return r.ec == std::errc() && r.ptr == token.data() + token.size() && std::isfinite(v);
}

void Line(std::string line) {
  size_t semi = line.find(';');
  if (semi != std::string::npos) line.resize(semi);
  std::vector<std::string> f;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && std::strchr(" \t\r\f\v", line[i])) ++i;
    size_t j = i;
    while (j < line.size() && !std::strchr(" \t\r\f\v", line[j])) ++j;
    if (j > i) f.push_back(line.substr(i, j - i));
    i = j;
  }
  if (f.empty()) return;
  if (f[0] == "#") return Flush();
  std::string name = Canon(f[0]);
  if (name.empty()) return SetError(MBR_ERR_PHONEME, "unknown phoneme " + f[0].substr(0, 16));
  double ms = 0;
  if (f.size() < 2 || !Number(f[1], ms) || ms < 0) return SetError(MBR_ERR_LINE, "no valid duration for " + f[0]);
  if (ms > kMaxMs) {
    SetError(MBR_ERR_LINE, "duration of " + f[0] + " cut to one minute");
    ms = kMaxMs;
  }
  Phoneme p;
  p.name = name;
  p.t0 = g.end;
  g.ms += ms;
  g.end = std::llround(g.ms * g.rate / 1000.0);
  p.len = g.end - p.t0;
  p.in = Join(g.previous, name);
  g.previous = name;
  if (f.size() % 2) SetError(MBR_ERR_LINE, "pitch position without a pitch for " + f[0]);
  for (size_t k = 2; k + 1 < f.size(); k += 2) {
    double pos = 0, hz = 0;
    if (k / 2 > kMaxPoints) {
      SetError(MBR_ERR_LINE, "more than 64 pitch points for " + f[0]);
      break;
    }
    if (!Number(f[k], pos) || !Number(f[k + 1], hz) || hz < kMinHz || hz > kMaxHz) {
      SetError(MBR_ERR_LINE, "bad pitch point for " + f[0]);
      continue;
    }
    if (pos < 0 || pos > 100) SetError(MBR_ERR_LINE, "pitch position outside 0..100 for " + f[0]);
    double t = static_cast<double>(p.t0) + std::clamp(pos, 0.0, 100.0) / 100.0 * static_cast<double>(p.len);
    auto at = std::upper_bound(g.points.begin(), g.points.end(), t, [](double v, const Point& q) { return v < q.t; });
    g.points.insert(at, {t, hz});
  }
  g.waiting.push_back(p);
  Render(false);
}
}  // namespace

bool OpenVoice(const std::string& path, const char* rename, const char* clone) {
  CloseVoice();
  std::string error;
  if (!LoadDatabase(path, g.db, error)) {
    SetError(MBR_ERR_DATABASE, error);
    return false;
  }
  std::vector<uint32_t> periods;
  for (size_t i = 0; i < g.db.diphones.size(); ++i) {
    const Diphone& d = g.db.diphones[i];
    std::string l = Lower(d.left), r = Lower(d.right);
    g.phonemes.insert(l);
    g.phonemes.insert(r);
    g.diphones.emplace(l + "-" + r, static_cast<int>(i));
    for (uint32_t k = 1; k < d.markCount; ++k) periods.push_back(g.db.marks[d.firstMark + k] - g.db.marks[d.firstMark + k - 1]);
  }
  g.maxPeriod = static_cast<int>(g.db.rate / 50);
  periods.erase(std::remove_if(periods.begin(), periods.end(), [](uint32_t p) { return p > static_cast<uint32_t>(g.maxPeriod); }),
                periods.end());
  if (!periods.empty()) {
    std::nth_element(periods.begin(), periods.begin() + static_cast<long>(periods.size() / 2), periods.end());
    uint32_t median = periods[periods.size() / 2];
    g.naturalHz = static_cast<double>(g.db.rate) / median;
    // A voice is recorded at one steady pitch: a gap much longer than its
    // period is a pause in the voicing (a stop's closure), not a period.
    g.maxPeriod = std::min(g.maxPeriod, static_cast<int>(median * 8 / 5));
  }
  // "new old" pairs: a renamed phoneme loses its old name, a clone keeps it.
  for (int pass = 0; pass < 2; ++pass) {
    std::istringstream words(pass == 0 ? (rename ? rename : "") : (clone ? clone : ""));
    std::string newName, old;
    while (words >> newName >> old) {
      if (!g.phonemes.count(Lower(old))) {
        SetError(MBR_ERR_PHONEME, "cannot rename unknown phoneme " + old.substr(0, 16));
        CloseVoice();
        return false;
      }
      g.alias[Lower(newName)] = Lower(old);
      if (pass == 0) g.hidden.insert(Lower(old));
    }
  }
  g.open = true;
  g.rate = static_cast<int>(g.db.rate);
  Reset();
  return true;
}

void CloseVoice() {
  State fresh;
  fresh.error = g.error;
  fresh.errorText = g.errorText;
  fresh.noError = g.noError;
  fresh.volume = g.volume;
  g = std::move(fresh);
}

bool VoiceOpen() { return g.open; }
const Database& Voice() { return g.db; }

void Write(const char* text) {
  if (!text) return SetError(MBR_ERR_ARGUMENT, "no text");
  if (!g.open) return SetError(MBR_ERR_NOT_READY, "no voice loaded");
  const char* p = text;
  while (*p) {
    const char* e = std::strchr(p, '\n');
    size_t n = e ? static_cast<size_t>(e - p) : std::strlen(p);
    if (n > kMaxLine) SetError(MBR_ERR_LINE, "line longer than 1024 characters");
    else Line(std::string(p, n));
    p += n + (e ? 1 : 0);
  }
}

void Flush() {
  if (!g.open) return SetError(MBR_ERR_NOT_READY, "no voice loaded");
  Render(true);
}

int Read(int16_t* out, int wanted) {
  if (!out || wanted <= 0) return 0;
  size_t n = std::min(static_cast<size_t>(wanted), g.ready.size() - g.readAt);
  std::copy_n(g.ready.begin() + static_cast<long>(g.readAt), n, out);
  g.readAt += n;
  return static_cast<int>(n);
}

void Reset() {
  g.waiting.clear();
  g.previous = "_";
  g.ms = 0;
  g.end = 0;
  g.points.clear();
  g.nextMark = 0;
  g.acc.clear();
  g.accBase = 0;
  g.ready.clear();
  g.readAt = 0;
  g.error = 0;
  g.errorText.clear();
}

int LastError() { return g.error; }
const std::string& LastErrorText() { return g.errorText; }
void SetError(int code, const std::string& text) {
  g.error = code;
  g.errorText = text;
}
void SetNoError(bool on) { g.noError = on; }
bool NoError() { return g.noError; }
void SetRate(int hz) {
  if (hz < 4000 || hz > 96000) return SetError(MBR_ERR_ARGUMENT, "output rate outside 4000..96000 Hz");
  if (hz == g.rate) return;
  // An utterance's times are counted at one rate: one under way is dropped.
  std::vector<int16_t> ready(g.ready.begin() + static_cast<long>(g.readAt), g.ready.end());
  int error = g.error;
  std::string text = g.errorText;
  Reset();
  g.ready = std::move(ready);
  SetError(error, text);
  g.rate = hz;
}
int Rate() { return g.rate; }
void SetVolume(float ratio) {
  if (std::isfinite(ratio) && ratio >= 0 && ratio <= 16) g.volume = ratio;
  else SetError(MBR_ERR_ARGUMENT, "volume ratio outside 0..16");
}
float Volume() { return g.volume; }

}  // namespace mbr
