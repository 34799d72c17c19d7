// Diphone synthesis by pitch-synchronous overlap-add: phoneme lines in,
// samples out. One synthesizer per process, as the library's calls imply.
#pragma once
#include <cstdint>
#include <string>

#include "synth/mbrola/database.h"

namespace mbr {

// Loads a voice (replacing the one before); `rename` and `clone` are lists
// of "new old" name pairs (either may be null). Returns false, with the
// error set, when the database cannot be used.
bool OpenVoice(const std::string& path, const char* rename, const char* clone);
void CloseVoice();
bool VoiceOpen();
const Database& Voice();

// A buffer of one or more phoneme lines. Every bad line sets the error and
// the rest goes on. A line "#" ends the utterance as Flush does.
void Write(const char* text);
// Ends the utterance: everything written becomes readable.
void Flush();
// Up to `wanted` samples; 0 when nothing more is ready.
int Read(int16_t* out, int wanted);
// Forgets the utterance, the samples not yet read and the error.
void Reset();

int LastError();
const std::string& LastErrorText();
void SetError(int code, const std::string& text);

// MBROLA's "no error" mode: a missing diphone is bridged without an error.
void SetNoError(bool on);
bool NoError();
void SetRate(int hz);  // output rate; the voice's samples are not resampled
int Rate();
void SetVolume(float ratio);
float Volume();

}  // namespace mbr
