// The owner of a kernel handle (a process, a thread, a file, an event), closed through the seam.
#pragma once

#include "platform/process.h"
#include "platform/unique_value.h"

namespace glowtide {

struct CloseKernelHandle {
  ProcessPlatform* platform = nullptr;
  void operator()(Handle handle) const { platform->CloseHandle(handle); }
};
using UniqueHandle = UniqueValue<Handle, CloseKernelHandle, Handle::kNull>;

}  // namespace glowtide
