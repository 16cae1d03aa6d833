// Waiting behind the hidden window: for the child, and for the game it leaves running, while the
// thread's messages are served.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/platform.h"

namespace glowtide {

inline constexpr std::uint32_t kInfinite = 0xFFFFFFFF;
// How often a game that has not appeared, or cannot be opened for waiting, is looked for.
inline constexpr std::uint32_t kLookAgainMs = 500;

// Sleeps until one of the handles is signalled, the wait fails, or (unless milliseconds is
// kInfinite) the time has passed, serving this thread's messages whenever they arrive. A quit
// message ends only one pass over the queue. Returns the last wait result.
std::uint32_t WaitPumping(Platform& platform, const Handle* handles, std::uint32_t count,
                          std::uint32_t milliseconds, AcceleratorHandle accelerators);

// Returns when the child has ended (or the wait on it fails).
void WaitForChild(Platform& platform, Handle process, AcceleratorHandle accelerators);

// Goes on waiting while a process of the user's session with this image file name runs (without
// regard to ASCII case, file name only), looking again each time those end, so that a game that
// its client started anew is caught. Until one has been seen it looks about twice a second, for
// at most the given seconds. The ended child is not taken for the game: it stays listed while
// this run holds its handle.
void WaitForGame(Platform& platform, std::u16string_view imageName, std::int32_t seconds,
                 std::uint32_t childProcessId, AcceleratorHandle accelerators);

}  // namespace glowtide
