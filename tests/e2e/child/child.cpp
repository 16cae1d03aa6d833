// The suite's child program. It records the arguments it was given, as CommandLineToArgvW splits
// them, one a line, and then its current directory, in the file named by GLOWTIDE_CHILD_RECORD.
// When GLOWTIDE_CHILD_EVENT names an event, it then waits (at most a minute) until the test sets
// it. When GLOWTIDE_CHILD_SPAWN names a program, it is a launcher instead: it starts that program,
// then waits for the event named by GLOWTIDE_LAUNCHER_EVENT when there is one (a launcher that
// stays open) and ends. With GLOWTIDE_CHILD_RESPAWN=ms it starts the program again that long after
// the game's event is set (a game that restarts itself), the second time with "2" after its
// event's name.
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <cstdio>
#include <string>

namespace {

void WaitForGate(const wchar_t* variable) {
  wchar_t event[256] = {};
  if (GetEnvironmentVariableW(variable, event, 256) == 0) return;
  if (HANDLE gate = OpenEventW(SYNCHRONIZE, FALSE, event)) {
    WaitForSingleObject(gate, 60000);
    CloseHandle(gate);
  }
}

}  // namespace

int main() {
  wchar_t spawn[MAX_PATH] = {};
  if (GetEnvironmentVariableW(L"GLOWTIDE_CHILD_SPAWN", spawn, MAX_PATH) > 0) {
    SetEnvironmentVariableW(L"GLOWTIDE_CHILD_SPAWN", nullptr);
    wchar_t respawn[16] = {}, event[256] = {};
    const bool again = GetEnvironmentVariableW(L"GLOWTIDE_CHILD_RESPAWN", respawn, 16) > 0;
    for (int time = 0; time < (again ? 2 : 1); ++time) {
      STARTUPINFOW startup{};
      startup.cb = sizeof startup;
      PROCESS_INFORMATION started{};
      if (!CreateProcessW(spawn, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &started)) {
        return 1;
      }
      CloseHandle(started.hThread);
      CloseHandle(started.hProcess);
      if (again && time == 0) {
        WaitForGate(L"GLOWTIDE_CHILD_EVENT");  // the game ends too
        Sleep(wcstoul(respawn, nullptr, 10));
        GetEnvironmentVariableW(L"GLOWTIDE_CHILD_EVENT", event, 250);
        SetEnvironmentVariableW(L"GLOWTIDE_CHILD_EVENT", (std::wstring(event) + L"2").c_str());
      }
    }
    WaitForGate(L"GLOWTIDE_LAUNCHER_EVENT");
    return 0;
  }
  wchar_t record[MAX_PATH] = {};
  if (GetEnvironmentVariableW(L"GLOWTIDE_CHILD_RECORD", record, MAX_PATH) == 0) return 1;
  FILE* file = _wfopen(record, L"wb");
  if (!file) return 1;
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int i = 0; i < count; ++i) fwprintf(file, L"%ls\n", argv[i]);
  wchar_t directory[4096] = {};
  GetCurrentDirectoryW(4096, directory);
  fwprintf(file, L"%ls", directory);
  fclose(file);
  WaitForGate(L"GLOWTIDE_CHILD_EVENT");
  return 0;
}
