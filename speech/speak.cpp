// Interim speaking: text is only printed until the speech services land.
#include "speech/speak.h"

#include "console/console.h"
#include "console/keyboard.h"
#include "speech/sounds.h"

void Speak(std::string_view) {}
void SpeakWrite(std::string_view text) { Write(text); FlushOutput(); Speak(text); }
void SpeakWriteLn(std::string_view text) { SpeakWrite(text); WriteLn(); }
unsigned char ReadKeySpoken() {
  unsigned char k = TakeKey();
  CutSpeech();
  SpeakLetter(k);
  return k;
}
void Spell(std::string_view text) { for (char c : text) SpeakLetter(static_cast<unsigned char>(c)); }
void ErrorBeep() {}
void RepeatClick() {}
