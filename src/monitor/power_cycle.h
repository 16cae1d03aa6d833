// Turning the monitors off and on again with the system-wide monitor power command.
#pragma once

#include "platform/process.h"
#include "platform/windowing.h"

namespace glowtide {

// Sends (not posts) the power-off broadcast, pauses 2000 ms, then sends the power-on broadcast and
// a mouse move of no distance. A receiver that is hung or takes more than a second is passed over.
void PowerCycleMonitors(WindowingPlatform& windowing, ProcessPlatform& process);

}  // namespace glowtide
