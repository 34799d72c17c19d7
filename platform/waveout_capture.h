// The capture double of the wave output, for tests and benchmarks: every
// block written is recorded with its format, every call is logged, and the
// test decides when blocks complete (or lets them complete as they are
// written) and which calls fail.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/waveout.h"

struct CapturedBlock {
  std::vector<uint8_t> bytes;
  WaveFormat format;
  uintptr_t user = 0;
};

// The log: "open RATE/BITS/CHANNELS", "write N", "reset", "close", "done"
// (the device reports a block), "unprepare" (the program takes it back),
// "prepare-failed".
struct CaptureLog {
  std::vector<std::string> calls;
  std::vector<CapturedBlock> blocks;
  int opens = 0;  // open attempts, refused ones included
};

const WaveBackend& CaptureWaveBackend();
// Installs the double with a clean log: blocks complete as they are written,
// nothing fails, no hook.
void StartWaveCapture();
const CaptureLog& WaveCapture();
void ClearWaveCaptureLog();

// Off: blocks stay queued until CompleteCapturedBlocks or a reset.
void SetCaptureAutoComplete(bool on);
// Posts the done message for the oldest n queued blocks (all when n < 0).
void CompleteCapturedBlocks(int n = -1);
int CapturedBlocksQueued();
// The results of the next opens, in order; then opens succeed.
void SetCaptureOpenResults(std::vector<int> results);
// The next n header preparations fail.
void SetCapturePrepareFailures(int n);
// The result of the next unpreparation (once).
void SetCaptureUnprepareResult(int result);
// Called after each block is recorded, with its index in the log.
void SetCaptureWriteHook(std::function<void(size_t)> hook);
