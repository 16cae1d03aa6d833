// The child's command line and its creation.
#include "launch/child_launch.h"

#include <vector>

namespace glowtide {

std::u16string BuildChildCommandLine(const LaunchSettings& settings) {
  std::u16string line;
  line.reserve(settings.programPath.size() + settings.programArgument0.size() +
               settings.programArgument1.size() + 6);
  line += u'"';
  line += settings.programPath;
  line += u"\" \"";
  line += settings.programArgument0;
  line += u"\" ";
  line += settings.programArgument1;
  return line;
}

ChildProcess LaunchChild(ProcessPlatform& platform, const LaunchSettings& settings) {
  const std::u16string line = BuildChildCommandLine(settings);
  // CreateProcessW may write into its command line, so it gets a writable copy of any length.
  std::vector<char16_t> writable(line.begin(), line.end());
  writable.push_back(u'\0');
  ProcessInformation information;
  platform.CreateProcessW(settings.programPath.c_str(), writable.data(), false,
                          kCreateUnicodeEnvironment | kNormalPriorityClass,
                          settings.workingDirectory.c_str(), kStartupInfoSize, &information);
  ChildProcess child;
  child.process = UniqueHandle(information.process, CloseKernelHandle{&platform});
  child.thread = UniqueHandle(information.thread, CloseKernelHandle{&platform});
  child.processId = information.processId;
  return child;
}

}  // namespace glowtide
