// The key queue: platform key events become one-byte key codes in the manner
// of a text-mode keyboard; braille chords become characters.
#include "console/keyboard.h"

#include "speech/wavout.h"

#include <cstring>

#include "console/console.h"
#include "platform/messages.h"
#include "platform/window.h"

namespace {
constexpr int kQueueSize = 64;
unsigned char gQueue[kQueueSize];
int gLength = 0;
bool gCheckBreak = true;
bool gCheckEof = false;

int gBraille = 0;
int gChord = 0, gHeld = 0;
bool gNumberMode = false, gCapitalPending = false, gCapitalLock = false;

// The tones sound through the WAV output like every other sound; a stop
// closes the device, which cuts the tone at once.
void ToneToDevice(int, const uint8_t* image, size_t) {
  if (image) PlayWavImage(image);
  else CloseWavDevice();
}
ToneOutput gToneOutput = ToneToDevice;
std::vector<uint8_t> gToneImage;  // kept while the tone loops

constexpr unsigned char kNoCharacter = 0xFE;
constexpr unsigned char kBrailleTable[64] = {
    0x20, 0x61, 0x2C, 0x62, 0x27, 0x6B, 0x3B, 0x6C,  //
    0x5E, 0x63, 0x69, 0x66, 0xED, 0x6D, 0x73, 0x70,  //
    0x7E, 0x65, 0x3A, 0x68, 0x2A, 0x6F, 0x21, 0x72,  //
    0xAC, 0x64, 0x6A, 0x67, 0xE3, 0x6E, 0x74, 0x71,  //
    0xFD, 0xE2, 0x3F, 0xEA, 0x2D, 0x75, 0x22, 0x76,  //
    0x7B, 0xEE, 0xF5, 0xE0, 0xF3, 0x78, 0xE8, 0xE7,  //
    0x24, 0xFB, 0xFF, 0xFC, 0x7D, 0x7A, 0x3D, 0xE1,  //
    0x5F, 0xF4, 0x77, 0xEF, 0x23, 0x79, 0xFA, 0xE9,  //
};

// Alt with A to Z, then 0 to 9.
constexpr unsigned char kAltLetters[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                                           49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};
constexpr unsigned char kAltDigits[10] = {129, 120, 121, 122, 123, 124, 125, 126, 127, 128};

struct ExtendedKey {
  int key;
  unsigned char alone, withCtrl;
};
constexpr ExtendedKey kExtended[] = {
    {kKeyF1 + 0, 59, 94},  {kKeyF1 + 1, 60, 95},  {kKeyF1 + 2, 61, 96},  {kKeyF1 + 3, 62, 97},
    {kKeyF1 + 4, 63, 98},  {kKeyF1 + 5, 64, 99},  {kKeyF1 + 6, 65, 100}, {kKeyF1 + 7, 66, 101},
    {kKeyF1 + 8, 67, 102}, {kKeyF1 + 9, 68, 103}, {kKeyF11, 69, 104},    {kKeyF12, 70, 105},
    {kKeyInsert, 82, 255}, {kKeyDelete, 83, 83},  {kKeyHome, 71, 119},   {kKeyEnd, 79, 117},
    {kKeyPageUp, 73, 132}, {kKeyPageDown, 81, 118}, {kKeyUp, 72, 113},   {kKeyDown, 80, 114},
    {kKeyLeft, 75, 115},   {kKeyRight, 77, 116},
};

bool IsLetterKey(int key) { return key >= kKeyA && key <= kKeyA + 25; }
bool IsDigitKey(int key) { return key >= kKey0 && key <= kKey0 + 9; }

// F D S J K L are dots 1 to 6, the space bar the seventh key.
int DotValue(int key) {
  switch (key) {
    case 'F': return 1;
    case 'D': return 2;
    case 'S': return 4;
    case 'J': return 8;
    case 'K': return 16;
    case 'L': return 32;
    case kKeySpace: return 64;
    default: return 0;
  }
}

void Queue(unsigned char code) {
  if (gLength < kQueueSize) gQueue[gLength++] = code;
}

void ClearSigns() { gNumberMode = gCapitalPending = gCapitalLock = false; }

unsigned char ApplySigns(unsigned char c) {
  if (gNumberMode) {
    if (c == '\'') c = '.';
    else if (c >= 'a' && c <= 'i') c = static_cast<unsigned char>('1' + (c - 'a'));
    else if (c == 'j') c = '0';
    else if (c == '~') gNumberMode = false;
  }
  if ((gCapitalPending || gCapitalLock) && c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 32);
  if (c == 0x23) {
    gNumberMode = true;
    return kNoCharacter;
  }
  if (c == 0x7B) {
    if (gCapitalPending) gCapitalLock = true;
    gCapitalPending = true;
    return kNoCharacter;
  }
  gCapitalPending = false;
  return c;
}

void Tone(int frequency) {
  PlayTone(frequency);
  ConsoleDelay(200);
  StopTone();
}
}  // namespace

bool KeyWaiting() {
  PumpMessages();
  return gLength > 0;
}

unsigned char TakeKey() {
  InitConsole();
  if (gLength == 0) {
    BeginKeyWait();
    while (gLength == 0) {
      WaitMessage();
      KeyWaiting();
    }
    EndKeyWait();
  }
  unsigned char code = gQueue[0];
  std::memmove(gQueue, gQueue + 1, static_cast<size_t>(--gLength));
  return code;
}

std::string ReadLine() {
  // The standard input's buffer holds 128 bytes: the line and its CR LF.
  constexpr size_t kRoom = 128 - 2;
  std::string line;
  unsigned char c;
  do {
    c = TakeKey();
    if (c == 8) {
      if (!line.empty()) {
        line.pop_back();
        WriteText("\b", 1);
      }
    } else if (c >= 32) {
      if (line.size() < kRoom) {
        line.push_back(static_cast<char>(c));
        WriteText(reinterpret_cast<const char*>(&c), 1);
      }
    }
  } while (c != 13 && !(gCheckEof && c == 26));
  if (c == 13) WriteText("\r\n", 2);
  PumpMessages();
  return line;
}

bool HandleKeyDown(int key, unsigned mods, bool systemKey) {
  bool ctrl = mods & kModCtrl, alt = mods & kModAlt, shift = mods & kModShift;
  // With break checking on, Alt combinations other than Alt+Left/Right belong
  // to the platform (Alt+F4 closes the window).
  if (systemKey && gCheckBreak && key != kKeyLeft && key != kKeyRight) return false;
  if (gCheckBreak && key == kKeyBreak) AbortConsole();
  // Alt+Ctrl+F11/F12 change the braille mode; Shift+Ctrl+F11/F12 too, for
  // desktops that keep Ctrl+Alt with a function key for themselves.
  if (ctrl && (alt || shift) && (key == kKeyF11 || key == kKeyF12)) {
    SetBrailleMode(key == kKeyF12 ? 0 : gBraille + 1);
    return true;
  }
  if (alt) {
    if (IsLetterKey(key) || IsDigitKey(key)) {
      if (gLength <= kQueueSize - 2) {
        Queue(0);
        Queue(IsLetterKey(key) ? kAltLetters[key - kKeyA] : kAltDigits[key - kKey0]);
      }
      return true;
    }
  }
  if (gBraille != 0 && !ctrl && DotValue(key) != 0) {
    gChord |= DotValue(key);
    gHeld |= DotValue(key);
    return true;
  }
  if (gLength > kQueueSize - 2) return true;
  for (const ExtendedKey& e : kExtended) {
    if (e.key != key) continue;
    Queue(0);
    Queue(ctrl ? e.withCtrl : (key == kKeyInsert && shift) ? 254 : e.alone);
    break;
  }
  return true;
}

void HandleChar(int ch, unsigned mods) {
  bool ctrl = mods & kModCtrl;
  if (gBraille != 0 && (ch == ' ' || (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z'))) return;
  if (gLength >= kQueueSize) return;
  if (ch == 8) Queue(ctrl ? 127 : 8);
  else if (ch == 13) Queue(ctrl ? 10 : 13);
  else Queue(static_cast<unsigned char>(ch));
}

void HandleKeyUp(int key, unsigned mods) {
  if (gBraille == 0) return;
  if ((mods & kModCtrl) || (key != kKeySpace && !IsLetterKey(key))) {
    ClearSigns();
    return;
  }
  gHeld &= ~DotValue(key);
  if (gHeld != 0) return;
  unsigned char c;
  if (gChord < 64) {
    c = kBrailleTable[gChord];
    if (gBraille == 2) c = ApplySigns(c);
  } else {
    // The space bar with dots gives a control code (dots 1-2-5: backspace,
    // dots 1-3-4: Enter); alone, a blank.
    c = gChord == 64 ? ' ' : static_cast<unsigned char>(kBrailleTable[gChord & 63] & 0x1F);
    ClearSigns();
  }
  if (c != kNoCharacter && gLength < kQueueSize) Queue(c);
  gChord = 0;
}

void SetBrailleMode(int mode) {
  // Chords are read from key releases; a window without them (a text
  // terminal) would only swallow every letter typed.
  if (!WindowReportsKeyUps()) mode = 0;
  if (mode > 2) mode = 1;
  if (mode < 0) mode = 0;
  if (mode == 0) {
    gChord = gHeld = 0;
    ClearSigns();
    if (gBraille != 0) {
      gBraille = 0;
      Tone(100);
    }
  } else {
    gBraille = mode;
    Tone(800);
    Tone(mode == 1 ? 1600 : 400);
  }
  gBraille = mode;
}

int BrailleMode() { return gBraille; }
void SetCheckBreak(bool on) { gCheckBreak = on; }
void SetCheckEof(bool on) { gCheckEof = on; }
void DiscardKeys() { gLength = 0; }

std::vector<uint8_t> MakeToneImage(int frequency) {
  std::vector<uint8_t> image(kToneImageSize, 0);
  // Frequencies the sample rate cannot carry give no tone at all.
  if (frequency < 1 || frequency > 11025) return {};
  const long long rate = 11025;
  const long long period = rate / frequency;
  auto start = [&](long long k) { return 44 + (k * rate) / frequency; };
  long long k = 0;
  while (start(k) <= rate - period) {
    long long s = start(k), next = start(k + 1);
    for (long long i = s; i < next; ++i) image[static_cast<size_t>(i)] = i - s < period / 2 ? 96 : 160;
    ++k;
  }
  long long end = start(k);
  image[static_cast<size_t>(end - 1)] = 128;
  uint32_t dataSize = static_cast<uint32_t>(end - 44);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) image[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  auto put16 = [&](size_t at, uint16_t v) {
    image[at] = static_cast<uint8_t>(v);
    image[at + 1] = static_cast<uint8_t>(v >> 8);
  };
  std::memcpy(&image[0], "RIFF", 4);
  put32(4, dataSize + 36);
  std::memcpy(&image[8], "WAVEfmt ", 8);
  put32(16, 16);
  put16(20, 1);      // PCM
  put16(22, 1);      // one channel
  put32(24, 11025);  // samples per second
  put32(28, 11025);  // bytes per second
  put16(32, 1);      // block size
  put16(34, 8);      // bits per sample
  std::memcpy(&image[36], "data", 4);
  put32(40, dataSize);
  return image;
}

void SetToneOutput(ToneOutput output) { gToneOutput = output; }

void PlayTone(int frequency) {
  StopTone();
  gToneImage = MakeToneImage(frequency);
  if (gToneImage.empty()) return;
  if (gToneOutput) gToneOutput(frequency, gToneImage.data(), gToneImage.size());
}

void StopTone() {
  if (gToneImage.empty()) return;
  if (gToneOutput) gToneOutput(0, nullptr, 0);
  gToneImage.clear();
}

void ResetKeyboard() {
  gLength = 0;
  gCheckBreak = true;
  gCheckEof = false;
  gBraille = gChord = gHeld = 0;
  ClearSigns();
  gToneOutput = ToneToDevice;
  gToneImage.clear();
}
