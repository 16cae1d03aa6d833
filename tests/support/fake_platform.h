// A recording fake of the platform: succeeds by default, fails any call named in `failing`,
// answers from a small simulated machine, and records every call in order. It asserts nothing;
// the tests do.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "settings/launch_settings.h"
#include "platform/platform.h"

namespace glowtide::testing {

std::string Utf8(std::u16string_view text);
std::string Hex(const std::vector<std::uint8_t>& bytes);

// The settings that parsing makes of this argument part of a command line.
LaunchSettings SettingsFrom(std::u16string_view arguments);
// Every field of the settings as "name=value" lines, so that a comparison names the field.
std::string Describe(const LaunchSettings& settings);

struct FakePath {
  std::uint32_t adapterLow;
  std::int32_t adapterHigh;
  std::uint32_t targetId;
};

struct FakeProcess {
  std::uint32_t processId;
  std::u16string exeFile;
  std::uint32_t session = 1;
  bool openable = true;
  bool running = true;  // false: ended, but still listed while a handle holds it
};

struct RecordedBox {
  std::u16string text;
  std::u16string caption;
};

// What the fake's machine answers; a test names only what differs from these.
struct Machine {
  // Calls by name that fail: they return their failure value and change nothing.
  std::set<std::string> failing;

  // The display: the older advanced-colour model, or the current one that also answers types 15
  // and 16.
  std::vector<FakePath> paths = {{0x1234, 0, 7}};
  bool currentModel = false;
  std::uint32_t advancedColorWord = 0x1;    // type 9: supported, off
  std::uint32_t advancedColor2Word = 0x10;  // type 15: HDR supported
  std::uint32_t activeColorMode = 0;        // type 15: SDR
  std::uint32_t whiteLevel = 1000;

  // The primary monitor's physical monitors (handles 0x101, 0x102, ...), at brightness 50 of 0
  // to 100.
  std::uint32_t monitorCount = 1;
  std::uint32_t capabilities = 0x2;

  // Processes: each snapshot lists the next entry (the last one repeats). The shell starts
  // process 0x58.
  std::vector<std::vector<FakeProcess>> snapshots;

  // The launch semaphore (created by the run), the hidden window's waits and queue.
  std::int32_t previousCount = 9999;
  std::vector<std::uint32_t> waitResults;  // one per wait; then a timed wait times out, else 0
  std::vector<Message> queue;              // what PeekMessageW removes, in order
  std::uint64_t now = 1000;  // milliseconds; a timed wait that times out, and Sleep, advance it
};

class FakePlatform : public Platform, public Machine {
 public:
  FakePlatform() = default;
  explicit FakePlatform(Machine machine) : Machine(std::move(machine)) {}

  // What was seen.
  std::vector<std::string> calls;
  WindowClass registered;
  std::vector<RecordedBox> boxes;
  std::u16string commandLineSplit;
  std::vector<std::u16string> shellOpened;  // file | parameters | directory
  std::vector<std::u16string> launched;     // application | command line | directory

  // The calls that read or change the display and the monitor, the count and the look for a game,
  // in a short form: "get15", "set16:1", "set-18:2222", "getB", "setB:70", "caps", "free"
  // (the physical monitors released), "box", "count" (a count taken), "look" (a process
  // snapshot) and "|" (a count given back).
  std::string Trace() const;
  // The recorded calls that begin with prefix, in order.
  std::vector<std::string> CallsTo(std::string_view prefix) const;

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
  bool ShellExecuteExW(const ShellExecuteRequest& request, Handle* process) override;
  Handle CreateToolhelp32Snapshot(std::uint32_t flags, std::uint32_t processId) override;
  bool Process32FirstW(Handle snapshot, ProcessEntry* entry) override;
  bool Process32NextW(Handle snapshot, ProcessEntry* entry) override;
  Handle OpenProcess(std::uint32_t access, bool inheritHandle, std::uint32_t processId) override;
  bool ProcessIdToSessionId(std::uint32_t processId, std::uint32_t* sessionId) override;
  std::uint32_t GetCurrentProcessId() override;
  std::uint32_t GetProcessId(Handle process) override;
  std::uint64_t GetTickCount64() override;
  Handle OpenSemaphoreW(std::uint32_t access, bool inheritHandle, const char16_t* name) override;
  Handle CreateSemaphoreW(std::int32_t initialCount, std::int32_t maximumCount,
                          const char16_t* name) override;
  std::uint32_t WaitForSingleObject(Handle handle, std::uint32_t milliseconds) override;
  bool ReleaseSemaphore(Handle semaphore, std::int32_t releaseCount,
                        std::int32_t* previousCount) override;
  bool SendMessageTimeoutW(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                           std::intptr_t lParam, std::uint32_t flags,
                           std::uint32_t milliseconds) override;
  int MessageBoxW(WindowHandle owner, const char16_t* text, const char16_t* caption,
                  std::uint32_t type) override;
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

 private:
  // Records the call and tells whether it is to fail.
  bool Call(const char* name, const std::string& arguments = "");
  std::vector<std::u16string> argv_;
  std::vector<char16_t*> argvPointers_;
  std::vector<FakeProcess> listing_;
  std::size_t listed_ = 0;
};

}  // namespace glowtide::testing
