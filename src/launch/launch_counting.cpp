// The counting model over the named semaphore, the wait loop and the quit settings.
#include "launch/launch_counting.h"

#include "display/hdr_state.h"
#include "display/sdr_white_level.h"
#include "launch/hidden_window.h"
#include "launch/waiting.h"
#include "monitor/brightness.h"

namespace glowtide {
namespace {

constexpr std::uint32_t kSemaphoreAllAccess = 0x1F0003;

}  // namespace

void ApplyQuitSettings(Platform& platform, const LaunchSettings& settings,
                       const DisplayTarget& target, HdrModel hdrModel) {
  if (settings.restoreHdr) SetHdrState(platform, target, settings.quitHdrState, &hdrModel);
  if (settings.restoreBrightness) {
    SetPrimaryMonitorBrightness(platform, static_cast<std::uint32_t>(settings.quitBrightness));
  }
  if (settings.restoreWhiteLevel) {
    SetSdrWhiteLevel(platform, target, static_cast<std::uint32_t>(settings.quitWhiteLevel));
  }
}

void WaitAndRestore(Platform& platform, const LaunchSettings& settings, const ChildProcess& child,
                    const DisplayTarget& target, HdrModel hdrModel, InstanceHandle instance) {
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
  // A launch that failed, or that the shell served without a process, has no process to wait on
  // and counts as one that ended at once.
  if (child.process) WaitForChild(platform, child.process.get(), window->accelerators);
  if (!settings.waitImageName.empty()) {
    WaitForGame(platform, settings.waitImageName, settings.waitSeconds, child.processId,
                window->accelerators);
  }

  std::int32_t previousCount = 0;  // stays 0 when the release fails, so never "last out"
  platform.ReleaseSemaphore(semaphore.get(), 1, &previousCount);
  if (previousCount == kLaunchSemaphoreCount - 1) {
    ApplyQuitSettings(platform, settings, target, hdrModel);
  }
  semaphore.reset();  // before the child's handles, which the run closes next
}

}  // namespace glowtide
