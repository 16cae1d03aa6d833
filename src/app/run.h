// One invocation of the program, from the command line to the exit code.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/platform.h"
#include "platform/types.h"

namespace glowtide {

inline constexpr int kExitSuccess = 0;
// A change that was asked for is not in place: a setting that did not stick, or a program that
// could not be started.
inline constexpr int kExitNotInPlace = 1;
// A rejected option value or a display configuration that cannot be queried; 0xFFFFFF01 as an
// unsigned process exit status.
inline constexpr int kExitFailure = -255;

// arguments is the command line without the program name and the blanks behind it; instance is
// the program's own module, which carries its resources.
int Run(Platform& platform, std::u16string_view arguments, InstanceHandle instance);

}  // namespace glowtide
