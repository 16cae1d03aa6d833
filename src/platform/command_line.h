// The platform's command-line splitting: CommandLineToArgvW and the LocalFree that releases its
// array.
#pragma once

namespace glowtide {

class CommandLinePlatform {
 public:
  CommandLinePlatform() = default;
  CommandLinePlatform(const CommandLinePlatform&) = delete;
  CommandLinePlatform& operator=(const CommandLinePlatform&) = delete;
  virtual ~CommandLinePlatform() = default;

  // Splits a command line into one block of NUL-terminated texts; null when the platform refuses.
  virtual char16_t** CommandLineToArgvW(const char16_t* commandLine, int* count) = 0;
  virtual void LocalFree(void* memory) = 0;
};

}  // namespace glowtide
