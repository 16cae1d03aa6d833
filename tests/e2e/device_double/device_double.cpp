// The device test double, built as dxva2.dll and as powrprof.dll and installed in the system
// directory, from where Glowtide.exe loads them. It stands for the display and monitor hardware
// that no test machine has:
//  - as dxva2 it implements the physical-monitor calls over simulated monitors;
//  - as powrprof it implements the power scheme's display brightness (mains and battery values)
//    and points the exe's KERNEL32 import slot for GetSystemPowerStatus at the power source;
//  - when loaded, it points the exe's USER32 import slots for the display-configuration and
//    display-monitor calls at simulated displays, since Wine has neither the requests nor several
//    monitors to offer;
//  - it reads its scenario from the file named by DEVICE_DOUBLE_SCENARIO and appends every call,
//    with request bytes in hex and the calling process id, to the file named by DEVICE_DOUBLE_LOG.
//
// Scenario lines (key=value, all optional):
//   paths=LOW:HIGH:ID[:SOURCE[:NAME[:TECH[:DEVICEPATH]]]],...
//                        display paths: adapter LUID parts, target id, source id (default: the
//                        path's index; source s is the device \\.\DISPLAY<s+1> and the monitor
//                        0x7700+s), the EDID's friendly name, the output technology and the
//                        monitor's device path (default 4660:0:7)
//   modes=WxH@HZ,...     the modes every source lists, at 32 bits per pixel (default
//                        2560x1440@144,2560x1440@60,1920x1080@60); the first is the current and the
//                        desktop (registry) mode, and a change is kept within the run
//   primary=SOURCE       the primary monitor's source (default 0)
//   advancedColor=N      older generation: advanced-colour word (default 1: supported, off)
//   generation=current   a Windows 11 24H2 system that also answers types 15 and 16
//   acm=1                current generation: Auto Color Management on
//   hdrSupported=0       current generation: an SDR display (default 1)
//   hdr=1                current generation: HDR on (default 0)
//   whiteLevel=N         SDR white level (default 1000)
//   monitors=N           physical monitors of every monitor (default 1), "Simulated monitor"
//   physicalS=DESC;DESC  monitor S's physical monitors, by their descriptions
//   brightness=MIN:CUR:MAX  (default 0:50:100); every monitor can set it
//   fail=Name[:N],...    calls that fail (the first N times, then succeed; N=-1: every other call,
//                        the first included); DisplayConfigGetDeviceInfo/T names the reads of
//                        type T alone
//   ignoreFirstWrite=1   the monitor acknowledges the first brightness write and ignores it
//   hdrStuck=1           HDR sets succeed and change nothing
//   changed=1            the configuration changes before the first query, which finds its
//                        arrays too small
//   power=battery        the system runs on battery (default: on mains); the power scheme's
//                        display brightness is 60 on mains and 40 on battery
// Every display keeps its own HDR state and white level, every physical monitor (handle
// 0x1001 + 0x10 * source + index) its own brightness, as the calls leave them; a monitor keeps
// its brightness within its minimum and maximum.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Path {
  DWORD low = 0;
  LONG high = 0;
  UINT32 id = 0, source = 0;
  std::wstring name;
  UINT32 technology = 0;
  std::wstring devicePath;
  UINT32 advancedColor = 1;  // older generation's word
  bool hdr = false;          // current generation's state
  UINT32 whiteLevel = 1000;
};

struct Scenario {
  std::vector<Path> paths;
  UINT32 primary = 0;
  bool currentGeneration = false;
  bool acm = false;
  bool hdrSupported = true;
  DWORD monitors = 1;
  std::map<UINT32, std::vector<std::wstring>> physical;
  DWORD minimum = 0, current = 50, maximum = 100;
  std::map<ULONG_PTR, DWORD> brightness;  // by physical monitor handle, once set
  std::map<std::string, int> fail;        // calls that fail, and how many times more
  bool ignoreFirstWrite = false;
  bool hdrStuck = false;
  bool changed = false;
  DWORD mains = 60, battery = 40;
  bool onBattery = false;
  std::vector<DEVMODEW> modes;
  std::map<UINT32, DEVMODEW> modeOf;  // by source, once changed
} scenario;

std::wstring logPath;

bool Fails(const std::string& call) {
  const auto found = scenario.fail.find(call);
  if (found == scenario.fail.end()) return false;
  int& left = found->second;
  if (left < 0) return (left = left == -1 ? -2 : -1) == -2;
  return left-- > 0;
}

void Log(const std::string& line) {
  if (logPath.empty()) return;
  const std::string text = std::to_string(GetCurrentProcessId()) + " " + line + "\n";
  HANDLE file = CreateFileW(logPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

std::string Hex(const void* data, size_t size) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (size_t i = 0; i < size; ++i) {
    const unsigned char b = static_cast<const unsigned char*>(data)[i];
    out += digits[b >> 4];
    out += digits[b & 0xF];
  }
  return out;
}

std::wstring Environment(const wchar_t* name) {
  wchar_t value[1024] = {};
  const DWORD n = GetEnvironmentVariableW(name, value, 1024);
  return n > 0 && n < 1024 ? value : L"";
}

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

void LoadScenario() {
  logPath = Environment(L"DEVICE_DOUBLE_LOG");
  const std::wstring file = Environment(L"DEVICE_DOUBLE_SCENARIO");
  FILE* in = file.empty() ? nullptr : _wfopen(file.c_str(), L"r");
  std::map<std::string, std::string> keys;
  char line[1024];
  while (in && fgets(line, sizeof line, in)) {
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    const size_t eq = text.find('=');
    if (eq != std::string::npos) keys[text.substr(0, eq)] = text.substr(eq + 1);
  }
  if (in) fclose(in);
  auto number = [&](const char* key, UINT32 otherwise) -> UINT32 {
    return keys.count(key) ? strtoul(keys[key].c_str(), nullptr, 0) : otherwise;
  };
  scenario.primary = number("primary", 0);
  scenario.currentGeneration = keys["generation"] == "current";
  scenario.acm = keys["acm"] == "1";
  scenario.hdrSupported = number("hdrSupported", 1) == 1;
  scenario.monitors = number("monitors", 1);
  scenario.ignoreFirstWrite = keys["ignoreFirstWrite"] == "1";
  scenario.hdrStuck = keys["hdrStuck"] == "1";
  scenario.changed = keys["changed"] == "1";
  scenario.onBattery = keys["power"] == "battery";
  const std::string fail = keys["fail"] + ",";
  for (size_t at = 0, comma; (comma = fail.find(',', at)) != std::string::npos; at = comma + 1) {
    const std::string item = fail.substr(at, comma - at);
    const size_t colon = item.find(':');
    if (!item.empty()) {
      scenario.fail[item.substr(0, colon)] =
          colon == std::string::npos ? 1 << 30 : atoi(item.c_str() + colon + 1);
    }
  }
  if (keys.count("brightness")) {
    sscanf(keys["brightness"].c_str(), "%lu:%lu:%lu", &scenario.minimum, &scenario.current,
           &scenario.maximum);
  }
  // Each path: LOW:HIGH:ID[:SOURCE[:NAME[:TECH]]], with the display-wide keys as its state.
  std::string paths = keys.count("paths") ? keys["paths"] : "4660:0:7";
  for (size_t start = 0; start < paths.size();) {
    size_t end = paths.find(',', start);
    if (end == std::string::npos) end = paths.size();
    std::vector<std::string> f;
    const std::string item = paths.substr(start, end - start);
    for (size_t at = 0, colon; at <= item.size(); at = colon + 1) {
      colon = item.find(':', at);
      if (colon == std::string::npos) colon = item.size();
      f.push_back(item.substr(at, colon - at));
    }
    Path path;
    path.low = strtoul(f[0].c_str(), nullptr, 0);
    path.high = strtol(f[1].c_str(), nullptr, 0);
    path.id = strtoul(f[2].c_str(), nullptr, 0);
    path.source = f.size() > 3 ? strtoul(f[3].c_str(), nullptr, 0) : scenario.paths.size();
    if (f.size() > 4) path.name = Wide(f[4]);
    if (f.size() > 5) path.technology = strtoul(f[5].c_str(), nullptr, 0);
    if (f.size() > 6) path.devicePath = Wide(f[6]);
    path.advancedColor = number("advancedColor", 1);
    path.hdr = keys["hdr"] == "1";
    path.whiteLevel = number("whiteLevel", 1000);
    scenario.paths.push_back(path);
    start = end + 1;
  }
  const std::string modes =
      (keys.count("modes") ? keys["modes"] : "2560x1440@144,2560x1440@60,1920x1080@60") + ",";
  for (size_t at = 0, comma; (comma = modes.find(',', at)) != std::string::npos; at = comma + 1) {
    DEVMODEW mode{};
    mode.dmSize = sizeof mode;
    mode.dmBitsPerPel = 32;
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY | DM_BITSPERPEL;
    if (sscanf(modes.c_str() + at, "%lux%lu@%lu", &mode.dmPelsWidth, &mode.dmPelsHeight,
               &mode.dmDisplayFrequency) == 3) {
      scenario.modes.push_back(mode);
    }
  }
  for (const Path& path : scenario.paths) {
    const std::string key = "physical" + std::to_string(path.source);
    std::vector<std::wstring>& descriptions = scenario.physical[path.source];
    if (!descriptions.empty()) continue;
    if (!keys.count(key)) descriptions.assign(scenario.monitors, L"Simulated monitor");
    for (size_t at = 0, semi; keys.count(key) && at <= keys[key].size(); at = semi + 1) {
      semi = keys[key].find(';', at);
      if (semi == std::string::npos) semi = keys[key].size();
      descriptions.push_back(Wide(keys[key].substr(at, semi - at)));
    }
  }
}

Path* PathOf(UINT32 id) {
  for (Path& path : scenario.paths) {
    if (path.id == id) return &path;
  }
  return nullptr;
}

// --- the simulated displays, reached through the exe's patched import slots ---

LONG WINAPI DoubleGetDisplayConfigBufferSizes(UINT32 flags, UINT32* paths, UINT32* modes) {
  Log("GetDisplayConfigBufferSizes flags=" + std::to_string(flags));
  if (Fails("GetDisplayConfigBufferSizes")) return ERROR_GEN_FAILURE;
  *paths = static_cast<UINT32>(scenario.paths.size());
  *modes = static_cast<UINT32>(scenario.paths.size() * 2);
  return ERROR_SUCCESS;
}

LONG WINAPI DoubleQueryDisplayConfig(UINT32 flags, UINT32* pathCount,
                                     DISPLAYCONFIG_PATH_INFO* paths, UINT32* modeCount,
                                     DISPLAYCONFIG_MODE_INFO* modes,
                                     DISPLAYCONFIG_TOPOLOGY_ID* topology) {
  Log("QueryDisplayConfig flags=" + std::to_string(flags) + " paths=" + std::to_string(*pathCount) +
      " modes=" + std::to_string(*modeCount) + " topology=" + (topology ? "given" : "null"));
  if (Fails("QueryDisplayConfig")) return ERROR_GEN_FAILURE;
  if (std::exchange(scenario.changed, false) || *pathCount < scenario.paths.size() ||
      *modeCount < scenario.paths.size() * 2) {
    return ERROR_INSUFFICIENT_BUFFER;
  }
  for (size_t i = 0; i < scenario.paths.size(); ++i) {
    memset(&paths[i], 0, sizeof paths[i]);
    paths[i].sourceInfo.adapterId.LowPart = scenario.paths[i].low;
    paths[i].sourceInfo.adapterId.HighPart = scenario.paths[i].high;
    paths[i].sourceInfo.id = scenario.paths[i].source;
    paths[i].targetInfo.adapterId = paths[i].sourceInfo.adapterId;
    paths[i].targetInfo.id = scenario.paths[i].id;
  }
  memset(modes, 0, sizeof(*modes) * scenario.paths.size() * 2);
  *pathCount = static_cast<UINT32>(scenario.paths.size());
  *modeCount = static_cast<UINT32>(scenario.paths.size() * 2);
  if (topology) *topology = DISPLAYCONFIG_TOPOLOGY_INTERNAL;
  return ERROR_SUCCESS;
}

constexpr int kGetAdvancedColorInfo2 = 15;
constexpr int kSetHdrState = 16;
constexpr int kSetSdrWhiteLevel = -18;

UINT32& Word(DISPLAYCONFIG_DEVICE_INFO_HEADER* header, size_t offset) {
  return *reinterpret_cast<UINT32*>(reinterpret_cast<BYTE*>(header) + offset);
}

// The display's HDR state within the run, as every set leaves it.
bool HdrOn(const Path& path) {
  return scenario.currentGeneration ? path.hdr : (path.advancedColor & 2) != 0;
}

std::wstring DeviceName(UINT32 source) { return L"\\\\.\\DISPLAY" + std::to_wstring(source + 1); }

LONG WINAPI DoubleDisplayConfigGetDeviceInfo(DISPLAYCONFIG_DEVICE_INFO_HEADER* header) {
  Log("DisplayConfigGetDeviceInfo " + Hex(header, header->size));
  if (Fails("DisplayConfigGetDeviceInfo") ||
      Fails("DisplayConfigGetDeviceInfo/" + std::to_string(header->type))) {
    return ERROR_GEN_FAILURE;
  }
  const int type = header->type;
  if (type == DISPLAYCONFIG_DEVICE_INFO_GET_SOURCE_NAME && header->size == 84) {
    for (const Path& path : scenario.paths) {
      if (path.source != header->id) continue;
      wcscpy(reinterpret_cast<DISPLAYCONFIG_SOURCE_DEVICE_NAME*>(header)->viewGdiDeviceName,
             DeviceName(path.source).c_str());
      return ERROR_SUCCESS;
    }
    return ERROR_INVALID_PARAMETER;
  }
  const Path* path = PathOf(header->id);
  if (path == nullptr) return ERROR_INVALID_PARAMETER;
  if (type == DISPLAYCONFIG_DEVICE_INFO_GET_TARGET_NAME && header->size == 420) {
    auto* name = reinterpret_cast<DISPLAYCONFIG_TARGET_DEVICE_NAME*>(header);
    name->flags.value = path->name.empty() ? 0 : 1;
    name->outputTechnology = static_cast<DISPLAYCONFIG_VIDEO_OUTPUT_TECHNOLOGY>(path->technology);
    wcsncpy(name->monitorFriendlyDeviceName, path->name.c_str(), 63);
    wcsncpy(name->monitorDevicePath, path->devicePath.c_str(), 127);
    return ERROR_SUCCESS;
  }
  if (type == DISPLAYCONFIG_DEVICE_INFO_GET_ADVANCED_COLOR_INFO && header->size == 32) {
    if (!scenario.currentGeneration) {
      Word(header, 20) = path->advancedColor;
    } else if (scenario.acm) {
      Word(header, 20) = 0x3;  // under ACM even an SDR picture reads as advanced colour enabled
    } else {
      Word(header, 20) = (scenario.hdrSupported ? 1 : 0) | (path->hdr ? 2 : 0);
    }
    return ERROR_SUCCESS;
  }
  if (type == kGetAdvancedColorInfo2 && header->size == 36 && scenario.currentGeneration) {
    const bool active = path->hdr || scenario.acm;
    Word(header, 20) = ((scenario.hdrSupported || scenario.acm) ? 0x1 : 0) | (active ? 0x2 : 0) |
                       (scenario.hdrSupported ? 0x10 : 0) | (path->hdr ? 0x20 : 0);
    Word(header, 32) = path->hdr ? 2 : (scenario.acm ? 1 : 0);
    return ERROR_SUCCESS;
  }
  if (type == DISPLAYCONFIG_DEVICE_INFO_GET_SDR_WHITE_LEVEL && header->size == 24) {
    Word(header, 20) = path->whiteLevel;
    return ERROR_SUCCESS;
  }
  return ERROR_INVALID_PARAMETER;
}

LONG WINAPI DoubleDisplayConfigSetDeviceInfo(DISPLAYCONFIG_DEVICE_INFO_HEADER* header) {
  LONG result = ERROR_SUCCESS;
  const bool on = (Word(header, 20) & 1) != 0;
  Path* path = PathOf(header->id);
  if (Fails("DisplayConfigSetDeviceInfo") || path == nullptr) {
    result = ERROR_GEN_FAILURE;
  } else if (header->type == DISPLAYCONFIG_DEVICE_INFO_SET_ADVANCED_COLOR_STATE) {
    if (scenario.hdrStuck) {
      // taken, and nothing changes
    } else if (!scenario.currentGeneration) {
      path->advancedColor = on ? path->advancedColor | 2 : path->advancedColor & ~2u;
    } else if (!on || (!scenario.acm && scenario.hdrSupported)) {
      path->hdr = on;  // under ACM the older set can still turn HDR off, not on
    }
  } else if (header->type == kSetHdrState) {
    if (!scenario.currentGeneration) {
      result = ERROR_INVALID_PARAMETER;  // an older Windows does not know the request
    } else if (!scenario.hdrSupported) {
      result = ERROR_NOT_SUPPORTED;
    } else if (!scenario.hdrStuck) {
      path->hdr = on;
    }
  } else if (header->type == kSetSdrWhiteLevel) {
    path->whiteLevel = Word(header, 20);
  }
  Log("DisplayConfigSetDeviceInfo " + Hex(header, header->size) +
      (path && HdrOn(*path) ? " hdr=on" : " hdr=off") +
      (result == ERROR_SUCCESS ? "" : " refused"));
  return result;
}

// Monitor s is 0x7700 + s.
HMONITOR MonitorOf(UINT32 source) { return reinterpret_cast<HMONITOR>(0x7700 + ULONG_PTR{source}); }
UINT32 SourceOf(HMONITOR monitor) { return reinterpret_cast<ULONG_PTR>(monitor) - 0x7700; }

HMONITOR WINAPI DoubleMonitorFromWindow(HWND, DWORD) { return MonitorOf(scenario.primary); }

BOOL WINAPI DoubleEnumDisplayMonitors(HDC, LPCRECT, MONITORENUMPROC found, LPARAM data) {
  std::vector<UINT32> sources;
  for (const Path& path : scenario.paths) {
    bool listed = false;
    for (UINT32 source : sources) listed = listed || source == path.source;
    if (!listed) sources.push_back(path.source);
  }
  RECT area{};
  for (UINT32 source : sources) {
    if (!found(MonitorOf(source), nullptr, &area, data)) break;
  }
  return TRUE;
}

BOOL WINAPI DoubleGetMonitorInfoW(HMONITOR monitor, MONITORINFO* info) {
  const UINT32 source = SourceOf(monitor);
  info->dwFlags = source == scenario.primary ? MONITORINFOF_PRIMARY : 0;
  if (info->cbSize == sizeof(MONITORINFOEXW)) {
    wcscpy(reinterpret_cast<MONITORINFOEXW*>(info)->szDevice, DeviceName(source).c_str());
  }
  return scenario.physical.count(source) != 0;
}

BOOL WINAPI DoubleGetSystemPowerStatus(SYSTEM_POWER_STATUS* status) {
  Log(std::string("GetSystemPowerStatus ") + (scenario.onBattery ? "battery" : "mains"));
  if (Fails("GetSystemPowerStatus")) return FALSE;
  *status = SYSTEM_POWER_STATUS{};
  status->ACLineStatus = scenario.onBattery ? 0 : 1;
  return TRUE;
}

// The source of a GDI device name "\\.\DISPLAY<s+1>"; -1 for any other.
int SourceOfDevice(const wchar_t* device) {
  return device && wcsncmp(device, L"\\\\.\\DISPLAY", 11) == 0 ? _wtoi(device + 11) - 1 : -1;
}

std::string ModeText(const DEVMODEW& mode) {
  return std::to_string(mode.dmPelsWidth) + "x" + std::to_string(mode.dmPelsHeight) + "@" +
         std::to_string(mode.dmDisplayFrequency);
}

BOOL WINAPI DoubleEnumDisplaySettingsExW(const wchar_t* device, DWORD number, DEVMODEW* mode,
                                         DWORD) {
  const int source = SourceOfDevice(device);
  if (source < 0 || scenario.modes.empty() || Fails("EnumDisplaySettingsExW")) return FALSE;
  const DEVMODEW* found = nullptr;
  if (number == ENUM_CURRENT_SETTINGS) {
    found = scenario.modeOf.count(source) ? &scenario.modeOf[source] : &scenario.modes[0];
  } else if (number == ENUM_REGISTRY_SETTINGS) {
    found = &scenario.modes[0];
  } else if (number < scenario.modes.size()) {
    found = &scenario.modes[number];
  }
  if (!found) return FALSE;
  const WORD size = mode->dmSize;
  *mode = *found;
  mode->dmSize = size;
  return TRUE;
}

LONG WINAPI DoubleChangeDisplaySettingsExW(const wchar_t* device, DEVMODEW* mode, HWND, DWORD flags,
                                           void* parameter) {
  const int source = SourceOfDevice(device);
  Log("ChangeDisplaySettingsExW DISPLAY" + std::to_string(source + 1) + " " + ModeText(*mode) +
      " bits=" + std::to_string(mode->dmBitsPerPel) + " fields=" + Hex(&mode->dmFields, 4) +
      " flags=" + std::to_string(flags) + (parameter ? " parameter" : ""));
  if (source < 0 || Fails("ChangeDisplaySettingsExW")) return DISP_CHANGE_FAILED;
  scenario.modeOf[source] = *mode;
  return DISP_CHANGE_SUCCESSFUL;
}

void* Replacement(const char* name) {
  static const std::map<std::string, void*> replacements = {
      {"GetSystemPowerStatus", reinterpret_cast<void*>(&DoubleGetSystemPowerStatus)},
      {"GetDisplayConfigBufferSizes", reinterpret_cast<void*>(&DoubleGetDisplayConfigBufferSizes)},
      {"QueryDisplayConfig", reinterpret_cast<void*>(&DoubleQueryDisplayConfig)},
      {"DisplayConfigGetDeviceInfo", reinterpret_cast<void*>(&DoubleDisplayConfigGetDeviceInfo)},
      {"DisplayConfigSetDeviceInfo", reinterpret_cast<void*>(&DoubleDisplayConfigSetDeviceInfo)},
      {"MonitorFromWindow", reinterpret_cast<void*>(&DoubleMonitorFromWindow)},
      {"EnumDisplayMonitors", reinterpret_cast<void*>(&DoubleEnumDisplayMonitors)},
      {"GetMonitorInfoW", reinterpret_cast<void*>(&DoubleGetMonitorInfoW)},
      {"EnumDisplaySettingsExW", reinterpret_cast<void*>(&DoubleEnumDisplaySettingsExW)},
      {"ChangeDisplaySettingsExW", reinterpret_cast<void*>(&DoubleChangeDisplaySettingsExW)},
  };
  const auto found = replacements.find(name);
  return found == replacements.end() ? nullptr : found->second;
}

// Points the exe's import slots from the DLL for the calls above at the double.
void PatchExeImports(const char* dll) {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS64*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY directory =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (directory.VirtualAddress == 0) return;
  for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
       d->Name != 0; ++d) {
    if (_stricmp(reinterpret_cast<char*>(base + d->Name), dll) != 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA64*>(
        base + (d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk));
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA64*>(base + d->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL64(names->u1.Ordinal)) continue;
      auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      void* replacement = Replacement(reinterpret_cast<char*>(byName->Name));
      if (!replacement) continue;
      DWORD old = 0;
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old);
      slots->u1.Function = reinterpret_cast<ULONGLONG>(replacement);
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
    }
  }
}

struct PhysicalMonitor {
  HANDLE handle;
  WCHAR description[128];
};

std::string HandleText(HANDLE handle) {
  char text[32];
  snprintf(text, sizeof text, "0x%llx",
           static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(handle)));
  return text;
}

DWORD& Brightness(HANDLE monitor) {
  const auto key = reinterpret_cast<ULONG_PTR>(monitor);
  if (!scenario.brightness.count(key)) scenario.brightness[key] = scenario.current;
  return scenario.brightness[key];
}

}  // namespace

// --- the simulated monitors, as the physical-monitor calls of dxva2 ---

extern "C" BOOL WINAPI GetNumberOfPhysicalMonitorsFromHMONITOR(HMONITOR monitor, DWORD* count) {
  const UINT32 source = SourceOf(monitor);
  Log("GetNumberOfPhysicalMonitorsFromHMONITOR monitor=" +
      (scenario.physical.count(source) ? std::to_string(source) : HandleText(monitor)));
  if (Fails("GetNumberOfPhysicalMonitorsFromHMONITOR") || !scenario.physical.count(source))
    return FALSE;
  *count = static_cast<DWORD>(scenario.physical[source].size());
  return TRUE;
}

extern "C" BOOL WINAPI GetPhysicalMonitorsFromHMONITOR(HMONITOR monitor, DWORD count,
                                                       PhysicalMonitor* monitors) {
  const UINT32 source = SourceOf(monitor);
  Log("GetPhysicalMonitorsFromHMONITOR count=" + std::to_string(count));
  if (Fails("GetPhysicalMonitorsFromHMONITOR") || !scenario.physical.count(source) ||
      count != scenario.physical[source].size())
    return FALSE;
  for (DWORD i = 0; i < count; ++i) {
    monitors[i].handle = reinterpret_cast<HANDLE>(0x1001 + 0x10 * ULONG_PTR{source} + i);
    wcsncpy(monitors[i].description, scenario.physical[source][i].c_str(), 127);
  }
  return TRUE;
}

extern "C" BOOL WINAPI DestroyPhysicalMonitors(DWORD count, PhysicalMonitor* monitors) {
  std::string handles;
  for (DWORD i = 0; i < count; ++i) handles += (i ? "," : "") + HandleText(monitors[i].handle);
  Log("DestroyPhysicalMonitors count=" + std::to_string(count) + " handles=" + handles);
  return !Fails("DestroyPhysicalMonitors");
}

extern "C" BOOL WINAPI GetMonitorCapabilities(HANDLE monitor, DWORD* caps, DWORD* temperatures) {
  Log("GetMonitorCapabilities handle=" + HandleText(monitor));
  if (Fails("GetMonitorCapabilities")) return FALSE;
  *caps = 0x2;  // MC_CAPS_BRIGHTNESS
  *temperatures = 0;
  return TRUE;
}

extern "C" BOOL WINAPI GetMonitorBrightness(HANDLE monitor, DWORD* minimum, DWORD* current,
                                            DWORD* maximum) {
  Log("GetMonitorBrightness handle=" + HandleText(monitor));
  if (Fails("GetMonitorBrightness")) return FALSE;
  *minimum = scenario.minimum;
  *current = Brightness(monitor);
  *maximum = scenario.maximum;
  return TRUE;
}

extern "C" BOOL WINAPI SetMonitorBrightness(HANDLE monitor, DWORD value) {
  Log("SetMonitorBrightness handle=" + HandleText(monitor) + " value=" + std::to_string(value));
  if (Fails("SetMonitorBrightness")) return FALSE;
  if (!scenario.ignoreFirstWrite) {
    Brightness(monitor) = value < scenario.minimum   ? scenario.minimum
                          : value > scenario.maximum ? scenario.maximum
                                                     : value;
  }
  scenario.ignoreFirstWrite = false;
  return TRUE;
}

// --- the simulated power scheme, as the calls of powrprof ---

const GUID kSubgroup = {
    0x7516b95f, 0xf776, 0x4464, {0x8c, 0x53, 0x06, 0x16, 0x7f, 0x40, 0xcc, 0x99}};
const GUID kBrightness = {
    0xaded5e82, 0xb909, 0x4619, {0x99, 0x49, 0xf5, 0xd7, 0x1d, 0xac, 0x0b, 0xcb}};

DWORD SchemeValue(const char* call, const GUID* subgroup, const GUID* setting, bool mains,
                  DWORD* value, const DWORD* written) {
  DWORD& kept = mains ? scenario.mains : scenario.battery;
  if (written) kept = *written;
  if (value) *value = kept;
  Log(std::string(call) + " value=" + std::to_string(kept) + (mains ? " mains" : " battery"));
  if (Fails(call)) return ERROR_GEN_FAILURE;
  return IsEqualGUID(*subgroup, kSubgroup) && IsEqualGUID(*setting, kBrightness)
             ? ERROR_SUCCESS
             : ERROR_INVALID_PARAMETER;
}

extern "C" DWORD WINAPI PowerGetActiveScheme(HKEY, GUID** scheme) {
  Log("PowerGetActiveScheme");
  if (Fails("PowerGetActiveScheme")) return ERROR_GEN_FAILURE;
  *scheme = static_cast<GUID*>(LocalAlloc(LPTR, sizeof(GUID)));
  return ERROR_SUCCESS;
}

extern "C" DWORD WINAPI PowerReadACValueIndex(HKEY, const GUID*, const GUID* subgroup,
                                              const GUID* setting, DWORD* value) {
  return SchemeValue("PowerReadACValueIndex", subgroup, setting, true, value, nullptr);
}

extern "C" DWORD WINAPI PowerReadDCValueIndex(HKEY, const GUID*, const GUID* subgroup,
                                              const GUID* setting, DWORD* value) {
  return SchemeValue("PowerReadDCValueIndex", subgroup, setting, false, value, nullptr);
}

extern "C" DWORD WINAPI PowerWriteACValueIndex(HKEY, const GUID*, const GUID* subgroup,
                                               const GUID* setting, DWORD value) {
  return SchemeValue("PowerWriteACValueIndex", subgroup, setting, true, nullptr, &value);
}

extern "C" DWORD WINAPI PowerWriteDCValueIndex(HKEY, const GUID*, const GUID* subgroup,
                                               const GUID* setting, DWORD value) {
  return SchemeValue("PowerWriteDCValueIndex", subgroup, setting, false, nullptr, &value);
}

extern "C" DWORD WINAPI PowerSetActiveScheme(HKEY, const GUID*) {
  Log("PowerSetActiveScheme");
  return Fails("PowerSetActiveScheme") ? ERROR_GEN_FAILURE : ERROR_SUCCESS;
}

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    LoadScenario();
    // As powrprof it stands for the power source, as dxva2 for the displays.
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(self, path, MAX_PATH);
    PatchExeImports(wcsstr(_wcslwr(path), L"powrprof") ? "kernel32.dll" : "user32.dll");
  }
  return TRUE;
}
