#include "tests/support/soundtest.h"

#include "tests/support/screen.h"

#include "console/console.h"
#include "console/keyboard.h"
#include "platform/messages.h"
#include "platform/waveout.h"
#include "platform/waveout_capture.h"
#include "speech/sounds.h"
#include "speech/wavout.h"

void PressKey(unsigned char c) { PostMessage(0x0102, c, 0); }

void DropKeys() {
  while (KeyWaiting()) TakeKey();
}

std::string Le32(uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[static_cast<size_t>(i)] = static_cast<char>(v >> (8 * i));
  return s;
}

std::string Le16(uint16_t v) { return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }

std::string Chunk(const std::string& id, const std::string& body) {
  return id + Le32(static_cast<uint32_t>(body.size())) + body;
}

std::string FormatBody(int rate, int bits, int channels) {
  int align = channels * bits / 8;
  return Le16(1) + Le16(static_cast<uint16_t>(channels)) + Le32(static_cast<uint32_t>(rate)) +
         Le32(static_cast<uint32_t>(rate * align)) + Le16(static_cast<uint16_t>(align)) +
         Le16(static_cast<uint16_t>(bits));
}

std::string Riff(const std::string& chunks, const std::string& riffId, const std::string& form) {
  return riffId + Le32(static_cast<uint32_t>(chunks.size() + 4)) + form + chunks;
}

std::string PcmWav(const std::string& samples, int rate, int bits, int channels) {
  return Riff(Chunk("fmt ", FormatBody(rate, bits, channels)) + Chunk("data", samples));
}

std::string Counting(size_t n, int start) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((static_cast<size_t>(start) + i) % 251);
  return s;
}

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

SoundTestEnv::SoundTestEnv() {
  ResetMessages();
  UseHeadlessConsole();
  ResetWavOutput();
  ResetSounds();
  StartWaveCapture();
  DropKeys();
}

SoundTestEnv::~SoundTestEnv() {
  DropKeys();
  ResetWavOutput();
  ResetSounds();
  SetWaveBackend(nullptr);
  ResetMessages();
}
