// Waiting behind the hidden window: for the launched program and the game, while the thread's
// messages are served.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/tries.h"
#include "launch/child_launch.h"
#include "launch/launch_counting.h"
#include "platform/platform.h"

namespace glowtide {

// How often a game that has not appeared, or cannot be opened for waiting, is looked for.
inline constexpr std::uint32_t kLookAgainMs = 500;
// How long no game must have been seen, once one was, before the game counts as ended.
inline constexpr std::uint64_t kSettleMs = 3000;
// What a wait returns once a message it served has stopped it.
inline constexpr std::uint32_t kWaitStopped = 0xFFFFFFFE;

// What a launch's wait keeps an eye on beside the game: told of the changes that reset displays,
// and given the thread at the time it asks for, between the waits' own wakes.
class Watch {
 public:
  // WM_POWERBROADCAST or WM_DISPLAYCHANGE, as the hidden window received it.
  virtual void Notice(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
  // When it next wants the thread, on GetTickCount64's clock; kNever for no time.
  virtual std::uint64_t Due() const = 0;
  // Does what is due.
  virtual void Run() = 0;

 protected:
  ~Watch() = default;
};
inline constexpr std::uint64_t kNever = ~std::uint64_t{0};

// A wait that serves this thread's messages whenever they arrive and uses no processor time in
// between. A message it serves may stop it (the session ends), and then every later wait returns
// at once.
class MessageWait final : public Pause {
 public:
  MessageWait(Platform& platform, AcceleratorHandle accelerators)
      : platform_(platform), accelerators_(accelerators) {}
  MessageWait(const MessageWait&) = delete;
  MessageWait& operator=(const MessageWait&) = delete;

  // Sleeps until one of the handles is signalled, the wait fails, it is stopped, or (unless
  // milliseconds is kInfinite) the time has passed. A quit message ends only one pass over the
  // queue. Returns the wait's result: kWaitObject0 + i, kWaitTimeout, kWaitFailed or kWaitStopped.
  std::uint32_t For(const Handle* handles, std::uint32_t count, std::uint32_t milliseconds);

  // A pause between two tries of a monitor request.
  void Wait(std::uint32_t milliseconds) override { For(nullptr, 0, milliseconds); }
  std::uint32_t WaitOn(Handle handle, std::uint32_t milliseconds) override {
    return For(&handle, 1, milliseconds);
  }

  void Stop() { stopped_ = true; }
  bool stopped() const { return stopped_; }
  // Gives the watch the thread whenever it is due, while a wait lasts; null for none.
  void Keep(Watch* watch) { watch_ = watch; }
  // Pauses the watch (the game is gone for now) or lets it go on.
  void Watching(bool on) { watching_ = on; }

 private:
  void PumpMessages();

  Platform& platform_;
  AcceleratorHandle accelerators_;
  bool stopped_ = false;
  Watch* watch_ = nullptr;
  bool watching_ = true;
};

// Returns when the launch is over. Without a game name that is when the launched program has
// ended. With one, it is when a process of the user's session with that image file name has
// appeared and none has run for kSettleMs, whether or not the launched program still runs; games
// are looked for while the launched program runs, and for the given seconds after it ended when
// none has appeared by then. The launched program itself is never taken for the game: a store
// client may start it anew under the same name. While a game that was seen is gone, the wait's
// watch is paused; it goes on if the game comes back.
void WaitForLaunch(MessageWait& wait, ProcessPlatform& platform, Handle child,
                   std::uint32_t childProcessId, std::u16string_view imageName,
                   std::int32_t seconds);

// The wait of a joined launch: creates the hidden window, waits for the launch (the child, and
// the game of that image name for the grace seconds, as WaitForLaunch does), then gives the place
// back, applying the quit settings when last out. A session that ends meanwhile does the same from
// the window procedure and ends the wait. While it waits, the watch (if any) is told of the power
// and display changes (the window is registered for the displays' power state) and given the thread
// when it asks; nothing after. A window that cannot be created ends the run at once, with no quit
// settings in place: its place goes with its process. True when the quit settings were not this
// instance's to apply, or are all in place.
bool WaitAndRestore(Platform& platform, std::u16string_view imageName, std::int32_t seconds,
                    const ChildProcess& child, LaunchTable& table, QuitSettings& quit,
                    InstanceHandle instance, Watch* watch);

}  // namespace glowtide
