// didiInic: the synthesizer's letter-to-sound rules file, LEFT(CENTRE)RIGHT=OUTPUT|
// lines kept in buckets by the first character of their centre.
#pragma once
#include <string>
#include <vector>

namespace synth {

struct SynthRule {
  std::string left;    // at most 5 characters, read right to left
  std::string centre;  // 1 to 5 characters
  std::string right;   // at most 5 characters
  std::string output;  // at most 20 characters; '&' separates phonemes
};

// Empties the buckets and reads the file; false when it cannot be opened.
bool LoadRules(const std::string& path);
void ReleaseRules();
// The rules whose centre begins with c, in file order (none below 32).
const std::vector<SynthRule>& RuleBucket(unsigned char c);

}  // namespace synth
