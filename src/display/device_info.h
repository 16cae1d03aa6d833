// The device-information requests, built as explicit little-endian byte layouts.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/little_endian.h"
#include "common/tries.h"
#include "platform/display_config.h"

namespace glowtide {

struct AdapterLuid {
  std::uint32_t lowPart = 0;
  std::int32_t highPart = 0;
};

// A display path's target (the monitor's end) or source (the adapter's picture): every
// device-information request is addressed to one of them by adapter and id.
struct DisplayTarget {
  AdapterLuid adapterId;
  std::uint32_t targetId = 0;
};
using DisplaySource = DisplayTarget;

inline bool SameTarget(const DisplayTarget& a, const DisplayTarget& b) {
  return a.adapterId.lowPart == b.adapterId.lowPart &&
         a.adapterId.highPart == b.adapterId.highPart && a.targetId == b.targetId;
}

// Whether the target is among the targets.
inline bool Contains(const std::vector<DisplayTarget>& targets, const DisplayTarget& target) {
  for (const DisplayTarget& t : targets) {
    if (SameTarget(t, target)) return true;
  }
  return false;
}

inline constexpr std::int32_t kGetSourceName = 1;
inline constexpr std::int32_t kGetTargetName = 2;
inline constexpr std::int32_t kGetAdvancedColorInfo = 9;
inline constexpr std::int32_t kSetAdvancedColorState = 10;
inline constexpr std::int32_t kGetSdrWhiteLevel = 11;
// The advanced-colour model of Windows 11 24H2 and later, which the platform headers here do not
// declare either: a read with the HDR and wide-colour bits and the active colour mode, and a set
// of the HDR state alone.
inline constexpr std::int32_t kGetAdvancedColorInfo2 = 15;
inline constexpr std::int32_t kSetHdrState = 16;
// The white-level set request, which the platform headers do not declare.
inline constexpr std::int32_t kSetSdrWhiteLevel = -18;

inline constexpr std::size_t kDeviceInfoHeaderSize = 20;
inline constexpr std::size_t kSourceNameSize = 84;
inline constexpr std::size_t kTargetNameSize = 420;
inline constexpr std::size_t kAdvancedColorInfoSize = 32;
inline constexpr std::size_t kAdvancedColorStateSize = 24;
inline constexpr std::size_t kSdrWhiteLevelReadSize = 24;
inline constexpr std::size_t kSdrWhiteLevelSetSize = 28;
inline constexpr std::size_t kAdvancedColorInfo2Size = 36;
inline constexpr std::size_t kHdrStateSize = 24;

inline constexpr std::int32_t kErrorNotSupported = 50;
inline constexpr std::int32_t kErrorInvalidParameter = 87;

// What a system answers to a request it does not know, or cannot carry out on this display: final.
inline bool Refused(std::int32_t result) {
  return result == kErrorNotSupported || result == kErrorInvalidParameter;
}

// Sends a read (get) or set request like a monitor request: again after any failure other than a
// refusal, which may pass, up to kTries times in all. The last result.
std::int32_t TriedGet(DisplayConfigPlatform& platform, Pause& pause, std::uint8_t* request);
std::int32_t TriedSet(DisplayConfigPlatform& platform, Pause& pause, std::uint8_t* request);

// A whole request, aligned as the platform structures it stands for.
template <std::size_t N>
struct DeviceInfoRequest {
  alignas(8) std::array<std::uint8_t, N> bytes{};
};

// type, size, adapter LUID (low part, then high part) and target id, at 0, 4, 8, 12 and 16.
void WriteDeviceInfoHeader(std::uint8_t* bytes, std::int32_t type, std::uint32_t size,
                           const DisplayTarget& target);

// Type 1, to the source: its GDI device name ("\\.\DISPLAY2"), 32 units at 20.
DeviceInfoRequest<kSourceNameSize> SourceNameRequest(const DisplaySource& source);
// Type 2, to the target: flags at 20 (bit 0: the friendly name comes from the EDID), output
// technology at 24, the friendly name (64 units) at 36; the rest is not read.
DeviceInfoRequest<kTargetNameSize> TargetNameRequest(const DisplayTarget& target);
DeviceInfoRequest<kAdvancedColorInfoSize> AdvancedColorInfoRequest(const DisplayTarget& target);
DeviceInfoRequest<kAdvancedColorStateSize> AdvancedColorStateRequest(const DisplayTarget& target,
                                                                     bool enable);
// Type 15: the value word at 20 (bit 4 HDR supported), colour encoding at 24, bits per channel at
// 28 and the active colour mode at 32 (0 SDR, 1 wide colour, 2 HDR), all sent as 0.
DeviceInfoRequest<kAdvancedColorInfo2Size> AdvancedColorInfo2Request(const DisplayTarget& target);
// Type 16: bit 0 of the word at 20 is 1 for HDR on; every other bit is 0.
DeviceInfoRequest<kHdrStateSize> HdrStateRequest(const DisplayTarget& target, bool enable);
DeviceInfoRequest<kSdrWhiteLevelReadSize> SdrWhiteLevelReadRequest(const DisplayTarget& target);
DeviceInfoRequest<kSdrWhiteLevelSetSize> SdrWhiteLevelSetRequest(const DisplayTarget& target,
                                                                 std::uint32_t level);

}  // namespace glowtide
