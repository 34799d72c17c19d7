// Interim WAV output: nothing sounds until the sound services land.
#include "speech/wavout.h"

namespace { bool gQuick = false, gCut = false; }
int PlayWavFile(std::string_view) { return -1; }
void PlayWavImage(const uint8_t*) {}
int PlayPcmBlock(const uint8_t*, int, int, int, int) { return 0; }
bool WavBusy() { return false; }
void CloseWavDevice() {}
void SetQuickFlag(bool on) { gQuick = on; }
bool QuickFlag() { return gQuick; }
void SetCutFlag(bool on) { gCut = on; }
bool CutFlag() { return gCut; }
