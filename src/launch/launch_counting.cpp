// The counting model over the named semaphore, the wait loop and the quit settings.
#include "launch/launch_counting.h"

#include "display/hdr_state.h"
#include "display/sdr_white_level.h"
#include "launch/hidden_window.h"
#include "monitor/brightness.h"

namespace glowtide {
namespace {

constexpr std::uint32_t kSemaphoreAllAccess = 0x1F0003;
constexpr std::uint32_t kInfinite = 0xFFFFFFFF;
constexpr std::uint32_t kQsAllInput = 0x1CFF;
constexpr std::uint32_t kWaitObject0 = 0;
constexpr std::uint32_t kPmRemove = 0x1;
constexpr std::uint32_t kWmQuit = 0x0012;

// One pass over the queue: every message, up to and including a quit message.
void PumpMessages(WindowingPlatform& platform, AcceleratorHandle accelerators) {
  Message message;
  while (platform.PeekMessageW(&message, WindowHandle::kNull, 0, 0, kPmRemove)) {
    if (platform.TranslateAcceleratorW(message.window, accelerators, message) == 0) {
      platform.TranslateMessage(message);
      platform.DispatchMessageW(message);
    }
    // A quit message ends only this pass: the wait for the child goes on.
    if (message.message == kWmQuit) return;
  }
}

}  // namespace

void WaitForChild(WindowingPlatform& platform, Handle process, AcceleratorHandle accelerators) {
  for (;;) {
    const std::uint32_t result =
        platform.MsgWaitForMultipleObjectsEx(1, &process, kInfinite, kQsAllInput, 0);
    if (result != kWaitObject0 + 1) return;  // ended, abandoned, or the wait itself failed
    PumpMessages(platform, accelerators);
  }
}

void ApplyQuitSettings(Platform& platform, const LaunchSettings& settings,
                       const DisplayTarget& target) {
  if (settings.restoreHdr) SetHdrState(platform, target, settings.quitHdrState);
  if (settings.restoreBrightness) {
    SetPrimaryMonitorBrightness(platform, static_cast<std::uint32_t>(settings.quitBrightness));
  }
  if (settings.restoreWhiteLevel) {
    SetSdrWhiteLevel(platform, target, static_cast<std::uint32_t>(settings.quitWhiteLevel));
  }
}

void WaitAndRestore(Platform& platform, const LaunchSettings& settings, const ChildProcess& child,
                    const DisplayTarget& target, InstanceHandle instance) {
  UniqueHandle semaphore(platform.OpenSemaphoreW(kSemaphoreAllAccess, false, kLaunchSemaphoreName),
                         CloseKernelHandle{&platform});
  if (!semaphore) {
    semaphore = UniqueHandle(platform.CreateSemaphoreW(kLaunchSemaphoreCount, kLaunchSemaphoreCount,
                                                       kLaunchSemaphoreName),
                             CloseKernelHandle{&platform});
  }
  // Without the semaphore the launch stays uncounted and unwatched.
  if (!semaphore) return;

  const std::optional<HiddenWindow> window = CreateHiddenWindow(platform, instance);
  if (!window) return;

  // Zero timeout: an instance that finds no free count goes on without one.
  platform.WaitForSingleObject(semaphore.get(), 0);
  // A launch that failed has no process to wait on and counts as one that ended at once.
  if (child.process) WaitForChild(platform, child.process.get(), window->accelerators);

  std::int32_t previousCount = 0;  // stays 0 when the release fails, so never "last out"
  platform.ReleaseSemaphore(semaphore.get(), 1, &previousCount);
  if (previousCount == kLaunchSemaphoreCount - 1) ApplyQuitSettings(platform, settings, target);
  semaphore.reset();  // before the child's handles, which the run closes next
}

}  // namespace glowtide
