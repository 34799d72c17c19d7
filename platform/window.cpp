#include "platform/window.h"

#include <unistd.h>

#include <cstdlib>

#include "platform/window_backend.h"

namespace {
const WindowBackend* gBackend = nullptr;
bool gOpen = false;
int gCellWidth = 8, gCellHeight = 16, gAscent = 12;

const WindowBackend* ByName(std::string_view name) {
  if (name == "sdl") return SdlWindowBackend();
  if (name == "terminal") return TerminalWindowBackend();
  return HeadlessWindowBackend();
}

const WindowBackend* Backend() {
  if (gBackend) return gBackend;
  const char* asked = std::getenv("ZELNAR_VIDEO");
  if (asked && *asked) {
    gBackend = ByName(asked);
  } else if ((std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY")) && SdlDisplayAvailable()) {
    gBackend = SdlWindowBackend();
  } else if (isatty(0) && isatty(1)) {
    gBackend = TerminalWindowBackend();
  } else {
    gBackend = HeadlessWindowBackend();
  }
  return gBackend;
}
}  // namespace

std::string WindowBackendName() { return Backend()->name; }
void SelectWindowBackend(std::string_view name) {
  if (gOpen) CloseWindow();
  gBackend = ByName(name);
}

void WorkArea(int* width, int* height) { Backend()->workArea(width, height); }

bool OpenWindow(const WindowSetup& setup) {
  if (gOpen) return true;
  if (!Backend()->open(setup, &gCellWidth, &gCellHeight, &gAscent)) {
    // A desktop window that cannot open gives way to the terminal, and that
    // to no screen at all.
    if (gBackend == SdlWindowBackend() && isatty(0) && isatty(1)) {
      gBackend = TerminalWindowBackend();
      if (gBackend->open(setup, &gCellWidth, &gCellHeight, &gAscent)) {
        gOpen = true;
        return true;
      }
    }
    gBackend = HeadlessWindowBackend();
    if (!gBackend->open(setup, &gCellWidth, &gCellHeight, &gAscent)) return false;
  }
  gOpen = true;
  return true;
}

void CloseWindow() {
  if (!gOpen) return;
  gOpen = false;
  Backend()->close();
}

bool WindowOpen() { return gOpen; }
void SetWindowTitle(std::string_view latin1) { if (gOpen) Backend()->title(latin1); }
int CellWidth() { return gCellWidth; }
int CellHeight() { return gCellHeight; }
int CellAscent() { return gAscent; }
int WindowPixelWidth() { return gCellWidth * 80; }
int WindowPixelHeight() { return gCellHeight * 25; }

void DrawRun(int column, int row, const char* latin1, int count, uint32_t fg, uint32_t bg) {
  if (gOpen && count > 0) Backend()->drawRun(column, row, latin1, count, fg, bg);
}
bool ScrollUpOneRow(int rows, uint32_t bg) { return gOpen && Backend()->scrollUp(rows, bg); }
void ShowCaret(int column, int row) { if (gOpen) Backend()->showCaret(column, row); }
void HideCaret() { if (gOpen) Backend()->hideCaret(); }
void DrawImage(int x, int y, int width, int height, const uint32_t* pixels) {
  if (gOpen && width > 0 && height > 0) Backend()->drawImage(x, y, width, height, pixels);
}
void DrawImageStretched(int width, int height, const uint32_t* pixels, int sx, int sy, int sw,
                        int sh) {
  if (gOpen && width > 0 && height > 0 && sw > 0 && sh > 0)
    Backend()->drawStretched(width, height, pixels, sx, sy, sw, sh);
}
bool ReadWindowPixels(std::vector<uint32_t>* pixels, int* width, int* height) {
  return gOpen && Backend()->readPixels(pixels, width, height);
}

bool WindowReportsKeyUps() { return Backend()->keyUps; }

bool PollWindowEvent(WindowEvent* event) { return gOpen && Backend()->poll(event); }
void WaitWindowEvent(int timeout_ms) { Backend()->wait(timeout_ms); }
void WakeWindow() { Backend()->wake(); }

void ResetWindow() {
  CloseWindow();
  gBackend = nullptr;
}
