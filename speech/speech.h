// Speech start-up and finish, and the speech module's state.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// Runs before the main program: takes the start-up directory.
void InitSpeechModule();
// Reads every speech setting, starts the translator (a failure is reported on
// the console with the error tone, waits for Enter and ends the program with
// the translator's code, 1 or 2, as its exit status) and, when the settings
// ask for it, an engine.
void StartSpeech(int speed, std::string_view soundDirectory);
// Waits for speech to end, cuts it, finishes the engine and the translator.
void FinishSpeech();
// The sound directory handed to StartSpeech, with its final "\" (unless empty).
const std::string& SoundDirectory();

// The speed index 1..5 of the speed-dependent settings.
int SpeedIndex();
// The engine chosen by the settings; active only when it started.
struct EngineChoice {
  int voice = 0;
  int speed = 0;
  int pitch = 0;
  int type = 4;
};
bool EngineActive();
const EngineChoice& EngineSettings();
bool EngineSpeechPending();
void SetEngineSpeechPending(bool on);

// The ranges of the per-speed settings; a value outside is taken at the
// nearer end. CORTEFON and SOBRAFON in bytes (a segment's largest length),
// INTERPAL in samples (10 s at 11,025 Hz), the three pauses in milliseconds.
constexpr int kMostSegmentBytes = 65535;
constexpr int kMostWordPause = 110250;
constexpr int kMostPunctuationPause = 10000;

// Pauses after punctuation, in milliseconds.
int PauseFullStop();
int PauseComma();
int PauseColon();

// The repeat click: a 44-byte WAV header room followed by its 256 samples.
uint8_t* ClickImage();

// The last phonetic string made for speaking.
const std::string& PhoneticText();
void SetPhoneticText(std::string_view text);

// The setting readers, as speech start-up applies them. An integer: blanks
// skipped, a sign, decimal or "$"/"0x" hexadecimal; `complete` tells whether
// the whole value converted, the result is the value of what converted.
int SettingInteger(std::string_view value, bool* complete = nullptr);
// Yes unless empty or starting with N or n.
bool SettingYes(std::string_view value);

// Back to the state after module initialisation (tests).
void ResetSpeechModule();
