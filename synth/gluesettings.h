// The synthesizer glue's settings, read once at program start: the voice
// database and the five data files, from section DAVURIDI of the settings
// (MBROLA_DB, DIR, BASE), the registry and the defaults.
#pragma once
#include <string>

namespace synth {

struct SynthFiles {
  std::string database;  // name or path of the MBROLA voice database
  std::string directory;  // ends in a backslash
  std::string base;
  std::string rules, exceptions, abbreviations, prosody, diphones;  // directory + base + extension
};

// Reads the settings again (program start, and tests).
void InitSynthGlue();
const SynthFiles& SynthGlueFiles();

}  // namespace synth
