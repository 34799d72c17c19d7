#include "platform/waveout_capture.h"

#include <deque>

#include "platform/messages.h"

namespace {
CaptureLog gLog;
WaveFormat gFormat;
WaveNotify gNotify = nullptr;
std::deque<WaveHeader*> gQueued;
bool gAuto = true;
std::deque<int> gOpenResults;
int gPrepareFailures = 0;
int gUnprepareResult = 0;
std::function<void(size_t)> gHook;

void Finish(WaveHeader* h) {
  h->flags |= kWaveHeaderDone;
  gLog.calls.push_back("done");
  gNotify(kMsgWaveDone, 0, reinterpret_cast<intptr_t>(h));
}

int Open(const WaveFormat& f, WaveNotify notify) {
  ++gLog.opens;
  int r = 0;
  if (!gOpenResults.empty()) {
    r = gOpenResults.front();
    gOpenResults.pop_front();
  }
  if (r != 0) return r;
  gFormat = f;
  gNotify = notify;
  gLog.calls.push_back("open " + std::to_string(f.sampleRate) + "/" + std::to_string(f.bits) + "/" +
                       std::to_string(f.channels));
  return 0;
}

void Write(WaveHeader* h) {
  gLog.blocks.push_back(CapturedBlock{std::vector<uint8_t>(h->data, h->data + h->length), gFormat, h->user});
  gLog.calls.push_back("write " + std::to_string(h->length));
  gQueued.push_back(h);
  if (gHook) gHook(gLog.blocks.size() - 1);
  if (gAuto) CompleteCapturedBlocks();
}

void Reset() {
  gLog.calls.push_back("reset");
  while (!gQueued.empty()) {
    WaveHeader* h = gQueued.front();
    gQueued.pop_front();
    Finish(h);
  }
}

void Close() { gLog.calls.push_back("close"); }

int Prepare(WaveHeader*) {
  if (gPrepareFailures > 0) {
    --gPrepareFailures;
    gLog.calls.push_back("prepare-failed");
    return kWaveNoMemory;
  }
  return 0;
}

int Unprepare(WaveHeader*) {
  gLog.calls.push_back("unprepare");
  int r = gUnprepareResult;
  gUnprepareResult = 0;
  return r;
}

const WaveBackend kCapture{"capture", Open, Write, Reset, Close, Prepare, Unprepare};
}  // namespace

const WaveBackend& CaptureWaveBackend() { return kCapture; }

void StartWaveCapture() {
  gLog = CaptureLog{};
  gQueued.clear();
  gAuto = true;
  gOpenResults.clear();
  gPrepareFailures = 0;
  gUnprepareResult = 0;
  gHook = nullptr;
  SetWaveBackend(&kCapture);
}

const CaptureLog& WaveCapture() { return gLog; }
void ClearWaveCaptureLog() {
  gLog.calls.clear();
  gLog.blocks.clear();
  gLog.opens = 0;
}
void SetCaptureAutoComplete(bool on) { gAuto = on; }

void CompleteCapturedBlocks(int n) {
  while (!gQueued.empty() && n != 0) {
    WaveHeader* h = gQueued.front();
    gQueued.pop_front();
    Finish(h);
    if (n > 0) --n;
  }
}

int CapturedBlocksQueued() { return static_cast<int>(gQueued.size()); }
void SetCaptureOpenResults(std::vector<int> results) { gOpenResults.assign(results.begin(), results.end()); }
void SetCapturePrepareFailures(int n) { gPrepareFailures = n; }
void SetCaptureUnprepareResult(int result) { gUnprepareResult = result; }
void SetCaptureWriteHook(std::function<void(size_t)> hook) { gHook = std::move(hook); }
