#include "speech/speech.h"

#include <climits>
#include <string>

#include "app/settings.h"
#include "console/console.h"
#include "console/keyboard.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "speech/dispatch.h"
#include "speech/speak.h"
#include "speech/sounds.h"
#include "speech/wavout.h"
#include "translator/files.h"

namespace {
std::string gSoundDirectory;
int gSpeed = 3;
bool gEngineActive = false;
EngineChoice gEngine;
bool gEnginePending = true;
int gPauseFullStop = 0, gPauseComma = 0, gPauseColon = 0;
uint8_t gClick[44 + 256];
std::string gPhonetic;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Key(const char* name, int n) { return name + std::to_string(n); }

std::string Sintetizador(const char* name) { return ReadSetting("SINTETIZADOR", Key(name, gSpeed)); }

// A value that does not convert completely gives `fallback`.
int WholeOr(const std::string& value, int fallback) {
  bool complete = false;
  int v = SettingInteger(value, &complete);
  return complete ? v : fallback;
}

// A per-speed value outside its range is taken at the nearer end: a
// negative cut would read past a segment, and a huge pause would hold the
// program for hours. The ranges are those of the README's settings table.
int Clamped(int value, int low, int high) { return value < low ? low : value > high ? high : value; }

// The speed-dependent keys, handed to the translator and the WAV output.
void ReadSpeedSettings() {
  SetDatabaseName(Sintetizador("DIFONES"));
  int cut = Clamped(SettingInteger(Sintetizador("CORTEFON")), 0, kMostSegmentBytes);
  int floor = Clamped(WholeOr(Sintetizador("SOBRAFON"), 0), 0, kMostSegmentBytes);
  int pause = Clamped(WholeOr(Sintetizador("INTERPAL"), 0), 0, kMostWordPause);
  bool cutSpeech = SettingYes(Sintetizador("CORTAFALA"));
  bool quick = SettingYes(Sintetizador("RAPIDINHO"));
  SetDiphoneTiming(cut, floor, pause);
  SetQuickFlag(quick);
  SetCutFlag(cutSpeech);
  gPauseFullStop = Clamped(WholeOr(Sintetizador("PAUSAPONTO"), 250), 0, kMostPunctuationPause);
  gPauseComma = Clamped(WholeOr(Sintetizador("PAUSAVIRG"), 150), 0, kMostPunctuationPause);
  gPauseColon = Clamped(WholeOr(Sintetizador("PAUSADOISPONTOS"), 200), 0, kMostPunctuationPause);
}

std::string WithBackslash(std::string dir) {
  if (!dir.empty() && dir.back() != '\\') dir += '\\';
  return dir;
}

void FillClick() {
  uint32_t seed = 0x1234567u;
  for (int i = 0; i < 64; ++i) {
    seed = seed * 1664525u + 1013904223u;
    gClick[44 + i] = static_cast<uint8_t>(128 + (seed >> 16) % 60);
  }
  for (int i = 64; i < 256; ++i) gClick[44 + i] = 128;
}
}  // namespace

int SettingInteger(std::string_view s, bool* complete) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  int base = 10;
  if (i < s.size() && s[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  long long value = 0;
  size_t digits = 0;
  for (; i < s.size(); ++i, ++digits) {
    int d = HexDigit(s[i]);
    if (d < 0 || d >= base) break;
    if (value <= INT_MAX) value = value * base + d;
  }
  if (complete) *complete = digits > 0 && i == s.size();
  if (value > INT_MAX) value = INT_MAX;
  return static_cast<int>(negative ? -value : value);
}

bool SettingYes(std::string_view v) { return !v.empty() && v[0] != 'N' && v[0] != 'n'; }

void InitSpeechModule() {
  TakeStartupDirectory();
  ResetSpeechModule();
}

void ResetSpeechModule() {
  gSoundDirectory.clear();
  gSpeed = 3;
  gEngineActive = false;
  gEngine = EngineChoice{};
  gEnginePending = true;
  gPauseFullStop = gPauseComma = gPauseColon = 0;
  gPhonetic.clear();
  SetCutRequest(false);
  FillClick();
}

void StartSpeech(int speed, std::string_view soundDirectory) {
  if (speed < 1) speed = SettingInteger(ReadSetting("TRADUTOR", "VELOCIDADE"));
  if (speed < 1 || speed > 5) speed = 3;
  gSpeed = speed;
  ReadSpeedSettings();

  int code = StartTranslator();
  if (code != 0) {
    WriteLn("Erro de inicializa\xE7\xE3o: " + std::to_string(code));
    WriteLn("Banco de dados de voz: " + DatabaseName());
    // The voice that would say the lines is the one that failed: the error
    // tone tells a listener that something is written.
    ErrorBeep();
    EndTranslator();
    ReadLine();
    // The code is the exit status, so a launcher or a script knows too.
    DoneConsole(code);
  }

  gSoundDirectory = WithBackslash(std::string(soundDirectory));
  SetLettersDirectory(
      WithBackslash(GetProfileString("TRADUTOR", "DIRLETRAS", "c:\\kelmar\\som\\letras\\", 255, "TAVIRO.INI")));
  ReadSpeedSettings();

  gEngineActive = false;
  if (SettingYes(ReadSetting("TRADUTOR", "SAPI"))) {
    EngineChoice e;
    e.voice = SettingInteger(ReadSetting("SERVFALA", "VOZ"));
    e.speed = SettingInteger(ReadSetting("SERVFALA", "VELOCIDADE"));
    e.pitch = SettingInteger(ReadSetting("SERVFALA", "TOM"));
    e.type = SettingInteger(ReadSetting("SERVFALA", "TIPOSAPI"));
    if (e.type != 4 && e.speed > 10) e.speed = 0;
    gEngine = e;
    gEngineActive = EngineStart(e.voice, e.speed, e.pitch, "", e.type);
  }
}

void FinishSpeech() {
  while (SpeechBusy()) WaitMessage();
  CutSpeech();
  if (gEngineActive) {
    EngineFinish();
    gEngineActive = false;
  }
  EndTranslator();
}

const std::string& SoundDirectory() { return gSoundDirectory; }
int SpeedIndex() { return gSpeed; }
bool EngineActive() { return gEngineActive; }
const EngineChoice& EngineSettings() { return gEngine; }
bool EngineSpeechPending() { return gEnginePending; }
void SetEngineSpeechPending(bool on) { gEnginePending = on; }
int PauseFullStop() { return gPauseFullStop; }
int PauseComma() { return gPauseComma; }
int PauseColon() { return gPauseColon; }
uint8_t* ClickImage() { return gClick; }
const std::string& PhoneticText() { return gPhonetic; }
void SetPhoneticText(std::string_view text) { gPhonetic = std::string(text); }
