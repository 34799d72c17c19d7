// The spoken option-list menu.
#pragma once
#include <string_view>

void OpenMenu(int column, int row, int width, int height, int background);
void AddMenuItem(std::string_view soundName, std::string_view text);
// The chosen item's number (from 1), or 0 when the user left.
int RunMenu();
