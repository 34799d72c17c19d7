// The splash picture drawn over the text screen.
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
