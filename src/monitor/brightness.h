// A display's brightness, over DDC/CI or a panel's power scheme: its read, its set, the -SB
// switch rule, and which physical monitor is a display's.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/tries.h"
#include "platform/monitor_config.h"
#include "platform/power.h"

namespace glowtide {

// Where a display's brightness is read and set.
struct BrightnessTarget {
  // A built-in panel: its brightness is the power scheme's, and DDC/CI is not asked.
  bool builtIn = false;
  // False: the primary monitor as MonitorFromWindow finds it, and its first physical monitor.
  bool chosen = false;
  // The chosen display's monitor (none when no monitor has its device), and the names of the
  // displays that share that monitor, in path order, with the place of the chosen one among them.
  MonitorHandle monitor = MonitorHandle::kNull;
  std::vector<std::u16string> sharing;
  std::size_t position = 0;
};

// The byte size of count records of recordSize bytes; a product that does not fit becomes the
// largest size, which no allocator grants.
std::size_t GuardedArrayBytes(std::uint64_t count, std::size_t recordSize);

// The physical monitors of the target's display monitor, enumerated once and released once.
class PhysicalMonitors {
 public:
  PhysicalMonitors(MonitorConfigPlatform& platform, const BrightnessTarget& target);
  PhysicalMonitors(const PhysicalMonitors&) = delete;
  PhysicalMonitors& operator=(const PhysicalMonitors&) = delete;
  ~PhysicalMonitors();

  // The display's physical monitor, when there is one.
  bool found() const { return enumerated_ && chosen_.has_value(); }
  Handle handle() const { return records_[*chosen_].handle; }

 private:
  void Free();

  MonitorConfigPlatform& platform_;
  std::uint32_t count_ = 0;
  PhysicalMonitor* records_ = nullptr;
  bool enumerated_ = false;
  std::optional<std::size_t> chosen_;
};

// The -SB rule over unsigned 32-bit differences, which wrap on purpose: a current value at either
// end selects the other end, one strictly between selects the smaller, one outside both the
// greater.
std::uint32_t ChooseSwitchBrightness(std::uint32_t high, std::uint32_t low, std::uint32_t current);

// Which of a monitor's physical monitors (by their descriptions) belongs to the display at
// position among the displays sharing the monitor (by their names). A display whose name is the
// description of exactly one physical monitor takes it; the others take, in order, those that no
// name took, so that with no names to go by the k-th display has the k-th physical monitor. No
// physical monitor goes to two displays; none when there are not enough.
std::optional<std::size_t> ChoosePhysicalMonitor(const std::vector<std::u16string>& descriptions,
                                                 const std::vector<std::u16string>& sharing,
                                                 std::size_t position);

// Sets the target's brightness and reads it back, sending it once more when it did not take:
// through its physical monitor (enumerated afresh, and released) or a built-in panel's power
// scheme. Every read and set is tried up to kTries times. The brightness as the monitor took it
// (a value past its range is its maximum or minimum) when it is in place, and none when not.
std::optional<std::uint32_t> SetDisplayBrightness(MonitorConfigPlatform& monitors,
                                                  PowerPlatform& power, Pause& pause,
                                                  const BrightnessTarget& target,
                                                  std::uint32_t value);

// A brightness and the range the monitor (or the panel, 0 to 100) takes.
struct BrightnessValue {
  std::uint32_t minimum = 0, current = 0, maximum = 0;
};

// What a display's brightness reads as: whether there is a monitor (or panel) to ask, the value,
// and whether it can be set (for a panel: whether its scheme can be read); none where a read
// failed.
struct BrightnessReading {
  bool found = false;
  std::optional<BrightnessValue> value;
  std::optional<bool> settable;
};

// Reads the capabilities when asked, then the brightness, and releases the monitors.
BrightnessReading ReadDisplayBrightness(MonitorConfigPlatform& monitors, PowerPlatform& power,
                                        Pause& pause, const BrightnessTarget& target,
                                        bool capabilities);

}  // namespace glowtide
