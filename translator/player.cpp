#include "translator/player.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/messages.h"
#include "platform/paths.h"
#include "speech/sounds.h"
#include "translator/files.h"

namespace {
constexpr int kHeader = 44;
constexpr int kSampleRate = 11025;

int gFill = kHeader;
std::string_view gText;
size_t gPos = 0;  // 0-based reading position
int gStressMode = 1;
int gDepth = 0;
uint32_t gNoiseSeed = 0x2545F491u;
SegmentObserver gObserver = nullptr;

bool IsPhoneticConsonant(char c) { return c && std::strchr("bcdfgjklmnpqrstvxz", c); }
bool IsPhoneticVowel(char c) { return c && std::strchr("aeiouAEIOUwy", c); }
bool IsGlide(char c) { return c == 'w' || c == 'y'; }
bool IsMark(char c) { return c == '^' || c == '~'; }
bool IsStressedVowel(char c) { return c && std::strchr("AEIOU", c); }

void MakeRoom(int n) {
  if (gFill + n >= kSpeechBufferSize) {
    FlushSpeechBuffer();
    while (SpeechBusy()) WaitMessage();
  }
}

// Appends samples; what does not fit one block goes on in the next, so a
// segment longer than the buffer is played whole across blocks.
void AppendBytes(const uint8_t* data, size_t n) {
  while (n > 0) {
    size_t chunk = std::min<size_t>(n, kSpeechBufferSize - kHeader - 1);
    MakeRoom(static_cast<int>(chunk));
    if (uint8_t* buffer = SpeechBuffer()) {
      std::memcpy(buffer + gFill, data, chunk);
      gFill += static_cast<int>(chunk);
    }
    data += chunk;
    n -= chunk;
  }
}

void AppendNoise() {
  uint8_t noise[300];
  for (uint8_t& b : noise) {
    gNoiseSeed = gNoiseSeed * 1103515245u + 12345u;
    b = static_cast<uint8_t>(88 + (gNoiseSeed >> 16) % 80);
  }
  AppendBytes(noise, sizeof noise);
}

bool EqualNoCase(const char* a, const char* b) {
  for (int i = 0; i < 4; ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = char(x - 32);
    if (y >= 'a' && y <= 'z') y = char(y - 32);
    if (x != y) return false;
  }
  return true;
}

uint32_t Little32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

// Skips n bytes by reading them; false on a short read.
bool Skip(std::FILE* f, uint32_t n) {
  uint8_t buf[4096];
  while (n > 0) {
    size_t want = std::min<size_t>(n, sizeof buf);
    if (std::fread(buf, 1, want, f) != want) return false;
    n -= static_cast<uint32_t>(want);
  }
  return true;
}

// The size of the "data" chunk with the file at its first sample, or 0.
uint32_t ReadWavDataSize(std::FILE* f) {
  uint8_t head[12];
  if (std::fread(head, 1, 12, f) != 12 || !EqualNoCase(reinterpret_cast<char*>(head), "RIFF")) return 0;
  uint8_t chunk[8];
  if (std::fread(chunk, 1, 8, f) != 8 || !EqualNoCase(reinterpret_cast<char*>(chunk), "fmt ")) return 0;
  if (!Skip(f, Little32(chunk + 4))) return 0;
  for (;;) {
    if (std::fread(chunk, 1, 8, f) != 8) return 0;
    if (EqualNoCase(reinterpret_cast<char*>(chunk), "data")) return Little32(chunk + 4);
    if (!Skip(f, Little32(chunk + 4))) return 0;
  }
}

bool PlayCharacterFile(const std::string& name) {
  std::FILE* f = std::fopen(ResolvePath(TranslatorLettersDirectory() + name + ".wav").c_str(), "rb");
  if (!f) return false;
  uint32_t size = ReadWavDataSize(f);
  if (size == 0) {
    std::fclose(f);
    return false;
  }
  std::vector<uint8_t> block(kSpeechBufferSize - kHeader);
  while (size > 0) {
    size_t got = std::fread(block.data(), 1, std::min<size_t>(size, block.size()), f);
    if (got == 0) break;
    AppendBytes(block.data(), got);
    size -= static_cast<uint32_t>(got);
  }
  std::fclose(f);
  return true;
}

// A segment shortened by the cut or a factor would end mid-wave and click;
// it ends instead at its last crossing of the centre line within 20 ms.
// data holds n samples and, when the segment goes on, the one after them.
size_t EndAtZeroCrossing(const uint8_t* data, size_t n, size_t have) {
  const size_t kReach = kSampleRate / 50;
  for (size_t i = std::min(n, have - 1); i >= 1 && n - i < kReach; --i) {
    int a = data[i - 1] - 128, b = data[i] - 128;
    if (a == 0 || (a < 0) != (b < 0)) return i;
  }
  return n;
}

// After the zero crossing, the last 3 ms of a shortened segment still stop
// from full loudness within one period; they fade to silence instead, the
// last sample at the centre line.
void FadeOut(uint8_t* data, size_t n) {
  const size_t kFade = kSampleRate * 3 / 1000;
  size_t m = std::min(kFade, n / 2);
  for (size_t i = 0; i < m; ++i) {
    uint8_t& v = data[n - 1 - i];
    v = static_cast<uint8_t>(128 + (v - 128) * static_cast<int>(i) / static_cast<int>(m));
  }
}

bool PlayDiphone(const std::string& name, int mode, double f) {
  std::string key = name;
  for (char& c : key)
    if (c >= 'a' && c <= 'z') c = char(c - 32);
  const IndexRecord* rec = FindDiphone(key);
  if (!rec) return false;
  long length = rec->length;
  if (mode < 2 && key.size() >= 3)
    length = std::max<long>(length - SegmentCut(), std::min<long>(length, SegmentFloor()));
  long n = static_cast<long>(length * f);
  if (n <= 0) return true;
  bool shortened = static_cast<uint32_t>(n) < rec->length;
  std::vector<uint8_t> data(static_cast<size_t>(n) + (shortened ? 1 : 0));
  size_t got = ReadDiphoneData(rec->offset, data.size(), data.data());
  size_t keep = std::min(got, static_cast<size_t>(n));
  if (shortened && got > keep) keep = EndAtZeroCrossing(data.data(), keep, got);
  if (shortened) FadeOut(data.data(), keep);
  AppendBytes(data.data(), keep);
  return true;
}

void PlaySegment(std::string name, int mode, double f) {
  if (name.size() > 12) name.resize(12);
  bool found = name[0] == '_' ? PlayCharacterFile(name) : PlayDiphone(name, mode, f);
  if (gObserver) gObserver(name, found, gDepth);
  if (found) return;
  if (name.size() <= 2) {
    AppendNoise();
    return;
  }
  ++gDepth;
  char x = name.back();
  auto endsWith = [&](std::string_view tail) {
    return name.size() >= tail.size() && name.compare(name.size() - tail.size(), tail.size(), tail) == 0;
  };
  if (IsPhoneticVowel(x)) {
    PlaySegment(name.substr(0, name.size() - 1), mode, 0.9 * f);
    PlaySegment(std::string("$") + x, mode, f);
  } else if (endsWith("CIRC") && name.size() >= 7) {
    PlaySegment(name.substr(0, name.size() - 5), mode, 0.9 * f);
    PlaySegment("$" + name.substr(name.size() - 5), mode, f);
  } else if (endsWith("TIL")) {
    std::string r = name.substr(0, name.size() - 3);
    char last = r.back();
    if (last >= 'a' && last <= 'z') last = char(last - 32);
    if (last == 'I' || last == 'U') PlaySegment(r, mode, 0.9 * f);
    else PlaySegment(r + "CIRC", 2, 0.9 * f);
    PlaySegment("$nn", 1, 0.9);
  }
  --gDepth;
}

// Reads the next unit and moves past the character that ended it.
std::string ReadUnit() {
  std::string unit;
  if (gPos < gText.size() && gText[gPos] == '[') {
    gStressMode = 1;
    ++gPos;
  }
  auto add = [&](char c) {
    if (unit.size() < 40) unit += c;
  };
  while (gPos < gText.size()) {
    char c = gText[gPos];
    if (c == ' ' || c == ']') break;
    if (c == '/') {
      if (unit.size() > 8) break;
      ++gPos;
      continue;
    }
    if (c == '_') {
      add('_');
      if (gPos + 1 < gText.size()) add(gText[gPos + 1]);
      gPos += 2;
      continue;
    }
    add(c);
    ++gPos;
  }
  ++gPos;
  if (unit.size() == 2 && unit[0] == '_') {
    int pause = 0;
    switch (unit[1]) {
      case ',': pause = 4000; break;
      case '.': case ':': pause = 8000; break;
      case ';': pause = 6000; break;
    }
    if (pause) {
      unit.clear();
      AppendSilence(pause);
    }
  }
  return unit;
}
}  // namespace

void PlayPiece(std::string_view piece, double f) {
  std::string t(piece.substr(0, 12));
  if (t.empty()) return;
  std::string name = "$";
  bool stressed = false;
  if (t[0] == '_') {
    name = "_" + (t.size() > 1 ? std::to_string(static_cast<unsigned char>(t[1])) : std::string());
    if (t.size() > 1) PlaySegment(name, gStressMode, f);
    return;
  }
  for (char x : t) {
    if (IsStressedVowel(x)) {
      gStressMode = 2;
      stressed = true;
    }
    if (x == '^') {
      PlaySegment(name + "CIRC", gStressMode, f);
      name = "$";
    } else if (x == '~') {
      PlaySegment(name + "TIL", gStressMode, f);
      name = "$";
    } else if (name.size() < 12) {
      name += x;
    }
  }
  if (name != "$") PlaySegment(name, gStressMode, f);
  if (stressed) gStressMode = 0;
}

void SplitUnit(std::string_view t, double f) {
  const size_t n = t.size();
  if (n == 0) return;
  if (n == 1) return PlayPiece(t, f);
  if (n >= 3) {
    if (IsPhoneticConsonant(t[0]) && IsPhoneticConsonant(t[1])) {
      std::string_view two = t.substr(0, 2);
      if (two != "dj" && two != "nh" && two != "rr" && two != "ks" && t.substr(0, 3) != "tch") {
        PlayPiece(t.substr(0, 1), 1.0);
        return SplitUnit(t.substr(1), f);
      }
    }
    if (t.substr(n - 2) == "rr") {
      SplitUnit(t.substr(0, n - 2), f);
      return PlayPiece("rr", f);
    }
    if (IsPhoneticConsonant(t[n - 1])) {
      SplitUnit(t.substr(0, n - 1), f);
      return SplitUnit(t.substr(n - 1), f);
    }
    if (IsGlide(t[n - 1]) && IsPhoneticVowel(t[n - 2])) {
      SplitUnit(t.substr(0, n - 1), 0.6);
      return PlayPiece(t.substr(n - 2), f);
    }
  }
  char mark = t[n - 2];
  if (IsMark(mark) && n >= 3) {
    std::string last{t[n - 3], t[n - 1], mark};
    if (n >= 4) {
      if (mark == '~') SplitUnit(std::string(t.substr(0, n - 2)) + "^", 0.6);
      else SplitUnit(t.substr(0, n - 1), 0.6);
      return PlayPiece(last, f);
    }
    return PlayPiece(std::string{t[0], t[2], t[1]}, f);
  }
  if (t != "_s" && t.back() == 's') {
    SplitUnit(t.substr(0, 1), 0.7);
    return PlayPiece("s", f);
  }
  PlayPiece(t, f);
}

void AppendSilence(int count) {
  static const uint8_t kQuiet[100] = {128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128,
                                      128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128,
                                      128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128,
                                      128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128,
                                      128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128,
                                      128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128,
                                      128, 128, 128, 128, 128, 128, 128, 128, 128, 128};
  for (int i = 0; i < count / 100; ++i) AppendBytes(kQuiet, sizeof kQuiet);
}

void FlushSpeechBuffer() {
  uint8_t* buffer = SpeechBuffer();
  if (gFill == kHeader || !buffer) return;
  MakeWavHeader(buffer, gFill - kHeader, kSampleRate, 1, 8);
  PlayImageAndWait(buffer);
  gFill = kHeader;
}

void SpeakPhonetic(std::string_view s) {
  gFill = kHeader;
  gText = s;
  gPos = 0;
  gStressMode = 1;
  while (gPos < gText.size()) {
    std::string unit = ReadUnit();
    SplitUnit(unit, 1.0);
    if (gPos < gText.size() && gText[gPos - 1] != ' ') AppendSilence(WordPause());
  }
  FlushSpeechBuffer();
  gText = {};
}

void SetSegmentObserver(SegmentObserver observer) { gObserver = observer; }

void ResetPlayer() {
  gFill = kHeader;
  gText = {};
  gPos = 0;
  gStressMode = 1;
  gDepth = 0;
  gNoiseSeed = 0x2545F491u;
  gObserver = nullptr;
}
