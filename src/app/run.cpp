// The run sequence: every phase at most once, in a fixed order, each on its own condition.
#include "app/run.h"

#include <algorithm>
#include <string>
#include <tuple>

#include "app/options.h"
#include "common/system_message.h"
#include "display/display_list.h"
#include "display/display_mode.h"
#include "display/hdr_state.h"
#include "display/sdr_white_level.h"
#include "launch/child_launch.h"
#include "launch/launch_counting.h"
#include "monitor/brightness.h"
#include "monitor/power_cycle.h"
#include "report/json.h"
#include "report/report.h"
#include "session/display_state.h"

namespace glowtide {
namespace {

void ShowError(WindowingPlatform& platform, const std::u16string& message) {
  platform.MessageBoxW(WindowHandle::kNull, message.c_str(), u"Error", kMbOk);
}

// A display as the phases and the restore see it: its list entry (HDR, white level), where its
// brightness is, and the display of that monitor (its brightness and display mode); the HDR
// requests it answers, and the mode -MQ: puts back on it.
struct PhaseDisplay {
  const Display* display;
  BrightnessTarget brightness;
  const Display* monitorDisplay;
  HdrModel model = HdrModel::kUnknown;
  std::optional<ModeRequest> quitMode;
};

bool Contains(const std::vector<DisplayTarget>& targets, const DisplayTarget& target) {
  for (const DisplayTarget& t : targets) {
    if (SameTarget(t, target)) return true;
  }
  return false;
}

// Without -D: the settings act on display 1, and the brightness on the primary monitor (through
// the power scheme when that is a built-in panel's). With it, on each display it chose, and on
// that display's own physical monitor or panel.
std::vector<PhaseDisplay> PhaseDisplays(const std::vector<Display>& displays,
                                        const std::vector<std::size_t>& chosen, bool chooses) {
  bool primaryBuiltIn = false;
  const Display* primary = nullptr;  // in clone mode the first of the primary monitor's displays
  for (const Display& display : displays) {
    primaryBuiltIn |= display.primary && display.builtIn;
    if (display.primary && primary == nullptr) primary = &display;
  }
  if (primary == nullptr) primary = &displays[0];
  std::vector<PhaseDisplay> phase;
  for (const std::size_t index : chosen) {
    PhaseDisplay entry{&displays[index], {}, chooses ? &displays[index] : primary, {}, {}};
    entry.brightness.builtIn = chooses ? displays[index].builtIn : primaryBuiltIn;
    if (chooses) {
      entry.brightness.chosen = true;
      entry.brightness.monitor = displays[index].monitor;
      for (const Display& other : displays) {
        if (other.device != displays[index].device) continue;
        if (&other == &displays[index]) entry.brightness.position = entry.brightness.sharing.size();
        entry.brightness.sharing.push_back(other.name);
      }
    }
    phase.push_back(entry);
  }
  return phase;
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

// In clone mode several displays share a device, whose mode is set once: for the first of them.
bool FirstOfDevice(const std::vector<PhaseDisplay>& displays, const PhaseDisplay& entry) {
  for (const PhaseDisplay& other : displays) {
    if (other.monitorDisplay->device == entry.monitorDisplay->device) return &other == &entry;
  }
  return true;
}

// The -M: and -MQ: values, parsed once: none when not given or not a mode.
struct ModeRequests {
  std::optional<ModeRequest> set;
  std::optional<ModeRequest> quit;
};

// The error box's text when a -M: or -MQ: value is no mode that every display chosen lists (the
// desktop mode always is); empty when each is. A -MQ: without a size takes the size the display
// has now, before -M:, and is kept so for the restore.
std::u16string CheckModes(DisplayConfigPlatform& platform, const LaunchSettings& settings,
                          const ModeRequests& requests, std::vector<PhaseDisplay>& displays) {
  for (PhaseDisplay& entry : displays) {
    if (!FirstOfDevice(displays, entry)) continue;
    const Display* display = entry.monitorDisplay;
    const std::vector<DisplayMode> modes = ListModes(platform, display->device);
    DisplayMode current;
    const std::u16string device = GdiDeviceName(display->device);
    platform.EnumDisplaySettingsExW(device.c_str(), kEnumCurrentSettings, &current);
    if (requests.quit && !requests.quit->desktop) {
      entry.quitMode = requests.quit;
      if (entry.quitMode->width == 0) {
        entry.quitMode->width = current.width;
        entry.quitMode->height = current.height;
      }
    } else {
      entry.quitMode = requests.quit;
    }
    for (const auto& [given, option, value, request] :
         {std::tuple{settings.setMode, u"-M:", &settings.mode, requests.set},
          std::tuple{settings.restoreMode, u"-MQ:", &settings.quitMode, entry.quitMode}}) {
      if (!given) continue;
      if (request && (request->desktop || ResolveMode(*request, current, modes))) continue;
      return option + *value + u" : no such mode on " + display->name + u"\n\n" +
             ModeListLines(modes);
    }
  }
  return {};
}

// The quit settings of this run, on those of the displays chosen at the start that no other live
// launch claims: HDR state, display mode, brightness and white level, in that order, each only
// when its quit option was given. The displays are found again first, by their ids (or adapter and
// target), since a monitor plugged in or out while the game ran renumbers them and changes their
// monitors; one that is gone is not in place. The HDR state goes out in the model that the HDR
// phase found for the display, if it found one; a picture's mode is put back once, when no other
// live launch claims any display that shows it.
class RunQuitSettings final : public QuitSettings {
 public:
  RunQuitSettings(Platform& platform, const LaunchSettings& settings,
                  const std::vector<PhaseDisplay>& displays)
      : platform_(platform), settings_(settings), displays_(displays) {}

  bool Apply(Pause& pause, const std::vector<DisplayTarget>& others) override {
    DisplayQuery now;
    if (!QueryDisplays(platform_, platform_, &now)) return false;
    bool inPlace = true;
    std::vector<std::size_t> found;
    std::vector<const PhaseDisplay*> start;
    for (const PhaseDisplay& entry : displays_) {
      const std::optional<std::size_t> index = FindDisplay(now.displays, *entry.display);
      if (!index) {
        inPlace = false;
        continue;
      }
      found.push_back(*index);
      start.push_back(&entry);
    }
    std::vector<PhaseDisplay> phase = PhaseDisplays(now.displays, found, settings_.chooseDisplay);
    for (std::size_t i = 0; i < phase.size(); ++i) {
      PhaseDisplay& entry = phase[i];
      const DisplayTarget& target = entry.display->target;
      const bool ours = !Contains(others, target);
      if (settings_.restoreHdr && ours) {
        HdrModel model = start[i]->model;
        inPlace &= SetHdrState(platform_, pause, target, settings_.quitHdrState, &model);
      }
      const bool monitorOurs = !Contains(others, entry.monitorDisplay->target);
      const std::optional<ModeRequest>& mode = start[i]->quitMode;
      if (mode && FirstOfDevice(phase, entry) &&
          std::none_of(now.displays.begin(), now.displays.end(), [&](const Display& shown) {
            return shown.device == entry.monitorDisplay->device && Contains(others, shown.target);
          })) {
        inPlace &= SetDisplayMode(platform_, entry.monitorDisplay->device, *mode);
      }
      if (settings_.restoreBrightness && monitorOurs) {
        inPlace &= SetDisplayBrightness(platform_, platform_, pause, entry.brightness,
                                        static_cast<std::uint32_t>(settings_.quitBrightness));
      }
      if (settings_.restoreWhiteLevel && ours) {
        inPlace &= SetSdrWhiteLevel(platform_, pause, target,
                                    static_cast<std::uint32_t>(settings_.quitWhiteLevel));
      }
    }
    return inPlace;
  }

 private:
  Platform& platform_;
  const LaunchSettings& settings_;
  const std::vector<PhaseDisplay>& displays_;
};

// Writes the document to the file, created or replaced, or with no path to the standard output.
// The error box's text when it cannot.
std::u16string WriteJson(Platform& platform, const std::u16string& path,
                         const std::string& document) {
  UniqueHandle file;
  Handle out = platform.GetStdHandle(kStdOutputHandle);
  if (!path.empty()) {
    file = UniqueHandle(platform.CreateFileW(path.c_str(), kGenericWrite, kFileShareRead,
                                             kCreateAlways, kFileAttributeNormal),
                        CloseKernelHandle{&platform});
    out = file.get();
  }
  std::uint32_t written = 0;
  if (out != kInvalidHandleValue &&
      platform.WriteFile(out, reinterpret_cast<const std::uint8_t*>(document.data()),
                         static_cast<std::uint32_t>(document.size()), &written) &&
      written == document.size()) {
    return {};
  }
  return u"Could not write " + (path.empty() ? u"the report to the standard output" : path) +
         u"\n" + SystemMessage(platform, platform.GetLastError());
}

}  // namespace

int Run(Platform& platform, std::u16string_view arguments, InstanceHandle instance) {
  ReportText report;
  ParseOutcome parsed = ParseCommandLine(platform, arguments, report);
  if (!parsed.rejectedOption.empty()) {
    ShowError(platform, std::u16string(parsed.rejectedOption) + u" Parameter error");
    return kExitFailure;
  }
  if (!parsed.refusal.empty()) {
    ShowError(platform, parsed.refusal);
    return kExitFailure;
  }
  LaunchSettings& settings = parsed.settings;
  // A GUI program started from a prompt or a shortcut has no standard output: nothing is done.
  if (settings.writeJson && settings.jsonPath.empty()) {
    const Handle out = platform.GetStdHandle(kStdOutputHandle);
    if (out == Handle::kNull || out == kInvalidHandleValue) {
      ShowError(platform, u"-SJ : no standard output to write to; redirect it (Glowtide.exe -SJ > "
                          u"state.json) or name a file (-SJ:state.json)");
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
      ShowError(platform, choice.error);
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
      ShowError(platform, refusal);
      return kExitFailure;
    }
  }

  // Declared so that the shared table is let go before the child's handles are closed, and those
  // before the display arrays are released.
  ChildProcess child;
  LaunchTable table(platform);
  // A counted launch takes its place before it changes anything, so that another instance's
  // restore cannot land on the settings this one is about to make.
  const bool counted =
      settings.launchProgram && settings.restoreOnExit && table.Join(Claims(phaseDisplays));
  // Quit settings that no shared table can count will never be applied: not in place.
  bool inPlace = counted || !settings.launchProgram || !settings.restoreOnExit;

  SleepPause pause(platform);
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
  if (settings.writeJson && settings.chooseDisplay && settings.showReport) {
    jsonStates = boxStates;
  } else if (settings.writeJson) {
    std::vector<std::size_t> all;
    for (std::size_t i = 0; i < displays.size(); ++i) all.push_back(i);
    for (PhaseDisplay& entry :
         PhaseDisplays(displays, settings.chooseDisplay ? chosen : all, true)) {
      jsonStates.push_back(ReadDisplayState(platform, pause, *entry.display, *entry.monitorDisplay,
                                            entry.brightness, &entry.model));
    }
  }

  // Every change the options ask for is tried; any that is not in place makes the exit code 1.
  for (PhaseDisplay& entry : phaseDisplays) {
    const Display& display = *entry.display;
    if (settings.switchHdr || settings.enableHdr || settings.disableHdr) {
      inPlace &= RunHdrPhase(platform, pause, settings, display.target, &entry.model);
    }
    // After the HDR state, which can reset the refresh rate, and before the white level.
    if (modes.set && FirstOfDevice(phaseDisplays, entry)) {
      inPlace &= SetDisplayMode(platform, entry.monitorDisplay->device, *modes.set);
    }
    if (settings.switchWhiteLevel || settings.setWhiteLevel) {
      inPlace &= RunWhiteLevelPhase(platform, pause, settings, display.target);
    }
    if (settings.setBrightness || settings.switchBrightness) {
      // A mode change gives the monitors new handles.
      if (modes.set && entry.brightness.chosen) {
        entry.brightness.monitor = FindMonitor(platform, entry.display->device);
      }
      inPlace &= RunBrightnessPhase(platform, platform, pause, settings, entry.brightness);
    }
  }
  if (settings.writeJson) {
    const std::u16string error = WriteJson(platform, settings.jsonPath,
                                           JsonReport(GLOWTIDE_VERSION, jsonStates));
    if (!error.empty()) {
      ShowError(platform, error);
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
    RunQuitSettings quit(platform, settings, phaseDisplays);
    child = LaunchChild(platform, settings);
    if (!child.started) {
      // A counted launch that could not start ends at once: the display is put back first.
      if (counted) table.Leave(quit, pause, kLeaveWaitMs);
      ShowError(platform, LaunchErrorText(platform, settings, child.error));
      inPlace = false;
    } else if (counted && !child.process && settings.waitImageName.empty()) {
      // The shell opened it through a program already running (a shortcut to a URL, say), and
      // nothing tells when the game ends: the display is put back at once, and the box says why.
      table.Leave(quit, pause, kLeaveWaitMs);
      ShowError(platform, u"Cannot wait for " + settings.programPath +
                              u": it started no program of its own; add -PW: with the game's "
                              u"program name");
      inPlace = false;
    } else if (counted) {
      inPlace &= WaitAndRestore(platform, settings, child, table, quit, instance);
    }
  }
  return inPlace ? kExitSuccess : kExitNotInPlace;
}

}  // namespace glowtide
