// The recording fake's call bodies.
#include "fake_platform.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <type_traits>

#include "app/options.h"
#include "argv_model.h"

namespace glowtide::testing {

std::string Utf8(std::u16string_view text) {
  std::string out;
  for (char16_t unit : text) {
    const std::uint32_t c = unit;  // the tests' texts hold no surrogate pairs
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
    } else {
      out += {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
              static_cast<char>(0x80 | (c & 0x3F))};
    }
  }
  return out;
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  std::string out;
  char digits[3];
  for (std::uint8_t b : bytes) {
    snprintf(digits, sizeof digits, "%02x", b);
    out += digits;
  }
  return out;
}

LaunchSettings SettingsFrom(std::u16string_view arguments) {
  FakePlatform parser;
  ReportText unused;
  return ParseCommandLine(parser, arguments, unused).settings;
}

std::string Describe(const LaunchSettings& s) {
  std::string out;
  auto field = [&](const char* name, const auto& value) {
    out += name;
    out += '=';
    if constexpr (std::is_same_v<std::decay_t<decltype(value)>, std::u16string>) {
      out += Utf8(value);
    } else {
      out += std::to_string(value);
    }
    out += '\n';
  };
#define FIELD(f) field(#f, s.f)
  FIELD(showReport), FIELD(setBrightness), FIELD(brightness), FIELD(switchBrightness);
  FIELD(brightnessHigh), FIELD(brightnessLow), FIELD(restoreBrightness), FIELD(quitBrightness);
  FIELD(setWhiteLevel), FIELD(whiteLevel), FIELD(switchWhiteLevel), FIELD(whiteLevelHigh);
  FIELD(whiteLevelLow), FIELD(restoreWhiteLevel), FIELD(quitWhiteLevel), FIELD(switchHdr);
  FIELD(enableHdr), FIELD(disableHdr), FIELD(hdrNewState), FIELD(restoreHdr), FIELD(quitHdrState);
  FIELD(restoreOnExit), FIELD(launchProgram), FIELD(programPath), FIELD(workingDirectory);
  FIELD(programArgument0), FIELD(programArgument1), FIELD(powerCycle), FIELD(waitImageName);
  FIELD(waitSeconds);
#undef FIELD
  return out;
}

namespace {

void Put32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t Get32(const std::uint8_t* at) {
  return at[0] | at[1] << 8 | at[2] << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

std::string Num(std::uint64_t value) {
  char text[24];
  snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
  return text;
}

template <typename H>
std::string Num(H handle) {
  return Num(static_cast<std::uint64_t>(handle));
}

constexpr std::int32_t kFailure = 31;  // ERROR_GEN_FAILURE
constexpr std::int32_t kNotSupported = 50;

}  // namespace

std::string FakePlatform::Trace() const {
  struct Short {
    const char* prefix;
    const char* name;
    bool withArguments;  // what follows the prefix, with its comma as a colon
  };
  static const Short kShort[] = {{"DisplayConfigGetDeviceInfo(", "get", true},
                                 {"DisplayConfigSetDeviceInfo(", "set", true},
                                 {"GetMonitorBrightness(", "getB", false},
                                 {"SetMonitorBrightness(0x101,", "setB:", true},
                                 {"GetMonitorCapabilities(", "caps", false},
                                 {"DestroyPhysicalMonitors(", "free", false},
                                 {"MessageBoxW(", "box", false},
                                 {"WaitForSingleObject(0x60,0)", "count", false},
                                 {"CreateToolhelp32Snapshot(", "look", false},
                                 {"ReleaseSemaphore(", "|", false}};
  std::string trace;
  for (const std::string& call : calls) {
    for (const Short& s : kShort) {
      if (call.rfind(s.prefix, 0) != 0) continue;
      std::string item = s.name;
      if (s.withArguments)
        item += call.substr(strlen(s.prefix), call.size() - strlen(s.prefix) - 1);
      std::replace(item.begin(), item.end(), ',', ':');
      trace += (trace.empty() ? "" : " ") + item;
    }
  }
  return trace;
}

std::vector<std::string> FakePlatform::CallsTo(std::string_view prefix) const {
  std::vector<std::string> matching;
  for (const std::string& call : calls) {
    if (call.rfind(prefix, 0) == 0) matching.push_back(call);
  }
  return matching;
}

bool FakePlatform::Call(const char* name, const std::string& arguments) {
  calls.push_back(std::string(name) + "(" + arguments + ")");
  return failing.count(name) != 0;
}

char16_t** FakePlatform::CommandLineToArgvW(const char16_t* commandLine, int* count) {
  commandLineSplit = commandLine;
  if (Call("CommandLineToArgvW")) return nullptr;
  argv_ = SplitCommandLine(commandLine);
  argvPointers_.clear();
  for (std::u16string& item : argv_) argvPointers_.push_back(item.data());
  *count = static_cast<int>(argvPointers_.size());
  return argvPointers_.data();
}

void FakePlatform::LocalFree(void* memory) {
  Call("LocalFree", memory == argvPointers_.data() ? "argv" : "other");
  // Poison the texts so that a pointer kept into the array shows up as a wrong value.
  for (std::u16string& item : argv_) item.assign(item.size(), u'#');
}

std::int32_t FakePlatform::GetDisplayConfigBufferSizes(std::uint32_t flags,
                                                       std::uint32_t* pathCount,
                                                       std::uint32_t* modeCount) {
  if (Call("GetDisplayConfigBufferSizes", std::to_string(flags))) return kFailure;
  *pathCount = static_cast<std::uint32_t>(paths.size());
  *modeCount = static_cast<std::uint32_t>(paths.size() * 2);
  return 0;
}

std::int32_t FakePlatform::QueryDisplayConfig(std::uint32_t flags, std::uint32_t* pathCount,
                                              std::uint8_t* pathArray, std::uint32_t* modeCount,
                                              std::uint8_t* modeArray, std::uint32_t* topologyId) {
  if (Call("QueryDisplayConfig", std::to_string(flags))) return kFailure;
  if (topologyId == nullptr || modeArray == nullptr) return 87;  // ERROR_INVALID_PARAMETER
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
  const auto type = static_cast<std::int32_t>(Get32(request));
  if (Call("DisplayConfigGetDeviceInfo", std::to_string(type))) return kFailure;
  if (type == 9) Put32(request + 20, advancedColorWord);
  if (type == 11) Put32(request + 20, whiteLevel);
  if (type == 15) {
    if (!currentModel) return kNotSupported;
    Put32(request + 20, advancedColor2Word);
    Put32(request + 32, activeColorMode);
  }
  return 0;
}

std::int32_t FakePlatform::DisplayConfigSetDeviceInfo(std::uint8_t* request) {
  const auto type = static_cast<std::int32_t>(Get32(request));
  if (Call("DisplayConfigSetDeviceInfo",
           std::to_string(type) + "," + std::to_string(Get32(request + 20)))) {
    return kFailure;
  }
  return type == 16 && !currentModel ? kNotSupported : 0;
}

MonitorHandle FakePlatform::MonitorFromWindow(WindowHandle window, std::uint32_t flags) {
  if (Call("MonitorFromWindow", Num(window) + "," + std::to_string(flags))) {
    return MonitorHandle::kNull;
  }
  return MonitorHandle{0x10001};
}

bool FakePlatform::GetNumberOfPhysicalMonitorsFromHMONITOR(MonitorHandle monitor,
                                                           std::uint32_t* count) {
  if (Call("GetNumberOfPhysicalMonitorsFromHMONITOR", Num(monitor))) return false;
  *count = monitorCount;
  return true;
}

bool FakePlatform::GetPhysicalMonitorsFromHMONITOR(MonitorHandle monitor, std::uint32_t count,
                                                   PhysicalMonitor* monitors) {
  if (Call("GetPhysicalMonitorsFromHMONITOR", Num(monitor) + "," + std::to_string(count))) {
    return false;
  }
  for (std::uint32_t i = 0; i < count; ++i) monitors[i].handle = Handle{0x101 + i};
  return true;
}

bool FakePlatform::GetMonitorCapabilities(Handle monitor, std::uint32_t* caps,
                                          std::uint32_t* colorTemperatures) {
  if (Call("GetMonitorCapabilities", Num(monitor))) return false;
  *caps = capabilities;
  *colorTemperatures = 0x7;
  return true;
}

bool FakePlatform::GetMonitorBrightness(Handle monitor, std::uint32_t* minimum,
                                        std::uint32_t* current, std::uint32_t* maximum) {
  if (Call("GetMonitorBrightness", Num(monitor))) return false;
  *minimum = 0;
  *current = 50;
  *maximum = 100;
  return true;
}

bool FakePlatform::SetMonitorBrightness(Handle monitor, std::uint32_t value) {
  return !Call("SetMonitorBrightness", Num(monitor) + "," + std::to_string(value));
}

bool FakePlatform::DestroyPhysicalMonitors(std::uint32_t count, PhysicalMonitor* monitors) {
  std::string handles = std::to_string(count);
  for (std::uint32_t i = 0; i < count; ++i) handles += "," + Num(monitors[i].handle);
  return !Call("DestroyPhysicalMonitors", handles);
}

void FakePlatform::Sleep(std::uint32_t milliseconds) {
  Call("Sleep", std::to_string(milliseconds));
  now += milliseconds;
}

bool FakePlatform::CreateProcessW(const char16_t* applicationName, char16_t* commandLine,
                                  bool inheritHandles, std::uint32_t creationFlags,
                                  const char16_t* currentDirectory, std::uint32_t startupInfoSize,
                                  ProcessInformation* information) {
  launched = {applicationName, commandLine, currentDirectory ? currentDirectory : u"(null)"};
  commandLine[0] = u'!';  // the real call may write into it too
  if (Call("CreateProcessW", std::string(inheritHandles ? "inherit," : "") + Num(creationFlags) +
                                 "," + std::to_string(startupInfoSize))) {
    return false;
  }
  information->process = Handle{0x50};
  information->thread = Handle{0x54};
  return true;
}

bool FakePlatform::CloseHandle(Handle handle) { return !Call("CloseHandle", Num(handle)); }

bool FakePlatform::ShellExecuteExW(const ShellExecuteRequest& request, Handle* process) {
  shellOpened = {request.file, request.parameters ? request.parameters : u"(null)",
                 request.directory ? request.directory : u"(null)"};
  if (Call("ShellExecuteExW")) return false;
  *process = Handle{0x58};
  return true;
}

Handle FakePlatform::CreateToolhelp32Snapshot(std::uint32_t flags, std::uint32_t processId) {
  if (Call("CreateToolhelp32Snapshot", std::to_string(flags) + "," + std::to_string(processId))) {
    return Handle::kNull;
  }
  if (!snapshots.empty()) {
    listing_ = snapshots.front();
    if (snapshots.size() > 1) snapshots.erase(snapshots.begin());
  }
  listed_ = 0;
  return Handle{0x70};
}

bool FakePlatform::Process32FirstW(Handle snapshot, ProcessEntry* entry) {
  listed_ = 0;
  return Process32NextW(snapshot, entry);
}

bool FakePlatform::Process32NextW(Handle, ProcessEntry* entry) {
  if (listed_ == listing_.size()) return false;
  const FakeProcess& process = listing_[listed_++];
  entry->processId = process.processId;
  std::fill(std::begin(entry->exeFile), std::end(entry->exeFile), u'\0');
  std::copy(process.exeFile.begin(), process.exeFile.end(), entry->exeFile);
  return true;
}

Handle FakePlatform::OpenProcess(std::uint32_t access, bool, std::uint32_t processId) {
  Call("OpenProcess", Num(access) + "," + std::to_string(processId));
  for (const FakeProcess& p : listing_) {
    if (p.processId == processId && p.openable) return Handle{0x1000 + processId};
  }
  return Handle::kNull;
}

bool FakePlatform::ProcessIdToSessionId(std::uint32_t processId, std::uint32_t* sessionId) {
  if (failing.count("ProcessIdToSessionId")) return false;
  *sessionId = 1;
  for (const FakeProcess& p : listing_) {
    if (p.processId == processId) *sessionId = p.session;
  }
  return true;
}

std::uint32_t FakePlatform::GetCurrentProcessId() { return 4; }

std::uint32_t FakePlatform::GetProcessId(Handle process) {
  return static_cast<std::uint32_t>(process) & 0xFFF;  // the child is 0x50, the shell's 0x58
}

std::uint64_t FakePlatform::GetTickCount64() { return now; }

Handle FakePlatform::OpenSemaphoreW(std::uint32_t access, bool inheritHandle,
                                    const char16_t* name) {
  Call("OpenSemaphoreW", Num(access) + (inheritHandle ? ",inherit," : ",") + Utf8(name));
  return Handle::kNull;  // none yet: the run creates it
}

Handle FakePlatform::CreateSemaphoreW(std::int32_t initialCount, std::int32_t maximumCount,
                                      const char16_t* name) {
  if (Call("CreateSemaphoreW",
           std::to_string(initialCount) + "," + std::to_string(maximumCount) + "," + Utf8(name))) {
    return Handle::kNull;
  }
  return Handle{0x60};
}

std::uint32_t FakePlatform::WaitForSingleObject(Handle handle, std::uint32_t milliseconds) {
  const bool fails = Call("WaitForSingleObject", Num(handle) + "," + std::to_string(milliseconds));
  // The semaphore has a free count; a listed process runs unless it is marked as ended.
  if (fails) return 0x102;
  for (const FakeProcess& p : listing_) {
    if (handle == Handle{0x1000 + p.processId}) return p.running ? 0x102 : 0;
  }
  return 0;
}

bool FakePlatform::ReleaseSemaphore(Handle semaphore, std::int32_t releaseCount,
                                    std::int32_t* previous) {
  if (Call("ReleaseSemaphore", Num(semaphore) + "," + std::to_string(releaseCount))) return false;
  *previous = previousCount;
  return true;
}

bool FakePlatform::SendMessageTimeoutW(WindowHandle window, std::uint32_t message,
                                       std::uintptr_t wParam, std::intptr_t lParam,
                                       std::uint32_t flags, std::uint32_t milliseconds) {
  return !Call("SendMessageTimeoutW", Num(window) + "," + Num(message) + "," + Num(wParam) + "," +
                                          std::to_string(lParam) + "," + Num(flags) + "," +
                                          std::to_string(milliseconds));
}

int FakePlatform::MessageBoxW(WindowHandle owner, const char16_t* text, const char16_t* caption,
                              std::uint32_t type) {
  boxes.push_back({text, caption});
  return Call("MessageBoxW", Num(owner) + "," + Utf8(caption) + "," + Num(type)) ? 0 : 1;
}

int FakePlatform::LoadStringW(InstanceHandle instance, std::uint32_t id, char16_t* buffer,
                              int capacity) {
  if (Call("LoadStringW",
           Num(instance) + "," + std::to_string(id) + "," + std::to_string(capacity))) {
    return 0;
  }
  const std::u16string text = id == 103 ? u"Glowtide" : u"GLOWTIDE";
  std::copy(text.begin(), text.end(), buffer);
  buffer[text.size()] = u'\0';
  return static_cast<int>(text.size());
}

IconHandle FakePlatform::LoadIconW(InstanceHandle instance, std::uintptr_t id) {
  if (Call("LoadIconW", Num(instance) + "," + std::to_string(id))) return IconHandle::kNull;
  return IconHandle{0x7000 + id};
}

CursorHandle FakePlatform::LoadCursorW(InstanceHandle instance, std::uintptr_t id) {
  if (Call("LoadCursorW", Num(instance) + "," + std::to_string(id))) return CursorHandle::kNull;
  return CursorHandle{0x8000};
}

std::uint16_t FakePlatform::RegisterClassExW(const WindowClass& windowClass) {
  registered = windowClass;
  const WindowClass& c = windowClass;
  return Call("RegisterClassExW",
              Utf8(c.className) + "," + std::to_string(c.size) + "," + std::to_string(c.style) +
                  "," + Num(c.icon) + "," + Num(c.cursor) + "," + std::to_string(c.background) +
                  "," + std::to_string(c.menuName) + "," + Num(c.smallIcon) + "," + Num(c.instance))
             ? 0
             : 1;
}

WindowHandle FakePlatform::CreateWindowExW(std::uint32_t exStyle, const char16_t* className,
                                           const char16_t* title, std::uint32_t style,
                                           std::int32_t x, std::int32_t y, std::int32_t width,
                                           std::int32_t height, WindowHandle parent,
                                           std::uintptr_t menu, InstanceHandle instance,
                                           void* parameter) {
  const bool fails = Call(
      "CreateWindowExW", std::to_string(exStyle) + "," + Utf8(className) + "," + Utf8(title) + "," +
                             Num(style) + "," + Num(static_cast<std::uint32_t>(x)) + "," +
                             std::to_string(y) + "," + Num(static_cast<std::uint32_t>(width)) +
                             "," + std::to_string(height) + "," + Num(parent) + "," + Num(menu) +
                             "," + Num(instance) + "," + (parameter ? "param" : "null"));
  return fails ? WindowHandle::kNull : WindowHandle{0x900};
}

bool FakePlatform::ShowWindow(WindowHandle window, std::int32_t command) {
  return !Call("ShowWindow", Num(window) + "," + std::to_string(command));
}

bool FakePlatform::UpdateWindow(WindowHandle window) { return !Call("UpdateWindow", Num(window)); }

AcceleratorHandle FakePlatform::LoadAcceleratorsW(InstanceHandle instance, std::uintptr_t id) {
  if (Call("LoadAcceleratorsW", Num(instance) + "," + std::to_string(id))) {
    return AcceleratorHandle::kNull;
  }
  return AcceleratorHandle{0xACC};
}

std::uint32_t FakePlatform::MsgWaitForMultipleObjectsEx(std::uint32_t count, const Handle* handles,
                                                        std::uint32_t milliseconds,
                                                        std::uint32_t wakeMask,
                                                        std::uint32_t flags) {
  std::string text = std::to_string(count);
  for (std::uint32_t i = 0; i < count; ++i) text += "," + Num(handles[i]);
  if (Call("MsgWaitForMultipleObjectsEx",
           text + "," + Num(milliseconds) + "," + Num(wakeMask) + "," + std::to_string(flags))) {
    return 0xFFFFFFFF;  // WAIT_FAILED
  }
  if (!waitResults.empty()) {
    const std::uint32_t result = waitResults.front();
    waitResults.erase(waitResults.begin());
    return result;
  }
  if (milliseconds == 0xFFFFFFFF) return 0;
  now += milliseconds;
  return 0x102;  // WAIT_TIMEOUT
}

bool FakePlatform::PeekMessageW(Message* message, WindowHandle window, std::uint32_t filterMin,
                                std::uint32_t filterMax, std::uint32_t remove) {
  Call("PeekMessageW", Num(window) + "," + std::to_string(filterMin) + "," +
                           std::to_string(filterMax) + "," + std::to_string(remove));
  if (queue.empty()) return false;
  *message = queue.front();
  queue.erase(queue.begin());
  return true;
}

int FakePlatform::TranslateAcceleratorW(WindowHandle window, AcceleratorHandle accelerators,
                                        const Message& message) {
  Call("TranslateAcceleratorW", Num(window) + "," + Num(accelerators) + "," + Num(message.message));
  return message.message == 0x0104 ? 1 : 0;  // WM_SYSKEYDOWN stands for Alt+?
}

bool FakePlatform::TranslateMessage(const Message& message) {
  return !Call("TranslateMessage", Num(message.message));
}

std::intptr_t FakePlatform::DispatchMessageW(const Message& message) {
  Call("DispatchMessageW", Num(message.message));
  return 0;
}

std::intptr_t FakePlatform::DefWindowProcW(WindowHandle window, std::uint32_t message,
                                           std::uintptr_t wParam, std::intptr_t lParam) {
  Call("DefWindowProcW",
       Num(window) + "," + Num(message) + "," + Num(wParam) + "," + std::to_string(lParam));
  return 77;
}

void FakePlatform::BeginPaint(WindowHandle window) { Call("BeginPaint", Num(window)); }

void FakePlatform::EndPaint(WindowHandle window) { Call("EndPaint", Num(window)); }

bool FakePlatform::DestroyWindow(WindowHandle window) {
  return !Call("DestroyWindow", Num(window));
}

void FakePlatform::PostQuitMessage(std::int32_t exitCode) {
  Call("PostQuitMessage", std::to_string(exitCode));
}

}  // namespace glowtide::testing
