// The headless window backend's side door for tests: input injected as if a
// user had typed it, and what the window would show.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "platform/window.h"

void InjectWindowEvent(const WindowEvent& event);
void InjectKeyDown(int key, unsigned mods = 0);
void InjectKeyUp(int key, unsigned mods = 0);
void InjectChar(int ch, unsigned mods = 0);
// A key press as the platform gives it: key down, its character when it has
// one (ch >= 0), key up.
void InjectKeyPress(int key, int ch, unsigned mods = 0);
// Every character of the Latin-1 text typed as key presses.
void InjectText(const std::string& latin1);

// Called when the program waits for input and nothing is pending: the test's
// chance to look at the screen and inject the next keys. Without it, or when
// it injects nothing, the wait behaves as on a real window (sleeps until
// woken or timed out).
void SetHeadlessIdleHook(std::function<void()> hook);

std::string HeadlessTitle();
bool HeadlessMaximised();
bool HeadlessCaretShown(int* column, int* row);
// Number of DrawRun calls since the window opened (repaint accounting).
int HeadlessDrawCalls();
// The character and colours last drawn at a cell (what a screen would show).
struct DrawnCell {
  unsigned char ch = ' ';
  uint32_t fg = 0, bg = 0;
};
DrawnCell HeadlessDrawnCell(int column, int row);  // 0-based
