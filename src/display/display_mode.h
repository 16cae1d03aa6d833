// The display mode (resolution and refresh rate) of a display's GDI device: -M:, -MQ:, the
// desktop mode and the report's section.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/display_config.h"

namespace glowtide {

// A mode as written: "WIDTHxHEIGHT@HZ", "WIDTHxHEIGHT" or "@HZ" ("x" or "X"); a 0 keeps the size
// or chooses the rate. "D" (for -MQ:) asks for the desktop mode that Windows has saved.
struct ModeRequest {
  bool desktop = false;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t frequency = 0;
};

// None when the value is none of those forms.
std::optional<ModeRequest> ParseMode(std::u16string_view value, bool desktopAllowed);

// "\\.\" and the device: the name EnumDisplaySettingsExW and ChangeDisplaySettingsExW take.
std::u16string GdiDeviceName(std::u16string_view device);

// The modes the device lists at 32 bits per pixel, each size and rate once, the largest size
// first and each size's rates highest first.
std::vector<DisplayMode> ListModes(DisplayConfigPlatform& platform, std::u16string_view device);

// The listed mode the request stands for, given the current mode: its size, or the current one;
// its rate exactly, or else the listed rate within 1 Hz closest to it (the higher on a tie);
// without a rate the current one when the size lists it, else the highest listed for the size.
// None when the size or the rate is not listed. The desktop request resolves to nothing here.
std::optional<DisplayMode> ResolveMode(const ModeRequest& request, const DisplayMode& current,
                                       const std::vector<DisplayMode>& modes);

// One line per size of a list in ListModes' order: "2560 x 1440 : 165, 144 Hz".
std::u16string ModeListLines(const std::vector<DisplayMode>& modes);

// The desktop mode, the one Windows has saved for the device: a saved rate of 0 or 1 (the
// display's default) stands for the size's rate as for "WIDTHxHEIGHT". None when it cannot be
// read or has no size.
std::optional<DisplayMode> DesktopMode(DisplayConfigPlatform& platform, std::u16string_view device);

// The mode the device shows now; none when it cannot be read, which each caller decides on.
std::optional<DisplayMode> CurrentMode(DisplayConfigPlatform& platform, std::u16string_view device);

// Two modes are the same when their sizes and rates are.
bool SameMode(const DisplayMode& a, const DisplayMode& b);

// Whether a display in mode now shows the mode set: its size, and its rate when one was named.
bool Shows(const DisplayMode& now, const ModeRequest& set);

// The mode as a request for that very mode.
inline ModeRequest RequestFor(const DisplayMode& mode) {
  return {false, mode.width, mode.height, mode.frequency};
}

// Sets the device to the request's mode (the desktop mode: the one saved in the registry), for
// this session only, unless it is in it already; then reads the mode back. The mode the device is
// in when that is the one asked for (as resolved against the list), and none when it is not.
std::optional<DisplayMode> SetDisplayMode(DisplayConfigPlatform& platform,
                                          std::u16string_view device, const ModeRequest& request);

}  // namespace glowtide
