// The synthesizer's glue: the five operations of an engine that the engine
// dispatch gives engine code 3. A start that fails (no MBROLA library, no
// voice, a data file missing) leaves the translator speaking.
#pragma once
#include <string_view>

bool SynthGlueStart(int voice, int speed, int pitch, std::string_view outputFile);
void SynthGlueFinish();
void SynthGlueSpeak(std::string_view text);
bool SynthGlueBusy(bool queuedOnly);
void SynthGlueStop();
