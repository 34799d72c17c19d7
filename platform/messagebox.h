// The platform's message box: a notice the user acknowledges, for problems
// found while loading data (the synthesizer's prosody file). Here it is a
// line on standard error, where a terminal user and a log both see it.
#pragma once
#include <string_view>

// text is Latin-1.
void ShowMessageBox(std::string_view text);
// Tests see every message box shown; nullptr restores the default.
void SetMessageBoxObserver(void (*observer)(std::string_view text));
