#include "platform/clock.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

double TimeScale() {
  const char* s = std::getenv("ZELNAR_TIME_SCALE");
  if (!s || !*s) return 1.0;
  char* end = nullptr;
  double f = std::strtod(s, &end);
  if (end == s || !(f >= 0.0) || f > 1000.0) return 1.0;  // nonsense: real time
  return f;
}

int64_t ScaledMs(int64_t ms) {
  if (ms <= 0) return 0;
  return static_cast<int64_t>(static_cast<double>(ms) * TimeScale() + 0.5);
}

namespace {
std::atomic<int64_t> gSkipped{0};
}

void SleepMs(int64_t ms) {
  int64_t t = ScaledMs(ms);
  if (ms > t) gSkipped += ms - t;
  if (t > 0) std::this_thread::sleep_for(std::chrono::milliseconds(t));
}

int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int64_t SkippedMs() { return gSkipped.load(); }
