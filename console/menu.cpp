// Interim menu: numbered lines and a number typed, until the window lands.
#include "console/menu.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "console/console.h"
#include "console/keyboard.h"

namespace { std::vector<std::string> gItems; }

void OpenMenu(int, int, int, int, int) { gItems.clear(); }
void AddMenuItem(std::string_view, std::string_view text) { gItems.emplace_back(text); }

int RunMenu() {
  for (size_t i = 0; i < gItems.size(); ++i) WriteLn(std::to_string(i + 1) + ". " + gItems[i]);
  std::string line = ReadLine();
  int n = std::atoi(line.c_str());
  return n >= 1 && n <= static_cast<int>(gItems.size()) ? n : 0;
}
