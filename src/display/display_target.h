// Finding the first display path's target in the current display configuration.
#pragma once

#include <cstdint>
#include <memory>

#include "display/device_info.h"
#include "platform/display_config.h"

namespace glowtide {

// The arrays of the one display query of a run, held to its end. The members are declared so
// that the path array is released before the mode array.
struct DisplayQuery {
  std::unique_ptr<std::uint64_t[]> modes;
  std::unique_ptr<std::uint64_t[]> paths;
  DisplayTarget target;
};

// Queries the current display configuration once and takes the target of path 0. False when the
// query fails, returns no path, or its arrays cannot be allocated.
bool SelectDisplayTarget(DisplayConfigPlatform& platform, DisplayQuery* query);

}  // namespace glowtide
