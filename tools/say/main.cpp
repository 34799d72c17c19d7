// zelnar-say [--engine 3|4|5|54 [--voice N] [--rate R]] [--phonetic | --ipa | --wav FILE | --coverage] [TEXT...]
// Reads UTF-8 text from the arguments or, without them, from standard input,
// and goes through the same code the program uses: the phonetic string, its
// IPA (one line per input line), or the speech written to a WAV file. With
// --coverage the text is spoken silently and the share of segments the
// diphone database holds is reported. With --engine the text is spoken by
// that engine (3 the Portuguese synthesizer, 4 SAPI 4 and 5 SAPI 5 over
// espeak-ng, 54 SAPI 5.4 over speech-dispatcher) with the voice number and speed TAVIRO.INI would give
// it; aloud, or into the --wav file for the engines that play through the
// program.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "caracteres.h"
#include "console/console.h"
#include "fonetica.h"
#include "platform/latin1.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/waveout.h"
#include "speech/dispatch.h"
#include "speech/speak.h"
#include "speech/sounds.h"
#include "speech/speech.h"
#include "translator/phonetic.h"
#include "translator/player.h"

namespace {
std::map<std::string, std::string> IpaTable() {
  std::map<std::string, std::string> table;
  std::istringstream in(kFonetica);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("| `", 0) != 0) continue;
    size_t a = 3, b = line.find('`', a);
    size_t bar = line.find('|', b);
    size_t end = line.find('|', bar + 1);
    if (b == std::string::npos || bar == std::string::npos || end == std::string::npos) continue;
    std::string ipa = line.substr(bar + 1, end - bar - 1);
    while (!ipa.empty() && ipa.front() == ' ') ipa.erase(0, 1);
    while (!ipa.empty() && ipa.back() == ' ') ipa.pop_back();
    table[line.substr(a, b - a)] = ipa;
  }
  return table;
}

std::string ToIpa(const std::string& phonetic, const std::map<std::string, std::string>& table);

// What the recording of a spelled character says, in IPA: its name read by
// the rules (the names of voice/caracteres.txt), or the character itself.
std::string SpelledIpa(unsigned char c, const std::map<std::string, std::string>& table) {
  static std::map<int, std::string> names;
  if (names.empty()) {
    std::istringstream in(kCaracteres);
    for (std::string line; std::getline(in, line);) {
      size_t tab = line.find('\t');
      if (line.empty() || line[0] == '#' || tab == std::string::npos) continue;
      names[std::atoi(line.c_str())] = Utf8ToLatin1(line.substr(tab + 1));
    }
  }
  static int depth = 0;  // a name that is itself spelled is not looked up again
  auto it = names.find(c);
  if (it == names.end() || depth > 0) return "\xE2\x9F\xA8" + Latin1ToUtf8(std::string(1, static_cast<char>(c))) + "\xE2\x9F\xA9";
  ++depth;
  std::string ipa = ToIpa(TextToPhonetic(it->second), table);
  --depth;
  return ipa.find("\xE2\x9F\xA8") == std::string::npos ? ipa : "\xE2\x9F\xA8" + Latin1ToUtf8(std::string(1, static_cast<char>(c))) + "\xE2\x9F\xA9";
}

// One syllable: the longest symbol first; an upper-case vowel is stressed.
std::string SyllableIpa(const std::string& unit, const std::map<std::string, std::string>& table, bool& stressed) {
  std::string lower, out;
  for (char c : unit) {
    if (c >= 'A' && c <= 'Z') stressed = true;
    lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  }
  for (size_t i = 0; i < lower.size();) {
    if (lower[i] == '_') {
      out += SpelledIpa(static_cast<unsigned char>(i + 1 < unit.size() ? unit[i + 1] : ' '), table);
      i += 2;
      continue;
    }
    size_t len = 3;
    for (; len > 0; --len)
      if (i + len <= lower.size() && table.count(lower.substr(i, len))) break;
    if (len == 0) {
      out += Latin1ToUtf8(lower.substr(i, 1));
      ++i;
    } else {
      out += table.at(lower.substr(i, len));
      i += len;
    }
  }
  return out;
}

std::string ToIpa(const std::string& phonetic, const std::map<std::string, std::string>& table) {
  std::string out, word, unit;
  std::vector<std::string> syllables;
  auto endUnit = [&] {
    if (unit.empty()) return;
    bool stressed = false;
    std::string s = SyllableIpa(unit, table, stressed);
    syllables.push_back((stressed ? "\xCB\x88" : "") + s);  // U+02C8 before a stressed syllable
    unit.clear();
  };
  auto endWord = [&] {
    endUnit();
    if (syllables.empty()) return;
    if (!out.empty()) out += ' ';
    for (size_t i = 0; i < syllables.size(); ++i) out += (i && syllables[i].rfind("\xCB\x88", 0) != 0 ? "." : "") + syllables[i];
    syllables.clear();
  };
  for (size_t i = 0; i < phonetic.size(); ++i) {
    char c = phonetic[i];
    if (c == '[') continue;
    if (c == ']') endWord();
    else if (c == ' ') endUnit();
    else if (c == '/') continue;
    else if (c == '_' && i + 1 < phonetic.size()) {
      endUnit();
      unit = phonetic.substr(i, 2);
      ++i;
      endUnit();
    } else unit += c;
  }
  endWord();
  return out;
}

long gAsked = 0, gFound = 0;
std::set<std::string> gMissing;
void Count(std::string_view name, bool found, int depth) {
  if (depth != 0 || name.empty() || name[0] != '$') return;
  ++gAsked;
  if (found) ++gFound;
  else gMissing.insert(std::string(name));
}

int Usage() {
  std::fprintf(stderr,
               "usage: zelnar-say [--engine 3|4|5|54 [--voice N] [--rate R]] "
               "[--phonetic | --ipa | --wav FILE | --coverage] [TEXT...]\n");
  return 2;
}

// A whole number, or false.
bool Number(const char* s, int* value) {
  char* end = nullptr;
  long v = std::strtol(s, &end, 10);
  if (!*s || *end || v < -100000 || v > 100000) return false;
  *value = static_cast<int>(v);
  return true;
}

// Says each line through the engine as the program does: each text waits for
// the one before, and the end for the last.
int SpeakWithEngine(int code, int voice, int rate, const std::vector<std::string>& lines) {
  InitConsole();  // its window procedure takes the sound device's block-done messages
  if (!EngineStart(voice, rate, 0, "", code)) {
    std::fprintf(stderr, "zelnar-say: engine %d did not start\n", code);
    return 1;
  }
  for (const std::string& line : lines) {
    while (EngineBusy(false)) WaitMessage();
    EngineSpeak(Utf8ToLatin1(line));
  }
  while (EngineBusy(false)) WaitMessage();
  EngineFinish();
  return 0;
}
}  // namespace

// zelnar-say --engine 3 --tokens|--phonemes|--pho|--ipa [TEXT...] (synthfront.cpp).
int SynthFrontMain(int argc, char** argv);

int main(int argc, char** argv) {
  if (argc > 3 && std::string(argv[1]) == "--engine" && std::string(argv[2]) == "3") {
    std::string m = argv[3];
    if (m == "--tokens" || m == "--phonemes" || m == "--pho" || m == "--ipa") return SynthFrontMain(argc - 3, argv + 3);
  }
  std::string mode = "--phonetic", wav;
  int engine = 0, voice = 0, rate = 0;
  int i = 1;
  while (i < argc && argv[i][0] == '-' && argv[i][1] == '-') {
    std::string option = argv[i++];
    if (option == "--engine" || option == "--voice" || option == "--rate") {
      int* value = option == "--engine" ? &engine : option == "--voice" ? &voice : &rate;
      if (i >= argc || !Number(argv[i++], value)) return Usage();
      continue;
    }
    mode = option;
    if (mode == "--wav") {
      if (i >= argc) return Usage();
      wav = argv[i++];
    } else if (mode != "--phonetic" && mode != "--ipa" && mode != "--coverage") {
      return Usage();
    }
  }
  if (engine != 0 && engine != 3 && engine != 4 && engine != 5 && engine != 54) return Usage();
  if (engine != 0 && mode != "--wav" && mode != "--phonetic") return Usage();
  std::vector<std::string> lines;
  if (i < argc) {
    std::string text;
    for (; i < argc; ++i) text += (text.empty() ? "" : " ") + std::string(argv[i]);
    lines.push_back(text);
  } else {
    // All of standard input first: the key test reads it, and must find it empty.
    std::string line;
    while (std::getline(std::cin, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
    }
  }

  if (mode == "--wav") setenv("ZELNAR_AUDIO", ("wav:" + wav).c_str(), 1);
  if (mode == "--coverage") setenv("ZELNAR_AUDIO", "null", 1);
  if (mode == "--wav" || mode == "--coverage") setenv("ZELNAR_TIME_SCALE", "0", 0);
  if (engine != 0) {
    if (engine == 54 && mode == "--wav")
      std::fprintf(stderr, "zelnar-say: engine 54 plays through speech-dispatcher; %s stays empty\n", wav.c_str());
    int r = SpeakWithEngine(engine, voice, rate, lines);
    if (mode == "--wav") FinishWavFile();
    return r;
  }
  InitSpeechModule();
  StartSpeech(0, "");

  auto table = IpaTable();
  if (mode == "--coverage") SetSegmentObserver(Count);
  for (const std::string& line : lines) {
    std::string text = Utf8ToLatin1(line);
    if (mode == "--phonetic") std::printf("%s\n", Latin1ToUtf8(TextToPhonetic(text)).c_str());
    else if (mode == "--ipa") std::printf("%s\n", ToIpa(TextToPhonetic(text), table).c_str());
    else Speak(text);
  }
  FinishSpeech();
  if (mode == "--wav") FinishWavFile();
  if (mode == "--coverage") {
    std::printf("segments asked %ld, found %ld (%.2f%%)\n", gAsked, gFound, gAsked ? 100.0 * gFound / gAsked : 100.0);
    for (const std::string& m : gMissing) std::printf("missing %s\n", m.c_str());
  }
  return 0;
}
