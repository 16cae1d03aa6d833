// The real platform: every seam call forwarded to Win32.
#pragma once

#include "platform/platform.h"

namespace glowtide {

class Win32Platform final : public Platform {
 public:
  char16_t** CommandLineToArgvW(const char16_t* commandLine, int* count) override;
  void LocalFree(void* memory) override;

  std::int32_t GetDisplayConfigBufferSizes(std::uint32_t flags, std::uint32_t* pathCount,
                                           std::uint32_t* modeCount) override;
  std::int32_t QueryDisplayConfig(std::uint32_t flags, std::uint32_t* pathCount,
                                  std::uint8_t* paths, std::uint32_t* modeCount,
                                  std::uint8_t* modes, std::uint32_t* topologyId) override;
  std::int32_t DisplayConfigGetDeviceInfo(std::uint8_t* request) override;
  std::int32_t DisplayConfigSetDeviceInfo(std::uint8_t* request) override;

  MonitorHandle MonitorFromWindow(WindowHandle window, std::uint32_t flags) override;
  bool GetNumberOfPhysicalMonitorsFromHMONITOR(MonitorHandle monitor,
                                               std::uint32_t* count) override;
  bool GetPhysicalMonitorsFromHMONITOR(MonitorHandle monitor, std::uint32_t count,
                                       PhysicalMonitor* monitors) override;
  bool GetMonitorCapabilities(Handle monitor, std::uint32_t* capabilities,
                              std::uint32_t* colorTemperatures) override;
  bool GetMonitorBrightness(Handle monitor, std::uint32_t* minimum, std::uint32_t* current,
                            std::uint32_t* maximum) override;
  bool SetMonitorBrightness(Handle monitor, std::uint32_t value) override;
  bool DestroyPhysicalMonitors(std::uint32_t count, PhysicalMonitor* monitors) override;

  void Sleep(std::uint32_t milliseconds) override;
  bool CreateProcessW(const char16_t* applicationName, char16_t* commandLine, bool inheritHandles,
                      std::uint32_t creationFlags, const char16_t* currentDirectory,
                      std::uint32_t startupInfoSize, ProcessInformation* information) override;
  bool CloseHandle(Handle handle) override;

  std::intptr_t SendMessageW(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam) override;
  int MessageBoxW(WindowHandle owner, const char16_t* text, const char16_t* caption,
                  std::uint32_t type) override;
};

}  // namespace glowtide
