// Counted launches: the shared semaphore, the message-aware wait for the child and the quit
// settings applied by the last counted launch to end.
#pragma once

#include "app/launch_settings.h"
#include "display/device_info.h"
#include "launch/child_launch.h"
#include "platform/platform.h"

namespace glowtide {

inline constexpr char16_t kLaunchSemaphoreName[] = u"RS_GLOWTIDE";
inline constexpr std::int32_t kLaunchSemaphoreCount = 10000;

// Returns when the child has ended, serving this thread's messages meanwhile. Any wait result
// other than "messages are waiting" returns, so a failing wait never spins.
void WaitForChild(WindowingPlatform& platform, Handle process, AcceleratorHandle accelerators);

// HDR state, brightness, white level, in that order, each only when its quit option was given.
void ApplyQuitSettings(Platform& platform, const LaunchSettings& settings,
                       const DisplayTarget& target);

// Takes one count of the shared semaphore, waits for the child, gives the count back, and
// applies the quit settings when the count comes back full. A launch that failed counts as one
// that ended at once.
void WaitAndRestore(Platform& platform, const LaunchSettings& settings, const ChildProcess& child,
                    const DisplayTarget& target, InstanceHandle instance);

}  // namespace glowtide
