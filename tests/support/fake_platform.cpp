// The recording fake's call bodies.
#include "support/fake_platform.h"

#include <algorithm>
#include <cstdio>

namespace glowtide::testing {

std::string Utf8(std::u16string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

LaunchSettings SettingsFrom(std::vector<std::u16string> argv) {
  FakePlatform parser;
  parser.argv = std::move(argv);
  ReportText unused;
  return ParseCommandLine(parser, u"", unused).settings;
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (std::uint8_t b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 0xF];
  }
  return out;
}

namespace {

void Put32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t Get32(const std::uint8_t* at) {
  return at[0] | at[1] << 8 | at[2] << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

std::vector<std::uint8_t> RequestBytes(const std::uint8_t* request) {
  return std::vector<std::uint8_t>(request, request + Get32(request + 4));
}

}  // namespace

std::int32_t FakePlatform::GetDisplayConfigBufferSizes(std::uint32_t flags,
                                                       std::uint32_t* pathCount,
                                                       std::uint32_t* modeCount) {
  calls.push_back("GetDisplayConfigBufferSizes(" + std::to_string(flags) + ")");
  if (bufferSizesResult != 0) return bufferSizesResult;
  *pathCount = static_cast<std::uint32_t>(paths.size());
  *modeCount = static_cast<std::uint32_t>(paths.size() * 2);
  return 0;
}

std::int32_t FakePlatform::QueryDisplayConfig(std::uint32_t flags, std::uint32_t* pathCount,
                                              std::uint8_t* pathArray, std::uint32_t* modeCount,
                                              std::uint8_t* modeArray, std::uint32_t* topologyId) {
  calls.push_back("QueryDisplayConfig(" + std::to_string(flags) + ")");
  if (queryResult != 0) return queryResult;
  if (topologyId == nullptr || modeArray == nullptr) return 87;  // ERROR_INVALID_PARAMETER
  if (queryReturnsNoPath) {
    *pathCount = 0;
    *modeCount = 0;
    return 0;
  }
  if (*pathCount < paths.size() || *modeCount < paths.size() * 2) return 122;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    std::uint8_t* element = pathArray + i * 72;
    std::fill(element, element + 72, 0xCD);  // fields the program must not read
    Put32(element + 20, paths[i].adapterLow);
    Put32(element + 24, static_cast<std::uint32_t>(paths[i].adapterHigh));
    Put32(element + 28, paths[i].targetId);
  }
  *pathCount = static_cast<std::uint32_t>(paths.size());
  *modeCount = static_cast<std::uint32_t>(paths.size() * 2);
  *topologyId = 1;
  return 0;
}

std::int32_t FakePlatform::DisplayConfigGetDeviceInfo(std::uint8_t* request) {
  const std::int32_t type = static_cast<std::int32_t>(Get32(request));
  calls.push_back("DisplayConfigGetDeviceInfo(" + std::to_string(type) + ")");
  getRequests.push_back(RequestBytes(request));
  if (type == 9) {
    if (advancedColorResult != 0) return advancedColorResult;
    Put32(request + 20, advancedColorValue);
    return 0;
  }
  if (type == 11) {
    if (whiteLevelResult != 0) return whiteLevelResult;
    Put32(request + 20, whiteLevel);
    return 0;
  }
  return 87;
}

std::int32_t FakePlatform::DisplayConfigSetDeviceInfo(std::uint8_t* request) {
  const std::int32_t type = static_cast<std::int32_t>(Get32(request));
  calls.push_back("DisplayConfigSetDeviceInfo(" + std::to_string(type) + ")");
  setRequests.push_back(RequestBytes(request));
  return 0;
}

namespace {

std::string Num(std::uint64_t value) {
  char text[32];
  snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
  return text;
}

std::string HandleText(Handle handle) { return Num(static_cast<std::uint64_t>(handle)); }

}  // namespace

std::intptr_t FakePlatform::SendMessageW(WindowHandle window, std::uint32_t message,
                                         std::uintptr_t wParam, std::intptr_t lParam) {
  char text[128];
  snprintf(text, sizeof text, "SendMessageW(0x%llx,0x%x,0x%llx,%lld)",
           static_cast<unsigned long long>(window), message,
           static_cast<unsigned long long>(wParam), static_cast<long long>(lParam));
  calls.push_back(text);
  return 0;
}

MonitorHandle FakePlatform::MonitorFromWindow(WindowHandle window, std::uint32_t flags) {
  calls.push_back("MonitorFromWindow(" + std::to_string(static_cast<std::uintptr_t>(window)) + "," +
                  std::to_string(flags) + ")");
  return MonitorHandle{0x10001};
}

bool FakePlatform::GetNumberOfPhysicalMonitorsFromHMONITOR(MonitorHandle monitor,
                                                           std::uint32_t* count) {
  calls.push_back("GetNumberOfPhysicalMonitorsFromHMONITOR(" +
                  std::string(monitor == MonitorHandle{0x10001} ? "primary" : "other") + ")");
  if (!numberOfMonitorsOk) return false;
  *count = monitorCount;
  return true;
}

bool FakePlatform::GetPhysicalMonitorsFromHMONITOR(MonitorHandle monitor, std::uint32_t count,
                                                   PhysicalMonitor* monitors) {
  calls.push_back("GetPhysicalMonitorsFromHMONITOR(" +
                  std::string(monitor == MonitorHandle{0x10001} ? "primary" : "other") + "," +
                  std::to_string(count) + ")");
  if (!physicalMonitorsOk) return false;
  for (std::uint32_t i = 0; i < count; ++i) monitors[i].handle = Handle{0x101 + i};
  return true;
}

bool FakePlatform::GetMonitorCapabilities(Handle monitor, std::uint32_t* caps,
                                          std::uint32_t* colorTemperatures) {
  calls.push_back("GetMonitorCapabilities(" + HandleText(monitor) + ")");
  if (!capabilitiesOk) return false;
  *caps = capabilities;
  *colorTemperatures = 0x7;
  return true;
}

bool FakePlatform::GetMonitorBrightness(Handle monitor, std::uint32_t* low, std::uint32_t* now,
                                        std::uint32_t* high) {
  calls.push_back("GetMonitorBrightness(" + HandleText(monitor) + ")");
  if (!brightnessOk) return false;
  *low = minimum;
  *now = current;
  *high = maximum;
  return true;
}

bool FakePlatform::SetMonitorBrightness(Handle monitor, std::uint32_t value) {
  calls.push_back("SetMonitorBrightness(" + HandleText(monitor) + "," + std::to_string(value) +
                  ")");
  return true;
}

bool FakePlatform::DestroyPhysicalMonitors(std::uint32_t count, PhysicalMonitor* monitors) {
  std::string text = "DestroyPhysicalMonitors(" + std::to_string(count);
  for (std::uint32_t i = 0; i < count; ++i) text += "," + HandleText(monitors[i].handle);
  calls.push_back(text + ")");
  return true;
}

void FakePlatform::Sleep(std::uint32_t milliseconds) {
  calls.push_back("Sleep(" + std::to_string(milliseconds) + ")");
}

bool FakePlatform::CreateProcessW(const char16_t* applicationName, char16_t* commandLine,
                                  bool inheritHandles, std::uint32_t creationFlags,
                                  const char16_t* currentDirectory, std::uint32_t startupInfoSize,
                                  ProcessInformation* information) {
  calls.push_back("CreateProcessW");
  launches.push_back({applicationName, commandLine, inheritHandles, creationFlags,
                      currentDirectory != nullptr, currentDirectory ? currentDirectory : u"",
                      startupInfoSize});
  commandLine[0] = u'!';  // the real call may write into it too
  if (!createProcessOk) return false;
  information->process = Handle{0x50};
  information->thread = Handle{0x54};
  information->processId = 4242;
  information->threadId = 4243;
  return true;
}

bool FakePlatform::CloseHandle(Handle handle) {
  calls.push_back("CloseHandle(" + HandleText(handle) + ")");
  return true;
}

Handle FakePlatform::OpenSemaphoreW(std::uint32_t access, bool inheritHandle,
                                    const char16_t* name) {
  calls.push_back("OpenSemaphoreW(" + Num(access) + "," + (inheritHandle ? "true" : "false") + "," +
                  Utf8(name) + ")");
  return openSemaphoreResult;
}

Handle FakePlatform::CreateSemaphoreW(std::int32_t initialCount, std::int32_t maximumCount,
                                      const char16_t* name) {
  calls.push_back("CreateSemaphoreW(" + std::to_string(initialCount) + "," +
                  std::to_string(maximumCount) + "," + Utf8(name) + ")");
  return createSemaphoreResult;
}

std::uint32_t FakePlatform::WaitForSingleObject(Handle handle, std::uint32_t milliseconds) {
  calls.push_back("WaitForSingleObject(" + HandleText(handle) + "," + std::to_string(milliseconds) +
                  ")");
  return 0;
}

bool FakePlatform::ReleaseSemaphore(Handle semaphore, std::int32_t releaseCount,
                                    std::int32_t* previous) {
  calls.push_back("ReleaseSemaphore(" + HandleText(semaphore) + "," + std::to_string(releaseCount) +
                  ",previous=" + std::to_string(*previous) + ")");
  if (!releaseOk) return false;
  *previous = previousCount;
  return true;
}

int FakePlatform::LoadStringW(InstanceHandle instance, std::uint32_t id, char16_t* buffer,
                              int capacity) {
  calls.push_back("LoadStringW(" + Num(static_cast<std::uint64_t>(instance)) + "," +
                  std::to_string(id) + "," + std::to_string(capacity) + ")");
  const std::u16string text = id == 103 ? u"Glowtide" : id == 109 ? u"GLOWTIDE" : u"";
  std::copy(text.begin(), text.end(), buffer);
  buffer[text.size()] = u'\0';
  return static_cast<int>(text.size());
}

IconHandle FakePlatform::LoadIconW(InstanceHandle instance, std::uintptr_t id) {
  calls.push_back("LoadIconW(" + Num(static_cast<std::uint64_t>(instance)) + "," +
                  std::to_string(id) + ")");
  return IconHandle{0x7000 + id};
}

CursorHandle FakePlatform::LoadCursorW(InstanceHandle instance, std::uintptr_t id) {
  calls.push_back("LoadCursorW(" + Num(static_cast<std::uint64_t>(instance)) + "," +
                  std::to_string(id) + ")");
  return CursorHandle{0x8000};
}

std::uint16_t FakePlatform::RegisterClassExW(const WindowClass& windowClass) {
  calls.push_back("RegisterClassExW(" + Utf8(windowClass.className) + ")");
  registered = windowClass;
  return 1;
}

WindowHandle FakePlatform::CreateWindowExW(std::uint32_t exStyle, const char16_t* className,
                                           const char16_t* title, std::uint32_t style,
                                           std::int32_t x, std::int32_t y, std::int32_t width,
                                           std::int32_t height, WindowHandle parent,
                                           std::uintptr_t menu, InstanceHandle instance,
                                           void* parameter) {
  calls.push_back("CreateWindowExW(" + std::to_string(exStyle) + "," + Utf8(className) + "," +
                  Utf8(title) + "," + Num(style) + "," + Num(static_cast<std::uint32_t>(x)) + "," +
                  std::to_string(y) + "," + Num(static_cast<std::uint32_t>(width)) + "," +
                  std::to_string(height) + "," + Num(static_cast<std::uint64_t>(parent)) + "," +
                  Num(menu) + "," + Num(static_cast<std::uint64_t>(instance)) + "," +
                  (parameter ? "param" : "null") + ")");
  return createWindowOk ? WindowHandle{0x900} : WindowHandle::kNull;
}

bool FakePlatform::ShowWindow(WindowHandle window, std::int32_t command) {
  calls.push_back("ShowWindow(" + Num(static_cast<std::uint64_t>(window)) + "," +
                  std::to_string(command) + ")");
  return true;
}

bool FakePlatform::UpdateWindow(WindowHandle window) {
  calls.push_back("UpdateWindow(" + Num(static_cast<std::uint64_t>(window)) + ")");
  return true;
}

AcceleratorHandle FakePlatform::LoadAcceleratorsW(InstanceHandle instance, std::uintptr_t id) {
  calls.push_back("LoadAcceleratorsW(" + Num(static_cast<std::uint64_t>(instance)) + "," +
                  std::to_string(id) + ")");
  return AcceleratorHandle{0xACC};
}

std::uint32_t FakePlatform::MsgWaitForMultipleObjectsEx(std::uint32_t count, const Handle* handles,
                                                        std::uint32_t milliseconds,
                                                        std::uint32_t wakeMask,
                                                        std::uint32_t flags) {
  calls.push_back("MsgWaitForMultipleObjectsEx(" + std::to_string(count) + "," +
                  HandleText(handles[0]) + "," + Num(milliseconds) + "," + Num(wakeMask) + "," +
                  std::to_string(flags) + ")");
  if (waitResults.empty()) return 0;
  const std::uint32_t result = waitResults.front();
  waitResults.erase(waitResults.begin());
  return result;
}

bool FakePlatform::PeekMessageW(Message* message, WindowHandle window, std::uint32_t filterMin,
                                std::uint32_t filterMax, std::uint32_t remove) {
  calls.push_back("PeekMessageW(" + Num(static_cast<std::uint64_t>(window)) + "," +
                  std::to_string(filterMin) + "," + std::to_string(filterMax) + "," +
                  std::to_string(remove) + ")");
  if (queue.empty()) return false;
  *message = queue.front();
  queue.erase(queue.begin());
  return true;
}

int FakePlatform::TranslateAcceleratorW(WindowHandle window, AcceleratorHandle accelerators,
                                        const Message& message) {
  calls.push_back("TranslateAcceleratorW(" + Num(static_cast<std::uint64_t>(window)) + "," +
                  Num(static_cast<std::uint64_t>(accelerators)) + "," + Num(message.message) + ")");
  return message.message == acceleratorMessage ? 1 : 0;
}

bool FakePlatform::TranslateMessage(const Message& message) {
  calls.push_back("TranslateMessage(" + Num(message.message) + ")");
  return false;
}

std::intptr_t FakePlatform::DispatchMessageW(const Message& message) {
  calls.push_back("DispatchMessageW(" + Num(message.message) + ")");
  return 0;
}

std::intptr_t FakePlatform::DefWindowProcW(WindowHandle window, std::uint32_t message,
                                           std::uintptr_t wParam, std::intptr_t lParam) {
  calls.push_back("DefWindowProcW(" + Num(static_cast<std::uint64_t>(window)) + "," + Num(message) +
                  "," + Num(wParam) + "," + std::to_string(lParam) + ")");
  return 77;
}

void FakePlatform::BeginPaint(WindowHandle window) {
  calls.push_back("BeginPaint(" + Num(static_cast<std::uint64_t>(window)) + ")");
}

void FakePlatform::EndPaint(WindowHandle window) {
  calls.push_back("EndPaint(" + Num(static_cast<std::uint64_t>(window)) + ")");
}

bool FakePlatform::DestroyWindow(WindowHandle window) {
  calls.push_back("DestroyWindow(" + Num(static_cast<std::uint64_t>(window)) + ")");
  return true;
}

void FakePlatform::PostQuitMessage(std::int32_t exitCode) {
  calls.push_back("PostQuitMessage(" + std::to_string(exitCode) + ")");
}

char16_t** FakePlatform::CommandLineToArgvW(const char16_t* commandLine, int* count) {
  calls.push_back("CommandLineToArgvW");
  commandLineSplit = commandLine;
  if (!argv) return nullptr;
  argvStorage_ = *argv;
  argvPointers_.clear();
  for (std::u16string& item : argvStorage_) argvPointers_.push_back(item.data());
  *count = static_cast<int>(argvPointers_.size());
  return argvPointers_.data();
}

void FakePlatform::LocalFree(void* memory) {
  calls.push_back(memory == argvPointers_.data() ? "LocalFree(argv)" : "LocalFree(other)");
  // Poison the texts so that a pointer kept into the array shows up as a wrong value.
  for (std::u16string& item : argvStorage_) item.assign(item.size(), u'#');
}

int FakePlatform::MessageBoxW(WindowHandle owner, const char16_t* text, const char16_t* caption,
                              std::uint32_t type) {
  calls.push_back("MessageBoxW(" + Utf8(caption) + ")");
  boxes.push_back({owner, text, caption, type});
  return 1;
}

}  // namespace glowtide::testing
