// Reads a display's state as the report and the JSON document show it.
#pragma once

#include "display/display_list.h"
#include "display/hdr_state.h"
#include "monitor/brightness.h"
#include "platform/platform.h"
#include "report/display_state.h"
#include "session/display_plan.h"

namespace glowtide {

// The display's HDR state and white level, the mode of modeDisplay's device (the one the run
// changes: its own, or without -D: the primary's), and the brightness where brightness says.
// What the HDR read learns of the display's requests is kept in model.
DisplayState ReadDisplayState(Platform& platform, Pause& pause, const Display& display,
                              const Display& modeDisplay, const BrightnessTarget& brightness,
                              HdrModel* model, const std::vector<std::uint8_t>& codes = {});

// What the entry's display shows now of each setting that quit names (HDR, white level,
// brightness, mode); a setting that cannot be read is left out.
DisplayPlan FoundValues(Platform& platform, Pause& pause, PhaseDisplay& entry,
                        const DisplayPlan& quit);

}  // namespace glowtide
