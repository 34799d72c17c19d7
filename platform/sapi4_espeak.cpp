// The SAPI 4 shaped objects over espeak-ng: the enumerator's modes are the
// installed espeak-ng voices (Brazilian Portuguese first), the central speaks
// through the espeak-ng channel, whose notifications it turns into sink calls
// on the main thread. The central does not hold a reference on a buffer sink:
// the caller keeps its sinks alive as long as the central.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "platform/espeak.h"
#include "platform/sapi4.h"

namespace {
const Sapi4Factory* gFactory = nullptr;

template <typename Base>
struct Counted : Base {
  unsigned long refs = 1;
  unsigned long AddRef() override { return ++refs; }
  unsigned long Release() override {
    unsigned long n = --refs;
    if (n == 0) delete this;
    return n;
  }
  virtual ~Counted() = default;
};

struct Audio : Counted<AudioMultiMediaDevice> {};

struct Central;

struct Attributes : Counted<TtsAttributes> {
  Central* central;
  explicit Attributes(Central* c);
  ~Attributes() override;
  int SpeedSet(uint32_t wpm) override;
  int PitchSet(uint16_t hertz) override;
};

struct Central : Counted<TtsCentral> {
  EspeakSettings settings;
  TtsNotifySink* sink = nullptr;
  uint32_t key = 0;

  explicit Central(std::string voice) {
    settings.voice = std::move(voice);
    EspeakOpen(Heard, this);
  }
  ~Central() override {
    EspeakClose();
    if (sink) sink->Release();
  }
  static void Heard(EspeakEvent e, intptr_t text, void* context) {
    auto* self = static_cast<Central*>(context);
    auto* buffer = reinterpret_cast<TtsBufNotifySink*>(text);
    switch (e) {
      case EspeakEvent::kTextStarted:
        if (buffer) buffer->TextDataStarted(0);
        break;
      case EspeakEvent::kTextDone:
        if (buffer) buffer->TextDataDone(0, 0);
        break;
      case EspeakEvent::kAudioStart:
        if (self->sink) self->sink->AudioStart(0);
        break;
      case EspeakEvent::kAudioStop:
        if (self->sink) self->sink->AudioStop(0);
        break;
      case EspeakEvent::kIdle: break;
    }
  }
  int Register(TtsNotifySink* s, uint32_t* k) override {
    if (!s || !k) return kS4Fail;
    if (sink) sink->Release();
    sink = s;
    sink->AddRef();
    *k = ++key;
    return kS4Ok;
  }
  int UnRegister(uint32_t k) override {
    if (!sink || k != key) return kS4Fail;
    sink->Release();
    sink = nullptr;
    return kS4Ok;
  }
  int TextData(int charSet, uint32_t, const char* data, uint32_t size, TtsBufNotifySink* buffer) override {
    if (charSet != 0 || !data || size == 0) return kS4Fail;
    std::string text(data, strnlen(data, size));
    return EspeakSpeak(text, settings, reinterpret_cast<intptr_t>(buffer)) ? kS4Ok : kS4Fail;
  }
  int AudioReset() override {
    EspeakPurge();
    return kS4Ok;
  }
  int QueryAttributes(TtsAttributes** a) override {
    if (!a) return kS4Fail;
    *a = new Attributes(this);
    return kS4Ok;
  }
};

Attributes::Attributes(Central* c) : central(c) { central->AddRef(); }
Attributes::~Attributes() { central->Release(); }
int Attributes::SpeedSet(uint32_t wpm) {
  central->settings.wpm = EspeakRateForSpeed(wpm);
  return kS4Ok;
}
int Attributes::PitchSet(uint16_t hertz) {
  central->settings.pitch = EspeakPitchForHertz(hertz);
  return kS4Ok;
}

// The mode identifier: "ZLNR" and the voice's index, little-endian.
void PutModeId(uint8_t* id, uint32_t index) {
  std::memset(id, 0, 16);
  std::memcpy(id, "ZLNR", 4);
  for (int i = 0; i < 4; ++i) id[4 + i] = static_cast<uint8_t>(index >> (8 * i));
}

struct Enumerator : Counted<TtsEnum> {
  uint32_t next = 0;
  int Reset() override {
    next = 0;
    return kS4Ok;
  }
  int Next(uint32_t count, TtsModeInfo* mode, uint32_t* fetched) override {
    const auto& voices = EspeakVoices();
    uint32_t n = 0;
    for (; n < count && next < voices.size(); ++n, ++next) {
      TtsModeInfo& m = mode[n];
      std::memset(m.bytes, 0, sizeof m.bytes);
      PutModeId(m.bytes + kModeIdOffset, next);
      std::string name = voices[next].name.substr(0, 261);
      std::memcpy(m.bytes + kModeNameOffset, name.c_str(), name.size());
    }
    if (fetched) *fetched = n;
    return n == count ? kS4Ok : kS4NoMore;
  }
  int Select(const uint8_t id[16], TtsCentral** central, AudioMultiMediaDevice* audio) override {
    const auto& voices = EspeakVoices();
    if (!central || !audio || std::memcmp(id, "ZLNR", 4) != 0) return kS4Fail;
    uint32_t index = 0;
    for (int i = 0; i < 4; ++i) index |= static_cast<uint32_t>(id[4 + i]) << (8 * i);
    if (index >= voices.size()) return kS4Fail;
    *central = new Central(voices[index].identifier);
    return kS4Ok;
  }
};
}  // namespace

int EspeakRateForSpeed(uint32_t wpm) { return static_cast<int>(std::clamp<uint32_t>(wpm, 80, 450)); }

int EspeakPitchForHertz(uint16_t hertz) { return std::clamp(static_cast<int>(std::lround(hertz * 50.0 / 120.0)), 0, 100); }

void SetSapi4Factory(const Sapi4Factory* factory) { gFactory = factory; }

int CreateAudioDestination(AudioMultiMediaDevice** audio) {
  if (gFactory) return gFactory->audio(audio);
  *audio = new Audio;
  return kS4Ok;
}

// Without a voice there is no engine to enumerate: the class counts as
// missing, as SAPI 4 without an engine installed.
int CreateTtsEnumerator(TtsEnum** enumerator) {
  if (gFactory) return gFactory->enumerator(enumerator);
  if (EspeakVoices().empty()) return kS4NoObject;
  *enumerator = new Enumerator;
  return kS4Ok;
}
