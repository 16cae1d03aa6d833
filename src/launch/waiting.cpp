// The message-aware wait, and the look-up of a game by its image name.
#include "launch/waiting.h"

#include <vector>

#include "common/ascii_case.h"
#include "launch/child_launch.h"

namespace glowtide {
namespace {

constexpr std::uint32_t kQsAllInput = 0x1CFF;
constexpr std::uint32_t kWaitObject0 = 0;
constexpr std::uint32_t kWaitFailed = 0xFFFFFFFF;
constexpr std::uint32_t kPmRemove = 0x1;
constexpr std::uint32_t kWmQuit = 0x0012;
// MsgWaitForMultipleObjectsEx takes one handle fewer than MAXIMUM_WAIT_OBJECTS.
constexpr std::size_t kMostHandles = 63;

// One pass over the queue: every message, up to and including a quit message.
void PumpMessages(WindowingPlatform& platform, AcceleratorHandle accelerators) {
  Message message;
  while (platform.PeekMessageW(&message, WindowHandle::kNull, 0, 0, kPmRemove)) {
    if (platform.TranslateAcceleratorW(message.window, accelerators, message) == 0) {
      platform.TranslateMessage(message);
      platform.DispatchMessageW(message);
    }
    // A quit message ends only this pass: the wait goes on.
    if (message.message == kWmQuit) return;
  }
}

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
  ProcessEntry entry;
  for (bool more = platform.Process32FirstW(snapshot.get(), &entry); more;
       more = platform.Process32NextW(snapshot.get(), &entry)) {
    if (entry.processId == childProcessId && childProcessId != 0) continue;
    if (!EqualIgnoringAsciiCase(FileName(entry.exeFile), FileName(imageName))) continue;
    std::uint32_t session = 0;
    if (!platform.ProcessIdToSessionId(entry.processId, &session) || session != ownSession) {
      continue;
    }
    UniqueHandle process(platform.OpenProcess(kSynchronize, false, entry.processId),
                         CloseKernelHandle{&platform});
    // A process that has ended may still be listed while someone (this run, for its child) holds
    // a handle to it.
    if (process && platform.WaitForSingleObject(process.get(), 0) == kWaitObject0) continue;
    if (process && found.opened.size() < kMostHandles) {
      found.opened.push_back(std::move(process));
    } else {
      found.unopened = true;
    }
  }
  return found;
}

// A wait that fails returns at once; sleeping instead keeps a failing wait from spinning.
void Pause(Platform& platform, const Handle* handles, std::uint32_t count,
           std::uint32_t milliseconds, AcceleratorHandle accelerators) {
  if (WaitPumping(platform, handles, count, milliseconds, accelerators) == kWaitFailed) {
    platform.Sleep(kLookAgainMs);
  }
}

}  // namespace

std::uint32_t WaitPumping(Platform& platform, const Handle* handles, std::uint32_t count,
                          std::uint32_t milliseconds, AcceleratorHandle accelerators) {
  const std::uint64_t deadline = platform.GetTickCount64() + milliseconds;
  std::uint32_t left = milliseconds;
  for (;;) {
    const std::uint32_t result =
        platform.MsgWaitForMultipleObjectsEx(count, handles, left, kQsAllInput, 0);
    // Ended, abandoned, timed out, or the wait itself failed: never spin on a failing wait.
    if (result != kWaitObject0 + count) return result;
    PumpMessages(platform, accelerators);
    if (milliseconds == kInfinite) continue;
    const std::uint64_t now = platform.GetTickCount64();
    if (now >= deadline) return result;
    left = static_cast<std::uint32_t>(deadline - now);
  }
}

void WaitForChild(Platform& platform, Handle process, AcceleratorHandle accelerators) {
  WaitPumping(platform, &process, 1, kInfinite, accelerators);
}

void WaitForGame(Platform& platform, std::u16string_view imageName, std::int32_t seconds,
                 std::uint32_t childProcessId, AcceleratorHandle accelerators) {
  // The grace period runs from the child's end: the game may take a while to appear.
  const std::uint64_t deadline =
      platform.GetTickCount64() + static_cast<std::uint64_t>(seconds) * 1000;
  bool seen = false;
  for (;;) {
    const FoundProcesses found = FindProcesses(platform, imageName, childProcessId);
    if (!found.any()) {
      // Gone after it was seen (and no new one there), or never came in time.
      if (seen || platform.GetTickCount64() >= deadline) return;
      Pause(platform, nullptr, 0, kLookAgainMs, accelerators);
      continue;
    }
    seen = true;
    std::vector<Handle> handles;
    for (const UniqueHandle& process : found.opened) handles.push_back(process.get());
    // Sleeps until one of them ends; one that cannot be waited on is looked for again.
    const std::uint32_t timeout = found.unopened ? kLookAgainMs : kInfinite;
    Pause(platform, handles.data(), static_cast<std::uint32_t>(handles.size()), timeout,
          accelerators);
  }
}

}  // namespace glowtide
