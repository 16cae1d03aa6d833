// A dxva2.dll and a powrprof.dll planted beside Glowtide.exe, as an attacker would in a downloads
// folder, leave a marker when they are loaded; every run of the suite has had them there, while
// its reports came from the doubles in the system directory. (What the image itself holds, its
// imports, subsystem, time stamp and size, the test command reads with objdump.)
#include "harness.h"

namespace e2e {

void CheckPlantedDll(bool before) {
  const std::wstring marker = TempFile(L"glowtide_planted_dll_loaded.txt");
  if (before) {
    DeleteFileW(marker.c_str());
    return;
  }
  Check(
      GetFileAttributesW((SuiteDirectory() + L"\\dxva2.dll").c_str()) != INVALID_FILE_ATTRIBUTES &&
          GetFileAttributesW((SuiteDirectory() + L"\\powrprof.dll").c_str()) !=
              INVALID_FILE_ATTRIBUTES &&
          GetFileAttributesW(marker.c_str()) == INVALID_FILE_ATTRIBUTES,
      "the dxva2.dll and powrprof.dll planted beside Glowtide.exe were never loaded");
}

}  // namespace e2e
