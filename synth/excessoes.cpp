#include "synth/excessoes.h"

#include <algorithm>
#include <fstream>

#include "platform/paths.h"
#include "speech/speak.h"

namespace synth {
namespace {
std::vector<PalavraAlias> gTable;

const PalavraAlias* Find(const std::string& word) {
  auto it = std::lower_bound(gTable.begin(), gTable.end(), word,
                             [](const PalavraAlias& e, const std::string& w) { return e.word < w; });
  return it != gTable.end() && it->word == word ? &*it : nullptr;
}
}  // namespace

bool LoadExceptions(const std::string& path) {
  gTable.clear();
  std::ifstream in(ResolvePath(path), std::ios::binary);
  if (!in) return false;
  std::string line;
  while (static_cast<int>(gTable.size()) < kMaxExceptions && std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // A line holds 255 characters; three of them are kept for the "|=|" that
    // ends every parse within the line.
    if (line.size() > 252) line.resize(252);
    if (line.empty()) continue;
    line = UpperLatin(line) + "|=|";
    size_t eq = line.find('=');
    size_t bar = line.find('|', eq + 1);
    gTable.push_back({line.substr(0, eq), line.substr(eq + 1, bar - eq - 1)});
  }
  // Byte order, so that the lookup can bisect.
  std::sort(gTable.begin(), gTable.end(), [](const PalavraAlias& a, const PalavraAlias& b) { return a.word < b.word; });
  return true;
}

void ExceptionLookup(std::string& word) {
  std::string stem = word, suffix;
  while (!stem.empty()) {
    if (const PalavraAlias* e = Find(stem)) {
      word = e->replacement + suffix;
      return;
    }
    char last = stem.back();
    if (last != 'S' && last != 'M') return;
    suffix.insert(suffix.begin(), last);
    stem.pop_back();
  }
}

const std::vector<PalavraAlias>& ExceptionTable() { return gTable; }

}  // namespace synth
