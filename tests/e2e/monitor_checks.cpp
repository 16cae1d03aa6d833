// Monitor control end to end: brightness against the device double's monitor, and the power
// cycle as the suite's own window sees it while another window of the session hangs.
#include "harness.h"

namespace e2e {

void CheckMonitor() {
  SetDeviceScenario("monitors=2\ncaps=2\nbrightness=0:50:100\n");
  RunResult report = RunGlowtide(L"-SI -B:70");
  const std::wstring text = report.boxes.empty() ? L"" : report.boxes[0].text;
  const std::wstring tail =
      L"<Brightness>\nSupported value : 0 to 100\nCurrent : 50\n\n"
      L"<Monitor capabilities>\nBrightness : Can setting\n\n";
  CheckEqual(text.size() >= tail.size() ? text.substr(text.size() - tail.size()) : text, tail,
             "-SI ends with the brightness read before the change and the capability");
  const std::vector<std::string> calls = DeviceCalls(report.processId, "SetMonitorBrightness");
  Check(calls.size() == 1 && calls[0] == "SetMonitorBrightness handle=0x1001 value=70" &&
            DeviceCalls(report.processId, "DestroyPhysicalMonitors")[0] ==
                "DestroyPhysicalMonitors count=2 handles=0x1001,0x1002",
        "-B:70 is set on the first physical monitor, and both are released");

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
