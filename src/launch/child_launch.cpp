// The child's command line and its creation, directly or through the shell.
#include "launch/child_launch.h"

#include <vector>

namespace glowtide {
namespace {

// Appends one argument in quotes so that a Windows program splitting its command line gets it
// back whole: a quote inside it becomes \", and backslashes are doubled where they come before a
// quote, the inner ones or the closing one. Other backslashes stand as they are, so a value with
// no quote and no trailing backslash is copied unchanged.
void AppendQuotedArgument(std::u16string& line, const std::u16string& argument) {
  line += u'"';
  std::size_t backslashes = 0;
  for (const char16_t unit : argument) {
    if (unit == u'\\') {
      ++backslashes;
    } else {
      if (unit == u'"') line.append(backslashes + 1, u'\\');
      backslashes = 0;
    }
    line += unit;
  }
  line.append(backslashes, u'\\');
  line += u'"';
}

}  // namespace

std::u16string BuildChildArguments(const LaunchSettings& settings) {
  std::u16string arguments;
  AppendQuotedArgument(arguments, settings.programArgument0);
  arguments += u' ';
  // Argument 1 carries several arguments, so it is inserted as it stands.
  arguments += settings.programArgument1;
  return arguments;
}

std::u16string BuildChildCommandLine(const LaunchSettings& settings) {
  // The path is a file name, which holds no quote, and is quoted as it stands.
  return u"\"" + settings.programPath + u"\" " + BuildChildArguments(settings);
}

ChildProcess LaunchChild(ProcessPlatform& platform, const LaunchSettings& settings) {
  // CreateProcessW may write into its command line, so it gets a writable copy of any length.
  const std::u16string line = BuildChildCommandLine(settings);
  std::vector<char16_t> writable(line.begin(), line.end());
  writable.push_back(u'\0');
  ProcessInformation information;
  ChildProcess child;
  if (platform.CreateProcessW(settings.programPath.c_str(), writable.data(), false,
                              kCreateUnicodeEnvironment | kNormalPriorityClass,
                              settings.workingDirectory.c_str(), kStartupInfoSize, &information)) {
    child.process = UniqueHandle(information.process, CloseKernelHandle{&platform});
    child.thread = UniqueHandle(information.thread, CloseKernelHandle{&platform});
    child.processId = information.processId;
    return child;
  }
  // A URL, a shortcut, a document or a program that asks for elevation cannot be created as a
  // process: the shell opens it the way Explorer would.
  const std::u16string parameters = BuildChildArguments(settings);
  ShellExecuteRequest request;
  request.file = settings.programPath.c_str();
  request.parameters = parameters.c_str();
  request.directory =
      settings.workingDirectory.empty() ? nullptr : settings.workingDirectory.c_str();
  Handle process = Handle::kNull;
  if (platform.ShellExecuteExW(request, &process)) {
    child.process = UniqueHandle(process, CloseKernelHandle{&platform});
    if (process != Handle::kNull) child.processId = platform.GetProcessId(process);
  }
  return child;
}

}  // namespace glowtide
