// A built-in panel's brightness: it has no DDC/CI, and its brightness is the active power
// scheme's display brightness, which Windows' brightness slider shows.
#pragma once

#include <cstdint>
#include <optional>

#include "common/tries.h"
#include "platform/power.h"

namespace glowtide {

inline constexpr std::uint32_t kPanelMaximum = 100;

// The active scheme's display brightness for the power source the system runs on now: the mains
// value when it is on mains, the battery value otherwise; both are written when the system does not
// know its power source. Every call is tried up to kTries times.
class PanelBrightness {
 public:
  PanelBrightness(PowerPlatform& platform, Pause& pause);
  PanelBrightness(const PanelBrightness&) = delete;
  PanelBrightness& operator=(const PanelBrightness&) = delete;
  ~PanelBrightness();

  // The value, 0 to 100; none when the scheme cannot be read.
  std::optional<std::uint32_t> Read();
  // Writes the value (above 100 as 100) and applies the scheme. Whether both were done.
  bool Write(std::uint32_t value);

 private:
  PowerPlatform& platform_;
  Pause& pause_;
  Guid* scheme_ = nullptr;
  bool mains_ = false;    // read the mains value, and write it
  bool battery_ = false;  // write the battery value (both, when the power source is unknown)
};

}  // namespace glowtide
