// didiPortug: words to phonemes. Each word of the token lines is looked up in
// the exceptions, given its stress and converted by the rules; punctuation
// becomes pause phonemes.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace synth {

// The token lines ("555|casa") to the phoneme list: a ";" marker line per
// token, one line per phoneme (">" before the stressed one), an empty line
// after each word, pause lines, a final "__"; then the liaison of a final r2
// or s2 before a vowel.
std::vector<std::string> LetterToSound(const std::vector<std::string>& tokenLines);
// Appends the phonemes of one upper-case word; stress is the 1-based letter
// position of the stressed vowel, below 1 for none.
void ApplyRules(std::string_view word, int stress, std::vector<std::string>& phonemes);

}  // namespace synth
