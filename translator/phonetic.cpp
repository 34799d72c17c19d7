#include "translator/phonetic.h"

#include <algorithm>

#include "translator/files.h"

namespace {
bool IsLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
unsigned char Lower(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }
unsigned char Upper(unsigned char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; }
bool IsVowel(unsigned char c) {
  switch (Lower(c)) {
    case 'a': case 'e': case 'i': case 'o': case 'u': return true;
    default: return false;
  }
}
bool IsConsonant(unsigned char c) { return IsLetter(c) && !IsVowel(c); }
bool IsAccentMark(unsigned char c) { return c == '\'' || c == '`' || c == '^' || c == '~' || c == '"'; }
bool IsWordChar(unsigned char c) { return IsLetter(c) || IsAccentMark(c); }
bool IsPauseMark(unsigned char c) {
  return c == ' ' || c == '!' || c == ',' || c == '.' || c == ':' || c == ';' || c == '?';
}
bool IsBackVowel(unsigned char c) { return Lower(c) == 'a' || Lower(c) == 'o'; }
bool IsFrontVowel(unsigned char c) { return Lower(c) == 'e' || Lower(c) == 'i'; }
bool IsOneOf(unsigned char c, const char* set) { return c != 0 && std::char_traits<char>::find(set, std::char_traits<char>::length(set), char(c)); }

// The upper half of the character map; an empty entry is the control mark.
struct UpperMap {
  const char* piece[128] = {};
  UpperMap() {
    auto put = [this](const char* p, std::initializer_list<int> codes) {
      for (int c : codes) piece[c - 0x80] = p;
    };
    put("ss", {0x80, 0x87, 0xC7, 0xE7});
    put("a'", {0x86, 0x8F, 0xA0, 0xC1, 0xE1});
    put("a`", {0x85, 0xC0, 0xE0});
    put("a^", {0x83, 0xC2, 0xE2});
    put("a~", {0x84, 0x8E, 0xC3, 0xC4, 0xE3, 0xE4});
    put("a", {0xC5, 0xE5});
    put("ae", {0x91, 0xC6, 0xE6});
    put("e'", {0x82, 0x90, 0xC9, 0xE9});
    put("e`", {0x8A, 0xC8, 0xE8});
    put("e^", {0x88, 0xCA, 0xEA});
    put("e\"", {0x89, 0xCB, 0xEB});
    put("i'", {0xA1, 0xCD, 0xED});
    put("i`", {0x8D, 0xCC, 0xEC});
    put("i^", {0x8C, 0xCE, 0xEE});
    put("i\"", {0x8B, 0xCF, 0xEF});
    put("o'", {0xA2, 0xD3, 0xF3});
    put("o`", {0x95, 0xD2, 0xD6, 0xF2, 0xF6});
    put("o^", {0x93, 0xD4, 0xF4});
    put("o~", {0x94, 0x99, 0xD5, 0xF5});
    put("u'", {0xA3, 0xDA, 0xFA});
    put("u`", {0x97, 0xD9, 0xF9});
    put("u^", {0x96, 0xDB, 0xFB});
    put("u\"", {0x81, 0x9A});
    put("u", {0xDC, 0xFC});
    put("nh", {0xA4, 0xA5, 0xD1, 0xF1});
    put("y-", {0x98});
    put("-", {0x92});
    put("x", {0xD7, 0xF7});
    put("0", {0xD8, 0xF8});
    put("?", {0xA8, 0xBF});
    put("!", {0xAD});
    put("\"", {0xAE, 0xAF});
    put("\xA7", {0xA7});
    put("\xAA", {0xAB});
    put("\xBA", {0xBB});
  }
};
const UpperMap kUpperMap;

const char kControlMark = '\x01';

// The character at 1-based position j of the word; 0 outside it.
unsigned char At(const std::string& w, int j) {
  return j >= 1 && j <= static_cast<int>(w.size()) ? static_cast<unsigned char>(w[size_t(j - 1)]) : 0;
}

bool LeftHolds(const std::string& ctx, const std::string& w, int m) {
  for (size_t i = ctx.size(); i-- > 0;) {
    unsigned char c = static_cast<unsigned char>(ctx[i]);
    unsigned char x = At(w, m);
    switch (c) {
      case '#':
        if (m == 0 || !(IsVowel(x) || IsAccentMark(x))) return false;
        while (m > 0 && (IsVowel(At(w, m)) || IsAccentMark(At(w, m)))) --m;
        break;
      case '%':
        if (m != 0) return false;
        break;
      case ']':
        if (m == 0) return false;
        if (IsBackVowel(x)) m -= 1;
        else if (IsAccentMark(x) && IsBackVowel(At(w, m - 1))) m -= 2;
        else return false;
        break;
      case '_':
        if (m == 0) break;
        if (IsVowel(x)) m -= 1;
        else if (IsAccentMark(x) && IsVowel(At(w, m - 1))) m -= 2;
        else return false;
        break;
      case '|':
        if (m == 0 || !(x == 'n' || x == 'r' || x == 's')) return false;
        m -= 1;
        break;
      default:
        if (m == 0 || Upper(x) != c) return false;
        m -= 1;
    }
  }
  return true;
}

bool RightHolds(const std::string& ctx, const std::string& w, int m) {
  const int edge = static_cast<int>(w.size()) + 1;
  for (unsigned char c : ctx) {
    unsigned char x = At(w, m);
    switch (c) {
      case '#':
        if (m >= edge || !(IsVowel(x) || IsAccentMark(x))) return false;
        while (m < edge && (IsVowel(At(w, m)) || IsAccentMark(At(w, m)))) ++m;
        break;
      case '%':
        if (m != edge) return false;
        break;
      case '&':
        if (m >= edge || !IsOneOf(x, "lmnrz")) return false;
        m += 1;
        break;
      case '*':
        if (m >= edge || !IsConsonant(x) || x == 'r' || x == 'l') return false;
        break;
      case '+':
        if (m >= edge || !IsFrontVowel(x)) return false;
        m += IsAccentMark(At(w, m + 1)) ? 2 : 1;
        break;
      case '[':
        if (m >= edge) break;
        if (!IsConsonant(x) || x == 'h' || x == 'H') return false;
        break;
      case '\\':
        if (m < edge && x == 's') m += 1;
        break;
      default:
        if (m >= edge || Upper(x) != c) return false;
        m += 1;
    }
  }
  return true;
}

bool RuleHolds(const TranslatorRule& r, const std::string& w, int k) {
  for (size_t i = 0; i < r.match.size(); ++i) {
    int p = k + static_cast<int>(i);
    if (p > static_cast<int>(w.size()) || Upper(At(w, p)) != static_cast<unsigned char>(r.match[i])) return false;
  }
  return LeftHolds(r.left, w, k - 1) && RightHolds(r.right, w, k + static_cast<int>(r.match.size()));
}
}  // namespace

std::string PrepareText(std::string_view input) {
  std::string text(input);
  std::string out;
  out.reserve(text.size() + 16);
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    unsigned char before = i > 0 ? static_cast<unsigned char>(text[i - 1]) : 0;
    unsigned char after = i + 1 < n ? static_cast<unsigned char>(text[i + 1]) : 0;
    bool nearLetter = IsLetter(before) || IsLetter(after);
    std::string piece;
    if ((c == 'W' || c == 'w') && nearLetter) {
      c = 'u';
      text[i] = 'u';
    }
    if (c == 'Y' || c == 'y') {
      if (nearLetter) {
        c = 'i';
        text[i] = 'i';
      } else if ((i == 0 || before == ' ') && (i + 1 == n || after == ' ')) {
        out += 'i';
        continue;
      }
    }
    if (c == '\'' && (before == 'd' || before == 'D')) continue;
    if (c >= 32 && c <= 127) piece.assign(1, char(c));
    else if (c >= 128 && kUpperMap.piece[c - 128]) piece = kUpperMap.piece[c - 128];
    if (piece.empty()) {
      out += ' ';
      out += kControlMark;
      out += ' ';
    } else {
      out += piece;
    }
  }
  return out;
}

bool NextWord(std::string_view text, size_t& pos, WordBuffer& word) {
  while (pos < text.size() && text[pos] == ' ') ++pos;
  if (pos >= text.size()) return false;
  word.chars.clear();
  word.vowels = 0;
  word.accented = false;
  unsigned char c = Lower(static_cast<unsigned char>(text[pos]));
  if (!IsLetter(c)) {
    word.chars.assign(1, char(c));
    ++pos;
    return true;
  }
  // A word longer than the buffer goes on as the next word.
  while (pos < text.size() && IsWordChar(c) && word.chars.size() < kMaxWordLength) {
    word.chars += char(c);
    if (IsVowel(c)) ++word.vowels;
    ++pos;
    if (pos < text.size()) {
      c = Lower(static_cast<unsigned char>(text[pos]));
      if (IsAccentMark(c) && c != '"') word.accented = true;
    }
  }
  return true;
}

void LookUpException(WordBuffer& word) {
  const std::vector<WordAlias>& table = ExceptionTable();
  std::string w = word.chars, suffix;
  while (true) {
    auto it = std::lower_bound(table.begin(), table.end(), w,
                               [](const WordAlias& a, const std::string& k) { return a.word < k; });
    if (it != table.end() && it->word == w) {
      w = it->replacement;
      break;
    }
    if (!w.empty() && (w.back() == 's' || w.back() == 'm')) {
      suffix.insert(suffix.begin(), w.back());
      w.pop_back();
      if (!w.empty()) continue;
    }
    break;
  }
  word.chars = w + suffix;
  if (word.chars.size() > kMaxWordLength) word.chars.resize(kMaxWordLength);
}

void MarkStress(WordBuffer& word) {
  std::string& w = word.chars;
  const int L = static_cast<int>(w.size());
  if (word.accented || word.vowels == 0) return;
  if (word.vowels == 1 && (L == 0 || w.back() != 'l')) return;
  auto mark = [&](int j) {
    if (j >= 1 && j <= L) w[size_t(j - 1)] = char(Upper(At(w, j)));
  };
  // An i or u that is a silent u after g or q counts as a consonant here.
  auto silentU = [&](int j) { return At(w, j) == 'u' && (At(w, j - 1) == 'g' || At(w, j - 1) == 'q'); };
  int state = 0;
  for (int j = L; j >= 1; --j) {
    unsigned char x = At(w, j);
    switch (state) {
      case 0:
        if (IsOneOf(x, "aeo")) state = 5;
        else if (IsOneOf(x, "iu")) state = 3;
        else if (IsOneOf(x, "lnrxz")) state = 1;
        else if (x == 'm') state = 2;
        else if (x == 's') state = 4;
        break;
      case 1:
        if (IsVowel(x)) return mark(j);
        break;
      case 2:
        if (IsOneOf(x, "ae")) state = 5;
        else if (IsOneOf(x, "iu")) state = 3;
        else if (x == 'o') return mark(j);
        break;
      case 3:
        if (IsConsonant(x) || silentU(j)) return mark(j + 1);
        return mark(j);
      case 4:
        if (IsOneOf(x, "aeo")) state = 5;
        else if (IsOneOf(x, "iu")) state = 3;
        break;
      case 5:
        if (IsOneOf(x, "aeo")) return mark(j);
        if (IsOneOf(x, "iu")) state = 8;
        break;
      case 8: {
        if (IsConsonant(x) || silentU(j)) return mark(j + 1);
        unsigned char y = At(w, j + 2), z = At(w, j + 3);
        if (IsOneOf(y, "lmnrz") &&
            ((y == 'n' && z == 'h') || (y == 'r' && z == 'r') || (IsConsonant(z) && z != 'h')))
          return mark(j + 1);
        return mark(j);
      }
    }
  }
}

bool MustSpell(const WordBuffer& word) {
  if (word.chars.empty()) return true;
  if (word.chars[0] == kControlMark) return true;
  for (unsigned char c : word.chars)
    if (!IsConsonant(c) && !IsPauseMark(c)) return false;
  return true;
}

std::string SpellWord(const WordBuffer& word) {
  std::string out;
  for (char x : word.chars) {
    out += "[ /_";
    out += x;
    out += ']';
  }
  return out;
}

std::string ApplyRules(const WordBuffer& word) {
  const std::string& w = word.chars;
  const int L = static_cast<int>(w.size());
  std::string out = "[";
  int k = 1;
  while (k <= L) {
    unsigned char c = Upper(At(w, k));
    const TranslatorRule* taken = nullptr;
    for (const TranslatorRule& r : RuleList(c))
      if (RuleHolds(r, w, k)) {
        taken = &r;
        break;
      }
    std::string piece = taken ? taken->output : std::string(" /_") + char(c);
    unsigned char at = At(w, k);
    if (IsVowel(at) && at >= 'A' && at <= 'Z') {
      for (char& p : piece)
        if (IsVowel(static_cast<unsigned char>(p))) {
          p = char(Upper(static_cast<unsigned char>(p)));
          break;
        }
    }
    out += piece;
    k += taken ? static_cast<int>(taken->match.size()) : 1;
    if (k <= L) out += '/';
  }
  out += ']';
  return out;
}

std::string TextToPhonetic(std::string_view text) {
  std::string result;
  std::string prepared = PrepareText(text);
  size_t pos = 0;
  WordBuffer word;
  while (NextWord(prepared, pos, word)) {
    LookUpException(word);
    MarkStress(word);
    if (MustSpell(word)) result += SpellWord(word);
    else result += ApplyRules(word);
  }
  return result;
}
