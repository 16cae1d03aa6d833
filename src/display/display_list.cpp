// The display query, the names and monitors of its paths, and the choice that -D: makes.
#include "display/display_list.h"

#include <new>

#include "common/ascii_case.h"
#include "common/decimal.h"
#include "common/field_text.h"

namespace glowtide {
namespace {

// Within a 72-byte path element: sourceInfo.adapterId at 0, sourceInfo.id at 8,
// targetInfo.adapterId at 20, targetInfo.id at 28.
constexpr std::size_t kSourceOffset = 0;
constexpr std::size_t kTargetOffset = 20;
constexpr std::int32_t kErrorInsufficientBuffer = 122;
constexpr int kQueryTries = 3;
constexpr std::uint32_t kFriendlyNameFromEdid = 0x1;
constexpr std::uint32_t kOutputInternal = 0x80000000;
constexpr std::uint32_t kOutputDisplayPortEmbedded = 11;
constexpr std::uint32_t kOutputUdiEmbedded = 13;
constexpr std::u16string_view kDevicePrefix = u"\\\\.\\";

// An array of count elements of elementSize bytes, 8-byte aligned; null when it cannot be had.
std::unique_ptr<std::uint64_t[]> AllocateElements(std::uint32_t count, std::size_t elementSize) {
  const std::uint64_t words = (static_cast<std::uint64_t>(count) * elementSize + 7) / 8;
  // At least one word, so that an empty array is still a valid pointer.
  return std::unique_ptr<std::uint64_t[]>(new (std::nothrow) std::uint64_t[words == 0 ? 1 : words]);
}

// An adapter LUID (low part, then high part) followed 8 bytes on by an id.
DisplayTarget ReadAddress(const std::uint8_t* bytes) {
  return {{ReadLittleEndian32(bytes), static_cast<std::int32_t>(ReadLittleEndian32(bytes + 4))},
          ReadLittleEndian32(bytes + 8)};
}

// UTF-16 text of at most units, little-endian, up to its first NUL.
std::u16string ReadText(const std::uint8_t* bytes, std::size_t units) {
  std::u16string text;
  for (std::size_t i = 0; i < units; ++i) {
    const auto unit = static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    if (unit == u'\0') break;
    text += unit;
  }
  return text;
}

std::u16string_view WithoutDevicePrefix(std::u16string_view device) {
  if (device.substr(0, kDevicePrefix.size()) == kDevicePrefix)
    device.remove_prefix(kDevicePrefix.size());
  return device;
}

void ReadNames(DisplayConfigPlatform& platform, Display* display) {
  auto source = SourceNameRequest(display->source);
  if (platform.DisplayConfigGetDeviceInfo(source.bytes.data()) == kErrorSuccess) {
    display->device = WithoutDevicePrefix(ReadText(source.bytes.data() + 20, 32));
  }
  auto target = TargetNameRequest(display->target);
  if (platform.DisplayConfigGetDeviceInfo(target.bytes.data()) == kErrorSuccess) {
    const std::uint32_t technology = ReadLittleEndian32(target.bytes.data() + 24);
    display->builtIn = technology == kOutputInternal || technology == kOutputDisplayPortEmbedded ||
                       technology == kOutputUdiEmbedded;
    if ((ReadLittleEndian32(target.bytes.data() + 20) & kFriendlyNameFromEdid) != 0) {
      display->name = ReadText(target.bytes.data() + 36, 64);
    }
    display->id = DisplayId(ReadText(target.bytes.data() + 164, 128));
  }
  if (display->name.empty())
    display->name = display->builtIn ? u"Built-in display" : u"Unnamed display";
}

// Calls found(monitor, device without "\\.\", flags) for every display monitor.
template <typename Found>
void ForEachMonitor(MonitorConfigPlatform& platform, Found found) {
  std::vector<MonitorHandle> monitors;
  if (!platform.EnumDisplayMonitors(&monitors)) return;
  for (const MonitorHandle monitor : monitors) {
    MonitorInfo info;
    if (!platform.GetMonitorInfoW(monitor, &info)) continue;
    found(monitor, WithoutDevicePrefix(FieldText(info.device, 32)), info.flags);
  }
}

}  // namespace

bool QueryDisplays(DisplayConfigPlatform& platform, MonitorConfigPlatform& monitors,
                   DisplayQuery* query) {
  std::uint32_t pathCount = 0;
  std::uint32_t modeCount = 0;
  std::int32_t result = kErrorInsufficientBuffer;
  // A display plugged, woken or switched between the two calls makes the arrays too small: the
  // sizes are asked for again.
  for (int tries = 0; tries < kQueryTries && result == kErrorInsufficientBuffer; ++tries) {
    // On failure the counts stay 0 and the query itself decides.
    pathCount = modeCount = 0;
    platform.GetDisplayConfigBufferSizes(kQdcAllPaths, &pathCount, &modeCount);
    query->paths = AllocateElements(pathCount, kPathInfoSize);
    query->modes = AllocateElements(modeCount, kModeInfoSize);
    if (!query->paths || !query->modes) return false;
    std::uint32_t topologyId = 0;  // written by the query for the current database, never read
    result = platform.QueryDisplayConfig(
        kQdcDatabaseCurrent, &pathCount, reinterpret_cast<std::uint8_t*>(query->paths.get()),
        &modeCount, reinterpret_cast<std::uint8_t*>(query->modes.get()), &topologyId);
  }
  // A query that succeeds with no path leaves no display to act on.
  if (result != kErrorSuccess || pathCount == 0) return false;

  const auto* paths = reinterpret_cast<const std::uint8_t*>(query->paths.get());
  for (std::uint32_t i = 0; i < pathCount; ++i) {
    Display display;
    display.number = i + 1;
    display.source = ReadAddress(paths + i * kPathInfoSize + kSourceOffset);
    display.target = ReadAddress(paths + i * kPathInfoSize + kTargetOffset);
    ReadNames(platform, &display);
    query->displays.push_back(display);
  }
  ForEachMonitor(monitors,
                 [&](MonitorHandle monitor, std::u16string_view device, std::uint32_t flags) {
                   for (Display& display : query->displays) {
                     if (display.device.empty() || display.device != device) continue;
                     display.monitor = monitor;
                     display.primary = (flags & kMonitorInfoPrimary) != 0;
                   }
                 });
  return true;
}

std::u16string DisplayId(std::u16string_view devicePath) {
  // The fields after the first and the second '#': the model and the instance.
  std::u16string_view fields[2];
  for (std::u16string_view& field : fields) {
    const std::size_t hash = devicePath.find(u'#');
    if (hash == std::u16string_view::npos) return {};
    devicePath.remove_prefix(hash + 1);
    field = devicePath.substr(0, devicePath.find(u'#'));
  }
  const std::u16string_view model = fields[0];
  std::u16string_view instance = fields[1];
  instance.remove_prefix(instance.find_last_of(u'&') + 1);
  if (model.empty() || instance.empty()) return {};
  return std::u16string(model) + u"-" + std::u16string(instance);
}

MonitorHandle FindMonitor(MonitorConfigPlatform& platform, std::u16string_view device) {
  MonitorHandle found = MonitorHandle::kNull;
  ForEachMonitor(platform, [&](MonitorHandle monitor, std::u16string_view name, std::uint32_t) {
    if (!device.empty() && name == device) found = monitor;
  });
  return found;
}

std::optional<std::size_t> FindDisplay(const std::vector<Display>& displays,
                                       const Display& wanted) {
  for (std::size_t i = 0; i < displays.size(); ++i) {
    if (wanted.id.empty() ? SameTarget(displays[i].target, wanted.target)
                          : displays[i].id == wanted.id)
      return i;
  }
  return std::nullopt;
}

DisplayChoice ChooseDisplays(const std::vector<Display>& displays, std::u16string_view value) {
  DisplayChoice choice;
  bool digits = !value.empty();
  std::uint64_t number = 0;
  for (const char16_t unit : value) {
    digits = digits && unit >= u'0' && unit <= u'9';
    if (digits && number <= displays.size()) number = number * 10 + (unit - u'0');
  }
  const bool text = !digits && value != u"*";
  for (std::size_t i = 0; i < displays.size(); ++i) {
    const bool chosen = text ? EqualIgnoringAsciiCase(displays[i].name, value) ||
                                   EqualIgnoringAsciiCase(displays[i].device, value) ||
                                   EqualIgnoringAsciiCase(displays[i].id, value)
                             : !digits || displays[i].number == number;
    if (chosen) choice.chosen.push_back(i);
  }
  // No display has that name or device: one that contains it will do.
  const bool anyEqual = !choice.chosen.empty();
  for (std::size_t i = 0; text && !anyEqual && i < displays.size(); ++i) {
    if (ContainsIgnoringAsciiCase(displays[i].name, value) ||
        ContainsIgnoringAsciiCase(displays[i].device, value) ||
        ContainsIgnoringAsciiCase(displays[i].id, value)) {
      choice.chosen.push_back(i);
    }
  }
  if (!choice.chosen.empty() && (!text || choice.chosen.size() == 1)) return choice;
  choice.error = u"-D:" + std::u16string(value) + u" : ";
  choice.error += choice.chosen.empty() ? u"no such display"
                                        : Decimal(choice.chosen.size()) + u" displays match";
  choice.error += u"\n\n" + DisplayListLines(displays);
  choice.chosen.clear();
  return choice;
}

std::u16string DisplayListLines(const std::vector<Display>& displays) {
  std::u16string lines;
  for (const Display& display : displays) {
    lines += Decimal(display.number) + u" : " + display.name + u" (" + display.device +
             (display.primary ? u", primary)" : u")") +
             (display.id.empty() ? u"" : u" " + display.id) + u"\n";
  }
  return lines;
}

}  // namespace glowtide
