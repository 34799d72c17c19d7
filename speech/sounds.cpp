// Interim recorded sounds: silent until the sound services land.
#include "speech/sounds.h"

void PlayNamedSound(std::string_view) {}
bool SoundExists(std::string_view) { return false; }
void SpeakLetter(unsigned char) {}
bool SpeechBusy() { return false; }
void CutSpeech() {}
