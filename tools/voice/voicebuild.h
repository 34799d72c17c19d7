// What the steps of the voice builder share: the folders, the authored
// tables, the speech synthesis, the sound formats and the outputs, which are
// made again only when their recipe changed.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace voice {

struct Build {
  std::string voiceDir;   // authored texts
  std::string drivesDir;  // one folder per drive letter
  std::map<std::string, std::string> manifest;  // output -> recipe hash
  bool manifestChanged = false;
  int made = 0, kept = 0;
};

// Folders of the installation, relative to drivesDir.
constexpr const char* kSoundDir = "c/kelmar/som/zelnar";
constexpr const char* kLettersDir = "c/kelmar/som/letras";
constexpr const char* kWindowsDir = "c/windows";

// The lines "key<TAB>value" of an authored table (UTF-8; "#" starts a
// comment line); a malformed line stops the build.
std::vector<std::pair<std::string, std::string>> ReadTable(const Build& b, const std::string& name);
std::string ReadText(const Build& b, const std::string& name);

// Part of every recipe: raise it when the way files are made changes, so
// that everything is made again.
constexpr const char* kRecipeVersion = "1";

// Makes drivesDir/path from `recipe` unless the manifest says the same recipe
// made it already and the file is there. The file is written only when its
// bytes differ, so a run that changes nothing touches nothing.
void Output(Build& b, const std::string& path, const std::string& recipe,
            const std::function<std::string()>& make);

// Speech of a UTF-8 text: mono samples in -1..1 at the voice's rate.
struct Sound {
  std::vector<float> samples;
  int rate = 0;
};
Sound Synthesize(const std::string& utf8);
// The same, where the text may hold espeak-ng phonemes in [[ ]], with where
// each phoneme starts (its espeak-ng name and its time in milliseconds from
// the start of the sound).
struct PhonemeMark {
  std::string name;
  int ms = 0;
};
Sound Synthesize(const std::string& utf8, std::vector<PhonemeMark>* marks);
// The version of the synthesizer, part of every recipe of speech.
std::string SynthesizerVersion();

// Leading and trailing silence cut, `keepMs` of it left at each end.
Sound Trim(const Sound& s, int keepMs);
// Peak brought to `peak` (0..1).
Sound Normalize(const Sound& s, float peak);
Sound Resample(const Sound& s, int rate);
// A WAV file with a 44-byte header: 8-bit unsigned or 16-bit signed, mono.
std::string EncodeWav(const Sound& s, int bits);

}  // namespace voice
