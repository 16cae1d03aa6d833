// A recording fake of the platform: succeeds by default, can be scripted call by call, and
// records every call in order. It asserts nothing; the tests do.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace glowtide::testing {

std::string Utf8(std::u16string_view text);

struct RecordedBox {
  WindowHandle owner;
  std::u16string text;
  std::u16string caption;
  std::uint32_t type;
};

class FakePlatform : public Platform {
 public:
  // --- scripted results ---
  // What CommandLineToArgvW yields; nullopt makes it return no array.
  std::optional<std::vector<std::u16string>> argv =
      std::vector<std::u16string>{u"C:\\Glowtide.exe"};

  // --- what was seen ---
  std::vector<std::string> calls;  // one entry per call, in order
  std::u16string commandLineSplit;
  std::vector<RecordedBox> boxes;

  char16_t** CommandLineToArgvW(const char16_t* commandLine, int* count) override;
  void LocalFree(void* memory) override;
  int MessageBoxW(WindowHandle owner, const char16_t* text, const char16_t* caption,
                  std::uint32_t type) override;

 private:
  std::vector<std::u16string> argvStorage_;
  std::vector<char16_t*> argvPointers_;
};

}  // namespace glowtide::testing
