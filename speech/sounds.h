// Recorded sound files, played by name.
#pragma once
#include <string_view>

void PlayNamedSound(std::string_view name);
bool SoundExists(std::string_view name);
void SpeakLetter(unsigned char c);
bool SpeechBusy();
void CutSpeech();
