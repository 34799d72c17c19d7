// Recorded sound files, played by name, and the waits around speech.
#pragma once
#include <cstdint>
#include <string_view>

void PlayNamedSound(std::string_view name);
bool SoundExists(std::string_view name);
void SpeakLetter(unsigned char c);
bool SpeechBusy();
void WaitEngineSpeech();
// Plays a WAV image in memory and waits for its end (or a key).
void PlayImageAndWait(const uint8_t* image);
void CutSpeech();
// Fills 44 bytes in front of samples already in memory.
void MakeWavHeader(uint8_t* header, int dataSize, int sampleRate, int channels, int bits);
