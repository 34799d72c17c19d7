// The synthesizer's glue: the five operations of an engine that the engine
// dispatch gives engine code 3. Until the synthesizer is built its start
// fails, so the speech services keep the translator.
#pragma once
#include <string_view>

bool SynthGlueStart(int voice, int speed, int pitch, std::string_view outputFile);
void SynthGlueFinish();
void SynthGlueSpeak(std::string_view text);
bool SynthGlueBusy(bool queuedOnly);
void SynthGlueStop();
