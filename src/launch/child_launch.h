// Starting the program named with -P: as a child process.
#pragma once

#include <string>

#include "app/launch_settings.h"
#include "platform/process.h"
#include "platform/unique_value.h"

namespace glowtide {

struct CloseKernelHandle {
  ProcessPlatform* platform = nullptr;
  void operator()(Handle handle) const { platform->CloseHandle(handle); }
};
using UniqueHandle = UniqueValue<Handle, CloseKernelHandle, Handle::kNull>;

// The child's handles. Members are declared so that the thread handle is closed before the
// process handle.
struct ChildProcess {
  UniqueHandle process;
  UniqueHandle thread;
  std::uint32_t processId = 0;
};

// "path" "argument 0" argument 1: nothing escaped, every fixed character always present.
std::u16string BuildChildCommandLine(const LaunchSettings& settings);

// Starts the child in the working directory (always passed, even when empty). A failed start
// leaves no handles; it is not reported.
ChildProcess LaunchChild(ProcessPlatform& platform, const LaunchSettings& settings);

}  // namespace glowtide
