// The SAPI 4 engine: speaks through the SAPI 4 shaped objects of the
// platform; their notifications reach it on the main thread.
#pragma once
#include <string_view>

bool Sapi4Start(int voice, int speed, int pitch, std::string_view outputFile);
void Sapi4Finish();
void Sapi4Speak(std::string_view text);
bool Sapi4Busy(bool queuedOnly);
void Sapi4Stop();

// The longest text handed over at once: the speak buffer less its zero.
constexpr size_t kSapi4Buffer = 64000;
