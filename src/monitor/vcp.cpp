// Monitor settings by their VCP code.
#include "monitor/vcp.h"

namespace glowtide {

std::vector<std::optional<VcpReading>> ReadVcpCodes(MonitorConfigPlatform& monitors, Pause& pause,
                                                    const BrightnessTarget& target,
                                                    const std::vector<std::uint8_t>& codes) {
  std::vector<std::optional<VcpReading>> readings(codes.size());
  if (target.builtIn || codes.empty()) return readings;
  const PhysicalMonitors physical(monitors, target);
  for (std::size_t i = 0; physical.found() && i < codes.size(); ++i) {
    VcpReading read;
    if (Tried(pause, [&] {
          return monitors.GetVCPFeatureAndVCPFeatureReply(physical.handle(), codes[i],
                                                          &read.current, &read.maximum);
        }))
      readings[i] = read;
  }
  return readings;
}

VcpCodes ShownCodes(MonitorConfigPlatform& monitors, Pause& pause, const BrightnessTarget& target,
                    const VcpCodes& codes) {
  std::vector<std::uint8_t> asked;
  for (const VcpValue& code : codes) {
    if (code.code != kInputSource) asked.push_back(code.code);
  }
  const std::vector<std::optional<VcpReading>> read = ReadVcpCodes(monitors, pause, target, asked);
  VcpCodes shown;
  for (std::size_t i = 0; i < asked.size(); ++i) {
    if (read[i]) shown.Put({asked[i], static_cast<std::uint16_t>(read[i]->current)});
  }
  return shown;
}

VcpCodes SetVcpCodes(MonitorConfigPlatform& monitors, Pause& pause, const BrightnessTarget& target,
                     const VcpCodes& codes) {
  VcpCodes placed;
  if (target.builtIn || codes.empty()) return placed;
  const PhysicalMonitors physical(monitors, target);
  for (std::size_t i = 0; physical.found() && i < codes.size(); ++i) {
    const VcpValue& wanted = codes[i];
    for (int sent = 0; sent < kTries; ++sent) {
      if (sent > 0) pause.Wait(kTryPauseMs);
      if (!Tried(pause, [&] {
            return monitors.SetVCPFeature(physical.handle(), wanted.code, wanted.value);
          }))
        break;
      VcpReading read;
      if (wanted.code == kInputSource ||
          !Tried(pause,
                 [&] {
                   return monitors.GetVCPFeatureAndVCPFeatureReply(physical.handle(), wanted.code,
                                                                   &read.current, &read.maximum);
                 }) ||
          read.current == wanted.value) {
        placed.Put(wanted);
        break;
      }
    }
  }
  return placed;
}

}  // namespace glowtide
