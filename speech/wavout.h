// The WAV output device: the one way samples reach the sound device, through
// a ring of four blocks; a pressed key stops the sound at once.
#pragma once
#include <cstdint>
#include <string_view>

struct WaveHeader;

// The formats played: 4,000 to 192,000 samples per second, 1 or 2
// channels, 8 or 16 bits. Any other is refused as corrupt, and nothing sounds.
constexpr int kLowestRate = 4000;
constexpr int kHighestRate = 192000;

// 0 when handed over (or a key stopped it), -1 when the file is unusable
// (an impossible format included), else the device's error code.
int PlayWavFile(std::string_view fileName);
// Queues the samples of a 44-byte-header WAV image; returns when the last
// block is queued, without waiting for its end.
void PlayWavImage(const uint8_t* image);
// Queues raw samples; 0, -1 for an impossible format, or the device's error code. With the cut flag the
// samples are shortened in a copy: the caller's data is never written.
int PlayPcmBlock(const uint8_t* data, int length, int sampleRate, int channels, int bits);
// True while blocks are in flight; pumps messages, and closes the device when
// nothing is in flight or a key is pressed.
bool WavBusy();
void CloseWavDevice();
// Opens the device for a format, after the blocks of another format have
// played; retries while the device is in use. 0 or the device's error code.
int OpenWavDevice(int sampleRate, int bits, int channels);
// Queues one block of at most 65,534 bytes in the next ring slot; false when
// it was dropped (queue full for 2 seconds, or the device refused it).
bool QueueWavBlock(const uint8_t* data, int count);
// The device's block-done handler (message 957, through the console window).
void WavBlockDone(WaveHeader* header);
// Drops every other pitch period of mono speech in place (16-bit samples
// become unsigned 8-bit first); the new byte count.
int ShortenSpeech(uint8_t* buffer, int count, int bits, int sampleRate);

// Playback options the speech settings switch on.
void SetQuickFlag(bool on);
bool QuickFlag();
void SetCutFlag(bool on);
bool CutFlag();

// Back to the state of module initialisation: device closed (queued blocks
// dropped), both flags off, the ring empty (tests).
void ResetWavOutput();
