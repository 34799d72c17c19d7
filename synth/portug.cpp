#include "synth/portug.h"

#include <array>
#include <climits>

#include "speech/speak.h"
#include "synth/excessoes.h"
#include "synth/inic.h"
#include "synth/tonica.h"

namespace synth {
namespace {

using CharSet = std::array<bool, 256>;

CharSet MakeSet(std::string_view members) {
  CharSet s{};
  for (unsigned char c : members) {
    s[c] = true;
    if (c >= 'A' && c <= 'Z') s[c + 32] = true;
    if (c >= 0xC0 && c <= 0xDE) s[c + 32] = true;
  }
  return s;
}

const CharSet kVowel = MakeSet("AEIOU\xC0\xC1\xC2\xC3\xC9\xCA\xCC\xCD\xD3\xD4\xD5\xD9\xDA\xDC");
const CharSet kConsonant = MakeSet("BCDFGHJKLMNPQRSTVWXYZ\xC7\xD1");
const CharSet kFront = MakeSet("EI\xC9\xCD");
const CharSet kBack = MakeSet("AO\xC1\xC2\xD3\xD4");
const CharSet kLiquidNasal = MakeSet("LMNRZ");
const CharSet kFinalCluster = MakeSet("NRS");

unsigned char At(std::string_view w, int i) { return static_cast<unsigned char>(w[i]); }

// From the letter at `at` onward.
bool RightMatches(std::string_view pattern, std::string_view w, int at) {
  const int n = static_cast<int>(w.size());
  for (unsigned char p : pattern) {
    bool more = at < n;
    switch (p) {
      case '#':
        if (!more || !kVowel[At(w, at)]) return false;
        ++at;
        break;
      case '%':
        if (more) return false;
        break;
      case '&':
        if (!more || !kLiquidNasal[At(w, at)]) return false;
        ++at;
        break;
      case '*':
        if (!more || !kConsonant[At(w, at)] || w[at] == 'L' || w[at] == 'R' || w[at] == 'l' || w[at] == 'r')
          return false;
        break;
      case '+':
        if (!more || !kFront[At(w, at)]) return false;
        ++at;
        break;
      case '[':
        if (more && (!kConsonant[At(w, at)] || w[at] == 'H' || w[at] == 'h')) return false;
        break;
      case '\\':
        if (more && w[at] == 'S') ++at;
        break;
      default:
        if (!more || At(w, at) != p) return false;
        ++at;
    }
  }
  return true;
}

// From the letter at `at` backward, the pattern read from its end.
bool LeftMatches(std::string_view pattern, std::string_view w, int at) {
  for (int k = static_cast<int>(pattern.size()) - 1; k >= 0; --k) {
    unsigned char p = static_cast<unsigned char>(pattern[k]);
    bool more = at >= 0;
    switch (p) {
      case '#':
        if (!more || !kVowel[At(w, at)]) return false;
        --at;
        break;
      case '%':
        if (more) return false;
        break;
      case ']':
        if (!more || !kBack[At(w, at)]) return false;
        --at;
        break;
      case '_':
        if (more) {
          if (!kVowel[At(w, at)]) return false;
          --at;
        }
        break;
      case '|':
        if (!more || !kFinalCluster[At(w, at)]) return false;
        --at;
        break;
      default:
        if (!more || At(w, at) != p) return false;
        --at;
    }
  }
  return true;
}

const char* PauseFor(char c) {
  switch (c) {
    case '!': return "_!";
    case '(': return "_(";
    case ')': return "_)";
    case ',': return "_,";
    case '.': return "_.";
    case ':': return "_:";
    case ';': return "_;";
    case '?': return "_?";
    default: return nullptr;
  }
}

bool IsPunctuationStart(char c) { return c == ' ' || PauseFor(c) != nullptr; }

// A final r2 or s2 joins the vowel that begins the next word.
void Liaison(std::vector<std::string>& list) {
  const size_t count = list.size();
  for (size_t i = 3; i + 1 < count; ++i) {
    if (list[i].empty() || list[i][0] != ';') continue;
    std::string_view next = list[i + 1];
    if (!next.empty() && static_cast<unsigned char>(next[0]) == 0xA8) next.remove_prefix(1);
    if (next.empty() || std::string_view("aeiouwy").find(next[0]) == std::string_view::npos) continue;
    std::string& last = list[i - 2];
    if (last == "r2") last = "r";
    else if (last == "s2") last = "z";
  }
}
}  // namespace

void ApplyRules(std::string_view w, int stress, std::vector<std::string>& phonemes) {
  // Past every position once the mark is placed, whatever the word's length.
  int s = stress < 1 ? INT_MAX : stress;
  const int n = static_cast<int>(w.size());
  std::string pending;
  int pos = 1;
  while (pos <= n) {
    const SynthRule* taken = nullptr;
    for (const SynthRule& r : RuleBucket(At(w, pos - 1))) {
      if (w.substr(pos - 1, r.centre.size()) != r.centre) continue;
      if (!LeftMatches(r.left, w, pos - 2)) continue;
      if (!RightMatches(r.right, w, pos - 1 + static_cast<int>(r.centre.size()))) continue;
      taken = &r;
      break;
    }
    if (!taken) {
      ++pos;  // no rule: the letter is silent
      continue;
    }
    std::string_view out = std::string_view(taken->output).substr(0, 11);
    for (char ch : out) {
      if (pos >= s) {
        pending += '>';
        s = INT_MAX;
      }
      if (ch == '&') {
        phonemes.push_back(pending);
        pending.clear();
      } else {
        pending += ch;
      }
    }
    if (!out.empty()) {
      phonemes.push_back(pending);
      pending.clear();
    }
    pos += static_cast<int>(taken->centre.size());
  }
  phonemes.push_back(pending);
}

std::vector<std::string> LetterToSound(const std::vector<std::string>& tokenLines) {
  std::vector<std::string> list;
  list.reserve(tokenLines.size() * 8);
  for (const std::string& line : tokenLines) {
    list.push_back(";" + line);
    std::string t = line.size() > 4 ? UpperLatin(std::string_view(line).substr(4)) : std::string();
    if (t.empty()) {
      list.push_back("__");
      list.push_back("");
    } else if (IsPunctuationStart(t[0])) {
      if (const char* pause = PauseFor(t[0])) list.push_back(pause);
    } else {
      ExceptionLookup(t);
      int s = IsUnstressedWord(t) ? 0 : StressPosition(t);
      ApplyRules(t, s, list);
    }
  }
  list.push_back("__");
  Liaison(list);
  return list;
}

}  // namespace synth
