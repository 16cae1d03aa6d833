// The hidden window that gives a waiting run a message queue, and its window procedure.
#pragma once

#include <array>
#include <optional>

#include "platform/windowing.h"

namespace glowtide {

inline constexpr std::uint32_t kIdsAppTitle = 103;
inline constexpr std::uint32_t kIdcGlowtide = 109;  // class name string, menu and accelerators
inline constexpr std::uintptr_t kIdiGlowtide = 107;
inline constexpr std::uintptr_t kIdiSmall = 108;
inline constexpr std::uintptr_t kIdmAbout = 104;
inline constexpr std::uintptr_t kIdmExit = 105;

inline constexpr std::int32_t kGwlpUserData = -21;

inline constexpr std::uint32_t kWmDisplayChange = 0x007E;
inline constexpr std::uint32_t kWmPowerBroadcast = 0x0218;

// Told by the window procedure, which keeps no state of its own; the window's user data points
// at it.
class WindowListener {
 public:
  // The session ends (sign-out, restart, shutdown), which may end the process as soon as the
  // procedure returns.
  virtual void EndSession() = 0;
  // WM_CLOSE (a taskkill without /F, a launcher stopping it): the wait ends as at the game's end.
  virtual void Close() = 0;
  // WM_POWERBROADCAST or WM_DISPLAYCHANGE: only noted, since the procedure must return at once.
  virtual void Notice(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) = 0;

 protected:
  ~WindowListener() = default;
};

struct HiddenWindow {
  // Loaded once and kept for the whole process.
  std::array<char16_t, 100> title{};
  std::array<char16_t, 100> className{};
  WindowHandle window = WindowHandle::kNull;
  AcceleratorHandle accelerators = AcceleratorHandle::kNull;
};

// Registers the class, creates the window and hides it, and loads the accelerators. No value
// when the window cannot be created.
std::optional<HiddenWindow> CreateHiddenWindow(WindowingPlatform& platform,
                                               InstanceHandle instance);

// Paints nothing, ignores the version command, destroys the window on the exit command and
// posts a quit message when it is destroyed. It lets the session end, and when it does, tells the
// listener in the window's user data before it returns; tells it of WM_CLOSE instead of
// destroying the window while there is one; and passes it the power and display changes.
std::intptr_t HiddenWindowProc(WindowingPlatform& platform, WindowHandle window,
                               std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

}  // namespace glowtide
