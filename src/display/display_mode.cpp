// Display modes: parsing, matching against the listed modes, the change and its read back.
#include "display/display_mode.h"

#include <algorithm>

#include "common/decimal.h"

namespace glowtide {
namespace {

constexpr std::uint32_t kBitsPerPixel = 32;

// The decimal number that the whole text is, in at most five digits; none for an empty text, a
// sign, or 0.
std::optional<std::uint32_t> Whole(std::u16string_view text) {
  if (text.size() > 5) return std::nullopt;
  const std::optional<std::uint64_t> number = ParseDecimal(text);
  if (!number || *number == 0) return std::nullopt;
  return static_cast<std::uint32_t>(*number);
}

bool SameSize(const DisplayMode& a, const DisplayMode& b) {
  return a.width == b.width && a.height == b.height;
}

std::uint32_t Distance(std::uint32_t a, std::uint32_t b) { return a > b ? a - b : b - a; }

// Whether a comes before b in a list of modes: the larger size first, then the higher rate.
bool Before(const DisplayMode& a, const DisplayMode& b) {
  const std::uint64_t areaA = std::uint64_t{a.width} * a.height;
  const std::uint64_t areaB = std::uint64_t{b.width} * b.height;
  if (areaA != areaB) return areaA > areaB;
  if (a.width != b.width) return a.width > b.width;
  return a.frequency > b.frequency;
}

}  // namespace

std::optional<ModeRequest> ParseMode(std::u16string_view value, bool desktopAllowed) {
  ModeRequest request;
  if (value == u"D" || value == u"d") {
    if (!desktopAllowed) return std::nullopt;
    request.desktop = true;
    return request;
  }
  const std::size_t at = value.find(u'@');
  if (at != std::u16string_view::npos) {
    const std::optional<std::uint32_t> rate = Whole(value.substr(at + 1));
    if (!rate) return std::nullopt;
    request.frequency = *rate;
    value = value.substr(0, at);
    if (value.empty()) return request;
  }
  const std::size_t x = value.find_first_of(u"xX");
  if (x == std::u16string_view::npos) return std::nullopt;
  const std::optional<std::uint32_t> width = Whole(value.substr(0, x));
  const std::optional<std::uint32_t> height = Whole(value.substr(x + 1));
  if (!width || !height) return std::nullopt;
  request.width = *width;
  request.height = *height;
  return request;
}

std::u16string GdiDeviceName(std::u16string_view device) {
  return u"\\\\.\\" + std::u16string(device);
}

std::vector<DisplayMode> ListModes(DisplayConfigPlatform& platform, std::u16string_view device) {
  const std::u16string name = GdiDeviceName(device);
  std::vector<DisplayMode> modes;
  DisplayMode mode;
  for (std::uint32_t i = 0; platform.EnumDisplaySettingsExW(name.c_str(), i, &mode); ++i) {
    if (mode.bitsPerPixel != kBitsPerPixel) continue;
    mode.fields = 0;
    if (std::any_of(modes.begin(), modes.end(),
                    [&](const DisplayMode& listed) { return SameMode(listed, mode); })) {
      continue;
    }
    modes.insert(std::find_if(modes.begin(), modes.end(),
                              [&](const DisplayMode& listed) { return Before(mode, listed); }),
                 mode);
  }
  return modes;
}

std::optional<DisplayMode> ResolveMode(const ModeRequest& request, const DisplayMode& current,
                                       const std::vector<DisplayMode>& modes) {
  if (request.desktop) return std::nullopt;
  DisplayMode size = current;
  if (request.width != 0) {
    size.width = request.width;
    size.height = request.height;
  }
  std::optional<DisplayMode> best;
  if (request.frequency == 0) {
    // The current rate when the size lists it, else the highest it lists.
    for (const DisplayMode& mode : modes) {
      if (SameSize(mode, size) && mode.frequency == current.frequency) return mode;
      if (SameSize(mode, size) && (!best || mode.frequency > best->frequency)) best = mode;
    }
    return best;
  }
  for (const DisplayMode& mode : modes) {
    // A rate within 1 Hz stands for one that the driver lists rounded (59 for 60, 143 for 144).
    const std::uint32_t distance = Distance(mode.frequency, request.frequency);
    if (!SameSize(mode, size) || distance > 1) continue;
    const std::uint32_t bestDistance = best ? Distance(best->frequency, request.frequency) : 2;
    if (distance < bestDistance || (distance == bestDistance && mode.frequency > best->frequency))
      best = mode;
  }
  return best;
}

std::u16string ModeListLines(const std::vector<DisplayMode>& modes) {
  std::u16string lines;
  for (std::size_t i = 0; i < modes.size(); ++i) {
    const bool first = i == 0 || !SameSize(modes[i - 1], modes[i]);
    const bool last = i + 1 == modes.size() || !SameSize(modes[i + 1], modes[i]);
    if (first) lines += Decimal(modes[i].width) + u" x " + Decimal(modes[i].height) + u" : ";
    lines += Decimal(modes[i].frequency) + (last ? u" Hz\n" : u", ");
  }
  return lines;
}

std::optional<DisplayMode> CurrentMode(DisplayConfigPlatform& platform,
                                       std::u16string_view device) {
  DisplayMode current;
  if (!platform.EnumDisplaySettingsExW(GdiDeviceName(device).c_str(), kEnumCurrentSettings,
                                       &current))
    return std::nullopt;
  return current;
}

bool SameMode(const DisplayMode& a, const DisplayMode& b) {
  return SameSize(a, b) && a.frequency == b.frequency;
}

bool Shows(const DisplayMode& now, const ModeRequest& set) {
  return now.width == set.width && now.height == set.height &&
         (set.frequency == 0 || now.frequency == set.frequency);
}

std::optional<DisplayMode> DesktopMode(DisplayConfigPlatform& platform,
                                       std::u16string_view device) {
  const std::u16string name = GdiDeviceName(device);
  DisplayMode saved;
  if (!platform.EnumDisplaySettingsExW(name.c_str(), kEnumRegistrySettings, &saved) ||
      saved.width == 0 || saved.height == 0) {
    return std::nullopt;
  }
  if (saved.frequency > 1) return saved;
  const std::optional<DisplayMode> current = CurrentMode(platform, device);
  if (!current) return std::nullopt;
  return ResolveMode({false, saved.width, saved.height, 0}, *current, ListModes(platform, device));
}

std::optional<DisplayMode> SetDisplayMode(DisplayConfigPlatform& platform,
                                          std::u16string_view device, const ModeRequest& request) {
  const std::optional<DisplayMode> current = CurrentMode(platform, device);
  if (!current) return std::nullopt;
  std::optional<DisplayMode> wanted =
      request.desktop ? DesktopMode(platform, device)
                      : ResolveMode(request, *current, ListModes(platform, device));
  if (!wanted) return std::nullopt;
  wanted->bitsPerPixel = kBitsPerPixel;
  // A display already in the mode gets no change, and so no black flash.
  if (SameMode(*wanted, *current) && current->bitsPerPixel == kBitsPerPixel) return current;
  wanted->fields = kDmPelsWidth | kDmPelsHeight | kDmDisplayFrequency | kDmBitsPerPel;
  // For this session only: a restart brings back the mode the user saved. A change that needs a
  // restart (DISP_CHANGE_RESTART) is not in place either.
  if (platform.ChangeDisplaySettingsExW(GdiDeviceName(device).c_str(), *wanted, 0) !=
      kDispChangeSuccessful)
    return std::nullopt;
  const std::optional<DisplayMode> now = CurrentMode(platform, device);
  if (!now || !SameMode(*now, *wanted) || now->bitsPerPixel != kBitsPerPixel) return std::nullopt;
  return now;
}

}  // namespace glowtide
