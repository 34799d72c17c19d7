// Interim keyboard: standard input, until the window lands.
#include "console/keyboard.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <deque>
#include <iostream>

#include "console/console.h"

namespace { std::deque<unsigned char> gTyped; }

// Characters posted to the window as character messages come before stdin.
void QueueTypedCharacter(unsigned char c) {
  if (gTyped.size() < 64) gTyped.push_back(c);
}

bool KeyWaiting() {
  PumpMessages();
  if (!gTyped.empty()) return true;
  int ready = 0;  // bytes waiting: an input at its end (/dev/null) holds no key
  return ioctl(0, FIONREAD, &ready) == 0 && ready > 0;
}

unsigned char TakeKey() {
  PumpMessages();
  if (!gTyped.empty()) {
    unsigned char c = gTyped.front();
    gTyped.pop_front();
    return c;
  }
  std::fflush(stdout);
  int c = std::getchar();
  if (c == EOF) AbortConsole();  // input closed: as if the window were closed
  if (c == '\n') c = 13;
  return static_cast<unsigned char>(c);
}

std::string ReadLine() {
  std::fflush(stdout);
  std::string line;
  if (KeyWaiting() && !gTyped.empty()) {
    for (unsigned char c = TakeKey(); c != 13; c = TakeKey())
      if (c >= 32 && line.size() < 126) line += static_cast<char>(c);
    return line;
  }
  if (!std::getline(std::cin, line)) AbortConsole();
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (line.size() > 126) line.resize(126);
  return line;
}

void PlayTone(int) {}
void StopTone() {}
