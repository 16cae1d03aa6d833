// The HDR phase over the advanced-colour read and set requests.
#include "display/hdr_state.h"

namespace glowtide {

HdrState ReadHdrState(DisplayConfigPlatform& platform, const DisplayTarget& target) {
  auto request = AdvancedColorInfoRequest(target);
  HdrState state;
  if (platform.DisplayConfigGetDeviceInfo(request.bytes.data()) != kErrorSuccess) return state;
  const std::uint32_t value = ReadLittleEndian32(request.bytes.data() + 20);
  state.ok = true;
  state.supported = (value & 0x1) != 0;
  state.enabled = (value & 0x2) != 0;
  return state;
}

void SetHdrState(DisplayConfigPlatform& platform, const DisplayTarget& target, bool enable) {
  auto request = AdvancedColorStateRequest(target, enable);
  platform.DisplayConfigSetDeviceInfo(request.bytes.data());
}

void RunHdrPhase(DisplayConfigPlatform& platform, LaunchSettings& settings,
                 const DisplayTarget& target, ReportText& report) {
  const bool sendsState = settings.switchHdr || settings.enableHdr || settings.disableHdr;
  if (settings.showReport || settings.switchHdr) {
    const HdrState state = ReadHdrState(platform, target);
    if (state.ok && settings.showReport) {
      AppendReportSection(report, u"<HDR Status>\nHDR support status : %s\nHDR : %s\n\n",
                          {state.supported ? u"Supported" : u"Not supported",
                           state.enabled ? u"Enable" : u"Disable"});
    }
    // Only the enabled bit decides the switch; a failed read leaves the state to request as it was.
    if (state.ok && settings.switchHdr && !state.enabled) settings.hdrNewState = true;
  }
  if (sendsState) SetHdrState(platform, target, settings.hdrNewState);
}

}  // namespace glowtide
