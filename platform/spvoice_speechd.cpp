// The SAPI 5 voice of engine code 54 over speech-dispatcher, through
// libspeechd. speech-dispatcher plays through the desktop's own sound. The
// speak-complete event is set when every text handed over has been reported
// ended or cancelled; a text whose end never comes (a daemon that died or
// hangs) counts as ended once it has had far more time than it could need.
#include <libspeechd.h>
#include <poll.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/latin1.h"
#include "platform/spvoice.h"

namespace {
using Clock = std::chrono::steady_clock;

// libspeechd's callbacks carry no context: one connection per process.
// A text is known by the message number spd_say returns; its end may be
// reported before that number is known here.
std::mutex gMutex;
std::condition_variable gChanged;
std::set<size_t> gPending;     // handed over, not yet ended
std::set<size_t> gEndedEarly;  // ended before spd_say returned its number
int gSaying = 0;               // spd_say calls under way
Clock::time_point gDeadline;   // when the pending texts count as ended

void (*gObserver)(int) = nullptr;

void Begun(size_t, size_t, SPDNotificationType) {
  if (gObserver) gObserver(SPD_BEGIN);
}

void Ended(size_t id, size_t, SPDNotificationType type) {
  if (gObserver) gObserver(type == SPD_EVENT_CANCEL ? SPD_CANCEL : SPD_END);
  {
    std::lock_guard<std::mutex> lock(gMutex);
    if (!gPending.erase(id)) gEndedEarly.insert(id);
  }
  gChanged.notify_all();
}

bool Complete() { return gPending.empty() && gSaying == 0; }

void Forget() {
  gPending.clear();
  gEndedEarly.clear();
}

bool Brazilian(const char* language) {
  std::string l = language ? language : "";
  std::transform(l.begin(), l.end(), l.begin(), [](unsigned char c) { return std::tolower(c); });
  return l == "pt-br" || l == "pt_br";
}

bool Blank(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

class SpeechdVoice : public SpVoice {
 public:
  explicit SpeechdVoice(SPDConnection* c) : c_(c) {
    c_->callback_begin = Begun;
    c_->callback_end = Ended;
    c_->callback_cancel = Ended;
    spd_set_notification_on(c_, SPD_BEGIN);
    spd_set_notification_on(c_, SPD_END);
    spd_set_notification_on(c_, SPD_CANCEL);
    if (SPDVoice** list = spd_list_synthesis_voices(c_)) {
      std::vector<std::string> others;
      for (SPDVoice** v = list; *v; ++v) {
        if (!(*v)->name) continue;
        (Brazilian((*v)->language) ? voices_ : others).push_back((*v)->name);
      }
      voices_.insert(voices_.end(), others.begin(), others.end());
      free_spd_voices(list);
    }
    std::lock_guard<std::mutex> lock(gMutex);
    Forget();
  }
  ~SpeechdVoice() override {
    spd_cancel(c_);
    spd_close(c_);
  }
  bool SetEventInterests(int) override { return true; }
  int VoiceCount() override { return static_cast<int>(voices_.size()); }
  bool SetVoice(int index) override {
    if (index < 0 || index >= VoiceCount()) return false;
    return spd_set_synthesis_voice(c_, voices_[static_cast<size_t>(index)].c_str()) == 0;
  }
  bool SetRate(int rate) override {
    if (rate < -10 || rate > 10) return false;
    return spd_set_voice_rate(c_, SpeechdRateForRate(rate)) == 0;
  }
  bool Speak(std::string_view text, int flags) override {
    if (flags & kSpeakPurgeBeforeSpeak) {
      spd_cancel(c_);
      std::lock_guard<std::mutex> lock(gMutex);
      Forget();
    }
    // A blank text says nothing, and speech-dispatcher may not report it.
    if (Blank(text)) return true;
    {
      std::lock_guard<std::mutex> lock(gMutex);
      // Even at its slowest a voice says more than two characters a second.
      Clock::time_point limit = Clock::now() + std::chrono::seconds(10) +
                                std::chrono::milliseconds(500 * static_cast<long>(text.size()));
      gDeadline = Complete() ? limit : std::max(gDeadline, limit);
      ++gSaying;
    }
    int id = spd_say(c_, SPD_TEXT, Latin1ToUtf8(text).c_str());
    {
      std::lock_guard<std::mutex> lock(gMutex);
      --gSaying;
      if (id >= 0 && !gEndedEarly.erase(static_cast<size_t>(id))) gPending.insert(static_cast<size_t>(id));
    }
    gChanged.notify_all();
    if (id < 0) return false;
    if (!(flags & kSpeakAsync))
      while (WaitSpeakComplete(1000) != kWaitObject) {
      }
    return true;
  }
  int WaitSpeakComplete(int ms) override {
    std::unique_lock<std::mutex> lock(gMutex);
    if (!Complete() && Hung()) {
      lock.unlock();
      spd_cancel(c_);  // a dead daemon is stopped, and the program goes on
      lock.lock();
      Forget();
    }
    bool done = gChanged.wait_for(lock, std::chrono::milliseconds(ms), Complete);
    return done ? kWaitObject : kWaitTimeout;
  }

 private:
  // A daemon that closed its end, or one that has not ended a text long
  // after it could have.
  bool Hung() {
    pollfd p{c_->socket, POLLRDHUP, 0};
    bool closed = poll(&p, 1, 0) == 1 && (p.revents & (POLLHUP | POLLRDHUP | POLLERR | POLLNVAL));
    return closed || Clock::now() >= gDeadline;
  }
  SPDConnection* c_;
  std::vector<std::string> voices_;
};
}  // namespace

void SetSpeechdObserver(void (*observer)(int)) { gObserver = observer; }

int SpeechdRateForRate(int rate) { return std::clamp(rate * 10, -100, 100); }

std::unique_ptr<SpVoice> CreateSpeechdSpVoice() {
  // A daemon gone away must not end the program when a text is written to it.
  std::signal(SIGPIPE, SIG_IGN);
  char* error = nullptr;
  // Without an address of its own the desktop's daemon is asked, and started
  // when it is not running yet, as screen readers do.
  bool ownAddress = std::getenv("SPEECHD_ADDRESS") != nullptr;
  SPDConnection* c = spd_open2("zelnar", "main", nullptr, SPD_MODE_THREADED, nullptr, ownAddress ? 0 : 1, &error);
  std::free(error);
  if (!c) return nullptr;
  return std::make_unique<SpeechdVoice>(c);
}
