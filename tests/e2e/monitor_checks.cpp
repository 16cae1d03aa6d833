// The power cycle end to end, as a window of the suite sees it while another window of the
// session hangs. (The brightness is with the display's checks.)
#include "harness.h"

namespace e2e {

PowerCycleCheck::PowerCycleCheck() {
  SetDeviceScenario("");
  run_.reset(new Instance(L"-PR"));
}

void PowerCycleCheck::Finish() {
  const RunResult cycle = run_->Finish(15000);
  const ULONGLONG took = run_->Lifetime();
  listener_.Stop();
  printf("info -PR with a hung window took %llu ms\n", took);
  Check(cycle.finished && cycle.exitCode == 0 && took < 8000,
        "-PR ends with 0 within a few seconds although a window hangs");
  const std::vector<LPARAM>& states = listener_.states;
  Check(states.size() == 2 && states[0] == 2 && states[1] == -1,
        "-PR broadcasts SC_MONITORPOWER 2, then -1 (" + std::to_string(states.size()) + " seen)");
  const ULONGLONG gap = listener_.ticks.size() == 2 ? listener_.ticks[1] - listener_.ticks[0] : 0;
  Check(gap >= 1900 && gap <= 4500,
        "the power-on broadcast comes about 2000 ms after the power-off one (" +
            std::to_string(gap) + " ms)");
}

}  // namespace e2e
