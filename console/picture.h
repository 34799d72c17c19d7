// The splash picture drawn over the text screen.
#pragma once
#include <string_view>

bool LoadPicture(std::string_view path);
void ShowPicture(int x, int y);
void RemovePicture();
