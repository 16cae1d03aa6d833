// The HDR phase over the two advanced-colour models of the platform.
#include "display/hdr_state.h"

namespace glowtide {
namespace {

constexpr std::uint32_t kActiveColorModeHdr = 2;

}  // namespace

HdrState ReadHdrState(DisplayConfigPlatform& platform, Pause& pause, const DisplayTarget& target,
                      HdrModel* model) {
  HdrState state;
  if (*model != HdrModel::kOlder) {
    // Under Auto Color Management the older read calls an SDR picture "advanced colour enabled",
    // so a system that answers the newer read is asked that one.
    auto current = AdvancedColorInfo2Request(target);
    const std::int32_t result = TriedGet(platform, pause, current.bytes.data());
    if (result == kErrorSuccess) {
      *model = HdrModel::kCurrent;
      const std::uint32_t value = ReadLittleEndian32(current.bytes.data() + 20);
      state.ok = true;
      state.supported = (value & 0x10) != 0;
      state.enabled = ReadLittleEndian32(current.bytes.data() + 32) == kActiveColorModeHdr;
      return state;
    }
    // A system that answered the newer read before is not taken for an older one now, nor is one
    // whose read failed for a passing reason.
    if (*model == HdrModel::kCurrent || !Refused(result)) return state;
    *model = HdrModel::kOlder;
  }
  auto older = AdvancedColorInfoRequest(target);
  if (TriedGet(platform, pause, older.bytes.data()) != kErrorSuccess) return state;
  const std::uint32_t value = ReadLittleEndian32(older.bytes.data() + 20);
  state.ok = true;
  state.supported = (value & 0x1) != 0;
  state.enabled = (value & 0x2) != 0;
  return state;
}

bool SetHdrState(DisplayConfigPlatform& platform, Pause& pause, const DisplayTarget& target,
                 bool enable, HdrModel* model) {
  // Which requests the system speaks is found by asking it: with no read made yet, the newer one.
  // Only a system that refuses it gets the older set, which under Auto Color Management does not
  // mean "HDR on"; a current system that refuses the newer set has simply not made the change.
  if (*model == HdrModel::kUnknown) {
    auto probe = AdvancedColorInfo2Request(target);
    const std::int32_t result = TriedGet(platform, pause, probe.bytes.data());
    if (result == kErrorSuccess) *model = HdrModel::kCurrent;
    if (Refused(result)) *model = HdrModel::kOlder;
    if (*model == HdrModel::kUnknown) return false;
  }
  auto request = *model == HdrModel::kCurrent ? HdrStateRequest(target, enable)
                                              : AdvancedColorStateRequest(target, enable);
  if (TriedSet(platform, pause, request.bytes.data()) != kErrorSuccess) return false;
  // The change is in place when the state read back through the same model shows it.
  const HdrState state = ReadHdrState(platform, pause, target, model);
  return state.ok && state.enabled == enable;
}

}  // namespace glowtide
