// The platform's process and synchronisation calls.
#pragma once

#include <cstdint>

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

// One entry of a process snapshot: its id and its image file name (without a folder).
struct ProcessEntry {
  std::uint32_t processId = 0;
  char16_t exeFile[260] = {};
};

inline constexpr std::uint32_t kTh32csSnapProcess = 0x2;
inline constexpr std::uint32_t kSynchronize = 0x00100000;

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

  // Null when there is no such semaphore (or no access to it).
  virtual Handle OpenSemaphoreW(std::uint32_t access, bool inheritHandle, const char16_t* name) = 0;
  // No security attributes. Finding the semaphore already made gives it with its current count.
  virtual Handle CreateSemaphoreW(std::int32_t initialCount, std::int32_t maximumCount,
                                  const char16_t* name) = 0;
  virtual std::uint32_t WaitForSingleObject(Handle handle, std::uint32_t milliseconds) = 0;
  virtual bool ReleaseSemaphore(Handle semaphore, std::int32_t releaseCount,
                                std::int32_t* previousCount) = 0;
};

}  // namespace glowtide
