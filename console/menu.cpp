// The spoken option-list menu: a list in a rectangle of the console, moved
// through with the arrows, paging keys and first letters; every item reached
// is highlighted and spoken at once. What was under it comes back at the end.
#include "console/menu.h"

#include <algorithm>
#include <string>
#include <vector>

#include "console/console.h"
#include "console/keyboard.h"
#include "speech/sounds.h"
#include "speech/speak.h"

namespace {

constexpr int kItemColour = 15;
constexpr int kHighlightColour = 14;
constexpr unsigned char kEnter = 13, kEsc = 27;
constexpr unsigned char kDown = 80, kUp = 72, kHome = 71, kEnd = 79, kPageUp = 73,
                        kPageDown = 81, kCtrlPageUp = 132, kCtrlPageDown = 118, kRight = 77;
constexpr int kPageSize = 10;

struct MenuItem {
  int number = 0;
  std::string soundName;
  std::string text;
};

struct Menu {
  int column = 1, row = 1, width = 0;
  int background = 0;
  int first = 1;   // first visible item
  int lowest = 0;  // the lowest row an item was drawn on
  std::vector<MenuItem> items;
};

// The screen as it was when the menu opened: the list may grow wider than the
// rectangle given (to its longest item) and run down to the last row, and
// whatever it covers comes back at the end.
struct SavedArea {
  int left = 1, top = 1, right = 0, bottom = 0;  // the rectangle given
  std::vector<Cell> cells;  // the whole screen, row by row; empty: nothing saved
  int cursorColumn = 1, cursorRow = 1;
  unsigned char attribute = 0x0F;
};

// A key as the queue gives it: a character, or 0 and a key number.
struct Key {
  unsigned char code = ' ';
  unsigned char number = 0;
  bool Special(unsigned char n) const { return code == 0 && number == n; }
};

Menu gMenu;
SavedArea gSaved;

int Count() { return static_cast<int>(gMenu.items.size()); }
bool IsItem(int n) { return n >= 1 && n <= Count(); }
const MenuItem& Item(int n) { return gMenu.items[size_t(n - 1)]; }
int RowOf(int n) { return gMenu.row + (n - gMenu.first); }

unsigned char UpperAscii(unsigned char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; }

// The text as the menu shows it: whole when it fits the width, otherwise cut
// at its last blank that fits. A word cut short would read as a whole one
// ("sinal 7" for "sinal 72%"); only a single word wider than the menu is cut
// inside.
std::string Shown(std::string text) {
  // A control byte in a network's name would move the cursor off the row.
  for (char& c : text)
    if (static_cast<unsigned char>(c) < ' ') c = '?';
  const size_t width = size_t(gMenu.width);
  if (text.size() <= width) return text;
  size_t cut = text.rfind(' ', width);
  if (cut == std::string::npos || cut == 0) return text.substr(0, width);
  while (cut > 0 && text[cut - 1] == ' ') --cut;
  return text.substr(0, cut);
}

// As wide as the longest item, up to the screen's width; moved left when it
// would pass the right edge.
void FitWidth() {
  int width = gMenu.width;
  for (const MenuItem& item : gMenu.items) width = std::max(width, int(item.text.size()));
  gMenu.width = std::clamp(width, 0, kScreenColumns);
  if (gMenu.column + gMenu.width - 1 > kScreenColumns) gMenu.column = kScreenColumns - gMenu.width + 1;
}

// Item n on its row in a colour: its shown text, and with `pad` the blanks to
// the menu's width. Never past the menu's right edge.
void DrawItem(int n, int colour, bool pad) {
  const int row = RowOf(n);
  MoveCursor(gMenu.column, row);
  SetForeground(colour);
  std::string line = Shown(Item(n).text);
  if (pad) line.resize(size_t(gMenu.width), ' ');
  Write(line);
  gMenu.lowest = std::max(gMenu.lowest, row);
}

void DrawList() {
  for (int n = gMenu.first; n <= Count() && RowOf(n) <= kScreenRows; ++n) DrawItem(n, kItemColour, true);
}

// Scrolls the list so that item n is on the screen.
void KeepOnScreen(int n) {
  int first = gMenu.first;
  if (n < first) first = n;
  if (gMenu.row + (n - first) > kScreenRows) first = n + gMenu.row - kScreenRows;
  if (first != gMenu.first) {
    gMenu.first = first;
    DrawList();
  }
}

void Announce(int n, const Key& key) {
  KeepOnScreen(n);
  const MenuItem& item = Item(n);
  DrawItem(n, kHighlightColour, false);
  MoveCursor(gMenu.column, RowOf(n));
  if (key.Special(kRight))
    Spell(item.text);
  else if (!item.soundName.empty() && SoundExists(item.soundName))
    PlayNamedSound(item.soundName);
  else
    Speak(item.text);
}

// Steps on from `current` to the next item whose text, leading blanks
// skipped, starts with c; count + 1 when none does. Never wraps.
int SearchLetter(int current, unsigned char c) {
  if (current == Count() + 1) current = 0;
  for (++current; current <= Count(); ++current) {
    const std::string& text = Item(current).text;
    const size_t start = text.find_first_not_of(' ');
    if (start != std::string::npos &&
        UpperAscii(static_cast<unsigned char>(text[start])) == c)
      break;
  }
  return current;
}

bool StartsSearch(unsigned char c) {
  return (c >= 1 && c <= 26) || c == '*' || c == '+' || c == '-' || c == '/' ||
         (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z');
}

int Move(int current, const Key& key) {
  if (key.code == 0) {
    switch (key.number) {
      case kDown: return current + 1;
      case kUp: return current - 1;
      case kHome: case kCtrlPageUp: return 1;
      case kEnd: case kCtrlPageDown: return Count();
      case kPageUp: return current - kPageSize;
      case kPageDown: return current + kPageSize;
      default: return current;
    }
  }
  const unsigned char c = UpperAscii(key.code);
  if (key.code != kEnter && key.code != kEsc && StartsSearch(c)) return SearchLetter(current, c);
  return current;
}

// The selection; the chosen item's number or 0.
int Select() {
  int current = 1;
  Key key;  // the first pass takes a blank, which moves nothing
  FitWidth();
  DrawList();
  KeepOnScreen(current);
  for (;;) {
    MoveCursor(gMenu.column, RowOf(current));
    if (IsItem(current)) DrawItem(current, kItemColour, false);
    const bool ends = key.code == kEnter || key.code == kEsc;
    current = std::clamp(Move(current, key), 0, Count() + 1);
    if (!IsItem(current))
      ErrorBeep();
    else if (!ends)
      Announce(current, key);
    if (ends) break;
    key = Key{TakeKey(), 0};
    CutSpeech();
    if (key.code == 0) key.number = TakeKey();
  }
  int result = 0;
  if (IsItem(current) && key.code != kEsc) {
    DrawItem(current, kHighlightColour, false);
    SetForeground(kItemColour);
    result = Item(current).number;
  }
  MoveCursor(1, std::min(gMenu.row + Count(), kScreenRows));
  gMenu.items.clear();
  return result;
}

// Writes back the saved cells of the rectangle given and of everything the
// list drew on, changing colours only where they change.
void RestoreArea() {
  if (gSaved.cells.empty()) return;
  const int left = std::min(gSaved.left, gMenu.column);
  const int right = std::max(gSaved.right, gMenu.column + gMenu.width - 1);
  const int bottom = std::max(gSaved.bottom, gMenu.lowest);
  int previous = 255;
  for (int row = gSaved.top; row <= bottom; ++row) {
    MoveCursor(left, row);
    std::string pending;
    for (int column = left; column <= right; ++column) {
      const Cell& cell = gSaved.cells[size_t((row - 1) * kScreenColumns + column - 1)];
      if (cell.attr != previous) {
        Write(pending);
        pending.clear();
        SetForeground(cell.attr & 0x0F);
        SetBackground(cell.attr >> 4);
        previous = cell.attr;
      }
      pending += static_cast<char>(cell.ch);
    }
    Write(pending);
  }
  gSaved.cells.clear();
}

}  // namespace

void OpenMenu(int column, int row, int width, int height, int background) {
  gSaved.cursorColumn = CursorColumn();
  gSaved.cursorRow = CursorRow();
  // A rectangle wider or taller than the screen is kept on it.
  width = std::clamp(width, 0, kScreenColumns);
  if (column + width > kScreenColumns) column = kScreenColumns - width;
  column = std::max(column, 1);
  if (row + height > kScreenRows) row = kScreenRows - height + 1;
  row = std::clamp(row, 1, kScreenRows);
  // The menu's background is taken at the run: a menu that is never run
  // leaves the colours as they were.
  gSaved.attribute = CurrentAttribute();

  gMenu = Menu{};
  gMenu.column = column;
  gMenu.row = row;
  gMenu.width = width;
  gMenu.background = background;

  gSaved.left = column;
  gSaved.top = row;
  gSaved.right = std::min(column + width - 1, kScreenColumns);
  gSaved.bottom = std::min(row + std::max(height, 0) - 1, kScreenRows);
  gSaved.cells.clear();
  for (int r = 1; r <= kScreenRows; ++r)
    for (int c = 1; c <= kScreenColumns; ++c) gSaved.cells.push_back(ReadScreenCell(c, r));
}

void AddMenuItem(std::string_view soundName, std::string_view text) {
  const int number = Count() + 1;
  gMenu.items.push_back(MenuItem{number, std::string(soundName), std::string(text)});
}

int RunMenu() {
  SetBackground(gMenu.background);
  const int result = Select();
  RestoreArea();
  SetCurrentAttribute(gSaved.attribute);
  MoveCursor(gSaved.cursorColumn, gSaved.cursorRow);
  return result;
}
