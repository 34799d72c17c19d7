// Our MBROLA library's phoneme-line parser and synthesis, with the built
// voice: any bytes as phoneme lines, then everything read out.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "synth/mbrola/synthesis.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (!mbr::OpenVoice(ZELNAR_BINARY_DIR "/drives/c/kelmar/davuridi/br4", nullptr, nullptr))
    std::abort();  // the voice must be built before this target runs
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  mbr::Reset();
  // Every other input says nothing of the end: "#" lines and the flush both end utterances.
  mbr::Write(text.c_str());
  mbr::Flush();
  int16_t block[4096];
  while (mbr::Read(block, 4096) > 0) {
  }
  return 0;
}
