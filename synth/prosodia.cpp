#include "synth/prosodia.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/messagebox.h"
#include "platform/paths.h"
#include "speech/speak.h"

namespace synth {
namespace {

struct Duration {
  std::string name;
  int ms = 0;
};

std::vector<Duration> gDurations;
std::vector<TChave> gKeys;
std::vector<TProsodia> gRules;
int gBaseHz = 230;
int gPitchTable[10] = {100, 100, 100, 100, 100, 100, 100, 100, 100, 100};
std::vector<std::string> gDiphones;  // upper case, sorted
std::string gCurrentName;            // carried from one utterance to the next

std::string Trim(std::string_view s) {
  size_t a = 0, b = s.size();
  while (a < b && static_cast<unsigned char>(s[a]) <= 32) ++a;
  while (b > a && static_cast<unsigned char>(s[b - 1]) <= 32) --b;
  return std::string(s.substr(a, b - a));
}

// A whole decimal integer, blanks around it allowed.
bool ParseInt(std::string_view s, int& value) {
  std::string t = Trim(s);
  if (t.empty()) return false;
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(t.c_str(), &end, 10);
  if (*end != '\0' || errno == ERANGE || v < INT32_MIN || v > INT32_MAX) return false;
  value = static_cast<int>(v);
  return true;
}

// The lines of one section: after the line whose trimmed text is `name`, up to
// the end or a line beginning with '['; empty, '*' and ';' lines skipped.
bool SectionLines(const std::vector<std::string>& file, const std::string& name, std::vector<std::string>& out) {
  size_t i = 0;
  while (i < file.size() && Trim(file[i]) != name) ++i;
  if (i == file.size()) return false;
  for (++i; i < file.size() && (file[i].empty() || file[i][0] != '['); ++i) {
    const std::string& l = file[i];
    if (l.empty() || l[0] == '*' || l[0] == ';') continue;
    out.push_back(l);
  }
  return true;
}

bool Fail(const std::string& text) {
  ShowMessageBox(text);
  return false;
}

bool IsNameChar(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= 0xC0 && c != 0xD7 && c != 0xF7) || c == '@' ||
         c == '_' || c == '2';
}

bool LessNoCase(const std::string& a, const std::string& b) { return a < b; }

// Halves to even; a value beyond an int (a file's absurd duration or pitch)
// stays at the int's end instead of wrapping.
int Rounded(double x) {
  return static_cast<int>(std::clamp(std::nearbyint(x), double{INT32_MIN}, double{INT32_MAX}));
}

const std::string kFaultyPhoneme = "Configura\xE7\xE3o da pros\xF3" "dia: fonema errado: ";
const std::string kFaultyKey = "Configura\xE7\xE3o da pros\xF3" "dia: chave errada: ";

}  // namespace

bool LoadProsody(const std::string& path) {
  gDurations.clear();
  gKeys.clear();
  gRules.clear();
  gBaseHz = 230;
  std::ifstream in(ResolvePath(path), std::ios::binary);
  if (!in) return Fail("Configura\xE7\xE3o da pros\xF3" "dia n\xE3o foi achada");
  std::vector<std::string> file;
  for (std::string l; std::getline(in, l);) {
    if (!l.empty() && l.back() == '\r') l.pop_back();
    file.push_back(l);
  }

  std::vector<std::string> lines;
  if (!SectionLines(file, "[DURA\xC7\xC3O]", lines)) return Fail("Dura\xE7\xE3o dos difones errada ou ausente");
  for (const std::string& l : lines) {
    size_t eq = l.find('=');
    if (eq == std::string::npos) return Fail(kFaultyPhoneme + l);
    Duration d{Trim(std::string_view(l).substr(0, eq)).substr(0, 2), 100};
    if (!ParseInt(std::string_view(l).substr(eq + 1), d.ms)) {
      ShowMessageBox(kFaultyPhoneme + l);
      d.ms = 100;
    }
    if (static_cast<int>(gDurations.size()) < kMaxDurations) gDurations.push_back(d);
  }

  lines.clear();
  if (!SectionLines(file, "[CHAVES]", lines)) return Fail("Pros\xF3" "dia: palavras chaves ausentes");
  for (const std::string& l : lines) {
    size_t eq = l.find('=');
    if (eq == std::string::npos) return Fail(kFaultyKey + l);
    TChave k{UpperLatin(Trim(std::string_view(l).substr(0, eq))),
             UpperLatin(Trim(std::string_view(l).substr(eq + 1))).substr(0, 2)};
    if (static_cast<int>(gKeys.size()) < kMaxKeys) gKeys.push_back(k);
  }
  std::stable_sort(gKeys.begin(), gKeys.end(), [](const TChave& a, const TChave& b) { return a.word < b.word; });

  lines.clear();
  if (!SectionLines(file, "[PROS\xD3" "DIA]", lines)) return Fail("Pros\xF3" "dia: especifica\xE7\xF5" "es ausentes");
  for (const std::string& raw : lines) {
    std::string l = UpperLatin(raw);
    if (l.rfind("HERTZ=", 0) == 0) {
      if (!ParseInt(std::string_view(l).substr(6), gBaseHz)) return Fail(kFaultyKey + raw);
      continue;
    }
    if (l.rfind("TABHERTZ=", 0) == 0) {
      // Ten whole numbers, or the load fails: a short table would leave digits without a pitch.
      std::istringstream values(l.substr(9));
      int table[10], count = 0;
      for (std::string v; count < 10 && std::getline(values, v, ',');)
        if (!ParseInt(v, table[count++])) return Fail(kFaultyKey + raw);
      if (count < 10) return Fail(kFaultyKey + raw);
      std::copy(table, table + 10, gPitchTable);
      continue;
    }
    size_t eq = l.find('=');
    if (eq == std::string::npos) return Fail(kFaultyKey + raw);
    TProsodia r;
    r.code = Trim(std::string_view(l).substr(eq + 1));
    // The token lines hold exactly three pitch characters before their '|'.
    if (r.code.size() != 3) return Fail(kFaultyKey + raw);
    std::string patterns = Trim(std::string_view(l).substr(0, eq)) + "|||";
    size_t a = patterns.find('|'), b = patterns.find('|', a + 1);
    r.previous = patterns.substr(0, a).substr(0, 3);
    r.current = patterns.substr(a + 1, b - a - 1).substr(0, 3);
    r.next = patterns.substr(b + 1, patterns.find('|', b + 1) - b - 1).substr(0, 3);
    if (static_cast<int>(gRules.size()) < kMaxProsodyRules) gRules.push_back(r);
  }
  return true;
}

bool LoadDiphones(const std::string& path) {
  std::ifstream in(ResolvePath(path), std::ios::binary);
  if (!in) return false;
  std::vector<std::string> list;
  for (std::string raw; std::getline(in, raw);) {
    std::string l = Trim(raw);
    if (l.empty() || l[0] == '!' || l[0] == '*' || l[0] == ';') continue;
    size_t i = 0;
    while (i < l.size() && IsNameChar(l[i])) ++i;
    std::string first = l.substr(0, i);
    if (i < l.size()) ++i;
    while (i < l.size() && !IsNameChar(l[i])) ++i;
    size_t start = i;
    while (i < l.size() && IsNameChar(l[i])) ++i;
    list.push_back(UpperLatin(first + "-" + l.substr(start, i - start)));
  }
  if (in.bad()) return false;
  std::sort(list.begin(), list.end(), LessNoCase);
  gDiphones = std::move(list);
  return true;
}

void ReleaseDiphones() { gDiphones.clear(); }

bool HasDiphone(std::string_view pair) {
  return std::binary_search(gDiphones.begin(), gDiphones.end(), UpperLatin(pair), LessNoCase);
}

std::string ClassCode(std::string_view word) {
  std::string w = UpperLatin(word);
  auto it = std::lower_bound(gKeys.begin(), gKeys.end(), w, [](const TChave& k, const std::string& s) { return k.word < s; });
  return it != gKeys.end() && it->word == w ? it->code : std::string();
}

std::vector<std::string> Tokenise(std::string_view t) {
  auto isLetter = [](unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
    static const std::string_view kAccented = "\xC0\xC1\xC2\xC3\xC7\xC9\xCA\xCC\xCD\xD1\xD3\xD4\xD5\xD9\xDA\xDC";
    if (c >= 0xE0) c = static_cast<unsigned char>(c - 32);
    return kAccented.find(static_cast<char>(c)) != std::string_view::npos;
  };
  std::vector<std::string> out{"[--]"};
  size_t pos = 0;
  const size_t n = t.size();
  while (true) {
    while (pos < n && t[pos] == ' ') ++pos;
    if (pos >= n) break;
    std::string cls, token;
    if (t[pos] == '.' && pos + 1 < n && t[pos + 1] == '.') {
      while (pos < n && t[pos] == '.') ++pos;
      cls = ".-";
      token = ".";
    } else if (!isLetter(t[pos])) {
      token = std::string(1, t[pos++]);
      cls = token + token;
    } else {
      size_t start = pos;
      while (pos < n && isLetter(t[pos])) ++pos;
      token = std::string(t.substr(start, pos - start));
      cls = ClassCode(token);
      if (cls.empty()) cls = "XX";
    }
    out.push_back("[" + cls + "]" + token);
    if (token[0] == '!' || token[0] == '.' || token[0] == '?') out.push_back("[--]");
  }
  return out;
}

std::vector<std::string> AssignPitchCodes(const std::vector<std::string>& tokens, bool useRules) {
  std::vector<const std::string*> lines;
  for (const std::string& l : tokens)
    if (!l.empty()) lines.push_back(&l);
  auto classOf = [](const std::string* l) { return l && l->size() >= 3 ? l->substr(1, 2) : std::string(); };
  std::vector<std::string> out;
  out.reserve(lines.size());
  char lastDigit = '5';
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string prev = classOf(i ? lines[i - 1] : nullptr), cur = classOf(lines[i]),
                next = classOf(i + 1 < lines.size() ? lines[i + 1] : nullptr);
    std::string code;
    if (useRules) {
      for (const TProsodia& r : gRules) {
        if ((r.previous.empty() || r.previous == prev) && (r.current.empty() || r.current == cur) &&
            (r.next.empty() || r.next == next)) {
          code = r.code;
          break;
        }
      }
    }
    if (code.empty()) code = "555";
    if (code[0] == '?') code[0] = lastDigit;
    lastDigit = code[2];
    out.push_back(code + "|" + (lines[i]->size() > 4 ? lines[i]->substr(4) : std::string()));
  }
  return out;
}

int DurationOf(std::string_view name) {
  for (const Duration& d : gDurations)
    if (d.name == name) return d.ms;
  return 100;
}

int BaseFrequency() { return gBaseHz; }
int PitchTable(int digit) { return gPitchTable[digit]; }
const std::vector<TProsodia>& ProsodyRules() { return gRules; }
void ResetProsodyState() { gCurrentName.clear(); }

std::vector<std::string> Prosody(const std::vector<std::string>& phonemes, double pitchFactor, double rateFactor) {
  std::vector<std::string> out;
  out.reserve(phonemes.size() + phonemes.size() / 4);
  std::string prev = "_", code = "555";
  int percentage = 100, pitchState = 0;
  size_t wordLength = 0;
  auto point = [&](char digit, int position) -> std::string {
    if (digit < '0' || digit > '9') return "";
    int entry = gPitchTable[digit - '0'];
    if (entry == 0) return "";
    int hz = Rounded(entry * pitchFactor * gBaseHz) / 100;
    return " " + std::to_string(position) + " " + std::to_string(hz);
  };
  for (size_t i = 0; i < phonemes.size(); ++i) {
    std::string line = phonemes[i];
    const bool lastOfWord = i + 1 == phonemes.size() || phonemes[i + 1].empty();
    if (line.empty()) {
      percentage = 100;
      gCurrentName.clear();
    } else if (line[0] == ';' && line.size() >= 5 && line[4] == '|') {
      code = line.substr(1, 3);
      line = ";" + line.substr(5);
      wordLength = line.size();
      pitchState = 0;
    } else {
      if (line[0] == '>') {
        percentage = 145;
        line.erase(0, 1);
        if (!line.empty() && static_cast<unsigned char>(line[0]) == 0xA8) line.erase(0, 1);
        pitchState = 2;
      } else if (static_cast<unsigned char>(line[0]) == 0xA8) {
        line.erase(0, 1);
        percentage = 100;
      }
      int d = 100;
      if (!line.empty() && line[0] == '_') {
        if (line == "_") d = 100;
        else if (line[1] == ' ') ParseInt(std::string_view(line).substr(2), d);
        else d = DurationOf(line);
        line = "_";
      } else {
        d = DurationOf(line);
        if (pitchState < 2) {
          if (wordLength > 13) d = static_cast<int>(int64_t{d} * 80 / 100);
          else if (wordLength > 9) d = static_cast<int>(int64_t{d} * 90 / 100);
        }
      }
      gCurrentName = line;
      int ms = Rounded(static_cast<double>(d) * percentage * rateFactor) / 100;
      line = gCurrentName + " " + std::to_string(ms);
      if (pitchState == 0) {
        line += point(code[0], 50);
        pitchState = 1;
      } else if (pitchState == 2) {
        line += point(code[1], 80);
        pitchState = 3;
      } else if (pitchState == 3 && lastOfWord) {
        line += point(code[2], 50);
      }
    }
    if (!gCurrentName.empty()) {
      if (!HasDiphone(prev + "-" + gCurrentName)) {
        if (prev == "r2" && HasDiphone("r2-_")) out.push_back("_ 50");
        else out.push_back(HasDiphone(prev + "-y") ? "y 50" : "_ 50");
      }
      if (!line.empty()) prev = gCurrentName;
    }
    out.push_back(line);
  }
  return out;
}

}  // namespace synth
