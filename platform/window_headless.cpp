// The headless window: nothing is shown; what would be drawn is kept per cell
// and input comes from the test through the side door.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

#include "platform/window_backend.h"
#include "platform/window_headless.h"

namespace {
std::mutex gMutex;
std::condition_variable gSignal;
std::deque<WindowEvent> gEvents;
bool gWoken = false;
std::function<void()> gIdle;

std::string gTitle;
bool gMaximised = false;
bool gCaret = false;
int gCaretColumn = 0, gCaretRow = 0;
int gDrawCalls = 0;
DrawnCell gCells[25][80];

void HeadlessWorkArea(int* width, int* height) {
  *width = 1024;
  *height = 734;
}

bool HeadlessOpen(const WindowSetup& setup, int* cw, int* ch, int* ascent) {
  gTitle = setup.title;
  gMaximised = setup.maximised;
  gCaret = false;
  gDrawCalls = 0;
  for (auto& row : gCells)
    for (auto& cell : row) cell = DrawnCell{};
  *cw = setup.cellWidth > 0 ? setup.cellWidth : 8;
  *ch = setup.cellHeight > 0 ? setup.cellHeight : 16;
  *ascent = *ch * 4 / 5;
  InjectWindowEvent(WindowEvent{WindowEventType::kFocusIn});
  return true;
}

void HeadlessClose() {
  std::lock_guard<std::mutex> lock(gMutex);
  gEvents.clear();
}

void HeadlessTitleSet(std::string_view latin1) { gTitle = std::string(latin1); }

void HeadlessDrawRun(int column, int row, const char* text, int count, uint32_t fg, uint32_t bg) {
  ++gDrawCalls;
  if (row < 0 || row >= 25) return;
  for (int i = 0; i < count && column + i < 80; ++i) {
    if (column + i < 0) continue;
    gCells[row][column + i] = DrawnCell{static_cast<unsigned char>(text[i]), fg, bg};
  }
}

bool HeadlessScroll(int rows, uint32_t bg) {
  if (rows < 1 || rows > 25) return false;
  for (int r = 1; r < rows; ++r)
    for (int c = 0; c < 80; ++c) gCells[r - 1][c] = gCells[r][c];
  for (int c = 0; c < 80; ++c) gCells[rows - 1][c] = DrawnCell{' ', bg, bg};
  return true;
}

void HeadlessShowCaret(int column, int row) {
  gCaret = true;
  gCaretColumn = column;
  gCaretRow = row;
}
void HeadlessHideCaret() { gCaret = false; }
void HeadlessDrawImage(int, int, int, int, const uint32_t*) {}
void HeadlessDrawStretched(int, int, const uint32_t*, int, int, int, int) {}
bool HeadlessReadPixels(std::vector<uint32_t>*, int*, int*) { return false; }


bool HeadlessPoll(WindowEvent* event) {
  std::lock_guard<std::mutex> lock(gMutex);
  if (gEvents.empty()) return false;
  *event = gEvents.front();
  gEvents.pop_front();
  return true;
}

void HeadlessWait(int timeout_ms) {
  {
    std::lock_guard<std::mutex> lock(gMutex);
    if (!gEvents.empty() || gWoken) {
      gWoken = false;
      return;
    }
  }
  if (gIdle) gIdle();
  std::unique_lock<std::mutex> lock(gMutex);
  auto ready = [] { return !gEvents.empty() || gWoken; };
  if (timeout_ms < 0)
    gSignal.wait(lock, ready);
  else
    gSignal.wait_for(lock, std::chrono::milliseconds(timeout_ms), ready);
  gWoken = false;
}

void HeadlessWake() {
  {
    std::lock_guard<std::mutex> lock(gMutex);
    gWoken = true;
  }
  gSignal.notify_all();
}

const WindowBackend kHeadless = {
    "headless",        HeadlessWorkArea,   HeadlessOpen,          HeadlessClose,
    HeadlessTitleSet,  HeadlessDrawRun,    HeadlessScroll,        HeadlessShowCaret,
    HeadlessHideCaret, HeadlessDrawImage,  HeadlessDrawStretched, HeadlessReadPixels,
    HeadlessPoll,      HeadlessWait,       HeadlessWake, true,
};
}  // namespace

const WindowBackend* HeadlessWindowBackend() { return &kHeadless; }

void InjectWindowEvent(const WindowEvent& event) {
  {
    std::lock_guard<std::mutex> lock(gMutex);
    gEvents.push_back(event);
  }
  gSignal.notify_all();
}

void InjectKeyDown(int key, unsigned mods) {
  WindowEvent e;
  e.type = WindowEventType::kKeyDown;
  e.key = key;
  e.mods = mods;
  InjectWindowEvent(e);
}

void InjectKeyUp(int key, unsigned mods) {
  WindowEvent e;
  e.type = WindowEventType::kKeyUp;
  e.key = key;
  e.mods = mods;
  InjectWindowEvent(e);
}

void InjectChar(int ch, unsigned mods) {
  WindowEvent e;
  e.type = WindowEventType::kChar;
  e.ch = ch;
  e.mods = mods;
  InjectWindowEvent(e);
}

void InjectKeyPress(int key, int ch, unsigned mods) {
  InjectKeyDown(key, mods);
  if (ch >= 0) InjectChar(ch, mods);
  InjectKeyUp(key, mods);
}

void InjectText(const std::string& latin1) {
  for (unsigned char c : latin1) {
    int key = 0;
    unsigned mods = 0;
    if (c >= 'a' && c <= 'z') key = c - 32;
    else if (c >= 'A' && c <= 'Z') { key = c; mods = kModShift; }
    else if (c >= '0' && c <= '9') key = c;
    else if (c == ' ') key = kKeySpace;
    else if (c == 13) key = kKeyEnter;
    else if (c == 8) key = kKeyBackspace;
    else if (c == 27) key = kKeyEscape;
    else if (c == 9) key = kKeyTab;
    else key = 0xDE;  // some punctuation key: no key number of its own
    InjectKeyPress(key, c, mods);
  }
}

void SetHeadlessIdleHook(std::function<void()> hook) { gIdle = std::move(hook); }
std::string HeadlessTitle() { return gTitle; }
bool HeadlessMaximised() { return gMaximised; }
bool HeadlessCaretShown(int* column, int* row) {
  if (column) *column = gCaretColumn;
  if (row) *row = gCaretRow;
  return gCaret;
}
int HeadlessDrawCalls() { return gDrawCalls; }
DrawnCell HeadlessDrawnCell(int column, int row) {
  if (column < 0 || column >= 80 || row < 0 || row >= 25) return DrawnCell{};
  return gCells[row][column];
}
