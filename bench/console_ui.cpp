// The splash picture's load and one run of a full network menu, on the
// headless window (no drawing device), so that what is measured is our code.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "console/console.h"
#include "console/menu.h"
#include "console/picture.h"
#include "platform/window.h"
#include "platform/window_headless.h"

namespace {

// A bottom-up 24-bit BMP of the given size in a temporary file.
std::string WriteBmp(int width, int height) {
  const int row = (width * 3 + 3) / 4 * 4;
  std::string s(54, '\0');
  auto put32 = [&](size_t at, uint32_t v) { for (int i = 0; i < 4; ++i) s[at + i] = char(v >> (8 * i)); };
  s[0] = 'B';
  s[1] = 'M';
  put32(10, 54);
  put32(14, 40);
  put32(18, uint32_t(width));
  put32(22, uint32_t(height));
  s[26] = 1;
  s[28] = 24;
  for (int i = 0; i < row * height; ++i) s += char(i * 7);
  char path[] = "/tmp/zelnar-bench-XXXXXX";
  int fd = mkstemp(path);
  if (fd < 0 || write(fd, s.data(), s.size()) != ssize_t(s.size())) std::abort();
  close(fd);
  return path;
}

void BM_LoadSplashPicture(benchmark::State& state) {
  const std::string path = WriteBmp(int(state.range(0)), int(state.range(1)));
  for (auto _ : state) benchmark::DoNotOptimize(LoadPicture(path));
  std::remove(path.c_str());
  ResetPicture();
}
BENCHMARK(BM_LoadSplashPicture)->Args({320, 240})->Args({1024, 768})->Unit(benchmark::kMicrosecond);

// Opening the menu, 100 items, End, then Enter: the whole list is drawn,
// scrolled once and the area under it put back.
void BM_MenuEndAndEnter(benchmark::State& state) {
  SelectWindowBackend("headless");
  InitConsole();
  for (auto _ : state) {
    OpenMenu(5, 10, 40, 10, 1);
    for (int n = 1; n <= 100; ++n) AddMenuItem("", "Rede " + std::to_string(n) + ", segura, sinal 80%");
    InjectKeyPress(kKeyEnd, -1);
    InjectKeyPress(kKeyEnter, 13);
    if (RunMenu() != 100) {
      state.SkipWithError("the menu did not end on its last item");
      break;
    }
  }
  ResetConsole();
}
BENCHMARK(BM_MenuEndAndEnter)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
