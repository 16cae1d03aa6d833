// Monitor settings by their VCP code over DDC/CI (contrast 12, the colour preset 14, the input
// source 60, a maker's game mode DC, ...), on a display's physical monitor: set and read back,
// and read for the reports.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "common/tries.h"
#include "monitor/brightness.h"
#include "platform/monitor_config.h"

namespace glowtide {

// The input source: many monitors report the input they started on, so it is never read back.
inline constexpr std::uint8_t kInputSource = 0x60;

// A code and its value.
struct VcpValue {
  std::uint8_t code = 0;
  std::uint16_t value = 0;
};

// A code's value as read, and its maximum.
struct VcpReading {
  std::uint32_t current = 0;
  std::uint32_t maximum = 0;
};

// Reads each code on the target's monitor, each read tried as a brightness read is: none for a
// code that cannot be read, and for every code of a display with no monitor to ask (a built-in
// panel has no DDC/CI).
std::vector<std::optional<VcpReading>> ReadVcpCodes(MonitorConfigPlatform& monitors, Pause& pause,
                                                    const BrightnessTarget& target,
                                                    const std::vector<std::uint8_t>& codes);

// Sets the codes in the order given, each set tried as a brightness set is. Each is read back and
// sent again, within the tries, when it reads otherwise; it is in place when it reads back as
// set, or when its read fails after a set that succeeded (some monitors cannot report a code).
// The input source is never read: it is in place once it is sent. The codes in place; none on a
// display with no monitor to ask.
std::vector<VcpValue> SetVcpCodes(MonitorConfigPlatform& monitors, Pause& pause,
                                  const BrightnessTarget& target,
                                  const std::vector<VcpValue>& codes);

}  // namespace glowtide
