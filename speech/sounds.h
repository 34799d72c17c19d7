// Recorded sound files, played by name, and the waits around speech.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// A name beginning with "_" is looked for in the letters directory, any other
// name (the empty one too) in the sound directory; ".wav" is appended.
std::string SoundFileName(std::string_view name);
void PlayNamedSound(std::string_view name);
bool SoundExists(std::string_view name);
// The letters directory + "_" + the character's Latin-1 code + ".wav".
void SpeakLetter(unsigned char c);
bool SpeechBusy();
void WaitEngineSpeech();
// Plays a WAV image in memory and waits for its end (or a key).
void PlayImageAndWait(const uint8_t* image);
void CutSpeech();
// Fills 44 bytes in front of samples already in memory.
void MakeWavHeader(uint8_t* header, int dataSize, int sampleRate, int channels, int bits);

// The console's bell: a short beep through the WAV output; returns at once.
void PlayBell();

// The letters directory ("DIRLETRAS" of section "TRADUTOR", read from the
// Windows directory's TAVIRO.INI, default "c:\kelmar\som\letras\"), ending
// with "\" unless empty. Read at the first use; speech start-up may set it.
const std::string& LettersDirectory();
void SetLettersDirectory(std::string_view directory);
// Where the character sounds and the number words are: the translator's own
// copy of the setting once the translator has started, else the one above.
const std::string& CharacterSoundsDirectory();

// The cut request: set by CutSpeech, cleared by Speak at its start.
bool CutRequested();
void SetCutRequest(bool on);

// Forgets the letters directory and the cut request (tests).
void ResetSounds();
