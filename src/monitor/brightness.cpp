// The brightness phase over the physical-monitor calls.
#include "monitor/brightness.h"

#include <limits>
#include <new>

namespace glowtide {
namespace {

// The physical monitors of the primary display monitor, enumerated once and released once.
class PhysicalMonitors {
 public:
  explicit PhysicalMonitors(MonitorConfigPlatform& platform) : platform_(platform) {
    const MonitorHandle primary =
        platform.MonitorFromWindow(WindowHandle::kNull, kMonitorDefaultToPrimary);
    if (!platform.GetNumberOfPhysicalMonitorsFromHMONITOR(primary, &count_)) return;
    // A count of 0 leaves no record 0 to use: treated like a failed enumeration.
    if (count_ == 0) return;
    records_ = static_cast<PhysicalMonitor*>(
        ::operator new(GuardedArrayBytes(count_, sizeof(PhysicalMonitor)), std::nothrow));
    if (records_ == nullptr) return;
    if (!platform.GetPhysicalMonitorsFromHMONITOR(primary, count_, records_)) {
      Free();  // nothing was handed out, so there is nothing to destroy
      return;
    }
    enumerated_ = true;
  }
  PhysicalMonitors(const PhysicalMonitors&) = delete;
  PhysicalMonitors& operator=(const PhysicalMonitors&) = delete;
  ~PhysicalMonitors() { Release(); }

  bool enumerated() const { return enumerated_; }
  Handle first() const { return records_[0].handle; }

  void Release() {
    if (enumerated_) platform_.DestroyPhysicalMonitors(count_, records_);
    enumerated_ = false;
    Free();
  }

 private:
  void Free() {
    ::operator delete(records_);
    records_ = nullptr;
  }

  MonitorConfigPlatform& platform_;
  std::uint32_t count_ = 0;
  PhysicalMonitor* records_ = nullptr;
  bool enumerated_ = false;
};

}  // namespace

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

void SetPrimaryMonitorBrightness(MonitorConfigPlatform& platform, std::uint32_t value) {
  PhysicalMonitors monitors(platform);
  if (monitors.enumerated()) platform.SetMonitorBrightness(monitors.first(), value);
}

void RunBrightnessPhase(MonitorConfigPlatform& platform, WindowingPlatform& windowing,
                        const LaunchSettings& settings, ReportText& report) {
  bool capabilitiesObtained = false;
  bool brightnessSettable = false;
  {
    PhysicalMonitors monitors(platform);
    if (monitors.enumerated()) {
      const Handle monitor = monitors.first();
      if (settings.showReport) {
        std::uint32_t capabilities = 0;
        std::uint32_t colorTemperatures = 0;
        if (platform.GetMonitorCapabilities(monitor, &capabilities, &colorTemperatures)) {
          capabilitiesObtained = true;
          brightnessSettable = (capabilities & kMcCapsBrightness) != 0;
        }
      }
      bool switched = false;
      if (settings.showReport || settings.switchBrightness) {
        std::uint32_t minimum = 0, current = 0, maximum = 0;
        if (platform.GetMonitorBrightness(monitor, &minimum, &current, &maximum)) {
          if (settings.showReport) {
            AppendReportSection(report,
                                u"<Brightness>\nSupported value : %u to %u\nCurrent : %u\n\n",
                                {minimum, maximum, current});
          }
          if (settings.switchBrightness) {
            platform.SetMonitorBrightness(
                monitor, ChooseSwitchBrightness(static_cast<std::uint32_t>(settings.brightnessHigh),
                                                static_cast<std::uint32_t>(settings.brightnessLow),
                                                current));
            switched = true;
          }
        }
      }
      // The value is never clamped to the monitor's range: the monitor decides what it takes.
      if (!switched && settings.setBrightness) {
        platform.SetMonitorBrightness(monitor, static_cast<std::uint32_t>(settings.brightness));
      }
    }
  }
  if (!settings.showReport) return;
  if (capabilitiesObtained) {
    AppendReportSection(report, u"<Monitor capabilities>\nBrightness : %s\n\n",
                        {brightnessSettable ? u"Can setting" : u"Can't setting"});
  } else {
    AppendReportSection(report,
                        u"<Monitor capabilities>\nCapability informations are not supported.\n\n");
  }
  ShowReport(windowing, report);
}

}  // namespace glowtide
