// The splash picture drawn over the text screen, and the magnifier that
// enlarges the window around the mouse while the right button is held.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

// The loaded picture as the window draws it: 0xRRGGBB pixels, top row first.
struct Picture {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  int x = 0, y = 0;      // where ShowPicture put it (client-area pixels)
  bool shown = false;
};
// The picture slot; nullptr when nothing is loaded.
const Picture* CurrentPicture();

bool LoadPicture(std::string_view path);
void ShowPicture(int x, int y);
void RemovePicture();

// A rectangle of window pixels.
struct PixelRect {
  int x = 0, y = 0, width = 0, height = 0;
};

// While active, the window shows `source` of the copy it took when the button
// went down, stretched over the whole window (0, 0, windowWidth, windowHeight).
struct Magnifier {
  bool active = false;
  int factor = 2;
  int windowWidth = 0, windowHeight = 0;
  PixelRect source;
};
const Magnifier& CurrentMagnifier();

// The part of a window of the given size that factor f enlarges around the
// mouse at (x, y): the point under the mouse stays close to where it is.
PixelRect MagnifiedSource(int x, int y, int factor, int windowWidth, int windowHeight);

// The window's right button down, mouse move and right button up. Down copies
// the window as it is and shows the enlarged view, with the factor of the
// video settings; moves follow the mouse; up lets the window paint its text
// and picture again.
struct Message;
void MagnifierMessage(const Message& message);

// Empties the picture slot and ends the magnifier (for tests).
void ResetPicture();
