// The voice object of the SAPI 5 automation shape: a voice collection, the
// chosen voice and rate, asynchronous or synchronous speaking and the
// speak-complete event. Two backends stand beside this header: espeak-ng
// (the voice class of engine code 5), whose sound goes through the wave-out
// interface, and speech-dispatcher through libspeechd (engine code 54),
// which plays through the desktop's own sound.
#pragma once
#include <memory>
#include <string_view>

// Speak flags, as the SDK numbers them.
constexpr int kSpeakAsync = 1;
constexpr int kSpeakPurgeBeforeSpeak = 2;
constexpr int kSpeakIsNotXml = 16;
constexpr int kAllVoiceEvents = 33790;
// Results of waiting for the speak-complete event.
constexpr int kWaitObject = 0;
constexpr int kWaitTimeout = 258;

struct SpVoice {
  virtual ~SpVoice() = default;
  virtual bool SetEventInterests(int interests) = 0;
  // The collection GetVoices returns: its Count, and Item(index) made the voice.
  virtual int VoiceCount() = 0;
  virtual bool SetVoice(int index) = 0;
  // -10..10; false when the voice refuses it.
  virtual bool SetRate(int rate) = 0;
  // A Latin-1 text; false when the voice refuses it. Without kSpeakAsync
  // the call returns when the text has been spoken.
  virtual bool Speak(std::string_view latin1, int flags) = 0;
  // Waits at most `ms` for the speak-complete event: kWaitObject or kWaitTimeout.
  virtual int WaitSpeakComplete(int ms) = 0;
};

// The voice object of an engine code (5 or 54); nullptr when it cannot be
// created (no speech-dispatcher answering, no espeak-ng).
std::unique_ptr<SpVoice> CreateSpVoice(int code);
// Tests put doubles in place; nullptr restores the backends.
using SpVoiceFactory = std::unique_ptr<SpVoice> (*)(int code);
void SetSpVoiceFactory(SpVoiceFactory factory);

// The backends, for CreateSpVoice.
std::unique_ptr<SpVoice> CreateEspeakSpVoice();
std::unique_ptr<SpVoice> CreateSpeechdSpVoice();

// A rate of -10..10 in espeak-ng's words per minute: 175 at 0, each step
// about 11.6 % faster (three times as fast at 10, a third at -10), kept
// within espeak-ng's 80..450.
int EspeakWpmForRate(int rate);
// Measuring only: called on libspeechd's thread when speech-dispatcher
// reports a text begun (1), ended (2) or cancelled (8).
void SetSpeechdObserver(void (*observer)(int event));

// In speech-dispatcher's -100..100: ten times the rate.
int SpeechdRateForRate(int rate);
