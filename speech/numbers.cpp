#include "speech/numbers.h"

#include <cstdio>
#include <vector>

#include "platform/messages.h"
#include "platform/paths.h"
#include "speech/sounds.h"

namespace {
constexpr const char* kUnits[] = {"", "um", "dois", "tres", "quatro", "cinco", "seis", "sete", "oito", "nove"};
constexpr const char* kTeens[] = {"dez", "onze", "doze", "treze", "quatorze", "quinze", "dezesseis", "dezessete",
                                  "dezoito", "dezenove"};
constexpr const char* kTens[] = {"", "", "vinte", "trinta", "quarenta", "cinquenta", "sessenta", "setenta",
                                 "oitenta", "noventa"};
constexpr const char* kHundreds[] = {"", "cento", "duzentos", "trezentos", "quatrocentos", "quinhentos",
                                     "seiscentos", "setecentos", "oitocentos", "novecentos"};
constexpr const char* kSingular[] = {"trilh\xE3" "o ", "bilh\xE3" "o ", "milh\xE3" "o ", "mil "};
constexpr const char* kPlural[] = {"trilh\xF5" "es ", "bilh\xF5" "es ", "milh\xF5" "es ", "mil "};

constexpr int kImageRoom = 30000;
constexpr int kHeader = 44;

int Digit(char c) { return c - '0'; }
}  // namespace

std::string HundredsToWords(std::string_view g, bool* afterHundreds) {
  if (afterHundreds) *afterHundreds = false;
  if (g.size() != 3 || g == "000") return "";
  if (g == "100") return "cem";
  std::string r;
  char h = g[0], t = g[1], u = g[2];
  if (h != '0') {
    r = kHundreds[Digit(h)];
    if (t == '0' && u == '0') return r;
    r += " e ";
    if (afterHundreds) *afterHundreds = true;
  }
  if (t == '1') return r + kTeens[Digit(u)];
  if (t != '0') {
    r += kTens[Digit(t)];
    if (u == '0') return r;
    r += " e ";
  }
  if (u != '0') r += kUnits[Digit(u)];
  return r;
}

std::string GroupToWords(std::string_view digits, int i) {
  std::string_view g = digits.substr(static_cast<size_t>(3 * i), 3);
  std::string w = HundredsToWords(g);
  if (i >= 0 && i <= 3 && g != "000") w += std::string(" ") + (g == "001" ? kSingular[i] : kPlural[i]);
  return w;
}

std::string NumberToWords(uint32_t n) {
  if (n == 0) return "zero";
  std::string digits = std::string(14, '0') + std::to_string(n);
  digits = digits.substr(digits.size() - 15);
  std::string w[5];
  int last = 0;
  for (int i = 0; i < 5; ++i) {
    w[i] = GroupToWords(digits, i);
    if (!w[i].empty()) last = i;
  }
  bool hundredsAndMore = false;
  HundredsToWords(std::string_view(digits).substr(static_cast<size_t>(3 * last), 3), &hundredsAndMore);
  std::string result, connector;
  for (int i = 0; i <= last; ++i) {
    if (i == last && !w[i].empty() && !hundredsAndMore) result += connector;
    result += w[i];
    if (!w[i].empty()) connector = "e ";
  }
  if (result.rfind("um mil", 0) == 0 && result.rfind("um milh", 0) != 0) result.erase(0, 3);
  return result;
}

std::string NumberWordFile(std::string_view word) {
  std::string w(word);
  for (char& c : w) {
    if (static_cast<unsigned char>(c) == 0xE3) c = 'a';
    else if (static_cast<unsigned char>(c) == 0xF5) c = 'o';
  }
  if (w == "dezessete") w = "dezeset";
  std::string name = "_" + w;
  if (name.size() > 8) name.resize(8);
  return CharacterSoundsDirectory() + name + ".wav";
}

void PlayNumberWords(std::string_view words) {
  std::vector<uint8_t> image(kHeader + kImageRoom);
  int filled = 0;
  auto play = [&] {
    MakeWavHeader(image.data(), filled, 11025, 1, 8);
    PlayImageAndWait(image.data());
    while (SpeechBusy()) WaitMessage();
    filled = 0;
  };
  std::string text = std::string(words) + " *";
  size_t i = 0;
  for (;;) {
    while (i < text.size() && text[i] == ' ') ++i;
    if (i + 1 >= text.size()) break;  // only the final asterisk is left
    size_t end = text.find(' ', i);
    std::string word = text.substr(i, end - i);
    i = end;
    std::FILE* f = std::fopen(ResolvePath(NumberWordFile(word)).c_str(), "rb");
    if (!f) continue;
    long size = -1;
    if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
    // A word longer than the image is cut to the image; a file without its
    // header has no samples.
    long n = size - kHeader;
    if (n > kImageRoom) n = kImageRoom;
    if (n > 0 && std::fseek(f, kHeader, SEEK_SET) == 0) {
      if (filled + n > kImageRoom) play();
      filled += static_cast<int>(std::fread(image.data() + kHeader + filled, 1, static_cast<size_t>(n), f));
    }
    std::fclose(f);
  }
  if (filled > 0) play();
}
