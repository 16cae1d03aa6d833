// The end-to-end harness: starts the real Glowtide.exe, reads and dismisses its message boxes
// through the Win32 API, collects its exit code, and reads what the device double saw; the checks
// are GoogleTest's.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "support/fake_platform.h"

namespace e2e {

inline std::wstring Widen(const std::string& ascii) {
  return std::wstring(ascii.begin(), ascii.end());
}

// The folder that holds the driver, Glowtide.exe, the device double and the child program.
inline std::wstring SuiteDirectory() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::wstring directory = path;
  return directory.substr(0, directory.find_last_of(L'\\'));
}

inline std::wstring TempFile(const wchar_t* name) {
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  return std::wstring(folder) + name;
}

// Serves this thread's messages until the handle (if any) is signalled or the time has passed,
// so that broadcasts sent by Glowtide are not held up by the suite.
inline bool PumpUntil(HANDLE handle, DWORD ms) {
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

// What found() gives, once it gives something (or at the deadline), while this thread's messages
// are served.
template <typename Found>
auto Await(DWORD timeoutMs, Found found) {
  for (const ULONGLONG deadline = GetTickCount64() + timeoutMs;; PumpUntil(nullptr, 20)) {
    if (auto value = found(); value != decltype(value){} || GetTickCount64() >= deadline)
      return value;
  }
}

inline std::wstring WindowText(HWND window) {
  const int length = static_cast<int>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(wcslen(text.c_str()));
  return text;
}

// A top-level window of the process with the class name, visible or not as asked.
inline HWND FindWindowOf(DWORD processId, const wchar_t* className, bool visible) {
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

struct Box {
  std::wstring caption;
  std::wstring text;
};

struct RunResult {
  DWORD processId = 0;
  bool finished = false;  // false: it was still running at the deadline and was ended
  DWORD exitCode = 0;
  std::vector<Box> boxes;
};

// "caption: text" of the one box a run showed; empty unless it showed exactly one.
inline std::wstring BoxOf(const RunResult& run) {
  return run.boxes.size() == 1 ? run.boxes[0].caption + L": " + run.boxes[0].text : L"";
}

// A started Glowtide.exe that the test drives itself (several at once for the launch counting).
class Instance {
 public:
  // With an output, an inheritable handle or none (null), that is its standard output and its
  // standard error; without one, it has what Windows gives it.
  explicit Instance(const std::wstring& arguments, HANDLE output = INVALID_HANDLE_VALUE) {
    const std::wstring path = SuiteDirectory() + L"\\Glowtide.exe";
    std::wstring commandLine = L"\"" + path + L"\" " + arguments;
    STARTUPINFOW startup{.cb = sizeof startup};
    const bool redirected = output != INVALID_HANDLE_VALUE;
    if (redirected) {
      startup.dwFlags = STARTF_USESTDHANDLES;
      startup.hStdOutput = startup.hStdError = output;
    }
    PROCESS_INFORMATION info{};
    // Wine's CreateProcessW fails now and then with ERROR_INTERNAL_ERROR (1359) when many
    // processes start at once; that is the environment's, not Glowtide's, and is tried again.
    bool created = false;
    for (int tries = 0; !created && tries < 3; ++tries) {
      created = CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, redirected, 0,
                               nullptr, nullptr, &startup, &info);
      if (!created && GetLastError() != ERROR_INTERNAL_ERROR) break;
    }
    if (created) {
      CloseHandle(info.hThread);
      process_ = info.hProcess;
      processId_ = info.dwProcessId;
    }
  }
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;
  ~Instance() {
    if (process_ == nullptr) return;
    if (!HasEnded()) TerminateProcess(process_, 0xDEAD);
    CloseHandle(process_);
  }
  bool started() const { return process_ != nullptr; }
  DWORD processId() const { return processId_; }
  // Processor time (user and kernel) used so far, in 100 ns units.
  ULONGLONG ProcessorTime() const { return Times()[2] + Times()[3]; }
  // From its start to its end, in milliseconds, once it has ended.
  ULONGLONG Lifetime() const { return (Times()[1] - Times()[0]) / 10000; }
  // Presses OK on boxes and waits up to timeoutMs for the end.
  RunResult Finish(DWORD timeoutMs = 15000) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!HasEnded(20)) {
      if (HWND box = FindWindowOf(processId_, L"#32770", true)) {
        // A message box's text is its static control with identifier 0xFFFF.
        boxes_.push_back({WindowText(box), WindowText(GetDlgItem(box, 0xFFFF))});
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
  bool HasEnded(DWORD waitMs = 0) const {
    return process_ == nullptr || PumpUntil(process_, waitMs);
  }
  // A box the instance shows, left open; null when none appears in time.
  HWND WaitForBox(DWORD timeoutMs = 15000) const {
    return Await(timeoutMs, [&] { return FindWindowOf(processId_, L"#32770", true); });
  }
  void Kill() const { TerminateProcess(process_, 0xDEAD); }

 private:
  // Its creation, exit, kernel and user times, in 100 ns units.
  std::vector<ULONGLONG> Times() const {
    FILETIME t[4];
    if (!GetProcessTimes(process_, &t[0], &t[1], &t[2], &t[3])) return {0, ~0ull, ~0ull, 0};
    std::vector<ULONGLONG> times;
    for (const FILETIME& time : t)
      times.push_back((static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
    return times;
  }
  HANDLE process_ = nullptr;
  DWORD processId_ = 0;
  std::vector<Box> boxes_;
};

// Starts Glowtide.exe with the given arguments, presses OK on every box it shows, and waits for
// its end (at most timeoutMs).
inline RunResult RunGlowtide(const std::wstring& arguments, DWORD timeoutMs = 30000) {
  Instance instance(arguments);
  if (!instance.started()) {
    ADD_FAILURE() << "Glowtide.exe does not start: CreateProcessW failed, error " << GetLastError();
    return {};
  }
  const RunResult result = instance.Finish(timeoutMs);
  if (!result.finished) ADD_FAILURE() << "Glowtide.exe " << arguments << " does not end in time";
  return result;
}

// Waits until the instance's hidden window exists and answers a message, which it does only once
// it has taken its count and sleeps in its wait; null when that does not happen in time.
inline HWND WaitForHiddenWindow(DWORD processId, DWORD timeoutMs = 15000) {
  return Await(timeoutMs, [&]() -> HWND {
    const HWND found = FindWindowOf(processId, L"GLOWTIDE", false);
    DWORD_PTR answer = 0;
    return found && SendMessageTimeoutW(found, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &answer) ? found
                                                                                         : nullptr;
  });
}

// The file's UTF-16 text once it exists and is complete (a child writes it and closes it).
inline std::wstring WaitForFile(const std::wstring& path, DWORD timeoutMs = 15000) {
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

// Names the device double's machine (see device_double.cpp) for the runs that follow, and starts
// a fresh call log.
inline void SetDeviceScenario(const std::string& name) {
  const std::wstring log = TempFile(L"glowtide_device_log.txt");
  DeleteFileW(log.c_str());
  SetEnvironmentVariableA("DEVICE_DOUBLE_SCENARIO", name.c_str());
  SetEnvironmentVariableW(L"DEVICE_DOUBLE_LOG", log.c_str());
}

// The calls that the device double took from one process, as the fake records them.
inline std::vector<std::string> DeviceLog(DWORD processId) {
  std::vector<std::string> calls;
  std::ifstream log(TempFile(L"glowtide_device_log.txt").c_str());
  const std::string prefix = std::to_string(processId) + " ";
  for (std::string line; std::getline(log, line);) {
    if (line.rfind(prefix, 0) == 0) calls.push_back(line.substr(prefix.size()));
  }
  return calls;
}

// The same in the fake's short form ("get15 set16:1 setB:70 free").
inline std::string Trace(DWORD processId) { return glowtide::testing::Trace(DeviceLog(processId)); }

// While it lives, the suite's child programs started after it wait for this named event, which
// the test sets to end them (and which is set when the gate goes); launchers wait for theirs when
// the variable is GLOWTIDE_LAUNCHER_EVENT.
struct Gate {
  explicit Gate(const wchar_t* name, const wchar_t* variable = L"GLOWTIDE_CHILD_EVENT")
      : event(CreateEventW(nullptr, TRUE, FALSE, name)), variable(variable) {
    SetEnvironmentVariableW(variable, name);
  }
  Gate(const Gate&) = delete;
  Gate& operator=(const Gate&) = delete;
  ~Gate() {
    SetEvent(event);
    CloseHandle(event);
    SetEnvironmentVariableW(variable, nullptr);
  }
  HANDLE event;
  const wchar_t* variable;
};

// -PR takes seconds, so its run goes beside the other checks: this starts it, and what it gives
// back checks it, last.
std::function<void()> StartPowerCycleCheck();
// Before the other checks, and after them: the DLLs planted beside Glowtide.exe are never loaded.
void CheckPlantedDll(bool before);

}  // namespace e2e
