// The brightness phase over the physical-monitor calls.
#include "monitor/brightness.h"

#include <limits>
#include <new>

#include "common/field_text.h"
#include "monitor/panel_brightness.h"

namespace glowtide {

PhysicalMonitors::PhysicalMonitors(MonitorConfigPlatform& platform, const BrightnessTarget& target)
    : platform_(platform) {
  const MonitorHandle monitor =
      target.chosen ? target.monitor
                    : platform.MonitorFromWindow(WindowHandle::kNull, kMonitorDefaultToPrimary);
  if (target.chosen && monitor == MonitorHandle::kNull) return;
  if (!platform.GetNumberOfPhysicalMonitorsFromHMONITOR(monitor, &count_)) return;
  // A count of 0 leaves no record to use: treated like a failed enumeration.
  if (count_ == 0) return;
  records_ = static_cast<PhysicalMonitor*>(
      ::operator new(GuardedArrayBytes(count_, sizeof(PhysicalMonitor)), std::nothrow));
  if (records_ == nullptr) return;
  if (!platform.GetPhysicalMonitorsFromHMONITOR(monitor, count_, records_)) {
    Free();  // nothing was handed out, so there is nothing to destroy
    return;
  }
  enumerated_ = true;
  if (!target.chosen) {
    chosen_ = 0;
    return;
  }
  std::vector<std::u16string> descriptions;
  for (std::uint32_t i = 0; i < count_; ++i) {
    descriptions.emplace_back(FieldText(records_[i].description, 128));
  }
  chosen_ = ChoosePhysicalMonitor(descriptions, target.sharing, target.position);
}

PhysicalMonitors::~PhysicalMonitors() {
  if (enumerated_) platform_.DestroyPhysicalMonitors(count_, records_);
  Free();
}

void PhysicalMonitors::Free() {
  ::operator delete(records_);
  records_ = nullptr;
}

std::size_t GuardedArrayBytes(std::uint64_t count, std::size_t recordSize) {
  constexpr std::size_t kLargest = std::numeric_limits<std::size_t>::max();
  if (recordSize != 0 && count > kLargest / recordSize) return kLargest;
  return static_cast<std::size_t>(count) * recordSize;
}

std::uint32_t ChooseSwitchBrightness(std::uint32_t high, std::uint32_t low, std::uint32_t current) {
  return static_cast<std::uint32_t>(high - current) > static_cast<std::uint32_t>(low - current)
             ? high
             : low;
}

std::optional<std::size_t> ChoosePhysicalMonitor(const std::vector<std::u16string>& descriptions,
                                                 const std::vector<std::u16string>& sharing,
                                                 std::size_t position) {
  std::vector<bool> taken(descriptions.size());
  std::vector<std::optional<std::size_t>> byName(sharing.size());
  for (std::size_t d = 0; d < sharing.size(); ++d) {
    std::optional<std::size_t> match;
    std::size_t matches = 0;
    for (std::size_t i = 0; i < descriptions.size(); ++i) {
      if (descriptions[i] == sharing[d] && ++matches == 1) match = i;
    }
    if (matches == 1 && !taken[*match]) {
      byName[d] = match;
      taken[*match] = true;
    }
  }
  std::size_t next = 0;
  for (std::size_t d = 0; d < sharing.size(); ++d) {
    if (byName[d]) {
      if (d == position) return byName[d];
      continue;
    }
    while (next < taken.size() && taken[next]) ++next;
    if (next == taken.size()) return std::nullopt;
    if (d == position) return next;
    ++next;
  }
  return std::nullopt;
}

namespace {

// A display's brightness: its physical monitor's over DDC/CI, or a built-in panel's power scheme.
class Screen {
 public:
  Screen(MonitorConfigPlatform& monitors, PowerPlatform& power, Pause& pause,
         const BrightnessTarget& target)
      : monitors_(monitors), pause_(pause) {
    if (target.builtIn) {
      panel_.emplace(power, pause);
    } else {
      physical_.emplace(monitors, target);
    }
  }

  bool found() const { return panel_ || physical_->found(); }

  // Whether the brightness can be set; none when that could not be read. A panel can be set when
  // its scheme can be read.
  std::optional<bool> Capabilities() {
    if (panel_) return Brightness() ? std::optional<bool>(true) : std::nullopt;
    std::uint32_t capabilities = 0;
    std::uint32_t colorTemperatures = 0;
    if (!Tried(pause_, [&] {
          return monitors_.GetMonitorCapabilities(physical_->handle(), &capabilities,
                                                  &colorTemperatures);
        })) {
      return std::nullopt;
    }
    return (capabilities & kMcCapsBrightness) != 0;
  }

  // The brightness as it is now.
  std::optional<BrightnessValue> Read() {
    if (panel_) {
      const std::optional<std::uint32_t> value = panel_->Read();
      if (!value) return std::nullopt;
      return BrightnessValue{0, *value, kPanelMaximum};
    }
    BrightnessValue r;
    if (!Tried(pause_, [&] {
          return monitors_.GetMonitorBrightness(physical_->handle(), &r.minimum, &r.current,
                                                &r.maximum);
        })) {
      return std::nullopt;
    }
    return r;
  }

  // The brightness before any change, read once.
  std::optional<BrightnessValue> Brightness() {
    if (!read_) reading_ = Read();
    read_ = true;
    return reading_;
  }

  // Sets the value and reads it back; a value that did not take (within the brightness's own
  // limits) is sent once more. The brightness as it reads back when it is the value after that.
  std::optional<std::uint32_t> Write(std::uint32_t value) {
    for (int sent = 0; sent < 2; ++sent) {
      const bool set = panel_ ? panel_->Write(value) : Tried(pause_, [&] {
        return monitors_.SetMonitorBrightness(physical_->handle(), value);
      });
      if (!set) return std::nullopt;
      const std::optional<BrightnessValue> now = Read();
      if (!now) return std::nullopt;
      const std::uint32_t kept = value < now->minimum   ? now->minimum
                                 : value > now->maximum ? now->maximum
                                                        : value;
      if (now->current == kept) return kept;
    }
    return std::nullopt;
  }

 private:
  MonitorConfigPlatform& monitors_;
  Pause& pause_;
  std::optional<PanelBrightness> panel_;
  std::optional<PhysicalMonitors> physical_;
  bool read_ = false;
  std::optional<BrightnessValue> reading_;
};

}  // namespace

std::optional<std::uint32_t> SetDisplayBrightness(MonitorConfigPlatform& monitors,
                                                  PowerPlatform& power, Pause& pause,
                                                  const BrightnessTarget& target,
                                                  std::uint32_t value) {
  Screen screen(monitors, power, pause, target);
  if (!screen.found()) return std::nullopt;
  return screen.Write(value);
}

BrightnessReading ReadDisplayBrightness(MonitorConfigPlatform& monitors, PowerPlatform& power,
                                        Pause& pause, const BrightnessTarget& target,
                                        bool capabilities) {
  BrightnessReading reading;
  Screen screen(monitors, power, pause, target);
  reading.found = screen.found();
  if (!reading.found) return reading;
  if (capabilities) reading.settable = screen.Capabilities();
  reading.value = screen.Brightness();
  return reading;
}

}  // namespace glowtide
