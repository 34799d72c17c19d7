// The SAPI 5 voice of engine code 5 over the espeak-ng channel. Its
// speak-complete event is set when the channel has nothing queued and
// nothing sounding; the channel tells that on the main thread, so waiting
// for it dispatches messages.
#include <cmath>

#include "platform/clock.h"
#include "platform/espeak.h"
#include "platform/messages.h"
#include "platform/spvoice.h"

namespace {
class EspeakVoice : public SpVoice {
 public:
  EspeakVoice() { EspeakOpen(Heard, this); }
  ~EspeakVoice() override { EspeakClose(); }
  bool SetEventInterests(int) override { return true; }
  int VoiceCount() override { return static_cast<int>(EspeakVoices().size()); }
  bool SetVoice(int index) override {
    if (index < 0 || index >= VoiceCount()) return false;
    settings_.voice = EspeakVoices()[static_cast<size_t>(index)].identifier;
    return true;
  }
  bool SetRate(int rate) override {
    if (rate < -10 || rate > 10) return false;
    settings_.wpm = EspeakWpmForRate(rate);
    return true;
  }
  bool Speak(std::string_view text, int flags) override {
    if (flags & kSpeakPurgeBeforeSpeak) {
      EspeakPurge();
      complete_ = true;
    }
    if (text.empty()) return true;
    if (!EspeakSpeak(text, settings_)) return false;
    complete_ = false;
    // Synchronous: every message is dispatched until the text has sounded.
    while (!(flags & kSpeakAsync) && !complete_) {
      EspeakIdle();
      if (!complete_ && WaitMessageFor(100)) DispatchMessages();
    }
    return true;
  }
  // Input for the window ends the wait early, still speaking: the caller
  // looks at the keys at once and a cut is not held back.
  int WaitSpeakComplete(int ms) override {
    int64_t end = NowMs() + ms;
    if (MessagesPending()) DispatchMessages();  // what came before the wait
    for (;;) {
      EspeakIdle();  // takes what the channel has told meanwhile
      if (complete_) return kWaitObject;
      int64_t left = end - NowMs();
      if (left <= 0 || WindowMessagesPending()) return kWaitTimeout;
      if (WaitMessageFor(static_cast<int>(left)) && !WindowMessagesPending()) DispatchMessages();
    }
  }

 private:
  static void Heard(EspeakEvent e, intptr_t, void* context) {
    if (e == EspeakEvent::kIdle) static_cast<EspeakVoice*>(context)->complete_ = true;
  }
  EspeakSettings settings_;
  bool complete_ = true;
};
}  // namespace

int EspeakWpmForRate(int rate) {
  int wpm = static_cast<int>(std::lround(175.0 * std::pow(3.0, rate / 10.0)));
  return wpm < 80 ? 80 : wpm > 450 ? 450 : wpm;
}

std::unique_ptr<SpVoice> CreateEspeakSpVoice() {
  if (EspeakVoices().empty()) return nullptr;
  return std::make_unique<EspeakVoice>();
}
