#include "speech/sapi4.h"

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "console/console.h"
#include "console/keyboard.h"
#include "platform/sapi4.h"

namespace {
AudioMultiMediaDevice* gAudio = nullptr;
TtsEnum* gEnumerator = nullptr;
std::unique_ptr<TtsModeInfo> gMode;
TtsCentral* gCentral = nullptr;
TtsNotifySink* gNotifySink = nullptr;
uint32_t gNotifyKey = 0;
TtsBufNotifySink* gBufferSink = nullptr;
int gQueuedTexts = 0;
bool gAudioPlaying = false;

// The two notification sinks: called by the central on the main thread.
class TTSNotifySink : public TtsNotifySink {
 public:
  unsigned long AddRef() override { return ++refs_; }
  unsigned long Release() override {
    unsigned long n = --refs_;
    if (n == 0) delete this;
    return n;
  }
  int AttribChanged(uint32_t) override { return 0; }
  int AudioStart(uint64_t) override {
    gAudioPlaying = true;
    return 0;
  }
  int AudioStop(uint64_t) override {
    gAudioPlaying = false;
    return 0;
  }
  int Visual(uint64_t, char, char, uint32_t, void*) override { return 0; }

 private:
  virtual ~TTSNotifySink() = default;
  unsigned long refs_ = 1;
};

class TTSBufNotifySink : public TtsBufNotifySink {
 public:
  unsigned long AddRef() override { return ++refs_; }
  unsigned long Release() override {
    unsigned long n = --refs_;
    if (n == 0) delete this;
    return n;
  }
  int TextDataDone(uint64_t, uint32_t) override {
    if (--gQueuedTexts < 0) gQueuedTexts = 0;
    return 0;
  }
  int TextDataStarted(uint64_t) override {
    ++gQueuedTexts;
    return 0;
  }
  int BookMark(uint64_t, uint32_t) override { return 0; }
  int WordPosition(uint64_t, uint32_t) override { return 0; }

 private:
  virtual ~TTSBufNotifySink() = default;
  unsigned long refs_ = 1;
};

template <typename T>
void Release(T*& p) {
  if (p) p->Release();
  p = nullptr;
}

// Everything start has made, given back; the enumerator with its extra
// reference.
void ReleaseAll() {
  Release(gAudio);
  if (gEnumerator) gEnumerator->Release();
  Release(gEnumerator);
  gMode.reset();
  Release(gBufferSink);
  if (gNotifySink && gCentral) gCentral->UnRegister(gNotifyKey);
  Release(gNotifySink);
  Release(gCentral);
}

// The process's current directory, set back when start returns.
struct KeepDirectory {
  std::filesystem::path path;
  KeepDirectory() {
    std::error_code e;
    path = std::filesystem::current_path(e);
  }
  ~KeepDirectory() {
    std::error_code e;
    if (!path.empty()) std::filesystem::current_path(path, e);
  }
};

bool Blank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// False when the central refused the text: the engine is stopped.
bool SendText(const std::string& text) {
  static char buffer[kSapi4Buffer];
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  if (gQueuedTexts > 0) ConsoleDelay(20);
  if (gCentral->TextData(0, 0, buffer, static_cast<uint32_t>(text.size() + 1), gBufferSink) == 0) return true;
  Sapi4Stop();
  return false;
}
}  // namespace

bool Sapi4Start(int voice, int speed, int pitch, std::string_view) {
  KeepDirectory keep;
  ReleaseAll();  // a start again lets go of what the last one made
  if (voice < 1) voice = 1;
  if (CreateAudioDestination(&gAudio) != 0) {
    gAudio = nullptr;
    return false;
  }
  if (CreateTtsEnumerator(&gEnumerator) != 0) {
    gEnumerator = nullptr;
    ReleaseAll();
    return false;
  }
  gEnumerator->AddRef();
  gEnumerator->Reset();
  gMode = std::make_unique<TtsModeInfo>();
  std::memset(gMode->bytes, 0, sizeof gMode->bytes);
  // Past the last mode the record keeps the last one: running out is not a
  // failure of the enumerator.
  bool failed = false;
  for (int i = 0; i < voice && !failed; ++i) {
    int r = gEnumerator->Next(1, gMode.get(), nullptr);
    failed = r != kS4Ok && r != kS4NoMore;
  }
  if (failed || gEnumerator->Select(gMode->bytes + kModeIdOffset, &gCentral, gAudio) != 0) {
    ReleaseAll();
    return false;
  }
  gBufferSink = new TTSBufNotifySink;
  gNotifySink = new TTSNotifySink;
  TtsAttributes* attributes = nullptr;
  if (gCentral->Register(gNotifySink, &gNotifyKey) != 0) {
    Release(gNotifySink);  // not registered: nothing to unregister
    ReleaseAll();
    return false;
  }
  if (gCentral->QueryAttributes(&attributes) != 0 || !attributes) {
    ReleaseAll();
    return false;
  }
  if (speed != 0) attributes->SpeedSet(static_cast<uint32_t>(speed));
  if (pitch != 0) attributes->PitchSet(static_cast<uint16_t>(pitch));
  attributes->Release();
  gQueuedTexts = 0;
  gAudioPlaying = false;
  return true;
}

void Sapi4Speak(std::string_view text) {
  size_t a = 0, b = text.size();
  while (a < b && Blank(text[a])) ++a;
  while (b > a && Blank(text[b - 1])) --b;
  std::string t(text.substr(a, b - a));
  if (t.empty()) return;
  if (t.size() == 1 && t[0] >= '0' && t[0] <= '9') t += '.';
  if (!gCentral || KeyWaiting()) return;
  // A text longer than the buffer goes in pieces cut at a blank.
  constexpr size_t kLongest = kSapi4Buffer - 1;
  while (t.size() > kLongest) {
    size_t cut = t.rfind(' ', kLongest);
    if (cut == std::string::npos || cut == 0) cut = kLongest;
    if (!SendText(t.substr(0, cut))) return;
    t.erase(0, cut < t.size() && t[cut] == ' ' ? cut + 1 : cut);
  }
  SendText(t);
}

bool Sapi4Busy(bool queuedOnly) { return queuedOnly ? gQueuedTexts > 0 : gQueuedTexts > 0 || gAudioPlaying; }

void Sapi4Stop() {
  if (gAudioPlaying && gCentral) {
    ConsoleDelay(50);
    gCentral->AudioReset();  // a failure changes nothing here
    ConsoleDelay(150);
  }
  gAudioPlaying = false;
  gQueuedTexts = 0;
}

void Sapi4Finish() { ReleaseAll(); }
