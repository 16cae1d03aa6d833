// Monitor control end to end: brightness against the device double's simulated monitor, and the
// power cycle as a top-level window of the suite sees it.
#include "checks.h"
#include "harness.h"

namespace e2e {
namespace {

struct PowerMessage {
  LPARAM state;
  ULONGLONG tick;
};
std::vector<PowerMessage> powerMessages;

LRESULT CALLBACK ListenerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_MONITORPOWER) {
    powerMessages.push_back({lParam, GetTickCount64()});
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateListener() {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = ListenerProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"GlowtideSuitePowerListener";
  RegisterClassW(&windowClass);
  return CreateWindowExW(0, windowClass.lpszClassName, L"listener", WS_OVERLAPPED, 0, 0, 10, 10,
                         nullptr, nullptr, windowClass.hInstance, nullptr);
}

bool Contains(const std::wstring& text, const std::wstring& part) {
  return text.find(part) != std::wstring::npos;
}

}  // namespace

void CheckMonitor() {
  const std::string monitor = "monitors=1\ncaps=2\nbrightness=0:50:100\n";
  SetDeviceScenario(monitor);
  RunResult report = RunGlowtide(L"-SI");
  const std::wstring text = report.boxes.empty() ? L"" : report.boxes[0].text;
  Check(Contains(text, L"<Brightness>\nSupported value : 0 to 100\nCurrent : 50\n\n"),
        "-SI shows the brightness section: " + Narrow(text));
  Check(Contains(text, L"<Monitor capabilities>\nBrightness : Can setting\n\n"),
        "-SI shows the brightness capability");

  SetDeviceScenario(monitor);
  RunResult set = RunGlowtide(L"-SI -B:70");
  const std::wstring setText = set.boxes.empty() ? L"" : set.boxes[0].text;
  Check(Contains(setText, L"Current : 50\n"), "-SI -B:70 reports the brightness before the change");
  const std::vector<std::string> sets = DeviceCalls(set.processId, "SetMonitorBrightness");
  Check(sets.size() == 1 && sets[0] == "SetMonitorBrightness handle=0x1001 value=70",
        "-SI -B:70 then sets 70 on the first physical monitor");

  SetDeviceScenario("brightness=0:40:100\n");
  RunResult toggle = RunGlowtide(L"-SB");
  const std::vector<std::string> switched = DeviceCalls(toggle.processId, "SetMonitorBrightness");
  Check(switched.size() == 1 && switched[0] == "SetMonitorBrightness handle=0x1001 value=30",
        "-SB on a monitor at 40 sets 30");

  SetDeviceScenario("monitors=2\n");
  RunResult two = RunGlowtide(L"-B:20");
  const std::vector<std::string> destroyed = DeviceCalls(two.processId, "DestroyPhysicalMonitors");
  Check(destroyed.size() == 1 &&
            destroyed[0] == "DestroyPhysicalMonitors count=2 handles=0x1001,0x1002",
        "both physical monitors are released");

  for (const char* none : {"monitors=0", "fail=GetNumberOfPhysicalMonitorsFromHMONITOR"}) {
    SetDeviceScenario(std::string(none) + "\n");
    RunResult missing = RunGlowtide(L"-SI");
    const std::wstring missingText = missing.boxes.empty() ? L"" : missing.boxes[0].text;
    Check(Contains(missingText,
                   L"<Monitor capabilities>\nCapability informations are not supported.\n\n") &&
              !Contains(missingText, L"<Brightness>"),
          std::string("with no physical monitor (") + none + ") the box still shows");
  }

  HWND listener = CreateListener();
  Check(listener != nullptr, "the suite's power listener window exists");
  SetDeviceScenario("");
  powerMessages.clear();
  RunResult cycle = RunGlowtide(L"-PR");
  PumpFor(200);
  CheckEqual(cycle.exitCode, 0, "-PR exits with 0");
  Check(powerMessages.size() == 2 && powerMessages[0].state == 2 && powerMessages[1].state == -1,
        "-PR broadcasts SC_MONITORPOWER 2, then -1 (" + std::to_string(powerMessages.size()) +
            " messages seen)");
  if (powerMessages.size() == 2) {
    const ULONGLONG gap = powerMessages[1].tick - powerMessages[0].tick;
    Check(gap >= 1900 && gap <= 4000,
          "the power-on broadcast comes about 2000 ms after the power-off one (" +
              std::to_string(gap) + " ms)");
  }

  powerMessages.clear();
  RunResult stopped = RunGlowtide(L"-B:x -PR");
  PumpFor(200);
  CheckEqual(stopped.exitCode, 0xFFFFFF01u, "-B:x -PR exits with -255");
  CheckEqual(powerMessages.size(), 0, "a parameter error stops a later -PR");
  DestroyWindow(listener);
}

}  // namespace e2e
