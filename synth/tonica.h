// didiTonica: where a Portuguese word carries its stress.
#pragma once
#include <string_view>

namespace synth {

// 1-based position of the stressed vowel letter, or 0 when the word has no vowel.
int StressPosition(std::string_view word);
// Words of fewer than three letters and a few function words carry no stress.
bool IsUnstressedWord(std::string_view word);

}  // namespace synth
