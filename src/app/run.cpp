// The run sequence: every phase at most once, in a fixed order, each on its own condition.
#include "app/run.h"

#include <string>

#include "app/options.h"
#include "display/display_target.h"
#include "display/hdr_state.h"
#include "display/sdr_white_level.h"
#include "launch/child_launch.h"
#include "launch/launch_counting.h"
#include "monitor/brightness.h"
#include "monitor/power_cycle.h"
#include "report/report.h"

namespace glowtide {
namespace {

void ShowParameterError(WindowingPlatform& platform, std::u16string_view option) {
  const std::u16string message = std::u16string(option) + u" Parameter error";
  platform.MessageBoxW(WindowHandle::kNull, message.c_str(), u"Error", kMbOk);
}

}  // namespace

int Run(Platform& platform, std::u16string_view arguments, InstanceHandle instance) {
  ReportText report;
  ParseOutcome parsed = ParseCommandLine(platform, arguments, report);
  if (!parsed.rejectedOption.empty()) {
    ShowParameterError(platform, parsed.rejectedOption);
    return kExitFailure;
  }
  LaunchSettings& settings = parsed.settings;

  if (settings.powerCycle) PowerCycleMonitors(platform, platform);

  // Held to the end of the run: the restore after a launch addresses the target found here.
  DisplayQuery display;
  if (!SelectDisplayTarget(platform, &display)) return kExitFailure;

  HdrModel hdrModel = HdrModel::kUnknown;
  if (settings.showReport || settings.switchHdr || settings.enableHdr || settings.disableHdr) {
    hdrModel = RunHdrPhase(platform, settings, display.target, report);
  }
  if (settings.showReport || settings.switchWhiteLevel || settings.setWhiteLevel) {
    RunWhiteLevelPhase(platform, settings, display.target, report);
  }
  // The phase ends with the report box when the report is on.
  if (settings.showReport || settings.setBrightness || settings.switchBrightness) {
    RunBrightnessPhase(platform, platform, settings, report);
  }

  // Declared after the display query, so that the child's handles are closed before its arrays
  // are released.
  ChildProcess child;
  if (settings.launchProgram) {
    child = LaunchChild(platform, settings);
    if (settings.restoreOnExit) {
      WaitAndRestore(platform, settings, child, display.target, hdrModel, instance);
    }
  }
  return kExitSuccess;
}

}  // namespace glowtide
