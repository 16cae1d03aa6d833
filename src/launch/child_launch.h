// Starting the program named with -P: as a child process.
#pragma once

#include <string>

#include "settings/launch_settings.h"
#include "platform/process.h"
#include "platform/unique_value.h"

namespace glowtide {

struct CloseKernelHandle {
  ProcessPlatform* platform = nullptr;
  void operator()(Handle handle) const { platform->CloseHandle(handle); }
};
using UniqueHandle = UniqueValue<Handle, CloseKernelHandle, Handle::kNull>;

// The child's handles. Members are declared so that the thread handle is closed before the
// process handle. A child opened by the shell may have a process handle only, or none.
struct ChildProcess {
  UniqueHandle process;
  UniqueHandle thread;
  std::uint32_t processId = 0;
};

// "argument 0" argument 1: argument 0 quoted so that it arrives as one argument whatever it
// holds, argument 1 as it stands.
std::u16string BuildChildArguments(const LaunchSettings& settings);

// "path" followed by a blank and the arguments.
std::u16string BuildChildCommandLine(const LaunchSettings& settings);

// Starts the child in the working directory (always passed, even when empty). When the process
// cannot be created, the shell is asked to open the path with the same arguments. A launch that
// fails both ways leaves no handles; it is not reported.
ChildProcess LaunchChild(ProcessPlatform& platform, const LaunchSettings& settings);

}  // namespace glowtide
