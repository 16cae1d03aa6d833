// The power cycle end to end, as a window of the suite sees it while another window of the
// session hangs; changes that stick: monitor requests tried again and read back, and the exit
// code that says whether every change is in place; and a built-in panel's brightness. (A monitor's
// brightness is with the display's checks, in the same report.)
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

void CheckMonitor() {
  // Each failure as the device double makes it, and a built-in panel's brightness through the power
  // scheme (beside it a monitor still over DDC/CI): the requests that set and read, the exit code,
  // and whether the program named was still launched.
  const std::wstring record = TempFile(L"glowtide_child_record.txt");
  SetEnvironmentVariableW(L"GLOWTIDE_CHILD_RECORD", record.c_str());
  const std::wstring launch = L" \"-P:" + SuiteDirectory() + L"\\child\\glowtide_child.exe\"";
  const std::string set70 = "SetMonitorBrightness handle=0x1001 value=70";
  // The laptop's panel is on embedded DisplayPort (11), the desk's on embedded UDI (13).
  const std::string laptop = "paths=4660:0:7:0::11\n";
  const std::string applied = " | PowerSetActiveScheme | ";
  struct Case {
    std::string scenario;
    std::wstring arguments;
    std::string calls;
    const char* what;
  };
  const Case cases[] = {
      {"fail=SetMonitorBrightness:2", L"-B:70", set70 + " | " + set70 + " | " + set70 + " exit 0",
       "two failures of a brightness set, then success: tried three times"},
      {"fail=SetMonitorBrightness", L"-B:70" + launch,
       set70 + " | " + set70 + " | " + set70 + " exit 1 launched",
       "a brightness set that always fails: exactly three tries, exit 1, the program launched"},
      {"ignoreFirstWrite=1", L"-B:70", set70 + " | " + set70 + " exit 0",
       "an ignored first write: read back and sent again"},
      {"", L"-B:150", "SetMonitorBrightness handle=0x1001 value=150 exit 0",
       "a value past the monitor's maximum, which it keeps at 100: sent once"},
      {"hdrStuck=1", L"-HDR:E",
       "DisplayConfigSetDeviceInfo 0a00000018000000341200000000000007000000"
       "01000000 hdr=off exit 1",
       "an HDR set that succeeds and changes nothing: read back, exit 1"},
      {laptop, L"-B:40",
       "PowerWriteACValueIndex value=40 mains" + applied +
           "PowerReadACValueIndex value=40 mains exit 0",
       "a laptop on mains: -B:40 writes the mains value, applies the scheme and reads it back"},
      {laptop + "power=battery\n", L"-B:40",
       "PowerWriteDCValueIndex value=40 battery" + applied +
           "PowerReadDCValueIndex value=40 battery exit 0",
       "a laptop on battery: -B:40 writes the battery value"},
      {laptop, L"-SB",
       "PowerReadACValueIndex value=60 mains | PowerWriteACValueIndex value=30 mains" + applied +
           "PowerReadACValueIndex value=30 mains exit 0",
       "-SB switches the panel from its current value"},
      {laptop, L"-BQ:33" + launch,
       "PowerWriteACValueIndex value=33 mains" + applied +
           "PowerReadACValueIndex value=33 mains exit 0 launched",
       "-BQ: after a counted launch puts the panel's value back"},
      {laptop + "fail=PowerReadACValueIndex\n", L"-B:40",
       "PowerWriteACValueIndex value=40 mains" + applied +
           "PowerReadACValueIndex value=40 mains | PowerReadACValueIndex value=40 mains | "
           "PowerReadACValueIndex value=40 mains exit 1",
       "a scheme that cannot be read back: three tries, exit 1"},
      {"paths=4660:0:7:0::13,4660:0:8:1:LG ULTRAGEAR\n", L"-D:* -B:40",
       "PowerWriteACValueIndex value=40 mains" + applied +
           "PowerReadACValueIndex value=40 mains | SetMonitorBrightness handle=0x1011 value=40 "
           "exit 0",
       "a desk: the panel through the scheme, the monitor beside it over DDC/CI"},
  };
  for (const Case& c : cases) {
    SetDeviceScenario(c.scenario + "\n");
    DeleteFileW(record.c_str());
    const RunResult run = RunGlowtide(c.arguments);
    const bool launched =
        c.arguments.find(L"-P:") != std::wstring::npos && !WaitForFile(record).empty();
    CheckEqual(Calls(run.processId, {"SetMonitor", "DisplayConfigSet", "PowerRead", "PowerWrite",
                                     "PowerSetActiveScheme"}) +
                   " exit " + std::to_string(run.exitCode) + (launched ? " launched" : ""),
               c.calls, c.what);
  }
}

}  // namespace e2e
