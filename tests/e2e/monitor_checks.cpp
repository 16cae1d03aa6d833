// The power cycle end to end, as the suite's own window sees it while another window of the
// session hangs. (The brightness is with the display's checks, in the same report.)
#include "harness.h"

namespace e2e {

void CheckMonitor() {
  PowerListener listener;
  HungWindow hung;
  PumpFor(200);
  SetDeviceScenario("");
  const ULONGLONG started = GetTickCount64();
  RunResult cycle = RunGlowtide(L"-PR", 15000);
  PumpFor(200);
  const ULONGLONG took = GetTickCount64() - started;
  printf("info -PR with a hung window took %llu ms\n", took);
  Check(cycle.finished && cycle.exitCode == 0 && took < 8000,
        "-PR ends with 0 within a few seconds although a window hangs");
  Check(listener.states.size() == 2 && listener.states[0] == 2 && listener.states[1] == -1,
        "-PR broadcasts SC_MONITORPOWER 2, then -1 (" + std::to_string(listener.states.size()) +
            " seen)");
  const ULONGLONG gap = listener.ticks.size() == 2 ? listener.ticks[1] - listener.ticks[0] : 0;
  Check(gap >= 1900 && gap <= 4500,
        "the power-on broadcast comes about 2000 ms after the power-off one (" +
            std::to_string(gap) + " ms)");
}

}  // namespace e2e
