// The end-to-end harness's process driving, box reading and check counting.
#include "harness.h"

#include <cstdio>
#include <fstream>

#include "support/fake_platform.h"

namespace e2e {
namespace {

int passed = 0;
int failed = 0;

std::wstring WindowText(HWND window) {
  const int length = static_cast<int>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(wcslen(text.c_str()));
  return text;
}

// A message box's text is its static control with identifier 0xFFFF.
std::wstring BoxText(HWND box) { return WindowText(GetDlgItem(box, 0xFFFF)); }

// A top-level window of the process with the class name, visible or not as asked.
HWND FindWindowOf(DWORD processId, const wchar_t* className, bool visible) {
  struct Search {
    DWORD processId;
    const wchar_t* className;
    bool visible;
    HWND found;
  } search{processId, className, visible, nullptr};
  EnumWindows(
      [](HWND window, LPARAM parameter) -> BOOL {
        auto* s = reinterpret_cast<Search*>(parameter);
        DWORD owner = 0;
        wchar_t name[64] = {};
        GetWindowThreadProcessId(window, &owner);
        GetClassNameW(window, name, 64);
        if (owner == s->processId && wcscmp(name, s->className) == 0 &&
            (!s->visible || IsWindowVisible(window)))
          s->found = window;
        return s->found == nullptr;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Serves this thread's messages until the handle (if any) is signalled or the time has passed.
bool PumpUntil(HANDLE handle, DWORD ms) {
  for (const ULONGLONG deadline = GetTickCount64() + ms;;) {
    const ULONGLONG now = GetTickCount64();
    const DWORD result = MsgWaitForMultipleObjects(
        handle ? 1 : 0, &handle, FALSE, now >= deadline ? 0 : DWORD(deadline - now), QS_ALLINPUT);
    if (handle && result == WAIT_OBJECT_0) return true;
    if (result != WAIT_OBJECT_0 + (handle ? 1 : 0)) return false;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
}

}  // namespace

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) {
    char utf8[8] = {};
    const int n = c == L'\n' ? snprintf(utf8, sizeof utf8, "\\n")
                  : c < 0x20 ? snprintf(utf8, sizeof utf8, "\\x%02x", static_cast<unsigned>(c))
                             : WideCharToMultiByte(CP_UTF8, 0, &c, 1, utf8, 8, nullptr, nullptr);
    out.append(utf8, n > 0 ? n : 0);
  }
  return out;
}

std::wstring Widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::wstring SuiteDirectory() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring directory = path;
  return directory.substr(0, directory.find_last_of(L'\\'));
}

std::wstring GlowtidePath() { return SuiteDirectory() + L"\\Glowtide.exe"; }

Instance::Instance(const std::wstring& arguments) {
  std::wstring commandLine = L"\"" + GlowtidePath() + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (CreateProcessW(GlowtidePath().c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                     nullptr, nullptr, &startup, &info)) {
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    processId_ = info.dwProcessId;
  }
}

Instance::~Instance() {
  if (process_ == nullptr) return;
  if (!HasEnded()) TerminateProcess(process_, 0xDEAD);
  CloseHandle(process_);
}

namespace {

ULONGLONG Value(const FILETIME& t) {
  return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

}  // namespace

ULONGLONG Instance::ProcessorTime() const {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process_, &created, &exited, &kernel, &user)) return ~0ull;
  return Value(kernel) + Value(user);
}

ULONGLONG Instance::Lifetime() const {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process_, &created, &exited, &kernel, &user)) return ~0ull;
  return (Value(exited) - Value(created)) / 10000;
}

bool Instance::HasEnded(DWORD waitMs) const {
  return process_ == nullptr || PumpUntil(process_, waitMs);
}

void PumpFor(DWORD ms) { PumpUntil(nullptr, ms); }

std::wstring TempFile(const wchar_t* name) {
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  return std::wstring(folder) + name;
}

HWND WaitForHiddenWindow(DWORD processId, DWORD timeoutMs) {
  return Await(timeoutMs, [&]() -> HWND {
    const HWND found = FindWindowOf(processId, L"GLOWTIDE", false);
    DWORD_PTR answer = 0;
    return found && SendMessageTimeoutW(found, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &answer) ? found
                                                                                         : nullptr;
  });
}

std::wstring WaitForFile(const std::wstring& path, DWORD timeoutMs) {
  return Await(timeoutMs, [&] {
    // Opened without sharing: succeeds only once the writer has closed it.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    std::wstring text;
    if (file != INVALID_HANDLE_VALUE) {
      text.resize(GetFileSize(file, nullptr) / sizeof(wchar_t));
      DWORD read = 0;
      ReadFile(file, text.data(), DWORD(text.size() * sizeof(wchar_t)), &read, nullptr);
      CloseHandle(file);
    }
    return text;
  });
}

void SetDeviceScenario(const std::string& name) {
  const std::wstring log = TempFile(L"glowtide_device_log.txt");
  DeleteFileW(log.c_str());
  SetEnvironmentVariableA("DEVICE_DOUBLE_SCENARIO", name.c_str());
  SetEnvironmentVariableW(L"DEVICE_DOUBLE_LOG", log.c_str());
}

std::vector<std::string> DeviceLog(DWORD processId) {
  std::vector<std::string> calls;
  std::ifstream log(TempFile(L"glowtide_device_log.txt").c_str());
  const std::string prefix = std::to_string(processId) + " ";
  for (std::string line; std::getline(log, line);) {
    if (line.rfind(prefix, 0) == 0) calls.push_back(line.substr(prefix.size()));
  }
  return calls;
}

std::string Trace(DWORD processId) { return glowtide::testing::Trace(DeviceLog(processId)); }

std::wstring BoxOf(const RunResult& run) {
  return run.boxes.size() == 1 ? run.boxes[0].caption + L": " + run.boxes[0].text : L"";
}

HWND Instance::WaitForBox(DWORD timeoutMs) const {
  return Await(timeoutMs, [&] { return FindWindowOf(processId_, L"#32770", true); });
}

RunResult Instance::Finish(DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  while (!HasEnded(20)) {
    if (HWND box = FindWindowOf(processId_, L"#32770", true)) {
      boxes_.push_back({WindowText(box), BoxText(box)});
      // IDOK dismisses a box that has one OK button; wait until it has gone.
      PostMessageW(box, WM_COMMAND, IDOK, 0);
      while (IsWindow(box) && IsWindowVisible(box) && GetTickCount64() < deadline) Sleep(10);
    }
    if (GetTickCount64() >= deadline) break;
  }
  RunResult result{.processId = processId_, .finished = HasEnded(), .boxes = boxes_};
  if (result.finished) GetExitCodeProcess(process_, &result.exitCode);
  return result;
}

RunResult RunGlowtide(const std::wstring& arguments, DWORD timeoutMs) {
  RunResult result;
  Instance instance(arguments);
  result.processId = instance.processId();
  if (!instance.started()) {
    Check(false, "Glowtide.exe starts (CreateProcessW failed, error " +
                     std::to_string(GetLastError()) + ")");
    return result;
  }
  result = instance.Finish(timeoutMs);
  if (!result.finished) Check(false, "Glowtide.exe " + Narrow(arguments) + " ends within its time");
  return result;
}

void Check(bool condition, const std::string& what) {
  ++(condition ? passed : failed);
  printf("%s %s\n", condition ? "ok  " : "FAIL", what.c_str());
  fflush(stdout);
}

void CheckEqual(const std::wstring& actual, const std::wstring& expected, const std::string& what) {
  Check(actual == expected, what + (actual == expected ? ""
                                                       : ": expected \"" + Narrow(expected) +
                                                             "\", got \"" + Narrow(actual) + "\""));
}

void CheckEqual(const std::string& actual, const std::string& expected, const std::string& what) {
  Check(
      actual == expected,
      what + (actual == expected ? "" : ": expected \"" + expected + "\", got \"" + actual + "\""));
}

int Summary() {
  printf("%d passed, %d failed\n", passed, failed);
  fflush(stdout);
  return failed == 0 ? 0 : 1;
}

namespace {

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

}  // namespace

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

Gate::Gate(const wchar_t* name, const wchar_t* variable)
    : event(CreateEventW(nullptr, TRUE, FALSE, name)), variable(variable) {
  SetEnvironmentVariableW(variable, name);
}

Gate::~Gate() {
  SetEvent(event);
  CloseHandle(event);
  SetEnvironmentVariableW(variable, nullptr);
}

namespace {

// Sets the default value of a key under HKEY_CLASSES_ROOT, where Wine's shell finds associations.
void SetClassesKey(const std::wstring& key, const std::wstring& value,
                   const wchar_t* valueName = nullptr) {
  HKEY handle = nullptr;
  RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle,
                  nullptr);
  RegSetValueExW(handle, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(handle);
}

}  // namespace

std::vector<std::wstring> ShellTargets(const std::wstring& program) {
  const std::wstring open = L"\"" + program + L"\" \"%1\"";
  SetClassesKey(L"glowtidesuite", L"URL:Glowtide suite");
  SetClassesKey(L"glowtidesuite", L"", L"URL Protocol");
  SetClassesKey(L"glowtidesuite\\shell\\open\\command", open);
  SetClassesKey(L".glowtidedoc", L"GlowtideSuite.Document");
  SetClassesKey(L"GlowtideSuite.Document\\shell\\open\\command", open);
  const std::wstring document = SuiteDirectory() + L"\\saved.glowtidedoc";
  CloseHandle(CreateFileW(document.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  return {L"glowtidesuite://run/7", document};
}

}  // namespace e2e
