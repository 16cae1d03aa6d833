// The end of a counted launch.
#include "session/launch_end.h"

#include <algorithm>

namespace glowtide {

std::vector<DisplayTarget> LaunchEnd::Decide(const std::vector<DisplayTarget>& others) {
  others_ = others;
  // One query for the leave: in clone mode a picture's mode stays owed while another launch
  // claims a display of it, and the records are settled on the displays there are.
  queried_ = QueryDisplays(platform_, platform_, &query_);
  if (queried_ && modes_) {
    for (const Display& shown : query_.displays) {
      if (Contains(others, shown.target)) claimedPictures_.push_back(shown.device);
    }
  }
  return owed_.Decide(others, queried_ ? &query_ : nullptr);
}

bool LaunchEnd::Apply(Pause& pause, const std::vector<DisplayTarget>& others) {
  // Done trims the record only when Apply has not: here, or by keeping it whole when the
  // displays cannot be looked for, since nothing was put back.
  applied_ = true;
  FoundDisplays now;
  if (!(queried_ ? FindDisplaysIn(query_, displays_, chooses_, &now)
                 : FindDisplaysAgain(platform_, displays_, chooses_, &now)))
    return false;
  // What a display that is gone owes stays in the record, for when it is back.
  std::vector<DisplayTarget> gone;
  for (const std::size_t i : now.gone) gone.push_back(displays_[i].display->target);
  bool inPlace = now.gone.empty();
  // The settings not in place, by the display the record names for each.
  std::vector<RecordDisplay> failed;
  for (std::size_t k = 0; k < now.displays.size(); ++k) {
    PhaseDisplay& entry = now.displays[k];
    const PhaseDisplay& was = displays_[now.from[k]];
    const DisplayPlan& onDisplay = record_.QuitOf(*was.display);
    const DisplayPlan& onMonitor = record_.QuitOf(*was.monitorDisplay);
    DisplayPlan plan{onDisplay.hdr, onMonitor.mode, onDisplay.whiteLevel, onMonitor.brightness,
                     onMonitor.codes};
    if (Contains(others, entry.display->target)) {
      plan.hdr.reset();
      plan.whiteLevel.reset();
    }
    if (Contains(others, entry.monitorDisplay->target)) plan.brightness.reset();
    if (!FirstOfDevice(now.displays, entry) ||
        std::any_of(now.shown->begin(), now.shown->end(), [&](const Display& shown) {
          return shown.device == entry.monitorDisplay->device && Contains(others, shown.target);
        })) {
      plan.mode.reset();
    }
    DisplayPlan done;
    inPlace &= ApplyPlan(platform_, pause, entry, Either(plan, owed_.Due(pause, entry)),
                         PlanOrder::kRestore, &done);
    owed_.Placed(entry, done);
    const DisplayPlan left = Unplaced(plan, done);
    failed.push_back({*was.display, {left.hdr, {}, left.whiteLevel, {}, {}}, {}});
    failed.push_back({*was.monitorDisplay, {{}, left.mode, {}, left.brightness, left.codes}, {}});
  }
  record_.Keep(others, claimedPictures_, gone, failed, platform_.GetSystemTimeAsFileTime());
  // What others owe elsewhere is not this launch's to answer for.
  owed_.Apply(pause, others);
  return inPlace;
}

void LaunchEnd::Done() {
  // Every display is left to the launches that claim it: the record says so.
  if (!applied_)
    record_.Keep(others_, claimedPictures_, {}, {}, platform_.GetSystemTimeAsFileTime());
  owed_.Done();
}

}  // namespace glowtide
