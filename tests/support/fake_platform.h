// A recording fake of the platform: succeeds by default, fails any call named in `failing`,
// answers from a small simulated machine, and records every call in order. It asserts nothing;
// the tests do.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "argv_model.h"
#include "common/little_endian.h"
#include "launch/launch_counting.h"
#include "platform/platform.h"
#include "settings/launch_settings.h"

namespace glowtide::testing {

std::string Utf8(std::u16string_view text);
std::string Num(std::uint64_t value);  // "0x1f"
template <typename H>
std::string Num(H handle) {
  return Num(static_cast<std::uint64_t>(handle));
}

// The calls that read or change the display and the monitor, the table and the look for a game,
// in a short form: "get15", "set16:1", "set-18:2222", "getB", "setB:70", "caps", "free" (the
// physical monitors released), "box", "[" and "]" (the table's lock taken and let go), "look" (a
// process snapshot) and "~" (the pause between two tries); a target other than 7 as "@<id>", a
// physical monitor other than 0x101 as "setB@<handle>".
std::string Trace(const std::vector<std::string>& calls);

// An argument as a recorded call shows it: a handle in hex, a number in decimal, a text as UTF-8.
inline std::string Text(const std::string& text) { return text; }
inline std::string Text(const char* text) { return text; }
inline std::string Text(const char16_t* text) { return Utf8(text); }
template <typename T>
requires std::is_arithmetic_v<T> || std::is_enum_v<T> std::string Text(T value) {
  if constexpr (std::is_enum_v<T>) {
    return Num(value);
  } else {
    return std::to_string(value);
  }
}

// The settings that parsing makes of this argument part of a command line.
LaunchSettings SettingsFrom(std::u16string_view arguments);
// Every field of the settings as "name=value" lines, so that a comparison names the field.
std::string Describe(const LaunchSettings& settings);

// A display path: its target, and its source on the same adapter (source s is the device
// "\\.\DISPLAY<s+1>" and the monitor 0x10001 + s); the target's friendly name (none: not from
// the EDID) and output technology.
struct FakePath {
  std::uint32_t adapterLow;
  std::int32_t adapterHigh;
  std::uint32_t targetId;
  std::uint32_t source = 0;
  std::u16string name = u"";
  std::uint32_t technology = 0;
  bool hdrOn = false;               // this display's HDR is on, whatever the machine's words say
  std::u16string devicePath = u"";  // the monitor's, in the type-2 reply
};

struct FakeProcess {
  std::uint32_t processId;
  std::u16string exeFile;
  std::uint32_t session = 1;
  bool openable = true;       // false: it exists, but opening it is refused
  bool running = true;        // false: ended, but still listed while a handle holds it
  std::uint32_t threads = 1;  // 0: ended, as the snapshot shows it
};

struct RecordedBox {
  std::u16string text;
  std::u16string caption;
};

// The shared table of waiting instances: fakes made from one Machine share it.
using SharedTable = std::shared_ptr<std::vector<std::uint8_t>>;
// A place: an instance's process id and creation time, the target ids (on adapter 0x1234) it
// claims, and whether it is restoring them.
struct FakePlace {
  std::uint32_t processId;
  std::uint64_t created;
  std::vector<std::uint32_t> targets = {7};
  bool restoring = false;
};
SharedTable TableWith(const std::vector<FakePlace>& places);

// What the fake's machine answers; a test names only what differs from these.
struct Machine {
  // Calls by name that fail: they return their failure value and change nothing; and calls that
  // succeed and change nothing.
  std::set<std::string> failing;
  std::set<std::string> ignoring;

  // The display: the older advanced-colour model, or the current one that also answers types 15
  // and 16.
  std::vector<FakePath> paths = {{0x1234, 0, 7}};
  bool currentModel = false;
  std::uint32_t advancedColorWord = 0x1;    // type 9: supported, off
  std::uint32_t advancedColor2Word = 0x10;  // type 15: HDR supported
  std::uint32_t activeColorMode = 0;        // type 15: SDR
  std::uint32_t whiteLevel = 1000;
  std::vector<std::int32_t> newerReads;  // the results of the first type-15 reads, in order
  // The modes every display lists, the one each is in (as a change leaves it), the desktop mode
  // saved, and what a change answers.
  std::vector<DisplayMode> modes = {{2560, 1440, 144, 32},
                                    {2560, 1440, 60, 32},
                                    {1920, 1080, 60, 32},
                                    {1920, 1080, 59, 32},
                                    {1280, 720, 60, 16}};
  DisplayMode currentMode = {2560, 1440, 144, 32};
  DisplayMode desktopMode = {2560, 1440, 144, 32};
  std::int32_t changeResult = 0;
  bool changed = false;  // the configuration changes once between the sizes and the query
  // The paths of the second query, the third, and so on, the last repeating: monitors plugged in
  // or out while a game ran.
  std::vector<std::vector<FakePath>> replugged;

  // Each monitor's physical monitors (of monitor s: handles 0x101 + 0x10 * s, and on), with these
  // descriptions, at brightness 50 of 0 to 100; the primary monitor's source.
  std::uint32_t monitorCount = 1;
  std::vector<std::u16string> descriptions;
  std::uint32_t primarySource = 0;
  // Sets are kept within the run, so that reads back see them; a monitor keeps its brightness
  // within 0 to 100, but acknowledges and ignores this many first sets.
  std::uint32_t ignoredWrites = 0;

  // Each monitor's VCP codes: the value each starts at (50 of 100 for one not named; the input
  // source, 0x60, of 0x1B), the codes whose reads fail, and whether the input source reads as the
  // input the monitor started on whatever was set.
  std::map<std::uint8_t, std::uint32_t> vcpCodes = {{0x60, 0x0F}};
  std::set<std::uint8_t> unreadableCodes;
  bool oldInput = false;

  // The power scheme's display brightness on mains and on battery, and the power source.
  std::uint32_t mainsBrightness = 60;
  std::uint32_t batteryBrightness = 40;
  std::uint8_t acLineStatus = 1;
  std::uint32_t capabilities = 0x2;

  // Processes: this process is 4, created at 7. Each snapshot lists the next entry (the last one
  // repeats) and becomes the processes that can be opened. The shell starts process 0x58.
  std::vector<FakeProcess> processes;
  std::vector<std::vector<FakeProcess>> snapshots;
  bool shellStartsProcess = true;  // false: the shell hands back no process
  SharedTable table = TableWith({});
  std::uint32_t lockResult = 0;  // WAIT_ABANDONED_0 (0x80): its last owner ended holding it
  // The named events that exist (an instance's live event, while it runs), and what a wait on
  // another instance's answers: signalled once its restore has ended, or WAIT_TIMEOUT.
  std::set<std::string> events;
  std::uint32_t eventResult = 0;
  std::set<std::string> endWithTheChild;  // live events whose instances end when the child does

  // Whether the process was given a standard output (a program started from a prompt or a
  // shortcut is not) and a standard error, and what was written: the standard output's as "-",
  // the standard error's as "2>", each file's by path.
  bool standardOutput = true;
  bool standardError = false;
  std::map<std::u16string, std::string> written;
  // The rest of the file system is the files in written, under this local application data
  // folder; the registry's values of the current user by "<key>\\<name>"; the time (FILETIME's
  // units) when now was 0.
  std::u16string localAppData = u"C:\\Users\\player\\AppData\\Local";
  std::map<std::u16string, std::u16string> registry = {
      {u"Software\\GlowtideSignIn\\id", u"13400000000"}};  // this sign-in's id
  std::uint64_t fileTimeAtZero = 134000000000000000;
  // Paths in written that are folders, and when files were last written where that is not now.
  std::set<std::u16string> folders;
  std::map<std::u16string, std::uint64_t> writeTimes;

  // The hidden window's waits and queue.
  // One per wait; then a wait returns the first handle that is not a running process, or else
  // times out (or, endless, returns the first).
  std::vector<std::uint32_t> waitResults;
  std::vector<Message> queue;  // what PeekMessageW removes, in order
  std::uint64_t now = 1000;    // milliseconds; a timed wait that times out, and Sleep, advance it
  std::intptr_t userData = 0;
};

class FakePlatform : public Platform, public Machine {
 public:
  static constexpr std::int32_t kFailure = 31;  // ERROR_GEN_FAILURE
  static constexpr std::int32_t kNotSupported = 50;
  static constexpr Handle kLock{0x60};
  FakePlatform() = default;
  explicit FakePlatform(Machine machine) : Machine(std::move(machine)) {}

  // What was seen.
  std::vector<std::string> calls;
  WindowClass registered;
  std::vector<RecordedBox> boxes;
  std::u16string commandLineSplit;
  std::vector<std::u16string> shellOpened;  // file | parameters | directory
  std::vector<std::u16string> launched;     // application | command line | directory

  std::string Trace() const { return testing::Trace(calls); }
  // The recorded calls that begin with prefix, in order.
  std::vector<std::string> CallsTo(std::string_view prefix) const {
    std::vector<std::string> matching;
    for (const std::string& call : calls) {
      if (call.rfind(prefix, 0) == 0) matching.push_back(call);
    }
    return matching;
  }
  // Each place of the shared table as "id:target,target", and " restoring" while it is.
  std::vector<std::string> Places() const {
    std::vector<std::string> places;
    for (std::size_t at = 0; at < table->size(); at += kLaunchPlaceSize) {
      const std::uint8_t* place = table->data() + at;
      if (ReadLittleEndian32(place) == 0) continue;
      std::string text = std::to_string(ReadLittleEndian32(place)) + ":";
      const std::uint32_t count = ReadLittleEndian32(place + 4);
      for (std::uint32_t d = 0; d < (count & ~kRestoringFlag); ++d)
        text += (d ? "," : "") + std::to_string(ReadLittleEndian32(place + 24 + 12 * d));
      places.push_back(text + (count & kRestoringFlag ? " restoring" : ""));
    }
    return places;
  }

  char16_t** CommandLineToArgvW(const char16_t* commandLine, int* count) override {
    commandLineSplit = commandLine;
    if (Call("CommandLineToArgvW")) return nullptr;
    argv_ = SplitCommandLine(commandLine);
    argvPointers_.clear();
    for (std::u16string& item : argv_) argvPointers_.push_back(item.data());
    *count = static_cast<int>(argvPointers_.size());
    return argvPointers_.data();
  }
  void LocalFree(void* memory) override {
    Call("LocalFree", memory == argvPointers_.data() ? "argv"
                      : memory == &scheme_           ? "scheme"
                                                     : "other");
    // Poison the texts so that a pointer kept into the array shows up as a wrong value.
    for (std::u16string& item : argv_) item.assign(item.size(), u'#');
  }

  std::int32_t GetDisplayConfigBufferSizes(std::uint32_t flags, std::uint32_t* pathCount,
                                           std::uint32_t* modeCount) override {
    if (Call("GetDisplayConfigBufferSizes", flags)) return kFailure;
    if (sized_++ > 0 && !replugged.empty()) {
      paths = replugged.front();
      if (replugged.size() > 1) replugged.erase(replugged.begin());
    }
    *pathCount = static_cast<std::uint32_t>(paths.size());
    *modeCount = static_cast<std::uint32_t>(paths.size() * 2);
    return 0;
  }
  std::int32_t QueryDisplayConfig(std::uint32_t flags, std::uint32_t* pathCount,
                                  std::uint8_t* pathArray, std::uint32_t* modeCount,
                                  std::uint8_t* modeArray, std::uint32_t* topologyId) override {
    if (Call("QueryDisplayConfig", flags)) return kFailure;
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
  std::int32_t DisplayConfigGetDeviceInfo(std::uint8_t* request) override {
    const auto type = static_cast<std::int32_t>(ReadLittleEndian32(request));
    const std::uint32_t id = ReadLittleEndian32(request + 16);
    if (Call("DisplayConfigGetDeviceInfo", std::to_string(type) + Target(id))) return kFailure;
    if (Refuses(request)) return 87;  // ERROR_INVALID_PARAMETER
    // A text in UTF-16, low byte first, at the offset.
    auto put = [request](std::size_t offset, std::u16string_view text) {
      for (std::size_t i = 0; i < text.size(); ++i) {
        request[offset + 2 * i] = static_cast<std::uint8_t>(text[i]);
        request[offset + 2 * i + 1] = static_cast<std::uint8_t>(text[i] >> 8);
      }
    };
    for (const FakePath& path : paths) {
      if (type == 1 && path.source == id) put(20, u"\\\\.\\DISPLAY" + std::u16string(1, u'1' + id));
      if (type == 2 && path.targetId == id) {
        WriteLittleEndian32(request + 20, path.name.empty() ? 0 : 1);
        WriteLittleEndian32(request + 24, path.technology);
        put(36, path.name);
        put(164, path.devicePath);
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
      WriteLittleEndian32(request + 32, state.hdrOn            ? 2
                                        : activeColorMode == 2 ? 0
                                                               : activeColorMode);
    }
    return 0;
  }
  std::int32_t DisplayConfigSetDeviceInfo(std::uint8_t* request) override {
    const auto type = static_cast<std::int32_t>(ReadLittleEndian32(request));
    if (Call("DisplayConfigSetDeviceInfo",
             std::to_string(type) + Target(ReadLittleEndian32(request + 16)),
             std::to_string(ReadLittleEndian32(request + 20)))) {
      return kFailure;
    }
    if (Refuses(request)) return 87;
    if (type == 16 && (!currentModel || !(advancedColor2Word & 0x10))) return kNotSupported;
    if (ignoring.count("DisplayConfigSetDeviceInfo")) return 0;
    TargetState& state = StateOf(ReadLittleEndian32(request + 16));
    if (type == 10 || type == 16) state.hdrOn = ReadLittleEndian32(request + 20) == 1;
    if (type == -18) state.whiteLevel = ReadLittleEndian32(request + 20);
    return 0;
  }
  bool EnumDisplaySettingsExW(const char16_t* device, std::uint32_t modeNumber,
                              DisplayMode* mode) override {
    if (Call("EnumDisplaySettingsExW", device, Num(modeNumber))) return false;
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
  std::int32_t ChangeDisplaySettingsExW(const char16_t* device, const DisplayMode& mode,
                                        std::uint32_t flags) override {
    const std::string name = Utf8(device).substr(4);
    if (Call("ChangeDisplaySettingsExW",
             (name == "DISPLAY1" ? "" : "@" + name + ",") + std::to_string(mode.width) + "x" +
                 std::to_string(mode.height) + "@" + std::to_string(mode.frequency),
             mode.bitsPerPixel, Num(mode.fields), flags)) {
      return -1;  // DISP_CHANGE_FAILED
    }
    if (changeResult == 0 && !ignoring.count("ChangeDisplaySettingsExW")) {
      modeOf_[device] = mode;
      ++modeChanges_;
    }
    return changeResult;
  }

  MonitorHandle MonitorFromWindow(WindowHandle window, std::uint32_t flags) override {
    if (Call("MonitorFromWindow", window, flags)) return {};
    return Monitor(primarySource);
  }
  bool EnumDisplayMonitors(std::vector<MonitorHandle>* monitors) override {
    if (Call("EnumDisplayMonitors")) return false;
    for (const FakePath& path : paths) {
      const MonitorHandle monitor = Monitor(path.source);
      if (std::find(monitors->begin(), monitors->end(), monitor) == monitors->end())
        monitors->push_back(monitor);
    }
    return true;
  }
  bool GetMonitorInfoW(MonitorHandle monitor, MonitorInfo* info) override {
    if (Call("GetMonitorInfoW", monitor)) return false;
    const std::uint32_t source = SourceOf(monitor);
    info->flags = source == primarySource ? 1 : 0;
    const std::u16string device = u"\\\\.\\DISPLAY" + std::u16string(1, u'1' + source);
    std::copy(device.begin(), device.end(), info->device);
    return true;
  }
  bool GetNumberOfPhysicalMonitorsFromHMONITOR(MonitorHandle monitor,
                                               std::uint32_t* count) override {
    // No monitor has no physical monitors, and nor has one that a mode change has replaced.
    if (Call("GetNumberOfPhysicalMonitorsFromHMONITOR", monitor) || monitor == MonitorHandle{} ||
        monitor != Monitor(SourceOf(monitor)))
      return false;
    *count = monitorCount;
    return true;
  }
  bool GetPhysicalMonitorsFromHMONITOR(MonitorHandle monitor, std::uint32_t count,
                                       PhysicalMonitor* monitors) override {
    if (Call("GetPhysicalMonitorsFromHMONITOR", monitor, count)) return false;
    for (std::uint32_t i = 0; i < count; ++i) {
      monitors[i].handle = Handle{0x101 + 0x10 * SourceOf(monitor) + i};
      const std::u16string text =
          i < descriptions.size() ? descriptions[i] : u"Generic PnP Monitor";
      std::fill(std::begin(monitors[i].description), std::end(monitors[i].description), u'\0');
      std::copy_n(text.begin(), std::min<std::size_t>(text.size(), 128), monitors[i].description);
    }
    return true;
  }
  bool GetMonitorCapabilities(Handle monitor, std::uint32_t* caps,
                              std::uint32_t* colorTemperatures) override {
    if (Call("GetMonitorCapabilities", monitor)) return false;
    *caps = capabilities;
    *colorTemperatures = 0x7;
    return true;
  }
  bool GetMonitorBrightness(Handle monitor, std::uint32_t* minimum, std::uint32_t* current,
                            std::uint32_t* maximum) override {
    if (Call("GetMonitorBrightness", monitor)) return false;
    *minimum = 0;
    *current = brightness_.count(monitor) ? brightness_[monitor] : 50;
    *maximum = 100;
    return true;
  }
  bool SetMonitorBrightness(Handle monitor, std::uint32_t value) override {
    if (Call("SetMonitorBrightness", monitor, value)) return false;
    if (ignoredWrites > 0 && ignoredWrites--) return true;
    brightness_[monitor] = std::min(value, 100u);
    return true;
  }
  bool GetVCPFeatureAndVCPFeatureReply(Handle monitor, std::uint8_t code, std::uint32_t* current,
                                       std::uint32_t* maximum) override {
    if (Call("GetVCPFeatureAndVCPFeatureReply", monitor, Num(code)) || unreadableCodes.count(code))
      return false;
    const auto set = codes_.find({monitor, code});
    const auto start = vcpCodes.find(code);
    // The input source reads as the one the monitor started on, on a monitor that says so.
    *current = set != codes_.end() && !(code == 0x60 && oldInput) ? set->second
               : start != vcpCodes.end()                          ? start->second
                                                                  : 50;
    *maximum = code == 0x60 ? 0x1B : 100;
    return true;
  }
  bool SetVCPFeature(Handle monitor, std::uint8_t code, std::uint32_t value) override {
    if (Call("SetVCPFeature", monitor, Num(code), value)) return false;
    if (ignoredWrites > 0 && ignoredWrites--) return true;
    codes_[{monitor, code}] = value;
    return true;
  }
  bool DestroyPhysicalMonitors(std::uint32_t count, PhysicalMonitor* monitors) override {
    std::string handles = std::to_string(count);
    for (std::uint32_t i = 0; i < count; ++i) handles += "," + Num(monitors[i].handle);
    return !Call("DestroyPhysicalMonitors", handles);
  }

  std::uint32_t PowerGetActiveScheme(Guid** scheme) override {
    if (Call("PowerGetActiveScheme")) return 2;
    *scheme = &scheme_;
    return 0;
  }
  std::uint32_t PowerReadACValueIndex(const Guid* scheme, const Guid* subgroup, const Guid* setting,
                                      std::uint32_t* value) override {
    return ReadScheme("PowerReadACValueIndex", scheme, subgroup, setting, mainsBrightness, value);
  }
  std::uint32_t PowerReadDCValueIndex(const Guid* scheme, const Guid* subgroup, const Guid* setting,
                                      std::uint32_t* value) override {
    return ReadScheme("PowerReadDCValueIndex", scheme, subgroup, setting, batteryBrightness, value);
  }
  std::uint32_t PowerWriteACValueIndex(const Guid* scheme, const Guid* subgroup,
                                       const Guid* setting, std::uint32_t value) override {
    return WriteScheme("PowerWriteACValueIndex", scheme, subgroup, setting, mainsBrightness, value);
  }
  std::uint32_t PowerWriteDCValueIndex(const Guid* scheme, const Guid* subgroup,
                                       const Guid* setting, std::uint32_t value) override {
    return WriteScheme("PowerWriteDCValueIndex", scheme, subgroup, setting, batteryBrightness,
                       value);
  }
  std::uint32_t PowerSetActiveScheme(const Guid* scheme) override {
    return Call("PowerSetActiveScheme", IsScheme(scheme) ? "active" : "other") ? 31 : 0;
  }
  bool GetSystemPowerStatus(std::uint8_t* status) override {
    if (Call("GetSystemPowerStatus")) return false;
    *status = acLineStatus;
    return true;
  }

  Handle GetStdHandle(std::uint32_t which) override {
    Call("GetStdHandle", Num(which));
    if (which == kStdErrorHandle) return standardError ? Handle{0x31} : Handle::kNull;
    return standardOutput ? Handle{0x30} : Handle::kNull;
  }
  Handle CreateFileW(const char16_t* path, std::uint32_t access, std::uint32_t share,
                     std::uint32_t disposition, std::uint32_t attributes) override {
    if (Call("CreateFileW", path, Num(access), share, disposition, Num(attributes))) {
      lastError_ = 5;  // ERROR_ACCESS_DENIED
      return kInvalidHandleValue;
    }
    // As the disposition says: CREATE_NEW 1, CREATE_ALWAYS 2, OPEN_EXISTING 3, OPEN_ALWAYS 4,
    // TRUNCATE_EXISTING 5; a file that is opened keeps its bytes, and writes go from its start.
    const bool exists = written.count(path) != 0;
    if (!exists && (disposition == kOpenExisting || disposition == 5)) {
      lastError_ = 2;  // ERROR_FILE_NOT_FOUND
      return kInvalidHandleValue;
    }
    if (exists && disposition == 1) {
      lastError_ = 80;  // ERROR_FILE_EXISTS
      return kInvalidHandleValue;
    }
    opened_.push_back(path);
    if (disposition == kCreateAlways || disposition == 5) written[path].clear();
    if (disposition != kOpenExisting) written[path];
    return Handle{0x400 + opened_.size() - 1};
  }
  bool ReadFile(Handle file, std::uint8_t* bytes, std::uint32_t size,
                std::uint32_t* count) override {
    if (Call("ReadFile", file)) return false;
    const std::string& text = written[opened_.at(static_cast<std::size_t>(file) - 0x400)];
    std::size_t& at = readAt_[file];
    *count = static_cast<std::uint32_t>(std::min<std::size_t>(size, text.size() - at));
    std::copy_n(text.data() + at, *count, bytes);
    at += *count;
    return true;
  }
  bool FlushFileBuffers(Handle file) override { return !Call("FlushFileBuffers", file); }
  bool MoveFileExW(const char16_t* from, const char16_t* to, std::uint32_t flags) override {
    if (Call("MoveFileExW", from, to, Num(flags)) || !written.count(from)) return false;
    written[to] = written[from];
    written.erase(from);
    return true;
  }
  bool DeleteFileW(const char16_t* path) override {
    return !Call("DeleteFileW", path) && written.erase(path) == 1;
  }
  bool CreateDirectoryW(const char16_t* path) override { return !Call("CreateDirectoryW", path); }
  // The files (and folders) whose paths match the pattern's one "*", written now unless a time is
  // given.
  std::vector<FoundFile> FindFiles(const char16_t* pattern) override {
    std::vector<FoundFile> found;
    const std::u16string_view whole(pattern);
    const std::size_t star = whole.find(u'*');
    if (Call("FindFiles", pattern)) return found;
    for (const auto& [path, text] : written) {
      if (path.size() >= whole.size() - 1 && path.compare(0, star, whole.substr(0, star)) == 0 &&
          path.compare(path.size() - (whole.size() - star - 1), std::u16string::npos,
                       whole.substr(star + 1)) == 0) {
        const auto time = writeTimes.find(path);
        found.push_back({path.substr(path.rfind(u'\\') + 1),
                         folders.count(path) ? kFileAttributeDirectory : kFileAttributeNormal,
                         time != writeTimes.end() ? time->second : GetSystemTimeAsFileTime()});
      }
    }
    return found;
  }
  bool GetLocalAppDataPath(std::u16string* path) override {
    if (Call("GetLocalAppDataPath")) return false;
    *path = localAppData;
    return true;
  }
  bool GetModuleFileNameW(std::u16string* path) override {
    *path = u"C:\\Tools\\Glowtide.exe";
    return !Call("GetModuleFileNameW");
  }
  std::uint64_t GetSystemTimeAsFileTime() override { return fileTimeAtZero + now * 10000; }
  bool RegSetKeyValueW(const char16_t* key, const char16_t* name, const char16_t* text) override {
    if (Call("RegSetKeyValueW", name, text)) return false;
    registry[std::u16string(key) + u"\\" + name] = text;
    return true;
  }
  bool RegCreateVolatileKeyW(const char16_t* key) override {
    return !Call("RegCreateVolatileKeyW", key);
  }
  bool RegGetValueW(const char16_t* key, const char16_t* name, std::u16string* text) override {
    const auto value = registry.find(std::u16string(key) + u"\\" + name);
    if (Call("RegGetValueW", name) || value == registry.end()) return false;
    *text = value->second;
    return true;
  }
  bool RegDeleteKeyValueW(const char16_t* key, const char16_t* name) override {
    return !Call("RegDeleteKeyValueW", name) &&
           registry.erase(std::u16string(key) + u"\\" + name) == 1;
  }
  bool WriteFile(Handle file, const std::uint8_t* bytes, std::uint32_t size,
                 std::uint32_t* count) override {
    if (Call("WriteFile", file, size)) return false;
    const auto index = static_cast<std::size_t>(file) - 0x400;
    std::string& text = written[file == Handle{0x30}   ? u"-"
                                : file == Handle{0x31} ? u"2>"
                                                       : opened_.at(index)];
    // The standard streams only grow; a file is written at its handle's place.
    std::size_t& at = writeAt_[file];
    if (file == Handle{0x30} || file == Handle{0x31}) at = text.size();
    text.replace(at, std::min<std::size_t>(size, text.size() - at),
                 reinterpret_cast<const char*>(bytes), size);
    at += size;
    *count = size;
    return true;
  }

  void Sleep(std::uint32_t milliseconds) override {
    Call("Sleep", milliseconds);
    now += milliseconds;
  }
  bool CreateProcessW(const char16_t* applicationName, char16_t* commandLine, bool inheritHandles,
                      std::uint32_t creationFlags, const char16_t* currentDirectory,
                      std::uint32_t startupInfoSize, ProcessInformation* information) override {
    launched = {applicationName, commandLine, currentDirectory ? currentDirectory : u"(null)"};
    commandLine[0] = u'!';  // the real call may write into it too
    if (Call("CreateProcessW", std::string(inheritHandles ? "inherit," : "") + Num(creationFlags),
             startupInfoSize)) {
      return false;
    }
    information->process = Handle{0x50};
    information->thread = Handle{0x54};
    return true;
  }
  bool CloseHandle(Handle handle) override { return !Call("CloseHandle", handle); }
  bool ShellExecuteExW(const ShellExecuteRequest& request, Handle* process) override {
    shellOpened = {request.file, request.parameters ? request.parameters : u"(null)",
                   request.directory ? request.directory : u"(null)"};
    if (Call("ShellExecuteExW")) {
      lastError_ = 2;  // ERROR_FILE_NOT_FOUND
      return false;
    }
    *process = shellStartsProcess ? Handle{0x58} : Handle::kNull;
    return true;
  }
  Handle CreateToolhelp32Snapshot(std::uint32_t flags, std::uint32_t processId) override {
    if (Call("CreateToolhelp32Snapshot", flags, processId)) {
      return Handle::kNull;
    }
    if (!snapshots.empty()) {
      processes = snapshots.front();
      if (snapshots.size() > 1) snapshots.erase(snapshots.begin());
    }
    listed_ = 0;
    return Handle{0x70};
  }
  bool Process32FirstW(Handle snapshot, ProcessEntry* entry) override {
    listed_ = 0;
    return Process32NextW(snapshot, entry);
  }
  bool Process32NextW(Handle, ProcessEntry* entry) override {
    if (listed_ == processes.size()) return false;
    const FakeProcess& process = processes[listed_++];
    entry->processId = process.processId;
    entry->threads = process.threads;
    std::fill(std::begin(entry->exeFile), std::end(entry->exeFile), u'\0');
    std::copy(process.exeFile.begin(), process.exeFile.end(), entry->exeFile);
    return true;
  }
  Handle OpenProcess(std::uint32_t access, bool, std::uint32_t processId) override {
    Call("OpenProcess", Num(access), processId);
    const FakeProcess* process = Find(processId);
    return process && process->openable ? Handle{0x1000 + processId} : Handle::kNull;
  }
  bool ProcessIdToSessionId(std::uint32_t processId, std::uint32_t* sessionId) override {
    if (failing.count("ProcessIdToSessionId")) return false;
    const FakeProcess* process = Find(processId);
    *sessionId = process ? process->session : 1;
    return true;
  }
  std::uint32_t GetCurrentProcessId() override { return 4; }
  std::uint32_t GetProcessId(Handle process) override {
    return static_cast<std::uint32_t>(process) & 0xFFF;  // the child is 0x50, the shell's 0x58
  }
  std::uint64_t GetTickCount64() override { return now; }
  std::int32_t CompareStringOrdinal(const char16_t* a, std::int32_t aLength, const char16_t* b,
                                    std::int32_t bLength, bool ignoreCase) override {
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
  std::uint32_t GetLastError() override { return lastError_; }
  std::uint32_t FormatMessageW(std::uint32_t flags, std::uint32_t messageId, char16_t* buffer,
                               std::uint32_t capacity) override {
    if (Call("FormatMessageW", Num(flags), messageId, capacity)) {
      return 0;
    }
    const std::u16string text = u"The system cannot find the file specified.\r\n";
    std::copy(text.begin(), text.end(), buffer);
    return static_cast<std::uint32_t>(text.size());
  }
  std::int32_t CoInitializeEx(std::uint32_t flags) override {
    return Call("CoInitializeEx", Num(flags)) ? -2147417850 : 0;  // RPC_E_CHANGED_MODE
  }
  void CoUninitialize() override { Call("CoUninitialize"); }
  Handle GetCurrentProcess() override { return Handle{0xFFFF}; }
  bool GetProcessTimes(Handle process, std::uint64_t* creationTime) override {
    if (Call("GetProcessTimes", process)) return false;
    *creationTime = 7;  // this process's
    return true;
  }
  bool GetTokenUserSid(std::u16string* sid) override {
    if (Call("GetTokenUserSid")) return false;
    *sid = u"S-1-5-21-1-2-3-1001";
    return true;
  }
  // The shared objects record their security descriptor.
  Handle CreateMutexW(const char16_t* name, const char16_t* security) override {
    return Call("CreateMutexW", name, security) ? Handle::kNull : Handle{0x60};
  }
  bool ReleaseMutex(Handle mutex) override { return !Call("ReleaseMutex", mutex); }
  Handle CreateEventW(const char16_t* name, const char16_t* security) override {
    if (Call("CreateEventW", name, security)) return Handle::kNull;
    events.insert(Utf8(name));
    return Handle{0x68};
  }
  bool SetEvent(Handle event) override { return !Call("SetEvent", event); }
  bool ResetEvent(Handle event) override { return !Call("ResetEvent", event); }
  // An event that does not exist is not found; a failing open is refused.
  Handle OpenEventW(std::uint32_t access, bool, const char16_t* name) override {
    if (Call("OpenEventW", Num(access), name)) return Handle::kNull;
    if (events.count(Utf8(name))) return Handle{0x6C};
    lastError_ = 2;  // ERROR_FILE_NOT_FOUND
    return Handle::kNull;
  }
  Handle CreateFileMappingW(std::uint32_t protect, std::uint32_t size, const char16_t* name,
                            const char16_t* security) override {
    return Call("CreateFileMappingW", Num(protect), size, name, security) ? Handle::kNull
                                                                          : Handle{0x64};
  }
  std::uint8_t* MapViewOfFile(Handle mapping, std::uint32_t access, std::uint32_t size) override {
    if (Call("MapViewOfFile", mapping, Num(access), size)) return nullptr;
    return table->data();
  }
  bool UnmapViewOfFile(std::uint8_t* view) override {
    return !Call("UnmapViewOfFile", view == table->data() ? "table" : "other");
  }
  std::uint32_t WaitForSingleObject(Handle handle, std::uint32_t milliseconds) override {
    const bool fails = Call("WaitForSingleObject", handle, milliseconds);
    if (fails) return 0xFFFFFFFF;
    if (handle == kLock || handle == Handle{0x6C}) {
      const std::uint32_t result = handle == kLock ? lockResult : eventResult;
      if (result == 0x102) now += milliseconds;
      return result;
    }
    // A listed process runs unless it is marked as ended.
    for (const FakeProcess& p : processes) {
      if (handle == Handle{0x1000 + p.processId}) return p.running ? 0x102 : 0;
    }
    return 0;
  }

  bool SendMessageTimeoutW(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                           std::intptr_t lParam, std::uint32_t flags,
                           std::uint32_t milliseconds) override {
    return !Call("SendMessageTimeoutW", window, Num(message), Num(wParam), lParam, Num(flags),
                 milliseconds);
  }
  std::uint32_t SendInput(const MouseInput& input) override {
    return Call("SendInput", input.dx, input.dy, Num(input.flags)) ? 0 : 1;
  }
  int MessageBoxW(WindowHandle owner, const char16_t* text, const char16_t* caption,
                  std::uint32_t type) override {
    boxes.push_back({text, caption});
    return Call("MessageBoxW", owner, caption, Num(type)) ? 0 : 1;
  }
  int LoadStringW(InstanceHandle instance, std::uint32_t id, char16_t* buffer,
                  int capacity) override {
    if (Call("LoadStringW", instance, id, capacity)) {
      return 0;
    }
    const std::u16string text = id == 103 ? u"Glowtide" : u"GLOWTIDE";
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = u'\0';
    return static_cast<int>(text.size());
  }
  IconHandle LoadIconW(InstanceHandle instance, std::uintptr_t id) override {
    if (Call("LoadIconW", instance, id)) return IconHandle::kNull;
    return IconHandle{0x7000 + id};
  }
  CursorHandle LoadCursorW(InstanceHandle instance, std::uintptr_t id) override {
    if (Call("LoadCursorW", instance, id)) return CursorHandle::kNull;
    return CursorHandle{0x8000};
  }
  std::uint16_t RegisterClassExW(const WindowClass& windowClass) override {
    registered = windowClass;
    const WindowClass& c = windowClass;
    return Call("RegisterClassExW", c.className, c.style, c.icon, c.cursor, c.menuName) ? 0 : 1;
  }
  WindowHandle CreateWindowExW(std::uint32_t exStyle, const char16_t* className,
                               const char16_t* title, std::uint32_t style, std::int32_t x,
                               std::int32_t y, std::int32_t width, std::int32_t height,
                               WindowHandle parent, std::uintptr_t menu, InstanceHandle instance,
                               void* parameter) override {
    const bool fails = Call("CreateWindowExW", exStyle, className, title, Num(style), x, y, width,
                            height, parent, menu, instance, parameter ? "param" : "null");
    return fails ? WindowHandle::kNull : WindowHandle{0x900};
  }
  bool ShowWindow(WindowHandle window, std::int32_t command) override {
    return !Call("ShowWindow", window, command);
  }
  bool UpdateWindow(WindowHandle window) override { return !Call("UpdateWindow", window); }
  AcceleratorHandle LoadAcceleratorsW(InstanceHandle instance, std::uintptr_t id) override {
    if (Call("LoadAcceleratorsW", instance, id)) return {};
    return AcceleratorHandle{0xACC};
  }
  std::uint32_t MsgWaitForMultipleObjectsEx(std::uint32_t count, const Handle* handles,
                                            std::uint32_t milliseconds, std::uint32_t wakeMask,
                                            std::uint32_t flags) override {
    std::string text = std::to_string(count);
    for (std::uint32_t i = 0; i < count; ++i) text += "," + Num(handles[i]);
    if (Call("MsgWaitForMultipleObjectsEx", text, Num(milliseconds), Num(wakeMask), flags)) {
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
      if (!process || !process->running) {
        for (const std::string& event : endWithTheChild) events.erase(event);
        return i;
      }
    }
    if (milliseconds == 0xFFFFFFFF) return 0;
    now += milliseconds;
    return 0x102;  // WAIT_TIMEOUT
  }
  bool PeekMessageW(Message* message, WindowHandle window, std::uint32_t filterMin,
                    std::uint32_t filterMax, std::uint32_t remove) override {
    Call("PeekMessageW", window, filterMin, filterMax, remove);
    if (queue.empty()) return false;
    *message = queue.front();
    queue.erase(queue.begin());
    return true;
  }
  int TranslateAcceleratorW(WindowHandle window, AcceleratorHandle accelerators,
                            const Message& message) override {
    Call("TranslateAcceleratorW", window, accelerators, Num(message.message));
    return message.message == 0x0104 ? 1 : 0;  // WM_SYSKEYDOWN stands for Alt+?
  }
  bool TranslateMessage(const Message& message) override {
    return !Call("TranslateMessage", Num(message.message));
  }
  // Dispatches to the registered procedure, as the real call does.
  std::intptr_t DispatchMessageW(const Message& message) override {
    Call("DispatchMessageW", Num(message.message));
    if (!registered.procedure) return 0;
    return registered.procedure(*this, message.window, message.message, message.wParam,
                                message.lParam);
  }
  std::intptr_t DefWindowProcW(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                               std::intptr_t lParam) override {
    Call("DefWindowProcW", window, Num(message), Num(wParam), lParam);
    return 77;
  }
  void BeginPaint(WindowHandle window) override { Call("BeginPaint", window); }
  void EndPaint(WindowHandle window) override { Call("EndPaint", window); }
  bool DestroyWindow(WindowHandle window) override { return !Call("DestroyWindow", window); }
  void PostQuitMessage(std::int32_t exitCode) override { Call("PostQuitMessage", exitCode); }
  Handle RegisterPowerSettingNotification(WindowHandle window, const Guid* setting) override {
    const bool displayState = std::memcmp(setting, &kConsoleDisplayState, sizeof(Guid)) == 0;
    if (Call("RegisterPowerSettingNotification", window, displayState ? "display state" : "other"))
      return Handle::kNull;
    return Handle{0x74};
  }
  bool UnregisterPowerSettingNotification(Handle registration) override {
    return !Call("UnregisterPowerSettingNotification", registration);
  }
  // The displays forget what was set on them: their HDR state, white level, brightness and (with
  // modes) mode go back to the machine's own, as a monitor that slept or was unplugged.
  void Forget(bool modes = true) {
    targets_.clear();
    brightness_.clear();
    codes_.clear();
    if (modes) modeOf_.clear();
  }
  std::intptr_t SetWindowLongPtrW(WindowHandle window, std::int32_t index,
                                  std::intptr_t value) override {
    Call("SetWindowLongPtrW", window, index);
    return std::exchange(userData, value);
  }
  std::intptr_t GetWindowLongPtrW(WindowHandle window, std::int32_t index) override {
    Call("GetWindowLongPtrW", window, index);
    return userData;
  }

 private:
  // Records the call with its arguments, comma-separated, and tells whether it is to fail; a
  // failing call leaves ERROR_GEN_FAILURE.
  template <typename... Arguments>
  bool Call(const char* name, const Arguments&... arguments) {
    std::string text;
    [[maybe_unused]] const char* separator = "";
    ((text += separator + Text(arguments), separator = ","), ...);
    calls.push_back(std::string(name) + "(" + text + ")");
    const bool fails = failing.count(name) != 0;
    if (fails) lastError_ = kFailure;
    return fails;
  }
  const FakeProcess* Find(std::uint32_t processId) const {
    for (const FakeProcess& p : processes) {
      if (p.processId == processId) return &p;
    }
    return nullptr;
  }
  // A read or write of the scheme's display brightness; refused for another scheme or setting.
  std::uint32_t ReadScheme(const char* name, const Guid* scheme, const Guid* subgroup,
                           const Guid* setting, std::uint32_t kept, std::uint32_t* value) {
    if (Call(name) || !IsScheme(scheme) || !IsBrightness(subgroup, setting)) return 87;
    *value = kept;
    return 0;
  }
  std::uint32_t WriteScheme(const char* name, const Guid* scheme, const Guid* subgroup,
                            const Guid* setting, std::uint32_t& kept, std::uint32_t value) {
    if (Call(name, std::to_string(value)) || !IsScheme(scheme) || !IsBrightness(subgroup, setting))
      return 87;
    kept = value;
    return 0;
  }
  static bool IsBrightness(const Guid* subgroup, const Guid* setting) {
    return std::memcmp(subgroup, &kVideoSubgroup, sizeof(Guid)) == 0 &&
           std::memcmp(setting, &kVideoBrightness, sizeof(Guid)) == 0;
  }
  bool IsScheme(const Guid* scheme) const {
    return std::memcmp(scheme, &scheme_, sizeof(Guid)) == 0;
  }
  // Whether the platform refuses the device-information request: a size other than its type's,
  // or no path with its adapter and target (source, for type 1).
  bool Refuses(const std::uint8_t* request) const {
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
  Guid scheme_ = {0x381b4222, 0xf694, 0x41f0, {0x96, 0x85, 0xff, 0x5b, 0xb2, 0x60, 0xdf, 0x2e}};
  // A request's target in the log: nothing for target 7, else "@<id>".
  std::string Target(std::uint32_t id) const { return id == 7 ? "" : "@" + std::to_string(id); }
  std::vector<std::u16string> argv_;
  std::vector<std::u16string> opened_;  // the files created or opened, by handle
  std::map<Handle, std::size_t> readAt_;
  std::map<Handle, std::size_t> writeAt_;
  std::map<std::pair<Handle, std::uint8_t>, std::uint32_t> codes_;  // VCP values set, by monitor
  std::vector<char16_t*> argvPointers_;
  std::size_t listed_ = 0;
  std::uint32_t lastError_ = 0;
  // Each display's HDR state and white level, from the machine's words until a set changes them.
  struct TargetState {
    bool hdrOn;
    std::uint32_t whiteLevel;
  };
  TargetState& StateOf(std::uint32_t targetId) {
    if (!targets_.count(targetId)) {
      bool on = currentModel ? activeColorMode == 2 : (advancedColorWord & 2) != 0;
      for (const FakePath& path : paths) on = on || (path.targetId == targetId && path.hdrOn);
      targets_[targetId] = {on, whiteLevel};
    }
    return targets_[targetId];
  }
  std::map<std::uint32_t, TargetState> targets_;
  std::map<Handle, std::uint32_t> brightness_;
  std::map<std::u16string, DisplayMode> modeOf_;  // by device, once changed
  // Source s's monitor: a mode change gives every monitor a new handle, as Windows may.
  std::uint32_t modeChanges_ = 0;
  MonitorHandle Monitor(std::uint32_t source) const {
    return MonitorHandle{0x10001 + source + 0x100 * modeChanges_};
  }
  static std::uint32_t SourceOf(MonitorHandle monitor) {
    return (static_cast<std::uint32_t>(monitor) - 0x10001) & 0xFF;
  }
  std::uint32_t sized_ = 0;  // display queries begun
};

}  // namespace glowtide::testing
