// The espeak-ng channel. The worker thread synthesises one queued text at a
// time and hands its samples, with the start and end of each text, to the
// main thread through posted calls; only the main thread touches the wave-out
// device and the listener. The worker stays at most two seconds of sound
// ahead of what has been heard, so a long text costs little memory and a
// purge has little to drop.
#include <espeak-ng/speak_lib.h>

#include <condition_variable>
#include <cstring>
#include <deque>
#include <list>
#include <mutex>
#include <thread>

#include "platform/espeak.h"
#include "platform/latin1.h"
#include "platform/messages.h"
#include "platform/waveout.h"

namespace {
constexpr int kRate = 22050;
constexpr long kAheadBytes = 2 * kRate * 2;

struct Text {
  std::string utf8;
  EspeakSettings settings;
  intptr_t text;
  unsigned generation;
};

// What the worker hands to the main thread, in order.
struct Out {
  enum Kind { kSamples, kStarted, kDone } kind;
  std::vector<uint8_t> samples;
  intptr_t text = 0;
  unsigned generation = 0;
};

// Shared between the worker and the main thread, under gMutex.
std::mutex gMutex;
std::condition_variable gWake;
std::deque<Text> gTexts;
std::deque<Out> gOut;
unsigned gGeneration = 0;
bool gSynthesising = false;
bool gCancel = false;
bool gStop = false;
bool gPumpPosted = false;
long gAhead = 0;  // bytes handed over and not yet heard
unsigned gSynthGeneration = 0;

// Main thread only.
struct Block {
  WaveHeader header;
  std::vector<uint8_t> data;
};
std::list<Block> gBlocks;
uintptr_t gSerial = 0;  // the header's user value: which block came back
WaveDevice* gDevice = nullptr;
bool gSounding = false;
bool gBusy = false;  // texts were queued and kIdle has not been told yet
EspeakListener gListener = nullptr;
void* gContext = nullptr;
std::deque<Out> gWaiting;  // samples held while the device is taken

bool gReady = false;
std::vector<EspeakVoiceInfo> gVoices;
std::once_flag gInitOnce;

void Tell(EspeakEvent e, intptr_t text) {
  if (gListener) gListener(e, text, gContext);
}

void Pump(intptr_t);

void PostPump() {  // under gMutex
  if (gPumpPosted || gStop) return;  // at the end the queue may be gone
  gPumpPosted = true;
  PostCall(Pump, 0);
}

int Synthesised(short* wav, int count, espeak_EVENT*) {
  std::unique_lock<std::mutex> lock(gMutex);
  if (gCancel || gStop) return 1;
  if (wav && count > 0) {
    Out o{Out::kSamples, {}, 0, gSynthGeneration};
    o.samples.resize(static_cast<size_t>(count) * 2);
    std::memcpy(o.samples.data(), wav, o.samples.size());  // little-endian, as the device wants
    gAhead += static_cast<long>(o.samples.size());
    gOut.push_back(std::move(o));
    PostPump();
    gWake.wait(lock, [] { return gAhead <= kAheadBytes || gCancel || gStop; });
  }
  return gCancel || gStop ? 1 : 0;
}

void Work() {
  std::unique_lock<std::mutex> lock(gMutex);
  for (;;) {
    gWake.wait(lock, [] { return gStop || !gTexts.empty(); });
    if (gStop) return;
    Text t = std::move(gTexts.front());
    gTexts.pop_front();
    gSynthesising = true;
    gCancel = false;
    gSynthGeneration = t.generation;
    lock.unlock();
    if (!t.settings.voice.empty()) espeak_SetVoiceByName(t.settings.voice.c_str());
    espeak_SetParameter(espeakRATE, t.settings.wpm, 0);
    espeak_SetParameter(espeakPITCH, t.settings.pitch, 0);
    espeak_Synth(t.utf8.c_str(), t.utf8.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, nullptr);
    lock.lock();
    gSynthesising = false;
    gCancel = false;
    gOut.push_back(Out{Out::kDone, {}, t.text, t.generation});
    PostPump();
  }
}

struct Worker {
  std::thread thread;
  ~Worker() {
    {
      std::lock_guard<std::mutex> lock(gMutex);
      gStop = true;
    }
    gWake.notify_all();
    if (thread.joinable()) thread.join();
  }
};
Worker gWorker;

bool IsBrazilian(const EspeakVoiceInfo& v) { return v.language == "pt-br"; }

void Init() {
  std::call_once(gInitOnce, [] {
    if (espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 20, nullptr, 0) < 0) return;
    espeak_SetSynthCallback(Synthesised);
    std::vector<EspeakVoiceInfo> others;
    for (const espeak_VOICE** v = espeak_ListVoices(nullptr); v && *v; ++v) {
      if (!(*v)->name || !(*v)->identifier || !(*v)->languages) continue;
      EspeakVoiceInfo info{(*v)->name, (*v)->languages + 1, (*v)->identifier};
      if (info.identifier.rfind("mb/", 0) == 0) continue;  // MBROLA voices are not ours to use
      (IsBrazilian(info) ? gVoices : others).push_back(info);
    }
    gVoices.insert(gVoices.end(), others.begin(), others.end());
    gReady = !gVoices.empty();
    if (gReady) gWorker.thread = std::thread(Work);
  });
}

void Drop(size_t bytes) {
  {
    std::lock_guard<std::mutex> lock(gMutex);
    gAhead -= static_cast<long>(bytes);
  }
  gWake.notify_all();
}

// A block a purge has already let go of is no longer in the list.
void BlockDone(intptr_t serial) {
  for (auto it = gBlocks.begin(); it != gBlocks.end(); ++it) {
    if (it->header.user != static_cast<uintptr_t>(serial)) continue;
    Drop(it->data.size());
    if (gDevice) WaveOutUnprepareHeader(gDevice, &it->header);
    gBlocks.erase(it);
    break;
  }
  Pump(0);
}

// The backends report from their own threads, the block still alive; it is
// handled on the main thread.
void Notify(unsigned, uintptr_t, intptr_t header) {
  PostCall(BlockDone, static_cast<intptr_t>(reinterpret_cast<WaveHeader*>(header)->user));
}

// Plays the samples waiting, in one block; they keep waiting while another
// user holds the device.
void Play() {
  if (gWaiting.empty()) return;
  if (!gDevice) {
    int r = WaveOutOpen(&gDevice, WaveFormat{kRate, 16, 1}, Notify);
    if (r == kWaveAllocated) return;
    if (r != kWaveOk) {
      gDevice = nullptr;
      for (const Out& o : gWaiting) Drop(o.samples.size());
      gWaiting.clear();
      return;
    }
  }
  gBlocks.emplace_back();
  Block& b = gBlocks.back();
  for (const Out& o : gWaiting) b.data.insert(b.data.end(), o.samples.begin(), o.samples.end());
  gWaiting.clear();
  b.header.data = b.data.data();
  b.header.length = static_cast<uint32_t>(b.data.size());
  b.header.user = ++gSerial;
  if (WaveOutPrepareHeader(gDevice, &b.header) != kWaveOk) {
    Drop(b.data.size());
    gBlocks.pop_back();
    return;
  }
  if (!gSounding) {
    gSounding = true;
    Tell(EspeakEvent::kAudioStart, 0);
  }
  WaveOutWrite(gDevice, &b.header);  // a double may report it done at once
}

void Pump(intptr_t) {
  for (;;) {
    std::deque<Out> out;
    unsigned generation;
    {
      std::lock_guard<std::mutex> lock(gMutex);
      gPumpPosted = false;
      out.swap(gOut);
      generation = gGeneration;
    }
    if (out.empty()) break;
    for (Out& o : out) {
      if (o.generation != generation) {
        if (o.kind == Out::kSamples) Drop(o.samples.size());
        continue;
      }
      if (o.kind == Out::kSamples) {
        gWaiting.push_back(std::move(o));
        continue;
      }
      Play();  // the samples of a text sound before its end is told
      Tell(o.kind == Out::kStarted ? EspeakEvent::kTextStarted : EspeakEvent::kTextDone, o.text);
    }
  }
  Play();
  bool working;
  {
    std::lock_guard<std::mutex> lock(gMutex);
    working = gSynthesising || !gTexts.empty() || !gOut.empty();
  }
  if (working || !gWaiting.empty() || !gBlocks.empty()) return;
  if (gDevice) {
    WaveOutClose(gDevice);  // free for the program's own sounds
    gDevice = nullptr;
  }
  if (gSounding) {
    gSounding = false;
    Tell(EspeakEvent::kAudioStop, 0);
  }
  if (gBusy) {
    gBusy = false;
    Tell(EspeakEvent::kIdle, 0);
  }
}
}  // namespace

const std::vector<EspeakVoiceInfo>& EspeakVoices() {
  Init();
  return gVoices;
}

void EspeakOpen(EspeakListener listener, void* context) {
  EspeakPurge();
  gListener = listener;
  gContext = context;
}

void EspeakClose() {
  EspeakPurge();
  gListener = nullptr;
  gContext = nullptr;
}

bool EspeakSpeak(std::string_view latin1, const EspeakSettings& settings, intptr_t text) {
  Init();
  if (!gReady) return false;
  {
    std::lock_guard<std::mutex> lock(gMutex);
    gTexts.push_back(Text{Latin1ToUtf8(latin1), settings, text, gGeneration});
    // Told at the next dispatch, not when the worker comes to it: a wait
    // that pumps right after the text was handed over already counts it.
    gOut.push_back(Out{Out::kStarted, {}, text, gGeneration});
    PostPump();
  }
  gBusy = true;
  gWake.notify_all();
  return true;
}

void EspeakPurge() {
  size_t dropped = 0;
  {
    std::lock_guard<std::mutex> lock(gMutex);
    ++gGeneration;
    gTexts.clear();
    for (const Out& o : gOut) dropped += o.samples.size();
    gOut.clear();
    gCancel = gSynthesising;
    gPumpPosted = false;  // a pump already posted finds nothing, and a reset queue loses it
  }
  for (const Out& o : gWaiting) dropped += o.samples.size();
  gWaiting.clear();
  if (gDevice) {
    WaveOutReset(gDevice);
    WaveOutClose(gDevice);
    gDevice = nullptr;
  }
  // A reset reports every block before it returns: the device holds none.
  for (const Block& b : gBlocks) dropped += b.data.size();
  gBlocks.clear();
  Drop(dropped);
  gSounding = false;
  gBusy = false;
}

bool EspeakIdle() {
  Pump(0);
  std::lock_guard<std::mutex> lock(gMutex);
  return !gSynthesising && gTexts.empty() && gOut.empty() && gWaiting.empty() && gBlocks.empty();
}
