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
// Both broadcasts are sent, not posted, but no window may hold them: a receiver that is hung, or
// does not answer within a second, is passed over.
constexpr std::uint32_t kSmtoAbortIfHung = 0x2;
constexpr std::uint32_t kReceiverTimeoutMs = 1000;
constexpr std::uint32_t kMouseEventMove = 0x0001;

void Broadcast(WindowingPlatform& windowing, std::intptr_t state) {
  windowing.SendMessageTimeoutW(kHwndBroadcast, kWmSysCommand, kScMonitorPower, state,
                                kSmtoAbortIfHung, kReceiverTimeoutMs);
}

}  // namespace

void PowerCycleMonitors(WindowingPlatform& windowing, ProcessPlatform& process) {
  Broadcast(windowing, kMonitorOff);
  process.Sleep(kPauseMs);
  Broadcast(windowing, kMonitorOn);
  // Since Windows 8 the power-on broadcast often leaves the screens dark, or lights them for a
  // moment only; a mouse move of no distance is input, which wakes them for good.
  windowing.SendInput(MouseInput{0, 0, kMouseEventMove});
}

}  // namespace glowtide
