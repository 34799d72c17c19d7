// Speech objects of the SAPI 4 shape: a multimedia audio destination, an
// engine enumerator whose modes are voices, the central of the selected mode
// with its attributes, and the two notification sink interfaces that the
// program implements. The objects are reference counted; a result of 0 is
// success. The backend beside this header speaks through espeak-ng; its
// central synthesises on a worker thread and calls the sinks on the main
// thread while it dispatches messages.
#pragma once
#include <cstdint>

constexpr int kS4Ok = 0;
constexpr int kS4Fail = 1;       // a failure of the call
constexpr int kS4NoMore = 2;     // the enumerator has no further mode
constexpr int kS4NoObject = 3;   // the class is not installed

struct S4Unknown {
  virtual unsigned long AddRef() = 0;
  virtual unsigned long Release() = 0;

 protected:
  ~S4Unknown() = default;
};

// The mode record, in the size and layout of the SDK's ANSI mode information:
// the mode identifier (16 bytes) at offset 540, the mode name at offset 556.
struct TtsModeInfo {
  uint8_t bytes[1424];
};
constexpr int kModeIdOffset = 540;
constexpr int kModeNameOffset = 556;

struct TtsNotifySink : S4Unknown {
  virtual int AttribChanged(uint32_t attribute) = 0;
  virtual int AudioStart(uint64_t time) = 0;
  virtual int AudioStop(uint64_t time) = 0;
  virtual int Visual(uint64_t time, char phoneme, char enginePhoneme, uint32_t hints, void* mouth) = 0;
};

struct TtsBufNotifySink : S4Unknown {
  virtual int TextDataDone(uint64_t time, uint32_t flags) = 0;
  virtual int TextDataStarted(uint64_t time) = 0;
  virtual int BookMark(uint64_t time, uint32_t mark) = 0;
  virtual int WordPosition(uint64_t time, uint32_t offset) = 0;
};

struct AudioMultiMediaDevice : S4Unknown {};

struct TtsAttributes : S4Unknown {
  virtual int SpeedSet(uint32_t wordsPerMinute) = 0;
  virtual int PitchSet(uint16_t hertz) = 0;
};

struct TtsCentral : S4Unknown {
  virtual int Register(TtsNotifySink* sink, uint32_t* key) = 0;
  virtual int UnRegister(uint32_t key) = 0;
  // The text with its terminating zero; the buffer sink hears of its start
  // and end.
  virtual int TextData(int charSet, uint32_t flags, const char* data, uint32_t size, TtsBufNotifySink* sink) = 0;
  virtual int AudioReset() = 0;
  virtual int QueryAttributes(TtsAttributes** attributes) = 0;
};

struct TtsEnum : S4Unknown {
  virtual int Reset() = 0;
  // Copies the next mode into `mode`; kS4NoMore after the last one.
  virtual int Next(uint32_t count, TtsModeInfo* mode, uint32_t* fetched) = 0;
  virtual int Select(const uint8_t modeId[16], TtsCentral** central, AudioMultiMediaDevice* audio) = 0;
};

// The platform's object creation; kS4NoObject when the class is missing.
int CreateAudioDestination(AudioMultiMediaDevice** audio);
int CreateTtsEnumerator(TtsEnum** enumerator);

// Tests put doubles in place of the espeak-ng objects; nullptr restores them.
struct Sapi4Factory {
  int (*audio)(AudioMultiMediaDevice**);
  int (*enumerator)(TtsEnum**);
};
void SetSapi4Factory(const Sapi4Factory* factory);

// How the espeak-ng central maps the attributes: the speed in words per
// minute, kept within espeak-ng's 80..450; the pitch in hertz, 120 Hz being
// espeak-ng's middle pitch 50 and the scale proportional, kept within 0..100.
int EspeakRateForSpeed(uint32_t wordsPerMinute);
int EspeakPitchForHertz(uint16_t hertz);
