// What each window backend provides; window.cpp forwards to the chosen one.
#pragma once
#include "platform/window.h"

struct WindowBackend {
  const char* name;
  void (*workArea)(int* width, int* height);
  // Fills the cell geometry it made (cellWidth, cellHeight, ascent).
  bool (*open)(const WindowSetup& setup, int* cellWidth, int* cellHeight, int* ascent);
  void (*close)();
  void (*title)(std::string_view latin1);
  void (*drawRun)(int column, int row, const char* latin1, int count, uint32_t fg, uint32_t bg);
  bool (*scrollUp)(int rows, uint32_t bg);
  void (*showCaret)(int column, int row);
  void (*hideCaret)();
  void (*drawImage)(int x, int y, int width, int height, const uint32_t* pixels);
  void (*drawStretched)(int width, int height, const uint32_t* pixels, int sx, int sy, int sw, int sh);
  bool (*readPixels)(std::vector<uint32_t>* pixels, int* width, int* height);
  bool (*poll)(WindowEvent* event);
  void (*wait)(int timeout_ms);
  void (*wake)();
  bool keyUps;  // whether key releases are reported (braille chords need them)
};

const WindowBackend* HeadlessWindowBackend();
const WindowBackend* TerminalWindowBackend();
const WindowBackend* SdlWindowBackend();
// Whether an SDL window can be opened here (a display answers).
bool SdlDisplayAvailable();
