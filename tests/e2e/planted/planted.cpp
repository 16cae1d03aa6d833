// A DLL named dxva2.dll that the suite plants beside Glowtide.exe, as an attacker would in a
// downloads folder. If it is ever loaded it leaves a marker file in the temporary folder.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    wchar_t path[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, path);
    lstrcatW(path, L"glowtide_planted_dll_loaded.txt");
    CloseHandle(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  }
  return TRUE;
}
