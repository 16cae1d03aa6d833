// The run sequence: every phase at most once, in a fixed order, each on its own condition.
#include "app/run.h"

#include <string>

#include "app/options.h"
#include "report/report.h"

namespace glowtide {
namespace {

void ShowParameterError(WindowingPlatform& platform, std::u16string_view option) {
  const std::u16string message = std::u16string(option) + u" Parameter error";
  platform.MessageBoxW(WindowHandle::kNull, message.c_str(), u"Error", kMbOk);
}

}  // namespace

int Run(Platform& platform, std::u16string_view arguments, InstanceHandle /*instance*/) {
  ReportText report;
  ParseOutcome parsed = ParseCommandLine(platform, arguments, report);
  if (!parsed.rejectedOption.empty()) {
    ShowParameterError(platform, parsed.rejectedOption);
    return kExitFailure;
  }
  const LaunchSettings& settings = parsed.settings;

  // The display query, the display phases, the monitor phase, the launch and the wait take
  // their places here.
  if (settings.showReport) ShowReport(platform, report);
  return kExitSuccess;
}

}  // namespace glowtide
