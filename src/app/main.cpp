// The entry point: the real platform, the run, its exit code.
#include <windows.h>

#include "app/run.h"
#include "platform/win32/win32_platform.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR arguments, int) {
  glowtide::Win32Platform platform;
  return glowtide::Run(
      platform, reinterpret_cast<const char16_t*>(arguments),
      static_cast<glowtide::InstanceHandle>(reinterpret_cast<std::uintptr_t>(instance)));
}
