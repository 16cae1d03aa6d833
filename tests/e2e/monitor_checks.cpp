// The power cycle end to end, as the suite's own window sees it while another window of the
// session hangs; and changes that stick: monitor requests tried again and read back, and the exit
// code that says whether every change is in place. (The brightness is with the display's checks,
// in the same report.)
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

  // Each failure as the device double makes it: the requests sent and the exit code.
  const std::wstring record = TempFile(L"glowtide_child_record.txt");
  SetEnvironmentVariableW(L"GLOWTIDE_CHILD_RECORD", record.c_str());
  const std::wstring launch = L" \"-P:" + SuiteDirectory() + L"\\child\\glowtide_child.exe\"";
  struct Stick {
    std::string scenario;
    std::wstring arguments;
    const char* call;  // whose requests are counted
    size_t sent;
    DWORD exitCode;
    const char* what;
  };
  const Stick cases[] = {
      {"fail=SetMonitorBrightness:2", L"-B:70", "SetMonitorBrightness", 3, 0,
       "two failures of a brightness set, then success: tried three times, exit 0"},
      {"fail=SetMonitorBrightness", L"-B:70" + launch, "SetMonitorBrightness", 3, 1,
       "a brightness set that always fails: exactly three tries, exit 1, the program launched"},
      {"ignoreFirstWrite=1", L"-B:70", "SetMonitorBrightness", 2, 0,
       "an ignored first write: read back and sent again, exit 0"},
      {"", L"-B:150", "SetMonitorBrightness", 1, 0,
       "a value past the monitor's maximum, which it keeps at 100: sent once, exit 0"},
      {"hdrStuck=1", L"-HDR:E", "DisplayConfigSetDeviceInfo", 1, 1,
       "an HDR set that succeeds and changes nothing: read back, exit 1"},
  };
  for (const Stick& c : cases) {
    SetDeviceScenario(c.scenario + "\n");
    DeleteFileW(record.c_str());
    const RunResult run = RunGlowtide(c.arguments);
    const bool launched =
        c.arguments.find(L"-P:") == std::wstring::npos || !WaitForFile(record).empty();
    Check(run.exitCode == c.exitCode && DeviceCalls(run.processId, c.call).size() == c.sent &&
              launched,
          std::string(c.what) + " (exit " + std::to_string(run.exitCode) + ", " +
              std::to_string(DeviceCalls(run.processId, c.call).size()) + " sent)");
  }
}

}  // namespace e2e
