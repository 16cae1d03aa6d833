// The SDR white level phase over the read and set requests.
#include "display/sdr_white_level.h"

namespace glowtide {

SdrWhiteLevel ReadSdrWhiteLevel(DisplayConfigPlatform& platform, Pause& pause,
                                const DisplayTarget& target) {
  auto request = SdrWhiteLevelReadRequest(target);
  if (TriedGet(platform, pause, request.bytes.data()) != kErrorSuccess) return {};
  return {true, ReadLittleEndian32(request.bytes.data() + 20)};
}

bool SetSdrWhiteLevel(DisplayConfigPlatform& platform, Pause& pause, const DisplayTarget& target,
                      std::uint32_t level) {
  auto request = SdrWhiteLevelSetRequest(target, level);
  if (TriedSet(platform, pause, request.bytes.data()) != kErrorSuccess) return false;
  const SdrWhiteLevel now = ReadSdrWhiteLevel(platform, pause, target);
  return now.ok && now.level == level;
}

std::int32_t ChooseSwitchWhiteLevel(std::uint32_t current, std::int32_t high, std::int32_t low) {
  const std::int64_t toHigh = static_cast<std::int64_t>(high) - current;
  const std::int64_t toLow = static_cast<std::int64_t>(low) - current;
  const std::int64_t distanceHigh = toHigh < 0 ? -toHigh : toHigh;
  const std::int64_t distanceLow = toLow < 0 ? -toLow : toLow;
  return distanceHigh > distanceLow ? high : low;
}

std::uint32_t WhiteLevelNits(std::uint32_t level) {
  // In 64 bits, so that a large level gives its true figure rather than a wrapped one.
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(level) * 80 / 1000);
}

}  // namespace glowtide
