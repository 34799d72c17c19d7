// The console's video settings, read once from TAVIRO.INI (section VIDEO, and
// BRAILLE for the braille mode) when the window is made.
#pragma once
#include <string>
#include <string_view>

struct VideoSettings {
  unsigned char palette[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  bool coloursEnabled = true;
  bool smoothScroll = false;
  unsigned char attribute = 0x07;
  int brailleMode = 0;
  int magnifier = 2;
  std::string fontFace;
  int fontWidth = 0, fontHeight = 0;
  bool maximised = false;
};

// Reads the settings; the work area (pixels) sizes the font when the
// settings leave it unset.
void ReadVideoSettings(int workWidth, int workHeight);
// The settings last read (the start values before any reading).
const VideoSettings& Video();
void ResetVideo();

// A whole number as the settings write it: leading blanks, an optional sign,
// decimal digits or hexadecimal after "$" or "0x"; reading stops at the first
// character that does not fit. `whole` tells whether every character fitted.
int ReadWholeNumber(std::string_view text, bool* whole = nullptr);
// The palette table that a TABCORES value gives, starting from `palette`.
void ReadPalette(std::string_view value, unsigned char palette[16]);
