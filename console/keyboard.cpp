// Interim keyboard: standard input, until the window lands.
#include "console/keyboard.h"

#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "console/console.h"

bool KeyWaiting() {
  PumpMessages();
  pollfd p{0, POLLIN, 0};
  return poll(&p, 1, 0) > 0;
}

unsigned char TakeKey() {
  std::fflush(stdout);
  int c = std::getchar();
  if (c == EOF) AbortConsole();  // input closed: as if the window were closed
  if (c == '\n') c = 13;
  return static_cast<unsigned char>(c);
}

std::string ReadLine() {
  std::fflush(stdout);
  std::string line;
  if (!std::getline(std::cin, line)) AbortConsole();
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (line.size() > 126) line.resize(126);
  return line;
}

void PlayTone(int) {}
void StopTone() {}
