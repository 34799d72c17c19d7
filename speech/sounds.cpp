#include "speech/sounds.h"

#include <cstring>
#include <optional>
#include <vector>

#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "console/keyboard.h"
#include "speech/dispatch.h"
#include "speech/speech.h"
#include "speech/wavout.h"
#include "translator/files.h"

namespace {
std::optional<std::string> gLetters;
bool gCutRequest = false;

std::string WithSeparator(std::string_view dir) {
  std::string d(dir);
  if (!d.empty() && d.back() != '\\' && d.back() != '/') d += '\\';
  return d;
}

constexpr uint8_t kTemplate[44] = {'R', 'I', 'F', 'F', 0xFF, 0xFF, 0xFF, 0xFF, 'W', 'A', 'V', 'E', 'f', 'm', 't',
                                   ' ', 16,  0,   0,   0,   1,    0,    1,    0,    0x11, 0x2B, 0, 0, 0x11, 0x2B,
                                   0,   0,   1,   0,   8,   0,    'd',  'a',  't',  'a',  0xFF, 0xFF, 0xFF, 0xFF};

void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
}  // namespace

const std::string& LettersDirectory() {
  if (!gLetters)
    gLetters = WithSeparator(GetProfileString("TRADUTOR", "DIRLETRAS", "c:\\kelmar\\som\\letras\\", 255, "TAVIRO.INI"));
  return *gLetters;
}

void SetLettersDirectory(std::string_view directory) { gLetters = WithSeparator(directory); }

const std::string& CharacterSoundsDirectory() {
  return TranslatorLettersDirectory().empty() ? LettersDirectory() : TranslatorLettersDirectory();
}

std::string SoundFileName(std::string_view name) {
  std::string dir = !name.empty() && name[0] == '_' ? LettersDirectory() : WithSeparator(SoundDirectory());
  return dir + std::string(name) + ".wav";
}

void PlayNamedSound(std::string_view name) {
  WaitEngineSpeech();
  PlayWavFile(SoundFileName(name));
}

bool SoundExists(std::string_view name) { return FileExists(SoundFileName(name)); }

void SpeakLetter(unsigned char c) {
  WaitEngineSpeech();
  PlayWavFile(CharacterSoundsDirectory() + "_" + std::to_string(c) + ".wav");
}

bool SpeechBusy() {
  if (KeyWaiting()) {
    CutSpeech();
    return false;
  }
  if (EngineActive()) return WavBusy() || EngineBusy(false);
  return WavBusy();
}

// A recorded sound never starts over an engine utterance, nor over what
// start-up left sounding (the pending mark is set from initialisation on).
void WaitEngineSpeech() {
  if (!EngineSpeechPending()) return;
  while (SpeechBusy()) WaitMessage();
  SetEngineSpeechPending(false);
}

void PlayImageAndWait(const uint8_t* image) {
  WaitEngineSpeech();
  PlayWavImage(image);
  while (SpeechBusy()) WaitMessage();
}

void CutSpeech() {
  CloseWavDevice();
  gCutRequest = true;
  // The synthesizer is stopped even when it reports nothing: it may be
  // between two of its images.
  if (EngineActive() && (EngineBusy(false) || EngineSettings().type == 3)) EngineStop();
  PostMessage(kMsgSpeechCut, 0, 0);
}

void MakeWavHeader(uint8_t* h, int dataSize, int sampleRate, int channels, int bits) {
  std::memcpy(h, kTemplate, sizeof kTemplate);
  Put32(h + 40, static_cast<uint32_t>(dataSize));
  Put32(h + 4, static_cast<uint32_t>(dataSize) + 36);
  Put16(h + 22, static_cast<uint16_t>(channels));
  Put32(h + 24, static_cast<uint32_t>(sampleRate));
  Put16(h + 34, static_cast<uint16_t>(bits));
  Put32(h + 28, static_cast<uint32_t>(int64_t(sampleRate) * channels * (bits / 8)));  // no overflow
}

void PlayBell() {
  // 880 Hz for 120 ms, a square wave that fades out.
  constexpr int kRate = 11025, kSamples = 1323;
  static uint8_t image[44 + kSamples];
  MakeWavHeader(image, kSamples, kRate, 1, 8);
  for (int i = 0; i < kSamples; ++i) {
    int level = 48 * (kSamples - i) / kSamples;
    bool high = (i * 880 * 2 / kRate) % 2 == 0;
    image[44 + i] = static_cast<uint8_t>(128 + (high ? level : -level));
  }
  PlayWavImage(image);
}

bool CutRequested() { return gCutRequest; }
void SetCutRequest(bool on) { gCutRequest = on; }

void ResetSounds() {
  gLetters.reset();
  gCutRequest = false;
}
