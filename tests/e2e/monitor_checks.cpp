// Monitor control end to end: brightness against the device double's monitor, and the power
// cycle as the suite's own window sees it while another window of the session hangs.
#include "checks.h"
#include "harness.h"

namespace e2e {
namespace {

std::vector<LPARAM> powerStates;
std::vector<ULONGLONG> powerTicks;

LRESULT CALLBACK ListenerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_MONITORPOWER) {
    powerStates.push_back(lParam);
    powerTicks.push_back(GetTickCount64());
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateTopLevelWindow(const wchar_t* className) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = ListenerProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = className;
  RegisterClassW(&windowClass);
  return CreateWindowExW(0, className, className, WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                         windowClass.hInstance, nullptr);
}

// A window whose thread never takes its messages again, as a hung program's.
DWORD WINAPI HungWindowThread(LPVOID stop) {
  CreateTopLevelWindow(L"GlowtideSuiteHungWindow");
  WaitForSingleObject(stop, INFINITE);
  return 0;
}

}  // namespace

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

  HWND listener = CreateTopLevelWindow(L"GlowtideSuitePowerListener");
  HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE hung = CreateThread(nullptr, 0, HungWindowThread, stop, 0, nullptr);
  PumpFor(200);
  SetDeviceScenario("");
  powerStates.clear();
  powerTicks.clear();
  const ULONGLONG started = GetTickCount64();
  RunResult cycle = RunGlowtide(L"-PR", 15000);
  PumpFor(200);
  const ULONGLONG took = GetTickCount64() - started;
  printf("info -PR with a hung window took %llu ms\n", took);
  Check(cycle.finished && cycle.exitCode == 0 && took < 8000,
        "-PR ends with 0 within a few seconds although a window hangs");
  Check(powerStates.size() == 2 && powerStates[0] == 2 && powerStates[1] == -1,
        "-PR broadcasts SC_MONITORPOWER 2, then -1 (" + std::to_string(powerStates.size()) +
            " seen)");
  const ULONGLONG gap = powerTicks.size() == 2 ? powerTicks[1] - powerTicks[0] : 0;
  Check(gap >= 1900 && gap <= 4500,
        "the power-on broadcast comes about 2000 ms after the power-off one (" +
            std::to_string(gap) + " ms)");
  SetEvent(stop);
  WaitForSingleObject(hung, 5000);
  CloseHandle(hung);
  CloseHandle(stop);
  DestroyWindow(listener);
}

}  // namespace e2e
