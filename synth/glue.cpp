#include "synth/glue.h"

#include <algorithm>
#include <cstdio>

#include "console/console.h"
#include "console/keyboard.h"
#include "platform/latin1.h"
#include "platform/messages.h"
#include "synth/didibrisa.h"
#include "synth/gluesettings.h"

namespace {
void WakeWaiter() { PostMessage(kMsgEngineBusy, 0, 0); }
}  // namespace

bool SynthGlueStart(int, int speed, int pitch, std::string_view) {
  synth::InitSynthGlue();
  const synth::SynthFiles& f = synth::SynthGlueFiles();
  bool started = synth::SynthStart(f.database, f.rules, f.exceptions, f.abbreviations, f.prosody, f.diphones);
  // Past speed 10 the phonemes would shrink to nothing and then turn
  // negative: the rate is kept where speech is still speech.
  double rate = std::clamp(0.8 - speed / 15.0, 0.1, 1.5);
  // Likewise the pitch: from -11 down it would be nothing or below, and far
  // up a squeak above what the voice can say; both were silence or noise.
  synth::SynthSetFactors(std::clamp((pitch + 11) / 11.0, 0.5, 2.0), rate);
  if (!started) {
    const std::string& why = synth::SynthErrorText();
    std::fprintf(stderr, "Zelnar: o sintetizador n\xC3\xA3o come\xC3\xA7ou: %s\n",
                 why.empty() ? "a biblioteca MBROLA ou a voz n\xC3\xA3o carregou" : Latin1ToUtf8(why).c_str());
  }
  return started;
}

void SynthGlueStop() {
  synth::SynthStopPlayback();
  WakeWaiter();
}

bool SynthGlueBusy(bool) {
  bool playing = synth::SynthPlaying();
  if (KeyWaiting()) {
    SynthGlueStop();
    playing = false;
  }
  WakeWaiter();
  return playing;
}

void SynthGlueFinish() {
  while (SynthGlueBusy(false)) ConsoleDelay(500);
  SynthGlueStop();
  synth::SynthClose();
}

void SynthGlueSpeak(std::string_view text) {
  synth::SynthSpeak(text);
  WakeWaiter();
}
