// The end-to-end harness: starts the real Glowtide.exe, reads and dismisses its message boxes
// through the Win32 API, collects its exit code, and counts checks.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace e2e {

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

// The folder that holds the driver, Glowtide.exe, the device double and the child program.
std::wstring SuiteDirectory();
std::wstring GlowtidePath();

// Starts Glowtide.exe with the given arguments, presses OK on every box it shows, and waits for
// its end (at most timeoutMs).
RunResult RunGlowtide(const std::wstring& arguments, DWORD timeoutMs = 30000);

// A started Glowtide.exe that the test drives itself (several at once for the launch counting).
class Instance {
 public:
  explicit Instance(const std::wstring& arguments);
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;
  ~Instance();
  bool started() const { return process_ != nullptr; }
  DWORD processId() const { return processId_; }
  // Processor time (user and kernel) used so far, in 100 ns units.
  ULONGLONG ProcessorTime() const;
  // From its start to its end, in milliseconds, once it has ended.
  ULONGLONG Lifetime() const;
  // Presses OK on boxes and waits up to timeoutMs for the end.
  RunResult Finish(DWORD timeoutMs = 15000);
  bool HasEnded(DWORD waitMs = 0) const;
  // A box the instance shows, left open; null when none appears in time.
  HWND WaitForBox(DWORD timeoutMs = 15000) const;
  void Kill() const { TerminateProcess(process_, 0xDEAD); }

 private:
  HANDLE process_ = nullptr;
  DWORD processId_ = 0;
  std::vector<Box> boxes_;
};

// Names the device double's machine (see device_double.cpp) for the runs that follow, and starts
// a fresh call log.
void SetDeviceScenario(const std::string& name);
// The calls that the device double took from one process, as the fake records them, and in its
// short form ("get15 set16:1 setB:70 free").
std::vector<std::string> DeviceLog(DWORD processId);
std::string Trace(DWORD processId);
// "caption: text" of the one box a run showed; empty unless it showed exactly one.
std::wstring BoxOf(const RunResult& run);

// Waits until the instance's hidden window exists and answers a message, which it does only once
// it has taken its count and sleeps in its wait; null when that does not happen in time.
HWND WaitForHiddenWindow(DWORD processId, DWORD timeoutMs = 15000);

// The file's UTF-16 text once it exists and is complete (a child writes it and closes it).
std::wstring WaitForFile(const std::wstring& path, DWORD timeoutMs = 15000);
std::wstring TempFile(const wchar_t* name);

// Waits up to ms while serving this thread's messages, so that broadcasts sent by Glowtide are
// not held up by the suite.
void PumpFor(DWORD ms);

// What found() gives, once it gives something (or at the deadline), while this thread's messages
// are served.
template <typename Found>
auto Await(DWORD timeoutMs, Found found) {
  for (const ULONGLONG deadline = GetTickCount64() + timeoutMs;; PumpFor(20)) {
    if (auto value = found(); value != decltype(value){} || GetTickCount64() >= deadline)
      return value;
  }
}

// While it lives, the suite's child programs started after it wait for this named event, which
// the test sets to end them (and which is set when the gate goes); launchers wait for theirs when
// the variable is GLOWTIDE_LAUNCHER_EVENT.
struct Gate {
  explicit Gate(const wchar_t* name, const wchar_t* variable = L"GLOWTIDE_CHILD_EVENT");
  Gate(const Gate&) = delete;
  Gate& operator=(const Gate&) = delete;
  ~Gate();
  HANDLE event;
  const wchar_t* variable;
};

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

// -PR takes seconds, so its run goes beside the other checks: started first, checked last.
class PowerCycleCheck {
 public:
  PowerCycleCheck();
  void Finish();

 private:
  WindowThread listener_{true}, hung_{false};
  std::unique_ptr<Instance> run_;
};

// Registers a URL protocol and a document type that the shell opens with program, the URL or
// the document's path as its argument (under HKEY_CLASSES_ROOT, where Wine's shell finds them),
// and makes a document; gives back the URL and the document.
std::vector<std::wstring> ShellTargets(const std::wstring& program);

// Checks: each prints one line, "ok" or "FAIL" with what was expected and what came.
void Check(bool condition, const std::string& what);
void CheckEqual(const std::wstring& actual, const std::wstring& expected, const std::string& what);
void CheckEqual(const std::string& actual, const std::string& expected, const std::string& what);
int Summary();  // prints "N passed, M failed"; the process exit code

// The groups of checks, one per subsystem (the *_checks.cpp files), that the suite runs in turn.
void CheckResources();
void CheckCommandLine();
void CheckDisplay();
void CheckLaunch();
// Run under a Wine prefix (and so a shared lock) of its own, beside the others: the checks that
// wait on time, a game's restart and settle time, the -PWT: grace period, and a launch that finds
// the shared lock held, which would hold up every other counted launch for 10 s.
void CheckTimedWaits();
void CheckPlantedDll(bool before);  // before the others, and after them

std::string Narrow(const std::wstring& text);  // UTF-8, with control characters escaped
std::wstring Widen(const std::string& ascii);

}  // namespace e2e
