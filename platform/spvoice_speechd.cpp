// The SAPI 5 voice of engine code 54 over speech-dispatcher, through
// libspeechd. speech-dispatcher plays through the desktop's own sound. The
// speak-complete event is set when every text handed over has been reported
// ended or cancelled; a text whose end never comes (a daemon that died or
// hangs) counts as ended once it has had far more time than it could need.
//
// libspeechd waits for every reply of the daemon without a limit, and a
// daemon can stop answering altogether (one whose sound output never came up
// does): each call is made on a thread of its own and waited for at most a
// limit. A call that has not come back by then is left behind, blocked on the
// daemon, and nothing more is asked of that connection: the texts after it
// are refused, and the program goes on.
#include <libspeechd.h>
#include <poll.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/latin1.h"
#include "platform/spvoice.h"

namespace {
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Starting the desktop's daemon and listing its voices take seconds (espeak-ng
// has thousands of variants); any other reply comes at once.
constexpr milliseconds kOpenLimit{10000};
constexpr milliseconds kListLimit{30000};
constexpr milliseconds kReplyLimit{3000};

// `call` on a thread of its own, waited for at most `limit`: nothing when it
// has not come back. It must own what it uses, since it may outlive the wait.
template <class T, class F>
std::optional<T> Within(milliseconds limit, F call) {
  struct Shared {
    std::mutex m;
    std::condition_variable done;
    std::optional<T> result;
  };
  auto shared = std::make_shared<Shared>();
  std::thread([shared, call = std::move(call)]() mutable {
    T value = call();
    std::lock_guard<std::mutex> lock(shared->m);
    shared->result = std::move(value);
    shared->done.notify_all();
  }).detach();
  std::unique_lock<std::mutex> lock(shared->m);
  shared->done.wait_for(lock, limit, [&] { return shared->result.has_value(); });
  return shared->result;
}

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
  SpeechdVoice(SPDConnection* c, std::vector<std::string> voices) : c_(c), voices_(std::move(voices)) {
    std::lock_guard<std::mutex> lock(gMutex);
    Forget();
  }
  ~SpeechdVoice() override {
    if (Ask([c = c_] { return spd_cancel(c); })) Ask([c = c_] { return spd_close(c), 0; });
  }
  bool SetEventInterests(int) override { return true; }
  int VoiceCount() override { return static_cast<int>(voices_.size()); }
  bool SetVoice(int index) override {
    if (index < 0 || index >= VoiceCount()) return false;
    std::string name = voices_[static_cast<size_t>(index)];
    return Ask([c = c_, name] { return spd_set_synthesis_voice(c, name.c_str()); }) == 0;
  }
  bool SetRate(int rate) override {
    if (rate < -10 || rate > 10) return false;
    return Ask([c = c_, rate] { return spd_set_voice_rate(c, SpeechdRateForRate(rate)); }) == 0;
  }
  bool Speak(std::string_view text, int flags) override {
    if (flags & kSpeakPurgeBeforeSpeak) {
      Ask([c = c_] { return spd_cancel(c); });
      std::lock_guard<std::mutex> lock(gMutex);
      Forget();
    }
    if (dead_) return false;
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
    std::string utf8 = Latin1ToUtf8(text);
    int id = Ask([c = c_, utf8] { return spd_say(c, SPD_TEXT, utf8.c_str()); }).value_or(-1);
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
      Ask([c = c_] { return spd_cancel(c); });  // a dead daemon is stopped, and the program goes on
      lock.lock();
      Forget();
    }
    bool done = gChanged.wait_for(lock, std::chrono::milliseconds(ms), Complete);
    return done ? kWaitObject : kWaitTimeout;
  }

 private:
  // A call into libspeechd with the reply limit; nothing once the daemon has
  // let one call go unanswered.
  template <class F>
  std::optional<int> Ask(F call) {
    if (dead_) return std::nullopt;
    std::optional<int> result = Within<int>(kReplyLimit, std::move(call));
    if (!result) {
      dead_ = true;
      std::lock_guard<std::mutex> lock(gMutex);
      Forget();
    }
    return result;
  }
  // A daemon that closed its end, or one that has not ended a text long
  // after it could have.
  bool Hung() {
    pollfd p{c_->socket, POLLRDHUP, 0};
    bool closed = poll(&p, 1, 0) == 1 && (p.revents & (POLLHUP | POLLRDHUP | POLLERR | POLLNVAL));
    return closed || Clock::now() >= gDeadline;
  }
  SPDConnection* c_;
  std::vector<std::string> voices_;
  bool dead_ = false;
};
}  // namespace

void SetSpeechdObserver(void (*observer)(int)) { gObserver = observer; }

int SpeechdRateForRate(int rate) { return std::clamp(rate * 10, -100, 100); }

std::unique_ptr<SpVoice> CreateSpeechdSpVoice() {
  // A daemon gone away must not end the program when a text is written to it.
  std::signal(SIGPIPE, SIG_IGN);
  // Without an address of its own the desktop's daemon is asked, and started
  // when it is not running yet, as screen readers do.
  bool ownAddress = std::getenv("SPEECHD_ADDRESS") != nullptr;
  std::optional<SPDConnection*> c = Within<SPDConnection*>(kOpenLimit, [ownAddress] {
    char* error = nullptr;
    SPDConnection* c = spd_open2("zelnar", "main", nullptr, SPD_MODE_THREADED, nullptr, ownAddress ? 0 : 1, &error);
    std::free(error);
    return c;
  });
  if (!c || !*c) return nullptr;
  // A daemon that does not answer here is left with its connection.
  std::optional<std::vector<std::string>> voices = Within<std::vector<std::string>>(kListLimit, [c = *c] {
    c->callback_begin = Begun;
    c->callback_end = Ended;
    c->callback_cancel = Ended;
    std::vector<std::string> brazilian, others;
    if (spd_set_notification_on(c, SPD_BEGIN) || spd_set_notification_on(c, SPD_END) ||
        spd_set_notification_on(c, SPD_CANCEL))
      return brazilian;
    if (SPDVoice** list = spd_list_synthesis_voices(c)) {
      for (SPDVoice** v = list; *v; ++v) {
        if (!(*v)->name) continue;
        (Brazilian((*v)->language) ? brazilian : others).push_back((*v)->name);
      }
      free_spd_voices(list);
    }
    brazilian.insert(brazilian.end(), others.begin(), others.end());
    return brazilian;
  });
  if (!voices) return nullptr;
  return std::make_unique<SpeechdVoice>(*c, std::move(*voices));
}
