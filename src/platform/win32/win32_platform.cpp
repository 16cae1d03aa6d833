// Win32 marshalling for the seam: casts and struct fills only, every decision lives above it.
#include "platform/win32/win32_platform.h"

#include <windows.h>
// shellapi.h needs the types of windows.h first.
#include <highlevelmonitorconfigurationapi.h>
#include <physicalmonitorenumerationapi.h>
#include <shellapi.h>

#include <cstddef>

#include "display/device_info.h"

namespace glowtide {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows text is UTF-16");

const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
HWND Native(WindowHandle window) { return reinterpret_cast<HWND>(window); }
HANDLE Native(Handle handle) { return reinterpret_cast<HANDLE>(handle); }
HMONITOR Native(MonitorHandle monitor) { return reinterpret_cast<HMONITOR>(monitor); }
LPPHYSICAL_MONITOR Native(PhysicalMonitor* monitors) {
  return reinterpret_cast<LPPHYSICAL_MONITOR>(monitors);
}

static_assert(sizeof(PHYSICAL_MONITOR) == sizeof(PhysicalMonitor));
static_assert(offsetof(PHYSICAL_MONITOR, szPhysicalMonitorDescription) ==
              offsetof(PhysicalMonitor, description));

// The request layouts are the program's own; these are the platform structures they stand for.
static_assert(sizeof(DISPLAYCONFIG_PATH_INFO) == kPathInfoSize);
static_assert(sizeof(DISPLAYCONFIG_MODE_INFO) == kModeInfoSize);
static_assert(offsetof(DISPLAYCONFIG_PATH_INFO, targetInfo.adapterId) == 20);
static_assert(offsetof(DISPLAYCONFIG_PATH_INFO, targetInfo.id) == 28);
static_assert(sizeof(DISPLAYCONFIG_DEVICE_INFO_HEADER) == kDeviceInfoHeaderSize);
static_assert(sizeof(DISPLAYCONFIG_GET_ADVANCED_COLOR_INFO) == kAdvancedColorInfoSize);
static_assert(sizeof(DISPLAYCONFIG_SET_ADVANCED_COLOR_STATE) == kAdvancedColorStateSize);
static_assert(sizeof(DISPLAYCONFIG_SDR_WHITE_LEVEL) == kSdrWhiteLevelReadSize);

}  // namespace

char16_t** Win32Platform::CommandLineToArgvW(const char16_t* commandLine, int* count) {
  return reinterpret_cast<char16_t**>(::CommandLineToArgvW(Wide(commandLine), count));
}

void Win32Platform::LocalFree(void* memory) { ::LocalFree(memory); }

std::int32_t Win32Platform::GetDisplayConfigBufferSizes(std::uint32_t flags,
                                                        std::uint32_t* pathCount,
                                                        std::uint32_t* modeCount) {
  return ::GetDisplayConfigBufferSizes(flags, pathCount, modeCount);
}

std::int32_t Win32Platform::QueryDisplayConfig(std::uint32_t flags, std::uint32_t* pathCount,
                                               std::uint8_t* paths, std::uint32_t* modeCount,
                                               std::uint8_t* modes, std::uint32_t* topologyId) {
  return ::QueryDisplayConfig(flags, pathCount, reinterpret_cast<DISPLAYCONFIG_PATH_INFO*>(paths),
                              modeCount, reinterpret_cast<DISPLAYCONFIG_MODE_INFO*>(modes),
                              reinterpret_cast<DISPLAYCONFIG_TOPOLOGY_ID*>(topologyId));
}

std::int32_t Win32Platform::DisplayConfigGetDeviceInfo(std::uint8_t* request) {
  return ::DisplayConfigGetDeviceInfo(reinterpret_cast<DISPLAYCONFIG_DEVICE_INFO_HEADER*>(request));
}

std::int32_t Win32Platform::DisplayConfigSetDeviceInfo(std::uint8_t* request) {
  return ::DisplayConfigSetDeviceInfo(reinterpret_cast<DISPLAYCONFIG_DEVICE_INFO_HEADER*>(request));
}

MonitorHandle Win32Platform::MonitorFromWindow(WindowHandle window, std::uint32_t flags) {
  return static_cast<MonitorHandle>(
      reinterpret_cast<std::uintptr_t>(::MonitorFromWindow(Native(window), flags)));
}

bool Win32Platform::GetNumberOfPhysicalMonitorsFromHMONITOR(MonitorHandle monitor,
                                                            std::uint32_t* count) {
  DWORD value = 0;
  const BOOL ok = ::GetNumberOfPhysicalMonitorsFromHMONITOR(Native(monitor), &value);
  *count = value;
  return ok != FALSE;
}

bool Win32Platform::GetPhysicalMonitorsFromHMONITOR(MonitorHandle monitor, std::uint32_t count,
                                                    PhysicalMonitor* monitors) {
  return ::GetPhysicalMonitorsFromHMONITOR(Native(monitor), count, Native(monitors)) != FALSE;
}

bool Win32Platform::GetMonitorCapabilities(Handle monitor, std::uint32_t* capabilities,
                                           std::uint32_t* colorTemperatures) {
  DWORD caps = *capabilities;
  DWORD temperatures = *colorTemperatures;
  const BOOL ok = ::GetMonitorCapabilities(Native(monitor), &caps, &temperatures);
  *capabilities = caps;
  *colorTemperatures = temperatures;
  return ok != FALSE;
}

bool Win32Platform::GetMonitorBrightness(Handle monitor, std::uint32_t* minimum,
                                         std::uint32_t* current, std::uint32_t* maximum) {
  DWORD low = 0, now = 0, high = 0;
  const BOOL ok = ::GetMonitorBrightness(Native(monitor), &low, &now, &high);
  *minimum = low;
  *current = now;
  *maximum = high;
  return ok != FALSE;
}

bool Win32Platform::SetMonitorBrightness(Handle monitor, std::uint32_t value) {
  return ::SetMonitorBrightness(Native(monitor), value) != FALSE;
}

bool Win32Platform::DestroyPhysicalMonitors(std::uint32_t count, PhysicalMonitor* monitors) {
  return ::DestroyPhysicalMonitors(count, Native(monitors)) != FALSE;
}

void Win32Platform::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

static_assert(sizeof(STARTUPINFOW) == kStartupInfoSize);

bool Win32Platform::CreateProcessW(const char16_t* applicationName, char16_t* commandLine,
                                   bool inheritHandles, std::uint32_t creationFlags,
                                   const char16_t* currentDirectory, std::uint32_t startupInfoSize,
                                   ProcessInformation* information) {
  STARTUPINFOW startup{};
  startup.cb = startupInfoSize;
  PROCESS_INFORMATION created{};
  const BOOL ok = ::CreateProcessW(Wide(applicationName), reinterpret_cast<wchar_t*>(commandLine),
                                   nullptr, nullptr, inheritHandles ? TRUE : FALSE, creationFlags,
                                   nullptr, Wide(currentDirectory), &startup, &created);
  information->process = static_cast<Handle>(reinterpret_cast<std::uintptr_t>(created.hProcess));
  information->thread = static_cast<Handle>(reinterpret_cast<std::uintptr_t>(created.hThread));
  information->processId = created.dwProcessId;
  information->threadId = created.dwThreadId;
  return ok != FALSE;
}

bool Win32Platform::CloseHandle(Handle handle) { return ::CloseHandle(Native(handle)) != FALSE; }

std::intptr_t Win32Platform::SendMessageW(WindowHandle window, std::uint32_t message,
                                          std::uintptr_t wParam, std::intptr_t lParam) {
  return ::SendMessageW(Native(window), message, wParam, lParam);
}

int Win32Platform::MessageBoxW(WindowHandle owner, const char16_t* text, const char16_t* caption,
                               std::uint32_t type) {
  return ::MessageBoxW(Native(owner), Wide(text), Wide(caption), type);
}

}  // namespace glowtide
