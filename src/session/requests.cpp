// What the options ask of each display, and the start that puts it in place.
#include "session/requests.h"

#include <algorithm>
#include <tuple>

#include "display/display_mode.h"
#include "display/hdr_state.h"
#include "display/sdr_white_level.h"
#include "monitor/brightness.h"
#include "monitor/vcp.h"
#include "report/display_state.h"
#include "session/display_state.h"

namespace glowtide {
namespace {

// A -M: or -MQ: that a display does not list, or that needs a current mode that cannot be read:
// the refusal's text; empty when each is fine.
std::u16string CheckModes(DisplayConfigPlatform& platform, const LaunchSettings& settings,
                          const std::optional<ModeRequest>& quit, Requests& requests) {
  for (PhaseDisplay& entry : requests.displays) {
    if (!FirstOfDevice(requests.displays, entry)) continue;
    const Display* display = entry.monitorDisplay;
    const std::vector<DisplayMode> modes = ListModes(platform, display->device);
    const std::optional<DisplayMode> current = CurrentMode(platform, display->device);
    entry.quitMode = quit;
    if (current && entry.quitMode && !entry.quitMode->desktop && entry.quitMode->width == 0) {
      entry.quitMode->width = current->width;
      entry.quitMode->height = current->height;
    }
    for (const auto& [given, option, value, request] :
         {std::tuple{settings.setMode, u"-M:", &settings.mode, requests.mode},
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

}  // namespace

bool DecideRequests(Platform& platform, const LaunchSettings& settings, Requests* requests,
                    std::u16string* refusal) {
  if (!QueryDisplays(platform, platform, &requests->query)) return false;
  requests->chosen = {0};
  if (settings.chooseDisplay) {
    DisplayChoice choice = ChooseDisplays(requests->query.displays, settings.display);
    *refusal = choice.error;
    if (!refusal->empty()) return false;
    requests->chosen = choice.chosen;
  }
  requests->displays =
      PhaseDisplays(requests->query.displays, requests->chosen, settings.chooseDisplay);
  // A mode that a display does not list is refused before anything changes.
  std::optional<ModeRequest> quit;
  if (settings.setMode) requests->mode = ParseMode(settings.mode, false);
  if (settings.restoreMode) quit = ParseMode(settings.quitMode, true);
  if (settings.setMode || settings.restoreMode) {
    *refusal = CheckModes(platform, settings, quit, *requests);
    if (!refusal->empty()) return false;
  }
  for (const LaunchSettings::VcpOption& code : settings.vcp) requests->codes.push_back(code.code);
  for (const LaunchSettings::VcpOption& code : settings.quitVcp) {
    if (std::find(requests->codes.begin(), requests->codes.end(), code.code) ==
        requests->codes.end())
      requests->codes.push_back(code.code);
    if (!code.value) requests->foundCodes.Put({code.code, 0});
  }
  // A code put back as found must be readable on every display chosen, before anything changes.
  SleepPause pause(platform);
  for (PhaseDisplay& entry : requests->displays) {
    const VcpCodes shown = ShownCodes(platform, pause, entry.brightness, requests->foundCodes);
    for (const VcpValue& code : requests->foundCodes) {
      if (shown.Find(code.code)) continue;
      *refusal = u"-VCPQ:" + CodeText(code.code).substr(2) + u" : " + entry.monitorDisplay->name +
                 u" cannot read this code";
      return false;
    }
  }
  for (PhaseDisplay& entry : requests->displays) {
    const bool first = FirstOfDevice(requests->displays, entry);
    for (const LaunchSettings::VcpOption& code : settings.vcp) {
      if (code.value) entry.sets.codes.Put({code.code, *code.value});
    }
    for (const LaunchSettings::VcpOption& code : settings.quitVcp) {
      if (code.value) entry.quit.codes.Put({code.code, *code.value});
    }
    // The quit settings, each only when its quit option was given; the mode on the first display
    // of its device.
    if (settings.restoreHdr) entry.quit.hdr = settings.quitHdrState;
    if (first) entry.quit.mode = entry.quitMode;
    if (settings.restoreBrightness)
      entry.quit.brightness = static_cast<std::uint32_t>(settings.quitBrightness);
    if (settings.restoreWhiteLevel)
      entry.quit.whiteLevel = static_cast<std::uint32_t>(settings.quitWhiteLevel);
    // Which settings the start sets: the values do not matter.
    if (settings.switchHdr || settings.enableHdr || settings.disableHdr) entry.sets.hdr = true;
    if (settings.switchWhiteLevel || settings.setWhiteLevel) entry.sets.whiteLevel = 0;
    if (settings.switchBrightness || settings.setBrightness) entry.sets.brightness = 0;
    if (first) entry.sets.mode = requests->mode;
  }
  return true;
}

std::vector<DisplayTarget> Claims(const std::vector<PhaseDisplay>& displays) {
  std::vector<DisplayTarget> claims;
  for (const PhaseDisplay& entry : displays) {
    for (const DisplayTarget& target : {entry.display->target, entry.monitorDisplay->target}) {
      if (!Contains(claims, target)) claims.push_back(target);
    }
  }
  return claims;
}

DisplayPlan StartPlan(Platform& platform, Pause& pause, const LaunchSettings& settings,
                      const Requests& requests, PhaseDisplay& entry, bool* undecided) {
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
  if (FirstOfDevice(requests.displays, entry)) plan.mode = requests.mode;
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
  plan.codes = entry.sets.codes;
  return plan;
}

void FindQuitCodes(Platform& platform, Pause& pause, const LaunchSettings& settings,
                   Requests& requests, const std::vector<RecordDisplay>& takenOver,
                   const std::vector<RecordDisplay>& owedByLive) {
  for (PhaseDisplay& entry : requests.displays) {
    const VcpCodes shown = ShownCodes(platform, pause, entry.brightness, requests.foundCodes);
    // In the order given, each with its value; without one, what a debt taken over or a live
    // launch owes there, else what the monitor shows.
    VcpCodes codes;
    for (const LaunchSettings::VcpOption& option : settings.quitVcp) {
      const VcpValue* value = shown.Find(option.code);
      for (const std::vector<RecordDisplay>* owed : {&owedByLive, &takenOver}) {
        for (const RecordDisplay& display : *owed) {
          if (SameTarget(display.display.target, entry.monitorDisplay->target) &&
              display.quit.codes.Find(option.code))
            value = display.quit.codes.Find(option.code);
        }
      }
      if (option.value) {
        codes.Put({option.code, *option.value});
      } else if (value) {
        codes.Put(*value);
      }
    }
    entry.quit.codes = codes;
  }
}

bool Start(Platform& platform, Pause& pause, const LaunchSettings& settings, Requests& requests,
           bool counted, Hold::DisplaySet* switched) {
  bool inPlace = true;
  for (std::size_t i = 0; i < requests.displays.size(); ++i) {
    PhaseDisplay& entry = requests.displays[i];
    bool undecided = false;
    const DisplayPlan plan = StartPlan(platform, pause, settings, requests, entry, &undecided);
    inPlace &= !undecided;
    DisplayPlan before;
    if (counted && plan.brightness)
      before = FoundValues(platform, pause, entry, {plan.hdr, plan.mode, {}, {}, {}});
    inPlace &= ApplyPlan(platform, pause, entry, plan, PlanOrder::kStart, &entry.placed);
    const std::optional<ModeRequest>& now = entry.placed.mode;
    if ((plan.hdr && before.hdr != plan.hdr) ||
        (plan.mode &&
         (!before.mode || !now ||
          !Shows({before.mode->width, before.mode->height, before.mode->frequency}, *now))))
      *switched |= Hold::DisplaySet{1} << std::min<std::size_t>(i, 63);
  }
  return inPlace;
}

}  // namespace glowtide
