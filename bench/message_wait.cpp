// How much processor time a thread uses while it waits for a message, and
// how long a post from another thread takes to wake it.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <thread>

#include "platform/clock.h"
#include "platform/messages.h"

namespace {
double ThreadCpuMs() {
  rusage u;
  getrusage(RUSAGE_THREAD, &u);
  return u.ru_utime.tv_sec * 1e3 + u.ru_utime.tv_usec / 1e3 + u.ru_stime.tv_sec * 1e3 + u.ru_stime.tv_usec / 1e3;
}

// 200 ms of waiting with nothing posted: the processor time it cost.
void BM_IdleWait(benchmark::State& state) {
  ResetMessages();
  double cpu = 0;
  for (auto _ : state) {
    double before = ThreadCpuMs();
    WaitMessageFor(200);
    cpu += ThreadCpuMs() - before;
  }
  state.counters["cpu_ms_per_200ms_wait"] = cpu / static_cast<double>(state.iterations());
}
BENCHMARK(BM_IdleWait)->Iterations(5)->Unit(benchmark::kMillisecond);

// From a post on another thread to the waiting main thread running again.
void BM_WakeLatency(benchmark::State& state) {
  ResetMessages();
  for (auto _ : state) {
    std::thread poster([] { PostMessage(1); });
    WaitMessage();
    DispatchMessages();
    poster.join();
  }
}
BENCHMARK(BM_WakeLatency)->Unit(benchmark::kMicrosecond);
}  // namespace

BENCHMARK_MAIN();
