// Counted launches: the shared semaphore, the message-aware wait for the child and the quit
// settings applied by the last counted launch to end.
#pragma once

#include "settings/launch_settings.h"
#include "display/device_info.h"
#include "display/hdr_state.h"
#include "launch/child_launch.h"
#include "platform/platform.h"

namespace glowtide {

inline constexpr char16_t kLaunchSemaphoreName[] = u"RS_GLOWTIDE";
inline constexpr std::int32_t kLaunchSemaphoreCount = 10000;

// HDR state, brightness, white level, in that order, each only when its quit option was given.
// The HDR state goes out in the model the HDR phase found, if it found one.
void ApplyQuitSettings(Platform& platform, const LaunchSettings& settings,
                       const DisplayTarget& target, HdrModel hdrModel);

// Takes one count of the shared semaphore, waits for the child and then, with -PW:, for the game,
// gives the count back, and applies the quit settings when the count comes back full. A launch
// with no process to wait on counts as one that ended at once.
void WaitAndRestore(Platform& platform, const LaunchSettings& settings, const ChildProcess& child,
                    const DisplayTarget& target, HdrModel hdrModel, InstanceHandle instance);

}  // namespace glowtide
