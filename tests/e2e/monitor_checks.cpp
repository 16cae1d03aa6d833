// The power cycle end to end, as a window of the suite sees it while another window of the
// session hangs. (The brightness is with the display's checks.)
#include <memory>

#include "harness.h"

namespace e2e {
namespace {

// A top-level window on a thread of its own: one that serves its messages and records each
// SC_MONITORPOWER broadcast with its time, until Stop(); or one that never takes its messages, as a
// hung program's.
struct WindowThread {
  explicit WindowThread(bool listens);
  WindowThread(const WindowThread&) = delete;
  WindowThread& operator=(const WindowThread&) = delete;
  ~WindowThread() { Stop(); }
  void Stop();
  bool listens;
  HANDLE ready, stop, thread = nullptr;
  std::vector<LPARAM> states;
  std::vector<ULONGLONG> ticks;
};

LRESULT CALLBACK ListenerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* listener = reinterpret_cast<WindowThread*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (listener && message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_MONITORPOWER) {
    listener->states.push_back(lParam);
    listener->ticks.push_back(GetTickCount64());
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

DWORD WINAPI WindowThreadMain(LPVOID self) {
  auto* owner = static_cast<WindowThread*>(self);
  const wchar_t* name = owner->listens ? L"GlowtideSuiteListener" : L"GlowtideSuiteHung";
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = ListenerProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = name;
  RegisterClassW(&windowClass);
  HWND window = CreateWindowExW(0, name, name, WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                windowClass.hInstance, nullptr);
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
  SetEvent(owner->ready);
  if (!owner->listens) WaitForSingleObject(owner->stop, INFINITE);  // never takes a message
  while (owner->listens && MsgWaitForMultipleObjects(1, &owner->stop, FALSE, INFINITE,
                                                     QS_ALLINPUT) != WAIT_OBJECT_0) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  DestroyWindow(window);
  return 0;
}

WindowThread::WindowThread(bool listens)
    : listens(listens),
      ready(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      stop(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  thread = CreateThread(nullptr, 0, WindowThreadMain, this, 0, nullptr);
  WaitForSingleObject(ready, 5000);
}

void WindowThread::Stop() {
  if (!thread) return;
  SetEvent(stop);
  WaitForSingleObject(thread, 5000);
  for (HANDLE handle : {thread, ready, stop}) CloseHandle(handle);
  thread = nullptr;
}

}  // namespace

std::function<void()> StartPowerCycleCheck() {
  SetDeviceScenario("");
  auto listener = std::make_shared<WindowThread>(true);
  auto hung = std::make_shared<WindowThread>(false);
  auto run = std::make_shared<Instance>(L"-PR");
  return [listener, hung, run] {
    const RunResult cycle = run->Finish(15000);
    const ULONGLONG took = run->Lifetime();
    listener->Stop();
    printf("info -PR with a hung window took %llu ms\n", took);
    EXPECT_TRUE(cycle.finished && cycle.exitCode == 0 && took < 8000)
        << "-PR ends with 0 within a few seconds although a window hangs";
    const std::vector<LPARAM>& states = listener->states;
    EXPECT_TRUE(states.size() == 2 && states[0] == 2 && states[1] == -1)
        << "-PR broadcasts SC_MONITORPOWER 2, then -1 (" + std::to_string(states.size()) + " seen)";
    const std::vector<ULONGLONG>& ticks = listener->ticks;
    const ULONGLONG gap = ticks.size() == 2 ? ticks[1] - ticks[0] : 0;
    EXPECT_TRUE(gap >= 1900 && gap <= 4500)
        << "the power-on broadcast comes about 2000 ms after the power-off one (" +
               std::to_string(gap) + " ms)";
  };
}

}  // namespace e2e
