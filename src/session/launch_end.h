// The end of a counted launch: its quit settings put back, with what ended launches owe, and its
// own record trimmed to what it still owes.
#pragma once

#include <vector>

#include "launch/launch_counting.h"
#include "platform/platform.h"
#include "session/display_plan.h"
#include "session/restores.h"

namespace glowtide {

// The launch's quit settings (its record's: its own, and those it took over), on those of the
// displays chosen at the start that no other live launch claims, in the quit order, with what
// ended launches owe on the same display in the same plan. The displays are found again first;
// one that is gone is not in place. A picture's mode is put back once, when no other live launch
// claims any display that shows it. Then what ended launches owe elsewhere is settled. Right
// after, the record keeps only what the launch still owes.
class LaunchEnd final : public QuitSettings {
 public:
  // displays: the launch's, as the start found them (held to the end of the run); chooses: -D:
  // chose them; modes: a quit mode is owed.
  LaunchEnd(Platform& platform, bool chooses, bool modes, const std::vector<PhaseDisplay>& displays,
            RestoreFolder& folder, LaunchTable& table, LaunchRecord& record)
      : platform_(platform),
        chooses_(chooses),
        modes_(modes),
        displays_(displays),
        record_(record),
        owed_(platform, folder, table, record.record().displays, 0) {}

  std::vector<DisplayTarget> Decide(const std::vector<DisplayTarget>& others) override;
  bool Apply(Pause& pause, const std::vector<DisplayTarget>& others) override;
  void Done() override;

 private:
  Platform& platform_;
  bool chooses_;
  bool modes_;
  const std::vector<PhaseDisplay>& displays_;
  LaunchRecord& record_;
  OwedRestores owed_;
  DisplayQuery query_;  // as Decide found the displays
  bool queried_ = false;
  std::vector<std::u16string> claimedPictures_;  // the devices of the displays others claim
  std::vector<DisplayTarget> others_;            // the displays others claim, as Decide was told
  bool applied_ = false;                         // Apply ran
};

}  // namespace glowtide
