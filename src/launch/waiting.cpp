// The message-aware wait, and the look-up of a game by its image name.
#include "launch/waiting.h"

#include <algorithm>
#include <vector>

#include "launch/child_launch.h"

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
  std::uint32_t ownSession = 0;
  if (!platform.ProcessIdToSessionId(platform.GetCurrentProcessId(), &ownSession)) return found;
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
    if (!platform.ProcessIdToSessionId(entry.processId, &session) || session != ownSession) {
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

}  // namespace glowtide
