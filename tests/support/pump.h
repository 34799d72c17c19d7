// Waiting in tests for what other threads bring, with a limit.
#pragma once
#include <cstdint>

#include "platform/clock.h"
#include "platform/messages.h"

// Dispatches messages until done() holds; false when ms went by first.
template <typename F>
bool Within(int64_t ms, F done) {
  int64_t end = NowMs() + ms;
  while (!done()) {
    if (NowMs() > end) return false;
    if (WaitMessageFor(20)) DispatchMessages();
  }
  return true;
}
