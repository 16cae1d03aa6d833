// Everything the run needs from the operating system; one object implements every group.
#pragma once

#include "platform/command_line.h"
#include "platform/display_config.h"
#include "platform/file.h"
#include "platform/monitor_config.h"
#include "platform/power.h"
#include "platform/process.h"
#include "platform/windowing.h"

namespace glowtide {

class Platform : public CommandLinePlatform,
                 public DisplayConfigPlatform,
                 public FilePlatform,
                 public MonitorConfigPlatform,
                 public PowerPlatform,
                 public ProcessPlatform,
                 public WindowingPlatform {};

}  // namespace glowtide
