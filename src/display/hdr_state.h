// The HDR (advanced colour) state of the display target: read, set, and the HDR phase.
#pragma once

#include "common/tries.h"
#include "display/device_info.h"
#include "platform/display_config.h"

namespace glowtide {

// Which advanced-colour requests the system answers: the older ones (9 read, 10 set), or since
// Windows 11 24H2 also the newer ones (15 read, 16 set). Found by asking, never by version.
enum class HdrModel { kUnknown, kOlder, kCurrent };

struct HdrState {
  bool ok = false;         // a read request succeeded
  bool supported = false;  // HDR supported: bit 4 of the newer read, bit 0 of the older
  bool enabled = false;    // HDR on: active colour mode 2 of the newer read, bit 1 of the older
};

// Reads the newer request unless the system is known to be older. Only a newer read refused as
// unknown (ERROR_NOT_SUPPORTED or ERROR_INVALID_PARAMETER) marks a system not yet known current as
// older, and the older request is read in its place; any other failure is a passing one, tried
// again like a monitor request, and decides no model. Every read and set is tried so.
HdrState ReadHdrState(DisplayConfigPlatform& platform, Pause& pause, const DisplayTarget& target,
                      HdrModel* model);

// Sends the set request of the system's model (found first by the newer read when no read has
// told it yet), then reads the state back through the same model. Whether HDR is in the state
// asked for; not when the model cannot be found.
bool SetHdrState(DisplayConfigPlatform& platform, Pause& pause, const DisplayTarget& target,
                 bool enable, HdrModel* model);

}  // namespace glowtide
