// Where the JSON report goes: the standard output, or a file that is created or replaced.
#pragma once

#include <string>

#include "platform/platform.h"

namespace glowtide {

class JsonOutput {
 public:
  // An empty path is the standard output.
  JsonOutput(Platform& platform, std::u16string path)
      : platform_(platform), path_(std::move(path)) {}
  // The refusal's text when there is nowhere to write: a GUI program started from a prompt or a
  // shortcut has no standard output. Empty when there is.
  std::u16string Check();
  // Writes the document; the error's text when it cannot, empty when it is written whole.
  std::u16string Write(const std::string& document);

 private:
  Platform& platform_;
  std::u16string path_;
};

}  // namespace glowtide
