// A dxva2.dll and a powrprof.dll planted beside Glowtide.exe, as an attacker would, leave a marker
// when loaded; every run of the suite has had them there. (The image's own facts: tools/test.sh.)
#include "harness.h"

namespace e2e {

void CheckPlantedDll(bool before) {
  const std::wstring marker = TempFile(L"glowtide_planted_dll_loaded.txt");
  if (before) {
    DeleteFileW(marker.c_str());
    return;
  }
  EXPECT_TRUE(GetFileAttributesW((SuiteDirectory() + L"\\dxva2.dll").c_str()) !=
                  INVALID_FILE_ATTRIBUTES &&
              GetFileAttributesW((SuiteDirectory() + L"\\powrprof.dll").c_str()) !=
                  INVALID_FILE_ATTRIBUTES &&
              GetFileAttributesW(marker.c_str()) == INVALID_FILE_ATTRIBUTES)
      << "the dxva2.dll and powrprof.dll planted beside Glowtide.exe were never loaded";
}

}  // namespace e2e
