// Interim speech start-up: nothing is spoken until the speech services land.
#include "speech/speech.h"

#include "platform/paths.h"

namespace { std::string gSoundDirectory; }

void InitSpeechModule() { TakeStartupDirectory(); }
void StartSpeech(int, std::string_view soundDirectory) { gSoundDirectory = soundDirectory; }
void FinishSpeech() {}
const std::string& SoundDirectory() { return gSoundDirectory; }
