#include "tests/support/screen.h"

#include "console/console.h"
#include "platform/window.h"

std::string ScreenRow(int row) {
  std::string s;
  for (int c = 1; c <= kScreenColumns; ++c) s += static_cast<char>(ReadScreenCell(c, row).ch);
  return s;
}

std::string ScreenText() {
  std::string all;
  for (int r = 1; r <= kScreenRows; ++r) {
    std::string row = ScreenRow(r);
    while (!row.empty() && row.back() == ' ') row.pop_back();
    all += row + "\n";
  }
  return all;
}

std::string ScreenFlat() {
  std::string all;
  for (int r = 1; r <= kScreenRows; ++r) all += ScreenRow(r);
  return all;
}

void UseHeadlessConsole() {
  ResetConsole();
  SelectWindowBackend("headless");
  InitConsole();
}
