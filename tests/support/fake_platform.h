// A recording fake of the platform: succeeds by default, can be scripted call by call, and
// records every call in order. It asserts nothing; the tests do.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/options.h"
#include "platform/platform.h"

namespace glowtide::testing {

std::string Utf8(std::u16string_view text);

// The settings that parsing makes of these arguments.
LaunchSettings SettingsFrom(std::vector<std::u16string> argv);

// A request's bytes in hex, two digits a byte.
std::string Hex(const std::vector<std::uint8_t>& bytes);

struct FakePath {
  std::uint32_t adapterLow;
  std::int32_t adapterHigh;
  std::uint32_t targetId;
};

struct RecordedBox {
  WindowHandle owner;
  std::u16string text;
  std::u16string caption;
  std::uint32_t type;
};

class FakePlatform : public Platform {
 public:
  // --- scripted results ---
  // What CommandLineToArgvW yields; nullopt makes it return no array.
  std::optional<std::vector<std::u16string>> argv =
      std::vector<std::u16string>{u"C:\\Glowtide.exe"};

  // The current display configuration.
  std::vector<FakePath> paths = {{0x1234, 0, 7}};
  std::int32_t bufferSizesResult = 0;
  std::int32_t queryResult = 0;
  bool queryReturnsNoPath = false;  // succeeds, but writes a path count of 0
  std::int32_t advancedColorResult = 0;
  std::uint32_t advancedColorValue = 0x1;  // supported, off
  std::int32_t whiteLevelResult = 0;
  std::uint32_t whiteLevel = 1000;

  // The primary monitor and its physical monitors (handles 0x101, 0x102, ...).
  bool numberOfMonitorsOk = true;
  std::uint32_t monitorCount = 1;
  bool physicalMonitorsOk = true;
  bool capabilitiesOk = true;
  std::uint32_t capabilities = 0x2;
  bool brightnessOk = true;
  std::uint32_t minimum = 0, current = 50, maximum = 100;

  // The child process.
  bool createProcessOk = true;

  // The launch semaphore.
  Handle openSemaphoreResult = Handle::kNull;  // none yet: the run creates it
  Handle createSemaphoreResult = Handle{0x60};
  bool releaseOk = true;
  std::int32_t previousCount = 9999;

  // The hidden window and its queue.
  bool createWindowOk = true;
  std::vector<std::uint32_t> waitResults;     // one per wait, in order; 0 (child ended) after them
  std::vector<Message> queue;                 // what PeekMessageW removes, in order
  std::uint32_t acceleratorMessage = 0x0104;  // messages TranslateAcceleratorW takes
  WindowClass registered;

  // --- what was seen ---
  std::vector<std::vector<std::uint8_t>> getRequests;  // as sent, before the reply is written
  std::vector<std::vector<std::uint8_t>> setRequests;
  std::vector<std::string> calls;  // one entry per call, in order
  std::u16string commandLineSplit;
  std::vector<RecordedBox> boxes;
  struct RecordedLaunch {
    std::u16string applicationName;
    std::u16string commandLine;
    bool inheritHandles;
    std::uint32_t creationFlags;
    bool currentDirectoryGiven;
    std::u16string currentDirectory;
    std::uint32_t startupInfoSize;
  };
  std::vector<RecordedLaunch> launches;

  char16_t** CommandLineToArgvW(const char16_t* commandLine, int* count) override;
  void LocalFree(void* memory) override;
  int MessageBoxW(WindowHandle owner, const char16_t* text, const char16_t* caption,
                  std::uint32_t type) override;
  std::intptr_t SendMessageW(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam) override;

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
  Handle OpenSemaphoreW(std::uint32_t access, bool inheritHandle, const char16_t* name) override;
  Handle CreateSemaphoreW(std::int32_t initialCount, std::int32_t maximumCount,
                          const char16_t* name) override;
  std::uint32_t WaitForSingleObject(Handle handle, std::uint32_t milliseconds) override;
  bool ReleaseSemaphore(Handle semaphore, std::int32_t releaseCount,
                        std::int32_t* previousCount) override;

  int LoadStringW(InstanceHandle instance, std::uint32_t id, char16_t* buffer,
                  int capacity) override;
  IconHandle LoadIconW(InstanceHandle instance, std::uintptr_t id) override;
  CursorHandle LoadCursorW(InstanceHandle instance, std::uintptr_t id) override;
  std::uint16_t RegisterClassExW(const WindowClass& windowClass) override;
  WindowHandle CreateWindowExW(std::uint32_t exStyle, const char16_t* className,
                               const char16_t* title, std::uint32_t style, std::int32_t x,
                               std::int32_t y, std::int32_t width, std::int32_t height,
                               WindowHandle parent, std::uintptr_t menu, InstanceHandle instance,
                               void* parameter) override;
  bool ShowWindow(WindowHandle window, std::int32_t command) override;
  bool UpdateWindow(WindowHandle window) override;
  AcceleratorHandle LoadAcceleratorsW(InstanceHandle instance, std::uintptr_t id) override;
  std::uint32_t MsgWaitForMultipleObjectsEx(std::uint32_t count, const Handle* handles,
                                            std::uint32_t milliseconds, std::uint32_t wakeMask,
                                            std::uint32_t flags) override;
  bool PeekMessageW(Message* message, WindowHandle window, std::uint32_t filterMin,
                    std::uint32_t filterMax, std::uint32_t remove) override;
  int TranslateAcceleratorW(WindowHandle window, AcceleratorHandle accelerators,
                            const Message& message) override;
  bool TranslateMessage(const Message& message) override;
  std::intptr_t DispatchMessageW(const Message& message) override;
  std::intptr_t DefWindowProcW(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                               std::intptr_t lParam) override;
  void BeginPaint(WindowHandle window) override;
  void EndPaint(WindowHandle window) override;
  bool DestroyWindow(WindowHandle window) override;
  void PostQuitMessage(std::int32_t exitCode) override;

  std::int32_t GetDisplayConfigBufferSizes(std::uint32_t flags, std::uint32_t* pathCount,
                                           std::uint32_t* modeCount) override;
  std::int32_t QueryDisplayConfig(std::uint32_t flags, std::uint32_t* pathCount,
                                  std::uint8_t* paths, std::uint32_t* modeCount,
                                  std::uint8_t* modes, std::uint32_t* topologyId) override;
  std::int32_t DisplayConfigGetDeviceInfo(std::uint8_t* request) override;
  std::int32_t DisplayConfigSetDeviceInfo(std::uint8_t* request) override;

 private:
  std::vector<std::u16string> argvStorage_;
  std::vector<char16_t*> argvPointers_;
};

}  // namespace glowtide::testing
