// The monitor power cycle.
#include "monitor/power_cycle.h"

namespace glowtide {
namespace {

constexpr WindowHandle kHwndBroadcast{0xFFFF};
constexpr std::uint32_t kWmSysCommand = 0x0112;
constexpr std::uintptr_t kScMonitorPower = 0xF170;
constexpr std::intptr_t kMonitorOff = 2;
constexpr std::intptr_t kMonitorOn = -1;  // all bits set across the whole pointer-sized parameter
constexpr std::uint32_t kPauseMs = 2000;

}  // namespace

void PowerCycleMonitors(WindowingPlatform& windowing, ProcessPlatform& process) {
  windowing.SendMessageW(kHwndBroadcast, kWmSysCommand, kScMonitorPower, kMonitorOff);
  process.Sleep(kPauseMs);
  windowing.SendMessageW(kHwndBroadcast, kWmSysCommand, kScMonitorPower, kMonitorOn);
}

}  // namespace glowtide
