// Speaking any text: with an engine the whole text goes to it; without one
// the text is cut into runs of words (the translator), numbers (recorded
// number words), marks and letters (recorded sounds) and punctuation with its
// pause. A pressed key cuts everything and stays in the key queue.
#pragma once
#include <string>
#include <string_view>

void Speak(std::string_view text);
// Writes the text (no line end), flushes the console, then speaks it.
void SpeakWrite(std::string_view text);
// SpeakWrite, then the line end once the text has been said.
void SpeakWriteLn(std::string_view text);
// Waits for a key, cuts speech, says the key and returns it.
unsigned char ReadKeySpoken();
// Says each character by its recorded sound; a key stops it.
void Spell(std::string_view text);
// The error tone (about 1,378 Hz for 46 ms).
void ErrorBeep();
// The click that stands for the fifth and later repeats of a mark.
void RepeatClick();

// Steps of Speak. The first character of text is the mark; the rest decides
// whether its pause follows. The rounds of 50 ms waited.
int SpeakPunctuation(std::string_view text);
// Waits ms in rounds of 50 ms while no key is pressed; the rounds waited.
int SpeechPause(int ms);
// a-z and the Latin-1 small letters 224..255 raised.
std::string UpperLatin(std::string_view text);
