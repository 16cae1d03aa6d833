// The platform's process and synchronisation calls.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace glowtide {

class ProcessPlatform {
 public:
  ProcessPlatform() = default;
  ProcessPlatform(const ProcessPlatform&) = delete;
  ProcessPlatform& operator=(const ProcessPlatform&) = delete;
  virtual ~ProcessPlatform() = default;

  virtual void Sleep(std::uint32_t milliseconds) = 0;
};

}  // namespace glowtide
