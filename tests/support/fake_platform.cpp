// The recording fake's call bodies.
#include "fake_platform.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <type_traits>

#include "app/options.h"
#include "argv_model.h"
#include "common/little_endian.h"
#include "launch/launch_counting.h"

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
  FIELD(waitSeconds), FIELD(chooseDisplay), FIELD(display), FIELD(setMode), FIELD(mode);
  FIELD(restoreMode), FIELD(quitMode);
#undef FIELD
  return out;
}

std::string Num(std::uint64_t value) {
  char text[24];
  snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
  return text;
}

SharedTable TableWith(const std::vector<FakePlace>& places) {
  auto table = std::make_shared<std::vector<std::uint8_t>>(kLaunchTableSize);
  for (std::size_t i = 0; i < places.size(); ++i) {
    std::uint8_t* place = table->data() + kLaunchPlaceSize * i;
    WriteLittleEndian32(place, places[i].processId);
    WriteLittleEndian32(place + 4, static_cast<std::uint32_t>(places[i].targets.size()));
    WriteLittleEndian64(place + 8, places[i].created);
    for (std::size_t d = 0; d < places[i].targets.size(); ++d) {
      WriteLittleEndian32(place + 16 + 12 * d, 0x1234);
      WriteLittleEndian32(place + 24 + 12 * d, places[i].targets[d]);
    }
  }
  return table;
}

namespace {

constexpr std::int32_t kFailure = 31;  // ERROR_GEN_FAILURE
constexpr std::int32_t kNotSupported = 50;
constexpr Handle kLock{0x60};

}  // namespace

std::string Trace(const std::vector<std::string>& calls) {
  struct Short {
    const char* prefix;
    const char* name;
    bool withArguments;  // what follows the prefix, with its comma as a colon
  };
  static const Short kShort[] = {{"DisplayConfigGetDeviceInfo(", "get", true},
                                 {"DisplayConfigSetDeviceInfo(", "set", true},
                                 {"GetMonitorBrightness(", "getB", false},
                                 {"SetMonitorBrightness(0x101,", "setB:", true},
                                 {"SetMonitorBrightness(", "setB@", true},
                                 {"GetMonitorCapabilities(", "caps", false},
                                 {"DestroyPhysicalMonitors(", "free", false},
                                 {"MessageBoxW(", "box", false},
                                 {"WaitForSingleObject(0x60,", "[", false},
                                 {"MsgWaitForMultipleObjectsEx(1,0x60,0xbb8,", "[3s", false},
                                 {"MsgWaitForMultipleObjectsEx(1,0x60,", "[", false},
                                 {"ReleaseMutex(", "]", false},
                                 {"CreateToolhelp32Snapshot(", "look", false},
                                 {"Sleep(50)", "~", false},
                                 {"PowerReadACValueIndex(", "getPac", false},
                                 {"PowerReadDCValueIndex(", "getPdc", false},
                                 {"PowerWriteACValueIndex(", "setPac:", true},
                                 {"PowerWriteDCValueIndex(", "setPdc:", true},
                                 {"PowerSetActiveScheme(", "apply", false},
                                 {"ChangeDisplaySettingsExW(", "mode:", true}};
  std::string trace;
  for (const std::string& call : calls) {
    for (const Short& s : kShort) {
      if (call.rfind(s.prefix, 0) != 0) continue;
      std::string item = s.name;
      if (s.withArguments)
        item += call.substr(strlen(s.prefix), call.size() - strlen(s.prefix) - 1);
      std::replace(item.begin(), item.end(), ',', ':');
      // The requests that read each display's device and name are left out.
      if (item == "get1" || item == "get2" || item.rfind("get1@", 0) == 0 ||
          item.rfind("get2@", 0) == 0) {
        break;
      }
      trace += (trace.empty() ? "" : " ") + item;
      break;
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

std::vector<std::string> FakePlatform::Places() const {
  std::vector<std::string> places;
  for (std::size_t at = 0; at < table->size(); at += kLaunchPlaceSize) {
    const std::uint8_t* place = table->data() + at;
    if (ReadLittleEndian32(place) == 0) continue;
    std::string text = std::to_string(ReadLittleEndian32(place)) + ":";
    for (std::uint32_t d = 0; d < ReadLittleEndian32(place + 4); ++d)
      text += (d ? "," : "") + std::to_string(ReadLittleEndian32(place + 24 + 12 * d));
    places.push_back(text);
  }
  return places;
}

bool FakePlatform::Call(const char* name, const std::string& arguments) {
  calls.push_back(std::string(name) + "(" + arguments + ")");
  const bool fails = failing.count(name) != 0;
  if (fails) lastError_ = kFailure;
  return fails;
}

namespace {

bool IsBrightness(const Guid* subgroup, const Guid* setting) {
  return std::memcmp(subgroup, &kVideoSubgroup, sizeof(Guid)) == 0 &&
         std::memcmp(setting, &kVideoBrightness, sizeof(Guid)) == 0;
}

}  // namespace

std::uint32_t FakePlatform::ReadScheme(const char* name, const Guid* scheme, const Guid* subgroup,
                                       const Guid* setting, std::uint32_t kept,
                                       std::uint32_t* value) {
  if (Call(name) || !IsScheme(scheme) || !IsBrightness(subgroup, setting)) return 87;
  *value = kept;
  return 0;
}

std::uint32_t FakePlatform::WriteScheme(const char* name, const Guid* scheme, const Guid* subgroup,
                                        const Guid* setting, std::uint32_t& kept,
                                        std::uint32_t value) {
  if (Call(name, std::to_string(value)) || !IsScheme(scheme) || !IsBrightness(subgroup, setting))
    return 87;
  kept = value;
  return 0;
}

std::string FakePlatform::Target(std::uint32_t id) const {
  return id == 7 ? "" : "@" + std::to_string(id);
}

const FakeProcess* FakePlatform::Find(std::uint32_t processId) const {
  for (const FakeProcess& p : processes) {
    if (p.processId == processId) return &p;
  }
  return nullptr;
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
  Call("LocalFree", memory == argvPointers_.data() ? "argv"
                    : memory == &scheme_           ? "scheme"
                                                   : "other");
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
  if (std::exchange(changed, false)) return 122;                 // ERROR_INSUFFICIENT_BUFFER
  if (topologyId == nullptr || modeArray == nullptr) return 87;  // ERROR_INVALID_PARAMETER
  if (*pathCount < paths.size() || *modeCount < paths.size() * 2) return 122;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    std::uint8_t* element = pathArray + i * 72;
    std::fill(element, element + 72, 0xCD);  // fields the program must not read
    WriteLittleEndian32(element + 0, paths[i].adapterLow);
    WriteLittleEndian32(element + 4, static_cast<std::uint32_t>(paths[i].adapterHigh));
    WriteLittleEndian32(element + 8, paths[i].source);
    WriteLittleEndian32(element + 20, paths[i].adapterLow);
    WriteLittleEndian32(element + 24, static_cast<std::uint32_t>(paths[i].adapterHigh));
    WriteLittleEndian32(element + 28, paths[i].targetId);
  }
  *pathCount = static_cast<std::uint32_t>(paths.size());
  *modeCount = static_cast<std::uint32_t>(paths.size() * 2);
  *topologyId = 1;
  return 0;
}

std::int32_t FakePlatform::DisplayConfigGetDeviceInfo(std::uint8_t* request) {
  const auto type = static_cast<std::int32_t>(ReadLittleEndian32(request));
  const std::uint32_t id = ReadLittleEndian32(request + 16);
  if (Call("DisplayConfigGetDeviceInfo", std::to_string(type) + Target(id))) return kFailure;
  if (Refuses(request)) return 87;  // ERROR_INVALID_PARAMETER
  for (const FakePath& path : paths) {
    if (type == 1 && path.source == id) {
      const std::u16string device = u"\\\\.\\DISPLAY" + std::u16string(1, u'1' + id);
      for (std::size_t i = 0; i < device.size(); ++i) {
        request[20 + 2 * i] = static_cast<std::uint8_t>(device[i]);
      }
    }
    if (type == 2 && path.targetId == id) {
      WriteLittleEndian32(request + 20, path.name.empty() ? 0 : 1);
      WriteLittleEndian32(request + 24, path.technology);
      for (std::size_t i = 0; i < path.devicePath.size(); ++i) {
        request[164 + 2 * i] = static_cast<std::uint8_t>(path.devicePath[i]);
        request[165 + 2 * i] = static_cast<std::uint8_t>(path.devicePath[i] >> 8);
      }
      for (std::size_t i = 0; i < path.name.size(); ++i) {
        request[36 + 2 * i] = static_cast<std::uint8_t>(path.name[i]);
        request[37 + 2 * i] = static_cast<std::uint8_t>(path.name[i] >> 8);
      }
    }
  }
  const TargetState& state = StateOf(id);
  if (type == 9)
    WriteLittleEndian32(request + 20, (advancedColorWord & ~2u) | (state.hdrOn ? 2 : 0));
  if (type == 11) WriteLittleEndian32(request + 20, state.whiteLevel);
  if (type == 15) {
    if (!newerReads.empty()) {
      const std::int32_t result = newerReads.front();
      newerReads.erase(newerReads.begin());
      if (result != 0) return result;
    }
    if (!currentModel) return kNotSupported;
    WriteLittleEndian32(request + 20, advancedColor2Word);
    WriteLittleEndian32(request + 32, state.hdrOn ? 2 : activeColorMode == 2 ? 0 : activeColorMode);
  }
  return 0;
}

std::int32_t FakePlatform::DisplayConfigSetDeviceInfo(std::uint8_t* request) {
  const auto type = static_cast<std::int32_t>(ReadLittleEndian32(request));
  if (Call("DisplayConfigSetDeviceInfo", std::to_string(type) +
                                             Target(ReadLittleEndian32(request + 16)) + "," +
                                             std::to_string(ReadLittleEndian32(request + 20)))) {
    return kFailure;
  }
  if (Refuses(request)) return 87;
  if (type == 16 && (!currentModel || !(advancedColor2Word & 0x10))) return kNotSupported;
  TargetState& state = StateOf(ReadLittleEndian32(request + 16));
  if (type == 10 || type == 16) state.hdrOn = ReadLittleEndian32(request + 20) == 1;
  if (type == -18) state.whiteLevel = ReadLittleEndian32(request + 20);
  return 0;
}

bool FakePlatform::Refuses(const std::uint8_t* request) const {
  const auto type = static_cast<std::int32_t>(ReadLittleEndian32(request));
  static const std::map<std::int32_t, std::uint32_t> kSizes = {
      {1, 84}, {2, 420}, {9, 32}, {10, 24}, {11, 24}, {15, 36}, {16, 24}, {-18, 28}};
  if (!kSizes.count(type) || kSizes.at(type) != ReadLittleEndian32(request + 4)) return true;
  if (type == -18 && ReadLittleEndian32(request + 24) != 1) return true;  // the flag word
  for (const FakePath& path : paths) {
    if (ReadLittleEndian32(request + 8) == path.adapterLow &&
        ReadLittleEndian32(request + 12) == static_cast<std::uint32_t>(path.adapterHigh) &&
        ReadLittleEndian32(request + 16) == (type == 1 ? path.source : path.targetId)) {
      return false;
    }
  }
  return true;
}

FakePlatform::TargetState& FakePlatform::StateOf(std::uint32_t targetId) {
  if (!targets_.count(targetId)) {
    bool on = currentModel ? activeColorMode == 2 : (advancedColorWord & 2) != 0;
    for (const FakePath& path : paths) on = on || (path.targetId == targetId && path.hdrOn);
    targets_[targetId] = {on, whiteLevel};
  }
  return targets_[targetId];
}

bool FakePlatform::EnumDisplaySettingsExW(const char16_t* device, std::uint32_t modeNumber,
                                          DisplayMode* mode) {
  if (Call("EnumDisplaySettingsExW", Utf8(device) + "," + Num(modeNumber))) return false;
  if (modeNumber == kEnumRegistrySettings) {
    *mode = desktopMode;
  } else if (modeNumber == kEnumCurrentSettings) {
    *mode = modeOf_.count(device) ? modeOf_[device] : currentMode;
  } else if (modeNumber < modes.size()) {
    *mode = modes[modeNumber];
  } else {
    return false;
  }
  return true;
}

std::int32_t FakePlatform::ChangeDisplaySettingsExW(const char16_t* device, const DisplayMode& mode,
                                                    std::uint32_t flags) {
  const std::string name = Utf8(device).substr(4);
  if (Call("ChangeDisplaySettingsExW",
           (name == "DISPLAY1" ? "" : "@" + name + ",") + std::to_string(mode.width) + "x" +
               std::to_string(mode.height) + "@" + std::to_string(mode.frequency) + "," +
               std::to_string(mode.bitsPerPixel) + "," + Num(mode.fields) + "," +
               std::to_string(flags))) {
    return -1;  // DISP_CHANGE_FAILED
  }
  if (changeResult == 0 && !modeStuck) modeOf_[device] = mode;
  return changeResult;
}

bool FakePlatform::EnumDisplayMonitors(std::vector<MonitorHandle>* monitors) {
  if (Call("EnumDisplayMonitors")) return false;
  for (const FakePath& path : paths) {
    const MonitorHandle monitor{0x10001 + path.source};
    if (std::find(monitors->begin(), monitors->end(), monitor) == monitors->end())
      monitors->push_back(monitor);
  }
  return true;
}

bool FakePlatform::GetMonitorInfoW(MonitorHandle monitor, MonitorInfo* info) {
  if (Call("GetMonitorInfoW", Num(monitor))) return false;
  const auto source = static_cast<std::uint32_t>(monitor) - 0x10001;
  info->flags = source == primarySource ? 1 : 0;
  const std::u16string device = u"\\\\.\\DISPLAY" + std::u16string(1, u'1' + source);
  std::copy(device.begin(), device.end(), info->device);
  return true;
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

bool FakePlatform::ShellExecuteExW(const ShellExecuteRequest& request, Handle* process) {
  shellOpened = {request.file, request.parameters ? request.parameters : u"(null)",
                 request.directory ? request.directory : u"(null)"};
  if (Call("ShellExecuteExW")) {
    lastError_ = 2;  // ERROR_FILE_NOT_FOUND
    return false;
  }
  *process = shellStartsProcess ? Handle{0x58} : Handle::kNull;
  return true;
}

Handle FakePlatform::CreateToolhelp32Snapshot(std::uint32_t flags, std::uint32_t processId) {
  if (Call("CreateToolhelp32Snapshot", std::to_string(flags) + "," + std::to_string(processId))) {
    return Handle::kNull;
  }
  if (!snapshots.empty()) {
    processes = snapshots.front();
    if (snapshots.size() > 1) snapshots.erase(snapshots.begin());
  }
  listed_ = 0;
  return Handle{0x70};
}

bool FakePlatform::Process32NextW(Handle, ProcessEntry* entry) {
  if (listed_ == processes.size()) return false;
  const FakeProcess& process = processes[listed_++];
  entry->processId = process.processId;
  entry->threads = process.threads;
  std::fill(std::begin(entry->exeFile), std::end(entry->exeFile), u'\0');
  std::copy(process.exeFile.begin(), process.exeFile.end(), entry->exeFile);
  return true;
}

Handle FakePlatform::OpenProcess(std::uint32_t access, bool, std::uint32_t processId) {
  Call("OpenProcess", Num(access) + "," + std::to_string(processId));
  const FakeProcess* process = Find(processId);
  lastError_ = process ? 5 : 87;  // ERROR_ACCESS_DENIED, ERROR_INVALID_PARAMETER
  return process && process->openable ? Handle{0x1000 + processId} : Handle::kNull;
}

bool FakePlatform::GetProcessTimes(Handle process, std::uint64_t* creationTime) {
  if (Call("GetProcessTimes", Num(process))) return false;
  *creationTime = 7;  // this process's
  for (const FakeProcess& p : processes) {
    if (process == Handle{0x1000 + p.processId}) *creationTime = p.created;
  }
  return true;
}

std::int32_t FakePlatform::CompareStringOrdinal(const char16_t* a, std::int32_t aLength,
                                                const char16_t* b, std::int32_t bLength,
                                                bool ignoreCase) {
  // Folds as Windows does for the letters the tests use: ASCII and Latin-1.
  auto fold = [ignoreCase](char16_t c) -> char16_t {
    const bool lower = (c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7);
    return ignoreCase && lower ? static_cast<char16_t>(c - 0x20) : c;
  };
  const std::u16string_view x(a, aLength), y(b, bLength);
  if (x.size() != y.size()) return x.size() < y.size() ? 1 : 3;
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (fold(x[i]) != fold(y[i])) return fold(x[i]) < fold(y[i]) ? 1 : 3;
  }
  return 2;
}

std::uint32_t FakePlatform::FormatMessageW(std::uint32_t flags, std::uint32_t messageId,
                                           char16_t* buffer, std::uint32_t capacity) {
  if (Call("FormatMessageW",
           Num(flags) + "," + std::to_string(messageId) + "," + std::to_string(capacity))) {
    return 0;
  }
  const std::u16string text = u"The system cannot find the file specified.\r\n";
  std::copy(text.begin(), text.end(), buffer);
  return static_cast<std::uint32_t>(text.size());
}

std::uint32_t FakePlatform::WaitForSingleObject(Handle handle, std::uint32_t milliseconds) {
  const bool fails = Call("WaitForSingleObject", Num(handle) + "," + std::to_string(milliseconds));
  if (fails) return 0xFFFFFFFF;
  if (handle == kLock) {
    if (lockResult == 0x102) now += milliseconds;
    return lockResult;
  }
  // A listed process runs unless it is marked as ended.
  for (const FakeProcess& p : processes) {
    if (handle == Handle{0x1000 + p.processId}) return p.running ? 0x102 : 0;
  }
  return 0;
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
    if (result == 0x102) now += milliseconds;
    return result;
  }
  if (count == 1 && handles[0] == kLock) {
    if (lockResult == 0x102) now += milliseconds;
    return lockResult;
  }
  // A listed process runs; any other handle (the child, the shell's) has ended. An endless wait
  // on running processes ends with the first of them.
  for (std::uint32_t i = 0; i < count; ++i) {
    const FakeProcess* process = Find(static_cast<std::uint32_t>(handles[i]) - 0x1000);
    if (!process || !process->running) return i;
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

}  // namespace glowtide::testing
