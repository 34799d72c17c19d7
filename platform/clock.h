// Time for the program's fixed waits. ZELNAR_TIME_SCALE (a factor, default 1)
// scales every fixed wait, for tests and demonstrations only.
#pragma once
#include <cstdint>

double TimeScale();
// A wait of ms milliseconds as the scale makes it.
int64_t ScaledMs(int64_t ms);
// A plain sleep: nothing is pumped meanwhile.
void SleepMs(int64_t ms);
// The milliseconds of fixed waits that the scale skipped, in total since the
// start: with scale 0 every wait, so a recording can still keep the pauses.
int64_t SkippedMs();
// Monotonic milliseconds, for measuring.
int64_t NowMs();
