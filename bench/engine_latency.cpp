// How fast each speech path answers, in one run: the recorded-voice
// translator, the SAPI 4 and SAPI 5 engines over espeak-ng, the SAPI 5.4
// engine over a private speech-dispatcher daemon and the synthesizer over our
// MBROLA library. Everything goes through the
// program's own path: StartSpeech with a TAVIRO.INI choosing the engine,
// Speak, and a key seen by the speech wait, which cuts.
//   first sample: from Speak to the first block on the wave device (for
//     speech-dispatcher: to its report that the text has begun);
//   cut: from a key typed while speech sounds to the device's reset (for
//     speech-dispatcher: to its report that the text was cancelled).
// Sound goes to SDL's dummy driver, which plays in real time. Targets: cut
// under 20 ms, first sample under 50 ms.
//   build/bench/engine_latency [rounds]
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "console/console.h"
#include "console/keyboard.h"
#include "platform/messages.h"
#include "platform/spvoice.h"
#include "platform/waveout.h"
#include "speech/sounds.h"
#include "speech/speak.h"
#include "speech/speech.h"
#include "tests/support/speechd_daemon.h"
#include "tests/support/testenv.h"

namespace {
using Clock = std::chrono::steady_clock;
constexpr unsigned kMsgCharacter = 0x0102;  // a typed key, as the window gets it

int64_t Now() { return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch()).count(); }

// The backend measured, with the moments of its first write and first reset.
std::atomic<int64_t> gFirst{0}, gCut{0};
std::atomic<bool> gArmed{false};  // a key is on its way: the next reset or cancel is its cut
int Open(const WaveFormat& f, WaveNotify n) { return SdlWaveBackend().open(f, n); }
void Write(WaveHeader* h) {
  int64_t zero = 0;
  gFirst.compare_exchange_strong(zero, Now());
  SdlWaveBackend().write(h);
}
void Reset() {
  int64_t zero = 0;
  if (gArmed) gCut.compare_exchange_strong(zero, Now());
  SdlWaveBackend().reset();
}
void Close() { SdlWaveBackend().close(); }
const WaveBackend kTiming{"timing", Open, Write, Reset, Close};

void Observe(int event) {
  int64_t zero = 0;
  if (event == 1) gFirst.compare_exchange_strong(zero, Now());
  if (event == 8 && gArmed) gCut.compare_exchange_strong(zero, Now());
}

void DropKeys() {
  while (KeyWaiting()) TakeKey();
}

// Waits, pumping, until the moment is taken (at most 5 s).
bool Await(std::atomic<int64_t>& moment) {
  int64_t end = Now() + 5000000;
  while (!moment && Now() < end)
    if (WaitMessageFor(1)) DispatchMessages();
  return moment != 0;
}

// The program's wait for speech to end, cut by a key typed 30 to 50 ms after
// the sound began.
double CutMs(const std::string& text, unsigned& jitter) {
  gFirst = 0;
  gCut = 0;
  jitter = jitter * 1103515245u + 12345u;
  int delayUs = 30000 + static_cast<int>((jitter >> 8) % 20000);
  std::atomic<int64_t> typed{0};
  std::thread typist([&] {
    int64_t end = Now() + 5000000;
    while (!gFirst && Now() < end) std::this_thread::sleep_for(std::chrono::microseconds(200));
    std::this_thread::sleep_for(std::chrono::microseconds(delayUs));
    typed = Now();
    gArmed = true;
    PostMessage(kMsgCharacter, 'x', 0);
  });
  Speak(text);  // the translator returns only when cut; an engine at once
  Await(gFirst);
  while (SpeechBusy()) WaitMessage();
  typist.join();
  Await(gCut);
  gArmed = false;
  DropKeys();
  while (SpeechBusy()) WaitMessage();
  return gCut ? (gCut - typed) / 1000.0 : -1;
}

double FirstMs(const std::string& text) {
  gFirst = 0;
  int64_t start = Now();
  std::thread typist([] {
    int64_t end = Now() + 5000000;
    while (!gFirst && Now() < end) std::this_thread::sleep_for(std::chrono::microseconds(200));
    PostMessage(kMsgCharacter, 'x', 0);  // only the start is measured
  });
  Speak(text);
  Await(gFirst);
  typist.join();
  while (SpeechBusy()) WaitMessage();
  DropKeys();
  return gFirst ? (gFirst - start) / 1000.0 : -1;
}

struct Stats {
  double median, worst;
};
Stats Of(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return {v[v.size() / 2], v.back()};
}

std::string Settings(const std::string& sapi, const std::string& type) {
  std::ifstream in(ZELNAR_BUILD_DIR "/drives/c/windows/TAVIRO.INI", std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  std::string ini = s.str();
  size_t at = ini.find("SAPI=N");
  if (at != std::string::npos) ini.replace(at, 6, "SAPI=" + sapi);
  return ini + "\r\n[SERVFALA]\r\nVOZ=1\r\nTIPOSAPI=" + type + "\r\n";
}
}  // namespace

int main(int argc, char** argv) {
  int rounds = argc > 1 ? std::atoi(argv[1]) : 20;
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  setenv("ZELNAR_VIDEO", "headless", 1);
  TempDir windows;
  setenv("WINDIR", windows.path().c_str(), 1);
  PrivateSpeechd daemon;
  if (!daemon.Ready()) std::fprintf(stderr, "speech-dispatcher did not start\n");
  SetWaveBackend(&kTiming);
  SetSpeechdObserver(Observe);
  InitConsole();

  const std::string first = "Conex\xE3o estabelecida com a rede da casa.";
  std::string longText;
  for (int i = 0; i < 10; ++i) longText += "Procurando redes sem fio, aguarde um momento por favor. ";
  struct Path {
    const char* name;
    const char* sapi;
    const char* type;
  };
  std::printf("%-22s %10s %10s %10s %10s\n", "path", "first med", "first max", "cut med", "cut max");
  for (Path p : {Path{"translator", "N", "0"}, Path{"SAPI 4 (espeak-ng)", "S", "4"},
                 Path{"SAPI 5 (espeak-ng)", "S", "5"}, Path{"SAPI 5.4 (speechd)", "S", "54"},
                 Path{"synthesizer (MBROLA)", "S", "3"}}) {
    windows.Write("TAVIRO.INI", Settings(p.sapi, p.type));
    InitSpeechModule();
    StartSpeech(0, "C:\\kelmar\\som\\zelnar");
    if (std::string(p.sapi) == "S" && !EngineActive()) {
      std::printf("%-22s did not start\n", p.name);
      FinishSpeech();
      continue;
    }
    std::vector<double> firsts, cuts;
    unsigned jitter = 12345;
    for (int i = 0; i < rounds; ++i) {
      firsts.push_back(FirstMs(first));
      cuts.push_back(CutMs(longText, jitter));
    }
    FinishSpeech();
    Stats f = Of(firsts), c = Of(cuts);
    std::printf("%-22s %8.1fms %8.1fms %8.1fms %8.1fms\n", p.name, f.median, f.worst, c.median, c.worst);
  }
  return 0;
}
