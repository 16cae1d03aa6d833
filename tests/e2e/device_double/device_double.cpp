// The device test double, built as dxva2.dll and as powrprof.dll and installed in the system
// directory, from where Glowtide.exe loads them. It stands for the display and monitor hardware
// that no test machine has with the unit tests' recording fake and its simulated machine:
//  - as dxva2 it takes the physical-monitor calls, as powrprof the power scheme's;
//  - when loaded, it points the exe's import slots for the display-configuration and
//    display-monitor calls (USER32) or, as powrprof, for GetSystemPowerStatus (KERNEL32) at the
//    fake, since Wine has neither the requests nor several monitors to offer;
//  - the machine is the one that DEVICE_DOUBLE_SCENARIO names (below), and each call the fake
//    records is appended, after the calling process's id, to the file DEVICE_DOUBLE_LOG names.
// Each of the two holds a fake of its own: the displays and monitors are dxva2's, the power
// scheme and source powrprof's.
#include <windows.h>

#include <string>

#include "support/fake_platform.h"

namespace {

using glowtide::DisplayMode;
using glowtide::Guid;
using glowtide::Handle;
using glowtide::MonitorHandle;
using glowtide::PhysicalMonitor;
using glowtide::testing::FakePlatform;
using glowtide::testing::Machine;

std::string Environment(const char* name) {
  char value[1024] = {};
  const DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
  return n < sizeof value ? value : "";
}

// The machines the suite names; any other name is the fake's default: display 1 (target 7 on
// adapter 0x1234) on an older system with HDR off and a white level of 1000, one physical monitor
// at 50 of 0 to 100, the modes 2560x1440@144 (the current and desktop mode), @60, 1920x1080@60
// and 59, and a power scheme of 60 on mains and 40 on battery, on mains.
Machine Scenario(const std::string& name) {
  if (name == "report")  // HDR on, two displays on adapters of their own, two physical monitors
    return {.paths = {{0x1234, -2, 7}, {0x5678, 0, 9, 1}},
            .advancedColorWord = 3,
            .whiteLevel = 2500,
            .monitorCount = 2};
  if (name == "current") return {.currentModel = true};
  if (name == "current, first read lost") return {.currentModel = true, .newerReads = {31}};
  if (name == "changed") return {.changed = true};
  // A built-in panel, and an LG monitor (the primary, with its device path) and a TV in clone
  // mode on one source, whose physical monitors are described in the other order.
  if (name == "desk")
    return {.paths = {{0x1234, 0, 7, 0, u"", 0x80000000},
                      {0x1234, 0, 8, 1, u"LG ULTRAGEAR", 0, false,
                       u"\\\\?\\DISPLAY#GSM5B7F#5&2a1c3e0&0&UID4353#{e6f07b5f-ee97-4a90-b076}"},
                      {0x1234, 0, 9, 1, u"TV"}},
            .monitorCount = 2,
            .descriptions = {u"TV", u"LG ULTRAGEAR"},
            .primarySource = 1};
  if (name == "laptop on battery")
    return {.paths = {{0x1234, 0, 7, 0, u"", 11}}, .acLineStatus = 0};  // embedded DisplayPort
  if (name == "120 Hz")
    return {.modes = {{2560, 1440, 144, 32},
                      {2560, 1440, 60, 32},
                      {1920, 1080, 60, 32},
                      {2560, 1440, 120, 32}}};
  if (name == "two, current")
    return {.paths = {{0x1234, 0, 7}, {0x1234, 0, 8, 1}}, .currentModel = true};
  if (name == "three, slow sets")
    return {.paths = {{0x1234, 0, 7}, {0x1234, 0, 8, 1}, {0x1234, 0, 9, 2}}};
  // A monitor whose code DC cannot be read and whose input source reads as the input it started on.
  if (name == "codes") return {.unreadableCodes = {0xDC}, .oldInput = true};
  if (name == "three refusing sets")
    return {.failing = {"DisplayConfigSetDeviceInfo"},
            .paths = {{0x1234, 0, 7}, {0x1234, 0, 8, 1}, {0x1234, 0, 9, 2}}};
  return {};
}

FakePlatform& Fake() {
  static FakePlatform fake(Scenario(Environment("DEVICE_DOUBLE_SCENARIO")));
  // The suite sets this event to have the displays forget their HDR state, white level and
  // brightness, as a monitor does in its sleep; the next call finds them so.
  static const HANDLE forget =
      OpenEventA(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, "GlowtideSuiteDisplaysForget");
  if (forget && WaitForSingleObject(forget, 0) == WAIT_OBJECT_0) {
    ResetEvent(forget);
    fake.Forget(false);
  }
  return fake;
}

// Appends the calls that the fake has recorded since the last time to the log; gives back the
// call's result.
std::size_t logged = 0;
template <typename Result>
Result Logged(Result result) {
  std::string lines;
  for (; logged < Fake().calls.size(); ++logged)
    lines += std::to_string(GetCurrentProcessId()) + " " + Fake().calls[logged] + "\n";
  HANDLE file = CreateFileA(Environment("DEVICE_DOUBLE_LOG").c_str(), FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr);
  CloseHandle(file);
  return result;
}

template <typename T>
T As(const void* handle) {
  return static_cast<T>(reinterpret_cast<ULONG_PTR>(handle));
}

// --- the simulated displays, reached through the exe's patched import slots ---

LONG WINAPI DoubleGetDisplayConfigBufferSizes(UINT32 flags, UINT32* paths, UINT32* modes) {
  return Logged(Fake().GetDisplayConfigBufferSizes(flags, paths, modes));
}

LONG WINAPI DoubleQueryDisplayConfig(UINT32 flags, UINT32* pathCount, BYTE* paths,
                                     UINT32* modeCount, BYTE* modes, UINT32* topology) {
  return Logged(Fake().QueryDisplayConfig(flags, pathCount, paths, modeCount, modes, topology));
}

LONG WINAPI DoubleDisplayConfigGetDeviceInfo(BYTE* request) {
  return Logged(Fake().DisplayConfigGetDeviceInfo(request));
}

LONG WINAPI DoubleDisplayConfigSetDeviceInfo(BYTE* request) {
  // A display that takes its time over each set, as an HDR switch does on real hardware.
  if (Environment("DEVICE_DOUBLE_SCENARIO") == "three, slow sets") Sleep(500);
  return Logged(Fake().DisplayConfigSetDeviceInfo(request));
}

HMONITOR WINAPI DoubleMonitorFromWindow(HWND window, DWORD flags) {
  return reinterpret_cast<HMONITOR>(
      Logged(Fake().MonitorFromWindow(As<glowtide::WindowHandle>(window), flags)));
}

BOOL WINAPI DoubleEnumDisplayMonitors(HDC, LPCRECT, MONITORENUMPROC found, LPARAM data) {
  std::vector<MonitorHandle> monitors;
  const bool listed = Logged(Fake().EnumDisplayMonitors(&monitors));
  RECT area{};
  for (const MonitorHandle monitor : monitors) {
    if (!found(reinterpret_cast<HMONITOR>(monitor), nullptr, &area, data)) break;
  }
  return listed;
}

BOOL WINAPI DoubleGetMonitorInfoW(HMONITOR monitor, MONITORINFOEXW* info) {
  glowtide::MonitorInfo read;
  const bool got = Logged(Fake().GetMonitorInfoW(As<MonitorHandle>(monitor), &read));
  info->dwFlags = read.flags;
  if (info->cbSize == sizeof(MONITORINFOEXW))
    memcpy(info->szDevice, read.device, sizeof read.device);
  return got;
}

BOOL WINAPI DoubleEnumDisplaySettingsExW(const char16_t* device, DWORD number, DEVMODEW* mode,
                                         DWORD) {
  DisplayMode read;
  if (!Logged(Fake().EnumDisplaySettingsExW(device, number, &read))) return FALSE;
  mode->dmPelsWidth = read.width;
  mode->dmPelsHeight = read.height;
  mode->dmDisplayFrequency = read.frequency;
  mode->dmBitsPerPel = read.bitsPerPixel;
  mode->dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY | DM_BITSPERPEL;
  return TRUE;
}

LONG WINAPI DoubleChangeDisplaySettingsExW(const char16_t* device, DEVMODEW* mode, HWND,
                                           DWORD flags, void* parameter) {
  if (parameter) return DISP_CHANGE_BADPARAM;
  return Logged(Fake().ChangeDisplaySettingsExW(
      device,
      {mode->dmPelsWidth, mode->dmPelsHeight, mode->dmDisplayFrequency, mode->dmBitsPerPel,
       mode->dmFields},
      flags));
}

BOOL WINAPI DoubleGetSystemPowerStatus(SYSTEM_POWER_STATUS* status) {
  *status = SYSTEM_POWER_STATUS{};
  return Logged(Fake().GetSystemPowerStatus(&status->ACLineStatus));
}

void* Replacement(const char* name) {
  static const std::pair<const char*, void*> replacements[] = {
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
  for (const auto& [replaced, replacement] : replacements) {
    if (strcmp(replaced, name) == 0) return replacement;
  }
  return nullptr;
}

// Points the exe's import slots from the DLL for the calls above at the double.
void PatchExeImports(const char* dll) {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS64*>(
      base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
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

}  // namespace

// --- the simulated monitors, as the physical-monitor calls of dxva2 ---

extern "C" BOOL WINAPI GetNumberOfPhysicalMonitorsFromHMONITOR(HMONITOR monitor, UINT32* count) {
  return Logged(Fake().GetNumberOfPhysicalMonitorsFromHMONITOR(As<MonitorHandle>(monitor), count));
}

extern "C" BOOL WINAPI GetPhysicalMonitorsFromHMONITOR(HMONITOR monitor, DWORD count,
                                                       PhysicalMonitor* monitors) {
  return Logged(
      Fake().GetPhysicalMonitorsFromHMONITOR(As<MonitorHandle>(monitor), count, monitors));
}

extern "C" BOOL WINAPI DestroyPhysicalMonitors(DWORD count, PhysicalMonitor* monitors) {
  return Logged(Fake().DestroyPhysicalMonitors(count, monitors));
}

extern "C" BOOL WINAPI GetMonitorCapabilities(HANDLE monitor, UINT32* caps, UINT32* temperatures) {
  return Logged(Fake().GetMonitorCapabilities(As<Handle>(monitor), caps, temperatures));
}

extern "C" BOOL WINAPI GetMonitorBrightness(HANDLE monitor, UINT32* minimum, UINT32* current,
                                            UINT32* maximum) {
  return Logged(Fake().GetMonitorBrightness(As<Handle>(monitor), minimum, current, maximum));
}

extern "C" BOOL WINAPI SetMonitorBrightness(HANDLE monitor, DWORD value) {
  return Logged(Fake().SetMonitorBrightness(As<Handle>(monitor), value));
}

extern "C" BOOL WINAPI GetVCPFeatureAndVCPFeatureReply(HANDLE monitor, BYTE code, void*,
                                                       DWORD* current, DWORD* maximum) {
  std::uint32_t now = 0, most = 0;
  const bool ok = Fake().GetVCPFeatureAndVCPFeatureReply(As<Handle>(monitor), code, &now, &most);
  *current = now;
  *maximum = most;
  return Logged(ok);
}

extern "C" BOOL WINAPI SetVCPFeature(HANDLE monitor, BYTE code, DWORD value) {
  return Logged(Fake().SetVCPFeature(As<Handle>(monitor), code, value));
}

// --- the simulated power scheme, as the calls of powrprof ---

// The scheme is handed out in memory of LocalAlloc's, which the exe gives back with LocalFree.
extern "C" DWORD WINAPI PowerGetActiveScheme(HKEY, Guid** scheme) {
  Guid* active = nullptr;
  const DWORD result = Logged(Fake().PowerGetActiveScheme(&active));
  if (result == ERROR_SUCCESS) {
    *scheme = static_cast<Guid*>(LocalAlloc(LPTR, sizeof(Guid)));
    **scheme = *active;
  }
  return result;
}

extern "C" DWORD WINAPI PowerReadACValueIndex(HKEY, const Guid* scheme, const Guid* subgroup,
                                              const Guid* setting, UINT32* value) {
  return Logged(Fake().PowerReadACValueIndex(scheme, subgroup, setting, value));
}

extern "C" DWORD WINAPI PowerReadDCValueIndex(HKEY, const Guid* scheme, const Guid* subgroup,
                                              const Guid* setting, UINT32* value) {
  return Logged(Fake().PowerReadDCValueIndex(scheme, subgroup, setting, value));
}

extern "C" DWORD WINAPI PowerWriteACValueIndex(HKEY, const Guid* scheme, const Guid* subgroup,
                                               const Guid* setting, DWORD value) {
  return Logged(Fake().PowerWriteACValueIndex(scheme, subgroup, setting, value));
}

extern "C" DWORD WINAPI PowerWriteDCValueIndex(HKEY, const Guid* scheme, const Guid* subgroup,
                                               const Guid* setting, DWORD value) {
  return Logged(Fake().PowerWriteDCValueIndex(scheme, subgroup, setting, value));
}

extern "C" DWORD WINAPI PowerSetActiveScheme(HKEY, const Guid* scheme) {
  return Logged(Fake().PowerSetActiveScheme(scheme));
}

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    // As powrprof it stands for the power source, as dxva2 for the displays.
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(self, path, MAX_PATH);
    PatchExeImports(wcsstr(_wcslwr(path), L"powrprof") ? "kernel32.dll" : "user32.dll");
  }
  return TRUE;
}
