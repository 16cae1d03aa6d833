// The built image: a GUI-subsystem 64-bit exe of at most 90 KiB that imports system DLLs only,
// and a dxva2.dll and powrprof.dll planted beside it that are never loaded.
#include <cstdio>

#include "harness.h"
#include "image_reader.h"

namespace e2e {

void CheckImage() {
  WORD subsystem = 0, machine = 0;
  size_t size = 0;
  std::string list;
  for (const std::string& dll : ImportedDlls(GlowtidePath(), &subsystem, &machine, &size))
    list += (list.empty() ? "" : ", ") + dll;
  CheckEqual(machine, IMAGE_FILE_MACHINE_AMD64, "Glowtide.exe is a 64-bit x86 image");
  CheckEqual(subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI,
             "Glowtide.exe has the GUI subsystem (2), so no console opens");
  // DLLs that Windows always takes from System32; dxva2 is loaded at run time from there.
  CheckEqual(list, "kernel32.dll, msvcrt.dll, ole32.dll, shell32.dll, user32.dll",
             "Glowtide.exe imports system DLLs only");
  printf("info Glowtide.exe is %zu bytes\n", size);
  Check(size > 0 && size <= 90 * 1024,
        "Glowtide.exe is at most 90 KiB (92160 bytes): " + std::to_string(size));
}

// A dxva2.dll and a powrprof.dll planted beside Glowtide.exe leave a marker when they are loaded;
// every run of the suite has had them there, while its reports came from the doubles in the
// system directory.
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
