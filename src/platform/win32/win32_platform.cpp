// Win32 marshalling for the seam: casts and struct fills only, every decision lives above it.
#include "platform/win32/win32_platform.h"

#include <windows.h>
// shellapi.h needs the types of windows.h first.
#include <shellapi.h>

namespace glowtide {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows text is UTF-16");

const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
HWND Native(WindowHandle window) { return reinterpret_cast<HWND>(window); }

}  // namespace

char16_t** Win32Platform::CommandLineToArgvW(const char16_t* commandLine, int* count) {
  return reinterpret_cast<char16_t**>(::CommandLineToArgvW(Wide(commandLine), count));
}

void Win32Platform::LocalFree(void* memory) { ::LocalFree(memory); }

int Win32Platform::MessageBoxW(WindowHandle owner, const char16_t* text, const char16_t* caption,
                               std::uint32_t type) {
  return ::MessageBoxW(Native(owner), Wide(text), Wide(caption), type);
}

}  // namespace glowtide
