// Reads the built exe's PE header and import table: a GUI-subsystem 64-bit image that imports
// system DLLs only.
#include <cstdio>
#include <cstring>
#include <set>

#include "checks.h"
#include "harness.h"

namespace e2e {
namespace {

struct Image {
  std::vector<unsigned char> bytes;
  template <typename T>
  bool Read(size_t offset, T* out) const {
    if (offset + sizeof(T) > bytes.size()) return false;
    std::memcpy(out, bytes.data() + offset, sizeof(T));
    return true;
  }
};

// Maps a relative virtual address to a file offset through the section table.
bool FileOffset(const Image& image, const IMAGE_NT_HEADERS64& nt, size_t sectionsAt, DWORD rva,
                size_t* offset) {
  for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
    IMAGE_SECTION_HEADER section{};
    if (!image.Read(sectionsAt + i * sizeof section, &section)) return false;
    const DWORD size = section.Misc.VirtualSize > section.SizeOfRawData ? section.Misc.VirtualSize
                                                                        : section.SizeOfRawData;
    if (rva >= section.VirtualAddress && rva < section.VirtualAddress + size) {
      *offset = rva - section.VirtualAddress + section.PointerToRawData;
      return true;
    }
  }
  return false;
}

}  // namespace

std::vector<std::string> ImportedDlls(const std::wstring& path, WORD* subsystem, WORD* machine,
                                      size_t* fileSize) {
  std::vector<std::string> dlls;
  Image image;
  if (FILE* file = _wfopen(path.c_str(), L"rb")) {
    unsigned char chunk[4096];
    for (size_t n; (n = fread(chunk, 1, sizeof chunk, file)) > 0;)
      image.bytes.insert(image.bytes.end(), chunk, chunk + n);
    fclose(file);
  }
  *fileSize = image.bytes.size();
  IMAGE_DOS_HEADER dos{};
  IMAGE_NT_HEADERS64 nt{};
  if (!image.Read(0, &dos) || dos.e_magic != IMAGE_DOS_SIGNATURE) return dlls;
  if (!image.Read(dos.e_lfanew, &nt) || nt.Signature != IMAGE_NT_SIGNATURE) return dlls;
  *subsystem = nt.OptionalHeader.Subsystem;
  *machine = nt.FileHeader.Machine;
  const size_t sectionsAt = dos.e_lfanew + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                            nt.FileHeader.SizeOfOptionalHeader;
  const IMAGE_DATA_DIRECTORY imports =
      nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  size_t at = 0;
  if (imports.VirtualAddress == 0 ||
      !FileOffset(image, nt, sectionsAt, imports.VirtualAddress, &at))
    return dlls;
  for (;; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
    IMAGE_IMPORT_DESCRIPTOR descriptor{};
    if (!image.Read(at, &descriptor) || descriptor.Name == 0) break;
    size_t nameAt = 0;
    if (!FileOffset(image, nt, sectionsAt, descriptor.Name, &nameAt)) break;
    std::string name;
    for (char c = 0; image.Read(nameAt++, &c) && c != 0;) name += c;
    dlls.push_back(name);
  }
  return dlls;
}

void CheckImage() {
  WORD subsystem = 0;
  WORD machine = 0;
  size_t size = 0;
  const std::vector<std::string> dlls = ImportedDlls(GlowtidePath(), &subsystem, &machine, &size);
  CheckEqual(machine, IMAGE_FILE_MACHINE_AMD64, "Glowtide.exe is a 64-bit x86 image");
  CheckEqual(subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI,
             "Glowtide.exe has the GUI subsystem (2), so no console opens");
  // DLLs that Windows always takes from System32; dxva2 is loaded at run time from there.
  const std::set<std::string> system = {"kernel32.dll", "user32.dll", "shell32.dll", "msvcrt.dll"};
  std::string list;
  bool onlySystem = !dlls.empty();
  for (std::string dll : dlls) {
    list += (list.empty() ? "" : ", ") + dll;
    for (char& c : dll) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    if (!system.count(dll)) onlySystem = false;
  }
  Check(onlySystem, "Glowtide.exe imports system DLLs only: " + list);
  printf("info Glowtide.exe is %zu bytes and imports %s\n", size, list.c_str());
  Check(size > 0 && size <= 90 * 1024,
        "Glowtide.exe is at most 90 KiB (92160 bytes): " + std::to_string(size));
}

}  // namespace e2e

namespace e2e {

// A dxva2.dll planted beside Glowtide.exe leaves a marker when it is loaded; every run of the
// suite has had it there, while its reports came from the double in the system directory.
void CheckPlantedDll(bool before) {
  const std::wstring marker = TempFile(L"glowtide_planted_dll_loaded.txt");
  if (before) {
    DeleteFileW(marker.c_str());
    return;
  }
  Check(
      GetFileAttributesW((SuiteDirectory() + L"\\dxva2.dll").c_str()) != INVALID_FILE_ATTRIBUTES &&
          GetFileAttributesW(marker.c_str()) == INVALID_FILE_ATTRIBUTES,
      "the dxva2.dll planted beside Glowtide.exe was never loaded");
}

}  // namespace e2e
