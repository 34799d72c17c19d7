// espeak-ng as the platform's speech synthesiser, for the objects that stand
// in for SAPI 4 and SAPI 5: the installed voices, and one speaking channel.
// Texts queued on the channel are synthesised on a worker thread; their sound
// goes through the wave-out interface (ZELNAR_AUDIO), opened only while the
// channel sounds; every notification is delivered on the main thread while it
// dispatches messages.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct EspeakVoiceInfo {
  std::string name;        // "Portuguese_(Brazil)"
  std::string language;    // "pt-br"
  std::string identifier;  // "roa/pt-BR", what selects the voice
};

// The installed voices, Brazilian Portuguese first, then in espeak-ng's own
// order; empty when espeak-ng cannot start.
const std::vector<EspeakVoiceInfo>& EspeakVoices();

struct EspeakSettings {
  std::string voice;  // an identifier; empty: the first voice
  int wpm = 175;      // words per minute, 80..450
  int pitch = 50;     // 0..100
};

enum class EspeakEvent { kTextStarted, kTextDone, kAudioStart, kAudioStop, kIdle };

// Receives the channel's notifications on the main thread; `text` is the
// value queued with the text (kTextStarted, kTextDone) or 0. kTextStarted
// comes at the first dispatch after the text was queued. kAudioStop comes
// when the last sound has been heard; kIdle when nothing is queued any more
// and nothing sounds, also after texts that gave no sound.
using EspeakListener = void (*)(EspeakEvent event, intptr_t text, void* context);

// One owner at a time: Open purges what a former owner left.
void EspeakOpen(EspeakListener listener, void* context);
void EspeakClose();
// Queues a Latin-1 text (converted to UTF-8 here); false when espeak-ng is
// not there.
bool EspeakSpeak(std::string_view latin1, const EspeakSettings& settings, intptr_t text = 0);
// Drops every queued text and the sound at once; nothing more is notified
// for what was dropped.
void EspeakPurge();
// Main thread: nothing queued, nothing sounding.
bool EspeakIdle();
