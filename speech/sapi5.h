// The SAPI 5 engines: code 5 over the platform's SAPI 5 voice object, code
// 54 over its SAPI 5.4 one. Both behave alike, each with its own state.
#pragma once
#include <string_view>

bool Sapi5Start(int code, int voice, int speed, int pitch, std::string_view outputFile);
void Sapi5Finish(int code);
void Sapi5Speak(int code, std::string_view text);
bool Sapi5Busy(int code, bool queuedOnly);
void Sapi5Stop(int code);
