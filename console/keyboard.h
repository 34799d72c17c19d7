// The console's key queue and line input, with the six-key braille mode.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

bool KeyWaiting();
unsigned char TakeKey();
// One line of input with echo (at most 126 characters), without its line end.
std::string ReadLine();
void PlayTone(int frequency);
void StopTone();

// The window procedure's side: key messages with the platform key number
// (platform/window.h) and the modifier bits. HandleKeyDown gives false for a
// key it leaves to the platform (system keys).
bool HandleKeyDown(int key, unsigned mods, bool systemKey);
void HandleKeyUp(int key, unsigned mods);
void HandleChar(int ch, unsigned mods);

// Braille mode 0 (off), 1 (chords) or 2 (chords with capital and number
// signs); a change plays its tones.
void SetBrailleMode(int mode);
int BrailleMode();
// Ctrl+Break ends the program while on (the default).
void SetCheckBreak(bool on);
// Ctrl+Z (26) ends a line while on (off by default).
void SetCheckEof(bool on);
// Empties the key queue.
void DiscardKeys();

// The generated tone: a looping 8-bit WAV image of one second at 11025 Hz.
constexpr size_t kToneImageSize = 11071;
std::vector<uint8_t> MakeToneImage(int frequency);
// Where tones go: the image to loop (frequency and bytes), or stop (0 and
// nullptr). Without one the tones are silent.
using ToneOutput = void (*)(int frequency, const uint8_t* image, size_t size);
void SetToneOutput(ToneOutput output);

// Empty queue, braille off, checks at their defaults (tests).
void ResetKeyboard();
