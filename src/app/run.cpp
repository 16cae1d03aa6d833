// The run sequence: every phase at most once, in a fixed order, each on its own condition.
#include "app/run.h"

#include <algorithm>
#include <string>
#include <tuple>

#include "app/options.h"
#include "common/system_message.h"
#include "common/utf8.h"
#include "display/display_list.h"
#include "display/display_mode.h"
#include "display/hdr_state.h"
#include "display/sdr_white_level.h"
#include "launch/child_launch.h"
#include "launch/launch_counting.h"
#include "launch/waiting.h"
#include "monitor/brightness.h"
#include "monitor/power_cycle.h"
#include "report/json.h"
#include "report/json_output.h"
#include "report/report.h"
#include "session/display_plan.h"
#include "session/display_state.h"
#include "session/hold.h"
#include "session/restores.h"

namespace glowtide {
namespace {

// An error's text: in a run for a script (-SJ anywhere on the command line) on the standard
// error, as a UTF-8 line, so that no box waits for a click; otherwise, and when the process has
// no standard error, in a box.
void ShowError(Platform& platform, bool script, const std::u16string& message) {
  if (script) {
    const Handle error = platform.GetStdHandle(kStdErrorHandle);
    std::string line;
    AppendUtf8(line, message);
    line += '\n';
    if (error != Handle::kNull && error != kInvalidHandleValue && WriteWhole(platform, error, line))
      return;
  }
  platform.MessageBoxW(WindowHandle::kNull, message.c_str(), u"Error", kMbOk);
}

// The displays a launch claims: those its settings act on, and those of its brightness, each once.
std::vector<DisplayTarget> Claims(const std::vector<PhaseDisplay>& displays) {
  std::vector<DisplayTarget> claims;
  for (const PhaseDisplay& entry : displays) {
    for (const DisplayTarget& target : {entry.display->target, entry.monitorDisplay->target}) {
      if (!Contains(claims, target)) claims.push_back(target);
    }
  }
  return claims;
}

// The -M: and -MQ: values, parsed once: none when not given or not a mode.
struct ModeRequests {
  std::optional<ModeRequest> set;
  std::optional<ModeRequest> quit;
};

// The error box's text when a -M: or -MQ: value is no mode that every display chosen lists (the
// desktop mode always is), or one without a size (or -MQ:D) on a display whose current mode cannot
// be read; empty when each is fine. A -MQ: without a size takes the size the display has now,
// before -M:, and is kept so for the restore.
std::u16string CheckModes(DisplayConfigPlatform& platform, const LaunchSettings& settings,
                          const ModeRequests& requests, std::vector<PhaseDisplay>& displays) {
  for (PhaseDisplay& entry : displays) {
    if (!FirstOfDevice(displays, entry)) continue;
    const Display* display = entry.monitorDisplay;
    const std::vector<DisplayMode> modes = ListModes(platform, display->device);
    const std::optional<DisplayMode> current = CurrentMode(platform, display->device);
    entry.quitMode = requests.quit;
    if (current && entry.quitMode && !entry.quitMode->desktop && entry.quitMode->width == 0) {
      entry.quitMode->width = current->width;
      entry.quitMode->height = current->height;
    }
    for (const auto& [given, option, value, request] :
         {std::tuple{settings.setMode, u"-M:", &settings.mode, requests.set},
          std::tuple{settings.restoreMode, u"-MQ:", &settings.quitMode, entry.quitMode}}) {
      if (!given) continue;
      // A size is checked against the list alone; without one the current mode is needed.
      if (!current && request && (request->desktop || request->width == 0))
        return option + *value + u" : cannot read the current mode of " + display->name;
      if (request &&
          (request->desktop || ResolveMode(*request, current.value_or(DisplayMode{}), modes)))
        continue;
      return option + *value + u" : no such mode on " + display->name + u"\n\n" +
             ModeListLines(modes);
    }
  }
  return {};
}

// The start's plan for a display: what its options ask for, the switches deciding from a read of
// the display's state (a read that fails leaves -BB: or -B:, or nothing). An HDR switch whose read
// fails decides nothing and is not in place (undecided).
DisplayPlan StartPlan(Platform& platform, Pause& pause, const LaunchSettings& settings,
                      PhaseDisplay& entry, bool* undecided) {
  DisplayPlan plan;
  if (settings.switchHdr || settings.enableHdr || settings.disableHdr) {
    // -HDR:E wins; -HDR:S turns on a display whose HDR is off, and otherwise it goes off.
    plan.hdr = settings.hdrNewState;
    if (settings.switchHdr) {
      const HdrState state = ReadHdrState(platform, pause, entry.display->target, &entry.model);
      if (state.ok && !state.enabled) plan.hdr = true;
      if (!state.ok && !settings.enableHdr) {
        plan.hdr.reset();
        *undecided = true;
      }
    }
  }
  if (settings.switchWhiteLevel) {
    if (const SdrWhiteLevel now = ReadSdrWhiteLevel(platform, pause, entry.display->target);
        now.ok) {
      plan.whiteLevel = static_cast<std::uint32_t>(
          ChooseSwitchWhiteLevel(now.level, settings.whiteLevelHigh, settings.whiteLevelLow));
    }
  }
  if (!plan.whiteLevel && settings.setWhiteLevel)
    plan.whiteLevel = static_cast<std::uint32_t>(settings.whiteLevel);
  if (settings.switchBrightness) {
    const BrightnessReading now =
        ReadDisplayBrightness(platform, platform, pause, entry.brightness, false);
    if (now.value) {
      plan.brightness = ChooseSwitchBrightness(static_cast<std::uint32_t>(settings.brightnessHigh),
                                               static_cast<std::uint32_t>(settings.brightnessLow),
                                               now.value->current);
    }
  }
  // The value is never clamped to a monitor's range: the monitor decides what it takes.
  if (!plan.brightness && settings.setBrightness)
    plan.brightness = static_cast<std::uint32_t>(settings.brightness);
  return plan;
}

// The quit settings of a display: HDR state, display mode (on the first display of its device),
// brightness and white level, each only when its quit option was given.
DisplayPlan QuitPlan(const LaunchSettings& settings, const std::vector<PhaseDisplay>& displays,
                     const PhaseDisplay& entry) {
  DisplayPlan plan;
  if (settings.restoreHdr) plan.hdr = settings.quitHdrState;
  if (FirstOfDevice(displays, entry)) plan.mode = entry.quitMode;
  if (settings.restoreBrightness)
    plan.brightness = static_cast<std::uint32_t>(settings.quitBrightness);
  if (settings.restoreWhiteLevel)
    plan.whiteLevel = static_cast<std::uint32_t>(settings.quitWhiteLevel);
  return plan;
}

// The settings the start will set on a display (the values do not matter, only which).
DisplayPlan StartSettings(const LaunchSettings& settings, const std::vector<PhaseDisplay>& displays,
                          const PhaseDisplay& entry, const std::optional<ModeRequest>& mode) {
  DisplayPlan plan;
  if (settings.switchHdr || settings.enableHdr || settings.disableHdr) plan.hdr = true;
  if (settings.switchWhiteLevel || settings.setWhiteLevel) plan.whiteLevel = 0;
  if (settings.switchBrightness || settings.setBrightness) plan.brightness = 0;
  if (FirstOfDevice(displays, entry)) plan.mode = mode;
  return plan;
}

// The quit settings of this run (its record's: its own, and those it took over), on those of the
// displays chosen at the start that no other live launch claims, in the order HDR state, display
// mode, brightness, white level, with what ended launches owe on the same display in the same
// plan. The displays are found again first; one that is gone is not in place. A picture's mode is
// put back once, when no other live launch claims any display that shows it. Then what ended
// launches owe elsewhere is settled. Right after, the run's record keeps only what it still owes:
// what it leaves to the launches that still claim its displays (applied by the last of them
// whatever the display shows), what a display that is gone owes, and each setting that is not in
// place.
class RunQuitSettings final : public QuitSettings {
 public:
  RunQuitSettings(Platform& platform, const LaunchSettings& settings,
                  const std::vector<PhaseDisplay>& displays, RestoreFolder& folder,
                  LaunchTable& table, LaunchRecord& record)
      : platform_(platform),
        settings_(settings),
        displays_(displays),
        record_(record),
        owed_(platform, folder, table, record.record().displays, 0) {}

  std::vector<DisplayTarget> Decide(const std::vector<DisplayTarget>& others) override {
    others_ = others;
    // In clone mode a picture's mode stays owed while another launch claims a display of it.
    DisplayQuery now;
    if (settings_.restoreMode && QueryDisplays(platform_, platform_, &now)) {
      for (const Display& shown : now.displays) {
        if (Contains(others, shown.target)) claimedPictures_.push_back(shown.device);
      }
    }
    return owed_.Decide(others);
  }

  bool Apply(Pause& pause, const std::vector<DisplayTarget>& others) override {
    FoundDisplays now;
    // What a display that is gone owes stays in the record, for when it is back.
    if (!FindDisplaysAgain(platform_, displays_, settings_.chooseDisplay, &now)) return false;
    std::vector<DisplayTarget> gone;
    for (const std::size_t i : now.gone) gone.push_back(displays_[i].display->target);
    bool inPlace = now.gone.empty();
    applied_ = true;
    // The settings not in place, by the display the record names for each.
    std::vector<RecordDisplay> failed;
    for (std::size_t k = 0; k < now.displays.size(); ++k) {
      PhaseDisplay& entry = now.displays[k];
      const PhaseDisplay& was = displays_[now.from[k]];
      const DisplayPlan& onDisplay = QuitOf(*was.display);
      const DisplayPlan& onMonitor = QuitOf(*was.monitorDisplay);
      DisplayPlan plan{onDisplay.hdr, onMonitor.mode, onDisplay.whiteLevel, onMonitor.brightness};
      if (Contains(others, entry.display->target)) {
        plan.hdr.reset();
        plan.whiteLevel.reset();
      }
      if (Contains(others, entry.monitorDisplay->target)) plan.brightness.reset();
      if (!FirstOfDevice(now.displays, entry) ||
          std::any_of(now.query.displays.begin(), now.query.displays.end(),
                      [&](const Display& shown) {
                        return shown.device == entry.monitorDisplay->device &&
                               Contains(others, shown.target);
                      })) {
        plan.mode.reset();
      }
      DisplayPlan done;
      inPlace &= ApplyPlan(platform_, pause, entry, Either(plan, owed_.Due(pause, entry)),
                           PlanOrder::kRestore, &done);
      owed_.Placed(entry, done);
      const DisplayPlan left = Unplaced(plan, done);
      failed.push_back({*was.display, {left.hdr, {}, left.whiteLevel, {}}, {}});
      failed.push_back({*was.monitorDisplay, {{}, left.mode, {}, left.brightness}, {}});
    }
    Trim(others, gone, failed);
    // What others owe elsewhere is not this launch's to answer for.
    owed_.Apply(pause, others);
    return inPlace;
  }

  void Done() override {
    // Every display is left to the launches that claim it: the record says so.
    if (!applied_) Trim(others_, {}, {});
    owed_.Done();
  }

 private:
  const DisplayPlan& QuitOf(const Display& display) const {
    static const DisplayPlan kNone;
    for (const RecordDisplay& owed : record_.record().displays) {
      if (SameTarget(owed.display.target, display.target)) return owed.quit;
    }
    return kNone;
  }

  // Keeps in the record what the launch still owes, written at once, with the lock or without.
  void Trim(const std::vector<DisplayTarget>& others, const std::vector<DisplayTarget>& gone,
            const std::vector<RecordDisplay>& failed) {
    RestoreRecord& record = record_.record();
    for (RecordDisplay& display : record.displays) {
      if (Contains(others, display.display.target) ||
          (display.quit.mode && std::find(claimedPictures_.begin(), claimedPictures_.end(),
                                          display.display.device) != claimedPictures_.end())) {
        // Left to the launches that still claim it: the last of them puts it back as it stands.
        display.set = {};
        record.left = platform_.GetSystemTimeAsFileTime();
        continue;
      }
      if (Contains(gone, display.display.target)) continue;
      DisplayPlan owed;
      for (const RecordDisplay& left : failed) {
        if (!SameTarget(left.display.target, display.display.target)) continue;
        if (left.quit.hdr) owed.hdr = display.quit.hdr;
        if (left.quit.whiteLevel) owed.whiteLevel = display.quit.whiteLevel;
        if (left.quit.brightness) owed.brightness = display.quit.brightness;
        if (left.quit.mode) owed.mode = display.quit.mode;
      }
      display.quit = owed;
    }
    std::erase_if(record.displays,
                  [](const RecordDisplay& display) { return display.quit.empty(); });
    record_.Save();
  }

  Platform& platform_;
  const LaunchSettings& settings_;
  const std::vector<PhaseDisplay>& displays_;
  LaunchRecord& record_;
  OwedRestores owed_;
  std::vector<std::u16string> claimedPictures_;  // the devices of the displays others claim
  std::vector<DisplayTarget> others_;            // the displays others claim, as Decide was told
  bool applied_ = false;
};

// -R: settles every record that ended launches left, trying a setting that does not read back
// for a minute, since right after sign-in the monitors may not answer yet. Whether nothing is
// owed any more.
bool SettleOwed(Platform& platform) {
  RestoreFolder folder(platform);
  LaunchTable table(platform);
  OwedRestores owed(platform, folder, table, {}, kSettleTriesMs);
  SleepPause pause(platform);
  return table.Join({}) && table.Leave(owed, pause, kLeaveWaitMs) && !owed.owed();
}

}  // namespace

int Run(Platform& platform, std::u16string_view arguments, InstanceHandle instance) {
  ReportText report;
  ParseOutcome parsed = ParseCommandLine(platform, arguments, report);
  if (!parsed.rejectedOption.empty()) {
    ShowError(platform, parsed.script, std::u16string(parsed.rejectedOption) + u" Parameter error");
    return kExitFailure;
  }
  if (!parsed.refusal.empty()) {
    ShowError(platform, parsed.script, parsed.refusal);
    return kExitFailure;
  }
  LaunchSettings& settings = parsed.settings;
  // -R alone settles at once: at sign-in the display configuration may not answer yet.
  if (settings.settleOwed && parsed.options == 1)
    return SettleOwed(platform) ? kExitSuccess : kExitNotInPlace;
  JsonOutput json(platform, settings.jsonPath);
  if (settings.writeJson) {
    if (const std::u16string refusal = json.Check(); !refusal.empty()) {
      ShowError(platform, parsed.script, refusal);
      return kExitFailure;
    }
  }

  if (settings.powerCycle) PowerCycleMonitors(platform, platform);

  // Held to the end of the run: the restore after a launch addresses the displays found here.
  DisplayQuery query;
  if (!QueryDisplays(platform, platform, &query)) return kExitFailure;
  const std::vector<Display>& displays = query.displays;
  std::vector<std::size_t> chosen = {0};
  if (settings.chooseDisplay) {
    DisplayChoice choice = ChooseDisplays(displays, settings.display);
    if (!choice.error.empty()) {
      ShowError(platform, parsed.script, choice.error);
      return kExitFailure;
    }
    chosen = choice.chosen;
  }
  std::vector<PhaseDisplay> phaseDisplays = PhaseDisplays(displays, chosen, settings.chooseDisplay);
  // A mode that a display does not list is refused before anything changes.
  ModeRequests modes;
  if (settings.setMode) modes.set = ParseMode(settings.mode, false);
  if (settings.restoreMode) modes.quit = ParseMode(settings.quitMode, true);
  if (settings.setMode || settings.restoreMode) {
    const std::u16string refusal = CheckModes(platform, settings, modes, phaseDisplays);
    if (!refusal.empty()) {
      ShowError(platform, parsed.script, refusal);
      return kExitFailure;
    }
  }

  // Every refusal is behind: what ended launches owe is settled first, so that the other options
  // act on the displays as the player left them.
  const bool settled = !settings.settleOwed || SettleOwed(platform);

  // Declared so that the shared table is let go before the child's handles are closed, and those
  // before the display arrays are released.
  ChildProcess child;
  LaunchTable table(platform);
  // A counted launch takes its place before it changes anything, so that another instance's
  // restore cannot land on the settings this one is about to make. It then settles what ended
  // launches owe, its own start's settings winning, and writes its own record: the quit settings
  // it owes, kept on disk until they are applied.
  const bool counts = settings.launchProgram && settings.restoreOnExit;
  RestoreFolder folder(platform);
  std::vector<DisplayPlan> quitPlans(phaseDisplays.size()), starts(phaseDisplays.size());
  for (std::size_t i = 0; i < phaseDisplays.size(); ++i) {
    quitPlans[i] = QuitPlan(settings, phaseDisplays, phaseDisplays[i]);
    starts[i] = StartSettings(settings, phaseDisplays, phaseDisplays[i], modes.set);
  }
  OwedRestores joining(platform, folder, table, ByDisplay(phaseDisplays, starts, {}), 0, true);
  const bool counted = counts && table.Join(Claims(phaseDisplays), &joining);
  LaunchRecord record(folder, {table.processId(), table.creationTime()});
  SleepPause pause(platform);
  // What the displays show, before the start, of each setting the launch puts back and does not
  // set: a later settle puts it back only while the display still shows that.
  std::vector<DisplayPlan> found(phaseDisplays.size());
  if (counted) {
    RestoreRecord& owed = record.record();
    owed.boot = SignInId(platform);
    owed.started = table.creationTime();
    std::uint32_t session = 0;
    if (platform.ProcessIdToSessionId(platform.GetCurrentProcessId(), &session))
      owed.session = session;
    owed.displays = ByDisplay(phaseDisplays, quitPlans, {});
    TakeOver(owed.displays, joining.takenOver());
    record.Save();
    for (std::size_t i = 0; i < phaseDisplays.size(); ++i)
      found[i] = FoundValues(platform, pause, phaseDisplays[i], Unplaced(quitPlans[i], starts[i]));
  }
  // Quit settings that no shared table can count will never be applied: not in place.
  bool inPlace = settled && (counted || !counts);

  // The report's reads, before any change: the displays the box shows, and those the JSON
  // document does (every display, or those -D: chose, each with its own monitor), sharing the
  // reads where they are the same displays.
  std::vector<DisplayState> boxStates, jsonStates;
  if (settings.showReport) {
    for (PhaseDisplay& entry : phaseDisplays) {
      boxStates.push_back(ReadDisplayState(platform, pause, *entry.display, *entry.monitorDisplay,
                                           entry.brightness, &entry.model));
    }
  }
  // With -D: and -SI they are the same displays.
  const bool shared = settings.chooseDisplay && settings.showReport;
  if (settings.writeJson && !shared) {
    std::vector<std::size_t> all;
    for (std::size_t i = 0; i < displays.size(); ++i) all.push_back(i);
    for (PhaseDisplay& entry :
         PhaseDisplays(displays, settings.chooseDisplay ? chosen : all, true)) {
      jsonStates.push_back(ReadDisplayState(platform, pause, *entry.display, *entry.monitorDisplay,
                                            entry.brightness, &entry.model));
    }
  }

  // Every change the options ask for is tried; any that is not in place makes the exit code 1.
  // What is in place on each display is what a counted launch keeps there while it waits.
  std::vector<DisplayPlan> placed(phaseDisplays.size());
  Hold::DisplaySet switched = 0;  // the displays whose HDR state or mode the start changed
  for (std::size_t i = 0; i < phaseDisplays.size(); ++i) {
    PhaseDisplay& entry = phaseDisplays[i];
    bool undecided = false;
    DisplayPlan plan = StartPlan(platform, pause, settings, entry, &undecided);
    inPlace &= !undecided;
    if (FirstOfDevice(phaseDisplays, entry)) plan.mode = modes.set;
    // A launch that also sets the brightness reads what its switches change, so that its hold
    // looks at the brightness again only after a real switch.
    DisplayPlan before;
    if (counted && plan.brightness)
      before = FoundValues(platform, pause, entry, {plan.hdr, plan.mode, {}, {}});
    inPlace &= ApplyPlan(platform, pause, entry, plan, PlanOrder::kStart, &placed[i]);
    if ((plan.hdr && before.hdr != plan.hdr) ||
        (plan.mode && (!before.mode || !placed[i].mode ||
                       !Shows({before.mode->width, before.mode->height, before.mode->frequency},
                              *placed[i].mode))))
      switched |= Hold::DisplaySet{1} << std::min<std::size_t>(i, 63);
  }
  const std::uint64_t started = platform.GetTickCount64();
  if (counted) {
    // Written again with what the start put in place, which a settling run compares.
    std::vector<DisplayPlan> shown(phaseDisplays.size());
    for (std::size_t i = 0; i < phaseDisplays.size(); ++i) shown[i] = Either(placed[i], found[i]);
    record.record().displays = ByDisplay(phaseDisplays, quitPlans, shown);
    TakeOver(record.record().displays, joining.takenOver());
    record.Save();
  }
  if (settings.writeJson) {
    const std::u16string error =
        json.Write(JsonReport(GLOWTIDE_VERSION, shared ? boxStates : jsonStates));
    if (!error.empty()) {
      ShowError(platform, parsed.script, error);
      inPlace = false;
    }
  }
  if (settings.showReport) {
    for (const DisplayState& state : boxStates)
      AppendStateSections(report, state, settings.chooseDisplay);
    if (displays.size() > 1) report.Append(u"<Displays>\n" + DisplayListLines(displays) + u"\n");
    ShowReport(platform, report);
  }

  if (settings.launchProgram) {
    RunQuitSettings quit(platform, settings, phaseDisplays, folder, table, record);
    child = LaunchChild(platform, settings);
    if (!child.started) {
      // A counted launch that could not start ends at once: the display is put back first.
      if (counted) table.Leave(quit, pause, kLeaveWaitMs);
      ShowError(platform, parsed.script, LaunchErrorText(platform, settings, child.error));
      inPlace = false;
    } else if (counted && !child.process && settings.waitImageName.empty()) {
      // The shell opened it through a program already running (a shortcut to a URL, say), and
      // nothing tells when the game ends: the display is put back at once, and the box says why.
      table.Leave(quit, pause, kLeaveWaitMs);
      ShowError(platform, parsed.script,
                u"Cannot wait for " + settings.programPath +
                    u": it started no program of its own; add -PW: with the game's "
                    u"program name");
      inPlace = false;
    } else if (counted) {
      Hold hold(platform, settings.chooseDisplay, phaseDisplays, std::move(placed), switched,
                started, &table);
      inPlace &= WaitAndRestore(platform, settings.waitImageName, settings.waitSeconds, child,
                                table, quit, instance, &hold);
    }
  }
  return inPlace ? kExitSuccess : kExitNotInPlace;
}

}  // namespace glowtide
