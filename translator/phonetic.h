// Text to phonetic string: words mapped to the 7-bit word form, looked up in
// the exceptions, stress-marked and converted by the letter-to-sound rules.
#pragma once
#include <string>
#include <string_view>

// "[" + pieces + "]" per word; empty for an empty text or blanks only.
std::string TextToPhonetic(std::string_view text);

// Steps of the conversion, in calling order (exposed for tests and tools).
std::string PrepareText(std::string_view text);

struct WordBuffer {
  std::string chars;  // positions 1..L are chars[0..L-1]; at most 256
  int vowels = 0;     // vowels of the word as read
  bool accented = false;  // an accent mark other than the diaeresis was read
};
// Takes the next word of the prepared text from position (0-based); false at the end.
bool NextWord(std::string_view prepared, size_t& position, WordBuffer& word);
void LookUpException(WordBuffer& word);
void MarkStress(WordBuffer& word);
bool MustSpell(const WordBuffer& word);
std::string SpellWord(const WordBuffer& word);
std::string ApplyRules(const WordBuffer& word);

constexpr size_t kMaxWordLength = 256;
