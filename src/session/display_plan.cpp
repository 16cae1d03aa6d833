// The displays the settings act on, and the Apply of a display's plan.
#include "session/display_plan.h"

#include "display/sdr_white_level.h"

namespace glowtide {

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
    PhaseDisplay entry;
    entry.display = &displays[index];
    entry.monitorDisplay = chooses ? &displays[index] : primary;
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

bool FirstOfDevice(const std::vector<PhaseDisplay>& displays, const PhaseDisplay& entry) {
  for (const PhaseDisplay& other : displays) {
    if (other.monitorDisplay->device == entry.monitorDisplay->device) return &other == &entry;
  }
  return true;
}

bool FindDisplaysAgain(Platform& platform, const std::vector<PhaseDisplay>& earlier, bool chooses,
                       FoundDisplays* found) {
  return QueryDisplays(platform, platform, &found->own) &&
         FindDisplaysIn(found->own, earlier, chooses, found);
}

bool FindDisplaysIn(const DisplayQuery& query, const std::vector<PhaseDisplay>& earlier,
                    bool chooses, FoundDisplays* found) {
  found->shown = &query.displays;
  std::vector<std::size_t> indexes;
  for (std::size_t i = 0; i < earlier.size(); ++i) {
    const std::optional<std::size_t> index = FindDisplay(query.displays, *earlier[i].display);
    if (!index) {
      found->gone.push_back(i);
      continue;
    }
    indexes.push_back(*index);
    found->from.push_back(i);
  }
  found->displays = PhaseDisplays(query.displays, indexes, chooses);
  for (std::size_t i = 0; i < found->displays.size(); ++i) {
    PhaseDisplay& now = found->displays[i];
    const PhaseDisplay& was = earlier[found->from[i]];
    now.model = was.model;
    now.quitMode = was.quitMode;
    now.sets = was.sets;
    now.quit = was.quit;
    now.placed = was.placed;
    now.found = was.found;
  }
  return true;
}

bool ApplyPlan(Platform& platform, Pause& pause, PhaseDisplay& entry, const DisplayPlan& plan,
               PlanOrder order, DisplayPlan* placed) {
  DisplayPlan done;
  if (plan.hdr && SetHdrState(platform, pause, entry.display->target, *plan.hdr, &entry.model))
    done.hdr = plan.hdr;
  // The mode in place is the very mode set, as the request resolved.
  if (plan.mode) {
    if (const std::optional<DisplayMode> set =
            SetDisplayMode(platform, entry.monitorDisplay->device, *plan.mode))
      done.mode = RequestFor(*set);
  }
  auto whiteLevel = [&] {
    if (plan.whiteLevel &&
        SetSdrWhiteLevel(platform, pause, entry.display->target, *plan.whiteLevel))
      done.whiteLevel = plan.whiteLevel;
  };
  if (order == PlanOrder::kStart) whiteLevel();
  if (entry.brightness.chosen && (plan.brightness || !plan.codes.empty()))
    entry.brightness.monitor = FindMonitor(platform, entry.display->device);
  if (plan.brightness) {
    done.brightness =
        SetDisplayBrightness(platform, platform, pause, entry.brightness, *plan.brightness);
  }
  if (order == PlanOrder::kRestore) whiteLevel();
  if (!plan.codes.empty()) done.codes = SetVcpCodes(platform, pause, entry.brightness, plan.codes);
  const bool all = done.hdr.has_value() == plan.hdr.has_value() &&
                   done.mode.has_value() == plan.mode.has_value() &&
                   done.whiteLevel.has_value() == plan.whiteLevel.has_value() &&
                   done.brightness.has_value() == plan.brightness.has_value() &&
                   done.codes.size() == plan.codes.size();
  if (placed) *placed = done;
  return all;
}

}  // namespace glowtide
