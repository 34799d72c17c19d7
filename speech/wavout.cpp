#include "speech/wavout.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "console/console.h"
#include "console/keyboard.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/waveout.h"

namespace {
constexpr int kSlotBytes = 65534;
constexpr int kSlots = 4;
constexpr int kMostInFlight = 4;
constexpr int kShortestBlock = 256;

struct Slot {
  uint8_t data[kSlotBytes];
  WaveHeader header;
};

WaveDevice* gDevice = nullptr;
WaveFormat gCurrent;  // the format the device is open with, or will be
Slot gSlots[kSlots];
int gNextSlot = 0;  // the slot used last, 1..4 (0 before the first)
int gInFlight = 0;
uint8_t gReadBuffer[kSlotBytes];
bool gQuick = false, gCut = false;

void OnWaveDone(const Message& m) { WavBlockDone(reinterpret_cast<WaveHeader*>(m.lparam)); }

bool IdIs(const uint8_t* p, const char* id) {
  for (int i = 0; i < 4; ++i) {
    unsigned char a = p[i], b = static_cast<unsigned char>(id[i]);
    if (a >= 'A' && a <= 'Z') a = static_cast<unsigned char>(a + 32);
    if (a != b) return false;
  }
  return true;
}

uint32_t Get32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// Halves go to the even neighbour: 11,025 becomes 16,538. In 64 bits, so
// that no rate can overflow; a playable rate stays far inside an int.
int64_t QuickRate(int64_t rate) {
  int64_t twice = 3 * rate;  // rate x 1.5, doubled
  int64_t whole = twice / 2;
  if (twice % 2 != 0 && whole % 2 != 0) ++whole;
  return whole;
}

// A format no real recording has (1 Hz, a thousand channels, 12 bits) is a
// corrupt file: it would hold the device for hours or overflow the sizes
// worked out from it, so it is refused and nothing sounds.
bool PlayableFormat(int64_t rate, int64_t channels, int64_t bits) {
  return rate >= kLowestRate && rate <= kHighestRate && (channels == 1 || channels == 2) && (bits == 8 || bits == 16);
}

// Greatest byte of first..last (clamped to the buffer); the first position
// holding it. A range with no byte above 0 gives its first position, so that
// the walk always moves forward.
int PeakSearch(const uint8_t* b, int count, int first, int last) {
  if (last > count - 1) last = count - 1;
  int result = first, best = 0;
  for (int i = first; i <= last; ++i) {
    if (b[i] > best) {
      best = b[i];
      result = i;
    }
  }
  return result;
}

size_t ReadSome(std::FILE* f, uint8_t* to, size_t n) { return std::fread(to, 1, n, f); }

// Drops `size` bytes of the file through the read buffer; false when the
// file ends first.
bool SkipChunk(std::FILE* f, uint32_t size) {
  while (size > 0) {
    size_t n = std::min<uint32_t>(size, kSlotBytes);
    if (ReadSome(f, gReadBuffer, n) < n) return false;
    size -= static_cast<uint32_t>(n);
  }
  return true;
}
}  // namespace

void SetQuickFlag(bool on) { gQuick = on; }
bool QuickFlag() { return gQuick; }
void SetCutFlag(bool on) { gCut = on; }
bool CutFlag() { return gCut; }

int OpenWavDevice(int sampleRate, int bits, int channels) {
  WaveFormat want{sampleRate, bits, channels};
  if (!(want == gCurrent)) {
    // The old format's blocks play to their end first; each finished block
    // posts a message, so the wait can sleep between the tests.
    while (WavBusy()) WaitMessage();
  }
  gCurrent = want;
  if (gDevice) return 0;
  SetWaveDoneHandler(OnWaveDone);
  int r = 0;
  for (int attempt = 1; attempt <= 100; ++attempt) {
    r = WaveOutOpen(&gDevice, want, PostMessage);
    if (r != kWaveAllocated) break;
    gDevice = nullptr;
    if (attempt < 100) ConsoleDelay(100);
  }
  if (r != 0) gDevice = nullptr;
  return r;
}

bool QueueWavBlock(const uint8_t* data, int count) {
  for (int i = 0; i < 40 && gInFlight >= kMostInFlight; ++i) {
    PumpMessages();
    ConsoleDelay(50);
  }
  if (gInFlight >= kMostInFlight || count <= 0 || !gDevice) return false;
  int previous = gNextSlot;
  ++gInFlight;
  gNextSlot = gNextSlot % kSlots + 1;
  Slot& s = gSlots[gNextSlot - 1];
  if (count > kSlotBytes) count = kSlotBytes;
  int length = count < kShortestBlock ? kShortestBlock : count;
  bool mono8 = gCurrent.channels == 1 && gCurrent.bits == 8;
  // A short block is made up to the least length with silence.
  if (count < kShortestBlock) std::memset(s.data + count, gCurrent.bits == 8 ? 128 : 0, size_t(kShortestBlock - count));
  std::memcpy(s.data, data, static_cast<size_t>(count));
  if (mono8 && count != kSlotBytes) s.data[count - 1] = 128;
  s.header = WaveHeader{};
  s.header.data = s.data;
  s.header.length = static_cast<uint32_t>(length);
  s.header.user = static_cast<uintptr_t>(gNextSlot);
  if (WaveOutPrepareHeader(gDevice, &s.header) != 0) {
    // The block never reaches the device: its slot is free again.
    --gInFlight;
    gNextSlot = previous;
    return false;
  }
  WaveOutWrite(gDevice, &s.header);
  return true;
}

void WavBlockDone(WaveHeader* header) {
  if (!header) return;
  uintptr_t slot = header->user;
  if (slot < 1 || slot > kSlots || header != &gSlots[slot - 1].header) return;
  if (!gDevice) return;  // reported after a reset that closed the device: nothing left to release
  int r = WaveOutUnprepareHeader(gDevice, header);
  if (r != 0) {
    switch (r) {
      case kWaveInvalidHandle: Write("Specified device handle is invalid."); break;
      case kWaveNoDriver: Write("No device driver is present."); break;
      case kWaveNoMemory: Write("Unable to allocate or lock memory."); break;
      case kWaveStillPlaying: Write("The data block pointed to by the pwh parameter is still in queue"); break;
      default: break;
    }
    ReadLine();
  }
  if (gInFlight > 0) --gInFlight;
}

bool WavBusy() {
  PumpMessages();
  if (KeyWaiting() || gInFlight == 0) CloseWavDevice();
  return gInFlight > 0;
}

void CloseWavDevice() {
  if (gDevice) {
    if (gInFlight > 0) WaveOutReset(gDevice);
    PumpMessages();
    WaveOutClose(gDevice);
    PumpMessages();
  }
  gDevice = nullptr;
}

int ShortenSpeech(uint8_t* b, int count, int bits, int sampleRate) {
  if (bits == 16) {
    count /= 2;
    for (int i = 0; i < count; ++i) b[i] = static_cast<uint8_t>(b[2 * i + 1] ^ 0x80);
  }
  if (count < 1000) return count;
  int offset = 800, step = 320, window = 200;
  if (sampleRate == 11025) offset = 200, step = 80, window = 50;
  int p = PeakSearch(b, count, offset, offset + step + window);
  int w = p, c = p;
  while (c < count - 2 * (step + window)) {
    int a = PeakSearch(b, count, c + step, c + step + window);
    int e = PeakSearch(b, count, a + step, a + step + window);
    std::memmove(b + w, b + a, static_cast<size_t>(e - a + 1));
    w += e - a + 1;
    c = e;
  }
  while (w < count && c < count && (b[w] > 148 || b[w] < 108)) b[w++] = b[c++];
  return w;
}

int PlayPcmBlock(const uint8_t* data, int length, int sampleRate, int channels, int bits) {
  if (!PlayableFormat(sampleRate, channels, bits)) return -1;
  if (gQuick) sampleRate = static_cast<int>(QuickRate(sampleRate));
  int r = OpenWavDevice(sampleRate, gCut && channels == 1 && bits == 16 ? 8 : bits, channels);
  if (r != 0) return r;
  while (length > 0) {
    // Each finished block and each key posts a message: the wait wakes at
    // one, and is no fixed delay that a time-scaled run would count as silence.
    while (gInFlight >= kMostInFlight) {
      if (KeyWaiting()) {
        CloseWavDevice();
        return 0;
      }
      WaitMessageFor(10);
    }
    if (KeyWaiting()) {
      CloseWavDevice();
      return 0;
    }
    int n = std::min(length, kSlotBytes);
    if (gCut && channels == 1) {
      // Shortened in the read buffer, so that no caller's data is changed.
      if (data != gReadBuffer) std::memmove(gReadBuffer, data, static_cast<size_t>(n));
      QueueWavBlock(gReadBuffer, ShortenSpeech(gReadBuffer, n, bits, sampleRate));
    } else {
      QueueWavBlock(data, n);
    }
    data += n;
    length -= n;
  }
  return 0;
}

int PlayWavFile(std::string_view fileName) {
  int result = -1;
  if (KeyWaiting()) return 0;
  std::FILE* f = std::fopen(ResolvePath(fileName).c_str(), "rb");
  if (!f) return -1;
  uint8_t* b = gReadBuffer;
  int64_t channels = 0, rate = 0, bits = 0;
  uint32_t remaining = 0;
  bool ready = false;
  do {
    if (ReadSome(f, b, 12) < 12 || !IdIs(b, "riff")) break;
    if (ReadSome(f, b, 8) < 8 || !IdIs(b, "fmt ")) break;
    uint32_t body = Get32(b + 4);
    // A body that cannot hold the fields, or would not fit the read buffer,
    // is not a format this device plays.
    if (body < 16 || body > kSlotBytes) break;
    if (ReadSome(f, b, body) < body) break;
    channels = Get16(b + 2);
    rate = Get32(b + 4);
    bits = Get16(b + 14);
    if (!PlayableFormat(rate, channels, bits)) break;
    for (;;) {
      if (ReadSome(f, b, 8) < 8) break;
      if (IdIs(b, "data")) {
        remaining = Get32(b + 4);
        ready = true;
        break;
      }
      if (!SkipChunk(f, Get32(b + 4))) break;
    }
  } while (false);
  if (ready) {
    result = 0;
    while (remaining > 0) {
      result = -1;
      uint32_t n = remaining > 65534 && remaining < 65790 ? 65278 : std::min<uint32_t>(remaining, kSlotBytes);
      remaining -= n;
      size_t got = ReadSome(f, b, n);
      if (got == 0) break;
      result = PlayPcmBlock(b, static_cast<int>(got), static_cast<int>(rate), static_cast<int>(channels),
                            static_cast<int>(bits));
      if (result != 0) break;
      if (KeyWaiting()) break;
    }
  }
  std::fclose(f);
  while (WavBusy()) WaitMessage();
  return result;
}

void PlayWavImage(const uint8_t* image) {
  if (!image || !IdIs(image, "riff") || !IdIs(image + 12, "fmt ")) return;
  const uint8_t* body = image + 20;
  const uint8_t* p = body + Get32(image + 16);
  while (!IdIs(p, "data")) p += 8 + Get32(p + 4);
  uint32_t d = Get32(p + 4);
  uint32_t rate = Get32(body + 4);
  // A size beyond what a length can hold is corrupt, like an impossible format.
  if (d > INT32_MAX || !PlayableFormat(rate, Get16(body + 2), Get16(body + 14))) return;
  PlayPcmBlock(p + 8, static_cast<int>(d), static_cast<int>(rate), Get16(body + 2), Get16(body + 14));
}

void ResetWavOutput() {
  if (gDevice) {
    WaveOutReset(gDevice);
    WaveOutClose(gDevice);
  }
  gDevice = nullptr;
  gCurrent = WaveFormat{};
  gNextSlot = 0;
  gInFlight = 0;
  gQuick = gCut = false;
}
