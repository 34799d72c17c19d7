// Speaking any text.
#pragma once
#include <string>
#include <string_view>

void Speak(std::string_view text);
void SpeakWrite(std::string_view text);
void SpeakWriteLn(std::string_view text);
unsigned char ReadKeySpoken();
void Spell(std::string_view text);
void ErrorBeep();
void RepeatClick();
