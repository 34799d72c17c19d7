// The wave output device: PCM blocks are queued on one device and each block,
// once played (or dropped by a reset), is reported by posting the block-done
// message (kMsgWaveDone) to the main thread with the block's header as lparam.
// The backend is chosen by ZELNAR_AUDIO: "sdl" (the default), "null" (silent,
// blocks complete at their real duration, scaled like every fixed wait by
// ZELNAR_TIME_SCALE) or "wav:PATH" (the null backend, and what is played is
// appended to one WAV file, 16-bit mono 22,050 Hz, with the silences between
// sounds kept and a cut sound cut where it was heard). When no device opens,
// the null backend takes over.
#pragma once
#include <cstdint>
#include <string>

// Results, numbered as the wave-out calls of the platform the program was
// designed on number them.
constexpr int kWaveOk = 0;
constexpr int kWaveError = 1;
constexpr int kWaveAllocated = 4;      // device in use
constexpr int kWaveInvalidHandle = 5;
constexpr int kWaveNoDriver = 6;
constexpr int kWaveNoMemory = 7;
constexpr int kWaveStillPlaying = 33;  // block still queued

struct WaveFormat {
  int sampleRate = 0;
  int bits = 0;      // 8 (unsigned) or 16 (signed little-endian)
  int channels = 0;
  bool operator==(const WaveFormat&) const = default;
};

// Flags of a block header.
constexpr uint32_t kWaveHeaderPrepared = 1;
constexpr uint32_t kWaveHeaderQueued = 2;
constexpr uint32_t kWaveHeaderDone = 4;

// One block handed to the device; the data stays the caller's and must stay
// valid until the block-done message for it has been handled.
struct WaveHeader {
  const uint8_t* data = nullptr;
  uint32_t length = 0;
  uintptr_t user = 0;
  uint32_t flags = 0;
};

// Where block-done notifications go; the program passes PostMessage.
using WaveNotify = void (*)(unsigned code, uintptr_t wparam, intptr_t lparam);

struct WaveDevice;

// The calls, in the order the WAV output uses them.
int WaveOutOpen(WaveDevice** device, const WaveFormat& format, WaveNotify notify);
int WaveOutPrepareHeader(WaveDevice* device, WaveHeader* header);
int WaveOutWrite(WaveDevice* device, WaveHeader* header);
int WaveOutUnprepareHeader(WaveDevice* device, WaveHeader* header);
// Stops at once; every queued block is reported done.
int WaveOutReset(WaveDevice* device);
int WaveOutClose(WaveDevice* device);

// A backend: one device at a time. Open fills in the backend's device state.
struct WaveBackend {
  const char* name;
  int (*open)(const WaveFormat& format, WaveNotify notify);
  // Queues a prepared block; the backend posts its done message later.
  void (*write)(WaveHeader* header);
  void (*reset)();
  void (*close)();
  // Optional: a result other than 0 refuses the (un)preparation.
  int (*prepare)(WaveHeader* header) = nullptr;
  int (*unprepare)(WaveHeader* header) = nullptr;
};

// The backend in use: the one installed, else the one ZELNAR_AUDIO names.
const WaveBackend& CurrentWaveBackend();
// Installs a backend (tests install the capture double); nullptr goes back to
// the choice by ZELNAR_AUDIO at the next open.
void SetWaveBackend(const WaveBackend* backend);

// The backends beside this interface.
const WaveBackend& SdlWaveBackend();
const WaveBackend& NullWaveBackend();
// The null backend that also appends to the WAV file at path.
const WaveBackend& WavFileWaveBackend(const std::string& path);
// Finishes the WAV file of the wav backend (sizes written); done at exit too.
void FinishWavFile();
