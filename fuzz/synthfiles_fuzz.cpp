// The synthesizer's file loaders (letter-to-sound rules, exceptions,
// abbreviations, prosody, diphone list), then the front end on a text with
// what they loaded, at the pitch and rate factors the input asks for.
// Parts: rules, exceptions, abbreviations, prosody, diphones, text, factors.
#include <cstdint>
#include <cstdio>
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
  SetMessageBoxObserver([](std::string_view) {});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> parts = FuzzParts(data, size, 7);
  synth::LoadRules(FuzzWrite("portug.nrl", parts[0]));
  synth::LoadExceptions(FuzzWrite("portug.exc", parts[1]));
  synth::LoadAbbreviations(FuzzWrite("portug.abr", parts[2]));
  if (!synth::LoadProsody(FuzzWrite("portug.pro", parts[3]))) return 0;
  synth::LoadDiphones(FuzzWrite("portug.dfn", parts[4]));
  // The glue keeps the rate factor within 0.1 to 1.5; the pitch factor is
  // the engine's caller's.
  double pitch = 1.0, rate = 1.0;
  std::sscanf(parts[6].c_str(), "%lf %lf", &pitch, &rate);
  if (!(rate >= 0.1 && rate <= 1.5)) rate = 1.0;
  if (!(pitch >= 0.0 && pitch <= 100.0)) pitch = 1.0;
  synth::ResetProsodyState();
  synth::Prosody(synth::LetterToSound(synth::AssignPitchCodes(synth::Tokenise(synth::Normalise(parts[5])), true)), pitch,
                 rate);
  return 0;
}
