// zelnar-say --engine 3 --tokens|--phonemes|--pho|--ipa [TEXT...]: the
// Portuguese synthesizer's front end on the text of the arguments, or on each
// line of standard input, through the same steps its engine runs:
// normalisation, tokens (--tokens: with their classes), exceptions, stress and
// rules (--phonemes: with the pitch codes in the marker lines; --ipa: the
// words in IPA, one line per input line), prosody (--pho: at the default speed
// and pitch, rate 0.8 and pitch factor 1).
#include <cstdio>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "fonemas.h"
#include "platform/latin1.h"
#include "synth/excessoes.h"
#include "synth/inic.h"
#include "synth/portug.h"
#include "synth/preproc.h"
#include "synth/prosodia.h"

namespace {
constexpr const char* kDataDir = "\\kelmar\\davuridi\\portug";

std::map<std::string, std::string> PhonemeIpa() {
  std::map<std::string, std::string> table;
  std::istringstream in(kFonemas);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == ';') continue;
    std::istringstream fields(line);
    std::string name, ipa;
    if (fields >> name >> ipa) table[name] = name == "_" ? "" : ipa;
  }
  return table;
}

// The words of the phoneme list in IPA, "ˈ" before the stressed phoneme.
std::string ToIpa(const std::vector<std::string>& phonemes, const std::map<std::string, std::string>& table) {
  std::string out, word;
  auto endWord = [&] {
    if (word.empty()) return;
    out += (out.empty() ? "" : " ") + word;
    word.clear();
  };
  for (std::string p : phonemes) {
    if (p.empty() || p[0] == ';') {
      endWord();
      continue;
    }
    bool stressed = p[0] == '>';
    if (stressed) p.erase(0, 1);
    if (!p.empty() && static_cast<unsigned char>(p[0]) == 0xA8) p.erase(0, 1);
    if (p.empty() || p[0] == '_') continue;
    auto it = table.find(p);
    word += (stressed ? "\xCB\x88" : "") + (it == table.end() ? Latin1ToUtf8(p) : it->second);
  }
  endWord();
  return out;
}

void Print(const std::vector<std::string>& lines) {
  for (const std::string& l : lines) std::printf("%s\n", Latin1ToUtf8(l).c_str());
}
}  // namespace

int SynthFrontMain(int argc, char** argv) {
  std::string mode = argc > 0 ? argv[0] : "";
  if (mode != "--tokens" && mode != "--phonemes" && mode != "--pho" && mode != "--ipa") {
    std::fprintf(stderr, "usage: zelnar-say --engine 3 --tokens|--phonemes|--pho|--ipa [TEXT...]\n");
    return 2;
  }
  std::vector<std::string> input;
  if (argc > 1) {
    std::string text;
    for (int i = 1; i < argc; ++i) text += (i > 1 ? " " : "") + std::string(argv[i]);
    input.push_back(text);
  } else {
    for (std::string line; std::getline(std::cin, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      input.push_back(line);
    }
  }
  std::string base = kDataDir;
  if (!synth::LoadRules(base + ".nrl") || !synth::LoadExceptions(base + ".exc")) {
    std::fprintf(stderr, "%s\n", Latin1ToUtf8("Erro na base de dados de portugu\xEAs").c_str());
    return 1;
  }
  if (!synth::LoadAbbreviations(base + ".abr")) {
    std::fprintf(stderr, "Erro no arquivo de abreviaturas\n");
    return 1;
  }
  if (!synth::LoadProsody(base + ".pro") || !synth::LoadDiphones(base + ".dfn")) {
    std::fprintf(stderr, "%s\n", Latin1ToUtf8("Erro no arquivo de pros\xF3" "dia").c_str());
    return 1;
  }
  auto table = PhonemeIpa();
  for (const std::string& line : input) {
    std::vector<std::string> tokens = synth::Tokenise(synth::Normalise(Utf8ToLatin1(line)));
    if (mode == "--tokens") {
      Print(tokens);
      continue;
    }
    std::vector<std::string> phonemes = synth::LetterToSound(synth::AssignPitchCodes(tokens, true));
    if (mode == "--phonemes") Print(phonemes);
    else if (mode == "--pho") Print(synth::Prosody(phonemes, 1.0, 0.8));
    else std::printf("%s\n", ToIpa(phonemes, table).c_str());
  }
  return 0;
}
