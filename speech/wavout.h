// The WAV output device: the one way samples reach the sound device, through
// a ring of four blocks; a pressed key stops the sound at once.
#pragma once
#include <cstdint>
#include <string_view>

// 0 when handed over (or a key stopped it), -1 when the file is unusable,
// else the device's error code.
int PlayWavFile(std::string_view fileName);
// Queues the samples of a 44-byte-header WAV image; returns when the last
// block is queued, without waiting for its end.
void PlayWavImage(const uint8_t* image);
// Queues raw samples; 0, or the device's error code.
int PlayPcmBlock(const uint8_t* data, int length, int sampleRate, int channels, int bits);
// True while blocks are in flight.
bool WavBusy();
void CloseWavDevice();

// Playback options the speech settings switch on.
void SetQuickFlag(bool on);
bool QuickFlag();
void SetCutFlag(bool on);
bool CutFlag();
