#include "tools/voice/voicebuild.h"

#include <espeak-ng/speak_lib.h>
#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace voice {
namespace {
namespace fs = std::filesystem;

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "zelnar-voice: %s\n", what.c_str());
  std::exit(1);
}

std::string ReadFile(const fs::path& p, bool* ok = nullptr) {
  std::ifstream f(p, std::ios::binary);
  if (ok) *ok = static_cast<bool>(f);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

std::string Hash(const std::string& s) {
  uint64_t h = 1469598103934665603ULL;  // FNV-1a
  for (unsigned char c : s) h = (h ^ c) * 1099511628211ULL;
  char buf[17];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(h));
  return buf;
}

std::vector<short> gSynth;
std::vector<PhonemeMark> gMarks;
int SynthCallback(short* wav, int n, espeak_EVENT* events) {
  if (wav) gSynth.insert(gSynth.end(), wav, wav + n);
  for (espeak_EVENT* e = events; e && e->type != espeakEVENT_LIST_TERMINATED; ++e)
    if (e->type == espeakEVENT_PHONEME) {
      char name[9] = {};
      std::memcpy(name, e->id.string, 8);
      gMarks.push_back({name, e->audio_position});
    }
  return 0;
}

int gRate = 0;
void StartSynthesizer() {
  if (gRate) return;
  gRate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT | espeakINITIALIZE_PHONEME_EVENTS);
  if (gRate <= 0) Fail("espeak-ng did not start");
  espeak_SetSynthCallback(SynthCallback);
  if (espeak_SetVoiceByName("pt-br") != EE_OK) Fail("espeak-ng has no Brazilian Portuguese voice");
  espeak_SetParameter(espeakRATE, 165, 0);
}
}  // namespace

std::string ReadText(const Build& b, const std::string& name) {
  bool ok = false;
  std::string s = ReadFile(fs::path(b.voiceDir) / name, &ok);
  if (!ok) Fail("cannot read voice/" + name);
  return s;
}

std::vector<std::pair<std::string, std::string>> ReadTable(const Build& b, const std::string& name) {
  std::istringstream in(ReadText(b, name));
  std::vector<std::pair<std::string, std::string>> rows;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    size_t tab = line.find('\t');
    if (tab == std::string::npos || tab == 0 || tab + 1 == line.size())
      Fail("voice/" + name + ":" + std::to_string(number) + ": expected key<TAB>text");
    rows.emplace_back(line.substr(0, tab), line.substr(tab + 1));
  }
  return rows;
}

void Output(Build& b, const std::string& path, const std::string& recipe, const std::function<std::string()>& make) {
  fs::path full = fs::path(b.drivesDir) / path;
  std::string h = Hash(std::string(kRecipeVersion) + " " + recipe);
  auto it = b.manifest.find(path);
  if (it != b.manifest.end() && it->second == h && fs::exists(full)) {
    ++b.kept;
    return;
  }
  std::string bytes = make();
  bool had = false;
  if (ReadFile(full, &had) != bytes || !had) {
    fs::create_directories(full.parent_path());
    std::ofstream f(full, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!f) Fail("cannot write " + full.string());
  }
  b.manifest[path] = h;
  b.manifestChanged = true;
  ++b.made;
}

std::string SynthesizerVersion() {
  const char* path = nullptr;
  return std::string("espeak-ng ") + espeak_Info(&path) + " pt-br 165";
}

Sound Synthesize(const std::string& utf8) { return Synthesize(utf8, nullptr); }

Sound Synthesize(const std::string& utf8, std::vector<PhonemeMark>* marks) {
  StartSynthesizer();
  gSynth.clear();
  gMarks.clear();
  // Phoneme input ("[[...]]") only where the caller asked for the phonemes' marks.
  unsigned flags = espeakCHARS_UTF8 | (marks ? espeakPHONEMES : 0);
  espeak_ERROR e = espeak_Synth(utf8.c_str(), utf8.size() + 1, 0, POS_CHARACTER, 0, flags, nullptr, nullptr);
  if (e != EE_OK) Fail("espeak-ng could not say: " + utf8);
  espeak_Synchronize();
  Sound s;
  s.rate = gRate;
  s.samples.reserve(gSynth.size());
  for (short v : gSynth) s.samples.push_back(static_cast<float>(v) / 32768.0f);
  if (s.samples.empty()) Fail("espeak-ng said nothing for: " + utf8);
  if (marks) *marks = gMarks;
  return s;
}

Sound Trim(const Sound& s, int keepMs) {
  const float kQuiet = 0.02f;
  size_t first = 0, last = s.samples.size();
  while (first < last && std::fabs(s.samples[first]) < kQuiet) ++first;
  while (last > first && std::fabs(s.samples[last - 1]) < kQuiet) --last;
  size_t keep = static_cast<size_t>(s.rate) * static_cast<size_t>(keepMs) / 1000;
  first = first > keep ? first - keep : 0;
  last = std::min(s.samples.size(), last + keep);
  Sound t;
  t.rate = s.rate;
  t.samples.assign(s.samples.begin() + static_cast<long>(first), s.samples.begin() + static_cast<long>(last));
  return t;
}

Sound Normalize(const Sound& s, float peak) {
  float top = 0;
  for (float v : s.samples) top = std::max(top, std::fabs(v));
  Sound t = s;
  if (top > 0)
    for (float& v : t.samples) v *= peak / top;
  return t;
}

Sound Resample(const Sound& s, int rate) {
  if (s.rate == rate) return s;
  size_t cap = s.samples.size() * static_cast<size_t>(rate) / static_cast<size_t>(s.rate) + 64;
  Sound t;
  t.rate = rate;
  t.samples.resize(cap);
  size_t done = 0;
  soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
  soxr_quality_spec_t q = soxr_quality_spec(SOXR_HQ, 0);
  soxr_error_t e = soxr_oneshot(s.rate, rate, 1, s.samples.data(), s.samples.size(), nullptr, t.samples.data(), cap,
                                &done, &io, &q, nullptr);
  if (e) Fail(std::string("libsoxr: ") + e);
  t.samples.resize(done);
  return t;
}

std::string EncodeWav(const Sound& s, int bits) {
  auto le = [](std::string& o, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) o += static_cast<char>(v >> (8 * i));
  };
  uint32_t bytesPer = static_cast<uint32_t>(bits / 8);
  uint32_t data = static_cast<uint32_t>(s.samples.size()) * bytesPer;
  std::string o = "RIFF";
  le(o, data + 36, 4);
  o += "WAVEfmt ";
  le(o, 16, 4);
  le(o, 1, 2);
  le(o, 1, 2);
  le(o, static_cast<uint32_t>(s.rate), 4);
  le(o, static_cast<uint32_t>(s.rate) * bytesPer, 4);
  le(o, bytesPer, 2);
  le(o, static_cast<uint32_t>(bits), 2);
  o += "data";
  le(o, data, 4);
  for (float v : s.samples) {
    float c = std::clamp(v, -1.0f, 1.0f);
    if (bits == 8) {
      o += static_cast<char>(std::clamp(static_cast<int>(std::lrint(c * 127.0f)) + 128, 1, 255));
    } else {
      le(o, static_cast<uint16_t>(static_cast<int16_t>(std::lrint(c * 32767.0f))), 2);
    }
  }
  return o;
}

}  // namespace voice
