// Everything the run needs from the operating system; one object implements every group.
#pragma once

#include "platform/command_line.h"
#include "platform/windowing.h"

namespace glowtide {

class Platform : public CommandLinePlatform, public WindowingPlatform {};

}  // namespace glowtide
