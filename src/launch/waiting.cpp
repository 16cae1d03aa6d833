// The message-aware wait, and the look-up of a game by its image name.
#include "launch/waiting.h"

#include <algorithm>
#include <vector>

#include "launch/child_launch.h"
#include "launch/hidden_window.h"

namespace glowtide {
namespace {

constexpr std::uint32_t kQsAllInput = 0x1CFF;
constexpr std::uint32_t kPmRemove = 0x1;
constexpr std::uint32_t kWmQuit = 0x0012;
constexpr std::uint32_t kCstrEqual = 2;
// MsgWaitForMultipleObjectsEx takes one handle fewer than MAXIMUM_WAIT_OBJECTS, and one of them
// may be the launched program's.
constexpr std::size_t kMostGames = 62;

std::u16string_view FileName(std::u16string_view path) {
  const std::size_t slash = path.find_last_of(u"\\/");
  return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

// The running processes of this session with the image name: those opened for waiting, and
// whether any could not be opened (an elevated game, say) or did not fit one wait.
struct FoundProcesses {
  std::vector<UniqueHandle> opened;
  bool unopened = false;
  bool any() const { return unopened || !opened.empty(); }
};

FoundProcesses FindProcesses(ProcessPlatform& platform, std::u16string_view imageName,
                             std::uint32_t childProcessId) {
  FoundProcesses found;
  const std::optional<std::uint32_t> ownSession = OwnSession(platform);
  if (!ownSession) return found;
  const UniqueHandle snapshot(platform.CreateToolhelp32Snapshot(kTh32csSnapProcess, 0),
                              CloseKernelHandle{&platform});
  if (!snapshot) return found;
  const std::u16string_view wanted = FileName(imageName);
  ProcessEntry entry;
  for (bool more = platform.Process32FirstW(snapshot.get(), &entry); more;
       more = platform.Process32NextW(snapshot.get(), &entry)) {
    if (entry.processId == childProcessId && childProcessId != 0) continue;
    // A process with no thread left has ended; it is listed while a handle still holds it.
    if (entry.threads == 0) continue;
    // File names are compared as Windows compares them: every letter without regard to case.
    const std::u16string_view name = FileName(entry.exeFile);
    if (platform.CompareStringOrdinal(name.data(), static_cast<std::int32_t>(name.size()),
                                      wanted.data(), static_cast<std::int32_t>(wanted.size()),
                                      true) != kCstrEqual) {
      continue;
    }
    std::uint32_t session = 0;
    if (!platform.ProcessIdToSessionId(entry.processId, &session) || session != *ownSession) {
      continue;
    }
    UniqueHandle process(platform.OpenProcess(kSynchronize, false, entry.processId),
                         CloseKernelHandle{&platform});
    // A process that has ended may still be listed while someone (this run, for its child) holds
    // a handle to it.
    if (process && platform.WaitForSingleObject(process.get(), 0) == kWaitObject0) continue;
    if (process && found.opened.size() < kMostGames) {
      found.opened.push_back(std::move(process));
    } else {
      found.unopened = true;
    }
  }
  return found;
}

// Gives the place back when the session ends or the window is asked to close, from within the
// window procedure, and stops the wait. At a session end the lock is waited for briefly: Windows
// ends a process that does not answer in time. Passes the power and display changes to the
// watch, until the wait has ended.
class SessionEndLeave final : public WindowListener {
 public:
  SessionEndLeave(LaunchTable& table, QuitSettings& quit, MessageWait& wait, Watch* watch)
      : table_(table), quit_(quit), wait_(wait), watch_(watch) {}
  void EndSession() override { Leave(kSessionEndWaitMs); }
  void Close() override { Leave(kLeaveWaitMs); }
  void Notice(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override {
    if (watch_) watch_->Notice(message, wParam, lParam);
  }
  void Forget() { watch_ = nullptr; }
  bool inPlace() const { return inPlace_; }

 private:
  void Leave(std::uint32_t milliseconds) {
    watch_ = nullptr;
    wait_.Keep(nullptr);
    inPlace_ = table_.Leave(quit_, wait_, milliseconds);
    wait_.Stop();
  }

  LaunchTable& table_;
  QuitSettings& quit_;
  MessageWait& wait_;
  Watch* watch_;
  bool inPlace_ = true;
};

struct UnregisterPower {
  WindowingPlatform* platform = nullptr;
  void operator()(Handle registration) const {
    platform->UnregisterPowerSettingNotification(registration);
  }
};
}  // namespace

void MessageWait::PumpMessages() {
  Message message;
  while (platform_.PeekMessageW(&message, WindowHandle::kNull, 0, 0, kPmRemove)) {
    if (platform_.TranslateAcceleratorW(message.window, accelerators_, message) == 0) {
      platform_.TranslateMessage(message);
      platform_.DispatchMessageW(message);
    }
    // A quit message ends only this pass: the wait goes on.
    if (message.message == kWmQuit) return;
  }
}

std::uint32_t MessageWait::For(const Handle* handles, std::uint32_t count,
                               std::uint32_t milliseconds) {
  const std::uint64_t deadline = platform_.GetTickCount64() + milliseconds;
  std::uint32_t left = milliseconds;
  while (!stopped_) {
    // The watch's time shortens the wait; its work is done between two waits.
    std::uint32_t wait = left;
    if (watch_ && watching_ && watch_->Due() != kNever) {
      const std::uint64_t now = platform_.GetTickCount64();
      if (watch_->Due() <= now) {
        watch_->Run();
        continue;
      }
      wait = static_cast<std::uint32_t>(std::min<std::uint64_t>(left, watch_->Due() - now));
    }
    const std::uint32_t result =
        platform_.MsgWaitForMultipleObjectsEx(count, handles, wait, kQsAllInput, 0);
    // The watch's time has come, and the wait's own has not.
    if (result == kWaitTimeout && wait != left) {
      if (milliseconds != kInfinite) left = static_cast<std::uint32_t>(left - wait);
      continue;
    }
    // Ended, abandoned, timed out, or the wait itself failed: never spin on a failing wait.
    if (result != kWaitObject0 + count) return result;
    PumpMessages();
    if (milliseconds == kInfinite) continue;
    const std::uint64_t now = platform_.GetTickCount64();
    if (now >= deadline) return kWaitTimeout;
    left = static_cast<std::uint32_t>(deadline - now);
  }
  return kWaitStopped;
}

void WaitForLaunch(MessageWait& wait, ProcessPlatform& platform, Handle child,
                   std::uint32_t childProcessId, std::u16string_view imageName,
                   std::int32_t seconds) {
  bool childRunning = child != Handle::kNull;
  if (imageName.empty()) {
    if (childRunning) wait.For(&child, 1, kInfinite);
    return;
  }
  const std::uint64_t grace = static_cast<std::uint64_t>(seconds) * 1000;
  // The grace period runs from the launched program's end: the game may take a while to appear.
  std::uint64_t deadline = platform.GetTickCount64() + grace;
  bool seen = false;
  // Since when no game has been seen, once one was: a game that restarts itself (an update, an
  // anti-cheat hand-off) is gone for a moment.
  std::uint64_t goneSince = 0;
  while (!wait.stopped()) {
    const FoundProcesses found = FindProcesses(platform, imageName, childProcessId);
    const std::uint64_t now = platform.GetTickCount64();
    // What the game's settings hold for stops the moment it is gone, and goes on if it is back.
    wait.Watching(found.any() || !seen);
    if (found.any()) {
      seen = true;
      goneSince = 0;
    } else if (seen) {
      if (goneSince == 0) goneSince = now;
      if (now - goneSince >= kSettleMs) return;  // gone, and not back within the settle time
    } else if (!childRunning && now >= deadline) {
      return;  // never came in time
    }
    std::vector<Handle> handles;
    if (childRunning) handles.push_back(child);
    for (const UniqueHandle& process : found.opened) handles.push_back(process.get());
    // Sleeps until one of them ends; a game not there yet, or one that cannot be waited on, is
    // looked for again twice a second.
    const std::uint32_t timeout = found.opened.empty() || found.unopened ? kLookAgainMs : kInfinite;
    const std::uint32_t result =
        wait.For(handles.data(), static_cast<std::uint32_t>(handles.size()), timeout);
    // A failing wait returns at once: sleeping instead keeps it from spinning, and a launched
    // program that cannot be waited on counts as ended.
    if (result == kWaitFailed) platform.Sleep(kLookAgainMs);
    if (childRunning && (result == kWaitObject0 || result == kWaitFailed)) {
      childRunning = false;
      deadline = platform.GetTickCount64() + grace;
    }
  }
}

bool WaitAndRestore(Platform& platform, std::u16string_view imageName, std::int32_t seconds,
                    const ChildProcess& child, LaunchTable& table, QuitSettings& quit,
                    InstanceHandle instance, Watch* watch) {
  const std::optional<HiddenWindow> window = CreateHiddenWindow(platform, instance);
  if (!window) return false;
  MessageWait wait(platform, window->accelerators);
  SessionEndLeave sessionEnd(table, quit, wait, watch);
  platform.SetWindowLongPtrW(window->window, kGwlpUserData,
                             reinterpret_cast<std::intptr_t>(&sessionEnd));
  // The displays coming back on; a system without the notification loses only that event.
  UniqueValue<Handle, UnregisterPower, Handle::kNull> displayState(
      watch ? platform.RegisterPowerSettingNotification(window->window, &kConsoleDisplayState)
            : Handle::kNull,
      UnregisterPower{&platform});
  wait.Keep(watch);
  WaitForLaunch(wait, platform, child.process.get(), child.processId, imageName, seconds);
  // Nothing is kept once the quit settings begin.
  wait.Keep(nullptr);
  sessionEnd.Forget();
  const bool inPlace =
      wait.stopped() ? sessionEnd.inPlace() : table.Leave(quit, wait, kLeaveWaitMs);
  // The window outlives the wait, but nothing dispatches to it any more.
  platform.SetWindowLongPtrW(window->window, kGwlpUserData, 0);
  return inPlace;
}

}  // namespace glowtide
