// Speaking a phonetic string by joining recorded segments of the diphone
// database into the speech buffer, which is played whenever it fills and at
// the end. A segment or character file longer than the buffer (63,956
// samples after its header) is not cut: it goes on in the next block. A
// segment shortened by the segment cut, the floor or a length factor ends at
// its last crossing of the centre line within 20 ms and its last 3 ms fade to
// silence, so that it does not click; a segment played whole is untouched.
#pragma once
#include <string>
#include <string_view>

// Returns when the last block has been played (or cut by a key).
void SpeakPhonetic(std::string_view phonetic);

// Steps of the player (exposed for tests and the voice tools).
void SplitUnit(std::string_view unit, double factor);
void PlayPiece(std::string_view piece, double factor);
// Silence in whole blocks of 100 samples.
void AppendSilence(int count);
void FlushSpeechBuffer();

// Told of every segment the player looks for: its name as asked, whether it
// was found, and 0 when a piece asked for it, more when a fallback did.
using SegmentObserver = void (*)(std::string_view name, bool found, int fallbackDepth);
void SetSegmentObserver(SegmentObserver observer);

void ResetPlayer();
