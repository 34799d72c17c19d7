#include "synth/tonica.h"

#include <string>

namespace synth {
namespace {
char Lower(char ch) {
  unsigned char c = static_cast<unsigned char>(ch);
  if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return static_cast<char>(c + 32);
  return ch;
}

bool IsAccented(char c) {
  switch (static_cast<unsigned char>(c)) {
    case 0xE0: case 0xE1: case 0xE2: case 0xE3: case 0xE9: case 0xEA:
    case 0xED: case 0xF3: case 0xF4: case 0xF5: case 0xFA:
      return true;
    default:
      return false;
  }
}

bool IsVowelLike(char c) {
  return c == 'a' || c == 'e' || c == 'i' || c == 'o' || c == 'u' || c == 'w' || c == 'y' ||
         static_cast<unsigned char>(c) == 0xFC;
}
}  // namespace

int StressPosition(std::string_view word) {
  std::string w;
  for (char c : word) w += Lower(c);
  const int n = static_cast<int>(w.size());
  bool vowel = false;
  for (int i = n; i >= 1; --i) {
    if (IsAccented(w[i - 1])) return i;
    vowel |= IsVowelLike(w[i - 1]);
  }
  if (!vowel) return 0;
  int r = 0, state = 0;
  for (int here = n; here >= 1; --here) {
    char c = w[here - 1];
    bool aeo = c == 'a' || c == 'e' || c == 'o';
    switch (state) {
      case 0:
        if (aeo) r = here, state = 1;
        else if (c == 'u') r = here, state = 10;
        else if (c == 'i') r = here, state = 20;
        else if (c == 's') state = 0;
        else if (c == 'm') state = 40;
        else state = 30;
        break;
      case 1:
        if (c == 'u') state = 4;
        else if (IsVowelLike(c)) return here;
        else state = 2;
        break;
      case 2:
        if (aeo) return here;
        if (c == 'i' || c == 'u') r = here, state = 3;
        break;
      case 3:
        if (aeo) return here;
        if (c == 'u') state = 5;
        else return r;
        break;
      case 4:
        if (c == 'g' || c == 'q') r = here + 2, state = 2;
        else return here + 1;
        break;
      case 5:
        return c == 'g' || c == 'q' ? here + 2 : here + 1;
      case 10:
        return c == 'a' || c == 'e' || c == 'i' || c == 'o' ? here : r;
      case 20:
        if (aeo) r = here;
        else if (c == 'u') state = 21;
        else return r;
        break;
      case 21:
        return c == 'g' || c == 'q' ? here + 2 : here + 1;
      case 30:
        if (IsVowelLike(c)) return here;
        break;
      case 40:
        if (c == 'i' || c == 'o' || c == 'u') return here;
        if (c == 'a' || c == 'e') r = here, state = 1;
        else state = 0;
        break;
    }
  }
  return r;
}

bool IsUnstressedWord(std::string_view w) {
  return w.size() < 3 || w == "POR" || w == "DAS" || w == "DOS" || w == "COM" || w == "N\xC3O" || w == "SIM";
}

}  // namespace synth
