// The console's key queue and line input.
#pragma once
#include <string>

bool KeyWaiting();
unsigned char TakeKey();
// One line of input with echo (at most 126 characters), without its line end.
std::string ReadLine();
void PlayTone(int frequency);
void StopTone();
