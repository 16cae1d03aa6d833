// The SDR white level of the display target: read, set, the switch rule and the phase.
#pragma once

#include <cstdint>

#include "common/tries.h"
#include "display/device_info.h"
#include "platform/display_config.h"

namespace glowtide {

struct SdrWhiteLevel {
  bool ok = false;
  std::uint32_t level = 0;  // 1000 stands for 80 nits
};

// Each read and set is tried like a monitor request.
SdrWhiteLevel ReadSdrWhiteLevel(DisplayConfigPlatform& platform, Pause& pause,
                                const DisplayTarget& target);

// Sends the 28-byte set request with no read before it, then reads the level back. Whether the
// level is in place.
bool SetSdrWhiteLevel(DisplayConfigPlatform& platform, Pause& pause, const DisplayTarget& target,
                      std::uint32_t level);

// The level -SBB sets: whichever of high and low lies farther from the current level, by exact
// distances; at equal distances the low value.
std::int32_t ChooseSwitchWhiteLevel(std::uint32_t current, std::int32_t high, std::int32_t low);

// The level in nits, exactly: level x 80 / 1000.
std::uint32_t WhiteLevelNits(std::uint32_t level);

}  // namespace glowtide
