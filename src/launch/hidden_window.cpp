// The hidden window's class, creation and procedure.
#include "launch/hidden_window.h"

namespace glowtide {
namespace {

constexpr std::uint32_t kWmDestroy = 0x0002;
constexpr std::uint32_t kWmPaint = 0x000F;
constexpr std::uint32_t kWmClose = 0x0010;
constexpr std::uint32_t kWmQueryEndSession = 0x0011;
constexpr std::uint32_t kWmEndSession = 0x0016;
constexpr std::uint32_t kWmCommand = 0x0111;
constexpr std::uint32_t kCsHRedraw = 0x2, kCsVRedraw = 0x1;
constexpr std::uintptr_t kColorWindow = 5;
constexpr std::uintptr_t kIdcArrow = 32512;
constexpr std::uint32_t kWsOverlappedWindow = 0xCF0000;
constexpr std::int32_t kCwUseDefault = static_cast<std::int32_t>(0x80000000);
constexpr std::int32_t kSwHide = 0;

}  // namespace

std::optional<HiddenWindow> CreateHiddenWindow(WindowingPlatform& platform,
                                               InstanceHandle instance) {
  HiddenWindow hidden;
  platform.LoadStringW(instance, kIdsAppTitle, hidden.title.data(), 100);
  platform.LoadStringW(instance, kIdcGlowtide, hidden.className.data(), 100);

  WindowClass windowClass;
  windowClass.size = 80;
  windowClass.style = kCsHRedraw | kCsVRedraw;
  windowClass.procedure = HiddenWindowProc;
  windowClass.instance = instance;
  windowClass.icon = platform.LoadIconW(instance, kIdiGlowtide);
  windowClass.cursor = platform.LoadCursorW(InstanceHandle::kNull, kIdcArrow);
  windowClass.background = kColorWindow + 1;
  windowClass.menuName = kIdcGlowtide;
  windowClass.className = hidden.className.data();
  windowClass.smallIcon = platform.LoadIconW(instance, kIdiSmall);
  // A failed registration shows itself as a failed creation.
  platform.RegisterClassExW(windowClass);

  hidden.window = platform.CreateWindowExW(0, hidden.className.data(), hidden.title.data(),
                                           kWsOverlappedWindow, kCwUseDefault, 0, kCwUseDefault, 0,
                                           WindowHandle::kNull, 0, instance, nullptr);
  if (hidden.window == WindowHandle::kNull) return std::nullopt;
  // Hidden whatever show command the program itself was started with.
  platform.ShowWindow(hidden.window, kSwHide);
  platform.UpdateWindow(hidden.window);
  // A missing table translates nothing.
  hidden.accelerators = platform.LoadAcceleratorsW(instance, kIdcGlowtide);
  return hidden;
}

std::intptr_t HiddenWindowProc(WindowingPlatform& platform, WindowHandle window,
                               std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  switch (message) {
    case kWmCommand: {
      const std::uintptr_t command = wParam & 0xFFFF;
      if (command == kIdmAbout) return 0;
      if (command == kIdmExit) {
        platform.DestroyWindow(window);
        return 0;
      }
      return platform.DefWindowProcW(window, message, wParam, lParam);
    }
    case kWmPaint:
      platform.BeginPaint(window);
      platform.EndPaint(window);
      return 0;
    case kWmClose: {
      const std::intptr_t listener = platform.GetWindowLongPtrW(window, kGwlpUserData);
      if (listener == 0) return platform.DefWindowProcW(window, message, wParam, lParam);
      reinterpret_cast<WindowListener*>(listener)->Close();
      return 0;
    }
    case kWmQueryEndSession:
      return 1;  // the session may end
    case kWmEndSession:
      // A false first parameter: the end was cancelled, and the wait goes on.
      if (wParam != 0) {
        const std::intptr_t listener = platform.GetWindowLongPtrW(window, kGwlpUserData);
        if (listener != 0) reinterpret_cast<WindowListener*>(listener)->EndSession();
      }
      return 0;
    case kWmPowerBroadcast:
    case kWmDisplayChange: {
      const std::intptr_t listener = platform.GetWindowLongPtrW(window, kGwlpUserData);
      if (listener != 0)
        reinterpret_cast<WindowListener*>(listener)->Notice(message, wParam, lParam);
      return message == kWmPowerBroadcast ? 1 : 0;
    }
    case kWmDestroy:
      platform.PostQuitMessage(0);
      return 0;
    default:
      return platform.DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace glowtide
