// What the options ask of each display the run acts on: one row per display, decided once from
// the settings and the display query, with every refusal before anything changes.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/tries.h"
#include "display/display_list.h"
#include "platform/platform.h"
#include "session/display_plan.h"
#include "session/hold.h"
#include "session/restore_record.h"
#include "settings/launch_settings.h"

namespace glowtide {

// The displays there are, those the run acts on (the rows point into the query, which is held to
// the end of the run, since the restore after a launch addresses the displays found here) and
// -M: as parsed.
struct Requests {
  DisplayQuery query;
  std::vector<std::size_t> chosen;
  std::vector<PhaseDisplay> displays;
  std::optional<ModeRequest> mode;
  // The monitor codes the reports read (every code -VCP: or -VCPQ: names, in order), and those
  // -VCPQ: puts back as the monitor shows them at the start.
  std::vector<std::uint8_t> codes;
  VcpCodes foundCodes;  // their values do not matter
};

// Queries the displays and decides each row: the display -D: chose (or display 1 and the primary
// monitor), its quit settings and which settings its start sets. The refusal's text when -D:
// chooses nothing or several, or a -M: or -MQ: is no mode that every display chosen lists (the
// desktop mode always is), or needs a current mode that cannot be read; empty when the display
// configuration cannot be queried at all. A -MQ: without a size takes the size the display has
// now, before -M:. A -VCPQ: code without a value that a display chosen cannot read is refused
// too. False when refused.
bool DecideRequests(Platform& platform, const LaunchSettings& settings, Requests* requests,
                    std::u16string* refusal);

// The displays a launch claims: those its settings act on, and those of its brightness, each once.
std::vector<DisplayTarget> Claims(const std::vector<PhaseDisplay>& displays);

// The start's plan for a display: what its options ask for, the mode on the first display of its
// device, the switches deciding from a read of the display's state (a read that fails leaves
// -BB: or -B:, or nothing; an HDR switch whose read fails decides nothing and is undecided).
DisplayPlan StartPlan(Platform& platform, Pause& pause, const LaunchSettings& settings,
                      const Requests& requests, PhaseDisplay& entry, bool* undecided);

// The values of the -VCPQ: codes without one, once what ended launches owe is settled and before
// the start: the value a live launch's record or a debt taken over owes there when one does (the
// value found would be the other game's), else the value the monitor shows.
void FindQuitCodes(Platform& platform, Pause& pause, const LaunchSettings& settings,
                   Requests& requests, const std::vector<RecordDisplay>& takenOver,
                   const std::vector<RecordDisplay>& owedByLive);

// The start: each display's plan put in place, in the start's order, and what is in place noted
// as the display's placed. A counted launch that also sets the brightness reads HDR and the mode
// before its switches, so that switched names the displays whose state they really changed.
// Whether every change is in place.
bool Start(Platform& platform, Pause& pause, const LaunchSettings& settings, Requests& requests,
           bool counted, Hold::DisplaySet* switched);

}  // namespace glowtide
