// Not started: the synthesizer is not there yet.
#include "synth/glue.h"

bool SynthGlueStart(int, int, int, std::string_view) { return false; }
void SynthGlueFinish() {}
void SynthGlueSpeak(std::string_view) {}
bool SynthGlueBusy(bool) { return false; }
void SynthGlueStop() {}
