// The engine dispatch: the five operations every text-to-speech engine
// offers, routed to the engine chosen at start-up by its code (3 the
// synthesizer, 5 SAPI 5, 54 SAPI 5.4, any other SAPI 4).
#pragma once
#include <string_view>

// True when the engine started; returns only when it has nothing queued.
bool EngineStart(int voice, int speed, int pitch, std::string_view outputFile, int code);
void EngineFinish();
void EngineSpeak(std::string_view text);
bool EngineBusy(bool queuedOnly);
void EngineStop();
