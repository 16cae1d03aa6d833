// The pause between tries, and the tries themselves: monitor requests are tried again, since
// DDC/CI is an unreliable link and a monitor just woken may drop a request; so are the display
// configuration's, and the waits for the shared lock pause the same way.
#pragma once

#include <cstdint>

#include "platform/process.h"

namespace glowtide {

inline constexpr int kTries = 3;
inline constexpr std::uint32_t kTryPauseMs = 50;

// What waits between two tries, or for a shared lock: a plain sleep or wait, or inside a launch's
// wait one that goes on serving the thread's messages.
class Pause {
 public:
  virtual void Wait(std::uint32_t milliseconds) = 0;
  // Waits until the handle is signalled or the time has passed; the wait's result (WAIT_OBJECT_0,
  // WAIT_ABANDONED_0, WAIT_TIMEOUT, WAIT_FAILED, or a stopped message wait's own value).
  virtual std::uint32_t WaitOn(Handle handle, std::uint32_t milliseconds) = 0;

 protected:
  ~Pause() = default;
};

class SleepPause final : public Pause {
 public:
  explicit SleepPause(ProcessPlatform& platform) : platform_(platform) {}
  void Wait(std::uint32_t milliseconds) override { platform_.Sleep(milliseconds); }
  std::uint32_t WaitOn(Handle handle, std::uint32_t milliseconds) override {
    return platform_.WaitForSingleObject(handle, milliseconds);
  }

 private:
  ProcessPlatform& platform_;
};

// Makes the call (which returns whether it succeeded) up to kTries times in all, kTryPauseMs
// apart, until it succeeds; whether it did.
template <typename Call>
bool Tried(Pause& pause, Call call) {
  for (int tried = 1;; ++tried) {
    if (call()) return true;
    if (tried == kTries) return false;
    pause.Wait(kTryPauseMs);
  }
}

}  // namespace glowtide
