// The active displays of the current display configuration, from the one query of a run, and the
// choice among them that -D: makes.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "display/device_info.h"
#include "platform/display_config.h"
#include "platform/monitor_config.h"

namespace glowtide {

// One active display path, in the query's order (display 1 is the first path).
struct Display {
  std::uint32_t number = 0;
  DisplayTarget target;
  DisplaySource source;
  std::u16string device;  // the source's GDI device name without "\\.\": "DISPLAY2"
  // The EDID's friendly name, else "Built-in display" for a built-in panel, else "Unnamed display".
  std::u16string name;
  // What lasts across restarts, sleep and driver updates: the monitor's make and model and its
  // connection, from its device path ("GSM5B7F-UID4353"); empty when there is no such path.
  std::u16string id;
  bool builtIn = false;                          // internal, embedded DisplayPort or embedded UDI
  MonitorHandle monitor = MonitorHandle::kNull;  // none when no monitor has the device's name
  bool primary = false;
};

// The arrays of the one display query of a run, held to its end, and the displays read from them.
// The members are declared so that the path array is released before the mode array.
struct DisplayQuery {
  std::unique_ptr<std::uint64_t[]> modes;
  std::unique_ptr<std::uint64_t[]> paths;
  std::vector<Display> displays;
};

// Queries the current display configuration once (asking again, up to 3 times in all, when it
// changed between the size and the query) and reads every path's target, source, device, name
// and monitor. False when the query fails, returns no path, or its arrays cannot be allocated.
bool QueryDisplays(DisplayConfigPlatform& display, MonitorConfigPlatform& monitors,
                   DisplayQuery* query);

// A monitor device path's lasting part: "\\?\DISPLAY#GSM5B7F#5&2a1c3e0&0&UID4353#{...}" gives
// "GSM5B7F-UID4353" (its second field, and the last "&" part of its third, the connection; the
// parts before it count driver installs). Empty for a path with fewer fields.
std::u16string DisplayId(std::u16string_view devicePath);

// The display monitor whose GDI device name is "\\.\" followed by device; none when it is gone.
MonitorHandle FindMonitor(MonitorConfigPlatform& platform, std::u16string_view device);

// The display of the list that is the one wanted, from an earlier query: the one with its id, or,
// when it has none, with its adapter and target (which a reconnect can change). None when gone.
std::optional<std::size_t> FindDisplay(const std::vector<Display>& displays, const Display& wanted);

// What -D: chose: indexes into the display list, or the error box's text.
struct DisplayChoice {
  std::vector<std::size_t> chosen;
  std::u16string error;
};

// Digits choose the display with that number, "*" every display, any other text the displays
// whose name, device or id equals it (ASCII case ignored) or, when none does, contains it.
DisplayChoice ChooseDisplays(const std::vector<Display>& displays, std::u16string_view value);

// "n : <name> (<device>)" for each display, ", primary" after the primary's device, then a blank
// and the id when it has one, each line ending in a line feed.
std::u16string DisplayListLines(const std::vector<Display>& displays);

}  // namespace glowtide
