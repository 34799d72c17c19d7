#include "speech/dispatch.h"

#include "console/console.h"
#include "speech/sapi4.h"
#include "speech/sapi5.h"
#include "synth/glue.h"

namespace {
int gCode = 4;

bool IsSapi5(int code) { return code == 5 || code == 54; }
}  // namespace

bool EngineStart(int voice, int speed, int pitch, std::string_view outputFile, int code) {
  gCode = code;
  bool started = code == 3 ? SynthGlueStart(voice, speed, pitch, outputFile)
                 : IsSapi5(code) ? Sapi5Start(code, voice, speed, pitch, outputFile)
                                 : Sapi4Start(voice, speed, pitch, outputFile);
  if (started)
    while (EngineBusy(true)) ConsoleDelay(50);
  return started;
}

void EngineFinish() {
  if (gCode == 3) SynthGlueFinish();
  else if (IsSapi5(gCode)) Sapi5Finish(gCode);
  else Sapi4Finish();
}

void EngineSpeak(std::string_view text) {
  if (gCode == 3) SynthGlueSpeak(text);
  else if (IsSapi5(gCode)) Sapi5Speak(gCode, text);
  else Sapi4Speak(text);
}

bool EngineBusy(bool queuedOnly) {
  PumpMessages();  // notifications already waiting are counted
  if (gCode == 3) return SynthGlueBusy(queuedOnly);
  if (IsSapi5(gCode)) return Sapi5Busy(gCode, queuedOnly);
  return Sapi4Busy(queuedOnly);
}

void EngineStop() {
  if (gCode == 3) SynthGlueStop();
  else if (IsSapi5(gCode)) Sapi5Stop(gCode);
  else Sapi4Stop();
}
