// The primary monitor's DDC/CI brightness: the brightness phase with its report sections and box,
// the plain set used after a launch, and the -SB switch rule.
#pragma once

#include <cstdint>

#include "settings/launch_settings.h"
#include "platform/monitor_config.h"
#include "platform/windowing.h"
#include "report/report.h"

namespace glowtide {

// The byte size of count records of recordSize bytes; a product that does not fit becomes the
// largest size, which no allocator grants.
std::size_t GuardedArrayBytes(std::uint64_t count, std::size_t recordSize);

// The -SB rule over unsigned 32-bit differences, which wrap on purpose: a current value at either
// end selects the other end, one strictly between selects the smaller, one outside both the
// greater.
std::uint32_t ChooseSwitchBrightness(std::uint32_t high, std::uint32_t low, std::uint32_t current);

// Enumerates the primary monitor's physical monitors afresh, sets the first one's brightness and
// releases them all. Failures are silent.
void SetPrimaryMonitorBrightness(MonitorConfigPlatform& platform, std::uint32_t value);

// Reads for the report and -SB, appends the brightness and capabilities sections, makes at most
// one set, releases the monitors and, with the report on, shows the report.
void RunBrightnessPhase(MonitorConfigPlatform& monitors, WindowingPlatform& windowing,
                        const LaunchSettings& settings, ReportText& report);

}  // namespace glowtide
