// The suite's child program. It records the arguments it was given, as CommandLineToArgvW splits
// them, one a line, and then its current directory, in the file named by GLOWTIDE_CHILD_RECORD.
// When GLOWTIDE_CHILD_EVENT names an event, it then waits (at most a minute) until the test sets
// it. When GLOWTIDE_CHILD_SPAWN names a program, it instead starts that program and ends at once,
// as a game launcher does.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>

int main() {
  wchar_t spawn[MAX_PATH] = {};
  if (GetEnvironmentVariableW(L"GLOWTIDE_CHILD_SPAWN", spawn, MAX_PATH) > 0) {
    SetEnvironmentVariableW(L"GLOWTIDE_CHILD_SPAWN", nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(spawn, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started)) {
      return 1;
    }
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
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
  wchar_t event[256] = {};
  if (GetEnvironmentVariableW(L"GLOWTIDE_CHILD_EVENT", event, 256) > 0) {
    if (HANDLE gate = OpenEventW(SYNCHRONIZE, FALSE, event)) {
      WaitForSingleObject(gate, 60000);
      CloseHandle(gate);
    }
  }
  return 0;
}
