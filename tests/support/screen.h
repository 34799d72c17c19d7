// Reading the console's screen in tests.
#pragma once
#include <string>

// One row (1 to 25) as its 80 characters.
std::string ScreenRow(int row);
// The whole screen, rows joined by '\n', each without its trailing blanks.
std::string ScreenText();
// A fresh console on the headless window (for tests that read the screen).
void UseHeadlessConsole();
