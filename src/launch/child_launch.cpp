// The child's command line and its creation, directly or through the shell.
#include "launch/child_launch.h"

#include <array>
#include <vector>

#include "common/decimal.h"
#include "common/system_message.h"

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

// Initialises COM for this thread as the shell asks of its callers (apartment-threaded, without
// OLE1 DDE) and uninitialises it at the end of its scope, when the initialisation succeeded.
class ComApartment {
 public:
  explicit ComApartment(ProcessPlatform& platform)
      : platform_(platform),
        initialized_(platform.CoInitializeEx(kCoinitApartmentThreaded | kCoinitDisableOle1Dde) >=
                     0) {}
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment() {
    if (initialized_) platform_.CoUninitialize();
  }

 private:
  ProcessPlatform& platform_;
  bool initialized_;
};

}  // namespace

std::u16string BuildChildArguments(const LaunchSettings& settings) {
  std::u16string arguments;
  if (!settings.programArgument0.empty())
    AppendQuotedArgument(arguments, settings.programArgument0);
  // Argument 1 carries several arguments, so it is inserted as it stands.
  if (!settings.programArgument1.empty()) {
    if (!arguments.empty()) arguments += u' ';
    arguments += settings.programArgument1;
  }
  return arguments;
}

std::u16string BuildChildCommandLine(const LaunchSettings& settings) {
  // The path is a file name, which holds no quote, and is quoted as it stands.
  const std::u16string arguments = BuildChildArguments(settings);
  return u"\"" + settings.programPath + u"\"" + (arguments.empty() ? u"" : u" ") + arguments;
}

ChildProcess LaunchChild(ProcessPlatform& platform, const LaunchSettings& settings) {
  // CreateProcessW may write into its command line, so it gets a writable copy of any length.
  const std::u16string line = BuildChildCommandLine(settings);
  std::vector<char16_t> writable(line.begin(), line.end());
  writable.push_back(u'\0');
  // An empty directory is refused by CreateProcessW; none at all means this process's own.
  const char16_t* directory =
      settings.workingDirectory.empty() ? nullptr : settings.workingDirectory.c_str();
  ProcessInformation information;
  ChildProcess child;
  if (platform.CreateProcessW(settings.programPath.c_str(), writable.data(), false,
                              kCreateUnicodeEnvironment | kNormalPriorityClass, directory,
                              kStartupInfoSize, &information)) {
    child.process = UniqueHandle(information.process, CloseKernelHandle{&platform});
    child.thread = UniqueHandle(information.thread, CloseKernelHandle{&platform});
    child.processId = information.processId;
    child.started = true;
    return child;
  }
  // A URL, a shortcut, a document or a program that asks for elevation cannot be created as a
  // process: the shell opens it the way Explorer would.
  const std::u16string parameters = BuildChildArguments(settings);
  ShellExecuteRequest request;
  request.file = settings.programPath.c_str();
  request.parameters = parameters.empty() ? nullptr : parameters.c_str();
  request.directory = directory;
  const ComApartment com(platform);
  Handle process = Handle::kNull;
  child.started = platform.ShellExecuteExW(request, &process);
  if (!child.started) {
    child.error = platform.GetLastError();
    return child;
  }
  child.process = UniqueHandle(process, CloseKernelHandle{&platform});
  if (process != Handle::kNull) child.processId = platform.GetProcessId(process);
  return child;
}

std::u16string LaunchErrorText(ProcessPlatform& platform, const LaunchSettings& settings,
                               std::uint32_t error) {
  return u"Could not start " + settings.programPath + u"\n" + SystemMessage(platform, error);
}

}  // namespace glowtide
