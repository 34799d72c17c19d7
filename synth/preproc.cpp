#include "synth/preproc.h"

#include <fstream>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "speech/speak.h"

namespace synth {
namespace {

const char* const kUnits[10] = {"zero", "um", "dois", "tr\xEAs", "quatro",
                                "cinco", "seis", "sete", "oito", "nove"};
const char* const kTeens[10] = {"dez", "onze", "doze", "treze", "quatorze",
                                "quinze", "dezesseis", "dezessete", "dezoito", "dezenove"};
const char* const kTens[10] = {"", "", "vinte", "trinta", "quarenta",
                               "cinq\xFC" "enta", "sessenta", "setenta", "oitenta", "noventa"};
const char* const kHundreds[10] = {"", "cento", "duzentos", "trezentos", "quatrocentos",
                                   "quinhentos", "seiscentos", "setecentos", "oitocentos", "novecentos"};
const char* const kScaleOne[5] = {"trilh\xE3o ", "bilh\xE3o ", "milh\xE3o ", "mil ", ""};
const char* const kScaleMany[5] = {"trilh\xF5" "es ", "bilh\xF5" "es ", "milh\xF5" "es ", "mil ", ""};
const char* const kOrdUnits[10] = {"", "primeiro", "segundo", "terceiro", "quarto",
                                   "quinto", "sexto", "s\xE9timo", "oitavo", "nono"};
const char* const kOrdTens[10] = {"", "d\xE9" "cimo", "vig\xE9simo", "trig\xE9simo", "quadrag\xE9simo",
                                  "quinquag\xE9simo", "sexag\xE9simo", "septuag\xE9simo", "octag\xE9simo",
                                  "nonag\xE9simo"};
const char* const kOrdHundreds[10] = {"", "cent\xE9simo", "ducent\xE9simo", "tricent\xE9simo",
                                      "quadrigent\xE9simo", "quingent\xE9simo", "seiscent\xE9simo",
                                      "septigent\xE9simo", "octigent\xE9simo", "nongent\xE9simo"};

// Names of the codes 32..126, then 161..220; 224..252 borrow the name 32 below.
const char* const kNames32[95] = {
    "espa\xE7o",  // 32
    "exclama\xE7\xE3o",  // 33
    "aspas",  // 34
    "sustenido",  // 35
    "cifr\xE3o",  // 36
    "porcento",  // 37
    "\xE9 comercial",  // 38
    "ap\xF3strofo",  // 39
    "abre par\xEAnteses",  // 40
    "fecha par\xEAnteses",  // 41
    "asterisco",  // 42
    "mais",  // 43
    "v\xEDrgula",  // 44
    "tra\xE7o",  // 45
    "ponto",  // 46
    "barra",  // 47
    "z\xE9ro",  // 48
    "um",  // 49
    "dois",  // 50
    "tr\xEAs",  // 51
    "quatro",  // 52
    "cinco",  // 53
    "seis",  // 54
    "s\xE9te",  // 55
    "oito",  // 56
    "n\xF3ve",  // 57
    "dois pontos",  // 58
    "ponto e v\xEDrgula",  // 59
    "menor que",  // 60
    "igual",  // 61
    "maior que",  // 62
    "interroga\xE7\xE3o",  // 63
    "arr\xF4""ba",  // 64
    "a",  // 65
    "b\xEA",  // 66
    " s\xEA",  // 67
    " d\xEA",  // 68
    "\xE9",  // 69
    "\xE9""fe",  // 70
    "j\xEA",  // 71
    "ag\xE1",  // 72
    "i",  // 73
    "j\xF3ta",  // 74
    "c\xE1",  // 75
    "\xE9le",  // 76
    "\xEAme",  // 77
    "\xEAne",  // 78
    "\xF3",  // 79
    "p\xEA",  // 80
    "qu\xEA",  // 81
    "\xE9rre",  // 82
    "\xE9sse",  // 83
    "t\xEA",  // 84
    "u",  // 85
    "v\xEA",  // 86
    "d\xE1""bliu",  // 87
    "xis",  // 88
    "\xEDpsilon",  // 89
    "z\xEA",  // 90
    "abre colchete",  // 91
    "barra invertida",  // 92
    "fecha colchete",  // 93
    "circunflexo",  // 94
    "sublinhado",  // 95
    "crase",  // 96
    "a",  // 97
    "b\xEA",  // 98
    " s\xEA",  // 99
    " d\xEA",  // 100
    "\xE9",  // 101
    "\xE9""fe",  // 102
    "j\xEA",  // 103
    "ag\xE1",  // 104
    "i",  // 105
    "jota",  // 106
    "c\xE1",  // 107
    "\xE9le",  // 108
    "\xEAme",  // 109
    "ene",  // 110
    "\xF3",  // 111
    "p\xEA",  // 112
    "qu\xEA",  // 113
    "\xE9rre",  // 114
    "\xE9sse",  // 115
    "t\xEA",  // 116
    "u",  // 117
    "v\xEA",  // 118
    "d\xE1""bliu",  // 119
    "xis",  // 120
    "\xEDpsilon",  // 121
    "z\xEA",  // 122
    "abre chave",  // 123
    "barra vertical",  // 124
    "fecha chave",  // 125
    "til",  // 126
};
const char* const kNames161[60] = {
    "exclama\xE7\xE3o reversa",  // 161
    "centavos de d\xF3lar",  // 162
    "libras",  // 163
    "s\xEDmbolo de moeda",  // 164
    "iene",  // 165
    "barra interrompida",  // 166
    "par\xE1grafo",  // 167
    "trema",  // 168
    "copyright",  // 169
    "ordinal feminino",  // 170
    "Aspas esquerdas",  // 171
    "nega\xE7\xE3o",  // 172
    "h\xED""fen",  // 173
    "Marca registrada",  // 174
    "m\xE1""cron",  // 175
    "grau",  // 176
    "mais ou menos",  // 177
    "elevado ao quadrado",  // 178
    "elevado ao cubo",  // 179
    "acento agudo",  // 180
    "mi",  // 181
    "pi",  // 182
    "ponto no meio",  // 183
    "cedilha",  // 184
    "expoente um",  // 185
    "ordinal masculino",  // 186
    "aspas direitas",  // 187
    "um quarto",  // 188
    "um meio",  // 189
    "tr\xEAs quartos",  // 190
    "interroga\xE7\xE3o reversa",  // 191
    "A grave",  // 192
    "A agudo",  // 193
    "A circunflexo",  // 194
    "A com til",  // 195
    "A com trema",  // 196
    "A bola",  // 197
    "A \xC9",  // 198
    "C\xEA cedilha",  // 199
    "\xC9 grave",  // 200
    "\xC9 agudo",  // 201
    "\xC9 circunflexo",  // 202
    "\xC9 com trema",  // 203
    "I grave",  // 204
    "I agudo",  // 205
    "I circunflexo",  // 206
    "I com trema",  // 207
    "D\xEA cortado",  // 208
    "N com til",  // 209
    "\xD3 grave",  // 210
    "\xD3 agudo",  // 211
    "\xD3 circunflexo",  // 212
    "\xD3 com til",  // 213
    "\xD3 tremado",  // 214
    "vezes",  // 215
    "\xD3 cortado",  // 216
    "U grave",  // 217
    "U agudo",  // 218
    "U circunflexo",  // 219
    "U com trema",  // 220
};

struct AbbreviationEntry {
  std::string abbreviation;  // upper case
  std::string expansion;
};
std::vector<AbbreviationEntry> gAbbreviations;

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

bool IsLetter(unsigned char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
  switch (c) {
    case 0xC0: case 0xC1: case 0xC2: case 0xC3: case 0xC7: case 0xC9: case 0xCA: case 0xCC:
    case 0xCD: case 0xD1: case 0xD3: case 0xD4: case 0xD5: case 0xD9: case 0xDA: case 0xDC:
      return true;
    default:
      return c >= 0xE0 && IsLetter(static_cast<unsigned char>(c - 32)) && c != 0xF7;
  }
}

bool IsConsonant(unsigned char c) {
  if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 32);
  if (c >= 'A' && c <= 'Z') return c != 'A' && c != 'E' && c != 'I' && c != 'O' && c != 'U';
  return c == 0xC7 || c == 0xD1 || c == 0xE7 || c == 0xF1;
}

bool IsPhrasePunctuation(unsigned char c) {
  switch (c) {
    case ' ': case '!': case '(': case ')': case ',': case '.': case ':': case ';': case '?':
      return true;
    default:
      return false;
  }
}

bool IsBlankOrControl(unsigned char c) { return c <= 32; }

std::string Trim(std::string_view s) {
  size_t a = 0, b = s.size();
  while (a < b && IsBlankOrControl(static_cast<unsigned char>(s[a]))) ++a;
  while (b > a && IsBlankOrControl(static_cast<unsigned char>(s[b - 1]))) --b;
  return std::string(s.substr(a, b - a));
}

// The words of one group of three digits.
std::string GroupWords(const char* g) {
  int h = g[0] - '0', d = g[1] - '0', u = g[2] - '0';
  if (h == 0 && d == 0 && u == 0) return "";
  if (h == 1 && d == 0 && u == 0) return "cem";
  std::string out;
  if (h != 0) {
    out += kHundreds[h];
    if (d != 0 || u != 0) out += " e ";
  }
  if (d == 1) return out + kTeens[u];
  if (d != 0) {
    out += kTens[d];
    if (u != 0) out += " e ";
  }
  if (u > 0) out += kUnits[u];
  return out;
}

}  // namespace

std::string SymbolName(unsigned char c) {
  if (c >= 224 && c <= 252) c = static_cast<unsigned char>(c - 32);
  if (c >= 32 && c <= 126) return kNames32[c - 32];
  if (c >= 161 && c <= 220) return kNames161[c - 161];
  return "";
}

std::string Cardinal(int64_t value) {
  if (value <= 0 || value >= kMaxCardinal) return "zero";
  char digits[16];
  std::snprintf(digits, sizeof digits, "%015lld", static_cast<long long>(value));
  std::string groups[5];
  int last = -1;
  for (int i = 0; i < 5; ++i) {
    const char* g = digits + 3 * i;
    groups[i] = GroupWords(g);
    bool zero = g[0] == '0' && g[1] == '0' && g[2] == '0';
    bool one = g[0] == '0' && g[1] == '0' && g[2] == '1';
    if (!zero && kScaleOne[i][0] != '\0') groups[i] += std::string(" ") + (one ? kScaleOne[i] : kScaleMany[i]);
    if (!groups[i].empty()) last = i;
  }
  std::string out;
  bool earlier = false;
  for (int i = 0; i < 5; ++i) {
    if (groups[i].empty()) continue;
    if (i == last && earlier) out += "e ";
    out += groups[i];
    earlier = true;
  }
  if (out.rfind("um mil", 0) == 0 && out.rfind("um milh", 0) != 0) out.erase(0, 3);
  return out;
}

std::string Ordinal(char gender, int64_t value) {
  if (value >= 2000) return Cardinal(value);
  if (value <= 0) return "zero";
  const char* const* tables[3] = {kOrdUnits, kOrdTens, kOrdHundreds};
  std::string out;
  for (int place = 0; place < 4; ++place, value /= 10) {
    int digit = static_cast<int>(value % 10);
    if (digit == 0) continue;
    std::string word = place == 3 ? "mil\xE9simo" : tables[place][digit];
    if (gender == 'f') word.back() = 'a';
    out = word + " " + out;
  }
  return Trim(out);
}

std::string ReadNumber(std::string_view t, size_t& pos) {
  size_t n = t.size();
  // A stretch of digits with a hyphen (a telephone number) is read digit by digit.
  size_t end = pos;
  bool hyphen = false;
  while (end < n && (IsDigit(t[end]) || t[end] == '-')) hyphen |= t[end++] == '-';
  if (hyphen) {
    std::string out;
    for (; pos < end; ++pos) out += t[pos] == '-' ? std::string(" tra\xE7o") : std::string(" ") + kUnits[t[pos] - '0'];
    return out;
  }
  std::string zeros;
  while (pos + 1 < n && t[pos] == '0' && IsDigit(t[pos + 1])) {
    zeros += "zero ";
    ++pos;
  }
  // At most 15 digits: what follows is a new number.
  int64_t value = 0;
  int count = 0;
  while (pos < n && count < 15) {
    if (IsDigit(t[pos])) {
      value = value * 10 + (t[pos] - '0');
      ++count;
      ++pos;
    } else if (t[pos] == '.' && count <= 12 && pos + 3 < n + 0 && IsDigit(t[pos + 1]) && IsDigit(t[pos + 2]) &&
               IsDigit(t[pos + 3]) && (pos + 4 >= n || !IsDigit(t[pos + 4]))) {
      ++pos;  // thousands separator
    } else {
      break;
    }
  }
  auto at = [&](std::string_view s) { return t.substr(pos, s.size()) == s; };
  unsigned char c = pos < n ? static_cast<unsigned char>(t[pos]) : ' ';
  if (pos >= n || c == ' ') return zeros + Cardinal(value);
  if (c == 0xBA) return ++pos, Ordinal('m', value);
  if (c == 0xAA) return ++pos, Ordinal('f', value);
  if (at("o.")) return pos += 2, Ordinal('m', value);
  if (at("a.")) return pos += 2, Ordinal('f', value);
  if (at("os.")) return pos += 3, Ordinal('m', value) + "s";
  if (at("as.")) return pos += 3, Ordinal('f', value) + "s";
  return zeros + Cardinal(value);
}

std::string ReadWord(std::string_view t, size_t& pos) {
  size_t start = pos, n = t.size();
  bool consonants = true;
  while (pos < n && IsLetter(t[pos])) {
    if (!IsConsonant(t[pos])) consonants = false;
    ++pos;
    if (pos < n && t[pos] == '-') ++pos;
  }
  std::string w(t.substr(start, pos - start));
  if (!consonants || (pos < n && t[pos] == '.' && !Abbreviation(w).empty())) return w;
  std::string spelt;
  for (unsigned char c : w) spelt += SymbolName(c);
  return spelt;
}

std::string Normalise(std::string_view text) {
  std::string named;
  if (text.size() == 1) {
    named = SymbolName(static_cast<unsigned char>(text[0]));
    text = named;
  }
  const std::string_view t = text;
  const size_t n = t.size();
  std::string out;
  out.reserve(n * 2);
  size_t pos = 0;
  while (pos < n) {
    unsigned char c = static_cast<unsigned char>(t[pos]);
    if (pos >= 1 && pos + 1 < n && t[pos - 1] == ' ' && c == '-' && t[pos + 1] == ' ') {
      out += ',';
      ++pos;
    } else if (c == '-' && pos + 1 < n && IsDigit(t[pos + 1])) {
      out += "menos ";
      ++pos;
    } else if (IsDigit(c)) {
      out += ReadNumber(t, pos) + " ";
      while (pos + 1 < n && (t[pos] == ',' || t[pos] == '.') && IsDigit(t[pos + 1])) {
        out += t[pos] == ',' ? "v\xEDrgula " : "ponto ";
        ++pos;
        out += ReadNumber(t, pos) + " ";
      }
    } else if (IsLetter(c)) {
      std::string w = ReadWord(t, pos);
      std::string expansion;
      if (pos + 1 < n && t[pos] == '.' && t[pos + 1] == ' ') expansion = Abbreviation(w);
      if (expansion.empty()) {
        out += w;
      } else {
        out += expansion;
        ++pos;
      }
    } else if (t.substr(pos, 3) == "...") {
      out += "... ";
      pos += 3;
    } else if (c == '.' && pos + 1 < n && t[pos + 1] != ' ') {
      out += " ponto ";
      ++pos;
    } else if (IsPhrasePunctuation(c)) {
      out += static_cast<char>(c);
      ++pos;
    } else if (c == 9 || c == 10 || c == 13) {
      ++pos;
    } else {
      out += " " + SymbolName(c) + " ";
      ++pos;
    }
  }
  return out;
}

bool LoadAbbreviations(const std::string& path) {
  gAbbreviations.clear();
  std::ifstream in(ResolvePath(path), std::ios::binary);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    std::string s = Trim(line);
    if (s.empty() || s[0] == ';') continue;
    if (static_cast<int>(gAbbreviations.size()) >= kMaxAbbreviations) break;
    size_t eq = s.find('=');
    AbbreviationEntry e;
    if (eq == std::string::npos) {
      e.expansion = s;
    } else {
      e.abbreviation = UpperLatin(Trim(std::string_view(s).substr(0, eq)));
      e.expansion = Trim(std::string_view(s).substr(eq + 1)).substr(0, 999);
    }
    gAbbreviations.push_back(std::move(e));
  }
  return true;
}

std::string Abbreviation(std::string_view word) {
  if (word.empty()) return "";
  std::string upper = UpperLatin(word);
  for (const AbbreviationEntry& e : gAbbreviations)
    if (e.abbreviation == upper) return e.expansion;
  return "";
}

int AbbreviationCount() { return static_cast<int>(gAbbreviations.size()); }

}  // namespace synth
