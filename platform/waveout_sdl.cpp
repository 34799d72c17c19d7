// Wave output through SDL2 audio. The device is opened in the blocks' own
// format (SDL converts to the hardware's) with a period of about 10 ms, so a
// reset is heard within one period. It stays open, paused, between sounds of
// one format, so that the next sound starts without reopening it.
#include <SDL.h>

#include <cstdlib>
#include <deque>

#include "platform/messages.h"
#include "platform/waveout.h"

namespace {
SDL_AudioDeviceID gDev = 0;
WaveFormat gFormat;
WaveNotify gNotify = nullptr;
std::deque<WaveHeader*> gQueue;  // guarded by the SDL audio lock
uint32_t gPos = 0;               // bytes of the front block already played

void Callback(void*, Uint8* out, int len) {
  uint8_t silence = gFormat.bits == 8 ? 0x80 : 0;
  while (len > 0 && !gQueue.empty()) {
    WaveHeader* h = gQueue.front();
    uint32_t n = h->length - gPos;
    if (n > static_cast<uint32_t>(len)) n = static_cast<uint32_t>(len);
    SDL_memcpy(out, h->data + gPos, n);
    out += n;
    len -= static_cast<int>(n);
    gPos += n;
    if (gPos >= h->length) {
      gQueue.pop_front();
      gPos = 0;
      h->flags |= kWaveHeaderDone;
      gNotify(kMsgWaveDone, 0, reinterpret_cast<intptr_t>(h));
    }
  }
  if (len > 0) SDL_memset(out, silence, static_cast<size_t>(len));
}

// A power of two near a hundredth of a second.
Uint16 Period(int rate) {
  Uint16 n = 64;
  while (n < 4096 && n * 2 <= rate / 100 + rate / 200) n = static_cast<Uint16>(n * 2);
  return n;
}

// At the end of the program the audio thread stops before the message queue
// it posts to goes away.
void CloseAtExit() {
  if (gDev) SDL_CloseAudioDevice(gDev);
  gDev = 0;
}

int Open(const WaveFormat& f, WaveNotify notify) {
  // A failure is not remembered here: the caller goes on without sound.
  if (!SDL_WasInit(SDL_INIT_AUDIO) && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return kWaveNoDriver;
  static bool registered = (std::atexit(CloseAtExit), true);
  (void)registered;
  gNotify = notify;
  if (gDev && !(f == gFormat)) {
    SDL_CloseAudioDevice(gDev);
    gDev = 0;
  }
  if (!gDev) {
    SDL_AudioSpec want{}, have{};
    want.freq = f.sampleRate;
    want.format = f.bits == 8 ? AUDIO_U8 : AUDIO_S16LSB;
    want.channels = static_cast<Uint8>(f.channels);
    want.samples = Period(f.sampleRate);
    want.callback = Callback;
    gFormat = f;
    gDev = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (!gDev) return kWaveNoDriver;
  }
  SDL_LockAudioDevice(gDev);
  gQueue.clear();
  gPos = 0;
  SDL_UnlockAudioDevice(gDev);
  SDL_PauseAudioDevice(gDev, 0);
  return kWaveOk;
}

void Write(WaveHeader* h) {
  SDL_LockAudioDevice(gDev);
  gQueue.push_back(h);
  SDL_UnlockAudioDevice(gDev);
}

void Reset() {
  SDL_LockAudioDevice(gDev);
  for (WaveHeader* h : gQueue) {
    h->flags |= kWaveHeaderDone;
    gNotify(kMsgWaveDone, 0, reinterpret_cast<intptr_t>(h));
  }
  gQueue.clear();
  gPos = 0;
  SDL_UnlockAudioDevice(gDev);
}

void Close() {
  Reset();
  SDL_PauseAudioDevice(gDev, 1);
}

const WaveBackend kSdl{"sdl", Open, Write, Reset, Close};
}  // namespace

const WaveBackend& SdlWaveBackend() { return kSdl; }
