// The device test double, built as dxva2.dll and installed in the system directory, from where
// Glowtide.exe loads it. It stands for the monitor and display hardware that no test machine has:
//  - it implements the physical-monitor calls over a simulated monitor;
//  - when loaded, it points the exe's import slots for the USER32 display-configuration calls at
//    a simulated display, since Wine does not implement those requests;
//  - it reads its scenario from the file named by DEVICE_DOUBLE_SCENARIO and appends every call,
//    with request bytes in hex and the calling process id, to the file named by DEVICE_DOUBLE_LOG.
//
// Scenario lines (key=value, all optional):
//   paths=LOW:HIGH:ID,...   display paths, adapter LUID parts and target id (default 4660:0:7)
//   advancedColor=N         older generation: advanced-colour value word (default 1: supported, off)
//   generation=current      a Windows 11 24H2 system that also answers types 15 and 16
//   acm=1                   current generation: Auto Color Management on
//   hdrSupported=0          current generation: an SDR display (default 1)
//   hdr=1                   current generation: HDR on (default 0)
//   whiteLevel=N            SDR white level (default 1000)
//   monitors=N              physical monitors of the primary monitor (default 1)
//   caps=N                  capability word (default 2: brightness)
//   brightness=MIN:CUR:MAX  (default 0:50:100)
//   fail=Name,...           calls that fail
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Path {
  DWORD low;
  LONG high;
  UINT32 id;
};

struct Scenario {
  std::vector<Path> paths{{4660, 0, 7}};
  UINT32 advancedColor = 1;
  bool currentGeneration = false;
  bool acm = false;
  bool hdrSupported = true;
  bool hdr = false;
  UINT32 whiteLevel = 1000;
  DWORD monitors = 1;
  DWORD caps = 2;
  DWORD minimum = 0, current = 50, maximum = 100;
  std::string fail;
} scenario;

std::wstring logPath;

bool Fails(const char* call) {
  const std::string list = "," + scenario.fail + ",";
  return list.find(std::string(",") + call + ",") != std::string::npos;
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

void LoadScenario() {
  logPath = Environment(L"DEVICE_DOUBLE_LOG");
  const std::wstring path = Environment(L"DEVICE_DOUBLE_SCENARIO");
  if (path.empty()) return;
  FILE* file = _wfopen(path.c_str(), L"r");
  if (!file) return;
  char line[1024];
  while (fgets(line, sizeof line, file)) {
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    const size_t eq = text.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = text.substr(0, eq);
    const std::string value = text.substr(eq + 1);
    if (key == "paths") {
      scenario.paths.clear();
      for (const char* p = value.c_str(); *p;) {
        Path path{};
        char* end = nullptr;
        path.low = strtoul(p, &end, 0);
        path.high = strtol(end + 1, &end, 0);
        path.id = strtoul(end + 1, &end, 0);
        scenario.paths.push_back(path);
        p = *end == ',' ? end + 1 : end;
      }
    } else if (key == "advancedColor") {
      scenario.advancedColor = strtoul(value.c_str(), nullptr, 0);
    } else if (key == "generation") {
      scenario.currentGeneration = value == "current";
    } else if (key == "acm") {
      scenario.acm = value == "1";
    } else if (key == "hdrSupported") {
      scenario.hdrSupported = value == "1";
    } else if (key == "hdr") {
      scenario.hdr = value == "1";
    } else if (key == "whiteLevel") {
      scenario.whiteLevel = strtoul(value.c_str(), nullptr, 0);
    } else if (key == "monitors") {
      scenario.monitors = strtoul(value.c_str(), nullptr, 0);
    } else if (key == "caps") {
      scenario.caps = strtoul(value.c_str(), nullptr, 0);
    } else if (key == "brightness") {
      sscanf(value.c_str(), "%lu:%lu:%lu", &scenario.minimum, &scenario.current, &scenario.maximum);
    } else if (key == "fail") {
      scenario.fail = value;
    }
  }
  fclose(file);
}

// --- the simulated display, reached through the exe's patched import slots ---

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
  if (*pathCount < scenario.paths.size() || *modeCount < scenario.paths.size() * 2) {
    return ERROR_INSUFFICIENT_BUFFER;
  }
  for (size_t i = 0; i < scenario.paths.size(); ++i) {
    memset(&paths[i], 0, sizeof paths[i]);
    paths[i].targetInfo.adapterId.LowPart = scenario.paths[i].low;
    paths[i].targetInfo.adapterId.HighPart = scenario.paths[i].high;
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

UINT32& Word(DISPLAYCONFIG_DEVICE_INFO_HEADER* header, size_t offset) {
  return *reinterpret_cast<UINT32*>(reinterpret_cast<BYTE*>(header) + offset);
}

// The state within the run, as every set leaves it.
std::string HdrText() {
  const bool on = scenario.currentGeneration ? scenario.hdr : (scenario.advancedColor & 2) != 0;
  return on ? " hdr=on" : " hdr=off";
}

LONG WINAPI DoubleDisplayConfigGetDeviceInfo(DISPLAYCONFIG_DEVICE_INFO_HEADER* header) {
  Log("DisplayConfigGetDeviceInfo " + Hex(header, header->size));
  if (Fails("DisplayConfigGetDeviceInfo")) return ERROR_GEN_FAILURE;
  const int type = header->type;
  if (type == DISPLAYCONFIG_DEVICE_INFO_GET_ADVANCED_COLOR_INFO && header->size == 32) {
    if (!scenario.currentGeneration) {
      Word(header, 20) = scenario.advancedColor;
    } else if (scenario.acm) {
      Word(header, 20) = 0x3;  // under ACM even an SDR picture reads as advanced colour enabled
    } else {
      Word(header, 20) = (scenario.hdrSupported ? 1 : 0) | (scenario.hdr ? 2 : 0);
    }
    return ERROR_SUCCESS;
  }
  if (type == kGetAdvancedColorInfo2 && header->size == 36 && scenario.currentGeneration) {
    const bool active = scenario.hdr || scenario.acm;
    Word(header, 20) = ((scenario.hdrSupported || scenario.acm) ? 0x1 : 0) | (active ? 0x2 : 0) |
                       (scenario.hdrSupported ? 0x10 : 0) | (scenario.hdr ? 0x20 : 0);
    Word(header, 32) = scenario.hdr ? 2 : (scenario.acm ? 1 : 0);
    return ERROR_SUCCESS;
  }
  if (type == DISPLAYCONFIG_DEVICE_INFO_GET_SDR_WHITE_LEVEL && header->size == 24) {
    Word(header, 20) = scenario.whiteLevel;
    return ERROR_SUCCESS;
  }
  return ERROR_INVALID_PARAMETER;
}

LONG WINAPI DoubleDisplayConfigSetDeviceInfo(DISPLAYCONFIG_DEVICE_INFO_HEADER* header) {
  LONG result = ERROR_SUCCESS;
  const bool on = (Word(header, 20) & 1) != 0;
  if (Fails("DisplayConfigSetDeviceInfo")) {
    result = ERROR_GEN_FAILURE;
  } else if (header->type == DISPLAYCONFIG_DEVICE_INFO_SET_ADVANCED_COLOR_STATE) {
    if (!scenario.currentGeneration) {
      scenario.advancedColor = on ? scenario.advancedColor | 2 : scenario.advancedColor & ~2u;
    } else if (!on || (!scenario.acm && scenario.hdrSupported)) {
      scenario.hdr = on;  // under ACM the older set can still turn HDR off, not on
    }
  } else if (header->type == kSetHdrState) {
    if (!scenario.currentGeneration) {
      result = ERROR_INVALID_PARAMETER;  // an older Windows does not know the request
    } else if (!scenario.hdrSupported) {
      result = ERROR_NOT_SUPPORTED;
    } else {
      scenario.hdr = on;
    }
  }
  Log("DisplayConfigSetDeviceInfo " + Hex(header, header->size) + HdrText() +
      (result == ERROR_SUCCESS ? "" : " refused"));
  return result;
}

void* Replacement(const char* name) {
  if (!strcmp(name, "GetDisplayConfigBufferSizes"))
    return reinterpret_cast<void*>(&DoubleGetDisplayConfigBufferSizes);
  if (!strcmp(name, "QueryDisplayConfig"))
    return reinterpret_cast<void*>(&DoubleQueryDisplayConfig);
  if (!strcmp(name, "DisplayConfigGetDeviceInfo"))
    return reinterpret_cast<void*>(&DoubleDisplayConfigGetDeviceInfo);
  if (!strcmp(name, "DisplayConfigSetDeviceInfo"))
    return reinterpret_cast<void*>(&DoubleDisplayConfigSetDeviceInfo);
  return nullptr;
}

// Points the exe's USER32 import slots for the display-configuration calls at the double.
void PatchExeImports() {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS64*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY directory =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (directory.VirtualAddress == 0) return;
  for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
       d->Name != 0; ++d) {
    if (_stricmp(reinterpret_cast<char*>(base + d->Name), "user32.dll") != 0) continue;
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

HANDLE MonitorHandle(DWORD index) { return reinterpret_cast<HANDLE>(0x1001 + index); }

}  // namespace

// --- the simulated monitor, as the physical-monitor calls of dxva2 ---

extern "C" BOOL WINAPI GetNumberOfPhysicalMonitorsFromHMONITOR(HMONITOR monitor, DWORD* count) {
  Log(std::string("GetNumberOfPhysicalMonitorsFromHMONITOR monitor=") +
      (monitor ? "primary" : "null"));
  if (Fails("GetNumberOfPhysicalMonitorsFromHMONITOR")) return FALSE;
  *count = scenario.monitors;
  return TRUE;
}

extern "C" BOOL WINAPI GetPhysicalMonitorsFromHMONITOR(HMONITOR, DWORD count,
                                                       PhysicalMonitor* monitors) {
  Log("GetPhysicalMonitorsFromHMONITOR count=" + std::to_string(count));
  if (Fails("GetPhysicalMonitorsFromHMONITOR") || count != scenario.monitors) return FALSE;
  for (DWORD i = 0; i < count; ++i) {
    monitors[i].handle = MonitorHandle(i);
    wcscpy(monitors[i].description, L"Simulated monitor");
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
  *caps = scenario.caps;
  *temperatures = 0;
  return TRUE;
}

extern "C" BOOL WINAPI GetMonitorBrightness(HANDLE monitor, DWORD* minimum, DWORD* current,
                                            DWORD* maximum) {
  Log("GetMonitorBrightness handle=" + HandleText(monitor));
  if (Fails("GetMonitorBrightness")) return FALSE;
  *minimum = scenario.minimum;
  *current = scenario.current;
  *maximum = scenario.maximum;
  return TRUE;
}

extern "C" BOOL WINAPI SetMonitorBrightness(HANDLE monitor, DWORD value) {
  Log("SetMonitorBrightness handle=" + HandleText(monitor) + " value=" + std::to_string(value));
  if (Fails("SetMonitorBrightness")) return FALSE;
  scenario.current = value;
  return TRUE;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    LoadScenario();
    PatchExeImports();
  }
  return TRUE;
}
