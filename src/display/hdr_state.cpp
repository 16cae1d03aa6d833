// The HDR phase over the two advanced-colour models of the platform.
#include "display/hdr_state.h"

namespace glowtide {
namespace {

constexpr std::uint32_t kActiveColorModeHdr = 2;

}  // namespace

HdrState ReadHdrState(DisplayConfigPlatform& platform, const DisplayTarget& target,
                      HdrModel* model) {
  HdrState state;
  if (*model != HdrModel::kOlder) {
    // Under Auto Color Management the older read calls an SDR picture "advanced colour enabled",
    // so a system that answers the newer read is asked that one.
    auto current = AdvancedColorInfo2Request(target);
    if (platform.DisplayConfigGetDeviceInfo(current.bytes.data()) == kErrorSuccess) {
      *model = HdrModel::kCurrent;
      const std::uint32_t value = ReadLittleEndian32(current.bytes.data() + 20);
      state.ok = true;
      state.supported = (value & 0x10) != 0;
      state.enabled = ReadLittleEndian32(current.bytes.data() + 32) == kActiveColorModeHdr;
      return state;
    }
    // A system that answered the newer read before is not taken for an older one now.
    if (*model == HdrModel::kCurrent) return state;
    *model = HdrModel::kOlder;
  }
  auto older = AdvancedColorInfoRequest(target);
  if (platform.DisplayConfigGetDeviceInfo(older.bytes.data()) != kErrorSuccess) return state;
  const std::uint32_t value = ReadLittleEndian32(older.bytes.data() + 20);
  state.ok = true;
  state.supported = (value & 0x1) != 0;
  state.enabled = (value & 0x2) != 0;
  return state;
}

bool SetHdrState(DisplayConfigPlatform& platform, const DisplayTarget& target, bool enable,
                 HdrModel* model) {
  // Which requests the system speaks is found by asking it: with no read made yet, the newer one.
  // Only a system that refuses it gets the older set, which under Auto Color Management does not
  // mean "HDR on"; a current system that refuses the newer set has simply not made the change.
  if (*model == HdrModel::kUnknown) {
    auto probe = AdvancedColorInfo2Request(target);
    *model = platform.DisplayConfigGetDeviceInfo(probe.bytes.data()) == kErrorSuccess
                 ? HdrModel::kCurrent
                 : HdrModel::kOlder;
  }
  auto request = *model == HdrModel::kCurrent ? HdrStateRequest(target, enable)
                                              : AdvancedColorStateRequest(target, enable);
  if (platform.DisplayConfigSetDeviceInfo(request.bytes.data()) != kErrorSuccess) return false;
  // The change is in place when the state read back through the same model shows it.
  const HdrState state = ReadHdrState(platform, target, model);
  return state.ok && state.enabled == enable;
}

bool RunHdrPhase(DisplayConfigPlatform& platform, const LaunchSettings& settings,
                 const DisplayTarget& target, HdrModel* model, ReportText& report) {
  bool enable = settings.hdrNewState;
  if (settings.showReport || settings.switchHdr) {
    const HdrState state = ReadHdrState(platform, target, model);
    if (state.ok && settings.showReport) {
      AppendReportSection(report, u"<HDR Status>\nHDR support status : %s\nHDR : %s\n\n",
                          {state.supported ? u"Supported" : u"Not supported",
                           state.enabled ? u"Enable" : u"Disable"});
    }
    // Only the enabled state decides the switch; a failed read leaves the state to request as it
    // was.
    if (state.ok && settings.switchHdr && !state.enabled) enable = true;
  }
  if (!settings.switchHdr && !settings.enableHdr && !settings.disableHdr) return true;
  return SetHdrState(platform, target, enable, model);
}

}  // namespace glowtide
