// didiPreproc: the synthesizer's text normalisation. One line of text becomes
// words the letter-to-sound rules can read: numbers as Portuguese words,
// abbreviations before a full stop expanded, consonant-only words spelt,
// symbols named. Letters, blanks and phrase punctuation stay as they are.
// Positions are 0-based here; every text is Latin-1.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace synth {

constexpr int kMaxAbbreviations = 2000;
constexpr int64_t kMaxCardinal = 1000000000000000;  // 10^15

std::string Normalise(std::string_view text);
// The spoken name of a character code; empty when it has none.
std::string SymbolName(unsigned char c);
// 0 <= value < 10^15.
std::string Cardinal(int64_t value);
// gender 'm' or 'f'.
std::string Ordinal(char gender, int64_t value);
// Both advance pos past what they consumed.
std::string ReadNumber(std::string_view text, size_t& pos);
std::string ReadWord(std::string_view text, size_t& pos);

// The abbreviations file: ABBREVIATION=EXPANSION lines, ";" comments. False
// when the file cannot be opened. Lines beyond the table are ignored.
bool LoadAbbreviations(const std::string& path);
// The expansion of a word (any case), or empty.
std::string Abbreviation(std::string_view word);
int AbbreviationCount();

}  // namespace synth
