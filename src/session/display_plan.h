// A display's wanted settings and the one Apply that puts them in place: the start's, the quit
// settings', and those kept while a game runs.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "display/display_list.h"
#include "display/display_mode.h"
#include "display/hdr_state.h"
#include "monitor/brightness.h"
#include "monitor/vcp.h"
#include "platform/platform.h"

namespace glowtide {

// What a display is to be put in; each setting only when it is given, and the monitor codes (on
// the display's monitor, as its brightness) in their order, each code once.
struct DisplayPlan {
  std::optional<bool> hdr;  // on
  std::optional<ModeRequest> mode;
  std::optional<std::uint32_t> whiteLevel;
  std::optional<std::uint32_t> brightness;
  VcpCodes codes;
  bool empty() const { return !hdr && !mode && !whiteLevel && !brightness && codes.empty(); }
};

// Each setting of first, and where first has none, of second.
inline DisplayPlan Either(const DisplayPlan& first, const DisplayPlan& second) {
  DisplayPlan either = first;
  if (!either.hdr) either.hdr = second.hdr;
  if (!either.mode) either.mode = second.mode;
  if (!either.whiteLevel) either.whiteLevel = second.whiteLevel;
  if (!either.brightness) either.brightness = second.brightness;
  for (const VcpValue& code : second.codes) {
    if (!either.codes.Find(code.code)) either.codes.Put(code);
  }
  return either;
}

// A display as the settings see it: its list entry (HDR, white level), where its brightness is,
// and the display of that monitor (its brightness and display mode); the HDR requests it answers,
// and the mode -MQ: puts back on it. Then what the options ask of it, and what came of it: the
// settings its start sets (only which), its quit settings, what the start put in place, and what
// it showed before the start of each quit setting that the start does not set.
struct PhaseDisplay {
  const Display* display = nullptr;
  BrightnessTarget brightness;
  const Display* monitorDisplay = nullptr;
  HdrModel model = HdrModel::kUnknown;
  std::optional<ModeRequest> quitMode;
  DisplayPlan sets;
  DisplayPlan quit;
  DisplayPlan placed;
  DisplayPlan found;
};

// Without -D: the settings act on display 1, and the brightness on the primary monitor (through
// the power scheme when that is a built-in panel's). With it (chooses), on each display chosen,
// and on that display's own physical monitor or panel.
std::vector<PhaseDisplay> PhaseDisplays(const std::vector<Display>& displays,
                                        const std::vector<std::size_t>& chosen, bool chooses);

// In clone mode several displays share a device, whose mode is set once: for the first of them.
bool FirstOfDevice(const std::vector<PhaseDisplay>& displays, const PhaseDisplay& entry);

// The displays of an earlier query, found again in a new one by their ids (or adapter and
// target), since a monitor plugged in or out renumbers them and changes their monitors; each keeps
// what its earlier entry learned and was asked (its HDR model, its quit mode, its plans). from[i]
// is the earlier entry of displays[i]; one that is gone is left out, and its earlier entry is in
// gone.
struct FoundDisplays {
  DisplayQuery own;                             // the query made for them, if one was
  const std::vector<Display>* shown = nullptr;  // the displays there are now
  std::vector<PhaseDisplay> displays;
  std::vector<std::size_t> from;
  std::vector<std::size_t> gone;
};
// False when the display configuration cannot be queried.
bool FindDisplaysAgain(Platform& platform, const std::vector<PhaseDisplay>& earlier, bool chooses,
                       FoundDisplays* found);
// The same in a query made already, which must outlive found.
bool FindDisplaysIn(const DisplayQuery& query, const std::vector<PhaseDisplay>& earlier,
                    bool chooses, FoundDisplays* found);

// The settings of the plan that are not in done: those that are not in place.
inline DisplayPlan Unplaced(const DisplayPlan& plan, const DisplayPlan& done) {
  DisplayPlan left;
  if (!done.hdr) left.hdr = plan.hdr;
  if (!done.mode) left.mode = plan.mode;
  if (!done.whiteLevel) left.whiteLevel = plan.whiteLevel;
  if (!done.brightness) left.brightness = plan.brightness;
  for (const VcpValue& code : plan.codes) {
    if (!done.codes.Find(code.code)) left.codes.Put(code);
  }
  return left;
}

// The start puts the white level before the brightness; a restore the brightness first.
enum class PlanOrder { kStart, kRestore };

// Puts the plan's settings in place: HDR, then the mode, then the white level and the brightness
// in the order given, then the monitor codes, each read back. The brightness's monitor is looked up
// again first, since a mode change (or a game) can give monitors new handles. The settings in place
// go to *placed when it is given. Whether all of them are.
bool ApplyPlan(Platform& platform, Pause& pause, PhaseDisplay& entry, const DisplayPlan& plan,
               PlanOrder order, DisplayPlan* placed = nullptr);

}  // namespace glowtide
