// The real platform: every seam call forwarded to Win32.
#pragma once

#include "platform/platform.h"

namespace glowtide {

class Win32Platform final : public Platform {
 public:
  char16_t** CommandLineToArgvW(const char16_t* commandLine, int* count) override;
  void LocalFree(void* memory) override;

  int MessageBoxW(WindowHandle owner, const char16_t* text, const char16_t* caption,
                  std::uint32_t type) override;
};

}  // namespace glowtide
