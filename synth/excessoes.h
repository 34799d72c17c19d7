// didiExcessoes: the synthesizer's exceptions dictionary, whole words the
// letter-to-sound rules would read wrongly with a spelling they read rightly.
#pragma once
#include <string>
#include <vector>

namespace synth {

struct PalavraAlias {
  std::string word;         // upper case
  std::string replacement;  // upper case
};

constexpr int kMaxExceptions = 15000;

// Lines WORD=REPLACEMENT, upper-cased, sorted by word. False only when the
// file cannot be opened.
bool LoadExceptions(const std::string& path);
// The word (upper case) replaced in place when it, or it without trailing
// S and M letters that are then put back, is an entry.
void ExceptionLookup(std::string& word);
const std::vector<PalavraAlias>& ExceptionTable();

}  // namespace synth
