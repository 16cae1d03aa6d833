// The platform's process and synchronisation calls.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/types.h"

namespace glowtide {

inline constexpr std::uint32_t kCreateUnicodeEnvironment = 0x400;
inline constexpr std::uint32_t kNormalPriorityClass = 0x20;
inline constexpr std::uint32_t kStartupInfoSize = 104;  // sizeof(STARTUPINFOW) on 64-bit Windows

// What ShellExecuteExW is asked to open: the verb is always "open", no error UI is shown and the
// process handle is asked for. A null directory or parameters text is not passed.
struct ShellExecuteRequest {
  const char16_t* file = nullptr;
  const char16_t* parameters = nullptr;
  const char16_t* directory = nullptr;
};

// One entry of a process snapshot: its id, its thread count (0 once it has ended, while a handle
// still holds it) and its image file name (without a folder).
struct ProcessEntry {
  std::uint32_t processId = 0;
  std::uint32_t threads = 0;
  char16_t exeFile[260] = {};
};

inline constexpr std::uint32_t kTh32csSnapProcess = 0x2;
inline constexpr std::uint32_t kSynchronize = 0x00100000;

inline constexpr std::uint32_t kFormatMessageFromSystem = 0x1000;
inline constexpr std::uint32_t kFormatMessageIgnoreInserts = 0x200;
inline constexpr std::uint32_t kCoinitApartmentThreaded = 0x2;
inline constexpr std::uint32_t kCoinitDisableOle1Dde = 0x4;

inline constexpr std::uint32_t kWaitObject0 = 0;
inline constexpr std::uint32_t kWaitAbandoned0 = 0x80;
inline constexpr std::uint32_t kWaitTimeout = 0x102;
inline constexpr std::uint32_t kWaitFailed = 0xFFFFFFFF;
inline constexpr std::uint32_t kInfinite = 0xFFFFFFFF;
inline constexpr std::uint32_t kPageReadWrite = 0x04;
inline constexpr std::uint32_t kFileMapAllAccess = 0xF001F;
inline constexpr std::uint32_t kErrorFileNotFound = 2;

struct ProcessInformation {
  Handle process = Handle::kNull;
  Handle thread = Handle::kNull;
  std::uint32_t processId = 0;
  std::uint32_t threadId = 0;
};

class ProcessPlatform {
 public:
  ProcessPlatform() = default;
  ProcessPlatform(const ProcessPlatform&) = delete;
  ProcessPlatform& operator=(const ProcessPlatform&) = delete;
  virtual ~ProcessPlatform() = default;

  virtual void Sleep(std::uint32_t milliseconds) = 0;

  // No security attributes and no environment of its own are ever passed; the startup
  // information is all zeros but for its size. commandLine must be writable: the call may change
  // it in place.
  virtual bool CreateProcessW(const char16_t* applicationName, char16_t* commandLine,
                              bool inheritHandles, std::uint32_t creationFlags,
                              const char16_t* currentDirectory, std::uint32_t startupInfoSize,
                              ProcessInformation* information) = 0;
  virtual bool CloseHandle(Handle handle) = 0;
  // Opens the file the way Explorer would; process is the started process, or null when the
  // shell started none (a URL served by a program already running).
  virtual bool ShellExecuteExW(const ShellExecuteRequest& request, Handle* process) = 0;

  virtual Handle CreateToolhelp32Snapshot(std::uint32_t flags, std::uint32_t processId) = 0;
  virtual bool Process32FirstW(Handle snapshot, ProcessEntry* entry) = 0;
  virtual bool Process32NextW(Handle snapshot, ProcessEntry* entry) = 0;
  virtual Handle OpenProcess(std::uint32_t access, bool inheritHandle, std::uint32_t processId) = 0;
  virtual bool ProcessIdToSessionId(std::uint32_t processId, std::uint32_t* sessionId) = 0;
  virtual std::uint32_t GetCurrentProcessId() = 0;
  virtual std::uint32_t GetProcessId(Handle process) = 0;
  virtual std::uint64_t GetTickCount64() = 0;

  // CSTR_LESS_THAN, CSTR_EQUAL or CSTR_GREATER_THAN (1, 2, 3); 0 on failure.
  virtual std::int32_t CompareStringOrdinal(const char16_t* a, std::int32_t aLength,
                                            const char16_t* b, std::int32_t bLength,
                                            bool ignoreCase) = 0;
  virtual std::uint32_t GetLastError() = 0;
  // The system's text for an error code, written into buffer; the count of units written, 0 when
  // there is none.
  virtual std::uint32_t FormatMessageW(std::uint32_t flags, std::uint32_t messageId,
                                       char16_t* buffer, std::uint32_t capacity) = 0;
  // An HRESULT: negative on failure.
  virtual std::int32_t CoInitializeEx(std::uint32_t flags) = 0;
  virtual void CoUninitialize() = 0;

  virtual Handle GetCurrentProcess() = 0;
  // The process's creation time as a FILETIME's 64 bits.
  virtual bool GetProcessTimes(Handle process, std::uint64_t* creationTime) = 0;
  // The user of this process's token (TokenUser from GetTokenInformation), as a string SID
  // ("S-1-5-21-..."); false when it cannot be read.
  virtual bool GetTokenUserSid(std::u16string* sid) = 0;
  // The named objects below are created with the security descriptor given in the platform's
  // descriptor language (SDDL), or opened when they exist, which ignores it; a descriptor that
  // does not convert fails the call.
  // Creates the named mutex, not owned.
  virtual Handle CreateMutexW(const char16_t* name, const char16_t* securityDescriptor) = 0;
  virtual bool ReleaseMutex(Handle mutex) = 0;
  // Creates the named event, manual reset and not signalled.
  virtual Handle CreateEventW(const char16_t* name, const char16_t* securityDescriptor) = 0;
  virtual bool SetEvent(Handle event) = 0;
  virtual bool ResetEvent(Handle event) = 0;
  // Opens an existing named event; null with ERROR_FILE_NOT_FOUND once every handle to it is
  // closed, and with another error (ERROR_ACCESS_DENIED) when it exists but may not be opened.
  virtual Handle OpenEventW(std::uint32_t access, bool inheritHandle, const char16_t* name) = 0;
  // A named section of the paging file, created zero-filled.
  virtual Handle CreateFileMappingW(std::uint32_t protect, std::uint32_t size, const char16_t* name,
                                    const char16_t* securityDescriptor) = 0;
  virtual std::uint8_t* MapViewOfFile(Handle mapping, std::uint32_t access, std::uint32_t size) = 0;
  virtual bool UnmapViewOfFile(std::uint8_t* view) = 0;
  virtual std::uint32_t WaitForSingleObject(Handle handle, std::uint32_t milliseconds) = 0;
};

// This process's Windows session; none when it cannot be read.
inline std::optional<std::uint32_t> OwnSession(ProcessPlatform& platform) {
  std::uint32_t session = 0;
  if (!platform.ProcessIdToSessionId(platform.GetCurrentProcessId(), &session)) return std::nullopt;
  return session;
}

}  // namespace glowtide
