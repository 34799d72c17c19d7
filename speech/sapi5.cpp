#include "speech/sapi5.h"

#include <memory>

#include "console/console.h"
#include "console/keyboard.h"
#include "platform/messages.h"
#include "platform/spvoice.h"
#include "speech/sounds.h"

namespace {
struct Engine {
  std::unique_ptr<SpVoice> voice;
  int voiceCount = 0;
};
// Code 5, code 54. Never destroyed: when the program ends by exit() with a
// voice still open (the window closed, the terminal hung up) its destructor
// would run after the speech library's own state had gone.
Engine* const gEngines = new Engine[2];

Engine& Of(int code) { return gEngines[code == 54 ? 1 : 0]; }
}  // namespace

bool Sapi5Start(int code, int voice, int speed, int, std::string_view) {
  Engine& e = Of(code);
  e.voice.reset();  // one voice object at a time: the old one lets go of the channel first
  e.voice = CreateSpVoice(code);
  if (!e.voice) return false;
  e.voiceCount = e.voice->SetEventInterests(kAllVoiceEvents) ? e.voice->VoiceCount() : 0;
  if (e.voiceCount == 0) {
    e.voice.reset();  // not used again: a daemon's connection is given back
    return false;
  }
  if (voice < 1 || voice > e.voiceCount) {
    voice = 1;
    speed = 0;
  }
  e.voice->SetVoice(voice - 1);
  e.voice->SetRate(speed);  // a rate the voice refuses leaves its own
  return true;
}

void Sapi5Speak(int code, std::string_view text) {
  Engine& e = Of(code);
  if (!e.voice) return;
  if (!e.voice->Speak(text.empty() ? std::string_view(" ") : text, kSpeakAsync | kSpeakIsNotXml)) PlayBell();
}

// With a key waiting the query does not wait: the cut that follows it is not
// held back by a poll.
bool Sapi5Busy(int code, bool) {
  Engine& e = Of(code);
  if (!e.voice) return false;
  if (e.voice->WaitSpeakComplete(KeyWaiting() ? 0 : 20) != kWaitTimeout) return false;
  PostMessage(kMsgEngineBusy, 0, 0);
  return true;
}

void Sapi5Stop(int code) {
  Engine& e = Of(code);
  if (!e.voice) return;
  e.voice->Speak(" ", kSpeakPurgeBeforeSpeak);
  ConsoleDelay(50);
}

void Sapi5Finish(int code) {
  Engine& e = Of(code);
  while (Sapi5Busy(code, false)) ConsoleDelay(300);
  e.voice.reset();
  e.voiceCount = 0;
}
