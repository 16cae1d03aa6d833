// The HDR (advanced colour) state of the display target: read, set, and the HDR phase.
#pragma once

#include "app/launch_settings.h"
#include "display/device_info.h"
#include "platform/display_config.h"
#include "report/report.h"

namespace glowtide {

struct HdrState {
  bool ok = false;         // the read request succeeded
  bool supported = false;  // bit 0 of the value word
  bool enabled = false;    // bit 1 of the value word
};

HdrState ReadHdrState(DisplayConfigPlatform& platform, const DisplayTarget& target);

// Sends the set request with no read before it; its result is not examined.
void SetHdrState(DisplayConfigPlatform& platform, const DisplayTarget& target, bool enable);

// Reads for the report and for -HDR:S, appends the HDR section, then sends at most one set
// request. A switch that finds HDR off sets hdrNewState.
void RunHdrPhase(DisplayConfigPlatform& platform, LaunchSettings& settings,
                 const DisplayTarget& target, ReportText& report);

}  // namespace glowtide
