#include "platform/messagebox.h"

#include <cstdio>
#include <string>

#include "platform/latin1.h"

namespace {
void (*gObserver)(std::string_view) = nullptr;
}

void ShowMessageBox(std::string_view text) {
  if (gObserver) {
    gObserver(text);
    return;
  }
  std::string line = "Zelnar: " + Latin1ToUtf8(text) + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
}

void SetMessageBoxObserver(void (*observer)(std::string_view)) { gObserver = observer; }
