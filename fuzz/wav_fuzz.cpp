// The WAV reader and player: a file played plain, with the cut flag (pitch
// periods dropped), with the quick flag, or both. The first byte chooses.
#include <cstdint>

#include "fuzz/fuzz.h"
#include "platform/waveout_capture.h"
#include "speech/wavout.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzQuietProgram();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  SetQuickFlag(data[0] & 1);
  SetCutFlag(data[0] & 2);
  PlayWavFile(FuzzWrite("t.wav", std::string(reinterpret_cast<const char*>(data + 1), size - 1)));
  ClearWaveCaptureLog();
  return 0;
}
