// Win32 marshalling for the seam: casts and struct fills only, every decision lives above it.
#include "platform/win32/win32_platform.h"

#include <windows.h>
// These need the types of windows.h first.
#include <highlevelmonitorconfigurationapi.h>
#include <objbase.h>
#include <physicalmonitorenumerationapi.h>
#include <sddl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <cstddef>
#include <cstring>
#include <type_traits>

#include "display/device_info.h"

namespace glowtide {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows text is UTF-16");

const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
// A platform handle as the seam's handle type of the same bits.
template <typename T, typename H>
T Wrap(H native) {
  return static_cast<T>(reinterpret_cast<std::uintptr_t>(native));
}
HWND Native(WindowHandle window) { return reinterpret_cast<HWND>(window); }
HANDLE Native(Handle handle) { return reinterpret_cast<HANDLE>(handle); }
HMONITOR Native(MonitorHandle monitor) { return reinterpret_cast<HMONITOR>(monitor); }
LPPHYSICAL_MONITOR Native(PhysicalMonitor* monitors) {
  return reinterpret_cast<LPPHYSICAL_MONITOR>(monitors);
}

static_assert(sizeof(PHYSICAL_MONITOR) == sizeof(PhysicalMonitor));
static_assert(offsetof(PHYSICAL_MONITOR, szPhysicalMonitorDescription) ==
              offsetof(PhysicalMonitor, description));

// The request layouts are the program's own; these are the platform structures they stand for.
static_assert(sizeof(DISPLAYCONFIG_PATH_INFO) == kPathInfoSize);
static_assert(sizeof(DISPLAYCONFIG_MODE_INFO) == kModeInfoSize);
static_assert(offsetof(DISPLAYCONFIG_PATH_INFO, sourceInfo.adapterId) == 0);
static_assert(offsetof(DISPLAYCONFIG_PATH_INFO, sourceInfo.id) == 8);
static_assert(offsetof(DISPLAYCONFIG_PATH_INFO, targetInfo.adapterId) == 20);
static_assert(offsetof(DISPLAYCONFIG_PATH_INFO, targetInfo.id) == 28);
static_assert(sizeof(DISPLAYCONFIG_DEVICE_INFO_HEADER) == kDeviceInfoHeaderSize);
static_assert(sizeof(DISPLAYCONFIG_SOURCE_DEVICE_NAME) == kSourceNameSize);
static_assert(sizeof(DISPLAYCONFIG_TARGET_DEVICE_NAME) == kTargetNameSize);
static_assert(offsetof(DISPLAYCONFIG_TARGET_DEVICE_NAME, outputTechnology) == 24);
static_assert(offsetof(DISPLAYCONFIG_TARGET_DEVICE_NAME, monitorFriendlyDeviceName) == 36);
static_assert(sizeof(DISPLAYCONFIG_GET_ADVANCED_COLOR_INFO) == kAdvancedColorInfoSize);
static_assert(sizeof(DISPLAYCONFIG_SET_ADVANCED_COLOR_STATE) == kAdvancedColorStateSize);
static_assert(sizeof(DISPLAYCONFIG_SDR_WHITE_LEVEL) == kSdrWhiteLevelReadSize);

}  // namespace

char16_t** Win32Platform::CommandLineToArgvW(const char16_t* commandLine, int* count) {
  return reinterpret_cast<char16_t**>(::CommandLineToArgvW(Wide(commandLine), count));
}

void Win32Platform::LocalFree(void* memory) { ::LocalFree(memory); }

std::int32_t Win32Platform::GetDisplayConfigBufferSizes(std::uint32_t flags,
                                                        std::uint32_t* pathCount,
                                                        std::uint32_t* modeCount) {
  return ::GetDisplayConfigBufferSizes(flags, pathCount, modeCount);
}

std::int32_t Win32Platform::QueryDisplayConfig(std::uint32_t flags, std::uint32_t* pathCount,
                                               std::uint8_t* paths, std::uint32_t* modeCount,
                                               std::uint8_t* modes, std::uint32_t* topologyId) {
  return ::QueryDisplayConfig(flags, pathCount, reinterpret_cast<DISPLAYCONFIG_PATH_INFO*>(paths),
                              modeCount, reinterpret_cast<DISPLAYCONFIG_MODE_INFO*>(modes),
                              reinterpret_cast<DISPLAYCONFIG_TOPOLOGY_ID*>(topologyId));
}

std::int32_t Win32Platform::DisplayConfigGetDeviceInfo(std::uint8_t* request) {
  return ::DisplayConfigGetDeviceInfo(reinterpret_cast<DISPLAYCONFIG_DEVICE_INFO_HEADER*>(request));
}

std::int32_t Win32Platform::DisplayConfigSetDeviceInfo(std::uint8_t* request) {
  return ::DisplayConfigSetDeviceInfo(reinterpret_cast<DISPLAYCONFIG_DEVICE_INFO_HEADER*>(request));
}

bool Win32Platform::EnumDisplaySettingsExW(const char16_t* device, std::uint32_t modeNumber,
                                           DisplayMode* mode) {
  DEVMODEW native{};
  native.dmSize = sizeof native;
  if (!::EnumDisplaySettingsExW(Wide(device), modeNumber, &native, 0)) return false;
  mode->width = native.dmPelsWidth;
  mode->height = native.dmPelsHeight;
  mode->frequency = native.dmDisplayFrequency;
  mode->bitsPerPixel = native.dmBitsPerPel;
  mode->fields = native.dmFields;
  return true;
}

std::int32_t Win32Platform::ChangeDisplaySettingsExW(const char16_t* device,
                                                     const DisplayMode& mode, std::uint32_t flags) {
  DEVMODEW native{};
  native.dmSize = sizeof native;
  native.dmPelsWidth = mode.width;
  native.dmPelsHeight = mode.height;
  native.dmDisplayFrequency = mode.frequency;
  native.dmBitsPerPel = mode.bitsPerPixel;
  native.dmFields = mode.fields;
  return ::ChangeDisplaySettingsExW(Wide(device), &native, nullptr, flags, nullptr);
}

MonitorHandle Win32Platform::MonitorFromWindow(WindowHandle window, std::uint32_t flags) {
  return Wrap<MonitorHandle>(::MonitorFromWindow(Native(window), flags));
}

bool Win32Platform::EnumDisplayMonitors(std::vector<MonitorHandle>* monitors) {
  return ::EnumDisplayMonitors(
             nullptr, nullptr,
             [](HMONITOR monitor, HDC, LPRECT, LPARAM list) -> BOOL {
               reinterpret_cast<std::vector<MonitorHandle>*>(list)->push_back(
                   Wrap<MonitorHandle>(monitor));
               return TRUE;
             },
             reinterpret_cast<LPARAM>(monitors)) != FALSE;
}

bool Win32Platform::GetMonitorInfoW(MonitorHandle monitor, MonitorInfo* info) {
  MONITORINFOEXW native{};
  native.cbSize = sizeof native;
  if (!::GetMonitorInfoW(Native(monitor), &native)) return false;
  static_assert(sizeof(native.szDevice) == sizeof(info->device));
  info->flags = native.dwFlags;
  std::memcpy(info->device, native.szDevice, sizeof info->device);
  return true;
}

Win32Platform::Win32Platform() {
  // dxva2 and powrprof are not among the DLLs that Windows always takes from System32, so they
  // are loaded from there by name, never from the exe's folder; and every later load is held to
  // System32 too. A function that cannot be had stays null, and its call then fails.
  ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  HMODULE library = nullptr;
  auto take = [&library](auto& function, const char* name) {
    if (library == nullptr) return;
    function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
        reinterpret_cast<void*>(::GetProcAddress(library, name)));
  };
  library = ::LoadLibraryExW(L"dxva2.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  take(dxva2_.getNumberOfPhysicalMonitors, "GetNumberOfPhysicalMonitorsFromHMONITOR");
  take(dxva2_.getPhysicalMonitors, "GetPhysicalMonitorsFromHMONITOR");
  take(dxva2_.getMonitorCapabilities, "GetMonitorCapabilities");
  take(dxva2_.getMonitorBrightness, "GetMonitorBrightness");
  take(dxva2_.setMonitorBrightness, "SetMonitorBrightness");
  take(dxva2_.destroyPhysicalMonitors, "DestroyPhysicalMonitors");
  take(dxva2_.getVcpFeature, "GetVCPFeatureAndVCPFeatureReply");
  take(dxva2_.setVcpFeature, "SetVCPFeature");
  library = ::LoadLibraryExW(L"powrprof.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  take(powrprof_.getActiveScheme, "PowerGetActiveScheme");
  take(powrprof_.readAc, "PowerReadACValueIndex");
  take(powrprof_.readDc, "PowerReadDCValueIndex");
  take(powrprof_.writeAc, "PowerWriteACValueIndex");
  take(powrprof_.writeDc, "PowerWriteDCValueIndex");
  take(powrprof_.setActiveScheme, "PowerSetActiveScheme");
}

static_assert(sizeof(GUID) == sizeof(Guid));

std::uint32_t Win32Platform::PowerGetActiveScheme(Guid** scheme) {
  if (!powrprof_.getActiveScheme) return ERROR_MOD_NOT_FOUND;
  return powrprof_.getActiveScheme(nullptr, scheme);
}

namespace {

// A power-scheme value read through the function taken from powrprof, when there is one.
template <typename Read>
std::uint32_t ReadValueIndex(Read read, const Guid* scheme, const Guid* subgroup,
                             const Guid* setting, std::uint32_t* value) {
  if (!read) return ERROR_MOD_NOT_FOUND;
  unsigned long index = 0;
  const unsigned long result = read(nullptr, scheme, subgroup, setting, &index);
  *value = index;
  return result;
}

}  // namespace

std::uint32_t Win32Platform::PowerReadACValueIndex(const Guid* scheme, const Guid* subgroup,
                                                   const Guid* setting, std::uint32_t* value) {
  return ReadValueIndex(powrprof_.readAc, scheme, subgroup, setting, value);
}

std::uint32_t Win32Platform::PowerReadDCValueIndex(const Guid* scheme, const Guid* subgroup,
                                                   const Guid* setting, std::uint32_t* value) {
  return ReadValueIndex(powrprof_.readDc, scheme, subgroup, setting, value);
}

std::uint32_t Win32Platform::PowerWriteACValueIndex(const Guid* scheme, const Guid* subgroup,
                                                    const Guid* setting, std::uint32_t value) {
  if (!powrprof_.writeAc) return ERROR_MOD_NOT_FOUND;
  return powrprof_.writeAc(nullptr, scheme, subgroup, setting, value);
}

std::uint32_t Win32Platform::PowerWriteDCValueIndex(const Guid* scheme, const Guid* subgroup,
                                                    const Guid* setting, std::uint32_t value) {
  if (!powrprof_.writeDc) return ERROR_MOD_NOT_FOUND;
  return powrprof_.writeDc(nullptr, scheme, subgroup, setting, value);
}

std::uint32_t Win32Platform::PowerSetActiveScheme(const Guid* scheme) {
  if (!powrprof_.setActiveScheme) return ERROR_MOD_NOT_FOUND;
  return powrprof_.setActiveScheme(nullptr, scheme);
}

bool Win32Platform::GetSystemPowerStatus(std::uint8_t* acLineStatus) {
  SYSTEM_POWER_STATUS status{};
  const BOOL ok = ::GetSystemPowerStatus(&status);
  *acLineStatus = status.ACLineStatus;
  return ok != FALSE;
}

bool Win32Platform::GetNumberOfPhysicalMonitorsFromHMONITOR(MonitorHandle monitor,
                                                            std::uint32_t* count) {
  if (!dxva2_.getNumberOfPhysicalMonitors) return false;
  DWORD value = 0;
  const BOOL ok = dxva2_.getNumberOfPhysicalMonitors(Native(monitor), &value);
  *count = value;
  return ok != FALSE;
}

bool Win32Platform::GetPhysicalMonitorsFromHMONITOR(MonitorHandle monitor, std::uint32_t count,
                                                    PhysicalMonitor* monitors) {
  if (!dxva2_.getPhysicalMonitors) return false;
  return dxva2_.getPhysicalMonitors(Native(monitor), count, Native(monitors)) != FALSE;
}

bool Win32Platform::GetMonitorCapabilities(Handle monitor, std::uint32_t* capabilities,
                                           std::uint32_t* colorTemperatures) {
  if (!dxva2_.getMonitorCapabilities) return false;
  DWORD caps = *capabilities;
  DWORD temperatures = *colorTemperatures;
  const BOOL ok = dxva2_.getMonitorCapabilities(Native(monitor), &caps, &temperatures);
  *capabilities = caps;
  *colorTemperatures = temperatures;
  return ok != FALSE;
}

bool Win32Platform::GetMonitorBrightness(Handle monitor, std::uint32_t* minimum,
                                         std::uint32_t* current, std::uint32_t* maximum) {
  if (!dxva2_.getMonitorBrightness) return false;
  DWORD low = 0, now = 0, high = 0;
  const BOOL ok = dxva2_.getMonitorBrightness(Native(monitor), &low, &now, &high);
  *minimum = low;
  *current = now;
  *maximum = high;
  return ok != FALSE;
}

bool Win32Platform::SetMonitorBrightness(Handle monitor, std::uint32_t value) {
  if (!dxva2_.setMonitorBrightness) return false;
  return dxva2_.setMonitorBrightness(Native(monitor), value) != FALSE;
}

bool Win32Platform::GetVCPFeatureAndVCPFeatureReply(Handle monitor, std::uint8_t code,
                                                    std::uint32_t* current,
                                                    std::uint32_t* maximum) {
  if (!dxva2_.getVcpFeature) return false;
  DWORD now = 0, most = 0;
  const BOOL ok = dxva2_.getVcpFeature(Native(monitor), code, nullptr, &now, &most);
  *current = now;
  *maximum = most;
  return ok != FALSE;
}

bool Win32Platform::SetVCPFeature(Handle monitor, std::uint8_t code, std::uint32_t value) {
  if (!dxva2_.setVcpFeature) return false;
  return dxva2_.setVcpFeature(Native(monitor), code, value) != FALSE;
}

bool Win32Platform::DestroyPhysicalMonitors(std::uint32_t count, PhysicalMonitor* monitors) {
  if (!dxva2_.destroyPhysicalMonitors) return false;
  return dxva2_.destroyPhysicalMonitors(count, Native(monitors)) != FALSE;
}

void Win32Platform::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

static_assert(sizeof(STARTUPINFOW) == kStartupInfoSize);

bool Win32Platform::CreateProcessW(const char16_t* applicationName, char16_t* commandLine,
                                   bool inheritHandles, std::uint32_t creationFlags,
                                   const char16_t* currentDirectory, std::uint32_t startupInfoSize,
                                   ProcessInformation* information) {
  STARTUPINFOW startup{};
  startup.cb = startupInfoSize;
  PROCESS_INFORMATION created{};
  const BOOL ok = ::CreateProcessW(Wide(applicationName), reinterpret_cast<wchar_t*>(commandLine),
                                   nullptr, nullptr, inheritHandles ? TRUE : FALSE, creationFlags,
                                   nullptr, Wide(currentDirectory), &startup, &created);
  information->process = Wrap<Handle>(created.hProcess);
  information->thread = Wrap<Handle>(created.hThread);
  information->processId = created.dwProcessId;
  information->threadId = created.dwThreadId;
  return ok != FALSE;
}

bool Win32Platform::CloseHandle(Handle handle) { return ::CloseHandle(Native(handle)) != FALSE; }

bool Win32Platform::ShellExecuteExW(const ShellExecuteRequest& request, Handle* process) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  info.lpVerb = L"open";
  info.lpFile = Wide(request.file);
  info.lpParameters = Wide(request.parameters);
  info.lpDirectory = Wide(request.directory);
  info.nShow = SW_SHOWNORMAL;
  const BOOL ok = ::ShellExecuteExW(&info);
  *process = ok ? Wrap<Handle>(info.hProcess) : Handle::kNull;
  return ok != FALSE;
}

Handle Win32Platform::CreateToolhelp32Snapshot(std::uint32_t flags, std::uint32_t processId) {
  HANDLE snapshot = ::CreateToolhelp32Snapshot(flags, processId);
  // The snapshot's failure value is INVALID_HANDLE_VALUE; the seam's is null.
  if (snapshot == INVALID_HANDLE_VALUE) return Handle::kNull;
  return Wrap<Handle>(snapshot);
}

namespace {

bool CopyEntry(BOOL ok, const PROCESSENTRY32W& native, ProcessEntry* entry) {
  if (!ok) return false;
  static_assert(sizeof(native.szExeFile) == sizeof(entry->exeFile));
  entry->processId = native.th32ProcessID;
  entry->threads = native.cntThreads;
  std::memcpy(entry->exeFile, native.szExeFile, sizeof entry->exeFile);
  entry->exeFile[259] = u'\0';
  return true;
}

}  // namespace

bool Win32Platform::Process32FirstW(Handle snapshot, ProcessEntry* entry) {
  PROCESSENTRY32W native{};
  native.dwSize = sizeof native;
  return CopyEntry(::Process32FirstW(Native(snapshot), &native), native, entry);
}

bool Win32Platform::Process32NextW(Handle snapshot, ProcessEntry* entry) {
  PROCESSENTRY32W native{};
  native.dwSize = sizeof native;
  return CopyEntry(::Process32NextW(Native(snapshot), &native), native, entry);
}

Handle Win32Platform::OpenProcess(std::uint32_t access, bool inheritHandle,
                                  std::uint32_t processId) {
  return Wrap<Handle>(::OpenProcess(access, inheritHandle ? TRUE : FALSE, processId));
}

bool Win32Platform::ProcessIdToSessionId(std::uint32_t processId, std::uint32_t* sessionId) {
  DWORD session = 0;
  const BOOL ok = ::ProcessIdToSessionId(processId, &session);
  *sessionId = session;
  return ok != FALSE;
}

std::uint32_t Win32Platform::GetCurrentProcessId() { return ::GetCurrentProcessId(); }

std::uint32_t Win32Platform::GetProcessId(Handle process) {
  return ::GetProcessId(Native(process));
}

std::uint64_t Win32Platform::GetTickCount64() { return ::GetTickCount64(); }

namespace {

HINSTANCE Native(InstanceHandle instance) { return reinterpret_cast<HINSTANCE>(instance); }
HACCEL Native(AcceleratorHandle accelerators) { return reinterpret_cast<HACCEL>(accelerators); }

MSG ToMsg(const Message& m) {
  MSG msg{};
  msg.hwnd = Native(m.window);
  msg.message = m.message;
  msg.wParam = m.wParam;
  msg.lParam = m.lParam;
  msg.time = m.time;
  msg.pt.x = m.x;
  msg.pt.y = m.y;
  return msg;
}

// Win32 gives a window procedure no context of its own unless the window carries it, and the
// hidden window's class has no extra bytes and no creation parameter. So the procedure and the
// platform that registered it are remembered here; the program has one thread and one window
// class.
WindowProcedure registeredProcedure = nullptr;
Win32Platform* registeringPlatform = nullptr;

LRESULT CALLBACK WindowProcedureTrampoline(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
  if (registeredProcedure == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
  return registeredProcedure(*registeringPlatform, Wrap<WindowHandle>(window), message, wParam,
                             lParam);
}

static_assert(sizeof(WNDCLASSEXW) == 80);
static_assert(sizeof(PAINTSTRUCT) == 72);

}  // namespace

std::uint32_t Win32Platform::WaitForSingleObject(Handle handle, std::uint32_t milliseconds) {
  return ::WaitForSingleObject(Native(handle), milliseconds);
}

std::int32_t Win32Platform::CompareStringOrdinal(const char16_t* a, std::int32_t aLength,
                                                 const char16_t* b, std::int32_t bLength,
                                                 bool ignoreCase) {
  return ::CompareStringOrdinal(Wide(a), aLength, Wide(b), bLength, ignoreCase ? TRUE : FALSE);
}

std::uint32_t Win32Platform::GetLastError() { return ::GetLastError(); }

std::uint32_t Win32Platform::FormatMessageW(std::uint32_t flags, std::uint32_t messageId,
                                            char16_t* buffer, std::uint32_t capacity) {
  return ::FormatMessageW(flags, nullptr, messageId, 0, reinterpret_cast<wchar_t*>(buffer),
                          capacity, nullptr);
}

std::int32_t Win32Platform::CoInitializeEx(std::uint32_t flags) {
  return ::CoInitializeEx(nullptr, flags);
}

void Win32Platform::CoUninitialize() { ::CoUninitialize(); }

Handle Win32Platform::GetCurrentProcess() { return Wrap<Handle>(::GetCurrentProcess()); }

bool Win32Platform::GetProcessTimes(Handle process, std::uint64_t* creationTime) {
  FILETIME created{}, exited{}, kernel{}, user{};
  const BOOL ok = ::GetProcessTimes(Native(process), &created, &exited, &kernel, &user);
  *creationTime = static_cast<std::uint64_t>(created.dwHighDateTime) << 32 | created.dwLowDateTime;
  return ok != FALSE;
}

Handle Win32Platform::GetStdHandle(std::uint32_t which) {
  return Wrap<Handle>(::GetStdHandle(which));
}

Handle Win32Platform::CreateFileW(const char16_t* path, std::uint32_t access, std::uint32_t share,
                                  std::uint32_t disposition, std::uint32_t attributes) {
  return Wrap<Handle>(
      ::CreateFileW(Wide(path), access, share, nullptr, disposition, attributes, nullptr));
}

bool Win32Platform::WriteFile(Handle file, const std::uint8_t* bytes, std::uint32_t size,
                              std::uint32_t* written) {
  DWORD count = 0;
  const BOOL ok = ::WriteFile(Native(file), bytes, size, &count, nullptr);
  *written = count;
  return ok != FALSE;
}

bool Win32Platform::ReadFile(Handle file, std::uint8_t* bytes, std::uint32_t size,
                             std::uint32_t* read) {
  DWORD count = 0;
  const BOOL ok = ::ReadFile(Native(file), bytes, size, &count, nullptr);
  *read = count;
  return ok != FALSE;
}

bool Win32Platform::FlushFileBuffers(Handle file) {
  return ::FlushFileBuffers(Native(file)) != FALSE;
}

bool Win32Platform::MoveFileExW(const char16_t* from, const char16_t* to, std::uint32_t flags) {
  return ::MoveFileExW(Wide(from), Wide(to), flags) != FALSE;
}

bool Win32Platform::DeleteFileW(const char16_t* path) { return ::DeleteFileW(Wide(path)) != FALSE; }

bool Win32Platform::CreateDirectoryW(const char16_t* path) {
  return ::CreateDirectoryW(Wide(path), nullptr) != FALSE;
}

std::vector<FoundFile> Win32Platform::FindFiles(const char16_t* pattern) {
  std::vector<FoundFile> files;
  WIN32_FIND_DATAW found;
  const HANDLE search = ::FindFirstFileW(Wide(pattern), &found);
  if (search == INVALID_HANDLE_VALUE) return files;
  do {
    files.push_back({reinterpret_cast<char16_t*>(found.cFileName), found.dwFileAttributes,
                     (std::uint64_t{found.ftLastWriteTime.dwHighDateTime} << 32) |
                         found.ftLastWriteTime.dwLowDateTime});
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  return files;
}

bool Win32Platform::GetLocalAppDataPath(std::u16string* path) {
  wchar_t* folder = nullptr;
  const bool ok = SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &folder));
  if (ok) path->assign(reinterpret_cast<char16_t*>(folder));
  ::CoTaskMemFree(folder);
  return ok;
}

bool Win32Platform::GetModuleFileNameW(std::u16string* path) {
  wchar_t buffer[MAX_PATH * 4];
  const DWORD length = ::GetModuleFileNameW(nullptr, buffer, MAX_PATH * 4);
  if (length == 0 || length >= MAX_PATH * 4) return false;
  path->assign(reinterpret_cast<char16_t*>(buffer), length);
  return true;
}

std::uint64_t Win32Platform::GetSystemTimeAsFileTime() {
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  return (std::uint64_t{now.dwHighDateTime} << 32) | now.dwLowDateTime;
}

bool Win32Platform::RegSetKeyValueW(const char16_t* key, const char16_t* name,
                                    const char16_t* text) {
  const std::size_t bytes = (std::char_traits<char16_t>::length(text) + 1) * sizeof(char16_t);
  return ::RegSetKeyValueW(HKEY_CURRENT_USER, Wide(key), Wide(name), REG_SZ, text,
                           static_cast<DWORD>(bytes)) == ERROR_SUCCESS;
}

bool Win32Platform::RegDeleteKeyValueW(const char16_t* key, const char16_t* name) {
  return ::RegDeleteKeyValueW(HKEY_CURRENT_USER, Wide(key), Wide(name)) == ERROR_SUCCESS;
}

bool Win32Platform::RegCreateVolatileKeyW(const char16_t* key) {
  HKEY created = nullptr;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, Wide(key), 0, nullptr, REG_OPTION_VOLATILE,
                        KEY_SET_VALUE, nullptr, &created, nullptr) != ERROR_SUCCESS)
    return false;
  ::RegCloseKey(created);
  return true;
}

bool Win32Platform::RegGetValueW(const char16_t* key, const char16_t* name, std::u16string* text) {
  wchar_t value[64];
  DWORD size = sizeof value;
  if (::RegGetValueW(HKEY_CURRENT_USER, Wide(key), Wide(name), RRF_RT_REG_SZ, nullptr, value,
                     &size) != ERROR_SUCCESS)
    return false;
  text->assign(reinterpret_cast<char16_t*>(value));
  return true;
}

Handle Win32Platform::RegisterPowerSettingNotification(WindowHandle window, const Guid* setting) {
  return Wrap<Handle>(::RegisterPowerSettingNotification(
      Native(window), reinterpret_cast<const GUID*>(setting), DEVICE_NOTIFY_WINDOW_HANDLE));
}

bool Win32Platform::UnregisterPowerSettingNotification(Handle registration) {
  return ::UnregisterPowerSettingNotification(reinterpret_cast<HPOWERNOTIFY>(registration)) !=
         FALSE;
}

bool Win32Platform::GetTokenUserSid(std::u16string* sid) {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  // A TOKEN_USER with its SID, which is at most 68 bytes.
  alignas(8) BYTE user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE] = {};
  DWORD size = 0;
  const BOOL read = ::GetTokenInformation(token, TokenUser, user, sizeof user, &size);
  ::CloseHandle(token);
  wchar_t* text = nullptr;
  if (!read || !::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &text))
    return false;
  sid->assign(reinterpret_cast<const char16_t*>(text));
  ::LocalFree(text);
  return true;
}

namespace {

// The security attributes of a descriptor in SDDL, for one create call; released after it.
class Security {
 public:
  explicit Security(const char16_t* descriptor) {
    converted_ =
        ::ConvertStringSecurityDescriptorToSecurityDescriptorW(
            Wide(descriptor), SDDL_REVISION_1, &attributes_.lpSecurityDescriptor, nullptr) != FALSE;
  }
  Security(const Security&) = delete;
  Security& operator=(const Security&) = delete;
  ~Security() { ::LocalFree(attributes_.lpSecurityDescriptor); }
  SECURITY_ATTRIBUTES* get() { return &attributes_; }
  bool converted() const { return converted_; }

 private:
  SECURITY_ATTRIBUTES attributes_{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
  bool converted_ = false;
};

}  // namespace

Handle Win32Platform::CreateMutexW(const char16_t* name, const char16_t* securityDescriptor) {
  Security security(securityDescriptor);
  if (!security.converted()) return Handle::kNull;
  return Wrap<Handle>(::CreateMutexW(security.get(), FALSE, Wide(name)));
}

bool Win32Platform::ReleaseMutex(Handle mutex) { return ::ReleaseMutex(Native(mutex)) != FALSE; }

Handle Win32Platform::CreateEventW(const char16_t* name, const char16_t* securityDescriptor) {
  Security security(securityDescriptor);
  if (!security.converted()) return Handle::kNull;
  return Wrap<Handle>(::CreateEventW(security.get(), TRUE, FALSE, Wide(name)));
}

bool Win32Platform::SetEvent(Handle event) { return ::SetEvent(Native(event)) != FALSE; }

bool Win32Platform::ResetEvent(Handle event) { return ::ResetEvent(Native(event)) != FALSE; }

Handle Win32Platform::OpenEventW(std::uint32_t access, bool inheritHandle, const char16_t* name) {
  return Wrap<Handle>(::OpenEventW(access, inheritHandle ? TRUE : FALSE, Wide(name)));
}

Handle Win32Platform::CreateFileMappingW(std::uint32_t protect, std::uint32_t size,
                                         const char16_t* name, const char16_t* securityDescriptor) {
  Security security(securityDescriptor);
  if (!security.converted()) return Handle::kNull;
  return Wrap<Handle>(
      ::CreateFileMappingW(INVALID_HANDLE_VALUE, security.get(), protect, 0, size, Wide(name)));
}

std::uint8_t* Win32Platform::MapViewOfFile(Handle mapping, std::uint32_t access,
                                           std::uint32_t size) {
  return static_cast<std::uint8_t*>(::MapViewOfFile(Native(mapping), access, 0, 0, size));
}

bool Win32Platform::UnmapViewOfFile(std::uint8_t* view) { return ::UnmapViewOfFile(view) != FALSE; }

int Win32Platform::LoadStringW(InstanceHandle instance, std::uint32_t id, char16_t* buffer,
                               int capacity) {
  return ::LoadStringW(Native(instance), id, reinterpret_cast<wchar_t*>(buffer), capacity);
}

IconHandle Win32Platform::LoadIconW(InstanceHandle instance, std::uintptr_t id) {
  return Wrap<IconHandle>(::LoadIconW(Native(instance), MAKEINTRESOURCEW(id)));
}

CursorHandle Win32Platform::LoadCursorW(InstanceHandle instance, std::uintptr_t id) {
  return Wrap<CursorHandle>(::LoadCursorW(Native(instance), MAKEINTRESOURCEW(id)));
}

std::uint16_t Win32Platform::RegisterClassExW(const WindowClass& c) {
  registeredProcedure = c.procedure;
  registeringPlatform = this;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = c.size;
  windowClass.style = c.style;
  windowClass.lpfnWndProc = WindowProcedureTrampoline;
  windowClass.cbClsExtra = c.classExtra;
  windowClass.cbWndExtra = c.windowExtra;
  windowClass.hInstance = Native(c.instance);
  windowClass.hIcon = reinterpret_cast<HICON>(c.icon);
  windowClass.hCursor = reinterpret_cast<HCURSOR>(c.cursor);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(c.background);
  windowClass.lpszMenuName = MAKEINTRESOURCEW(c.menuName);
  windowClass.lpszClassName = Wide(c.className);
  windowClass.hIconSm = reinterpret_cast<HICON>(c.smallIcon);
  return ::RegisterClassExW(&windowClass);
}

WindowHandle Win32Platform::CreateWindowExW(std::uint32_t exStyle, const char16_t* className,
                                            const char16_t* title, std::uint32_t style,
                                            std::int32_t x, std::int32_t y, std::int32_t width,
                                            std::int32_t height, WindowHandle parent,
                                            std::uintptr_t menu, InstanceHandle instance,
                                            void* parameter) {
  return Wrap<WindowHandle>(::CreateWindowExW(
      exStyle, Wide(className), Wide(title), style, x, y, width, height, Native(parent),
      reinterpret_cast<HMENU>(menu), Native(instance), parameter));
}

bool Win32Platform::ShowWindow(WindowHandle window, std::int32_t command) {
  return ::ShowWindow(Native(window), command) != FALSE;
}

bool Win32Platform::UpdateWindow(WindowHandle window) {
  return ::UpdateWindow(Native(window)) != FALSE;
}

AcceleratorHandle Win32Platform::LoadAcceleratorsW(InstanceHandle instance, std::uintptr_t id) {
  return Wrap<AcceleratorHandle>(::LoadAcceleratorsW(Native(instance), MAKEINTRESOURCEW(id)));
}

std::uint32_t Win32Platform::MsgWaitForMultipleObjectsEx(std::uint32_t count, const Handle* handles,
                                                         std::uint32_t milliseconds,
                                                         std::uint32_t wakeMask,
                                                         std::uint32_t flags) {
  static_assert(sizeof(Handle) == sizeof(HANDLE));
  return ::MsgWaitForMultipleObjectsEx(count, reinterpret_cast<const HANDLE*>(handles),
                                       milliseconds, wakeMask, flags);
}

bool Win32Platform::PeekMessageW(Message* message, WindowHandle window, std::uint32_t filterMin,
                                 std::uint32_t filterMax, std::uint32_t remove) {
  MSG msg{};
  if (!::PeekMessageW(&msg, Native(window), filterMin, filterMax, remove)) return false;
  message->window = Wrap<WindowHandle>(msg.hwnd);
  message->message = msg.message;
  message->wParam = msg.wParam;
  message->lParam = msg.lParam;
  message->time = msg.time;
  message->x = msg.pt.x;
  message->y = msg.pt.y;
  return true;
}

int Win32Platform::TranslateAcceleratorW(WindowHandle window, AcceleratorHandle accelerators,
                                         const Message& message) {
  MSG msg = ToMsg(message);
  return ::TranslateAcceleratorW(Native(window), Native(accelerators), &msg);
}

bool Win32Platform::TranslateMessage(const Message& message) {
  const MSG msg = ToMsg(message);
  return ::TranslateMessage(&msg) != FALSE;
}

std::intptr_t Win32Platform::DispatchMessageW(const Message& message) {
  const MSG msg = ToMsg(message);
  return ::DispatchMessageW(&msg);
}

std::intptr_t Win32Platform::DefWindowProcW(WindowHandle window, std::uint32_t message,
                                            std::uintptr_t wParam, std::intptr_t lParam) {
  return ::DefWindowProcW(Native(window), message, wParam, lParam);
}

void Win32Platform::BeginPaint(WindowHandle window) {
  ::BeginPaint(Native(window), reinterpret_cast<PAINTSTRUCT*>(paint_));
}

void Win32Platform::EndPaint(WindowHandle window) {
  ::EndPaint(Native(window), reinterpret_cast<PAINTSTRUCT*>(paint_));
}

bool Win32Platform::DestroyWindow(WindowHandle window) {
  return ::DestroyWindow(Native(window)) != FALSE;
}

void Win32Platform::PostQuitMessage(std::int32_t exitCode) { ::PostQuitMessage(exitCode); }

std::intptr_t Win32Platform::SetWindowLongPtrW(WindowHandle window, std::int32_t index,
                                               std::intptr_t value) {
  return ::SetWindowLongPtrW(Native(window), index, value);
}

std::intptr_t Win32Platform::GetWindowLongPtrW(WindowHandle window, std::int32_t index) {
  return ::GetWindowLongPtrW(Native(window), index);
}

bool Win32Platform::SendMessageTimeoutW(WindowHandle window, std::uint32_t message,
                                        std::uintptr_t wParam, std::intptr_t lParam,
                                        std::uint32_t flags, std::uint32_t milliseconds) {
  DWORD_PTR result = 0;
  return ::SendMessageTimeoutW(Native(window), message, wParam, lParam, flags, milliseconds,
                               &result) != 0;
}

std::uint32_t Win32Platform::SendInput(const MouseInput& input) {
  INPUT native{};
  native.type = INPUT_MOUSE;
  native.mi.dx = input.dx;
  native.mi.dy = input.dy;
  native.mi.dwFlags = input.flags;
  return ::SendInput(1, &native, sizeof native);
}

int Win32Platform::MessageBoxW(WindowHandle owner, const char16_t* text, const char16_t* caption,
                               std::uint32_t type) {
  return ::MessageBoxW(Native(owner), Wide(text), Wide(caption), type);
}

}  // namespace glowtide
