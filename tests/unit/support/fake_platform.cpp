// The recording fake's call bodies.
#include "support/fake_platform.h"

namespace glowtide::testing {

std::string Utf8(std::u16string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

char16_t** FakePlatform::CommandLineToArgvW(const char16_t* commandLine, int* count) {
  calls.push_back("CommandLineToArgvW");
  commandLineSplit = commandLine;
  if (!argv) return nullptr;
  argvStorage_ = *argv;
  argvPointers_.clear();
  for (std::u16string& item : argvStorage_) argvPointers_.push_back(item.data());
  *count = static_cast<int>(argvPointers_.size());
  return argvPointers_.data();
}

void FakePlatform::LocalFree(void* memory) {
  calls.push_back(memory == argvPointers_.data() ? "LocalFree(argv)" : "LocalFree(other)");
  // Poison the texts so that a pointer kept into the array shows up as a wrong value.
  for (std::u16string& item : argvStorage_) item.assign(item.size(), u'#');
}

int FakePlatform::MessageBoxW(WindowHandle owner, const char16_t* text, const char16_t* caption,
                              std::uint32_t type) {
  calls.push_back("MessageBoxW(" + Utf8(caption) + ")");
  boxes.push_back({owner, text, caption, type});
  return 1;
}

}  // namespace glowtide::testing
