#include "platform/messages.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>

namespace {
std::mutex gMutex;
std::condition_variable gPosted;
std::deque<Message> gQueue;
// Taken from the queue and not yet dispatched (main thread only). A handler
// that pumps again goes on with these first, as a nested message loop does:
// a message taken by the outer pump is never held back from the inner one.
std::deque<Message> gTaken;
MessageHandler gHandler = nullptr;
const EventSource* gSource = nullptr;
void DefaultQuit() { std::exit(255); }
void (*gQuitAction)() = DefaultQuit;
}  // namespace

void SetMessageHandler(MessageHandler handler) { gHandler = handler; }
void SetEventSource(const EventSource* source) { gSource = source; }
void SetQuitAction(void (*action)()) { gQuitAction = action ? action : DefaultQuit; }

void PostMessage(unsigned code, uintptr_t wparam, intptr_t lparam) {
  {
    std::lock_guard<std::mutex> lock(gMutex);
    gQueue.push_back(Message{code, wparam, lparam});
  }
  gPosted.notify_all();
  if (gSource && gSource->wake) gSource->wake();
}

void PostQuitMessage() { PostMessage(kMsgQuit); }

void PostCall(void (*fn)(intptr_t), intptr_t arg) { PostMessage(kMsgCall, reinterpret_cast<uintptr_t>(fn), arg); }

bool MessagesPending() {
  std::lock_guard<std::mutex> lock(gMutex);
  return !gQueue.empty() || !gTaken.empty();
}

bool WindowMessagesPending() {
  std::lock_guard<std::mutex> lock(gMutex);
  auto window = [](const Message& m) { return m.code != kMsgCall; };
  return std::any_of(gQueue.begin(), gQueue.end(), window) || std::any_of(gTaken.begin(), gTaken.end(), window);
}

void DispatchMessages() {
  if (gSource && gSource->poll) gSource->poll();
  // Only what is queued now: a handler that posts again does not loop for ever.
  {
    std::lock_guard<std::mutex> lock(gMutex);
    gTaken.insert(gTaken.end(), gQueue.begin(), gQueue.end());
    gQueue.clear();
  }
  while (!gTaken.empty()) {
    Message m = gTaken.front();
    gTaken.pop_front();
    if (m.code == kMsgQuit) {
      // Keep the rest for whoever pumps after the quit action (tests).
      std::lock_guard<std::mutex> lock(gMutex);
      gQueue.insert(gQueue.begin(), gTaken.begin(), gTaken.end());
      gTaken.clear();
      gQuitAction();
      return;
    }
    if (m.code == kMsgCall) reinterpret_cast<void (*)(intptr_t)>(m.wparam)(m.lparam);
    else if (gHandler) gHandler(m);
  }
}

bool WaitMessageFor(int timeout_ms) {
  if (gSource && gSource->wait) {
    if (MessagesPending()) return true;
    gSource->wait(timeout_ms);
    if (gSource->poll) gSource->poll();
    return MessagesPending();
  }
  std::unique_lock<std::mutex> lock(gMutex);
  auto ready = [] { return !gQueue.empty() || !gTaken.empty(); };
  if (timeout_ms < 0) {
    gPosted.wait(lock, ready);
    return true;
  }
  return gPosted.wait_for(lock, std::chrono::milliseconds(timeout_ms), ready);
}

void WaitMessage() {
  while (!WaitMessageFor(-1)) {
  }
}

namespace {
int gSignalPipe[2] = {-1, -1};
std::atomic<int> gSignalsCaught{0};
std::atomic<void (*)()> gRescue{nullptr};

// Only what is safe inside a handler: the signal travels through a pipe to
// the thread below, which may take locks to post it.
void OnEndSignal(int sig) {
  if (gSignalsCaught.fetch_add(1) > 0) {
    if (void (*rescue)() = gRescue.load()) rescue();
    _exit(128 + sig);
  }
  unsigned char byte = static_cast<unsigned char>(sig);
  ssize_t ignored = write(gSignalPipe[1], &byte, 1);
  (void)ignored;
}

void ForwardSignals() {
  unsigned char byte;
  for (;;) {
    ssize_t n = read(gSignalPipe[0], &byte, 1);
    if (n == 1) PostMessage(kMsgEndSignal, byte);
    else if (n == 0) return;
  }
}
}  // namespace

void SetSignalRescue(void (*rescue)()) { gRescue = rescue; }

void CatchEndSignals() {
  static bool caught = false;
  if (caught || pipe2(gSignalPipe, O_CLOEXEC) != 0) return;
  caught = true;
  std::thread(ForwardSignals).detach();
  struct sigaction action {};
  action.sa_handler = OnEndSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int sig : {SIGTERM, SIGHUP, SIGINT}) sigaction(sig, &action, nullptr);
}

void ResetMessages() {
  std::lock_guard<std::mutex> lock(gMutex);
  gQueue.clear();
  gTaken.clear();
  gHandler = nullptr;
  gSource = nullptr;
  gQuitAction = DefaultQuit;
  gSignalsCaught = 0;
}
