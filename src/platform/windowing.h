// The platform's windowing, message and resource calls that the program makes.
#pragma once

#include <cstdint>

#include "platform/power.h"
#include "platform/types.h"

namespace glowtide {

inline constexpr std::uint32_t kMbOk = 0x0;

class WindowingPlatform;

// A window procedure above the seam: it reaches the platform through its first argument.
using WindowProcedure = std::intptr_t (*)(WindowingPlatform& platform, WindowHandle window,
                                          std::uint32_t message, std::uintptr_t wParam,
                                          std::intptr_t lParam);

// The fields of WNDCLASSEXW, in its order.
struct WindowClass {
  std::uint32_t size = 0;
  std::uint32_t style = 0;
  WindowProcedure procedure = nullptr;
  std::int32_t classExtra = 0;
  std::int32_t windowExtra = 0;
  InstanceHandle instance = InstanceHandle::kNull;
  IconHandle icon = IconHandle::kNull;
  CursorHandle cursor = CursorHandle::kNull;
  std::uintptr_t background = 0;  // a system colour index plus 1
  std::uintptr_t menuName = 0;    // an integer resource identifier
  const char16_t* className = nullptr;
  IconHandle smallIcon = IconHandle::kNull;
};

// One mouse input of SendInput: a relative move by dx, dy with the MOUSEEVENTF_ flags.
struct MouseInput {
  std::int32_t dx = 0;
  std::int32_t dy = 0;
  std::uint32_t flags = 0;
};

// The fields of MSG.
struct Message {
  WindowHandle window = WindowHandle::kNull;
  std::uint32_t message = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
  std::uint32_t time = 0;
  std::int32_t x = 0;
  std::int32_t y = 0;
};

class WindowingPlatform {
 public:
  WindowingPlatform() = default;
  WindowingPlatform(const WindowingPlatform&) = delete;
  WindowingPlatform& operator=(const WindowingPlatform&) = delete;
  virtual ~WindowingPlatform() = default;

  // Returns once the message has been handled, for a broadcast by every top-level window; a
  // receiver that takes longer than the timeout (or, with SMTO_ABORTIFHUNG, is hung) is passed
  // over. False when the call failed or timed out.
  virtual bool SendMessageTimeoutW(WindowHandle window, std::uint32_t message,
                                   std::uintptr_t wParam, std::intptr_t lParam, std::uint32_t flags,
                                   std::uint32_t milliseconds) = 0;
  // Sends one mouse input (INPUT_MOUSE); the count of inputs the system took.
  virtual std::uint32_t SendInput(const MouseInput& input) = 0;
  // Modal: returns when the user has dismissed the box.
  virtual int MessageBoxW(WindowHandle owner, const char16_t* text, const char16_t* caption,
                          std::uint32_t type) = 0;

  virtual int LoadStringW(InstanceHandle instance, std::uint32_t id, char16_t* buffer,
                          int capacity) = 0;
  virtual IconHandle LoadIconW(InstanceHandle instance, std::uintptr_t id) = 0;
  virtual CursorHandle LoadCursorW(InstanceHandle instance, std::uintptr_t id) = 0;
  virtual std::uint16_t RegisterClassExW(const WindowClass& windowClass) = 0;
  virtual WindowHandle CreateWindowExW(std::uint32_t exStyle, const char16_t* className,
                                       const char16_t* title, std::uint32_t style, std::int32_t x,
                                       std::int32_t y, std::int32_t width, std::int32_t height,
                                       WindowHandle parent, std::uintptr_t menu,
                                       InstanceHandle instance, void* parameter) = 0;
  virtual bool ShowWindow(WindowHandle window, std::int32_t command) = 0;
  virtual bool UpdateWindow(WindowHandle window) = 0;
  virtual AcceleratorHandle LoadAcceleratorsW(InstanceHandle instance, std::uintptr_t id) = 0;

  virtual std::uint32_t MsgWaitForMultipleObjectsEx(std::uint32_t count, const Handle* handles,
                                                    std::uint32_t milliseconds,
                                                    std::uint32_t wakeMask,
                                                    std::uint32_t flags) = 0;
  virtual bool PeekMessageW(Message* message, WindowHandle window, std::uint32_t filterMin,
                            std::uint32_t filterMax, std::uint32_t remove) = 0;
  virtual int TranslateAcceleratorW(WindowHandle window, AcceleratorHandle accelerators,
                                    const Message& message) = 0;
  virtual bool TranslateMessage(const Message& message) = 0;
  virtual std::intptr_t DispatchMessageW(const Message& message) = 0;

  virtual std::intptr_t DefWindowProcW(WindowHandle window, std::uint32_t message,
                                       std::uintptr_t wParam, std::intptr_t lParam) = 0;
  // BeginPaint and EndPaint share the paint record, which the Win32 side keeps.
  virtual void BeginPaint(WindowHandle window) = 0;
  virtual void EndPaint(WindowHandle window) = 0;
  virtual bool DestroyWindow(WindowHandle window) = 0;
  // The window's pointer-sized slots, such as GWLP_USERDATA (-21).
  virtual std::intptr_t SetWindowLongPtrW(WindowHandle window, std::int32_t index,
                                          std::intptr_t value) = 0;
  virtual std::intptr_t GetWindowLongPtrW(WindowHandle window, std::int32_t index) = 0;
  virtual void PostQuitMessage(std::int32_t exitCode) = 0;
  // Has the power setting's changes sent to the window as WM_POWERBROADCAST
  // (DEVICE_NOTIFY_WINDOW_HANDLE); null on failure.
  virtual Handle RegisterPowerSettingNotification(WindowHandle window, const Guid* setting) = 0;
  virtual bool UnregisterPowerSettingNotification(Handle registration) = 0;
};

}  // namespace glowtide
