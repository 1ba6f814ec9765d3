#pragma once
// Waiting on conditions in another process: poll until the condition holds or a deadline
// passes. Never a fixed sleep: the poll interval only spaces out the checks.

#include <windows.h>

#include <chrono>

namespace gridmoor::e2e {

using Millis = std::chrono::milliseconds;

// Long enough for a cold Wine start; a healthy run meets every condition far sooner.
constexpr Millis kDefaultTimeout{30000};
constexpr Millis kPollInterval{15};

// Calls `condition` until it answers true or `timeout` has passed; answers its last answer.
template <class Condition>
bool WaitUntil(Condition condition, Millis timeout = kDefaultTimeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    Sleep(static_cast<DWORD>(kPollInterval.count()));
  }
}

}  // namespace gridmoor::e2e
