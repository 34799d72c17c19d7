// Reading the console's screen in tests.
#pragma once
#include <string>

// One row (1 to 25) as its 80 characters.
std::string ScreenRow(int row);
// The whole screen, rows joined by '\n', each without its trailing blanks.
std::string ScreenText();
// The whole screen as one line of 25 x 80 characters, so that text wrapped
// at the right edge reads on.
std::string ScreenFlat();
// A fresh console on the headless window (for tests that read the screen).
void UseHeadlessConsole();
