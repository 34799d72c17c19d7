// The main thread's message queue: the stand-in for the window system's
// queue that the speech services and the console window rely on.
#pragma once
#include <cstdint>

// Message numbers the program uses.
constexpr unsigned kMsgWaveDone = 957;     // a wave-out block has finished
constexpr unsigned kMsgSpeechCut = 1123;   // the cut wakes a waiter
constexpr unsigned kMsgEngineBusy = 2980;  // an engine thread wakes a waiter
constexpr unsigned kMsgQuit = 0x0012;      // ends the program (exit code 255)
// SIGTERM, SIGHUP or SIGINT came (wparam: the signal), as the session's end
// reaches a window: the program ends at its next pump, between two of its
// steps, so that no file it is writing is left half written.
constexpr unsigned kMsgEndSignal = 0x0016;
constexpr unsigned kMsgCall = 0x8001;      // a call posted to the main thread

struct Message {
  unsigned code = 0;
  uintptr_t wparam = 0;
  intptr_t lparam = 0;
};

// Where the window backend plugs in its input: `poll` turns pending input
// events into posted messages without blocking; `wait` blocks until input
// arrives or `wake` is called, at most timeout_ms (-1: no limit).
struct EventSource {
  void (*poll)() = nullptr;
  void (*wait)(int timeout_ms) = nullptr;
  void (*wake)() = nullptr;
};

// The window procedure that receives every dispatched message.
using MessageHandler = void (*)(const Message&);

void SetMessageHandler(MessageHandler handler);
void SetEventSource(const EventSource* source);  // nullptr: no input device

// Thread-safe: queues a message for the main thread and wakes a waiter.
void PostMessage(unsigned code, uintptr_t wparam = 0, intptr_t lparam = 0);
void PostQuitMessage();
// Thread-safe: runs fn(arg) on the main thread when it next dispatches, in
// order with the other messages; the window procedure never sees it. Speech
// objects working on threads of their own reach the main thread this way, as
// the platform's objects of a single-threaded apartment do.
void PostCall(void (*fn)(intptr_t), intptr_t arg);

// Main thread: polls the input source, then dispatches every message that is
// queued at that moment. A quit message runs the quit action.
void DispatchMessages();

// Main thread: blocks until a message is queued or input arrives.
void WaitMessage();
// The same with a limit; false when the time ran out with nothing there.
bool WaitMessageFor(int timeout_ms);

bool MessagesPending();
// Whether a message for the window procedure waits (posted calls aside).
bool WindowMessagesPending();

// What a quit message does; the default ends the process with exit code 255.
void SetQuitAction(void (*action)());

// From now on SIGTERM, SIGHUP and SIGINT are posted as kMsgEndSignal (once
// for all; later calls do nothing). A second one before the program has
// ended ends it at once, after `rescue` (async-signal-safe work only, such as
// putting a terminal back; may be null).
void CatchEndSignals();
void SetSignalRescue(void (*rescue)());

// Empties the queue and restores the defaults (for tests).
void ResetMessages();
