#include <cstdlib>

#include "console/console.h"
#include "fuzz/fuzz.h"
#include "platform/waveout_capture.h"
#include "platform/window.h"

void FuzzQuietProgram() {
  setenv("ZELNAR_TIME_SCALE", "0", 1);
  setenv("ZELNAR_VIDEO", "headless", 1);
  setenv("WINDIR", FuzzDir().c_str(), 1);
  setenv("ZELNAR_DRIVES", FuzzDir().c_str(), 1);
  SelectWindowBackend("headless");
  InitConsole();
  StartWaveCapture();
}
