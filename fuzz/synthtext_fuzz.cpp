// The synthesizer's front end on any text, with the installed voice's files: the
// normaliser, tokens and pitch codes, letter to sound, and the phoneme lines
// with their durations and pitch points.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz.h"
#include "platform/messagebox.h"
#include "synth/excessoes.h"
#include "synth/inic.h"
#include "synth/portug.h"
#include "synth/preproc.h"
#include "synth/prosodia.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzQuietProgram();
  const std::string voice = ZELNAR_BINARY_DIR "/drives/c/kelmar/davuridi/";
  if (!synth::LoadRules(voice + "portug.nrl") || !synth::LoadExceptions(voice + "portug.exc") ||
      !synth::LoadAbbreviations(voice + "portug.abr") || !synth::LoadProsody(voice + "portug.pro") ||
      !synth::LoadDiphones(voice + "portug.dfn"))
    std::abort();  // the voice must be built before this target runs
  SetMessageBoxObserver([](std::string_view) {});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  synth::ResetProsodyState();
  synth::Prosody(synth::LetterToSound(synth::AssignPitchCodes(synth::Tokenise(synth::Normalise(text)), true)), 1.0, 1.0);
  return 0;
}
