// Screen output and key reading: one 80-column line written with its line
// feed (scrolling once the screen is full), on the headless window and, when
// a display is there, on the desktop window; a key from event to code.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "console/console.h"
#include "console/keyboard.h"
#include "platform/messages.h"
#include "platform/window.h"
#include "platform/window_headless.h"

namespace {
void Start(const char* backend) {
  setenv("ZELNAR_TIME_SCALE", "0", 1);
  setenv("WINDIR", "/nonexistent", 1);
  ResetMessages();
  ResetConsole();
  SelectWindowBackend(backend);
  InitConsole();
}

void WriteLines(benchmark::State& state, const char* backend) {
  Start(backend);
  if (WindowBackendName() != backend) {
    state.SkipWithError("backend not available");
    return;
  }
  std::string line(80, 'x');
  line += "\r\n";
  for (auto _ : state) {
    WriteText(line.data(), static_cast<int>(line.size()));
    PumpMessages();
  }
  state.SetItemsProcessed(state.iterations());
  ResetConsole();
}

void BM_WriteLineHeadless(benchmark::State& state) { WriteLines(state, "headless"); }
BENCHMARK(BM_WriteLineHeadless);

void BM_WriteLineSdl(benchmark::State& state) {
  if (!std::getenv("DISPLAY")) {
    state.SkipWithError("no display");
    return;
  }
  WriteLines(state, "sdl");
}
BENCHMARK(BM_WriteLineSdl);

void BM_KeyToCode(benchmark::State& state) {
  Start("headless");
  for (auto _ : state) {
    InjectKeyPress(kKeyUp, -1);
    KeyWaiting();
    benchmark::DoNotOptimize(TakeKey());
    benchmark::DoNotOptimize(TakeKey());
  }
  ResetConsole();
}
BENCHMARK(BM_KeyToCode);
}  // namespace

BENCHMARK_MAIN();
