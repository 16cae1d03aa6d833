// Opaque handle values that cross the platform seam; only the Win32 implementation knows what they
// point at.
#pragma once

#include <cstdint>

namespace glowtide {

enum class Handle : std::uintptr_t { kNull = 0 };          // kernel objects and physical monitors
enum class WindowHandle : std::uintptr_t { kNull = 0 };    // HWND
enum class MonitorHandle : std::uintptr_t { kNull = 0 };   // HMONITOR
enum class InstanceHandle : std::uintptr_t { kNull = 0 };  // HINSTANCE of the program
enum class IconHandle : std::uintptr_t { kNull = 0 };      // HICON
enum class CursorHandle : std::uintptr_t { kNull = 0 };    // HCURSOR
enum class AcceleratorHandle : std::uintptr_t { kNull = 0 };  // HACCEL

}  // namespace glowtide
