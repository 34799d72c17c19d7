// The picture reader: a BMP file loaded, shown on the headless window and
// removed.
#include <cstdint>

#include "console/picture.h"
#include "fuzz/fuzz.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzQuietProgram();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (LoadPicture(FuzzWrite("t.bmp", std::string(reinterpret_cast<const char*>(data), size)))) ShowPicture(650, 10);
  RemovePicture();
  return 0;
}
