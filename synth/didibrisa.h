// didiBrisa: the Portuguese synthesizer's engine. It loads MBROLA and the
// five data files, turns a text into phoneme lines and MBROLA's samples into
// 16 kHz WAV pieces for the WAV output device.
#pragma once
#include <string>
#include <string_view>

namespace synth {

// Arguments in this order; an empty one takes its default ("br4",
// "portug.nrl", "portug.exc", "portug.abr", "portug.pro", "portug.dfn").
bool SynthStart(std::string database, std::string rules, std::string exceptions, std::string abbreviations,
                std::string prosody, std::string diphones);
void SynthSetFactors(double pitchFactor, double rateFactor);
// Synthesizes and plays one text (Latin-1); false when MBROLA reported an error.
bool SynthSpeak(std::string_view text);
void SynthClose();
bool SynthPlaying();
void SynthStopPlayback();

// The database MBROLA is asked for: the registered path of the name when the
// registry has one ("c:\kelmar\davuridi\br4" for an empty value), else the name.
std::string SynthDatabase(const std::string& name);
// The last start failure's text ("" after module initialisation).
const std::string& SynthErrorText();
double SynthPitchFactor();
double SynthRateFactor();

}  // namespace synth
