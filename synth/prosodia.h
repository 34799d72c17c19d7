// didiProsodia: rhythm and melody. The prosody file ("portug.pro": phoneme
// durations, word classes, pitch rules) and the diphones file; the tokeniser,
// the pitch codes of the tokens, and the phoneme lines for MBROLA with their
// durations and pitch points.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace synth {

constexpr int kMaxDurations = 100;
constexpr int kMaxKeys = 1000;
constexpr int kMaxProsodyRules = 300;

struct TChave {
  std::string word;  // upper case
  std::string code;  // at most 2 characters
};

struct TProsodia {
  std::string previous, current, next;  // class patterns; empty matches any
  std::string code;                     // three pitch digits, '?' first continues
};

// Three passes over [DURAÇÃO], [CHAVES] and [PROSÓDIA]; problems are shown in
// message boxes and fail the load.
bool LoadProsody(const std::string& path);
// "a-b" lines of the diphones the voice has; false when the file cannot be read.
bool LoadDiphones(const std::string& path);
void ReleaseDiphones();
bool HasDiphone(std::string_view pair);

// The word's class from [CHAVES], or empty.
std::string ClassCode(std::string_view word);
// Normalised text to token list lines "[XX]casa", "[,,],", "[--]".
std::vector<std::string> Tokenise(std::string_view text);
// Token list to token lines "555|casa" (pitch code, '|', token).
std::vector<std::string> AssignPitchCodes(const std::vector<std::string>& tokens, bool useRules);
// Phoneme list to MBROLA lines ("a 87 50 230", ";casa", "", "_ 50").
std::vector<std::string> Prosody(const std::vector<std::string>& phonemes, double pitchFactor, double rateFactor);

// What the loader read, for tests and the tools.
int DurationOf(std::string_view name);
int BaseFrequency();
int PitchTable(int digit);
const std::vector<TProsodia>& ProsodyRules();
// The phoneme name the next utterance starts from (module state).
void ResetProsodyState();

}  // namespace synth
