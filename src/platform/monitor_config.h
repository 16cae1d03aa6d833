// The platform's monitor-configuration calls: the primary monitor and its physical monitors.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/types.h"

namespace glowtide {

inline constexpr std::uint32_t kMonitorDefaultToPrimary = 0x1;
inline constexpr std::uint32_t kMcCapsBrightness = 0x2;
inline constexpr std::uint32_t kMonitorInfoPrimary = 0x1;

// What GetMonitorInfoW tells of a monitor in its MONITORINFOEXW: its flags and its GDI device
// name ("\\.\DISPLAY2").
struct MonitorInfo {
  std::uint32_t flags = 0;
  char16_t device[32] = {};
};

// One record of the platform's physical-monitor array: a handle and a 128-unit description.
struct PhysicalMonitor {
  Handle handle;
  char16_t description[128];
};
static_assert(sizeof(PhysicalMonitor) == 264);

class MonitorConfigPlatform {
 public:
  MonitorConfigPlatform() = default;
  MonitorConfigPlatform(const MonitorConfigPlatform&) = delete;
  MonitorConfigPlatform& operator=(const MonitorConfigPlatform&) = delete;
  virtual ~MonitorConfigPlatform() = default;

  virtual MonitorHandle MonitorFromWindow(WindowHandle window, std::uint32_t flags) = 0;
  // Every display monitor, with no device context and no clip, in the order the platform lists
  // them.
  virtual bool EnumDisplayMonitors(std::vector<MonitorHandle>* monitors) = 0;
  virtual bool GetMonitorInfoW(MonitorHandle monitor, MonitorInfo* info) = 0;
  // Each returns true on success (a nonzero BOOL).
  virtual bool GetNumberOfPhysicalMonitorsFromHMONITOR(MonitorHandle monitor,
                                                       std::uint32_t* count) = 0;
  virtual bool GetPhysicalMonitorsFromHMONITOR(MonitorHandle monitor, std::uint32_t count,
                                               PhysicalMonitor* monitors) = 0;
  virtual bool GetMonitorCapabilities(Handle monitor, std::uint32_t* capabilities,
                                      std::uint32_t* colorTemperatures) = 0;
  virtual bool GetMonitorBrightness(Handle monitor, std::uint32_t* minimum, std::uint32_t* current,
                                    std::uint32_t* maximum) = 0;
  virtual bool SetMonitorBrightness(Handle monitor, std::uint32_t value) = 0;
  virtual bool DestroyPhysicalMonitors(std::uint32_t count, PhysicalMonitor* monitors) = 0;
  // A monitor setting by its VCP code (DDC/CI): its value and maximum, read with
  // GetVCPFeatureAndVCPFeatureReply (the code's type left out), and a value set with SetVCPFeature.
  virtual bool GetVCPFeatureAndVCPFeatureReply(Handle monitor, std::uint8_t code,
                                               std::uint32_t* current, std::uint32_t* maximum) = 0;
  virtual bool SetVCPFeature(Handle monitor, std::uint8_t code, std::uint32_t value) = 0;
};

}  // namespace glowtide
