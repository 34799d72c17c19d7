// The message catalogue: fixed messages printed and played from their
// recorded files.
#pragma once
#include <string>
#include <string_view>
#include <vector>

// Prints the text of code (Latin-1) and plays code + ".wav".
void SayMessage(std::string_view code);
// The text SayMessage prints for code, and whether a line end follows.
std::string MessageText(std::string_view code, bool* lineEnd = nullptr);
// The catalogue's codes in its order (the voice builder records one file each).
std::vector<std::string> MessageCodes();
