// The real platform: every seam call forwarded to Win32.
#pragma once

#include "platform/platform.h"

namespace glowtide {

class Win32Platform final : public Platform {
 public:
  // Loads dxva2 and powrprof from the system directory and limits every later DLL load to it.
  Win32Platform();

  char16_t** CommandLineToArgvW(const char16_t* commandLine, int* count) override;
  void LocalFree(void* memory) override;

  std::int32_t GetDisplayConfigBufferSizes(std::uint32_t flags, std::uint32_t* pathCount,
                                           std::uint32_t* modeCount) override;
  std::int32_t QueryDisplayConfig(std::uint32_t flags, std::uint32_t* pathCount,
                                  std::uint8_t* paths, std::uint32_t* modeCount,
                                  std::uint8_t* modes, std::uint32_t* topologyId) override;
  std::int32_t DisplayConfigGetDeviceInfo(std::uint8_t* request) override;
  std::int32_t DisplayConfigSetDeviceInfo(std::uint8_t* request) override;
  bool EnumDisplaySettingsExW(const char16_t* device, std::uint32_t modeNumber,
                              DisplayMode* mode) override;
  std::int32_t ChangeDisplaySettingsExW(const char16_t* device, const DisplayMode& mode,
                                        std::uint32_t flags) override;

  MonitorHandle MonitorFromWindow(WindowHandle window, std::uint32_t flags) override;
  bool EnumDisplayMonitors(std::vector<MonitorHandle>* monitors) override;
  bool GetMonitorInfoW(MonitorHandle monitor, MonitorInfo* info) override;
  bool GetNumberOfPhysicalMonitorsFromHMONITOR(MonitorHandle monitor,
                                               std::uint32_t* count) override;
  bool GetPhysicalMonitorsFromHMONITOR(MonitorHandle monitor, std::uint32_t count,
                                       PhysicalMonitor* monitors) override;
  bool GetMonitorCapabilities(Handle monitor, std::uint32_t* capabilities,
                              std::uint32_t* colorTemperatures) override;
  bool GetMonitorBrightness(Handle monitor, std::uint32_t* minimum, std::uint32_t* current,
                            std::uint32_t* maximum) override;
  bool SetMonitorBrightness(Handle monitor, std::uint32_t value) override;
  bool GetVCPFeatureAndVCPFeatureReply(Handle monitor, std::uint8_t code, std::uint32_t* current,
                                       std::uint32_t* maximum) override;
  bool SetVCPFeature(Handle monitor, std::uint8_t code, std::uint32_t value) override;
  bool DestroyPhysicalMonitors(std::uint32_t count, PhysicalMonitor* monitors) override;

  std::uint32_t PowerGetActiveScheme(Guid** scheme) override;
  std::uint32_t PowerReadACValueIndex(const Guid* scheme, const Guid* subgroup, const Guid* setting,
                                      std::uint32_t* value) override;
  std::uint32_t PowerReadDCValueIndex(const Guid* scheme, const Guid* subgroup, const Guid* setting,
                                      std::uint32_t* value) override;
  std::uint32_t PowerWriteACValueIndex(const Guid* scheme, const Guid* subgroup,
                                       const Guid* setting, std::uint32_t value) override;
  std::uint32_t PowerWriteDCValueIndex(const Guid* scheme, const Guid* subgroup,
                                       const Guid* setting, std::uint32_t value) override;
  std::uint32_t PowerSetActiveScheme(const Guid* scheme) override;
  bool GetSystemPowerStatus(std::uint8_t* acLineStatus) override;

  Handle GetStdHandle(std::uint32_t which) override;
  Handle CreateFileW(const char16_t* path, std::uint32_t access, std::uint32_t share,
                     std::uint32_t disposition, std::uint32_t attributes) override;
  bool WriteFile(Handle file, const std::uint8_t* bytes, std::uint32_t size,
                 std::uint32_t* written) override;
  bool ReadFile(Handle file, std::uint8_t* bytes, std::uint32_t size, std::uint32_t* read) override;
  bool FlushFileBuffers(Handle file) override;
  bool MoveFileExW(const char16_t* from, const char16_t* to, std::uint32_t flags) override;
  bool DeleteFileW(const char16_t* path) override;
  bool CreateDirectoryW(const char16_t* path) override;
  std::vector<FoundFile> FindFiles(const char16_t* pattern) override;
  bool GetLocalAppDataPath(std::u16string* path) override;
  bool GetModuleFileNameW(std::u16string* path) override;
  std::uint64_t GetSystemTimeAsFileTime() override;
  bool RegSetKeyValueW(const char16_t* key, const char16_t* name, const char16_t* text) override;
  bool RegDeleteKeyValueW(const char16_t* key, const char16_t* name) override;
  bool RegCreateVolatileKeyW(const char16_t* key) override;
  bool RegGetValueW(const char16_t* key, const char16_t* name, std::u16string* text) override;

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
  std::int32_t CompareStringOrdinal(const char16_t* a, std::int32_t aLength, const char16_t* b,
                                    std::int32_t bLength, bool ignoreCase) override;
  std::uint32_t GetLastError() override;
  std::uint32_t FormatMessageW(std::uint32_t flags, std::uint32_t messageId, char16_t* buffer,
                               std::uint32_t capacity) override;
  std::int32_t CoInitializeEx(std::uint32_t flags) override;
  void CoUninitialize() override;
  Handle GetCurrentProcess() override;
  bool GetProcessTimes(Handle process, std::uint64_t* creationTime) override;
  bool GetTokenUserSid(std::u16string* sid) override;
  Handle CreateMutexW(const char16_t* name, const char16_t* securityDescriptor) override;
  Handle CreateEventW(const char16_t* name, const char16_t* securityDescriptor) override;
  bool SetEvent(Handle event) override;
  bool ResetEvent(Handle event) override;
  Handle OpenEventW(std::uint32_t access, bool inheritHandle, const char16_t* name) override;
  bool ReleaseMutex(Handle mutex) override;
  Handle CreateFileMappingW(std::uint32_t protect, std::uint32_t size, const char16_t* name,
                            const char16_t* securityDescriptor) override;
  std::uint8_t* MapViewOfFile(Handle mapping, std::uint32_t access, std::uint32_t size) override;
  bool UnmapViewOfFile(std::uint8_t* view) override;
  std::uint32_t WaitForSingleObject(Handle handle, std::uint32_t milliseconds) override;

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
  Handle RegisterPowerSettingNotification(WindowHandle window, const Guid* setting) override;
  bool UnregisterPowerSettingNotification(Handle registration) override;
  std::intptr_t SetWindowLongPtrW(WindowHandle window, std::int32_t index,
                                  std::intptr_t value) override;
  std::intptr_t GetWindowLongPtrW(WindowHandle window, std::int32_t index) override;

  bool SendMessageTimeoutW(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                           std::intptr_t lParam, std::uint32_t flags,
                           std::uint32_t milliseconds) override;
  std::uint32_t SendInput(const MouseInput& input) override;
  int MessageBoxW(WindowHandle owner, const char16_t* text, const char16_t* caption,
                  std::uint32_t type) override;

 private:
  // The six monitor functions of dxva2.dll, null when it could not be loaded.
  struct Dxva2 {
    int(__stdcall* getNumberOfPhysicalMonitors)(void*, unsigned long*) = nullptr;
    int(__stdcall* getPhysicalMonitors)(void*, unsigned long, void*) = nullptr;
    int(__stdcall* getMonitorCapabilities)(void*, unsigned long*, unsigned long*) = nullptr;
    int(__stdcall* getMonitorBrightness)(void*, unsigned long*, unsigned long*,
                                         unsigned long*) = nullptr;
    int(__stdcall* setMonitorBrightness)(void*, unsigned long) = nullptr;
    int(__stdcall* destroyPhysicalMonitors)(unsigned long, void*) = nullptr;
    int(__stdcall* getVcpFeature)(void*, unsigned char, void*, unsigned long*,
                                  unsigned long*) = nullptr;
    int(__stdcall* setVcpFeature)(void*, unsigned char, unsigned long) = nullptr;
  } dxva2_;
  // The power-scheme functions of powrprof.dll, null when it could not be loaded.
  struct Powrprof {
    unsigned long(__stdcall* getActiveScheme)(void*, Guid**) = nullptr;
    unsigned long(__stdcall* readAc)(void*, const Guid*, const Guid*, const Guid*,
                                     unsigned long*) = nullptr;
    unsigned long(__stdcall* readDc)(void*, const Guid*, const Guid*, const Guid*,
                                     unsigned long*) = nullptr;
    unsigned long(__stdcall* writeAc)(void*, const Guid*, const Guid*, const Guid*,
                                      unsigned long) = nullptr;
    unsigned long(__stdcall* writeDc)(void*, const Guid*, const Guid*, const Guid*,
                                      unsigned long) = nullptr;
    unsigned long(__stdcall* setActiveScheme)(void*, const Guid*) = nullptr;
  } powrprof_;
  // The paint record that BeginPaint fills and EndPaint hands back (a PAINTSTRUCT).
  alignas(8) unsigned char paint_[72] = {};
};

}  // namespace glowtide
