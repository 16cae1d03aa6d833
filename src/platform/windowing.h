// The platform's windowing, message and resource calls that the program makes.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace glowtide {

inline constexpr std::uint32_t kMbOk = 0x0;

class WindowingPlatform {
 public:
  WindowingPlatform() = default;
  WindowingPlatform(const WindowingPlatform&) = delete;
  WindowingPlatform& operator=(const WindowingPlatform&) = delete;
  virtual ~WindowingPlatform() = default;

  // Returns once the message has been handled, for a broadcast by every top-level window.
  virtual std::intptr_t SendMessageW(WindowHandle window, std::uint32_t message,
                                     std::uintptr_t wParam, std::intptr_t lParam) = 0;
  // Modal: returns when the user has dismissed the box.
  virtual int MessageBoxW(WindowHandle owner, const char16_t* text, const char16_t* caption,
                          std::uint32_t type) = 0;
};

}  // namespace glowtide
