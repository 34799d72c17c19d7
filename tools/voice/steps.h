// The steps of the voice builder, one file each.
#pragma once
#include "tools/voice/voicebuild.h"

namespace voice {
// The sound directory: one file per catalogue message, "ok", "menu_selected".
void WriteMessages(Build& b);
// The letters directory: _32.wav to _255.wav, the names of the characters.
void WriteCharacters(Build& b);
// The letters directory: the number words, "_zero" and "_MENOS".
void WriteNumberWords(Build& b);
// The sound directory: the splash picture BRENIQ.BMP.
void WritePicture(Build& b);
// The diphone directory: the translator's rules, exceptions and one diphone
// database per speed.
void WriteDiphones(Build& b);
// The synthesizer's folder: its diphone voice "br4" and the voice's diphone
// list "portug.dfn".
void WriteSynthVoice(Build& b);
// The Windows directory: the default TAVIRO.INI.
void WriteSettings(Build& b);
// The synthesizer's directory: its rules, exceptions, abbreviations and
// prosody.
void WriteSynthData(Build& b);
}  // namespace voice
