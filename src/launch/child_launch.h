// Starting the program named with -P: as a child process, directly or through the shell.
#pragma once

#include <string>

#include "platform/process.h"
#include "platform/unique_handle.h"
#include "settings/launch_settings.h"

namespace glowtide {

// The child's handles. Members are declared so that the thread handle is closed before the
// process handle. A child opened by the shell may have a process handle only, or none.
struct ChildProcess {
  UniqueHandle process;
  UniqueHandle thread;
  std::uint32_t processId = 0;
  bool started = false;
  std::uint32_t error = 0;  // why neither way could start it
};

// Argument 0 quoted so that it arrives as one argument whatever it holds, then argument 1 as it
// stands, each only when it is not empty: a program that reads its first positional argument must
// not be handed an empty one.
std::u16string BuildChildArguments(const LaunchSettings& settings);

// "path", then a blank and the arguments when there are any.
std::u16string BuildChildCommandLine(const LaunchSettings& settings);

// Starts the child in its working directory (none when the path names no folder, so that it
// starts in this process's own). When the process cannot be created, the shell is asked to open
// the path with the same arguments and directory, as Explorer would.
ChildProcess LaunchChild(ProcessPlatform& platform, const LaunchSettings& settings);

// "Could not start <path>" and, on the next line, the system's message for the error.
std::u16string LaunchErrorText(ProcessPlatform& platform, const LaunchSettings& settings,
                               std::uint32_t error);

}  // namespace glowtide
