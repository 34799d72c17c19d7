// Helpers for the sound tests: keys typed into the console window, WAV files
// built chunk by chunk, and a clean WAV output on the capture double.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/testenv.h"

// Types a key as the window system would: a character message to the
// console window, taken into the key queue when messages are pumped.
void PressKey(unsigned char c);
// Empties the key queue.
void DropKeys();

// Little-endian pieces of a WAV file.
std::string Le32(uint32_t v);
std::string Le16(uint16_t v);
// A chunk: 4-character id, 32-bit size, body.
std::string Chunk(const std::string& id, const std::string& body);
// A PCM format body of 16 bytes.
std::string FormatBody(int rate, int bits, int channels);
// "RIFF" + size + "WAVE" + the chunks.
std::string Riff(const std::string& chunks, const std::string& riffId = "RIFF", const std::string& form = "WAVE");
// A whole PCM WAV file of the given samples.
std::string PcmWav(const std::string& samples, int rate, int bits, int channels);
// n bytes counting 0, 1, 2, ... (mod 251, so no block boundary repeats).
std::string Counting(size_t n, int start = 0);
std::vector<uint8_t> Bytes(const std::string& s);

// Every sound test starts from this: messages cleared, the WAV output reset
// onto the capture double (blocks complete as written), no keys, waits
// scaled to nothing, the console's window procedure in place.
class SoundTestEnv {
 public:
  SoundTestEnv();
  ~SoundTestEnv();
 private:
  ScopedEnv scale_{"ZELNAR_TIME_SCALE", "0"};
};
