// How fast sound answers: from a key event to the device's reset (the cut),
// and from PlayNamedSound to the first block queued. Measured on the capture
// double and on SDL's dummy audio driver. Targets: cut under 20 ms, first
// block under 5 ms.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "console/console.h"
#include "console/keyboard.h"
#include "platform/messages.h"
#include "platform/waveout.h"
#include "platform/waveout_capture.h"
#include "speech/sounds.h"
#include "speech/wavout.h"

namespace {
using Clock = std::chrono::steady_clock;
constexpr unsigned kMsgCharacter = 0x0102;  // a typed key, as the window gets it

// A backend that notes when the device was first written to and when it was
// reset, and hands everything on to the backend measured.
const WaveBackend* gInner = nullptr;
std::atomic<int64_t> gFirstWrite{0}, gReset{0};
bool gKeyOnWrite = false;
int64_t Now() { return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count(); }
int Open(const WaveFormat& f, WaveNotify n) { return gInner->open(f, n); }
void Write(WaveHeader* h) {
  if (!gFirstWrite) {
    gFirstWrite = Now();
    if (gKeyOnWrite) PostMessage(kMsgCharacter, 'x', 0);  // cut the rest: only the start is measured
  }
  gInner->write(h);
}
void Reset() {
  if (!gReset) gReset = Now();
  gInner->reset();
}
void Close() { gInner->close(); }
int Prepare(WaveHeader* h) { return gInner->prepare ? gInner->prepare(h) : 0; }
int Unprepare(WaveHeader* h) { return gInner->unprepare ? gInner->unprepare(h) : 0; }
const WaveBackend kTiming{"timing", Open, Write, Reset, Close, Prepare, Unprepare};

void Use(const WaveBackend& inner) {
  ResetWavOutput();
  if (&inner == &CaptureWaveBackend()) {
    StartWaveCapture();
    SetCaptureAutoComplete(false);  // a block ends only when the cut comes
  }
  gInner = &inner;
  SetWaveBackend(&kTiming);
}

std::string Wav16(double seconds) {
  int n = static_cast<int>(22050 * seconds);
  auto le = [](std::string& o, uint32_t v, int k) { for (int i = 0; i < k; ++i) o += static_cast<char>(v >> (8 * i)); };
  std::string o = "RIFF";
  le(o, 36 + 2 * n, 4);
  o += "WAVEfmt ";
  le(o, 16, 4); le(o, 1, 2); le(o, 1, 2); le(o, 22050, 4); le(o, 44100, 4); le(o, 2, 2); le(o, 16, 2);
  o += "data";
  le(o, 2 * n, 4);
  for (int i = 0; i < n; ++i) le(o, static_cast<uint32_t>((i % 100) * 300), 2);
  return o;
}

std::string TempWav(const std::string& name, double seconds) {
  std::string path = "/tmp/zelnar-bench-" + std::to_string(getpid()) + "-" + name + ".wav";
  std::ofstream(path, std::ios::binary) << Wav16(seconds);
  return path;
}

void DropKeys() {
  while (KeyWaiting()) TakeKey();
}

// A key typed 30 to 50 ms into a file; the time until the device is reset.
void Cut(benchmark::State& state, const WaveBackend& backend, double seconds) {
  std::string file = TempWav("cut", seconds);
  Use(backend);
  gKeyOnWrite = false;
  unsigned jitter = 12345;
  for (auto _ : state) {
    gReset = 0;
    std::atomic<int64_t> typed{0};
    // The key comes at no fixed phase of the program's 10 ms poll.
    jitter = jitter * 1103515245u + 12345u;
    int delayUs = 30000 + static_cast<int>((jitter >> 8) % 20000);
    std::thread typist([&] {
      std::this_thread::sleep_for(std::chrono::microseconds(delayUs));
      typed = Now();
      PostMessage(kMsgCharacter, 'x', 0);
    });
    PlayWavFile(file);
    typist.join();
    state.SetIterationTime(double(gReset - typed) / 1e9);
    DropKeys();
  }
  std::remove(file.c_str());
  SetWaveBackend(nullptr);
}

// PlayNamedSound of a recorded message; the time until its first block is
// on the device.
void FirstBlock(benchmark::State& state, const WaveBackend& backend) {
  Use(backend);
  gKeyOnWrite = true;
  for (auto _ : state) {
    gFirstWrite = 0;
    int64_t start = Now();
    PlayNamedSound("ZLINIC");
    if (!gFirstWrite) {
      state.SkipWithError("ZLINIC.wav was not played: build the voice installation first");
      break;
    }
    state.SetIterationTime(double(gFirstWrite - start) / 1e9);
    DropKeys();
  }
  SetWaveBackend(nullptr);
}
}  // namespace

// While the file's last blocks play (PlayWavFile waits for a message).
BENCHMARK_CAPTURE(Cut, capture_waiting, CaptureWaveBackend(), 3.0)->UseManualTime()->Iterations(20);
BENCHMARK_CAPTURE(Cut, sdl_dummy_waiting, SdlWaveBackend(), 3.0)->UseManualTime()->Iterations(20);
// While the ring is full and more of the file waits (a 10 ms poll).
BENCHMARK_CAPTURE(Cut, capture_ring_full, CaptureWaveBackend(), 10.0)->UseManualTime()->Iterations(20);
BENCHMARK_CAPTURE(Cut, sdl_dummy_ring_full, SdlWaveBackend(), 10.0)->UseManualTime()->Iterations(20);
BENCHMARK_CAPTURE(FirstBlock, capture, CaptureWaveBackend())->UseManualTime()->Iterations(50);
BENCHMARK_CAPTURE(FirstBlock, sdl_dummy, SdlWaveBackend())->UseManualTime()->Iterations(50);

int main(int argc, char** argv) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  // The recorded messages of the voice installation; the sound directory is
  // the current one until speech start-up names it.
  if (chdir(ZELNAR_BUILD_DIR "/drives/c/kelmar/som/zelnar") != 0) return 1;
  InitConsole();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
