// The suite's child program: records the command line it was given and its current directory
// in the file named by GLOWTIDE_CHILD_RECORD, then ends; when GLOWTIDE_CHILD_EVENT names an event,
// it first waits (at most a minute) until the test sets it.
#include <windows.h>

#include <cstdio>

int main() {
  wchar_t record[MAX_PATH] = {};
  if (GetEnvironmentVariableW(L"GLOWTIDE_CHILD_RECORD", record, MAX_PATH) == 0) return 1;
  wchar_t directory[4096] = {};
  GetCurrentDirectoryW(4096, directory);
  FILE* file = _wfopen(record, L"wb");
  if (!file) return 1;
  const wchar_t* line = GetCommandLineW();
  fwrite(line, sizeof(wchar_t), wcslen(line), file);
  fwrite(L"\n", sizeof(wchar_t), 1, file);
  fwrite(directory, sizeof(wchar_t), wcslen(directory), file);
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
