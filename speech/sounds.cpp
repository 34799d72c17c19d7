// Interim recorded sounds: silent until the sound services land.
#include "speech/sounds.h"

#include <cstring>

void PlayNamedSound(std::string_view) {}
bool SoundExists(std::string_view) { return false; }
void SpeakLetter(unsigned char) {}
bool SpeechBusy() { return false; }
void WaitEngineSpeech() {}
void PlayImageAndWait(const uint8_t*) {}
void CutSpeech() {}
void MakeWavHeader(uint8_t* h, int dataSize, int rate, int channels, int bits) {
  auto put32 = [](uint8_t* p, uint32_t v) { for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i)); };
  auto put16 = [](uint8_t* p, uint16_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); };
  std::memcpy(h, "RIFF", 4); put32(h + 4, uint32_t(dataSize + 36)); std::memcpy(h + 8, "WAVEfmt ", 8);
  put32(h + 16, 16); put16(h + 20, 1); put16(h + 22, uint16_t(channels)); put32(h + 24, uint32_t(rate));
  put32(h + 28, uint32_t(rate * channels * bits / 8)); put16(h + 32, uint16_t(channels * bits / 8));
  put16(h + 34, uint16_t(bits)); std::memcpy(h + 36, "data", 4); put32(h + 40, uint32_t(dataSize));
}
