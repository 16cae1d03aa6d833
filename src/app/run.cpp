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

void ShowError(WindowingPlatform& platform, const std::u16string& message) {
  platform.MessageBoxW(WindowHandle::kNull, message.c_str(), u"Error", kMbOk);
}

// The quit settings of this run: HDR state, brightness and white level, in that order, each only
// when its quit option was given, on the display chosen at the start. The HDR state goes out in
// the model that the HDR phase found, if it found one.
class RunQuitSettings final : public QuitSettings {
 public:
  RunQuitSettings(Platform& platform, const LaunchSettings& settings, const DisplayTarget& target,
                  const HdrModel& model)
      : platform_(platform), settings_(settings), target_(target), model_(model) {}

  bool Apply() override {
    HdrModel model = model_;
    if (settings_.restoreHdr) SetHdrState(platform_, target_, settings_.quitHdrState, &model);
    if (settings_.restoreBrightness) {
      SetPrimaryMonitorBrightness(platform_, static_cast<std::uint32_t>(settings_.quitBrightness));
    }
    if (settings_.restoreWhiteLevel) {
      SetSdrWhiteLevel(platform_, target_, static_cast<std::uint32_t>(settings_.quitWhiteLevel));
    }
    return true;
  }

 private:
  Platform& platform_;
  const LaunchSettings& settings_;
  const DisplayTarget& target_;
  const HdrModel& model_;
};

}  // namespace

int Run(Platform& platform, std::u16string_view arguments, InstanceHandle instance) {
  ReportText report;
  ParseOutcome parsed = ParseCommandLine(platform, arguments, report);
  if (!parsed.rejectedOption.empty()) {
    ShowError(platform, std::u16string(parsed.rejectedOption) + u" Parameter error");
    return kExitFailure;
  }
  LaunchSettings& settings = parsed.settings;

  if (settings.powerCycle) PowerCycleMonitors(platform, platform);

  // Held to the end of the run: the restore after a launch addresses the target found here.
  DisplayQuery display;
  if (!SelectDisplayTarget(platform, &display)) return kExitFailure;

  // Declared so that the shared table is let go before the child's handles are closed, and those
  // before the display arrays are released.
  ChildProcess child;
  LaunchTable table(platform);
  // A counted launch takes its place before it changes anything, so that another instance's
  // restore cannot land on the settings this one is about to make.
  const bool counted = settings.launchProgram && settings.restoreOnExit && table.Join();

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

  if (!settings.launchProgram) return kExitSuccess;
  int exitCode = kExitSuccess;
  RunQuitSettings quit(platform, settings, display.target, hdrModel);
  child = LaunchChild(platform, settings);
  if (!child.started) {
    // A counted launch that could not start ends at once: the display is put back first.
    if (counted) table.Leave(quit);
    ShowError(platform, LaunchErrorText(platform, settings, child.error));
    exitCode = kExitNotInPlace;
  } else if (counted && !WaitAndRestore(platform, settings, child, table, quit, instance)) {
    exitCode = kExitNotInPlace;
  }
  return exitCode;
}

}  // namespace glowtide
