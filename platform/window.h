// The console's window: a grid of character cells painted in RGB colours, a
// caret, RGB images over the text, and the input that reaches the window.
// Three backends sit beside this header, chosen by ZELNAR_VIDEO: "sdl" (a
// desktop window), "terminal" (ANSI sequences on a text terminal) and
// "headless" (nothing shown; tests inject input). Text is Latin-1.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Key numbers of the window's key events: the platform's virtual key numbers,
// so that every backend gives the keyboard module the same values.
enum WindowKey : int {
  kKeyBreak = 3,  // Ctrl+Break (Pause with Ctrl)
  kKeyBackspace = 8,
  kKeyTab = 9,
  kKeyEnter = 13,
  kKeyShift = 16,
  kKeyControl = 17,
  kKeyAlt = 18,
  kKeyPause = 19,
  kKeyEscape = 27,
  kKeySpace = 32,
  kKeyPageUp = 33,
  kKeyPageDown = 34,
  kKeyEnd = 35,
  kKeyHome = 36,
  kKeyLeft = 37,
  kKeyUp = 38,
  kKeyRight = 39,
  kKeyDown = 40,
  kKeyInsert = 45,
  kKeyDelete = 46,
  kKey0 = 48,  // '0' to '9' are 48 to 57
  kKeyA = 65,  // 'A' to 'Z' are 65 to 90
  kKeyCenter = 12,  // keypad 5 without Num Lock
  kKeyF1 = 112,     // F1 to F12 are 112 to 123
  kKeyF11 = 122,
  kKeyF12 = 123,
};

// Modifier bits of key and character events.
constexpr unsigned kModShift = 1, kModCtrl = 2, kModAlt = 4;

enum class WindowEventType {
  kKeyDown,   // key, mods
  kKeyUp,     // key, mods
  kChar,      // ch (Latin-1 byte), mods
  kFocusIn,
  kFocusOut,
  kPaint,     // the whole window must be painted again
  kClose,     // the close box
  kRightDown, // x, y (client-area pixels)
  kMouseMove, // x, y
  kRightUp,   // x, y
};

struct WindowEvent {
  WindowEventType type = WindowEventType::kPaint;
  int key = 0;
  unsigned mods = 0;
  int ch = 0;
  int x = 0, y = 0;
};

// What the window is made with (from the video settings).
struct WindowSetup {
  std::string title;      // Latin-1
  std::string fontFace;   // e.g. "Lucida Console"
  int cellWidth = 13;     // pixels
  int cellHeight = 28;
  bool maximised = false;
  bool smoothScroll = false;
};

// The backend ZELNAR_VIDEO asks for, or the default: sdl when a display is
// there and a window can be opened, terminal when standard input is a
// terminal, else headless. Chosen once, at the first call of any function.
std::string WindowBackendName();
// Replaces the choice (tests; before OpenWindow). Unknown names: headless.
void SelectWindowBackend(std::string_view name);

// The usable desktop in pixels (without task bars), for the font size rule.
void WorkArea(int* width, int* height);

bool OpenWindow(const WindowSetup& setup);
void CloseWindow();
bool WindowOpen();
void SetWindowTitle(std::string_view latin1);

// Cell geometry as the backend made it (after OpenWindow).
int CellWidth();
int CellHeight();
int CellAscent();  // base line offset from the cell's top
int WindowPixelWidth();   // 80 cells
int WindowPixelHeight();  // 25 cells

// Draws `count` characters of one attribute at a cell, one text call.
void DrawRun(int column, int row, const char* latin1, int count, uint32_t fgRgb, uint32_t bgRgb);
// Moves rows 1..rows-1 of the window's pixels up by one row and fills the last
// row with bgRgb (smooth scrolling). False when the backend cannot; the caller
// then paints everything again.
bool ScrollUpOneRow(int rows, uint32_t bgRgb);
// The caret: one cell wide, 2 pixels high, on the base line of the cell.
void ShowCaret(int column, int row);
void HideCaret();
// An image of 0xRRGGBB pixels (top row first) at client-area pixel (x, y).
void DrawImage(int x, int y, int width, int height, const uint32_t* pixels);
// The source rectangle of the image stretched over the whole window.
void DrawImageStretched(int width, int height, const uint32_t* pixels, int sx, int sy, int sw,
                        int sh);
// A copy of what the window shows now (0xRRGGBB, top row first); false when
// the backend keeps no pixels.
bool ReadWindowPixels(std::vector<uint32_t>* pixels, int* width, int* height);

// Whether the window reports key releases (a text terminal does not).
bool WindowReportsKeyUps();

// Input. Poll returns false when nothing is pending; Wait blocks until input
// or WakeWindow, at most timeout_ms (-1: no limit). WakeWindow is thread-safe.
bool PollWindowEvent(WindowEvent* event);
void WaitWindowEvent(int timeout_ms);
void WakeWindow();

// Resets the choice and closes the window (tests).
void ResetWindow();
